#include "routes/route_map.h"

#include <gtest/gtest.h>

namespace {

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
