#pragma once

#include "model/profile.h"
#include "routes/network_fingerprint.h"

#include <QJsonObject>
#include <QUuid>

#include <map>
#include <optional>
#include <vector>

// The networks on which the computer switches to a route by itself, per route id. Kept beside the routes,
// never inside their records.
struct RouteBindings {
    std::map<QUuid, std::vector<NetworkFingerprint>> networks;

    const std::vector<NetworkFingerprint>& of(const QUuid& routeID) const;
    // Adding a network the route has already replaces it with the newer sight.
    RouteBindings binding(const QUuid& routeID, const NetworkFingerprint& network) const;
    RouteBindings unbinding(const QUuid& routeID, const NetworkFingerprint& network) const;
    // Without the routes that are gone.
    RouteBindings keeping(const std::vector<Profile>& routes) const;
    // The routes, in the store's order, bound to a network that covers `seen`.
    std::vector<QUuid> routesFor(const NetworkFingerprint& seen, const std::vector<Profile>& routes) const;

    QJsonObject toJson() const;
    static std::optional<RouteBindings> fromJson(const QJsonValue& json);

    friend bool operator==(const RouteBindings&, const RouteBindings&) = default;
};

// What the store does when it joins a network.
struct NetworkSwitch {
    enum class Kind {
        stay, // no route is bound to this network
        alreadyActive, // the one bound route is active
        activate, // switch to routes.front()
        ambiguous, // several routes are bound; none is switched
    };
    Kind kind = Kind::stay;
    std::vector<QUuid> routes;

    static NetworkSwitch decide(const RouteBindings& bindings, const std::vector<Profile>& routes,
        const std::optional<QUuid>& active, const NetworkFingerprint& seen);

    friend bool operator==(const NetworkSwitch&, const NetworkSwitch&) = default;
};
