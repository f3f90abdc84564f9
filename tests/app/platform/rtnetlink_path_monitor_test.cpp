#include "app/net_namespace.h"
#include "app/test_app.h"
#include "platform/network_path.h"
#include "platform/rtnetlink_path_monitor.h"

#include <gtest/gtest.h>

namespace {

using Link = NetworkLinks::Link;
constexpr auto satisfied = NetworkPathStatus::satisfied;
constexpr auto unsatisfied = NetworkPathStatus::unsatisfied;

TEST(RtnetlinkPathMonitorTest, ReportsThePathAtStartAndAfterEveryChange)
{
    TestApp::instance();
    const NetNamespace ns("desk");
    if (!ns.made)
        GTEST_SKIP() << "cannot create a network namespace here (needs root and iproute2)";
    RtnetlinkPathMonitor monitor;
    std::vector<NetworkPath> updates;
    QObject::connect(&monitor, &NetworkPathMonitor::pathUpdated,
        [&](const NetworkPath& path) { updates.push_back(path); });
    ASSERT_TRUE(ns.inside([&] { monitor.start(); }));
    monitor.start();
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates.back(), (NetworkPath {unsatisfied, {}}));

    // The network itself is the store's test's business.
    auto arrives = [&](const NetworkPath& expected) {
        return TestApp::waitUntil([&] {
            return !updates.empty() && updates.back().status == expected.status
                && updates.back().interfaces == expected.interfaces;
        });
    };
    ASSERT_TRUE(ns.run("link add v0 type veth peer name v1"));
    ASSERT_TRUE(ns.run("link set v0 up"));
    ASSERT_TRUE(ns.run("link set v1 up"));
    ASSERT_TRUE(ns.run("addr add 127.77.0.1/24 dev v0 scope global"));
    EXPECT_TRUE(arrives({unsatisfied, {"v0"}}));

    ASSERT_TRUE(ns.run("route add default dev v0"));
    EXPECT_TRUE(arrives({satisfied, {"v0"}}));

    // Taking the link down drops its routes without a route message of their own.
    ASSERT_TRUE(ns.run("link set v0 down"));
    EXPECT_TRUE(arrives({unsatisfied, {}}));
    ASSERT_TRUE(ns.run("link set v0 up"));
    EXPECT_TRUE(arrives({unsatisfied, {"v0"}}));

    // Repeated reports only come with a change.
    for (size_t i = 1; i < updates.size(); ++i)
        EXPECT_NE(updates[i], updates[i - 1]);
}

// Cases a namespace cannot easily make.
TEST(NetworkPath, FollowsLinksAddressesAndDefaultRoutes)
{
    const Link loopback {"lo", true, true, 1, true};
    const std::tuple<const char*, std::vector<Link>, NetworkPath> cases[] = {
        {"only loopback, even routed", {loopback}, {unsatisfied, {}}},
        {"routed without a usable address", {{"eth0", true, false, 0, true}}, {unsatisfied, {}}},
        {"route through another link than the addressed one",
            {{"wlan0", true, false, 1, false}, {"eth0", true, false, 0, true}}, {unsatisfied, {"wlan0"}}},
        {"interfaces sorted by name",
            {{"wlan0", true, false, 2, false}, {"eth1", true, false, 1, false}, {"eth0", true, false, 1, true}},
            {satisfied, {"eth0", "eth1", "wlan0"}}},
    };
    for (const auto& [what, given, expected] : cases) {
        NetworkLinks links;
        int index = 1;
        for (const Link& link : given)
            links.byIndex[index++] = link;
        EXPECT_EQ(evaluate(links), expected) << what;
    }
}

} // namespace
