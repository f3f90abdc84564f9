#include "views/routes_page.h"

#include "app/views/page_rig.h"
#include "views/route_networks.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

struct RoutesRig : StoreRig {
    std::unique_ptr<RoutesPage> page;

    RoutesRig()
    {
        started();
        page = std::make_unique<RoutesPage>(*store);
        page->show();
    }

    // Made as the user makes one: New Route, then its lines ticked on its map.
    RoutePanel* newRoute(const std::vector<ShareSpec>& lines = {}, bool ejectOthers = false)
    {
        page->newRouteButton()->click();
        RoutePanel* panel = page->panels().back();
        for (const ShareSpec& line : lines)
            tick(panel, line.name);
        if (ejectOthers)
            panel->ejectOthersToggle()->click();
        return panel;
    }

    // Chips are rebuilt at every change, so each is looked up as it is clicked.
    static void tick(RoutePanel* panel, const QString& name)
    {
        const QList<RouteChip*> chips = panel->diagram()->chips();
        const auto chip = std::find_if(chips.begin(), chips.end(), [&](RouteChip* c) { return c->text() == name; });
        ASSERT_NE(chip, chips.end()) << "no chip " << name.toStdString();
        (*chip)->click();
    }

    static std::string hosts(RoutePanel* panel)
    {
        return PageRig::joined(panel->diagram()->stations(), [](const RouteStation& s) { return s.host; });
    }

    static std::string helps(RoutePanel* panel)
    {
        return PageRig::joined(panel->diagram()->chips(), [](const RouteChip* c) { return c->toolTip(); });
    }
};

TEST(RoutesPage, ANewRouteTakesAnUnusedNameThatCanBeRetypedAndBindsToTheCurrentNetwork)
{
    RoutesRig rig;
    EXPECT_TRUE(rig.page->emptyState()->isVisible());
    EXPECT_EQ(rig.page->header()->summary(), "Sets of lines you connect in one go");

    RoutePanel* office = rig.newRoute();
    EXPECT_FALSE(rig.page->emptyState()->isVisible());
    EXPECT_EQ(office->nameField()->text(), "Office");
    EXPECT_EQ(office->profile().symbol, "building.2");
    const QList<QAction*> icons = office->iconButton()->menu()->actions();
    EXPECT_TRUE(icons.first()->isChecked() && !icons.first()->text().isEmpty()) << "the menu names and marks the icon";
    EXPECT_EQ(rig.newRoute()->nameField()->text(), "Home");
    EXPECT_EQ(rig.page->header()->summary(), "2 routes");

    // No line is saved yet, so the map asks for one.
    EXPECT_TRUE(office->diagram()->isPlaceholder());
    ASSERT_TRUE(office->diagram()->addLineButton()->isVisible());
    office->diagram()->addLineButton()->click();
    ASSERT_TRUE(rig.store->editor().has_value());
    EXPECT_FALSE(rig.store->editor()->spec.has_value());

    // A typed name is saved trimmed; an empty one is undone.
    rig.page->activateWindow();
    office->nameField()->setFocus();
    for (const auto& [typed, saved] : {std::pair {"  Night shift ", "Night shift"}, {"   ", "Night shift"}}) {
        office->nameField()->selectAll();
        PageRig::type(office->nameField(), QString::fromUtf8(typed));
        PageRig::key(office->nameField(), Qt::Key_Return);
        EXPECT_EQ(rig.store->profiles().front().name, saved);
        EXPECT_EQ(office->nameField()->text(), saved) << "the focused field shows the name as saved";
        EXPECT_EQ(office->actionButton()->text(), QStringLiteral("Switch to ") + saved);
    }

    RouteNetworks* networks = office->networks();
    EXPECT_FALSE(networks->addButton()->isEnabled()) << "no network known";
    rig.pathMonitor.setPath({NetworkPathStatus::satisfied, {"wlan0"},
        NetworkFingerprint {{"wlan0"}, "10.0.0.1", "aa:00:00:00:00:01", "Office Wi-Fi"}});
    networks->addButton()->click();
    EXPECT_EQ(networks->names(), QStringList {"Office Wi-Fi"});
    EXPECT_FALSE(networks->addButton()->isEnabled()) << "already bound";
    networks->removeButtons().front()->click();
    TestApp::spin(10);
    EXPECT_TRUE(networks->names().isEmpty());
}

TEST(RoutesPage, TheMapHasAStationForEveryServerAndChipsPutLinesOnTheRoute)
{
    RoutesRig rig;
    const ShareSpec studio = rig.add("Studio", "nas.local");
    const ShareSpec scratch = rig.add("Scratch", "NAS.local");
    const ShareSpec backup = rig.add("Backup", "backup.lan");
    RoutePanel* panel = rig.newRoute();
    // A new route has no lines, yet every saved line must be on its map to be put on it.
    EXPECT_FALSE(panel->diagram()->isPlaceholder());
    EXPECT_EQ(RoutesRig::hosts(panel), "nas.local, backup.lan");
    EXPECT_EQ(RoutesRig::helps(panel), "Put Studio on this route, Put Scratch on this route, Put Backup on this route");

    // The route keeps the order lines were ticked in; the map keeps the saved order.
    for (const char* name : {"Backup", "Studio", "Scratch", "Studio"})
        RoutesRig::tick(panel, name);
    EXPECT_EQ(rig.store->profiles().front().shareIDs, (QList<QUuid> {backup.id, scratch.id}));
    EXPECT_EQ(RoutesRig::helps(panel),
        "Put Studio on this route, Take Scratch off this route, Take Backup off this route");

    TestApp::waitUntil([&] { return panel->diagram()->drawn() == 1; }, 2000);
    rig.add("Archive", "archive.lan");
    EXPECT_EQ(RoutesRig::hosts(panel), "nas.local, backup.lan, archive.lan");
    EXPECT_LT(panel->diagram()->drawn(), 1) << "a new station draws its curve in";
    EXPECT_TRUE(TestApp::waitUntil([&] { return panel->diagram()->drawn() == 1; }, 2000));
    for (const ShareSpec& line : {studio, scratch, backup})
        rig.store->remove(line);
    EXPECT_EQ(RoutesRig::hosts(panel), "archive.lan");
    EXPECT_TRUE(rig.store->profiles().front().shareIDs.isEmpty()) << "a removed line leaves every route";
}

TEST(RoutesPage, SwitchingConnectsTheRouteAndDeletingItLeavesItsLinesConnected)
{
    RoutesRig rig;
    const ShareSpec studio = rig.add("Studio", "nas.local");
    const ShareSpec scratch = rig.add("Scratch", "scratch.lan", false);
    const ShareSpec backup = rig.add("Backup", "backup.lan");
    const ShareSpec archive = rig.add("Archive", "archive.lan");
    RoutePanel* office = rig.newRoute({studio});
    RoutePanel* home = rig.newRoute({archive, backup}, true);
    EXPECT_FALSE(office->profile().unmountOthers) << "others are ejected only when asked";
    rig.appear(studio, "/mnt/studio");
    rig.appear(scratch, "/mnt/scratch");

    home->actionButton()->click();
    // Every answer arrives before the store goes.
    ASSERT_TRUE(TestApp::waitUntil([&] {
        return rig.mounter.mounts.size() == 2 && rig.mounter.unmounts.size() == 2
            && std::none_of(rig.store->runtime().begin(), rig.store->runtime().end(),
                [](const ShareRuntime& r) { return r.busy; });
    }));
    EXPECT_EQ(rig.mounter.mounts[0].spec.id, archive.id) << "in the route's order";
    EXPECT_TRUE(rig.story().contains("Switched to the Home route"));
    EXPECT_EQ(PageRig::joined(rig.mounter.unmounts, [](const auto& call) { return call.path; }),
        "/mnt/studio, /mnt/scratch");
    EXPECT_EQ(rig.page->header()->summary(), "2 routes · active: Home");
    EXPECT_TRUE(home->activeBadge()->isVisible() && !office->activeBadge()->isVisible());
    EXPECT_EQ(home->actionButton()->text(), "Reconnect");

    rig.appear(backup, "/mnt/backup");
    home->deleteButton()->click();
    QMessageBox* box = home->confirmation();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), "Delete the “Home” route?");
    EXPECT_EQ(box->informativeText(), "Only the route is removed. Its lines stay saved and connected.");
    EXPECT_EQ(home->confirmDelete(), box) << "one confirmation at a time";
    ASSERT_TRUE(PageRig::answer(box, "Cancel"));
    EXPECT_EQ(rig.store->profiles().size(), 2u);
    ASSERT_TRUE(PageRig::answer(home->confirmDelete(), "Delete Route"));
    EXPECT_EQ(rig.page->header()->summary(), "1 route");
    EXPECT_FALSE(rig.store->activeProfileID()) << "deleting the active route leaves none active";
    EXPECT_EQ(rig.store->toast()->text, "Deleted the “Home” route");
    EXPECT_EQ(rig.mounter.unmounts.size(), 2u) << "its lines stay connected";

    ASSERT_TRUE(PageRig::answer(rig.page->panels().front()->confirmDelete(), "Delete Route"));
    EXPECT_TRUE(rig.page->panels().isEmpty());
    EXPECT_TRUE(rig.page->emptyState()->isVisible());
    EXPECT_EQ(rig.page->header()->summary(), "Sets of lines you connect in one go");
}

} // namespace
