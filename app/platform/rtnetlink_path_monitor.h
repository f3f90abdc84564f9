#pragma once

#include "platform/network_path_monitor.h"

#include <optional>

class QSocketNotifier;

// The network path from the kernel's routing socket: one socket listens for changes of links, addresses
// and routes; on each change a second one reads the three tables afresh. Both sockets belong to the
// network namespace of the thread that calls start.
class RtnetlinkPathMonitor final : public NetworkPathMonitor {
    Q_OBJECT
public:
    using NetworkPathMonitor::NetworkPathMonitor;
    ~RtnetlinkPathMonitor() override;

    void start() override;

private:
    void changed();
    void report();
    std::optional<NetworkLinks> readTables();

    int events_ = -1;
    int queries_ = -1;
    unsigned sequence_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    std::optional<NetworkPath> last_;
};
