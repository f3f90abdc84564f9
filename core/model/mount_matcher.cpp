#include "model/mount_matcher.h"

#include <QSet>

#include <array>

namespace MountMatcher {

namespace {

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

} // namespace

QString normalizeHost(const QString& host)
{
    static const std::array<QLatin1String, 5> suffixes {
        QLatin1String("._smb._tcp.local"),
        QLatin1String("._afpovertcp._tcp.local"),
        QLatin1String("._nfs._tcp.local"),
        QLatin1String("._webdav._tcp.local"),
        QLatin1String(".local"),
    };
    QString text = trimmedOf(host.normalized(QString::NormalizationForm_C).toLower(), u".[]");
    for (QLatin1String suffix : suffixes) {
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
    // Normalise each side once; the pairing itself stays the plain first-match walk.
    struct Key {
        QString fsType;
        QString host;
        QString path;
        bool operator==(const Key&) const = default;
    };
    std::vector<std::optional<Key>> volumeKeys;
    volumeKeys.reserve(volumes.size());
    for (const MountedVolume& volume : volumes) {
        if (volume.proto)
            volumeKeys.push_back(Key {fsTypeName(*volume.proto), normalizeHost(volume.host), normalizePath(volume.share)});
        else
            volumeKeys.push_back(std::nullopt);
    }

    QHash<QUuid, MountedVolume> assigned;
    QSet<QString> claimed;
    for (const ShareSpec& share : shares) {
        const Key key {fsTypeName(share.proto), normalizeHost(share.host), normalizePath(share.path)};
        for (std::size_t i = 0; i < volumes.size(); ++i) {
            if (!volumeKeys[i] || claimed.contains(volumes[i].mountPoint) || !(*volumeKeys[i] == key))
                continue;
            assigned.insert(share.id, volumes[i]);
            claimed.insert(volumes[i].mountPoint);
            break;
        }
    }
    return assigned;
}

} // namespace MountMatcher
