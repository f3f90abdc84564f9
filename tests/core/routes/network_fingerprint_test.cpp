#include "routes/route_bindings.h"

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

} // namespace
