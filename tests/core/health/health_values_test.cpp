#include "health/reachability_tracker.h"
#include "health/trace.h"
#include "health/volume_health.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

using Results = std::vector<std::optional<double>>;
using Verdicts = std::vector<std::optional<bool>>;

QDateTime at(int second)
{
    return QDateTime::fromSecsSinceEpoch(1'700'000'000 + second, Qt::UTC);
}

Verdicts replay(ReachabilityTracker& tracker, const Results& results)
{
    Verdicts changes;
    for (const auto& ms : results)
        changes.push_back(tracker.record(ms, at(int(changes.size()))));
    return changes;
}

TEST(ReachabilityTracker, VerdictChangesOnlyWhenAServerCrossesTheThreshold)
{
    const std::tuple<std::int64_t, Results, Verdicts> cases[] = {
        {2, {5.0, {}, {}, {}, 7.0}, {true, {}, false, {}, true}}, {0, {5.0, {}}, {true, false}},
        {1, {5.0, {}}, {true, false}}, {-3, {5.0, {}}, {true, false}}, {2, {{}, {}}, {{}, false}}, {1, {{}}, {false}},
        {3, {4.0, {}, {}, 4.0, {}, {}, {}}, {true, {}, {}, {}, {}, {}, false}},
    };
    for (const auto& [threshold, results, expected] : cases) {
        ReachabilityTracker tracker(threshold, 40);
        EXPECT_EQ(replay(tracker, results), expected) << "threshold " << threshold;
    }
}

TEST(ReachabilityTracker, KeepsOnlyTheNewestChecksAndAVerdictEvenWithoutHistory)
{
    ReachabilityTracker tracker(2, 40);
    for (int i = 1; i <= 41; ++i)
        tracker.record(double(i), at(i));
    ASSERT_EQ(tracker.samples().size(), 40u);
    EXPECT_EQ(tracker.samples().front(), (LatencySample{at(2), 2.0}));
    EXPECT_EQ(tracker.samples().back(), (LatencySample{at(41), 41.0}));

    tracker.historyLimit = 0;
    tracker.failuresToMarkDown = 1;
    EXPECT_EQ(tracker.record({}, at(42)), false);
    EXPECT_TRUE(tracker.samples().empty());
    EXPECT_EQ(tracker.consecutiveFailures(), 1);
}

TEST(ReachabilityTracker, LatencyFiguresIgnoreUnansweredChecks)
{
    const std::tuple<Results, std::optional<double>, std::optional<double>> cases[] = {
        {{}, {}, {}}, {{10.0, {}, 20.0}, 20.0, 15.0}, {{{}, {}}, {}, {}}, {{10.0, {}}, {}, 10.0}};
    for (const auto& [results, last, average] : cases) {
        ReachabilityTracker tracker(2, 40);
        replay(tracker, results);
        EXPECT_EQ(tracker.history(), results);
        EXPECT_EQ(std::tuple(tracker.lastLatency(), tracker.averageLatency()), std::tuple(last, average));
    }
}

// Runs split a history into answered and silent stretches; a drop starts at the first of the current silent ones.
TEST(Trace, RunsAndTheDropStartFollowTheSilentChecks)
{
    using Runs = std::vector<Trace::Run>;
    EXPECT_EQ(Trace::runs({}), Runs {});
    EXPECT_EQ(Trace::runs({1.0, 2.0, {}, {}, 3.0}), (Runs {{{0, 2}, true}, {{2, 4}, false}, {{4, 5}, true}}));
    EXPECT_EQ(Trace::runs({0.0, 0.0}), (Runs {{{0, 2}, true}}));
    const std::pair<Results, std::optional<int>> cases[] = {
        {{}, {}}, {{5.0, {}, {}}, 1}, {{{}, {}}, 0}, {{{}, 5.0}, {}}, {{{}, 5.0, {}, 6.0, {}}, 4},
    };
    for (const auto& [history, first] : cases) {
        std::vector<LatencySample> samples;
        for (const auto& ms : history)
            samples.push_back({QDateTime::fromSecsSinceEpoch(qint64(samples.size()), Qt::UTC), ms});
        EXPECT_EQ(Trace::dropStart(samples), first ? std::optional(samples[std::size_t(*first)].date) : std::nullopt);
    }
}

TEST(Trace, NormalizedKeepsFlatHistoriesFlat)
{
    const struct {
        Results values;
        double floor;
        Results expected;
    } cases[] = {
        {{}, 0.5, {}}, {{{}, {}}, 0.5, {{}, {}}}, {{10.0, 12.0, {}}, 0.5, {0.0, 2.0 / 3.0, {}}},
        {{5.0, 5.0}, 0.5, {0.0, 0.0}}, {{0.0, 0.0}, 0.0, {0.0, 0.0}}, {{1.0, 2.0}, 4.0, {0.0, 0.25}},
        {{2.0, 102.0}, 0.5, {0.0, 1.0}},
    };
    for (const auto& [values, floor, expected] : cases) {
        const Results got = Trace::normalized(values, floor);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i].has_value(), expected[i].has_value()) << i;
            EXPECT_NEAR(got[i].value_or(0), expected[i].value_or(0), 1e-9) << i;
        }
    }
}

TEST(VolumeHealth, SizesAreBlockCountsTimesBlockSizeAndSaturate)
{
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    constexpr std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
    const std::tuple<std::uint64_t, std::uint64_t, std::uint64_t, std::int64_t, std::int64_t> cases[] = {
        {4096, 1000, 250, 4'096'000, 1'024'000},
        {0, 1000, 250, 0, 0},
        {1u << 20, std::uint64_t(1) << 43, 1, max, 1u << 20},
        {huge, 2, 1, max, max},
        {1, std::uint64_t(max), std::uint64_t(max) + 1, max, max},
    };
    for (const auto& [blockSize, blocks, available, total, free] : cases)
        EXPECT_EQ(VolumeHealth::fromBlocks(blockSize, blocks, available), VolumeHealth::healthy(total, free));
    EXPECT_NE(VolumeHealth::stale(), VolumeHealth::healthy(0, 0));
}

} // namespace
