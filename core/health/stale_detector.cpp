#include "health/stale_detector.h"

#include "health/once.h"
#include "health/reactor.h"

#include <QFile>

#include <pthread.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>

struct StaleDetectorState {
    std::mutex lock;
    std::set<QByteArray> inFlight;
};

namespace {

struct Check {
    QByteArray path;
    Once once;
    StaleDetector::Done done;

    void complete(std::optional<VolumeHealth> health)
    {
        once.run([&] {
            auto callback = std::move(done);
            callback(health);
        });
    }
};

} // namespace

StaleDetector::StaleDetector() : shared(std::make_shared<StaleDetectorState>()) {}

std::size_t StaleDetector::inFlightCount() const
{
    std::lock_guard guard(shared->lock);
    return shared->inFlight.size();
}

namespace {

struct ThreadStart {
    std::shared_ptr<Check> check;
    std::weak_ptr<StaleDetectorState> owner;
};

void forget(const std::weak_ptr<StaleDetectorState>& owner, const QByteArray& path)
{
    if (auto detector = owner.lock()) {
        std::lock_guard guard(detector->lock);
        detector->inFlight.erase(path);
    }
}

VolumeHealth healthOf(const struct statfs& stats)
{
    // Linux counts blocks in units of f_frsize; f_bsize is only the preferred transfer size, and
    // they differ on some file systems (FUSE lets the daemon choose both).
    const auto unit = stats.f_frsize > 0 ? static_cast<std::uint64_t>(stats.f_frsize)
                                         : static_cast<std::uint64_t>(std::max<long>(stats.f_bsize, 0));
    return VolumeHealth::fromBlocks(unit, stats.f_blocks, stats.f_bavail);
}

void* runStatfs(void* argument)
{
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
    pthread_setname_np(pthread_self(), "mountwire.stat");
    struct statfs stats {};
    const int result = statfs(start->check->path.constData(), &stats);
    forget(start->owner, start->check->path);
    start->check->complete(result == 0 ? std::optional(healthOf(stats)) : std::nullopt);
    return nullptr;
}

bool startThread(std::unique_ptr<ThreadStart> start)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    const long minimum = sysconf(_SC_THREAD_STACK_MIN);
    const auto size = std::max<std::size_t>(StaleDetector::stackSize, minimum > 0 ? static_cast<std::size_t>(minimum) : 0);
    pthread_attr_setstacksize(&attributes, size);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const bool started = pthread_create(&thread, &attributes, runStatfs, start.get()) == 0;
    pthread_attr_destroy(&attributes);
    if (started)
        start.release();
    return started;
}

} // namespace

void StaleDetector::check(const QString& path, double timeout, Done done)
{
    auto check = std::make_shared<Check>();
    check->path = QFile::encodeName(path);
    check->done = std::move(done);
    Reactor& reactor = Reactor::shared();

    bool already;
    {
        std::lock_guard guard(shared->lock);
        already = !shared->inFlight.insert(check->path).second;
    }
    if (already || check->path.isEmpty() || check->path.contains('\0')) {
        if (!already)
            forget(shared, check->path);
        reactor.post([check] { check->complete(std::nullopt); });
        return;
    }

    if (!startThread(std::make_unique<ThreadStart>(ThreadStart{check, shared}))) {
        forget(shared, check->path);
        reactor.post([check] { check->complete(std::nullopt); });
        return;
    }
    const double seconds = std::isnan(timeout) ? 0.0 : std::clamp(timeout, 0.0, 86400.0);
    reactor.at(Reactor::Clock::now() + std::chrono::duration_cast<Reactor::Clock::duration>(
                                          std::chrono::duration<double>(seconds)),
               [check] { check->complete(VolumeHealth::stale()); });
}
