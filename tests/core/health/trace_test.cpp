#include "health/trace.h"

#include <gtest/gtest.h>

namespace {

using History = std::vector<std::optional<double>>;

const QDateTime epoch = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);

std::vector<LatencySample> samplesOf(const History& history)
{
    std::vector<LatencySample> samples;
    for (std::size_t i = 0; i < history.size(); ++i)
        samples.push_back(LatencySample{epoch.addSecs(qint64(i)), history[i]});
    return samples;
}

} // namespace

TEST(Trace, RunsSplitAHistoryIntoAnsweredAndSilentStretches)
{
    using Trace::IndexRange;
    using Trace::Run;
    struct Case {
        History history;
        std::vector<Run> expected;
    };
    const std::vector<Case> cases{
        {{}, {}},
        {{1.0, 2.0, {}, {}, 3.0}, {{IndexRange{0, 2}, true}, {IndexRange{2, 4}, false}, {IndexRange{4, 5}, true}}},
        {{{}}, {{IndexRange{0, 1}, false}}},
        {{0.0, 0.0}, {{IndexRange{0, 2}, true}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Trace::runs(c.history), c.expected);
}

TEST(Trace, DropStartIsTheFirstOfTheCurrentSilentChecks)
{
    struct Case {
        History history;
        std::optional<std::size_t> expectedIndex;
    };
    const std::vector<Case> cases{
        {{}, {}},
        {{5.0, {}, {}}, 1},
        {{{}, {}}, 0},
        {{{}, 5.0}, {}},
        {{{}, 5.0, {}, 6.0, {}}, 4},
    };
    for (const Case& c : cases) {
        const auto samples = samplesOf(c.history);
        std::optional<QDateTime> expected;
        if (c.expectedIndex)
            expected = samples[*c.expectedIndex].date;
        EXPECT_EQ(Trace::dropStart(samples), expected);
    }
}

TEST(Trace, NormalizedKeepsFlatHistoriesFlat)
{
    struct Case {
        History values;
        double floor;
        History expected;
    };
    const std::vector<Case> cases{
        {{}, 0.5, {}},
        {{{}, {}}, 0.5, {{}, {}}},
        {{10.0, 12.0, {}}, 0.5, {0.0, 2.0 / 3.0, {}}},
        {{5.0, 5.0}, 0.5, {0.0, 0.0}},
        {{0.0, 0.0}, 0.0, {0.0, 0.0}},
        {{1.0, 2.0}, 4.0, {0.0, 0.25}},
        {{2.0, 102.0}, 0.5, {0.0, 1.0}},
    };
    for (const Case& c : cases) {
        const History got = Trace::normalized(c.values, c.floor);
        ASSERT_EQ(got.size(), c.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i].has_value(), c.expected[i].has_value()) << i;
            if (got[i]) {
                EXPECT_NEAR(*got[i], *c.expected[i], 1e-9) << i;
            }
        }
    }
}
