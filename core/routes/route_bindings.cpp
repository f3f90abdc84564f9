#include "routes/route_bindings.h"

#include "model/share_spec.h"

#include <QJsonArray>

#include <algorithm>

const std::vector<NetworkFingerprint>& RouteBindings::of(const QUuid& routeID) const
{
    static const std::vector<NetworkFingerprint> none;
    const auto found = networks.find(routeID);
    return found == networks.end() ? none : found->second;
}

RouteBindings RouteBindings::binding(const QUuid& routeID, const NetworkFingerprint& network) const
{
    RouteBindings changed = *this;
    std::vector<NetworkFingerprint>& list = changed.networks[routeID];
    const auto same = std::find_if(list.begin(), list.end(),
        [&](const NetworkFingerprint& bound) { return bound.sameNetwork(network); });
    if (same == list.end())
        list.push_back(network);
    else
        *same = network;
    return changed;
}

RouteBindings RouteBindings::unbinding(const QUuid& routeID, const NetworkFingerprint& network) const
{
    RouteBindings changed = *this;
    const auto found = changed.networks.find(routeID);
    if (found == changed.networks.end())
        return changed;
    std::erase(found->second, network);
    if (found->second.empty())
        changed.networks.erase(found);
    return changed;
}

RouteBindings RouteBindings::keeping(const std::vector<Profile>& routes) const
{
    RouteBindings kept;
    for (const Profile& route : routes) {
        if (const auto found = networks.find(route.id); found != networks.end())
            kept.networks.insert(*found);
    }
    return kept;
}

std::vector<QUuid> RouteBindings::routesFor(const NetworkFingerprint& seen, const std::vector<Profile>& routes) const
{
    std::vector<QUuid> bound;
    for (const Profile& route : routes) {
        const std::vector<NetworkFingerprint>& list = of(route.id);
        if (std::any_of(list.begin(), list.end(), [&](const NetworkFingerprint& n) { return n.covers(seen); }))
            bound.push_back(route.id);
    }
    return bound;
}

QJsonObject RouteBindings::toJson() const
{
    QJsonObject object;
    for (const auto& [routeID, list] : networks) {
        QJsonArray array;
        for (const NetworkFingerprint& network : list)
            array.append(network.toJson());
        object.insert(JsonFields::uuidText(routeID), array);
    }
    return object;
}

std::optional<RouteBindings> RouteBindings::fromJson(const QJsonValue& json)
{
    if (!json.isObject())
        return std::nullopt;
    RouteBindings bindings;
    const QJsonObject object = json.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::optional<QUuid> routeID = JsonFields::uuid(it.key());
        if (!routeID || !it.value().isArray())
            return std::nullopt;
        for (const QJsonValue& value : it.value().toArray()) {
            std::optional<NetworkFingerprint> network = NetworkFingerprint::fromJson(value);
            if (!network)
                return std::nullopt;
            bindings.networks[*routeID].push_back(std::move(*network));
        }
    }
    return bindings;
}

NetworkSwitch NetworkSwitch::decide(const RouteBindings& bindings, const std::vector<Profile>& routes,
    const std::optional<QUuid>& active, const NetworkFingerprint& seen)
{
    std::vector<QUuid> bound = bindings.routesFor(seen, routes);
    if (bound.empty())
        return {Kind::stay, {}};
    if (bound.size() > 1)
        return {Kind::ambiguous, std::move(bound)};
    return {bound.front() == active ? Kind::alreadyActive : Kind::activate, std::move(bound)};
}
