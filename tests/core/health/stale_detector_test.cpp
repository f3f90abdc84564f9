#include "health/stale_detector.h"

#include "health/reactor.h"

#include "waiting.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

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

} // namespace

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
