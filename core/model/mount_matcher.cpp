#include "model/mount_matcher.h"

#include <QSet>

#include <algorithm>
#include <array>

namespace MountMatcher {

namespace {

// Tried in this order; only the first that fits is removed.
constexpr std::array<QLatin1String, 5> hostSuffixes {
    QLatin1String("._smb._tcp.local"),
    QLatin1String("._afpovertcp._tcp.local"),
    QLatin1String("._nfs._tcp.local"),
    QLatin1String("._webdav._tcp.local"),
    QLatin1String(".local"),
};

QString trimmedOf(const QString& text, QStringView characters)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && characters.contains(text[begin]))
        ++begin;
    while (end > begin && characters.contains(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

QStringView trimmedView(QStringView text, QStringView characters)
{
    while (!text.isEmpty() && characters.contains(text.front()))
        text = text.mid(1);
    while (!text.isEmpty() && characters.contains(text.back()))
        text.chop(1);
    return text;
}

void appendLower(QString& key, QStringView ascii)
{
    const qsizetype at = key.size();
    key.resize(at + ascii.size());
    QChar* out = key.data() + at;
    for (const QChar c : ascii)
        *out++ = c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c;
}

// Text that is equal exactly when matches() holds; a separator that no host or path of a mount can hold
// keeps the three parts apart. ASCII text, nearly all of it, is already composed and lower-cases letter for
// letter, so it is normalised in place.
QString keyOf(ShareProtocol proto, const QString& host, const QString& path)
{
    QString key = fsTypeName(proto);
    key.reserve(key.size() + host.size() + path.size() + 2);
    key.append(QChar(0));
    if (isAscii(host)) {
        QStringView text = trimmedView(host, u".[]");
        for (QLatin1String suffix : hostSuffixes) {
            if (text.endsWith(suffix, Qt::CaseInsensitive)) {
                text.chop(suffix.size());
                break;
            }
        }
        appendLower(key, text);
    } else {
        key.append(normalizeHost(host));
    }
    key.append(QChar(0));
    if (isAscii(path))
        appendLower(key, trimmedView(path, u"/"));
    else
        key.append(normalizePath(path));
    return key;
}

} // namespace

QString normalizeHost(const QString& host)
{
    QString text = trimmedOf(host.normalized(QString::NormalizationForm_C).toLower(), u".[]");
    for (QLatin1String suffix : hostSuffixes) {
        if (text.endsWith(suffix)) {
            text.chop(suffix.size());
            break;
        }
    }
    return text;
}

QString normalizePath(const QString& path)
{
    return trimmedOf(path.normalized(QString::NormalizationForm_C), u"/").toLower();
}

bool matches(const ShareSpec& spec, const MountedVolume& volume)
{
    return volume.proto && fsTypeName(spec.proto) == fsTypeName(*volume.proto)
        && normalizeHost(spec.host) == normalizeHost(volume.host)
        && normalizePath(spec.path) == normalizePath(volume.share);
}

QHash<QUuid, MountedVolume> assign(const std::vector<ShareSpec>& shares, const std::vector<MountedVolume>& volumes)
{
    // Volumes grouped by what a share must equal, each group in table order; a share then looks only at
    // its group, and the first unclaimed volume there is the one the plain walk would find.
    struct Group {
        std::vector<std::size_t> volumes;
        std::size_t next = 0; // the ones before were claimed
    };
    QHash<QString, Group> groups;
    groups.reserve(qsizetype(volumes.size()));
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        if (volumes[i].proto)
            groups[keyOf(*volumes[i].proto, volumes[i].host, volumes[i].share)].volumes.push_back(i);
    }

    QHash<QUuid, MountedVolume> assigned;
    assigned.reserve(qsizetype(std::min(shares.size(), volumes.size())));
    QSet<QString> claimed;
    claimed.reserve(qsizetype(std::min(shares.size(), volumes.size())));
    for (const ShareSpec& share : shares) {
        const auto found = groups.find(keyOf(share.proto, share.host, share.path));
        if (found == groups.end())
            continue;
        Group& group = *found;
        // A mount point listed twice in the table may have been claimed through another group.
        while (group.next < group.volumes.size() && claimed.contains(volumes[group.volumes[group.next]].mountPoint))
            ++group.next;
        if (group.next == group.volumes.size())
            continue;
        const MountedVolume& volume = volumes[group.volumes[group.next++]];
        assigned.insert(share.id, volume);
        claimed.insert(volume.mountPoint);
    }
    return assigned;
}

} // namespace MountMatcher
