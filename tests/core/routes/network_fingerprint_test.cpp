#include "routes/route_bindings.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

using Observation = NetworkObservation;

// eth0 (2) and wg0 (3) up and addressed, lo (1) a loopback, wlan0 (4) down.
Observation plain()
{
    Observation o;
    o.links = {{1, "lo", true, true}, {2, "eth0", true, false}, {3, "wg0", true, false}, {4, "wlan0", false, false}};
    o.addresses = {{1, true}, {2, true}, {3, true}, {4, true}};
    o.neighbours = {{2, "192.168.1.1", "AA:BB:CC:00:00:01"}, {2, "192.168.1.9", "aa:bb:cc:00:00:09"}};
    return o;
}

NetworkFingerprint print(QStringList links, QString gateway, QString hardware = {}, QString name = {})
{
    return {std::move(links), std::move(gateway), std::move(hardware), std::move(name)};
}

TEST(NetworkFingerprint, ComesFromTheDefaultRoutesTheirGatewayAndItsNeighbour)
{
    const struct {
        const char* what;
        std::vector<Observation::DefaultRoute> routes;
        std::optional<QString> connectionName;
        std::optional<NetworkFingerprint> expected;
    } cases[] = {
        {"no default route", {}, {}, std::nullopt},
        {"routes only through a loopback or a link that is down", {{1, "", false, 0}, {4, "10.0.0.1", false, 0}}, {},
            std::nullopt},
        {"gateway with its hardware address, lower case", {{2, "192.168.1.1", false, 100}}, {},
            print({"eth0"}, "192.168.1.1", "aa:bb:cc:00:00:01")},
        {"gateway the neighbour table doesn't know yet", {{2, "192.168.1.5", false, 100}}, {},
            print({"eth0"}, "192.168.1.5")},
        {"a VPN's route counts; the gateway comes from the route that has one",
            {{3, "", false, 50}, {2, "192.168.1.1", false, 100}}, {},
            print({"eth0", "wg0"}, "192.168.1.1", "aa:bb:cc:00:00:01")},
        {"lowest metric wins, IPv4 before IPv6 at equal metric",
            {{2, "192.168.1.9", false, 600}, {2, "fe80::1", true, 100}, {2, "192.168.1.1", false, 100}}, {},
            print({"eth0"}, "192.168.1.1", "aa:bb:cc:00:00:01")},
        {"the network manager's name", {{2, "192.168.1.1", false, 0}}, QStringLiteral("Office"),
            print({"eth0"}, "192.168.1.1", "aa:bb:cc:00:00:01", "Office")},
    };
    for (const auto& c : cases) {
        Observation o = plain();
        o.defaultRoutes = c.routes;
        o.connectionName = c.connectionName;
        EXPECT_EQ(NetworkFingerprint::of(o), c.expected) << c.what;
    }
    Observation unaddressed = plain();
    unaddressed.addresses = {{2, false}};
    unaddressed.defaultRoutes = {{2, "192.168.1.1", false, 0}};
    EXPECT_EQ(NetworkFingerprint::of(unaddressed), std::nullopt) << "a link without a usable address";
}

TEST(NetworkFingerprint, BindingsAskForWhatTheyKnowAndSightsMayKnowLess)
{
    const NetworkFingerprint full = print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:01", "Home");
    const struct {
        const char* what;
        NetworkFingerprint other;
        bool covered, same;
    } cases[] = {
        {"the same", full, true, true},
        {"hardware not known yet", print({"wlan0"}, "192.168.1.1", {}, "Home"), false, true},
        {"name not known", print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:01"), true, true},
        {"another router at the same address", print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:02"), false, false},
        {"another name", print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:01", "Café"), false, false},
        {"a VPN on top", print({"wg0", "wlan0"}, "192.168.1.1", "aa:00:00:00:00:01", "Home"), false, false},
        {"another gateway", print({"wlan0"}, "10.0.0.1", "aa:00:00:00:00:01", "Home"), false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(full.covers(c.other), c.covered) << c.what;
        EXPECT_EQ(full.sameNetwork(c.other), c.same) << c.what;
        EXPECT_EQ(c.other.sameNetwork(full), c.same) << c.what;
    }
    EXPECT_EQ(full.updatedBy(print({"wlan0"}, "192.168.1.1")), full);
    EXPECT_EQ(full.displayName(), "Home");
    EXPECT_EQ(print({"eth0", "wg0"}, "10.0.0.1").displayName(), "eth0 + wg0 via 10.0.0.1");
    EXPECT_EQ(print({"tun0"}, {}).displayName(), "tun0");
}

TEST(RouteBindings, RoundTripAndRejectDamage)
{
    const QUuid office = QUuid::createUuid();
    RouteBindings bindings = RouteBindings {}
                                 .binding(office, print({"eth0"}, "10.0.0.1", "aa:00:00:00:00:01", "Office"))
                                 .binding(office, print({"wg0"}, {}));
    EXPECT_EQ(RouteBindings::fromJson(bindings.toJson()), bindings);
    EXPECT_EQ(bindings.binding(office, print({"eth0"}, "10.0.0.1", "aa:00:00:00:00:01")).of(office).size(), 2u)
        << "the same network again replaces its entry";
    EXPECT_TRUE(bindings.unbinding(office, print({"wg0"}, {})).unbinding(office, bindings.of(office)[0]).networks.empty());
    EXPECT_TRUE(bindings.keeping({}).networks.empty());

    for (const char* damaged : {R"([])", R"({"not-a-uuid": []})", R"({"%1": {}})", R"({"%1": [{"gateway": ""}]})",
             R"({"%1": [{"interfaces": [], "gateway": ""}]})", R"({"%1": [{"interfaces": ["eth0"], "gateway": 7}]})",
             R"({"%1": [{"interfaces": ["eth0"], "gateway": "", "connectionName": false}]})"}) {
        const QByteArray text = QString::fromLatin1(damaged).replace("%1", office.toString(QUuid::WithoutBraces)).toUtf8();
        const QJsonValue value = QJsonDocument::fromJson("{\"b\": " + text + "}").object().value("b");
        EXPECT_EQ(RouteBindings::fromJson(value), std::nullopt)
            << damaged;
    }
}

TEST(NetworkSwitch, SwitchesOnlyToTheOneBoundRoute)
{
    const Profile office {QUuid::createUuid(), "Office", "building.2", {}, false};
    const Profile home {QUuid::createUuid(), "Home", "house", {}, false};
    const NetworkFingerprint officeNet = print({"eth0"}, "10.0.0.1", "aa:00:00:00:00:01");
    const NetworkFingerprint homeNet = print({"wlan0"}, "192.168.1.1", "aa:00:00:00:00:02");
    const RouteBindings bindings = RouteBindings {}.binding(office.id, officeNet).binding(home.id, homeNet);
    const RouteBindings both = bindings.binding(home.id, officeNet);
    using Kind = NetworkSwitch::Kind;
    const struct {
        const char* what;
        RouteBindings bindings;
        std::optional<QUuid> active;
        NetworkFingerprint seen;
        NetworkSwitch expected;
    } cases[] = {
        {"bound, not active", bindings, home.id, officeNet, {Kind::activate, {office.id}}},
        {"bound and active", bindings, office.id, officeNet, {Kind::alreadyActive, {office.id}}},
        {"no route active yet", bindings, std::nullopt, homeNet, {Kind::activate, {home.id}}},
        {"unknown network", bindings, home.id, print({"eth0"}, "10.9.0.1"), {Kind::stay, {}}},
        {"two routes on one network, in route order", both, home.id, officeNet, {Kind::ambiguous, {office.id, home.id}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetworkSwitch::decide(c.bindings, {office, home}, c.active, c.seen), c.expected) << c.what;
}

} // namespace
