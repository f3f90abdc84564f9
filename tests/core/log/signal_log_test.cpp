#include "log/signal_log.h"

#include <gtest/gtest.h>

namespace {

using Kind = ActivityEvent::Kind;
using SignalLog::Filter;
using SignalLog::Marker;
using Messages = std::vector<QString>;

const QDateTime now = QDateTime(QDate(2026, 3, 29), QTime(12, 0), Qt::UTC);
const LogRetention unlimited = LogRetention::days(0);

ActivityEvent entry(const QDateTime& date, const char* message = "", Kind kind = Kind::info)
{
    return {QUuid::createUuid(), date, kind, std::nullopt, message};
}

Messages messages(const std::vector<ActivityEvent>& events)
{
    Messages texts;
    for (const ActivityEvent& e : events)
        texts.push_back(e.message);
    return texts;
}

// Changes are a list of their own: mounted is both a recovery and a change.
TEST(SignalLog, FiltersFollowTheMarkersExceptChanges)
{
    EXPECT_TRUE(SignalLog::includes(Filter::changes, Kind::mounted));
    EXPECT_TRUE(SignalLog::includes(Filter::recoveries, Kind::mounted));
    EXPECT_FALSE(SignalLog::includes(Filter::changes, Kind::dropped));
    EXPECT_TRUE(SignalLog::includes(Filter::drops, Kind::serverDown));
    for (Kind kind : allActivityKinds()) {
        EXPECT_TRUE(SignalLog::includes(Filter::all, kind));
        EXPECT_EQ(SignalLog::includes(Filter::drops, kind), SignalLog::marker(kind) == Marker::drop);
        EXPECT_EQ(activityKindFromRaw(toRaw(kind)), kind);
    }
    for (Filter filter : SignalLog::allFilters())
        EXPECT_EQ(SignalLog::filterFromRaw(SignalLog::toRaw(filter)), filter);
}

// Below one day there is no age limit, and at least one entry is kept.
TEST(SignalLog, PruningKeepsTheAgeBoundaryAndSortsNewestFirst)
{
    EXPECT_EQ(LogRetention::days(-5), LogRetention(500, std::nullopt));
    EXPECT_EQ(LogRetention(-3, 5.0).maxEntries, 1);
    const std::vector<ActivityEvent> events {entry(now.addSecs(-30 * 86400), "exactly at the limit"),
        entry(now.addSecs(60), "future"), entry(now.addSecs(-30 * 86400 - 1), "a second too old"),
        entry(now.addSecs(-10), "recent")};
    EXPECT_EQ(messages(SignalLog::prune(events, LogRetention::days(30), now)),
        (Messages {"future", "recent", "exactly at the limit"}));
    EXPECT_EQ(messages(SignalLog::prune(events, unlimited, now)),
        (Messages {"future", "recent", "exactly at the limit", "a second too old"}));
    EXPECT_EQ(messages(SignalLog::prune(events, LogRetention(2, std::nullopt), now)), (Messages {"future", "recent"}));
    EXPECT_EQ(messages(SignalLog::prune(events, LogRetention(0, std::nullopt), now)), (Messages {"future"}));
}

TEST(SignalLog, InsertingKeepsTheNewestFiveHundredAndPutsANewEntryAheadOfEqualDates)
{
    std::vector<ActivityEvent> events;
    for (int i = 0; i < 500; ++i)
        events = SignalLog::insert(entry(now.addSecs(i), "old"), events, unlimited, now);
    const QDateTime oldest = events.back().date;
    events = SignalLog::insert(entry(now.addSecs(1000), "new"), events, unlimited, now);
    ASSERT_EQ(events.size(), 500u);
    EXPECT_EQ(events.front().message, QStringLiteral("new"));
    EXPECT_GT(events.back().date, oldest);

    const std::vector<ActivityEvent> sorted {entry(now.addSecs(5), "later"), entry(now, "same")};
    for (const auto& list : {sorted, {sorted[1], sorted[0]}})
        EXPECT_EQ(messages(SignalLog::insert(entry(now, "new"), list, unlimited, now)), (Messages {"later", "new", "same"}));
}

TEST(SignalLog, GroupsByCalendarDayOfTheGivenZone)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    // The clocks went forward in Berlin on this day; local midnight is 23:00 UTC the day before.
    const auto local = [&](int day, int h, int m) {
        return QDateTime(QDate(2026, 3, day), QTime(h, m), berlin).toUTC();
    };
    const std::vector<ActivityEvent> events {entry(local(28, 23, 59), "yesterday"), entry(local(29, 8, 0), "morning"),
        entry(local(29, 0, 1), "after midnight")};
    const auto days = SignalLog::byDay(events, berlin);
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].start, QDateTime(QDate(2026, 3, 29), QTime(0, 0), berlin));
    EXPECT_EQ(messages(days[0].events), (Messages {"morning", "after midnight"}));
    EXPECT_EQ(messages(days[1].events), (Messages {"yesterday"}));
    EXPECT_EQ(SignalLog::byDay(events, QTimeZone::utc()).size(), 2u);
    EXPECT_TRUE(SignalLog::byDay({}, berlin).empty());
}

TEST(SignalLog, CountsDropsAndRecoveriesButNotChanges)
{
    const std::vector<ActivityEvent> events {entry(now, "", Kind::dropped), entry(now, "", Kind::failed),
        entry(now, "", Kind::mounted), entry(now, "", Kind::profile), entry(now, "", Kind::serverUp)};
    EXPECT_EQ(SignalLog::counts(events), (SignalLog::Counts {2, 2}));
}

} // namespace
