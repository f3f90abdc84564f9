#include "app/store/store_rig.h"

#include <gtest/gtest.h>

namespace {

using Phase = LinkMachine::Phase;
using Kind = ShareStatus::Kind;

using StoreStart = StartedStore;
using StoreLoop = StartedStore;
using StoreHealth = StartedStore;

TEST_F(StoreStart, ReconnectsOnlyTheLinesConnectedLastTimeAdoptsWhatIsMountedAndStartsOnce)
{
    const ShareSpec wanted = rig.add("Studio", "nas.local");
    const ShareSpec notWanted = rig.add("Archive", "nas.local");
    const ShareSpec mounted = rig.add("Media", "media.local");
    rig.defaults.setStringList("connectedShares", {JsonFields::uuidText(wanted.id), JsonFields::uuidText(mounted.id)});
    rig.table = {StoreRig::volumeFor(mounted, "/run/user/0/gvfs/media")};

    const int monitorStarts = rig.pathMonitor.starts;
    rig.make();
    rig.started();
    rig.store->start();
    EXPECT_EQ(rig.phase(wanted), Phase::waiting);
    EXPECT_EQ(rig.phase(notWanted), Phase::idle);
    EXPECT_EQ(rig.phase(mounted), Phase::connected);
    EXPECT_EQ(rig.story().back(), "Media: Mounted at /run/user/0/gvfs/media");

    rig.beat();
    ASSERT_EQ(rig.mounter.mounts.size(), 1u) << "only the wanted line is mounted, by the first tick";
    EXPECT_EQ(rig.mounter.mounts.front().spec.id, wanted.id);
    EXPECT_EQ(rig.probes, 2) << "one probe per server";

    // A second start made no second subscription.
    EXPECT_EQ(rig.pathMonitor.starts, monitorStarts + 1);
    rig.wakeNotices.fireWake();
    EXPECT_EQ(rig.story().filter("Computer woke from sleep").size(), 1);
}

// The real road of many outages is the end-to-end test's; here two lines share the server that goes.
TEST_F(StoreLoop, AServerThatStopsAnsweringDropsItsLinesAndOneAnswerBringsThemBack)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    const ShareSpec archive = rig.add("Archive", "nas.local");
    rig.appear(studio, "/mnt/studio");
    rig.appear(archive, "/mnt/archive");
    rig.probePass();
    const int entries = int(rig.store->events().size());

    rig.down(studio);
    for (int pass = 0; pass < 2; ++pass) {
        rig.advance(15);
        rig.probePass();
    }
    EXPECT_EQ(rig.story().mid(entries),
        (QStringList {"nas.local stopped answering", "Studio: Lost connection to smb://ana@nas.local/studio",
            "Archive: Lost connection to smb://ana@nas.local/archive"}));
    EXPECT_EQ(rig.store->attentionCount(), 2);
    EXPECT_EQ(rig.notifier.posted.size(), 2u);
    EXPECT_EQ(rig.store->gapStamp(studio), "▼ " + Fmt::clock(rig.clock.addSecs(-15)));

    rig.up(studio);
    rig.advance(15);
    rig.probePass();
    EXPECT_EQ(rig.story().mid(entries + 3),
        (QStringList {"nas.local is reachable again", "Studio: Back online", "Archive: Back online"}));
    EXPECT_EQ(rig.store->connectedCount(), 2);
    EXPECT_EQ(rig.notifier.posted.back(), NotificationText::recovered("Archive", "nas.local"));
    EXPECT_EQ(rig.probes, 4) << "one probe per server and pass";
}

TEST_F(StoreLoop, AServerFirstSeenDownIsLoggedAndTheThresholdFollowsTheSetting)
{
    rig.defaults.setInt("failuresToMarkDown", 1);
    rig.down(rig.add("Studio", "nas.local"));
    rig.probePass();
    EXPECT_EQ(rig.story().back(), "nas.local stopped answering");
    EXPECT_TRUE(rig.notifier.posted.empty()) << "an unmounted line has nothing to drop";
}

TEST_F(StoreLoop, ADroppedMountIsRetriedWithDoublingWaitsUpToTheCapUntilReconnectionIsSwitchedOff)
{
    rig.defaults.setDouble("retryCap", 20);
    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.appear(studio, "/mnt/studio");
    rig.probePass();
    rig.mounter.defaultOutcome = MountOutcome::failed(60);

    rig.vanish("/mnt/studio");
    EXPECT_EQ(rig.story().back(), "Studio: Lost connection to smb://ana@nas.local/studio");
    // Each wait the line sits out before its next attempt, measured from the failure.
    std::vector<qint64> waits;
    QDateTime failedAt = rig.clock;
    for (int second = 0; second < 120 && waits.size() < 4; ++second) {
        rig.advance(1);
        const std::size_t before = rig.mounter.mounts.size();
        rig.beat();
        if (rig.mounter.mounts.size() > before) {
            waits.push_back(failedAt.secsTo(rig.clock));
            failedAt = rig.clock;
        }
    }
    EXPECT_EQ(waits, (std::vector<qint64> {5, 5, 10, 20}));
    EXPECT_EQ(rig.store->status(studio).kind, Kind::waiting);
    EXPECT_EQ(rig.store->record(studio.id)->lastError, "The server took too long to answer.");
    EXPECT_EQ(rig.store->status(studio).caption(rig.clock), "RETRY IN 20S");
    rig.store->setKeepConnected(studio, false);
    EXPECT_EQ(rig.phase(studio), Phase::idle) << "switching reconnection off stops the waiting";
}

TEST(StoreWake, WakingLogsAndRetriesSoonUnlessSwitchedOff)
{
    for (const bool reconnect : {true, false}) {
        StoreRig rig;
        rig.defaults.setBool("reconnectAfterWake", reconnect);
        rig.started();
        const ShareSpec studio = rig.waitingLine("Studio");
        const int probes = rig.probes;

        rig.wakeNotices.fireWake();
        rig.settle();
        EXPECT_EQ(rig.story().back(), "Computer woke from sleep");
        EXPECT_GT(rig.probes, probes) << "waking probes at once";
        const qint64 wait = rig.clock.secsTo(rig.store->record(studio.id)->machine.nextAttempt().value_or(rig.clock));
        EXPECT_EQ(wait == 2, reconnect) << wait;
        EXPECT_GE(wait, 2);
    }
}

TEST_F(StoreLoop, OnlyALaterNetworkPathIsLoggedAndOnlyASatisfiedOneRetries)
{
    EXPECT_TRUE(rig.store->events().empty()) << "the first path is only remembered";
    const ShareSpec studio = rig.waitingLine("Studio");
    const auto nextAttempt = [&] { return *rig.store->record(studio.id)->machine.nextAttempt(); };
    const QDateTime waitingUntil = nextAttempt();

    rig.advance(1);
    rig.pathMonitor.setPath({NetworkPathStatus::unsatisfied, {}});
    rig.settle();
    EXPECT_EQ(rig.story().back(), "Network connection lost");
    EXPECT_EQ(rig.probes, 0);
    EXPECT_EQ(nextAttempt(), waitingUntil);

    rig.pathMonitor.setPath({NetworkPathStatus::satisfied, {"wlan0"}});
    rig.settle();
    EXPECT_EQ(rig.story().back(), "Network changed");
    EXPECT_EQ(rig.probes, 1);
    EXPECT_EQ(rig.clock.secsTo(nextAttempt()), 2);
}

TEST_F(StoreLoop, VolumesOfNoSavedLineAreListedApartAndRenamesAreFollowed)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    const MountedVolume foreign("/mnt/photos", "nfs", "photos.local:/export/photos");
    rig.table = {foreign};
    rig.appear(studio, "/mnt/studio");
    EXPECT_EQ(rig.store->otherVolumes(), std::vector<MountedVolume> {foreign});
    EXPECT_EQ(rig.store->record(studio.id)->volume->mountPoint, "/mnt/studio");

    rig.table.back().mountPoint = "/mnt/studio 2";
    rig.volumeNotices.fireRename("/mnt/studio 2");
    EXPECT_EQ(rig.store->record(studio.id)->volume->mountPoint, "/mnt/studio 2");
}

TEST_F(StoreHealth, AHangingMountIsNotRespondingUntilItAnswersAgain)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.appear(studio, "/mnt/studio");
    const auto passWith = [&](std::optional<VolumeHealth> health) {
        rig.health["/mnt/studio"] = health;
        rig.advance(15);
        rig.probePass();
    };
    passWith(VolumeHealth::healthy(1000, 400));
    EXPECT_EQ(rig.store->record(studio.id)->health, VolumeHealth::healthy(1000, 400));

    passWith(VolumeHealth::stale());
    EXPECT_EQ(rig.store->status(studio).kind, Kind::stale);
    EXPECT_EQ(rig.store->record(studio.id)->health, VolumeHealth::healthy(1000, 400)) << "a stale reading never replaces";
    EXPECT_EQ(rig.story().back(), "Studio: Lost connection to smb://ana@nas.local/studio");

    passWith(VolumeHealth::healthy(1000, 300));
    EXPECT_EQ(rig.store->status(studio).kind, Kind::connected);
    EXPECT_EQ(rig.store->record(studio.id)->health, VolumeHealth::healthy(1000, 300));
    EXPECT_EQ(rig.story().back(), "Studio: Back online");

    QObject listener;
    int changes = 0;
    QObject::connect(rig.store.get(), &ShareStore::runtimeChanged, &listener, [&] { ++changes; });
    passWith(VolumeHealth::healthy(1000, 300));
    EXPECT_EQ(changes, 0) << "a pass that finds everything as it was says nothing";
}

TEST_F(StoreHealth, AVolumeGoneDuringItsCheckLeavesNoTrace)
{
    const ShareSpec studio = rig.add("Studio", "nas.local", false);
    rig.appear(studio, "/mnt/studio");
    rig.health["/mnt/studio"] = VolumeHealth::stale();
    rig.holdHealth = true;
    bool over = false;
    rig.store->probeAll([&] { over = true; });
    TestApp::waitUntil([&] { return !rig.heldHealth.empty(); }, 2000);
    rig.vanish("/mnt/studio");
    for (auto& answer : rig.heldHealth)
        answer();
    TestApp::waitUntil([&] { return over; }, 2000);
    EXPECT_EQ(rig.store->status(studio).kind, Kind::idle);
    EXPECT_FALSE(rig.store->record(studio.id)->health);
}

} // namespace
