#include "log/activity_encoder.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

namespace {

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
