#include "platform/mountinfo_gvfs_volume_notices.h"

#include <QSocketNotifier>

#include <gio/gio.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray readFromStart(int fd)
{
    QByteArray text;
    if (lseek(fd, 0, SEEK_SET) < 0)
        return text;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, n);
    }
    return text;
}

QString takeString(char* text)
{
    QString s = QString::fromUtf8(text);
    g_free(text);
    return s;
}

} // namespace

// GVfs mounts by location, with their names so that a change that is not a rename gives no notice.
struct MountinfoGvfsVolumeNotices::GioMonitor {
    MountinfoGvfsVolumeNotices* owner;
    GVolumeMonitor* monitor = nullptr;
    std::map<QString, QString> names;

    // Kernel mounts (native roots) are announced from the kernel table; only GVfs mounts are ours.
    static std::optional<QString> gvfsLocation(GMount* mount)
    {
        GFile* root = g_mount_get_root(mount);
        if (!root)
            return std::nullopt;
        std::optional<QString> location;
        if (!g_file_is_native(root)) {
            char* path = g_file_get_path(root);
            location = path ? takeString(path) : takeString(g_file_get_uri(root));
        }
        g_object_unref(root);
        return location;
    }

    static void added(GVolumeMonitor*, GMount* mount, gpointer data)
    {
        auto* self = static_cast<GioMonitor*>(data);
        const auto location = gvfsLocation(mount);
        if (!location)
            return;
        self->names[*location] = takeString(g_mount_get_name(mount));
        Q_EMIT self->owner->volumeDidMount(*location);
    }

    static void removed(GVolumeMonitor*, GMount* mount, gpointer data)
    {
        auto* self = static_cast<GioMonitor*>(data);
        const auto location = gvfsLocation(mount);
        if (!location)
            return;
        self->names.erase(*location);
        Q_EMIT self->owner->volumeDidUnmount(*location);
    }

    static void changed(GVolumeMonitor*, GMount* mount, gpointer data)
    {
        auto* self = static_cast<GioMonitor*>(data);
        const auto location = gvfsLocation(mount);
        if (!location)
            return;
        QString name = takeString(g_mount_get_name(mount));
        QString& known = self->names[*location];
        if (known == name)
            return;
        known = std::move(name);
        Q_EMIT self->owner->volumeDidRename(*location);
    }

    explicit GioMonitor(MountinfoGvfsVolumeNotices* o) : owner(o)
    {
        monitor = g_volume_monitor_get();
        GList* mounts = g_volume_monitor_get_mounts(monitor);
        for (GList* item = mounts; item; item = item->next) {
            auto* mount = G_MOUNT(item->data);
            if (const auto location = gvfsLocation(mount))
                names[*location] = takeString(g_mount_get_name(mount));
        }
        g_list_free_full(mounts, g_object_unref);
        g_signal_connect(monitor, "mount-added", G_CALLBACK(added), this);
        g_signal_connect(monitor, "mount-removed", G_CALLBACK(removed), this);
        g_signal_connect(monitor, "mount-changed", G_CALLBACK(changed), this);
    }

    ~GioMonitor()
    {
        g_signal_handlers_disconnect_by_data(monitor, this);
        g_object_unref(monitor);
    }
};

MountinfoGvfsVolumeNotices::MountinfoGvfsVolumeNotices(QObject* parent)
    : VolumeNotices(parent), gio_(std::make_unique<GioMonitor>(this))
{
    fd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    snapshot_ = Mountinfo::parse(readFromStart(fd_));
    // The kernel marks the file with POLLPRI | POLLERR whenever the mount table changes.
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, &MountinfoGvfsVolumeNotices::kernelTableChanged);
}

MountinfoGvfsVolumeNotices::~MountinfoGvfsVolumeNotices()
{
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

void MountinfoGvfsVolumeNotices::kernelTableChanged()
{
    Mountinfo::Snapshot now = Mountinfo::parse(readFromStart(fd_));
    const auto changes = Mountinfo::changes(snapshot_, now);
    snapshot_ = std::move(now);
    for (const Mountinfo::Change& change : changes) {
        switch (change.kind) {
        case Mountinfo::Change::Kind::mounted:
            Q_EMIT volumeDidMount(change.mountPoint);
            break;
        case Mountinfo::Change::Kind::unmounted:
            Q_EMIT volumeDidUnmount(change.mountPoint);
            break;
        case Mountinfo::Change::Kind::moved:
            Q_EMIT volumeDidRename(change.mountPoint);
            break;
        }
    }
}
