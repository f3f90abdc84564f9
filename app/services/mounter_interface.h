#pragma once
// What the store uses to mount and unmount network shares; GvfsMounter is the real one.

#include "model/share_spec.h"
#include "services/mount_outcome.h"

#include <QString>

#include <functional>
#include <optional>

// What the store uses to mount and unmount. Both operations return at once and call `done` later
// on the calling (main) thread; `done` is called exactly once.
class Mounting {
public:
    virtual ~Mounting() = default;
    virtual void mount(const ShareSpec& spec, std::optional<QString> password,
        std::function<void(MountOutcome)> done) = 0;
    // `done` receives nothing on success, the system's error text otherwise.
    virtual void unmount(const QString& path, bool force,
        std::function<void(std::optional<QString> error)> done) = 0;
};
