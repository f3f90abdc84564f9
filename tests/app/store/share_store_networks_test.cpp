#include "app/store/store_rig.h"

namespace {

NetworkPath on(QString gateway, QString hardware, QString name = {})
{
    return {NetworkPathStatus::satisfied, {"wlan0"},
        NetworkFingerprint {{"wlan0"}, std::move(gateway), std::move(hardware), std::move(name)}};
}

const NetworkPath office = on("10.0.0.1", "aa:00:00:00:00:01");
const NetworkPath home = on("192.168.1.1", "aa:00:00:00:00:02");
const NetworkPath offline {NetworkPathStatus::unsatisfied, {}, std::nullopt};

// Two routes, Office with a line on it, and the store on the office network.
struct FollowingRoutes : StartedStore {
    ShareSpec studio = rig.add("Studio", "nas.local");
    Profile officeRoute = route("Office", {studio.id});
    Profile homeRoute = route("Home", {});

    FollowingRoutes() { rig.pathMonitor.setPath(office); }

    Profile route(const QString& name, QList<QUuid> lines)
    {
        rig.store->addProfile();
        Profile made = rig.store->profiles().back();
        made.name = name;
        made.shareIDs = std::move(lines);
        rig.store->updateProfile(made);
        return made;
    }

    // Binds the network to the route, the way "Add Current Network" does while on it.
    void bind(const NetworkPath& network, const Profile& route)
    {
        rig.pathMonitor.setPath(network);
        rig.store->bindCurrentNetwork(route.id);
    }

    void restart()
    {
        rig.make();
        rig.pathMonitor.restart();
        rig.started();
    }

    int count(const QString& message) const { return int(rig.story().count(message)); }
};

TEST_F(FollowingRoutes, JoiningABoundNetworkSwitchesToItsRouteAsTheUserWould)
{
    bind(office, officeRoute);
    bind(home, homeRoute);
    EXPECT_EQ(rig.store->activeProfileID(), std::nullopt) << "binding alone switches nothing";

    rig.pathMonitor.setPath(office);
    rig.settle();
    EXPECT_EQ(rig.store->activeProfileID(), officeRoute.id);
    EXPECT_TRUE(rig.story().contains("Switched to the Office route on joining “wlan0 via 10.0.0.1”"));
    EXPECT_EQ(rig.store->toast()->text, "Route: Office");
    ASSERT_EQ(rig.mounter.mounts.size(), 1u);
    EXPECT_EQ(rig.mounter.mounts[0].spec.id, studio.id);
    EXPECT_EQ(rig.store->chosenBy(), office.network);

    rig.pathMonitor.setPath(offline);
    rig.pathMonitor.setPath(home);
    EXPECT_EQ(rig.store->activeProfileID(), homeRoute.id);
}

TEST_F(FollowingRoutes, AHandPickedRouteStaysUntilTheNetworkChanges)
{
    bind(home, homeRoute);
    bind(office, officeRoute);
    rig.pathMonitor.setPath(home);
    rig.store->activate(officeRoute);
    EXPECT_EQ(rig.store->chosenBy(), std::nullopt);

    // Dropping off the same network, its router forgotten for a while, its name learnt late: all the same network.
    for (const NetworkPath& sight : {offline, on("192.168.1.1", {}), home, on("192.168.1.1", "aa:00:00:00:00:02", "Home")})
        rig.pathMonitor.setPath(sight);
    EXPECT_EQ(rig.store->activeProfileID(), officeRoute.id);

    restart();
    EXPECT_EQ(rig.store->activeProfileID(), officeRoute.id) << "a restart on the same network is no change";
    EXPECT_EQ(rig.store->bindings().of(homeRoute.id), std::vector {*home.network});

    rig.pathMonitor.setPath(office);
    rig.pathMonitor.setPath(home);
    EXPECT_EQ(rig.store->activeProfileID(), homeRoute.id);
}

TEST_F(FollowingRoutes, ARouterWhoseAddressArrivesLateStillSwitches)
{
    bind(office, officeRoute);
    rig.pathMonitor.setPath(home);
    // The same router address at home as at the office: only its hardware address tells them apart.
    rig.pathMonitor.setPath(on("10.0.0.1", {}));
    EXPECT_EQ(rig.store->activeProfileID(), std::nullopt);
    rig.pathMonitor.setPath(on("10.0.0.1", "aa:00:00:00:00:09"));
    EXPECT_EQ(rig.store->activeProfileID(), std::nullopt);
    rig.pathMonitor.setPath(home);
    rig.pathMonitor.setPath(on("10.0.0.1", {}));
    rig.pathMonitor.setPath(office);
    EXPECT_EQ(rig.store->activeProfileID(), officeRoute.id);
}

TEST_F(FollowingRoutes, TwoRoutesOnOneNetworkSwitchNeitherAndSaySoOnce)
{
    bind(office, officeRoute);
    bind(office, homeRoute);
    rig.pathMonitor.setPath(home);
    rig.pathMonitor.setPath(office);
    rig.pathMonitor.setPath(on("10.0.0.1", "aa:00:00:00:00:01", "Office Wi-Fi"));
    EXPECT_EQ(rig.store->activeProfileID(), std::nullopt);
    EXPECT_EQ(count("Didn’t switch routes: “wlan0 via 10.0.0.1” is set for Office and Home"), 1);

    rig.store->unbindNetwork(homeRoute.id, *office.network);
    EXPECT_TRUE(rig.store->bindings().of(homeRoute.id).empty());
    rig.store->deleteProfile(officeRoute.id);
    restart();
    EXPECT_TRUE(rig.store->bindings().networks.empty()) << "a deleted route's networks go with it";
}

TEST_F(FollowingRoutes, AnOldFolderBindsNothingAndADamagedFileIsKeptAside)
{
    bind(office, officeRoute);
    rig.writeFile(ShareStore::networksFileName(), "{\"bindings\": [");
    restart();
    EXPECT_TRUE(rig.store->bindings().networks.empty());
    EXPECT_EQ(QDir(rig.folder.path()).entryList({"networks.json.damaged-*"}).size(), 1);
    EXPECT_EQ(count("Couldn’t read networks.json; kept it as " + QDir(rig.folder.path()).entryList({"networks.json.damaged-*"}).value(0)), 1);

    QFile::remove(QDir(rig.folder.path()).filePath(ShareStore::networksFileName()));
    restart();
    EXPECT_TRUE(rig.store->bindings().networks.empty());
    EXPECT_EQ(rig.store->profiles().size(), 2u);
}

} // namespace
