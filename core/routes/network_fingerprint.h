#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the computer saw of its network at one moment: the kernel's links, addresses, default routes and
// neighbours, and the connection's name when the network manager told it.
struct NetworkObservation {
    struct Link {
        int index = 0;
        QString name;
        bool up = false; // administratively up and with carrier
        bool loopback = false;
    };
    struct Address {
        int link = 0;
        bool usable = false; // of global or site scope
    };
    struct DefaultRoute {
        int link = 0;
        QString gateway; // empty for a route straight onto the link (point-to-point, VPN)
        bool ipv6 = false;
        unsigned metric = 0;
    };
    struct Neighbour {
        int link = 0;
        QString address;
        QString linkLayerAddress;
    };

    std::vector<Link> links;
    std::vector<Address> addresses;
    std::vector<DefaultRoute> defaultRoutes;
    std::vector<Neighbour> neighbours;
    std::optional<QString> connectionName;
};

// Which network the computer is on, as a route can be bound to it.
struct NetworkFingerprint {
    QStringList interfaces; // those carrying a default route, sorted
    QString gateway; // of the preferred default route that has one
    QString gatewayHardware; // lower case; empty while the neighbour table does not know it
    QString connectionName; // empty when the network manager did not say

    // None while no default route leaves through a link that is up and has a usable address.
    static std::optional<NetworkFingerprint> of(const NetworkObservation& observed);

    // Whether a binding to this network holds for `seen`: links and gateway equal, and every detail this one
    // knows equal in `seen`, except that a connection name counts only when both know one.
    bool covers(const NetworkFingerprint& seen) const;
    // The same network seen twice, the later sight perhaps knowing more or less of it.
    bool sameNetwork(const NetworkFingerprint& other) const;

    // This network as `newer` sees it, keeping the details that sight lacks.
    NetworkFingerprint updatedBy(const NetworkFingerprint& newer) const;

    // The connection's name, else its links and gateway: "wlan0 via 192.168.1.1".
    QString displayName() const;

    QJsonObject toJson() const;
    static std::optional<NetworkFingerprint> fromJson(const QJsonValue& json);

    friend bool operator==(const NetworkFingerprint&, const NetworkFingerprint&) = default;
};
