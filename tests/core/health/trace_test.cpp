#include "health/trace.h"

#include <gtest/gtest.h>

using History = std::vector<std::optional<double>>;

TEST(Trace, RunsSplitAHistoryIntoAnsweredAndSilentStretches)
{
    using Runs = std::vector<Trace::Run>;
    EXPECT_EQ(Trace::runs({}), Runs {});
    EXPECT_EQ(Trace::runs({1.0, 2.0, {}, {}, 3.0}), (Runs {{{0, 2}, true}, {{2, 4}, false}, {{4, 5}, true}}));
    EXPECT_EQ(Trace::runs({0.0, 0.0}), (Runs {{{0, 2}, true}}));
}

TEST(Trace, DropStartIsTheFirstOfTheCurrentSilentChecks)
{
    const std::pair<History, std::optional<int>> cases[] = {
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
        History values;
        double floor;
        History expected;
    } cases[] = {
        {{}, 0.5, {}}, {{{}, {}}, 0.5, {{}, {}}}, {{10.0, 12.0, {}}, 0.5, {0.0, 2.0 / 3.0, {}}},
        {{5.0, 5.0}, 0.5, {0.0, 0.0}}, {{0.0, 0.0}, 0.0, {0.0, 0.0}}, {{1.0, 2.0}, 4.0, {0.0, 0.25}},
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
