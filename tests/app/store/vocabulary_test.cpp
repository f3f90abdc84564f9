#include "store/fmt.h"
#include "store/manager_page.h"
#include "store/motion.h"
#include "store/share_status.h"

#include <gtest/gtest.h>

namespace {

const QDateTime noon(QDate(2026, 3, 2), QTime(12, 0), Qt::UTC);

TEST(Fmt, FiguresAndDistancesReadAsTheBoardPrintsThem)
{
    EXPECT_EQ(Fmt::ms(9.53), "9.5 ms");
    EXPECT_EQ(Fmt::ms(10.2), "10 ms");
    EXPECT_EQ(Fmt::ms(std::nullopt), "—");
    EXPECT_EQ(Fmt::span(119), "119 s");
    EXPECT_EQ(Fmt::span(600), "10 min");
    EXPECT_EQ(Fmt::span(150), "3 min");
    struct Case {
        int secondsAhead;
        const char* text;
    };
    for (const Case& c : {Case {59, "in 59s"}, Case {60, "in 1m"}, Case {-30, "in 0s"}, Case {0, "in 0s"},
             Case {3599, "in 59m"}}) {
        EXPECT_EQ(Fmt::countdown(noon.addSecs(c.secondsAhead), noon), c.text) << c.secondsAhead;
    }
    EXPECT_EQ(Fmt::countdown(std::nullopt, noon), "soon");
    for (const Case& c : {Case {-10, "just now"}, Case {-59, "just now"}, Case {-60, "1 min. ago"},
             Case {-7200, "2 hr. ago"}, Case {-86400 * 3, "3 days ago"}, Case {-86400, "1 day ago"},
             Case {600, "in 10 min."}}) {
        EXPECT_EQ(Fmt::relative(noon.addSecs(c.secondsAhead), noon), c.text) << c.secondsAhead;
    }
}

TEST(Fmt, ClockTimesAreTwoDigitTwentyFourHourInLocalTime)
{
    const QDateTime afternoon = QDateTime(QDate(2026, 3, 2), QTime(14, 2, 7), Qt::LocalTime);
    EXPECT_EQ(Fmt::clock(afternoon.toUTC()), "14:02");
    EXPECT_EQ(Fmt::clockSeconds(afternoon.toUTC()), "14:02:07");
    EXPECT_EQ(Fmt::clock(QDateTime(QDate(2026, 3, 2), QTime(7, 5), Qt::LocalTime)), "07:05");
}

TEST(ShareStatus, EveryStatusHasItsLabelAndCaption)
{
    using K = ShareStatus::Kind;
    struct Case {
        ShareStatus status;
        const char* label;
        const char* caption;
        bool attention;
    };
    const Case cases[] {
        {ShareStatus::waiting(noon.addSecs(42)), "Retrying", "RETRY IN 42S", true},
        {ShareStatus::waiting(std::nullopt), "Retrying", "RETRY SOON", true},
        {ShareStatus::failed(std::nullopt), "Couldn’t connect", "FAILED", true},
        {ShareStatus::of(K::connected), "Connected", "LIVE", false},
        {ShareStatus::of(K::connecting), "Connecting…", "CONNECTING", false},
        {ShareStatus::of(K::serverDown), "Server offline", "SERVER DOWN", true},
        {ShareStatus::of(K::stale), "Not responding", "NOT RESPONDING", true},
        {ShareStatus::of(K::idle), "Not mounted", "NOT MOUNTED", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.status.label(), c.label);
        EXPECT_EQ(c.status.caption(noon), c.caption);
        EXPECT_EQ(c.status.needsAttention(), c.attention) << c.label;
    }
    EXPECT_NE(ShareStatus::failed(QString("a")), ShareStatus::failed(QString("b")));
}

TEST(ManagerPage, PagesRoundTripTheirNamesInSidebarOrder)
{
    QStringList titles;
    for (ManagerPage page : allManagerPages) {
        EXPECT_EQ(managerPageFromRaw(toRaw(page)), page);
        EXPECT_FALSE(symbol(page).isEmpty());
        titles << title(page);
    }
    EXPECT_EQ(titles, (QStringList {"Lines", "Routes", "Signal Log", "Settings"}));
    EXPECT_FALSE(managerPageFromRaw("Lines"));
}

TEST(Motion, ReduceMotionTurnsEverySpringIntoTheFade)
{
    EXPECT_EQ(resolved(Motion::spring, true), Motion::fade);
    EXPECT_EQ(resolved(Motion::snappy, false), Motion::snappy);
    EXPECT_EQ(spec(Motion::fade).response, 0.18);
}

} // namespace
