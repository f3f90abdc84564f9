#include "health/trace.h"

#include <gtest/gtest.h>

using History = std::vector<std::optional<double>>;

TEST(Trace, RunsSplitAHistoryIntoAnsweredAndSilentStretches)
{
    using Trace::Run;
    EXPECT_EQ(Trace::runs({}), std::vector<Run>{});
    EXPECT_EQ(Trace::runs({1.0, 2.0, {}, {}, 3.0}),
              (std::vector<Run>{{{0, 2}, true}, {{2, 4}, false}, {{4, 5}, true}}));
    EXPECT_EQ(Trace::runs({0.0, 0.0}), (std::vector<Run>{{{0, 2}, true}}));
}

TEST(Trace, DropStartIsTheFirstOfTheCurrentSilentChecks)
{
    const struct {
        History history;
        std::optional<int> expected;
    } cases[] = {
        {{}, {}}, {{5.0, {}, {}}, 1}, {{{}, {}}, 0}, {{{}, 5.0}, {}}, {{{}, 5.0, {}, 6.0, {}}, 4},
    };
    for (const auto& c : cases) {
        std::vector<LatencySample> samples;
        for (const auto& ms : c.history)
            samples.push_back({QDateTime::fromSecsSinceEpoch(qint64(samples.size()), Qt::UTC), ms});
        const auto expected = c.expected ? std::optional(samples[std::size_t(*c.expected)].date) : std::nullopt;
        EXPECT_EQ(Trace::dropStart(samples), expected);
    }
}

TEST(Trace, NormalizedKeepsFlatHistoriesFlat)
{
    const struct {
        History values;
        double floor;
        History expected;
    } cases[] = {
        {{}, 0.5, {}},
        {{{}, {}}, 0.5, {{}, {}}},
        {{10.0, 12.0, {}}, 0.5, {0.0, 2.0 / 3.0, {}}},
        {{5.0, 5.0}, 0.5, {0.0, 0.0}},
        {{0.0, 0.0}, 0.0, {0.0, 0.0}},
        {{1.0, 2.0}, 4.0, {0.0, 0.25}},
        {{2.0, 102.0}, 0.5, {0.0, 1.0}},
    };
    for (const auto& c : cases) {
        const History got = Trace::normalized(c.values, c.floor);
        ASSERT_EQ(got.size(), c.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i].has_value(), c.expected[i].has_value()) << i;
            EXPECT_NEAR(got[i].value_or(0), c.expected[i].value_or(0), 1e-9) << i;
        }
    }
}
