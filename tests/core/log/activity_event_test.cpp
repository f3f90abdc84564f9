#include "log/activity_encoder.h"
#include "log/activity_event.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

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
