#include "app/store/store_rig.h"

namespace {

NetworkPath on(QString gateway, QString hardware, QString name = {})
{
    return {NetworkPathStatus::satisfied, {"wlan0"},
        NetworkFingerprint {{"wlan0"}, std::move(gateway), std::move(hardware), std::move(name)}};
}

const NetworkPath office = on("10.0.0.1", "aa:00:00:00:00:01");
const NetworkPath home = on("192.168.1.1", "aa:00:00:00:00:02");
const NetworkPath offline {NetworkPathStatus::unsatisfied, {}};

// Two routes, Office with a line on it, and the store on the office network.
struct FollowingRoutes : StartedStore {
    ShareSpec studio = rig.add("Studio", "nas.local");
    Profile officeRoute = route("Office");
    Profile homeRoute = route("Home");

    FollowingRoutes()
    {
        rig.store->toggle(studio, officeRoute.id);
        rig.pathMonitor.setPath(office);
    }
    Profile route(const QString& name)
    {
        rig.store->addProfile();
        rig.store->renameProfile(rig.store->profiles().back().id, name);
        return rig.store->profiles().back();
    }
    // As "Add Current Network" while on it.
    void bind(const NetworkPath& network, const Profile& route)
    {
        rig.pathMonitor.setPath(network);
        rig.store->bindCurrentNetwork(route.id);
    }
    void visit(std::initializer_list<NetworkPath> sights)
    {
        for (const NetworkPath& sight : sights)
            rig.pathMonitor.setPath(sight);
    }
    void restart()
    {
        rig.make();
        rig.pathMonitor.restart();
        rig.started();
    }
    std::optional<QUuid> active() const { return rig.store->activeProfileID(); }
};

TEST_F(FollowingRoutes, JoiningABoundNetworkSwitchesToItsRouteAsTheUserWould)
{
    bind(office, officeRoute);
    bind(home, homeRoute);
    EXPECT_EQ(active(), std::nullopt) << "binding alone switches nothing";
    // The same router address elsewhere, then the office's router before its hardware address is known.
    visit({on("10.0.0.1", "aa:00:00:00:00:09"), home, on("10.0.0.1", {})});
    EXPECT_EQ(active(), homeRoute.id);

    rig.pathMonitor.setPath(office);
    rig.settle();
    EXPECT_EQ(active(), officeRoute.id);
    EXPECT_TRUE(rig.story().contains("Switched to the Office route on joining “wlan0 via 10.0.0.1”"));
    EXPECT_EQ(rig.store->toast()->text, "Route: Office");
    ASSERT_EQ(rig.mounter.mounts.size(), 1u);
    EXPECT_EQ(rig.mounter.mounts[0].spec.id, studio.id);
    EXPECT_EQ(rig.store->chosenBy(), office.network);
}

TEST_F(FollowingRoutes, AHandPickedRouteStaysUntilTheNetworkChanges)
{
    bind(home, homeRoute);
    bind(office, officeRoute);
    rig.pathMonitor.setPath(home);
    rig.store->activate(officeRoute);
    EXPECT_EQ(rig.store->chosenBy(), std::nullopt);
    // Dropping off the same network, its router forgotten for a while, its name learnt late: all one network.
    visit({offline, on("192.168.1.1", {}), home, on("192.168.1.1", "aa:00:00:00:00:02", "Home")});
    restart();
    EXPECT_EQ(active(), officeRoute.id) << "a restart on the same network is no change either";
    EXPECT_EQ(rig.store->bindings().of(homeRoute.id), std::vector {*home.network});

    visit({office, home});
    EXPECT_EQ(active(), homeRoute.id);
}

TEST_F(FollowingRoutes, TwoRoutesOnOneNetworkSwitchNeitherAndSaySoOnce)
{
    bind(office, officeRoute);
    bind(office, homeRoute);
    visit({home, office, on("10.0.0.1", "aa:00:00:00:00:01", "Office Wi-Fi")});
    EXPECT_EQ(active(), std::nullopt);
    EXPECT_EQ(rig.story().count("Didn’t switch routes: “wlan0 via 10.0.0.1” is set for Office and Home"), 1);
    rig.store->deleteProfile(officeRoute.id);
    restart();
    EXPECT_EQ(rig.store->bindings().networks.size(), 1u) << "a deleted route's networks go with it";
}

TEST_F(FollowingRoutes, AnOldFolderBindsNothingAndADamagedFileIsKeptAside)
{
    rig.writeFile(ShareStore::networksFileName(), "{\"bindings\": [");
    restart();
    const QStringList kept = QDir(rig.folder.path()).entryList({"networks.json.damaged-*"});
    EXPECT_TRUE(rig.story().contains("Couldn’t read networks.json; kept it as " + kept.value(0)));
    QFile::remove(QDir(rig.folder.path()).filePath(ShareStore::networksFileName()));
    restart();
    EXPECT_TRUE(rig.store->bindings().networks.empty());
    EXPECT_EQ(rig.store->profiles().size(), 2u);
}

} // namespace
