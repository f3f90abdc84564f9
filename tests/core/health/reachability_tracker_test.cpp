#include "health/reachability_tracker.h"

#include <gtest/gtest.h>

namespace {

const QDateTime epoch = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);

QDateTime at(int second)
{
    return epoch.addSecs(second);
}

using Verdicts = std::vector<std::optional<bool>>;

Verdicts replay(ReachabilityTracker& tracker, const std::vector<std::optional<double>>& results)
{
    Verdicts changes;
    int second = 0;
    for (const auto& ms : results)
        changes.push_back(tracker.record(ms, at(second++)));
    return changes;
}

} // namespace

TEST(ReachabilityTracker, VerdictChangesOnlyWhenServerCrossesTheThreshold)
{
    struct Case {
        std::int64_t threshold;
        std::vector<std::optional<double>> results;
        Verdicts expected;
    };
    const std::vector<Case> cases{
        {2, {5.0, {}, {}, {}, 7.0}, {true, {}, false, {}, true}},
        {0, {5.0, {}}, {true, false}},
        {1, {5.0, {}}, {true, false}},
        {-3, {5.0, {}}, {true, false}},
        {2, {{}}, {{}}},
        {2, {{}, {}}, {{}, false}},
        {1, {{}}, {false}},
        {3, {4.0, {}, {}, 4.0, {}, {}, {}}, {true, {}, {}, {}, {}, {}, false}},
    };
    for (const Case& c : cases) {
        ReachabilityTracker tracker(c.threshold, 40);
        EXPECT_EQ(replay(tracker, c.results), c.expected) << "threshold " << c.threshold;
    }
}

TEST(ReachabilityTracker, OneAnswerBringsAServerBackAndClearsTheFailureCount)
{
    ReachabilityTracker tracker(2, 40);
    replay(tracker, {{}, {}, {}});
    EXPECT_EQ(tracker.consecutiveFailures(), 3);
    EXPECT_EQ(tracker.reachable(), false);
    EXPECT_EQ(tracker.record(12.5, at(9)), true);
    EXPECT_EQ(tracker.consecutiveFailures(), 0);
    EXPECT_EQ(tracker.reachable(), true);
}

TEST(ReachabilityTracker, KeepsOnlyTheNewestChecksOfItsHistoryLimit)
{
    ReachabilityTracker tracker(2, 40);
    for (int i = 1; i <= 41; ++i)
        tracker.record(double(i), at(i));
    ASSERT_EQ(tracker.samples().size(), 40u);
    EXPECT_EQ(tracker.samples().front(), (LatencySample{at(2), 2.0}));
    EXPECT_EQ(tracker.samples().back(), (LatencySample{at(41), 41.0}));

    tracker.historyLimit = 3;
    tracker.record({}, at(42));
    EXPECT_EQ(tracker.history(), (std::vector<std::optional<double>>{40.0, 41.0, {}}));
}

TEST(ReachabilityTracker, WithoutHistoryStillKeepsAVerdict)
{
    ReachabilityTracker tracker(1, 0);
    EXPECT_EQ(tracker.record(3.0, at(0)), true);
    EXPECT_EQ(tracker.record({}, at(1)), false);
    EXPECT_TRUE(tracker.samples().empty());
    EXPECT_EQ(tracker.lastLatency(), std::nullopt);
}

TEST(ReachabilityTracker, LatencyFiguresIgnoreUnansweredChecks)
{
    struct Case {
        std::vector<std::optional<double>> results;
        std::optional<double> last;
        std::optional<double> average;
    };
    const std::vector<Case> cases{
        {{}, {}, {}},
        {{10.0, {}, 20.0}, 20.0, 15.0},
        {{{}, {}}, {}, {}},
        {{10.0, {}}, {}, 10.0},
    };
    for (const Case& c : cases) {
        ReachabilityTracker tracker(2, 40);
        replay(tracker, c.results);
        EXPECT_EQ(tracker.lastLatency(), c.last);
        EXPECT_EQ(tracker.averageLatency(), c.average);
    }
}
