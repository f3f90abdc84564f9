#include "log/activity_encoder.h"
#include "log/activity_event.h"
#include "log/signal_log.h"

#include <QJsonDocument>

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

ActivityEvent sample(std::optional<QString> shareName = std::nullopt)
{
    return {QUuid::createUuid(), QDateTime(QDate(2026, 12, 6), QTime(14, 3, 9, 750), Qt::UTC),
        ActivityEvent::Kind::serverDown, shareName, QStringLiteral("“nas” stopped answering")};
}

// The written bytes are the encoder's test.
TEST(ActivityEvent, RoundTripsWithAndWithoutShareName)
{
    EXPECT_FALSE(sample().toJson().contains(u"shareName"));
    for (const std::optional<QString>& name : {std::optional<QString>(), std::optional<QString>("Media")}) {
        ActivityEvent event = sample(name);
        event.date = event.date.addMSecs(-750);
        EXPECT_EQ(ActivityEvent::fromJson(event.toJson()), event);
    }
    QJsonObject entry = sample().toJson();
    entry.insert(QStringLiteral("shareName"), QJsonValue::Null);
    entry.insert(QStringLiteral("date"), QStringLiteral("2026-12-06T14:03:09.250Z"));
    const auto event = ActivityEvent::fromJson(entry);
    ASSERT_TRUE(event);
    EXPECT_FALSE(event->shareName);
    EXPECT_EQ(event->date, QDateTime(QDate(2026, 12, 6), QTime(14, 3, 9, 250), Qt::UTC));
}

TEST(ActivityEvent, UnreadableEntriesMakeTheListUnreadable)
{
    const QJsonObject good = sample("Media").toJson();
    const std::pair<const char*, QJsonValue> broken[] = {{"kind", "exploded"}, {"kind", QJsonValue::Null},
        {"date", "yesterday"}, {"date", 12},
        // Only a date-time in UTC names one instant on every machine.
        {"date", "2026-12-06"}, {"date", "2026-12-06T14:03:09"}, {"date", "2026-12-06T15:03:09+01:00"},
        {"date", "2026-12-06 14:03:09Z"}, {"date", "2026-13-06T14:03:09Z"}, {"date", "２０２６-12-06T14:03:09Z"}, {"id", "1234"}, {"message", 5}, {"shareName", 7}};
    for (const auto& [key, value] : broken) {
        QJsonObject entry = good;
        entry.insert(QLatin1String(key), value);
        EXPECT_FALSE(ActivityEvent::fromJson(entry)) << key;
        EXPECT_FALSE(ActivityJson::fromJson(QJsonArray {good, entry})) << key;
    }
    for (const char* key : {"id", "date", "kind", "message"}) {
        QJsonObject entry = good;
        entry.remove(QLatin1String(key));
        EXPECT_FALSE(ActivityEvent::fromJson(entry)) << key;
    }
    EXPECT_FALSE(ActivityJson::fromJson(QJsonObject {}));
    EXPECT_EQ(ActivityJson::fromJson(QJsonArray {good, good})->size(), 2u);
}

// The file's bytes read back as the same records the general JSON writer gives, for awkward texts and
// dates too; keys in the entry's own order.
TEST(ActivityEncoder, WritesTheSameRecordsAsTheGeneralWriter)
{
    const QDateTime day(QDate(2026, 12, 6), QTime(14, 3, 9, 750), Qt::UTC);
    const QString awkward = QStringLiteral("“q” \"quoted\" back\\slash\ttab\nline\x01\x1f é 🙂");
    const std::vector<ActivityEvent> events {
        {QUuid::createUuid(), day, ActivityEvent::Kind::dropped, QStringLiteral("Media"), QStringLiteral("Lost")},
        {QUuid(), day.addSecs(-86400 * 400).addMSecs(-1), ActivityEvent::Kind::info, std::nullopt, awkward},
        {QUuid::createUuid(), QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 500), Qt::UTC),
            ActivityEvent::Kind::profile, awkward, QString()},
        {QUuid::createUuid(), QDateTime(QDate(2000, 2, 29), QTime(0, 0), Qt::OffsetFromUTC, 3600),
            ActivityEvent::Kind::serverUp, std::nullopt, QStringLiteral("Leap day")},
        {QUuid::createUuid(), QDateTime(QDate(12000, 1, 1), QTime(0, 0), Qt::UTC), ActivityEvent::Kind::mounted,
            std::nullopt, QStringLiteral("Far ahead")},
    };
    const QByteArray bytes = ActivityEncoder::encode(events);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << bytes.toStdString();
    EXPECT_EQ(document.array(), ActivityJson::toJson(events));
    EXPECT_TRUE(bytes.startsWith("[{\"id\":\"" + events[0].id.toString(QUuid::WithoutBraces).toUpper().toLatin1()
        + "\",\"date\":\"2026-12-06T14:03:09Z\",\"kind\":\"dropped\",\"shareName\":\"Media\",\"message\":\"Lost\"},"));
    EXPECT_EQ(ActivityEncoder::encode({}), "[]");
}

} // namespace
