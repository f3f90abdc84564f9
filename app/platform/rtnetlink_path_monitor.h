#pragma once

#include "platform/network_path_monitor.h"

#include <optional>

class NetworkManagerConnectionName;
class QSocketNotifier;

// The network path from the kernel’s routing socket: one socket listens for changes of links, addresses,
// routes and neighbours; on each change a second one reads the tables afresh. Both sockets belong to the
// network namespace of the thread that calls start. The network's fingerprint takes the connection's name
// from the network manager when one is given and answers.
class RtnetlinkPathMonitor final : public NetworkPathMonitor {
    Q_OBJECT
public:
    using NetworkPathMonitor::NetworkPathMonitor;
    ~RtnetlinkPathMonitor() override;

    void start() override;
    // Not owned; give it this monitor as its parent.
    void setConnectionNames(NetworkManagerConnectionName* names);

private:
    void changed();
    void report();

    int events_ = -1;
    int queries_ = -1;
    unsigned sequence_ = 0;
    QSocketNotifier* notifier_ = nullptr;
    std::optional<NetworkPath> last_;
    NetworkManagerConnectionName* names_ = nullptr;
    std::optional<NetworkFingerprint> askedFor_;
    QString connectionName_;
};
