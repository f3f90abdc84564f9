#include "model/mount_table.h"

#include <QFile>
#include <QStringBuilder>

#include <algorithm>
#include <iterator>

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

// Read from the raw field: a share's options run to hundreds of characters, of which one value is wanted.
QString optionValue(QByteArrayView options, QByteArrayView key)
{
    while (!options.isEmpty()) {
        const qsizetype comma = options.indexOf(',');
        const QByteArrayView option = comma < 0 ? options : options.first(comma);
        if (option.size() > key.size() && option.startsWith(key) && option[key.size()] == '=')
            return unescaped(option.sliced(key.size() + 1));
        options = comma < 0 ? QByteArrayView() : options.sliced(comma + 1);
    }
    return {};
}

// Whether translate() could take a mount of this type, asked before anything is decoded: most of a
// desktop's mounts are local. A type with an escape is decoded first.
bool maybeNetworkType(QByteArrayView type)
{
    static constexpr const char* names[] = {"cifs", "smb3", "smbfs", "nfs", "nfs4", "davfs", "fuse.davfs",
        "fuse.davfs2", "fuse", "afpfs", "fuse.afpfs", "fuse.afpfs-ng"};
    return type.contains('\\') || std::any_of(std::begin(names), std::end(names), [&](const char* name) {
        return type == QByteArrayView(name);
    });
}

// Gives the type and source as the rest of the system names them, or nothing for a local file system.
std::optional<Translated> translate(const QString& type, const QString& source, QByteArrayView superOptions)
{
    if (type == u"cifs" || type == u"smb3" || type == u"smbfs") {
        // The kernel keeps the user among the options, not in the source.
        const QString user = optionValue(superOptions, "username");
        if (!user.isEmpty() && source.startsWith(u"//") && !source.contains(u'@'))
            return Translated {QStringLiteral("smbfs"), QStringView(u"//") % user % u'@' % QStringView(source).mid(2)};
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
    if (!field.contains('\\'))
        return QString::fromUtf8(field);
    QByteArray bytes(field.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2])
            && isOctal(field[i + 3])) {
            *out++ = static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            *out++ = field[i];
        }
    }
    return QString::fromUtf8(bytes.constData(), out - bytes.constData());
}

std::vector<MountedVolume> fromMountinfo(const QByteArray& text)
{
    std::vector<MountedVolume> volumes;
    std::vector<QByteArrayView> fields;
    QByteArrayView rest(text);
    while (!rest.isEmpty()) {
        qsizetype end = rest.indexOf('\n');
        if (end < 0)
            end = rest.size();
        const QByteArrayView line = rest.first(end);
        rest = rest.sliced(std::min(end + 1, rest.size()));
        // id parent major:minor root mount-point options [optional…] - type source super-options
        fields.clear();
        for (qsizetype i = 0; i < line.size();) {
            qsizetype j = line.indexOf(' ', i);
            if (j < 0)
                j = line.size();
            if (j > i)
                fields.push_back(line.sliced(i, j - i));
            i = j + 1;
        }
        qsizetype separator = -1;
        for (qsizetype i = 6; i < qsizetype(fields.size()); ++i) {
            if (fields[std::size_t(i)] == "-") {
                separator = i;
                break;
            }
        }
        if (separator < 0 || separator + 2 >= qsizetype(fields.size()))
            continue;
        if (!maybeNetworkType(fields[std::size_t(separator + 1)]))
            continue;
        const auto field = [&](qsizetype i) { return fields[std::size_t(i)]; };
        const QString type = unescaped(field(separator + 1));
        const QString source = unescaped(field(separator + 2));
        const QByteArrayView superOptions = separator + 3 < qsizetype(fields.size()) ? field(separator + 3) : QByteArrayView();
        const std::optional<Translated> translated = translate(type, source, superOptions);
        if (!translated || !networkTypes().contains(translated->fsType))
            continue;
        volumes.emplace_back(unescaped(field(4)), translated->fsType, translated->from);
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
