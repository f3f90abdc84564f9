#include "store/fmt.h"
#include "store/share_status.h"

#include <gtest/gtest.h>

namespace {

const QDateTime noon(QDate(2026, 3, 2), QTime(12, 0), Qt::UTC);

// Clock times are two-digit, twenty-four-hour, in local time.
TEST(Fmt, FiguresTimesAndDistancesReadAsTheBoardPrintsThem)
{
    const QDateTime afternoon = QDateTime(QDate(2026, 3, 2), QTime(14, 2, 7), Qt::LocalTime);
    EXPECT_EQ(Fmt::clock(afternoon.toUTC()), "14:02");
    EXPECT_EQ(Fmt::clockSeconds(afternoon.toUTC()), "14:02:07");
    EXPECT_EQ(Fmt::clock(QDateTime(QDate(2026, 3, 2), QTime(7, 5), Qt::LocalTime)), "07:05");
    EXPECT_EQ(Fmt::ms(9.53), "9.5 ms");
    EXPECT_EQ(Fmt::ms(10.2), "10 ms");
    EXPECT_EQ(Fmt::ms(std::nullopt), "—");
    EXPECT_EQ(Fmt::span(119), "119 s");
    EXPECT_EQ(Fmt::span(600), "10 min");
    EXPECT_EQ(Fmt::span(150), "3 min");
    const std::pair<int, const char*> countdowns[] {{59, "in 59s"}, {60, "in 1m"}, {-30, "in 0s"}, {0, "in 0s"},
        {3599, "in 59m"}},
        relatives[] {{-10, "just now"}, {-59, "just now"}, {-60, "1 min. ago"}, {-7200, "2 hr. ago"},
            {-86400 * 3, "3 days ago"}, {-86400, "1 day ago"}, {600, "in 10 min."}};
    for (const auto& [secondsAhead, text] : countdowns)
        EXPECT_EQ(Fmt::countdown(noon.addSecs(secondsAhead), noon), text) << secondsAhead;
    EXPECT_EQ(Fmt::countdown(std::nullopt, noon), "soon");
    for (const auto& [secondsAhead, text] : relatives)
        EXPECT_EQ(Fmt::relative(noon.addSecs(secondsAhead), noon), text) << secondsAhead;
}

TEST(ShareStatus, RetryingCountsDownAndOnlyTroubleNeedsAttention)
{
    using K = ShareStatus::Kind;
    EXPECT_EQ(ShareStatus::waiting(noon.addSecs(42)).caption(noon), "RETRY IN 42S");
    EXPECT_EQ(ShareStatus::waiting(std::nullopt).caption(noon), "RETRY SOON");
    EXPECT_EQ(ShareStatus::failed(std::nullopt).label(), "Couldn’t connect");
    for (const ShareStatus& status : {ShareStatus::waiting(std::nullopt), ShareStatus::failed(std::nullopt),
             ShareStatus::of(K::serverDown), ShareStatus::of(K::stale)})
        EXPECT_TRUE(status.needsAttention()) << status.label().toStdString();
    for (const K kind : {K::connected, K::connecting, K::idle})
        EXPECT_FALSE(ShareStatus::of(kind).needsAttention()) << ShareStatus::of(kind).label().toStdString();
    EXPECT_NE(ShareStatus::failed(QString("a")), ShareStatus::failed(QString("b")));
}

} // namespace
