#include "app/store/store_rig.h"

#include <gtest/gtest.h>

namespace {

using Phase = LinkMachine::Phase;
using Kind = ShareStatus::Kind;

using StoreMount = StartedStore;
using StoreEject = StartedStore;
using StoreRoutes = StartedStore;
using StoreLines = StartedStore;

QStringList connectedList(const StoreRig& rig)
{
    return rig.defaults.stringListValue("connectedShares").value_or(QStringList {});
}

TEST_F(StoreMount, ConnectingUsesTheStoredPasswordLogsOnceAndIsRememberedEvenWhenItFails)
{
    const ShareSpec stranger(QUuid::createUuid(), "X", ShareProtocol::smb, "h", std::nullopt, "x", "", false, true);
    EXPECT_EQ(rig.store->status(stranger), ShareStatus::of(Kind::idle)) << "a line needs no record to be idle";
    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.keychain.preset(studio, "s3cret");
    rig.mounter.mountScript = {MountOutcome::mounted(QString("/mnt/studio"))};
    rig.store->mount(studio);
    rig.store->mount(studio);
    EXPECT_EQ(rig.store->status(studio), ShareStatus::of(Kind::connecting));
    rig.settle();
    ASSERT_EQ(rig.mounter.mounts.size(), 1u) << "a line already mounting starts no second attempt";
    EXPECT_EQ(rig.mounter.mounts.front().password, "s3cret");
    EXPECT_EQ(rig.store->status(studio).kind, Kind::connected);
    EXPECT_EQ(connectedList(rig), QStringList {JsonFields::uuidText(studio.id)});

    // The desktop tells of the new volume only after the mount reported success: still one entry.
    rig.appear(studio, "/mnt/studio");
    EXPECT_EQ(rig.story().filter("Mounted").size(), 1);
    EXPECT_EQ(rig.store->record(studio.id)->volume->mountPoint, "/mnt/studio");

    const ShareSpec archive = rig.add("Archive", "nas.local");
    rig.mounter.mountScript = {MountOutcome::failed(80)};
    rig.store->mount(archive);
    rig.settle();
    EXPECT_EQ(rig.store->status(archive), ShareStatus::failed("The server didn’t accept the user name or password."));
    EXPECT_EQ(rig.story().back(), "Archive: The server didn’t accept the user name or password.");
    EXPECT_EQ(connectedList(rig).size(), 2);
}

TEST_F(StoreMount, LinesThatAskEveryTimeAskTheUserAndNeverReconnectOnTheirOwn)
{
    const ShareSpec studio = rig.add("Studio", "nas.local", true, true);
    rig.store->mount(studio);
    EXPECT_EQ(rig.store->status(studio), ShareStatus::failed("Cancelled."));
    EXPECT_TRUE(rig.mounter.mounts.empty());

    rig.typedPassword = "typed";
    rig.store->mount(studio);
    rig.settle();
    ASSERT_EQ(rig.mounter.mounts.size(), 1u);
    EXPECT_EQ(rig.mounter.mounts.front().password, "typed");
    EXPECT_TRUE(rig.keychain.saves.empty()) << "a typed password is never kept";

    // An automatic reconnection cannot ask.
    rig.appear(studio, "/mnt/studio");
    rig.vanish("/mnt/studio");
    rig.advance(6);
    rig.beat();
    EXPECT_EQ(rig.prompts, 2);
    EXPECT_EQ(rig.store->status(studio), ShareStatus::failed("Waiting for you to enter the password."));
    EXPECT_EQ(rig.notifier.posted.back(), NotificationText::needsPassword("Studio"));
}

TEST_F(StoreEject, EjectingLogsForgetsTheLineForcesAStaleOneAndShowsAFailure)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    const ShareSpec archive = rig.add("Archive", "nas.local");
    rig.store->mount(studio);
    rig.store->mount(archive);
    rig.settle();
    rig.appear(studio, "/mnt/studio");
    rig.appear(archive, "/mnt/archive");
    rig.health["/mnt/archive"] = VolumeHealth::stale();
    rig.probePass();
    ASSERT_EQ(rig.store->status(archive).kind, Kind::stale);

    rig.store->unmount(studio, false);
    EXPECT_TRUE(rig.store->record(studio.id)->busy);
    rig.store->unmount(archive, false);
    rig.settle();
    ASSERT_EQ(rig.mounter.unmounts.size(), 2u);
    EXPECT_FALSE(rig.mounter.unmounts[0].force);
    EXPECT_TRUE(rig.mounter.unmounts[1].force) << "a hanging mount is forced";
    EXPECT_EQ(rig.story().filter("Ejected").size(), 2);
    EXPECT_TRUE(connectedList(rig).isEmpty());
    EXPECT_FALSE(rig.store->record(studio.id)->busy);

    // Ejecting what is not mounted leaves the list alone.
    rig.defaults.setStringList("connectedShares", {JsonFields::uuidText(studio.id)});
    rig.table.clear();
    rig.store->refreshMounts();
    rig.store->unmount(studio, false);
    EXPECT_EQ(connectedList(rig).size(), 1);

    // A failed eject is logged and shown on the line, which stays as the mount table shows it.
    rig.appear(studio, "/mnt/studio");
    rig.mounter.unmountScript = {QString("Device or resource busy")};
    rig.store->unmount(studio, false);
    rig.settle();
    EXPECT_EQ(rig.story().back(), "Studio: Couldn’t eject: Device or resource busy");
    EXPECT_EQ(rig.store->record(studio.id)->lastError, "Device or resource busy");
    EXPECT_TRUE(rig.store->isMounted(studio));
}

TEST_F(StoreRoutes, ActivatingARouteEjectsTheOthersFirstThenConnectsItsLines)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    const ShareSpec archive = rig.add("Archive", "nas.local");
    rig.appear(rig.add("Media", "media.local"), "/mnt/media");
    rig.store->addProfile();
    Profile route = rig.store->profiles().front();
    route.name = "Studio";
    route.unmountOthers = true;
    route.shareIDs = {archive.id, studio.id};
    rig.store->updateProfile(route);
    rig.mounter.answer = FakeMounter::Answer::onRelease;

    rig.store->activate(route);
    rig.settle();
    ASSERT_EQ(rig.mounter.unmounts.size(), 1u);
    EXPECT_EQ(rig.mounter.unmounts.front().path, "/mnt/media");
    ASSERT_EQ(rig.mounter.mounts.size(), 2u);
    EXPECT_EQ(rig.mounter.mounts[0].spec.id, archive.id) << "in the route's order";
    EXPECT_EQ(rig.store->activeProfileID(), route.id);
    EXPECT_EQ(rig.store->toast()->text, "Route: Studio");
    EXPECT_TRUE(rig.story().contains("Switched to the Studio route"));
    rig.mounter.release();
}

TEST_F(StoreRoutes, RoutesAreAddedToggledRenamedAndDeletedWithTheirToasts)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.store->addProfile();
    rig.store->addProfile();
    ASSERT_EQ(rig.store->profiles().size(), 2u);
    EXPECT_NE(rig.store->profiles()[0].name, rig.store->profiles()[1].name);
    const QUuid first = rig.store->profiles()[0].id;

    rig.store->toggle(studio, first);
    EXPECT_EQ(rig.store->profiles()[0].shareIDs, QList<QUuid> {studio.id});
    rig.store->renameProfile(first, "  Office ");
    EXPECT_EQ(rig.store->profiles()[0].name, "Office");
    rig.store->renameProfile(first, "   ");
    EXPECT_EQ(rig.store->profiles()[0].name, "Office") << "a blank name is refused";

    rig.store->activate(rig.store->profiles()[0]);
    rig.store->deleteProfile(first);
    EXPECT_FALSE(rig.store->activeProfileID()) << "deleting the active route leaves none active";
    EXPECT_EQ(rig.store->toast()->text, "Deleted the “Office” route");

    rig.store->toggle(studio, rig.store->profiles()[0].id);
    rig.store->remove(studio);
    EXPECT_TRUE(rig.store->profiles()[0].shareIDs.isEmpty()) << "a deleted line leaves every route";
    EXPECT_EQ(rig.store->toast()->text, "Removed “Studio” from Mountwire");
    EXPECT_FALSE(rig.store->record(studio.id));
}

TEST_F(StoreLines, AddingAndEditingSayWhichAndKeepOnlyPasswordsThatAreNotAskedFor)
{
    ShareSpec studio(QUuid::createUuid(), "Studio", ShareProtocol::smb, "nas.local", std::nullopt, "studio", "ana",
        false, true);
    rig.store->upsert(studio, QString("pw1"));
    EXPECT_EQ(rig.store->toast()->text, "Added “Studio”");
    studio.name = "Studio B";
    rig.store->upsert(studio, QString());
    EXPECT_EQ(rig.store->toast()->text, "Saved “Studio B”");
    EXPECT_EQ(rig.store->shares().size(), 1u);
    studio.askEveryTime = true;
    rig.store->upsert(studio, QString("pw2"));
    ASSERT_EQ(rig.keychain.saves.size(), 1u) << "empty and asked-for passwords are not stored";
    EXPECT_EQ(rig.keychain.saves.front().password, "pw1");
}

TEST_F(StoreLines, AdoptingAVolumeMakesALineThatClaimsIt)
{
    const MountedVolume photos("/mnt/photos", "nfs", "photos.local:/export/pictures");
    rig.table = {photos};
    // Start-up read the table in this turn of the event loop already.
    rig.settle();
    rig.store->refreshMounts();
    ASSERT_EQ(rig.store->otherVolumes().size(), 1u);
    rig.store->save(photos);
    rig.settle();
    ASSERT_EQ(rig.store->shares().size(), 1u);
    const ShareSpec line = rig.store->shares().front();
    EXPECT_EQ(line.proto, ShareProtocol::nfs);
    EXPECT_EQ(line.name, "pictures");
    EXPECT_TRUE(line.keepConnected);
    EXPECT_TRUE(rig.store->otherVolumes().empty());
    EXPECT_TRUE(rig.store->isMounted(line));

    MountedVolume unknown("/mnt/odd", "somefs", "");
    unknown.proto.reset();
    unknown.host = "odd.local";
    unknown.share = "things";
    rig.store->save(unknown);
    EXPECT_EQ(rig.store->shares().back().proto, ShareProtocol::smb) << "a volume of no known protocol becomes SMB";
}

TEST_F(StoreLines, OpeningShowsTheMountOrConnectsAndCopyingPutsTheAddressOnTheClipboard)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.store->open(studio);
    rig.settle();
    EXPECT_EQ(rig.mounter.mounts.size(), 1u);
    rig.appear(studio, "/mnt/studio");
    rig.store->open(studio);
    EXPECT_EQ(rig.desktop.opened, QList<QUrl> {QUrl::fromLocalFile("/mnt/studio")});
    rig.store->copyAddress(studio);
    EXPECT_EQ(rig.desktop.clipboard, "smb://ana@nas.local/studio");
    EXPECT_EQ(rig.store->toast()->text, "Address copied");
}

TEST_F(StoreLines, SwitchingReconnectionOffStopsAWaitingLine)
{
    const ShareSpec studio = rig.waitingLine("Studio");
    ASSERT_EQ(rig.phase(studio), Phase::waiting);
    rig.store->setKeepConnected(studio, false);
    EXPECT_EQ(rig.phase(studio), Phase::idle);
    EXPECT_FALSE(rig.store->shares().front().keepConnected);
}

TEST(StoreToast, ANewToastReplacesTheOldOneAndStaysItsFullTime)
{
    StoreRig rig;
    rig.store->showToast("one", "trash", ToastTint::ink2);
    TestApp::spin(1500);
    rig.store->showToast("two", "checkmark.circle.fill", ToastTint::blue);
    const QUuid second = rig.store->toast()->id;
    TestApp::spin(1500);
    ASSERT_TRUE(rig.store->toast()) << "the first toast's time does not end the second";
    EXPECT_EQ(rig.store->toast()->id, second);
    EXPECT_TRUE(TestApp::waitUntil([&] { return !rig.store->toast(); }, 2000));
}

} // namespace
