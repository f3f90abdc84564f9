#pragma once

#include "platform/mountinfo.h"
#include "platform/volume_notices.h"

#include <map>
#include <memory>

class QSocketNotifier;

// Volume notices from two sources: the kernel's mount table (/proc/self/mountinfo, which the kernel flags
// as changed) for every kernel mount, and the GIO volume monitor for the user-space GVfs mounts that never
// reach the kernel table. Kernel mounts that GIO also reports are left to the kernel side, so each event
// gives one notice. Relies on the GLib main loop that Qt's event dispatcher runs on the main thread.
class MountinfoGvfsVolumeNotices final : public VolumeNotices {
    Q_OBJECT
public:
    explicit MountinfoGvfsVolumeNotices(QObject* parent = nullptr);
    ~MountinfoGvfsVolumeNotices() override;

    struct GioMonitor;

private:
    void kernelTableChanged();
    friend struct GioMonitor;

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    Mountinfo::Snapshot snapshot_;
    std::unique_ptr<GioMonitor> gio_;
};
