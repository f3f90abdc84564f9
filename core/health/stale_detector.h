#pragma once

#include "health/volume_health.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

struct StaleDetectorState;

// Finds out whether a mount point still answers without ever blocking the caller: statfs runs on a
// throw-away thread with a small stack and a timeout decides when it does not return. A hanging
// mount point never holds more than one stuck thread. Copies share the same set of checks in flight.
class StaleDetector {
public:
    using Done = std::function<void(std::optional<VolumeHealth>)>;

    StaleDetector();

    // Completes exactly once, from a worker thread, with healthy figures, with stale when statfs has
    // not returned within `timeout` seconds, or with none when statfs failed or an earlier check of
    // the same path is still stuck (then at once, without a new thread).
    void check(const QString& path, double timeout, Done done);

    // Paths whose statfs has started and not yet returned.
    std::size_t inFlightCount() const;

    static constexpr std::size_t stackSize = 64 * 1024;

private:
    std::shared_ptr<StaleDetectorState> shared;
};
