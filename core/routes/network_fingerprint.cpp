#include "routes/network_fingerprint.h"

#include <QJsonArray>

#include <map>
#include <set>
#include <tuple>

namespace {

bool agreeWhenBothKnown(const QString& a, const QString& b)
{
    return a.isEmpty() || b.isEmpty() || a == b;
}

std::optional<QString> stringField(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return QString();
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace

std::optional<NetworkFingerprint> NetworkFingerprint::of(const NetworkObservation& observed)
{
    std::set<int> usable;
    for (const NetworkObservation::Address& address : observed.addresses) {
        if (address.usable)
            usable.insert(address.link);
    }
    std::map<int, QString> names;
    for (const NetworkObservation::Link& link : observed.links) {
        if (link.up && !link.loopback && usable.contains(link.index))
            names[link.index] = link.name;
    }

    NetworkFingerprint print;
    const NetworkObservation::DefaultRoute* preferred = nullptr;
    const auto rank = [&](const NetworkObservation::DefaultRoute& route) {
        return std::tuple(route.metric, route.ipv6, names[route.link], route.gateway);
    };
    for (const NetworkObservation::DefaultRoute& route : observed.defaultRoutes) {
        if (!names.contains(route.link))
            continue;
        if (!print.interfaces.contains(names[route.link]))
            print.interfaces.append(names[route.link]);
        if (!route.gateway.isEmpty() && (!preferred || rank(route) < rank(*preferred)))
            preferred = &route;
    }
    if (print.interfaces.isEmpty())
        return std::nullopt;
    print.interfaces.sort();
    if (preferred) {
        print.gateway = preferred->gateway;
        for (const NetworkObservation::Neighbour& neighbour : observed.neighbours) {
            if (neighbour.link == preferred->link && neighbour.address == preferred->gateway)
                print.gatewayHardware = neighbour.linkLayerAddress.toLower();
        }
    }
    print.connectionName = observed.connectionName.value_or(QString());
    return print;
}

bool NetworkFingerprint::covers(const NetworkFingerprint& seen) const
{
    return interfaces == seen.interfaces && gateway == seen.gateway
        && (gatewayHardware.isEmpty() || gatewayHardware == seen.gatewayHardware)
        && agreeWhenBothKnown(connectionName, seen.connectionName);
}

bool NetworkFingerprint::sameNetwork(const NetworkFingerprint& other) const
{
    return interfaces == other.interfaces && gateway == other.gateway
        && agreeWhenBothKnown(gatewayHardware, other.gatewayHardware)
        && agreeWhenBothKnown(connectionName, other.connectionName);
}

NetworkFingerprint NetworkFingerprint::updatedBy(const NetworkFingerprint& newer) const
{
    NetworkFingerprint updated = newer;
    if (updated.gatewayHardware.isEmpty())
        updated.gatewayHardware = gatewayHardware;
    if (updated.connectionName.isEmpty())
        updated.connectionName = connectionName;
    return updated;
}

QString NetworkFingerprint::displayName() const
{
    if (!connectionName.isEmpty())
        return connectionName;
    const QString links = interfaces.join(QStringLiteral(" + "));
    return gateway.isEmpty() ? links : links + QStringLiteral(" via ") + gateway;
}

QJsonObject NetworkFingerprint::toJson() const
{
    QJsonObject object {{QStringLiteral("interfaces"), QJsonArray::fromStringList(interfaces)},
        {QStringLiteral("gateway"), gateway}};
    if (!gatewayHardware.isEmpty())
        object.insert(QStringLiteral("gatewayHardware"), gatewayHardware);
    if (!connectionName.isEmpty())
        object.insert(QStringLiteral("connectionName"), connectionName);
    return object;
}

std::optional<NetworkFingerprint> NetworkFingerprint::fromJson(const QJsonValue& json)
{
    const QJsonObject object = json.toObject();
    const QJsonValue links = object.value(QStringLiteral("interfaces"));
    if (!json.isObject() || !links.isArray() || !object.value(QStringLiteral("gateway")).isString())
        return std::nullopt;
    NetworkFingerprint print;
    for (const QJsonValue& link : links.toArray()) {
        if (!link.isString() || link.toString().isEmpty())
            return std::nullopt;
        print.interfaces.append(link.toString());
    }
    if (print.interfaces.isEmpty())
        return std::nullopt;
    print.interfaces.sort();
    print.gateway = object.value(QStringLiteral("gateway")).toString();
    const std::optional<QString> hardware = stringField(object, QStringLiteral("gatewayHardware"));
    const std::optional<QString> name = stringField(object, QStringLiteral("connectionName"));
    if (!hardware || !name)
        return std::nullopt;
    print.gatewayHardware = hardware->toLower();
    print.connectionName = *name;
    return print;
}
