#include "views/signal_log_page.h"

#include "app/views/page_rig.h"
#include "views/tab_strip.h"

#include <QPushButton>

#include <gtest/gtest.h>

namespace {

using Kind = ActivityEvent::Kind;
using Filter = SignalLog::Filter;

struct LogRig : StoreRig {
    QLocale before;
    std::unique_ptr<SignalLogPage> page;

    LogRig()
    {
        // Day titles are in the user's locale; these tests read them in US English.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // Monday 2 March, 10:00 local time, so the day boundaries are the local ones whatever the zone.
        clock = QDateTime(QDate(2026, 3, 2), QTime(10, 0)).toUTC();
        started();
        page = std::make_unique<SignalLogPage>(*store);
        page->show();
    }
    ~LogRig() { QLocale::setDefault(before); }

    // At `local` time, or now.
    void log(Kind kind, std::optional<QString> share = QStringLiteral("Studio"), std::optional<QDateTime> local = {})
    {
        const QDateTime now = clock;
        clock = local.value_or(now).toUTC();
        store->log(kind, share, toRaw(kind));
        clock = now;
        settle();
    }

    // A local time on a day of March 2026; 0 and below reach back into February.
    static QDateTime local(int day, int hour, int minute)
    {
        return QDateTime(QDate(2026, 3, 1).addDays(day - 1), QTime(hour, minute));
    }

    // Each row of a day as "title time".
    std::string rows(int day) const
    {
        return PageRig::joined(page->rows(day), [](const LogRow* row) { return row->title() + u' ' + row->time(); });
    }
};

TEST(SignalLogPage, EntriesAreGroupedUnderTodayYesterdayAndPlainDatesAndTheFilterTabsNarrowThem)
{
    LogRig rig;
    rig.log(Kind::mounted, QStringLiteral("Archive"), LogRig::local(-2, 8, 0));
    rig.log(Kind::profile, std::nullopt, LogRig::local(1, 23, 59));
    rig.log(Kind::recovered, QStringLiteral("Studio"), LogRig::local(2, 0, 1));
    rig.log(Kind::dropped, QStringLiteral("Studio"), LogRig::local(2, 9, 30));
    rig.log(Kind::info, std::nullopt, LogRig::local(2, 9, 45));

    EXPECT_EQ(rig.page->dayTitles().join(" / ").toStdString(),
        "TODAY · MON, MAR 2 / YESTERDAY · SUN, MAR 1 / THU, FEB 26");
    EXPECT_EQ(rig.rows(0), "Note 15 min. ago, Studio 30 min. ago, Studio 9 hr. ago");
    EXPECT_EQ(rig.rows(1), "Route 10 hr. ago");
    EXPECT_EQ(rig.rows(2), "Archive 4 days ago");

    // The day's rule stops at its first and last entries.
    const QList<LogRow*> today = rig.page->rows(0);
    EXPECT_TRUE(today[0]->isFirst() && !today[0]->isLast() && !today[1]->isFirst() && !today[1]->isLast());
    EXPECT_TRUE(today[2]->isLast() && rig.page->rows(1)[0]->isFirst() && rig.page->rows(1)[0]->isLast());
    EXPECT_EQ(rig.page->header()->summary(), "1 drop · 2 recoveries · kept 30 days");

    // Each filter tab counts its entries and narrows the timeline to them.
    const std::tuple<Filter, int, const char*> tabs[] = {
        {Filter::all, 5, "Note 15 min. ago, Studio 30 min. ago, Studio 9 hr. ago"},
        {Filter::drops, 1, "Studio 30 min. ago"},
        {Filter::recoveries, 2, "Studio 9 hr. ago"},
        {Filter::changes, 3, "Note 15 min. ago"},
    };
    for (std::size_t i = 0; i < std::size(tabs); ++i) {
        const auto& [filter, count, shownToday] = tabs[i];
        SCOPED_TRACE(SignalLog::toRaw(filter).toStdString());
        EXPECT_EQ(rig.page->tabs()->countAt(int(i)), count);
        rig.page->tabs()->setSelection(int(i));
        EXPECT_EQ(rig.rows(0), shownToday);
    }
    rig.defaults.setInt(QStringLiteral("logRetentionDays"), 0);
    rig.page->hide();
    rig.page->show();
    EXPECT_EQ(rig.page->header()->summary(), "1 drop · 2 recoveries · kept always");
}

TEST(SignalLogPage, EmptyStatesSayWhatIsMissing)
{
    // Logged, then filtered out; then one that passes the filter.
    const std::tuple<Kind, Filter, Kind, const char*, const char*> cases[] = {
        {Kind::info, Filter::drops, Kind::failed, "No drops", "No line has dropped. Nice and steady."},
        {Kind::dropped, Filter::recoveries, Kind::serverUp, "No recoveries", "No line has connected or come back yet."},
        {Kind::serverDown, Filter::changes, Kind::profile, "No changes",
            "No connections, ejects, route switches or notes yet."},
    };
    for (const auto& [logged, filter, passing, title, text] : cases) {
        SCOPED_TRACE(title);
        LogRig rig;
        rig.log(logged);
        rig.page->setFilter(filter);
        EXPECT_EQ(rig.page->showing(), SignalLogPage::Showing::nothingPasses);
        EXPECT_EQ(rig.page->emptyTitle(), title);
        EXPECT_EQ(rig.page->emptyText(), text);
        EXPECT_TRUE(rig.page->clearButton()->isEnabled());
        rig.page->showEverythingButton()->click();
        EXPECT_EQ(rig.page->tabs()->selection(), 0);
        EXPECT_EQ(rig.page->showing(), SignalLogPage::Showing::entries);
        // An entry that passes the filter replaces its empty state as it is logged.
        rig.page->setFilter(filter);
        rig.log(passing);
        EXPECT_EQ(rig.page->showing(), SignalLogPage::Showing::entries);
        EXPECT_EQ(rig.page->rows(0).size(), 1);
    }
}

TEST(SignalLogPage, ClearingAsksFirstThenEmptiesTheLogAndItsFile)
{
    LogRig rig;
    rig.log(Kind::dropped);
    rig.log(Kind::recovered);
    rig.page->clearButton()->click();
    QMessageBox* box = rig.page->confirmation();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), "Clear the signal log?");
    EXPECT_EQ(box->informativeText(), "This can’t be undone. Your lines, routes and settings aren’t affected.");
    EXPECT_EQ(rig.page->confirmClear(), box) << "one confirmation at a time";
    ASSERT_TRUE(PageRig::answer(box, "Cancel"));
    EXPECT_EQ(rig.store->events().size(), 2u);
    EXPECT_EQ(rig.page->showing(), SignalLogPage::Showing::entries);

    ASSERT_TRUE(PageRig::answer(rig.page->confirmClear(), "Clear 2 Entries"));
    EXPECT_TRUE(rig.store->events().empty());
    EXPECT_EQ(rig.page->showing(), SignalLogPage::Showing::nothingLogged);
    EXPECT_EQ(rig.page->emptyTitle(), "Nothing logged yet");
    EXPECT_EQ(rig.page->emptyText(), "Connections, drops and recoveries are written here as they happen.");
    EXPECT_FALSE(rig.page->clearButton()->isEnabled());
    EXPECT_EQ(rig.page->confirmClear(), nullptr);
    EXPECT_EQ(rig.page->tabs()->countAt(0), 0);
    EXPECT_EQ(rig.file(ShareStore::eventsFileName(), false), "[]") << "written at once";

    rig.log(Kind::dropped);
    EXPECT_TRUE(PageRig::answer(rig.page->confirmClear(), "Clear 1 Entry"));
}

} // namespace
