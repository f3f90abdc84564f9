#include "app/test_app.h"
#include "platform/rtnetlink_path_monitor.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace {

bool ip(const QString& command)
{
    QProcess process;
    process.start(QStringLiteral("ip"), command.split(' '));
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A network namespace of the test's own: its links can change freely and no traffic leaves it.
struct Namespace {
    QString name = QStringLiteral("mwdesk-%1").arg(getpid());
    bool made = ip("netns add " + name);
    ~Namespace()
    {
        if (made)
            ip("netns delete " + name);
    }
    bool run(const QString& command) const { return ip("-n " + name + ' ' + command); }
};

// Starts the monitor from inside the namespace: its sockets stay there after the thread returns home.
bool startInside(const Namespace& ns, RtnetlinkPathMonitor& monitor)
{
    const int home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int there = ::open(("/run/netns/" + ns.name).toUtf8().constData(), O_RDONLY | O_CLOEXEC);
    const bool entered = home >= 0 && there >= 0 && ::setns(there, CLONE_NEWNET) == 0;
    if (entered) {
        monitor.start();
        ::setns(home, CLONE_NEWNET);
    }
    for (const int fd : {home, there})
        if (fd >= 0)
            ::close(fd);
    return entered;
}

TEST(RtnetlinkPathMonitorTest, ReportsThePathAtStartAndAfterEveryChange)
{
    TestApp::instance();
    const Namespace ns;
    if (!ns.made)
        GTEST_SKIP() << "cannot create a network namespace here (needs root and iproute2)";
    RtnetlinkPathMonitor monitor;
    std::vector<NetworkPath> updates;
    QObject::connect(&monitor, &NetworkPathMonitor::pathUpdated,
        [&](const NetworkPath& path) { updates.push_back(path); });
    ASSERT_TRUE(startInside(ns, monitor));
    monitor.start();
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates.back(), (NetworkPath {NetworkPathStatus::unsatisfied, {}}));

    auto arrives = [&](const NetworkPath& expected) {
        return TestApp::waitUntil([&] { return !updates.empty() && updates.back() == expected; });
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
