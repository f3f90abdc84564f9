#include "health/reachability_tracker.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(ReachabilityTracker, VerdictChangesOnlyWhenAServerCrossesTheThreshold)
{
    const struct {
        std::int64_t threshold;
        Results results;
        Verdicts expected;
    } cases[] = {
        {2, {5.0, {}, {}, {}, 7.0}, {true, {}, false, {}, true}}, {0, {5.0, {}}, {true, false}},
        {1, {5.0, {}}, {true, false}}, {-3, {5.0, {}}, {true, false}}, {2, {{}, {}}, {{}, false}}, {1, {{}}, {false}},
        {3, {4.0, {}, {}, 4.0, {}, {}, {}}, {true, {}, {}, {}, {}, {}, false}},
    };
    for (const auto& c : cases) {
        ReachabilityTracker tracker(c.threshold, 40);
        EXPECT_EQ(replay(tracker, c.results), c.expected) << "threshold " << c.threshold;
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
    const struct {
        Results results;
        std::optional<double> last, average;
    } cases[] = {{{}, {}, {}}, {{10.0, {}, 20.0}, 20.0, 15.0}, {{{}, {}}, {}, {}}, {{10.0, {}}, {}, 10.0}};
    for (const auto& c : cases) {
        ReachabilityTracker tracker(2, 40);
        replay(tracker, c.results);
        EXPECT_EQ(tracker.history(), c.results);
        EXPECT_EQ(std::tuple(tracker.lastLatency(), tracker.averageLatency()), std::tuple(c.last, c.average));
    }
}
