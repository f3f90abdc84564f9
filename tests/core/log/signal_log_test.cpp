#include "log/signal_log.h"

#include <gtest/gtest.h>

namespace {

using Kind = ActivityEvent::Kind;
using SignalLog::Filter;
using SignalLog::Marker;

const QDateTime now = QDateTime(QDate(2026, 3, 29), QTime(12, 0), Qt::UTC);

ActivityEvent entry(const QDateTime& date, Kind kind = Kind::info, const char* message = "")
{
    return {QUuid::createUuid(), date, kind, std::nullopt, QString::fromUtf8(message)};
}

std::vector<QString> messages(const std::vector<ActivityEvent>& events)
{
    std::vector<QString> texts;
    for (const ActivityEvent& e : events)
        texts.push_back(e.message);
    return texts;
}

TEST(SignalLog, EveryKindHasItsMarkerAndFilters)
{
    struct Row {
        Kind kind;
        Marker marker;
        bool drops, recoveries, changes;
    };
    const std::vector<Row> table {
        {Kind::mounted, Marker::recover, false, true, true},
        {Kind::unmounted, Marker::info, false, false, true},
        {Kind::dropped, Marker::drop, true, false, false},
        {Kind::recovered, Marker::recover, false, true, false},
        {Kind::failed, Marker::drop, true, false, false},
        {Kind::serverDown, Marker::drop, true, false, false},
        {Kind::serverUp, Marker::recover, false, true, false},
        {Kind::profile, Marker::info, false, false, true},
        {Kind::info, Marker::info, false, false, true},
    };
    ASSERT_EQ(table.size(), allActivityKinds().size());
    for (const Row& row : table) {
        EXPECT_EQ(SignalLog::marker(row.kind), row.marker) << toRaw(row.kind).toStdString();
        EXPECT_TRUE(SignalLog::includes(Filter::all, row.kind));
        EXPECT_EQ(SignalLog::includes(Filter::drops, row.kind), row.drops);
        EXPECT_EQ(SignalLog::includes(Filter::recoveries, row.kind), row.recoveries);
        EXPECT_EQ(SignalLog::includes(Filter::changes, row.kind), row.changes);
        EXPECT_EQ(activityKindFromRaw(toRaw(row.kind)), row.kind);
    }
    EXPECT_EQ(SignalLog::glyph(Marker::drop), QStringLiteral("▼"));
    EXPECT_EQ(SignalLog::glyph(Marker::recover), QStringLiteral("▲"));
    EXPECT_EQ(SignalLog::glyph(Marker::info), QStringLiteral("·"));
    EXPECT_EQ(SignalLog::filterFromRaw(QStringLiteral("Recoveries")), Filter::recoveries);
}

TEST(SignalLog, RetentionFromDays)
{
    EXPECT_EQ(LogRetention::days(0), LogRetention(500, std::nullopt));
    EXPECT_EQ(LogRetention::days(-5), LogRetention(500, std::nullopt));
    EXPECT_EQ(LogRetention::days(7), LogRetention(500, 604800.0));
    EXPECT_EQ(LogRetention(0, std::nullopt).maxEntries, 1);
    EXPECT_EQ(LogRetention(-3, 5.0).maxEntries, 1);
}

TEST(SignalLog, PruningKeepsTheAgeBoundaryAndSortsNewestFirst)
{
    const LogRetention month = LogRetention::days(30);
    const std::vector<ActivityEvent> events {
        entry(now.addSecs(-30 * 86400), Kind::info, "exactly at the limit"),
        entry(now.addSecs(60), Kind::info, "future"),
        entry(now.addSecs(-30 * 86400 - 1), Kind::info, "a second too old"),
        entry(now.addSecs(-10), Kind::info, "recent"),
    };
    EXPECT_EQ(messages(SignalLog::prune(events, month, now)),
        (std::vector<QString> {"future", "recent", "exactly at the limit"}));
    EXPECT_EQ(messages(SignalLog::prune(events, LogRetention::days(0), now)),
        (std::vector<QString> {"future", "recent", "exactly at the limit", "a second too old"}));
    EXPECT_EQ(messages(SignalLog::prune(events, LogRetention(2, std::nullopt), now)),
        (std::vector<QString> {"future", "recent"}));
}

TEST(SignalLog, InsertingKeepsTheNewestFiveHundred)
{
    std::vector<ActivityEvent> events;
    for (int i = 0; i < 500; ++i)
        events = SignalLog::insert(entry(now.addSecs(i), Kind::info, "old"), events, LogRetention::days(0), now);
    const QDateTime oldest = events.back().date;
    events = SignalLog::insert(entry(now.addSecs(1000), Kind::info, "new"), events, LogRetention::days(0), now);
    ASSERT_EQ(events.size(), 500u);
    EXPECT_EQ(events.front().message, QStringLiteral("new"));
    EXPECT_GT(events.back().date, oldest);
}

TEST(SignalLog, InsertedEntryGoesAheadOfEqualDatesAndBehindNewerOnes)
{
    const std::vector<ActivityEvent> events {entry(now.addSecs(5), Kind::info, "later"), entry(now, Kind::info, "same")};
    EXPECT_EQ(messages(SignalLog::insert(entry(now, Kind::info, "new"), events, LogRetention::days(0), now)),
        (std::vector<QString> {"later", "new", "same"}));
    const std::vector<ActivityEvent> unsorted {events[1], events[0]};
    EXPECT_EQ(messages(SignalLog::insert(entry(now, Kind::info, "new"), unsorted, LogRetention::days(0), now)),
        (std::vector<QString> {"later", "new", "same"}));
}

TEST(SignalLog, GroupsByCalendarDayOfTheGivenZone)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    // The clocks went forward in Berlin on this day; local midnight is 23:00 UTC the day before.
    const auto local = [&](int day, int h, int m) { return QDateTime(QDate(2026, 3, day), QTime(h, m), berlin).toUTC(); };
    const std::vector<ActivityEvent> events {entry(local(28, 23, 59), Kind::info, "yesterday"),
        entry(local(29, 8, 0), Kind::info, "morning"), entry(local(29, 0, 1), Kind::info, "after midnight")};
    const auto days = SignalLog::byDay(events, berlin);
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].start, QDateTime(QDate(2026, 3, 29), QTime(0, 0), berlin));
    EXPECT_EQ(messages(days[0].events), (std::vector<QString> {"morning", "after midnight"}));
    EXPECT_EQ(messages(days[1].events), (std::vector<QString> {"yesterday"}));
    EXPECT_EQ(SignalLog::byDay(events, QTimeZone::utc()).size(), 2u);
    EXPECT_TRUE(SignalLog::byDay({}, berlin).empty());
}

TEST(SignalLog, CountsDropsAndRecoveriesButNotChanges)
{
    const std::vector<ActivityEvent> events {entry(now, Kind::dropped), entry(now, Kind::failed),
        entry(now, Kind::mounted), entry(now, Kind::profile), entry(now, Kind::serverUp)};
    EXPECT_EQ(SignalLog::counts(events), (SignalLog::Counts {2, 2}));
}

} // namespace
