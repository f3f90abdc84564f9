#include "routes/route_bindings.h"
#include "routes/route_map.h"

#include <gtest/gtest.h>

namespace {

NetworkFingerprint print(QStringList links, QString gateway, QString hardware = {}, QString name = {})
{
    return {std::move(links), std::move(gateway), std::move(hardware), std::move(name)};
}

TEST(NetworkFingerprint, ComesFromTheDefaultRoutesTheirGatewayAndItsNeighbour)
{
    // eth0 (2) and wg0 (3) up and addressed, lo (1) a loopback, wlan0 (4) down, eth1 (5) without a usable address.
    NetworkObservation base;
    base.links = {{1, "lo", true, true}, {2, "eth0", true, false}, {3, "wg0", true, false}, {4, "wlan0", false, false},
        {5, "eth1", true, false}};
    base.addresses = {{1, true}, {2, true}, {3, true}, {4, true}, {5, false}};
    base.neighbours = {{2, "192.168.1.1", "AA:BB:CC:00:00:01"}, {5, "10.0.0.1", "aa:bb:cc:00:00:05"}};
    using Routes = std::vector<NetworkObservation::DefaultRoute>;
    const std::tuple<const char*, Routes, std::optional<NetworkFingerprint>> cases[] = {
        {"no default route", {}, std::nullopt},
        {"only through a loopback, a link that is down or one without an address",
            {{1, "", false, 0}, {4, "10.0.0.1", false, 0}, {5, "10.0.0.1", false, 0}}, std::nullopt},
        {"gateway with its hardware address, lower case", {{2, "192.168.1.1", false, 100}},
            print({"eth0"}, "192.168.1.1", "aa:bb:cc:00:00:01")},
        {"gateway the neighbour table doesn't know yet", {{2, "192.168.1.5", false, 100}}, print({"eth0"}, "192.168.1.5")},
        {"a VPN's route counts; the gateway comes from a route that has one",
            {{3, "", false, 50}, {2, "192.168.1.1", false, 100}}, print({"eth0", "wg0"}, "192.168.1.1", "aa:bb:cc:00:00:01")},
        {"lowest metric wins, IPv4 before IPv6 at equal metric",
            {{2, "192.168.1.9", false, 600}, {2, "fe80::1", true, 100}, {2, "192.168.1.1", false, 100}},
            print({"eth0"}, "192.168.1.1", "aa:bb:cc:00:00:01")},
    };
    for (const auto& [what, routes, expected] : cases) {
        NetworkObservation o = base;
        o.defaultRoutes = routes;
        EXPECT_EQ(NetworkFingerprint::of(o), expected) << what;
    }
    base.defaultRoutes = {{2, "192.168.1.1", false, 0}};
    base.connectionName = "Office";
    EXPECT_EQ(NetworkFingerprint::of(base), print({"eth0"}, "192.168.1.1", "aa:bb:cc:00:00:01", "Office"));
}

TEST(NetworkFingerprint, BindingsAskForWhatTheyKnowAndSightsMayKnowLess)
{
    const NetworkFingerprint full = print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:01", "Home");
    const std::tuple<const char*, NetworkFingerprint, bool, bool> cases[] = {
        {"the same", full, true, true},
        {"hardware not known yet", print({"wlan0"}, "192.168.1.1", {}, "Home"), false, true},
        {"name not known", print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:01"), true, true},
        {"another router at the same address", print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:02"), false, false},
        {"another name", print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:01", "Café"), false, false},
        {"a VPN on top", print({"wg0", "wlan0"}, "192.168.1.1", "aa:00:00:00:00:01", "Home"), false, false},
    };
    for (const auto& [what, other, covered, same] : cases) {
        EXPECT_EQ(full.covers(other), covered) << what;
        EXPECT_EQ(full.sameNetwork(other) && other.sameNetwork(full), same) << what;
    }
    EXPECT_EQ(full.updatedBy(print({"wlan0"}, "192.168.1.1")), full);
    EXPECT_EQ(NetworkFingerprint::fromJson(full.toJson()), full);
    EXPECT_EQ(print({"eth0", "wg0"}, "10.0.0.1").displayName(), "eth0 + wg0 via 10.0.0.1");
}

ShareSpec share(const char* host, ShareProtocol proto = ShareProtocol::smb, std::optional<int> port = {})
{
    return ShareSpec(QUuid::createUuid(), QString(), proto, host, port, "x", QString(), false, true);
}

Profile route(QList<QUuid> ids, const char* name = "Office")
{
    return {QUuid::createUuid(), name, "building.2", std::move(ids), false};
}

TEST(RouteMap, StationsGatherSharesByServerInListOrder)
{
    const ShareSpec a = share("NAS.local");
    const ShareSpec other = share("backup");
    const ShareSpec b = share("nas", ShareProtocol::afp, 10548);
    const std::vector<ShareSpec> shares {a, other, b, share("nas")};

    const std::vector<RouteStation> expected {{"NAS.local", {a.id, b.id}}, {"backup", {other.id}}};
    EXPECT_EQ(RouteMap::stations(route({b.id, QUuid::createUuid(), other.id, a.id}), shares), expected);
    EXPECT_TRUE(RouteMap::stations(route({}), shares).empty());
    EXPECT_TRUE(RouteMap::stations(route({QUuid::createUuid()}), shares).empty());
}

TEST(RouteMap, TogglingRemovesEveryCopyThenAppendsOnceAndDeletingLeavesEveryRoute)
{
    const QUuid x = QUuid::createUuid();
    const QUuid y = QUuid::createUuid();
    const Profile without = RouteMap::toggling(x, route({x, y, x}));
    EXPECT_EQ(without.shareIDs, QList<QUuid>({y}));
    EXPECT_EQ(RouteMap::toggling(x, without).shareIDs, QList<QUuid>({y, x}));

    const auto routes = RouteMap::removing(x, {route({x, y, x}), route({y}), route({x})});
    ASSERT_EQ(routes.size(), 3u);
    EXPECT_EQ(routes[0].shareIDs, QList<QUuid>({y}));
    EXPECT_EQ(routes[1].shareIDs, QList<QUuid>({y}));
    EXPECT_TRUE(routes[2].shareIDs.isEmpty());
}

TEST(RouteMap, NewRoutesGetAFreeName)
{
    const auto named = [](std::initializer_list<const char*> names) {
        std::vector<Profile> profiles;
        for (const char* name : names)
            profiles.push_back(route({}, name));
        return profiles;
    };
    EXPECT_EQ(RouteMap::nextName({}), QStringLiteral("Office"));
    EXPECT_EQ(RouteMap::nextName(named({"OFFICE", "home"})), QStringLiteral("VPN"));
    EXPECT_EQ(RouteMap::nextName(named({"Office", "Home", "VPN", "Studio", "Travel", "Lab"})), QStringLiteral("Route 7"));
    EXPECT_EQ(RouteMap::nextName(named({"Office", "Home", "VPN", "Studio", "Travel", "ROUTE 7"})),
        QStringLiteral("Route 8"));
}

} // namespace
