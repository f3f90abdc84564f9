#include "model/mount_table.h"

#include <QFile>
#include <QList>

namespace MountTable {

namespace {

struct Translated {
    QString fsType;
    QString from;
};

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

QString optionValue(const QString& options, QLatin1String key)
{
    for (const QString& option : options.split(u',')) {
        if (option.startsWith(key) && option.size() > key.size() && option[key.size()] == u'=')
            return option.mid(key.size() + 1);
    }
    return {};
}

// Gives the type and source as the rest of the system names them, or nothing for a local file system.
std::optional<Translated> translate(const QString& type, const QString& source, const QString& superOptions)
{
    if (type == u"cifs" || type == u"smb3" || type == u"smbfs") {
        // The kernel keeps the user among the options, not in the source.
        const QString user = optionValue(superOptions, QLatin1String("username"));
        if (!user.isEmpty() && source.startsWith(u"//") && !source.contains(u'@'))
            return Translated {QStringLiteral("smbfs"), QStringLiteral("//") + user + u'@' + source.mid(2)};
        return Translated {QStringLiteral("smbfs"), source};
    }
    if (type == u"nfs" || type == u"nfs4")
        return Translated {QStringLiteral("nfs"), source};
    const bool webSource = source.startsWith(u"http://") || source.startsWith(u"https://");
    if (type == u"davfs" || type == u"fuse.davfs" || type == u"fuse.davfs2" || (type == u"fuse" && webSource))
        return Translated {QStringLiteral("webdav"), source};
    if (type == u"afpfs" || type == u"fuse.afpfs" || type == u"fuse.afpfs-ng")
        return Translated {QStringLiteral("afpfs"), source};
    return std::nullopt;
}

} // namespace

const QSet<QString>& networkTypes()
{
    static const QSet<QString> types {QStringLiteral("smbfs"), QStringLiteral("afpfs"), QStringLiteral("nfs"),
        QStringLiteral("webdav"), QStringLiteral("cifs")};
    return types;
}

QString unescaped(QByteArrayView field)
{
    QByteArray bytes;
    bytes.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2])
            && isOctal(field[i + 3])) {
            bytes.append(static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0')));
            i += 3;
        } else {
            bytes.append(field[i]);
        }
    }
    return QString::fromUtf8(bytes);
}

std::vector<MountedVolume> fromMountinfo(const QByteArray& text)
{
    std::vector<MountedVolume> volumes;
    for (const QByteArray& line : text.split('\n')) {
        // id parent major:minor root mount-point options [optional…] - type source super-options
        QList<QByteArray> fields = line.split(' ');
        fields.removeAll(QByteArray());
        qsizetype separator = -1;
        for (qsizetype i = 6; i < fields.size(); ++i) {
            if (fields[i] == "-") {
                separator = i;
                break;
            }
        }
        if (separator < 0 || separator + 2 >= fields.size())
            continue;
        const QString type = unescaped(fields[separator + 1]);
        const QString source = unescaped(fields[separator + 2]);
        const QString superOptions = separator + 3 < fields.size() ? unescaped(fields[separator + 3]) : QString();
        const std::optional<Translated> translated = translate(type, source, superOptions);
        if (!translated || !networkTypes().contains(translated->fsType))
            continue;
        volumes.emplace_back(unescaped(fields[4]), translated->fsType, translated->from);
    }
    return volumes;
}

std::vector<MountedVolume> networkVolumes(const QString& mountinfoPath)
{
    QFile file(mountinfoPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Proc files report no size; readAll reads until the end.
    return fromMountinfo(file.readAll());
}

std::vector<MountedVolume> networkVolumes()
{
    return networkVolumes(QStringLiteral("/proc/self/mountinfo"));
}

} // namespace MountTable
