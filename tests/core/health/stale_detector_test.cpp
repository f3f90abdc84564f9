#include "health/stale_detector.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t fsTotal = 1000 * 4096;
constexpr std::int64_t fsAvailable = 250 * 4096;

struct Completion {
    std::mutex lock;
    std::condition_variable arrived;
    int count = 0;
    std::optional<VolumeHealth> health;
    Clock::time_point when;

    StaleDetector::Done callback()
    {
        return [this](std::optional<VolumeHealth> result) {
            std::lock_guard guard(lock);
            ++count;
            health = result;
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

// A thread whose check has completed may still be on its way out; wait until the count holds still.
int settledThreadCount()
{
    int count = threadCount();
    for (int still = 0; still < 20; ++still) {
        std::this_thread::sleep_for(10ms);
        const int now = threadCount();
        if (now != count)
            still = 0;
        count = now;
    }
    return count;
}

// Read from the mount table, never from the mount point, which may be hanging.
bool isMounted(const std::string& path)
{
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        fields >> id >> parent >> device >> root >> point;
        if (point == path)
            return true;
    }
    return false;
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

// Our own FUSE file system mounted on a temporary folder; pausing its daemon makes the mount hang.
// Always resumed and unmounted on destruction, whatever the test did.
class PausableMount {
public:
    PausableMount()
    {
#ifdef MW_PAUSABLE_FS
        char folder[] = "/tmp/mw-stale.XXXXXX";
        if (!mkdtemp(folder))
            return;
        path = folder;
        daemon = fork();
        if (daemon == 0) {
            // Should the test die while the daemon is stopped, the kernel kills the daemon too, so the
            // mount fails fast instead of hanging for everyone on the machine.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            execl(MW_PAUSABLE_FS, MW_PAUSABLE_FS, "-f", "-s", "-o", "fsname=mw-pausable", folder, nullptr);
            _exit(127);
        }
        mounted = daemon > 0 && eventually([this] { return isMounted(path) || exited(); });
        mounted = mounted && isMounted(path);
#endif
    }

    ~PausableMount()
    {
        if (daemon > 0) {
            kill(daemon, SIGCONT);
            if (isMounted(path))
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

    PausableMount(const PausableMount&) = delete;
    PausableMount& operator=(const PausableMount&) = delete;

    void pause() { kill(daemon, SIGSTOP); }
    void resume() { kill(daemon, SIGCONT); }

    std::string path;
    bool mounted = false;

private:
    bool exited()
    {
        if (reaped)
            return true;
        int status;
        reaped = waitpid(daemon, &status, WNOHANG) == daemon;
        return reaped;
    }

    pid_t daemon = -1;
    bool reaped = false;
};

#define REQUIRE_MOUNT(mount)                                                                                 \
    if (!(mount).mounted)                                                                                    \
    GTEST_SKIP() << "cannot mount the test FUSE file system (needs libfuse3, /dev/fuse and root)"

} // namespace

TEST(StaleDetector, ResponsiveMountReportsItsSizeAndFreeSpace)
{
    PausableMount mount;
    REQUIRE_MOUNT(mount);
    StaleDetector detector;
    Completion done;
    detector.check(QString::fromStdString(mount.path), 4.0, done.callback());
    ASSERT_TRUE(done.wait());
    EXPECT_EQ(done.health, VolumeHealth::healthy(fsTotal, fsAvailable));
    EXPECT_TRUE(eventually([&] { return detector.inFlightCount() == 0; }));
}

TEST(StaleDetector, PathThatIsNotThereGivesNoVerdict)
{
    StaleDetector detector;
    for (const QString& path : {QString("/no/such/mount/point"), QString(""), QString::fromUtf8("a\0b", 3)}) {
        Completion done;
        detector.check(path, 4.0, done.callback());
        ASSERT_TRUE(done.wait());
        EXPECT_EQ(done.health, std::nullopt) << path.toStdString();
    }
    EXPECT_TRUE(eventually([&] { return detector.inFlightCount() == 0; }));
}

TEST(StaleDetector, HangingMountIsStaleInTimeHoldsOneThreadAndRecoversAfterResuming)
{
    PausableMount mount;
    REQUIRE_MOUNT(mount);
    const QString path = QString::fromStdString(mount.path);
    StaleDetector detector;
    Completion warmUp;
    detector.check("/no/such/mount/point", 1.0, warmUp.callback());
    ASSERT_TRUE(warmUp.wait());
    ASSERT_TRUE(eventually([&] { return detector.inFlightCount() == 0; }));

    mount.pause();
    const int threadsBefore = settledThreadCount();
    Completion first;
    const auto start = Clock::now();
    detector.check(path, 1.0, first.callback());
    EXPECT_EQ(first.completions(), 0) << "the caller must not wait for the mount";
    ASSERT_TRUE(first.wait());
    EXPECT_EQ(first.health, VolumeHealth::stale());
    EXPECT_GE(first.when - start, 1s);
    EXPECT_LT(first.when - start, 2s);
    EXPECT_EQ(threadCount(), threadsBefore + 1);

    Completion second;
    detector.check(path, 1.0, second.callback());
    ASSERT_TRUE(second.wait(500ms)) << "a check of a path in flight answers at once";
    EXPECT_EQ(second.health, std::nullopt);
    EXPECT_EQ(detector.inFlightCount(), 1u);
    EXPECT_EQ(threadCount(), threadsBefore + 1);

    mount.resume();
    ASSERT_TRUE(eventually([&] { return detector.inFlightCount() == 0; }));
    Completion third;
    detector.check(path, 4.0, third.callback());
    ASSERT_TRUE(third.wait());
    EXPECT_EQ(third.health, VolumeHealth::healthy(fsTotal, fsAvailable));
    EXPECT_EQ(first.completions(), 1) << "the late answer must not complete the timed-out check again";
}

TEST(StaleDetector, HangingMountsAreCheckedInParallel)
{
    PausableMount one;
    PausableMount two;
    REQUIRE_MOUNT(one);
    REQUIRE_MOUNT(two);
    StaleDetector detector;
    one.pause();
    two.pause();
    Completion first;
    Completion second;
    detector.check(QString::fromStdString(one.path), 1.0, first.callback());
    detector.check(QString::fromStdString(two.path), 1.0, second.callback());
    EXPECT_EQ(detector.inFlightCount(), 2u);
    ASSERT_TRUE(first.wait());
    ASSERT_TRUE(second.wait());
    EXPECT_EQ(first.health, VolumeHealth::stale());
    EXPECT_EQ(second.health, VolumeHealth::stale());
    one.resume();
    two.resume();
    EXPECT_TRUE(eventually([&] { return detector.inFlightCount() == 0; }));
}

TEST(StaleDetector, MayGoAwayWhileAMountStillHangs)
{
    PausableMount mount;
    REQUIRE_MOUNT(mount);
    Completion done;
    {
        StaleDetector detector;
        mount.pause();
        detector.check(QString::fromStdString(mount.path), 0.5, done.callback());
    }
    ASSERT_TRUE(done.wait());
    EXPECT_EQ(done.health, VolumeHealth::stale());
    const int stuck = threadCount();
    mount.resume();
    // The stuck thread returns into a detector that no longer exists and must simply end.
    EXPECT_TRUE(eventually([&] { return threadCount() < stuck; }));
    EXPECT_EQ(done.completions(), 1);
}
