#pragma once

#include "health/volume_health.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

struct GioVolumeHealthState;

// A mount point's health from statfs on a throw-away thread (the stale detector) and, where statfs has
// no figures, as on the file-system daemon's FUSE bridge for WebDAV, the daemon's own size and free
// space for it. Both fit in the one timeout; a daemon query still out for a mount point is never doubled.
class GioVolumeHealth {
public:
    using Done = std::function<void(std::optional<VolumeHealth>)>;
    using Check = std::function<void(const QString& path, double timeout, Done)>;

    // `statfs` defaults to a stale detector of its own.
    explicit GioVolumeHealth(Check statfs = {});

    // Completes once, on the main thread or the detector's: statfs's verdict, with the daemon's figures
    // when statfs gave none and the daemon answers within what is left of `timeout`.
    void check(const QString& path, double timeout, Done done);

    // The daemon's figures alone, on the main thread; nothing when it has none, fails or takes longer
    // than `timeout`, and nothing at once while an earlier query of the same path is out.
    void querySpace(const QString& path, double timeout, Done done);

    // Paths whose daemon query has started and not yet returned.
    std::size_t queriesOut() const;

private:
    Check statfs_;
    std::shared_ptr<GioVolumeHealthState> state_;
};
