#include "views/routes_page.h"

#include "app/views/page_rig.h"
#include "routes/route_map.h"
#include "views/route_networks.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
        page->resize(900, 700);
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
        for (RouteChip* c : panel->diagram()->chips()) {
            if (c->text() == name) {
                c->click();
                return;
            }
        }
        ADD_FAILURE() << "no chip " << name.toStdString();
    }

    static std::string hosts(RoutePanel* panel)
    {
        QStringList list;
        for (const RouteStation& s : panel->diagram()->stations())
            list << s.host;
        return list.join(", ").toStdString();
    }

    static std::string helps(RoutePanel* panel)
    {
        QStringList list;
        for (RouteChip* c : panel->diagram()->chips())
            list << c->toolTip();
        return list.join(", ").toStdString();
    }
};

TEST(RoutesPage, NewRoutesTakeUnusedNamesAndTheSummaryCountsThem)
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
    EXPECT_FALSE(office->activeBadge()->isVisible());
    EXPECT_EQ(office->actionButton()->text(), "Switch to Office");
    EXPECT_EQ(rig.page->header()->summary(), "1 route");
    EXPECT_EQ(rig.newRoute()->nameField()->text(), "Home");
    EXPECT_EQ(rig.page->header()->summary(), "2 routes");
    EXPECT_TRUE(rig.file(ShareStore::sharesFileName()).contains("Home"));

    // No line is saved yet, so the map asks for one.
    EXPECT_TRUE(office->diagram()->isPlaceholder());
    ASSERT_TRUE(office->diagram()->addLineButton()->isVisible());
    office->diagram()->addLineButton()->click();
    ASSERT_TRUE(rig.store->editor().has_value());
    EXPECT_FALSE(rig.store->editor()->spec.has_value());
}

TEST(RoutesPage, TheMapHasAStationForEveryServerOfTheSavedLines)
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
    Profile everything = panel->profile();
    everything.shareIDs = {backup.id, scratch.id, studio.id};
    EXPECT_TRUE(panel->diagram()->stations() == RouteMap::stations(everything, rig.store->shares()));

    TestApp::waitUntil([&] { return panel->diagram()->drawn() == 1; }, 2000);
    rig.add("Archive", "archive.lan");
    EXPECT_EQ(RoutesRig::hosts(panel), "nas.local, backup.lan, archive.lan");
    EXPECT_LT(panel->diagram()->drawn(), 1) << "a new station draws its curve in";
    EXPECT_TRUE(TestApp::waitUntil([&] { return panel->diagram()->drawn() == 1; }, 2000));
    for (const ShareSpec& line : {studio, scratch, backup})
        rig.store->remove(line);
    EXPECT_EQ(RoutesRig::hosts(panel), "archive.lan");
}

TEST(RoutesPage, ChipsPutLinesOnTheRouteAndTakeThemOff)
{
    RoutesRig rig;
    const ShareSpec studio = rig.add("Studio", "nas.local");
    const ShareSpec backup = rig.add("Backup", "backup.lan");
    RoutePanel* panel = rig.newRoute({backup, studio});
    // The route keeps the order lines were ticked in; the map keeps the saved order.
    EXPECT_EQ(panel->profile().shareIDs, (QList<QUuid> {backup.id, studio.id}));
    EXPECT_EQ(RoutesRig::helps(panel), "Take Studio off this route, Take Backup off this route");

    RoutesRig::tick(panel, "Studio");
    EXPECT_EQ(RoutesRig::helps(panel), "Put Studio on this route, Take Backup off this route");
    const QJsonArray saved = QJsonDocument::fromJson(rig.file(ShareStore::sharesFileName()))
                                 .object()["profiles"][0]["shareIDs"].toArray();
    EXPECT_EQ(saved, QJsonArray {backup.id.toString(QUuid::WithoutBraces).toUpper()});
}

TEST(RoutesPage, SwitchingConnectsTheRouteAndEjectsOthersOnlyWhenAsked)
{
    for (const bool ejectOthers : {false, true}) {
        SCOPED_TRACE(ejectOthers);
        RoutesRig rig;
        const ShareSpec studio = rig.add("Studio", "nas.local");
        const ShareSpec scratch = rig.add("Scratch", "scratch.lan", false);
        const ShareSpec backup = rig.add("Backup", "backup.lan");
        RoutePanel* office = rig.newRoute({studio});
        RoutePanel* home = rig.newRoute({backup}, ejectOthers);
        rig.appear(studio, "/mnt/studio");
        rig.appear(scratch, "/mnt/scratch");
        rig.settle();

        home->actionButton()->click();
        // Every answer arrives before the store goes.
        ASSERT_TRUE(TestApp::waitUntil([&] {
            return rig.mounter.mounts.size() == 1 && rig.mounter.unmounts.size() == (ejectOthers ? 2u : 0u)
                && std::none_of(rig.store->runtime().begin(), rig.store->runtime().end(),
                    [](const ShareRuntime& r) { return r.busy; });
        }));
        EXPECT_EQ(rig.mounter.mounts[0].spec.id, backup.id);
        QStringList ejected;
        for (const FakeMounter::UnmountCall& call : rig.mounter.unmounts)
            ejected << call.path;
        EXPECT_EQ(ejected.join(", ").toStdString(), ejectOthers ? "/mnt/studio, /mnt/scratch" : "");
        EXPECT_EQ(rig.store->activeProfileID(), home->profile().id);
        EXPECT_EQ(rig.page->header()->summary(), "2 routes · active: Home");
        EXPECT_TRUE(home->activeBadge()->isVisible() && !office->activeBadge()->isVisible());
        EXPECT_EQ(home->actionButton()->text(), "Reconnect");
        EXPECT_TRUE(rig.story().contains("Switched to the Home route"));
        EXPECT_EQ(rig.store->toast()->text, "Route: Home");
    }
}

TEST(RoutesPage, TheTypedNameIsSavedTrimmedAndAnEmptyOneIsUndone)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Lab", "Lab"}, {"  Night shift ", "Night shift"}, {"   ", "Office"}};
    for (const auto& [typed, saved] : cases) {
        SCOPED_TRACE(typed);
        RoutesRig rig;
        RoutePanel* panel = rig.newRoute();
        rig.page->activateWindow();
        panel->nameField()->setFocus();
        panel->nameField()->selectAll();
        PageRig::type(panel->nameField(), QString::fromUtf8(typed));
        PageRig::key(panel->nameField(), Qt::Key_Return);
        EXPECT_EQ(rig.store->profiles().front().name, saved);
        EXPECT_EQ(panel->nameField()->text(), saved) << "the focused field shows the name as saved";
        EXPECT_EQ(panel->actionButton()->text(), QStringLiteral("Switch to ") + saved);
    }
}

TEST(RoutesPage, DeletingAsksFirstAndLeavesTheLinesConnected)
{
    RoutesRig rig;
    const ShareSpec studio = rig.add("Studio", "nas.local");
    RoutePanel* office = rig.newRoute({studio});
    rig.appear(studio, "/mnt/studio");
    rig.settle();
    office->actionButton()->click();

    office->deleteButton()->click();
    QMessageBox* box = office->confirmation();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), "Delete the “Office” route?");
    EXPECT_EQ(box->informativeText(), "Only the route is removed. Its lines stay saved and connected.");
    EXPECT_EQ(office->confirmDelete(), box) << "one confirmation at a time";
    ASSERT_TRUE(PageRig::answer(box, "Cancel"));
    EXPECT_EQ(rig.store->profiles().size(), 1u);

    ASSERT_TRUE(PageRig::answer(office->confirmDelete(), "Delete Route"));
    EXPECT_TRUE(rig.store->profiles().empty());
    EXPECT_FALSE(rig.store->activeProfileID().has_value());
    EXPECT_TRUE(rig.page->panels().isEmpty());
    EXPECT_TRUE(rig.page->emptyState()->isVisible());
    EXPECT_EQ(rig.page->header()->summary(), "Sets of lines you connect in one go");
    EXPECT_EQ(rig.store->toast()->text, "Deleted the “Office” route");
    EXPECT_TRUE(rig.store->isMounted(studio));
    EXPECT_TRUE(rig.mounter.unmounts.empty());
    EXPECT_FALSE(rig.file(ShareStore::sharesFileName()).contains("Office"));
}

TEST(RoutesPage, TheCurrentNetworkIsAddedUnderARouteAndRemoved)
{
    RoutesRig rig;
    RouteNetworks* networks = rig.newRoute()->networks();
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

} // namespace
