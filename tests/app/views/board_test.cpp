#include "app/views/page_rig.h"
#include "views/board_line.h"
#include "views/recycled_rows.h"
#include "views/controls.h"
#include "views/line_texts.h"
#include "views/lines_page.h"
#include "views/navigator.h"
#include "views/onboarding_view.h"
#include "views/popover_view.h"
#include "views/signal_line_widget.h"
#include "views/signal_strip.h"
#include "views/toast_overlay.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <set>

namespace {

using Kind = ShareStatus::Kind;
using Board = StartedStore;
using Panel = StartedStore;
using Welcome = StartedStore;

// Keeps the page and the line to edit of each request to show the window.
struct RecordingNavigator final : Navigator {
    std::vector<std::pair<std::optional<ManagerPage>, std::optional<QUuid>>> shown;
    void show(std::optional<ManagerPage> page, bool, std::optional<ShareSpec> edit) override
    {
        shown.emplace_back(page, edit ? std::optional(edit->id) : std::nullopt);
    }
    void checkForUpdates() override {}
    void quit() override {}
};

QStringList menuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("—") : a->text());
    return texts;
}

QStringList helps(const BoardLine* row)
{
    QStringList texts;
    for (LineActionButton* b : row->actions())
        texts << b->toolTip();
    return texts;
}

TEST(LineTexts, FreeSpaceReadsInFileStyleOrSaysWhyNot)
{
    EXPECT_EQ(LineTexts::bytes(999), "999 bytes");
    EXPECT_EQ(LineTexts::bytes(1'500'000'000), "1.5 GB");
    EXPECT_EQ(LineTexts::bytes(4'000'000'000'000), "4 TB");
    EXPECT_EQ(LineTexts::bytes(250'000'000), "250 MB");
    ShareRuntime record;
    EXPECT_EQ(LineTexts::spaceText(&record), "not mounted");
    record.volume = MountedVolume("/mnt/a", "smbfs", "//h/a");
    EXPECT_EQ(LineTexts::spaceText(&record), "size unknown");
    record.health = VolumeHealth::healthy(0, 0);
    EXPECT_EQ(LineTexts::spaceText(&record), "size unknown");
    record.health = VolumeHealth::healthy(4'000'000'000'000, 1'000'000'000'000);
    EXPECT_EQ(LineTexts::spaceText(&record), "1 TB free of 4 TB");
    EXPECT_EQ(LineTexts::usedFraction(&record), 0.75);
}

TEST_F(Board, EachRowDrawsItsStatusAndTheDropStamp)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    const ShareSpec scratch = rig.add("Scratch", "scratch.local", false);
    LinesPage page(*rig.store);
    rig.appear(studio, "/mnt/studio");
    rig.probePass();
    BoardLine* row = page.row(studio.id);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->signalLine()->line().continuity, LineContinuity::solid);
    EXPECT_EQ(row->caption()->text(), "LIVE");
    EXPECT_EQ(row->latency()->text(), "12 ms");
    EXPECT_EQ(row->space()->text(), "400 bytes free of 1 KB");
    EXPECT_EQ(page.row(scratch.id)->signalLine()->line().continuity, LineContinuity::dotted);
    EXPECT_EQ(page.row(scratch.id)->space()->text(), "not mounted");

    rig.down(studio);
    rig.advance(15);
    rig.probePass();
    rig.advance(15);
    rig.probePass();
    EXPECT_EQ(row->signalLine()->line().continuity, LineContinuity::broken);
    EXPECT_EQ(row->signalLine()->line().stamp, rig.store->gapStamp(studio));
    EXPECT_TRUE(row->signalLine()->line().stamp);
    EXPECT_EQ(row->caption()->text(), "SERVER DOWN");
    EXPECT_EQ(page.header()->summary(), "0 of 2 live · 1 need attention");
}

TEST_F(Board, TheRowsButtonsAndMenuFollowWhetherTheLineIsMounted)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    LinesPage page(*rig.store);
    BoardLine* row = page.row(studio.id);
    EXPECT_EQ(helps(row), QStringList {"Connect Studio"});
    std::unique_ptr<QMenu> menu(row->makeMenu(nullptr));
    EXPECT_EQ(menuTexts(menu.get()),
        (QStringList {"Edit…", "Keep Connected", "Copy Address", "—", "Remove from Mountwire…"}));

    rig.mounter.answer = FakeMounter::Answer::onRelease;
    row->actions().front()->click();
    EXPECT_EQ(rig.store->status(studio).kind, Kind::connecting);
    rig.settle();
    EXPECT_TRUE(row->actions().isEmpty()) << "a progress indicator replaces the buttons while connecting";
    rig.mounter.release();
    rig.settle();
    rig.appear(studio, "/mnt/studio");
    EXPECT_EQ(helps(row), (QStringList {"Open Studio in the file manager", "Eject Studio"}));
    menu.reset(row->makeMenu(nullptr));
    EXPECT_TRUE(menuTexts(menu.get()).contains("Force Eject"));

    rig.health["/mnt/studio"] = VolumeHealth::stale();
    rig.probePass();
    EXPECT_EQ(helps(row).back(), "Not responding; Mountwire will force the eject");
    row->actions().back()->click();
    rig.settle();
    ASSERT_EQ(rig.mounter.unmounts.size(), 1u);
    EXPECT_TRUE(rig.mounter.unmounts.front().force);

    row->hold()->click();
    EXPECT_FALSE(rig.store->shares().front().keepConnected);
    menu.reset(row->makeMenu(nullptr));
    menu->actions().at(0)->trigger();
    ASSERT_TRUE(rig.store->editor());
    EXPECT_EQ(rig.store->editor()->spec->id, studio.id);
}

TEST_F(Board, RemovingAsksFirstAndSaysWhatStays)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.appear(studio, "/mnt/studio");
    LinesPage page(*rig.store);
    page.show();
    page.row(studio.id)->confirmRemove();
    auto* box = page.findChild<QMessageBox*>("confirmRemove");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), "Remove “Studio” from Mountwire?");
    EXPECT_TRUE(box->informativeText().startsWith("It stays mounted for now"));
    PageRig::answer(box, "Cancel");
    EXPECT_EQ(rig.store->shares().size(), 1u);
    // Asked from the menu, the removal is of the menu's line even when the row shows another by then.
    std::unique_ptr<QMenu> menu(page.row(studio.id)->makeMenu(nullptr));
    menu->actions().back()->trigger();
    page.row(studio.id)->bind(rig.add("Other", "other.local").id);
    PageRig::answer(page.findChild<QMessageBox*>("confirmRemove"), "Remove");
    ASSERT_EQ(rig.store->shares().size(), 1u);
    EXPECT_EQ(rig.store->shares().front().name, "Other");
    EXPECT_EQ(rig.store->toast()->text, "Removed “Studio” from Mountwire");
    EXPECT_FALSE(rig.store->record(studio.id));
    rig.store->remove(rig.store->shares().front());
    EXPECT_TRUE(rig.store->shares().empty());
    rig.settle();
    EXPECT_TRUE(page.rows().isEmpty());
    EXPECT_TRUE(page.emptyState()->isVisibleTo(&page));
}

TEST_F(Board, AVolumeMountedElsewhereCanBeSavedAsALineThatClaimsIt)
{
    LinesPage page(*rig.store);
    EXPECT_FALSE(page.elsewhere()->isVisibleTo(&page));
    rig.table = {MountedVolume("/mnt/photos", "nfs", "photos.local:/export/pictures")};
    // Start-up read the table in this turn of the event loop already.
    rig.settle();
    rig.store->refreshMounts();
    ASSERT_TRUE(page.elsewhere()->isVisibleTo(&page));
    page.elsewhere()->findChild<QPushButton*>("saveVolume")->click();
    rig.settle();
    ASSERT_EQ(rig.store->shares().size(), 1u);
    const ShareSpec line = rig.store->shares().front();
    EXPECT_EQ(line.proto, ShareProtocol::nfs);
    EXPECT_EQ(line.name, "pictures");
    EXPECT_TRUE(line.keepConnected);
    EXPECT_EQ(rig.store->status(line).kind, Kind::connected);
    EXPECT_FALSE(page.elsewhere()->isVisibleTo(&page));

    MountedVolume unknown("/mnt/odd", "somefs", "");
    unknown.proto.reset();
    unknown.host = "odd.local";
    unknown.share = "things";
    rig.store->save(unknown);
    EXPECT_EQ(rig.store->shares().back().proto, ShareProtocol::smb) << "a volume of no known protocol becomes SMB";
}

// A board of many lines, shown in a window of the usual size.
struct LongBoard {
    StoreRig rig;
    std::vector<ShareSpec> lines;
    std::unique_ptr<LinesPage> page;
    QScrollArea* area;

    explicit LongBoard(int count)
    {
        rig.started();
        for (int i = 0; i < count; ++i)
            lines.push_back(rig.add(QStringLiteral("Line %1").arg(i), QStringLiteral("nas.local"), false));
        page = std::make_unique<LinesPage>(*rig.store);
        page->resize(1080, 600);
        page->show();
        QApplication::setActiveWindow(page.get());
        area = page->findChild<QScrollArea*>();
        rig.settle();
    }
    int indexOf(const QWidget* w) const
    {
        while (w && !qobject_cast<const BoardLine*>(w))
            w = w->parentWidget();
        for (std::size_t i = 0; w && i < lines.size(); ++i) {
            if (lines[i].id == static_cast<const BoardLine*>(w)->id())
                return int(i);
        }
        return -1;
    }
    bool inView(const QWidget* w) const
    {
        return area->viewport()->rect().contains(QRect(w->mapTo(area->viewport(), QPoint()), w->size()));
    }
};

TEST(LongBoard, HundredsOfLinesBuildOnlyTheRowsInViewEachShowingItsOwnLine)
{
    LongBoard board(300);
    const int pitch = board.page->board()->rowHeight() + 1;
    EXPECT_EQ(board.page->board()->height(), 300 * pitch - 1) << "the scroll range is exact without the rows";
    for (const int at : {0, 150 * pitch, board.area->verticalScrollBar()->maximum()}) {
        board.area->verticalScrollBar()->setValue(at);
        const QList<BoardLine*> rows = board.page->rows();
        EXPECT_LT(rows.size(), 20);
        for (BoardLine* row : rows) {
            const int i = board.indexOf(row);
            EXPECT_EQ(row->y(), i * pitch);
            EXPECT_EQ(helps(row), QStringList {QStringLiteral("Connect Line %1").arg(i)});
        }
        const BoardLine* middle = board.page->row(board.lines[std::size_t(at / pitch + 2)].id);
        ASSERT_TRUE(middle && board.inView(middle));
    }
    board.rig.store->remove(board.lines.back());
    board.rig.settle();
    EXPECT_EQ(board.page->board()->height(), 299 * pitch - 1);
}

TEST(LongBoard, TabWalksEveryRowInOrderScrollingAlongAndFocusOutlivesScrollingAndRefreshes)
{
    LongBoard board(40);
    board.page->row(board.lines.front().id)->controls().at(2)->setFocus(Qt::TabFocusReason);
    std::vector<int> walked;
    const auto press = [](Qt::Key key) { PageRig::key(QApplication::focusWidget(), key); };
    for (int at = board.indexOf(QApplication::focusWidget()); at >= 0 && walked.size() < 200;
         at = board.indexOf(QApplication::focusWidget())) {
        walked.push_back(at);
        ASSERT_TRUE(board.inView(QApplication::focusWidget())) << "row " << at;
        press(Qt::Key_Tab);
    }
    EXPECT_TRUE(std::is_sorted(walked.begin(), walked.end()));
    EXPECT_EQ(std::set<int>(walked.begin(), walked.end()).size(), 40u) << "every row is met";
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Backtab);
    EXPECT_EQ(board.indexOf(QApplication::focusWidget()), 38) << "Backtab walks back from below into the rows";

    QWidget* focused = QApplication::focusWidget();
    const int scrolled = 3;
    board.area->verticalScrollBar()->setValue(scrolled);
    board.rig.probePass();
    EXPECT_EQ(QApplication::focusWidget(), focused) << "the focused row stays bound far out of view";
    EXPECT_EQ(board.indexOf(focused), 38);
    EXPECT_EQ(board.area->verticalScrollBar()->value(), scrolled);
}

TEST_F(Panel, ListsTheLinesInOrderWithTheirFiguresAndActions)
{
    RecordingNavigator navigator;
    PopoverView panel(*rig.store, navigator);
    EXPECT_EQ(panel.summary(), "no lines");
    EXPECT_TRUE(panel.emptyState()->isVisibleTo(&panel));
    EXPECT_FALSE(panel.routeSwitch()->isVisibleTo(&panel));

    const ShareSpec studio = rig.add("Studio", "nas.local");
    const ShareSpec archive = rig.add("Archive", "archive.local");
    const ShareSpec media = rig.add("Media", "media.local");
    rig.appear(studio, "/mnt/studio");
    rig.appear(archive, "/mnt/archive");
    rig.health["/mnt/archive"] = VolumeHealth::stale();
    rig.probePass();
    QStringList names;
    for (PopoverLine* line : panel.lines())
        names << rig.store->share(line->id())->name;
    EXPECT_EQ(names, (QStringList {"Studio", "Archive", "Media"}));
    EXPECT_EQ(panel.summary(), "1/3 live · 1 down");
    EXPECT_EQ(panel.lines()[0]->figure()->text(), "12 ms");
    EXPECT_EQ(panel.lines()[1]->figure()->text(), "NOT RESPONDING");
    EXPECT_EQ(panel.lines()[2]->figure()->text(), "12 ms") << "an idle line with a reading shows it";
    EXPECT_EQ(panel.lines()[1]->action()->toolTip(), "Force eject Archive");
    std::unique_ptr<QMenu> menu(panel.lines()[1]->makeMenu(nullptr));
    EXPECT_EQ(menuTexts(menu.get()), (QStringList {"Open in the File Manager", "Eject", "Force Eject", "—",
                                         "Keep Connected", "Copy Address", "Edit…"}));
    menu->actions().back()->trigger();
    EXPECT_EQ(navigator.shown.back(), std::pair(std::optional(ManagerPage::shares), std::optional(archive.id)));

    panel.lines()[1]->action()->click();
    rig.settle();
    EXPECT_TRUE(rig.mounter.unmounts.back().force);
    panel.lines()[2]->action()->click();
    rig.settle();
    EXPECT_EQ(rig.mounter.mounts.back().spec.id, media.id);

    rig.store->addProfile();
    EXPECT_TRUE(panel.routeSwitch()->isVisibleTo(&panel));
    EXPECT_EQ(PopoverView::listHeightCap(400), 300);
    EXPECT_EQ(PopoverView::listHeightCap(1200), 620);
}

TEST(SignalStrip, CountsLiveLinesAndOpensTheLog)
{
    StoreRig rig;
    rig.started();
    SignalStrip strip(*rig.store);
    EXPECT_EQ(strip.figures(), "0/0");
    rig.appear(rig.add("Studio", "nas.local"), "/mnt/studio");
    rig.waitingLine("Archive");
    strip.show();
    EXPECT_EQ(strip.figures(), "1/2 1 down");
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
        Qt::NoModifier);
    QCoreApplication::sendEvent(&strip, &click);
    EXPECT_EQ(rig.store->page(), ManagerPage::activity);
}

TEST(Toast, ANewToastReplacesTheOldOneStaysItsFullTimeAndTheOverlayLeavesWithIt)
{
    StoreRig rig;
    QWidget covered;
    covered.resize(600, 400);
    ToastOverlay overlay(*rig.store, &covered);
    covered.show();
    EXPECT_FALSE(overlay.showing());
    rig.store->showToast("Added “Studio”", "checkmark.circle.fill", ToastTint::blue);
    EXPECT_TRUE(overlay.showing());
    TestApp::spin(1500);
    rig.store->showToast("Address copied", "doc.on.doc.fill", ToastTint::blue);
    TestApp::spin(1500);
    ASSERT_TRUE(rig.store->toast() && overlay.showing()) << "the first toast's time does not end the second";
    EXPECT_EQ(overlay.text(), "Address copied");
    EXPECT_TRUE(TestApp::waitUntil([&] { return !overlay.showing() && !rig.store->toast(); }, 2500));
}

TEST_F(Welcome, ReturnMovesOnAndFinishingMarksTheGuideShownWithALastButtonThatFitsTheBoard)
{
    EXPECT_TRUE(Onboarding::shouldShow(rig.defaults));
    const auto press = [](QDialog& guide, int key) {
        PageRig::key(guide.focusWidget() ? guide.focusWidget() : &guide, key);
    };
    {
        OnboardingView guide(*rig.store, rig.defaults, &rig.notifier);
        guide.show();
        for (int page = 1; page <= 3; ++page) {
            press(guide, Qt::Key_Return);
            EXPECT_EQ(guide.page(), page);
        }
        EXPECT_EQ(guide.doneButton()->text(), "Add Your First Line");
        EXPECT_FALSE(guide.continueButton()->isVisibleTo(&guide));
        guide.allowButton()->click();
        guide.allowButton()->click();
        EXPECT_EQ(rig.notifier.authorizationRequests, 1);
        EXPECT_EQ(guide.allowButton()->text(), "Notifications Requested");
        EXPECT_FALSE(guide.allowButton()->isEnabled());
        guide.doneButton()->click();
    }
    EXPECT_FALSE(Onboarding::shouldShow(rig.defaults));
    EXPECT_TRUE(TestApp::waitUntil([&] { return rig.store->editor().has_value(); }, 2000))
        << "the first line's editor follows";

    rig.add("Studio", "nas.local");
    OnboardingView again(*rig.store, rig.defaults, nullptr);
    again.go(1);
    EXPECT_TRUE(again.backButton()->isVisibleTo(&again));
    again.go(3);
    EXPECT_EQ(again.doneButton()->text(), "Done");
    again.show();
    press(again, Qt::Key_Escape);
    EXPECT_FALSE(again.isVisible());
}

} // namespace
