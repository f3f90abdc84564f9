#include "health/probe.h"
#include "health/reactor.h"
#include "health/stale_detector.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Collects the completions of one asynchronous call, so a test can wait for the first and check
// that no second one follows.
template <typename Result>
struct Completion {
    std::mutex lock;
    std::condition_variable arrived;
    int count = 0;
    Result result{};
    std::thread::id thread;
    Clock::time_point when;

    std::function<void(Result)> callback()
    {
        return [this](Result value) {
            std::lock_guard guard(lock);
            ++count;
            result = value;
            thread = std::this_thread::get_id();
            when = Clock::now();
            arrived.notify_all();
        };
    }

    bool wait(std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock guard(lock);
        return arrived.wait_for(guard, limit, [this] { return count > 0; });
    }

    int completions()
    {
        std::lock_guard guard(lock);
        return count;
    }
};

int threadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = 5s)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// A TCP port on a local address, listening or bound but closed (connections to it are refused).
struct LocalPort {
    LocalPort(const char* address, bool listening, unsigned scope = 0)
    {
        sockaddr_in6 v6{AF_INET6, 0, 0, {}, scope};
        sockaddr_in v4{AF_INET, 0, {}, {}};
        const bool isV6 = inet_pton(AF_INET6, address, &v6.sin6_addr) == 1;
        inet_pton(AF_INET, address, &v4.sin_addr);
        auto* any = isV6 ? reinterpret_cast<sockaddr*>(&v6) : reinterpret_cast<sockaddr*>(&v4);
        socklen_t length = isV6 ? sizeof v6 : sizeof v4;
        fd = socket(any->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (bind(fd, any, length) == 0 && (!listening || listen(fd, 256) == 0) && getsockname(fd, any, &length) == 0)
            port = ntohs(isV6 ? v6.sin6_port : v4.sin_port);
    }
    ~LocalPort() { close(fd); }
    int fd = -1;
    int port = 0;
};

using ProbeDone = Completion<std::optional<double>>;

// Sockets of this process still in SYN_SENT towards an IPv4 address, from the kernel's own table.
int connectingTo(const QString& address)
{
    in_addr target{};
    inet_pton(AF_INET, address.toUtf8().constData(), &target);
    char wanted[9];
    std::snprintf(wanted, sizeof wanted, "%08X", target.s_addr);
    std::ifstream table("/proc/net/tcp");
    int count = 0;
    for (std::string line; std::getline(table, line);) {
        char remote[64] = {};
        unsigned state = 0;
        if (std::sscanf(line.c_str(), "%*s %*s %63s %x", remote, &state) == 2 && state == 2
            && std::string(remote).rfind(wanted, 0) == 0)
            ++count;
    }
    return count;
}


// A scoped link-local address joins in when the test session has one (scripts/with-services as root).
TEST(Probe, ListenersAnswerWithTheirLatencyAndClosedPortsAreRefusedAtOnce)
{
    LocalPort v4("127.0.0.1", true), v6("::1", true), closedV4("127.0.0.1", false), closedV6("::1", false);
    std::vector<std::tuple<QString, int, bool>> cases {
        {"127.0.0.1", v4.port, true}, {"::1", v6.port, true}, {"[::1]", v6.port, true},
        {" localhost ", v4.port, true}, {"127.0.0.1", closedV4.port, false}, {"::1", closedV6.port, false},
    };
    const QStringList scoped = qEnvironmentVariable("MW_LINK_LOCAL_ADDR").split(u'%');
    const LocalPort linkLocal(scoped[0].toUtf8().constData(), scoped.size() == 2,
        if_nametoindex(scoped.value(1).toUtf8().constData()));
    if (scoped.size() == 2)
        cases.emplace_back(scoped.join(u'%'), linkLocal.port, true);
    for (const auto& [host, port, answers] : cases) {
        ProbeDone done;
        const auto start = Clock::now();
        Probe::tcp(host, port, 3.0, done.callback());
        ASSERT_TRUE(done.wait()) << host.toStdString();
        EXPECT_EQ(done.result.has_value(), answers) << host.toStdString() << ":" << port;
        EXPECT_LT(done.when - start, 1s) << "well before the timeout";
        EXPECT_GT(done.result.value_or(1.0), 0.0);
        EXPECT_NE(done.thread, std::this_thread::get_id());
    }
}

TEST(Probe, SilentServerGivesUpAtTheTimeoutWithoutBlockingAndCompletesOnce)
{
    const QString blackhole = qEnvironmentVariable("MW_BLACKHOLE_ADDR");
    if (blackhole.isEmpty())
        GTEST_SKIP() << "MW_BLACKHOLE_ADDR is unset: run through scripts/with-services as root";
    // 0.1 s is far below the kernel's own one-second limit, so only the probe's timeout can end it.
    for (const double timeout : {0.1, 0.6}) {
        ProbeDone done;
        const auto start = Clock::now();
        Probe::tcp(blackhole, 445, timeout, done.callback());
        EXPECT_EQ(done.completions(), 0) << "the caller must not wait for the answer";
        ASSERT_TRUE(done.wait());
        EXPECT_EQ(done.result, std::nullopt);
        EXPECT_GE(done.when - start, std::chrono::duration<double>(timeout));
        EXPECT_LT(done.when - start, std::chrono::duration<double>(timeout + 0.8));
        EXPECT_EQ(connectingTo(blackhole), 0) << "the abandoned handshake must be cancelled";
        std::this_thread::sleep_for(1200ms);
        EXPECT_EQ(done.completions(), 1);
    }
}

TEST(Probe, UnusablePortsTimeoutsAndHostsGiveNoneWithoutALookUp)
{
    LocalPort listener("127.0.0.1", true);
    const int open = listener.port;
    const std::tuple<QString, int, double> cases[] = {
        {"127.0.0.1", -1, 3}, {"127.0.0.1", 0, 3}, {"127.0.0.1", open, 0}, {"127.0.0.1", open, std::nan("")},
        {"", open, 3}, {"bad host", open, 3}, {"fe80::1%nosuchif", open, 3}, {"::1::2", open, 3},
    };
    for (const auto& [host, port, timeout] : cases) {
        ProbeDone done;
        Probe::tcp(host, port, timeout, done.callback());
        ASSERT_TRUE(done.wait(2s)) << host.toStdString();
        EXPECT_EQ(done.result, std::nullopt) << host.toStdString() << ":" << port;
    }
    for (const auto& [requested, used] : {std::pair{70000, 65535}, {-1, 0}, {445, 445}})
        EXPECT_EQ(Probe::clampPort(requested), used);
    for (const auto& [timeout, seconds] : {std::pair{0.1, 1}, {0.2, 1}, {2.5, 3}, {3.0, 3}, {std::nan(""), 1}})
        EXPECT_EQ(Probe::connectionTimeoutSeconds(timeout), seconds) << timeout;
}

const VolumeHealth testFsFigures = VolumeHealth::healthy(1000 * 4096, 250 * 4096);

using CheckDone = Completion<std::optional<VolumeHealth>>;

// From the mount table, never from the mount point, which may be hanging. Our mount points are unique.
bool isMounted(const std::string& path)
{
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);)
        if (line.find(' ' + path + ' ') != std::string::npos)
            return true;
    return false;
}

// A thread whose check has completed may still be on its way out; wait until the count holds still.
int settledThreadCount()
{
    int count = threadCount();
    for (int still = 0; still < 20; ++still) {
        std::this_thread::sleep_for(10ms);
        if (const int now = threadCount(); now != count) {
            still = 0;
            count = now;
        }
    }
    return count;
}

// Our own FUSE file system on a temporary folder; pausing its daemon makes the mount hang.
// Always resumed and unmounted on destruction, whatever the test did.
struct PausableMount {
    PausableMount()
    {
#ifdef MW_PAUSABLE_FS
        char folder[] = "/tmp/mw-stale.XXXXXX";
        if (!mkdtemp(folder))
            return;
        path = folder;
        daemon = fork();
        if (daemon == 0) {
            // Should the test die while the daemon is stopped, the kernel kills the daemon too, so
            // the mount fails fast instead of hanging for everyone on the machine.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            execl(MW_PAUSABLE_FS, MW_PAUSABLE_FS, "-f", "-s", "-o", "fsname=mw-pausable", folder, nullptr);
            _exit(127);
        }
        mounted = daemon > 0 && eventually([this] { return isMounted(path) || exited(); }) && isMounted(path);
#endif
    }
    ~PausableMount()
    {
        if (daemon > 0) {
            resume();
            std::system(("fusermount3 -u " + path + " 2>/dev/null").c_str());
            if (!eventually([this] { return exited(); }, 3s)) {
                kill(daemon, SIGKILL);
                eventually([this] { return exited(); }, 3s);
            }
            if (isMounted(path))
                std::system(("umount -l " + path).c_str());
        }
        if (!path.empty())
            rmdir(path.c_str());
    }
    void pause() { kill(daemon, SIGSTOP); }
    void resume() { kill(daemon, SIGCONT); }
    bool exited()
    {
        int status;
        reaped = reaped || waitpid(daemon, &status, WNOHANG) == daemon;
        return reaped;
    }
    QString point() const { return QString::fromStdString(path); }

    std::string path;
    pid_t daemon = -1;
    bool mounted = false;
    bool reaped = false;
};

#define REQUIRE_MOUNT(mount)                                                                                 \
    if (!(mount).mounted)                                                                                    \
    GTEST_SKIP() << "cannot mount the test FUSE file system (needs libfuse3, /dev/fuse and root)"


TEST(StaleDetector, PathThatIsNotThereGivesNoVerdict)
{
    StaleDetector detector;
    for (const QString& path : {QString("/no/such/mount/point"), QString(), QString::fromUtf8("a\0b", 3)}) {
        CheckDone done;
        detector.check(path, 4.0, done.callback());
        ASSERT_TRUE(done.wait());
        EXPECT_EQ(done.result, std::nullopt) << path.toStdString();
    }
    EXPECT_TRUE(eventually([&] { return detector.inFlightCount() == 0; }));
}

// Two hanging mounts at once: each check is stale in time on a thread of its own, and a second check
// of a path still in flight answers at once without another thread.
TEST(StaleDetector, HangingMountsAreStaleInTimeHoldOneThreadEachAndRecoverAfterResuming)
{
    PausableMount mount, other;
    REQUIRE_MOUNT(mount);
    REQUIRE_MOUNT(other);
    StaleDetector detector;
    Reactor::shared(); // its thread is not the one being counted
    mount.pause();
    other.pause();
    const int threadsBefore = settledThreadCount();

    CheckDone first, parallel;
    const auto start = Clock::now();
    detector.check(mount.point(), 1.0, first.callback());
    detector.check(other.point(), 1.0, parallel.callback());
    EXPECT_EQ(first.completions(), 0) << "the caller must not wait for the mount";
    ASSERT_TRUE(first.wait() && parallel.wait());
    EXPECT_EQ(first.result, VolumeHealth::stale());
    EXPECT_EQ(parallel.result, VolumeHealth::stale());
    EXPECT_GE(first.when - start, 1s);
    EXPECT_LT(first.when - start, 2s);

    CheckDone second;
    detector.check(mount.point(), 1.0, second.callback());
    ASSERT_TRUE(second.wait(500ms)) << "a check of a path in flight answers at once";
    EXPECT_EQ(second.result, std::nullopt);
    EXPECT_EQ(detector.inFlightCount(), 2u);
    EXPECT_LE(threadCount(), threadsBefore + 2);

    mount.resume();
    other.resume();
    ASSERT_TRUE(eventually([&] { return detector.inFlightCount() == 0; }));
    CheckDone third;
    detector.check(mount.point(), 4.0, third.callback());
    ASSERT_TRUE(third.wait());
    EXPECT_EQ(third.result, testFsFigures);
    EXPECT_EQ(first.completions(), 1) << "the late answer must not complete the timed-out check again";

    // A detector may go away while a mount still hangs; its stuck thread returns into nothing and ends.
    CheckDone orphan;
    {
        StaleDetector gone;
        mount.pause();
        gone.check(mount.point(), 0.5, orphan.callback());
    }
    ASSERT_TRUE(orphan.wait());
    EXPECT_EQ(orphan.result, VolumeHealth::stale());
    const int stuck = threadCount();
    mount.resume();
    EXPECT_TRUE(eventually([&] { return threadCount() < stuck; }));
    EXPECT_EQ(orphan.completions(), 1);
}

} // namespace
