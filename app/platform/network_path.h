#pragma once

#include "routes/network_fingerprint.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// Whether the computer can reach a network now, and through which interfaces.
enum class NetworkPathStatus { satisfied, unsatisfied, requiresConnection };

QString toRaw(NetworkPathStatus status);
std::optional<NetworkPathStatus> networkPathStatusFromRaw(const QString& raw);

struct NetworkPath {
    NetworkPathStatus status = NetworkPathStatus::unsatisfied;
    QStringList interfaces; // sorted by name
    std::optional<NetworkFingerprint> network = std::nullopt; // which network, while one is reachable
    friend bool operator==(const NetworkPath&, const NetworkPath&) = default;
};

// The kernel's links with what the path needs to know of their addresses and default routes.
struct NetworkLinks {
    struct Link {
        QString name;
        bool up = false; // administratively up and with carrier
        bool loopback = false;
        int usableAddresses = 0; // addresses of global or site scope (not link-local, not host)
        bool defaultRoute = false; // some unicast default route leaves through it
        friend bool operator==(const Link&, const Link&) = default;
    };
    std::map<int, Link> byIndex;
};

// A link is available when it is up, not a loopback and has a usable address; the path is satisfied when a
// default route leaves through an available link. Linux has no on-demand connections, so requiresConnection
// never arises.
NetworkPath evaluate(const NetworkLinks& links);
