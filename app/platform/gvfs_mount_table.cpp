#include "platform/gvfs_mount_table.h"

#include "model/mount_table.h"

#include <QUrl>

#include <gio/gio.h>

namespace GvfsMountTable {

std::optional<MountedVolume> volumeFor(const QString& rootUri, const QString& fusePath)
{
    if (fusePath.isEmpty())
        return std::nullopt;
    const QUrl url(rootUri);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    QString share = url.path();
    while (share.startsWith(QLatin1Char('/')))
        share.remove(0, 1);
    // The text after "scheme:" keeps the URI's own encoding, which the source reader decodes.
    const QString afterScheme = rootUri.mid(rootUri.indexOf(QLatin1Char(':')) + 1);
    if (scheme == QLatin1String("smb") || scheme == QLatin1String("afp")) {
        if (share.isEmpty())
            return std::nullopt;
        return MountedVolume(fusePath, scheme == QLatin1String("smb") ? QStringLiteral("smbfs") : QStringLiteral("afpfs"),
            afterScheme);
    }
    if (scheme == QLatin1String("dav") || scheme == QLatin1String("davs")) {
        const QString web = scheme == QLatin1String("dav") ? QStringLiteral("http:") : QStringLiteral("https:");
        return MountedVolume(fusePath, QStringLiteral("webdav"), web + afterScheme);
    }
    if (scheme == QLatin1String("nfs")) {
        const QString host = url.host(QUrl::FullyEncoded);
        const QString bracketed = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
        return MountedVolume(fusePath, QStringLiteral("nfs"), bracketed + QStringLiteral(":/") + share);
    }
    return std::nullopt;
}

std::vector<MountedVolume> networkVolumes()
{
    std::vector<MountedVolume> volumes;
    GVolumeMonitor* monitor = g_volume_monitor_get();
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    for (GList* it = mounts; it != nullptr; it = it->next) {
        GFile* root = g_mount_get_root(G_MOUNT(it->data));
        char* uri = g_file_get_uri(root);
        char* path = g_file_get_path(root);
        if (uri != nullptr && path != nullptr) {
            if (std::optional<MountedVolume> volume
                = volumeFor(QString::fromUtf8(uri), QString::fromLocal8Bit(path)))
                volumes.push_back(std::move(*volume));
        }
        g_free(uri);
        g_free(path);
        g_object_unref(root);
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    return volumes;
}

std::vector<MountedVolume> allNetworkVolumes()
{
    std::vector<MountedVolume> volumes;
    for (const MountedVolume& volume : MountTable::networkVolumes())
        volumes.push_back(volume);
    for (MountedVolume& volume : networkVolumes())
        volumes.push_back(std::move(volume));
    return volumes;
}

} // namespace GvfsMountTable
