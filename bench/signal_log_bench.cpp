// The signal log's insert, prune and save at a size far beyond the 500 entries the store keeps.
#include "log/activity_encoder.h"
#include "log/signal_log.h"
#include "platform/atomic_file.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int entries = 20000;
const QDateTime start = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);

ActivityEvent entryAt(qint64 seconds)
{
    return {QUuid::createUuid(), start.addSecs(seconds), ActivityEvent::Kind::info, std::nullopt, QStringLiteral("x")};
}

// 20 000 inserts, one a minute, into a log that keeps everything, like a retention of "no limit" without the cap.
void insertTwentyThousand(benchmark::State& state)
{
    const LogRetention keepAll(entries, std::nullopt);
    for (auto _ : state) {
        std::vector<ActivityEvent> events;
        for (int i = 0; i < entries; ++i)
            events = SignalLog::insert(entryAt(i * 60), std::move(events), keepAll, start.addSecs(i * 60));
        benchmark::DoNotOptimize(events);
    }
}

// 20 000 inserts under the default retention: the log never grows beyond 500.
void insertTwentyThousandWithDefaultRetention(benchmark::State& state)
{
    const LogRetention month = LogRetention::days(30);
    for (auto _ : state) {
        std::vector<ActivityEvent> events;
        for (int i = 0; i < entries; ++i)
            events = SignalLog::insert(entryAt(i * 60), std::move(events), month, start.addSecs(i * 60));
        benchmark::DoNotOptimize(events);
    }
}

// One prune of 20 000 entries in random order down to the default retention.
void pruneTwentyThousand(benchmark::State& state)
{
    std::vector<ActivityEvent> events;
    std::mt19937 random(7);
    for (int i = 0; i < entries; ++i)
        events.push_back(entryAt(std::uniform_int_distribution<int>(0, 60 * 86400)(random)));
    const QDateTime now = start.addSecs(60 * 86400);
    for (auto _ : state) {
        auto pruned = SignalLog::prune(events, LogRetention::days(30), now);
        benchmark::DoNotOptimize(pruned);
    }
}

// Writing the whole log file the way the store saves it, from the entries to the bytes on disk.
void saveTwentyThousand(benchmark::State& state)
{
    std::vector<ActivityEvent> events;
    for (int i = 0; i < entries; ++i) {
        ActivityEvent event = entryAt(i * 60);
        event.kind = i % 3 ? ActivityEvent::Kind::mounted : ActivityEvent::Kind::dropped;
        event.shareName = QStringLiteral("Line %1").arg(i % 100);
        event.message = i % 3 ? QStringLiteral("Mounted at /run/user/1000/gvfs/smb-share:server=nas,share=line%1").arg(i % 100)
                              : QStringLiteral("Lost connection to smb://nas.local/Line “%1”").arg(i % 100);
        events.push_back(std::move(event));
    }
    const QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("activity.json"));
    for (auto _ : state) {
        const QByteArray bytes = ActivityEncoder::encode(events);
        if (!AtomicFile::write(path, bytes))
            state.SkipWithError("could not write the log");
    }
}

} // namespace

BENCHMARK(saveTwentyThousand)->Unit(benchmark::kMillisecond);
BENCHMARK(insertTwentyThousand)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(insertTwentyThousandWithDefaultRetention)->Unit(benchmark::kMillisecond);
BENCHMARK(pruneTwentyThousand)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
