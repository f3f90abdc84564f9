#pragma once

#include "platform/network_path_monitor.h"

// A network path the test sets; reported at start and on every change after it, like the real monitor.
class FakeNetworkPathMonitor final : public NetworkPathMonitor {
public:
    explicit FakeNetworkPathMonitor(NetworkPath initial = {NetworkPathStatus::satisfied, {QStringLiteral("eth0")}})
        : path_(std::move(initial))
    {
    }

    void start() override
    {
        ++starts;
        if (started_)
            return;
        started_ = true;
        Q_EMIT pathUpdated(path_);
    }

    // Reports the new path if the monitor runs and the path differs from the last one.
    void setPath(const NetworkPath& path)
    {
        const bool changed = path != path_;
        path_ = path;
        if (started_ && changed)
            Q_EMIT pathUpdated(path_);
    }

    // As a new process's monitor: the next start reports the path again.
    void restart() { started_ = false; }

    int starts = 0;

private:
    NetworkPath path_;
    bool started_ = false;
};
