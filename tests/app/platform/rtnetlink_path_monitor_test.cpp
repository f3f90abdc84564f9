#include "app/net_namespace.h"
#include "app/test_app.h"
#include "platform/rtnetlink_path_monitor.h"

#include <gtest/gtest.h>

namespace {

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
    EXPECT_EQ(updates.back(), (NetworkPath {NetworkPathStatus::unsatisfied, {}}));

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
    EXPECT_TRUE(arrives({NetworkPathStatus::unsatisfied, {"v0"}}));

    ASSERT_TRUE(ns.run("route add default dev v0"));
    EXPECT_TRUE(arrives({NetworkPathStatus::satisfied, {"v0"}}));

    // Taking the link down drops its routes without a route message of their own.
    ASSERT_TRUE(ns.run("link set v0 down"));
    EXPECT_TRUE(arrives({NetworkPathStatus::unsatisfied, {}}));
    ASSERT_TRUE(ns.run("link set v0 up"));
    EXPECT_TRUE(arrives({NetworkPathStatus::unsatisfied, {"v0"}}));

    // Repeated reports only come with a change.
    for (size_t i = 1; i < updates.size(); ++i)
        EXPECT_NE(updates[i], updates[i - 1]);
}

} // namespace
