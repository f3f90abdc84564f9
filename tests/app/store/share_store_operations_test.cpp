#include "app/store/store_rig.h"

#include <gtest/gtest.h>

namespace {

using Kind = ShareStatus::Kind;

using StoreMount = StartedStore;
using StoreEject = StartedStore;
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

TEST_F(StoreEject, EjectingLogsForgetsTheLineAndShowsAFailure)
{
    const ShareSpec studio = rig.add("Studio", "nas.local");
    rig.store->mount(studio);
    rig.settle();
    rig.appear(studio, "/mnt/studio");

    rig.store->unmount(studio, false);
    EXPECT_TRUE(rig.store->record(studio.id)->busy);
    rig.settle();
    ASSERT_EQ(rig.mounter.unmounts.size(), 1u);
    EXPECT_FALSE(rig.mounter.unmounts[0].force) << "a mount that answers is not forced";
    EXPECT_EQ(rig.story().filter("Ejected").size(), 1);
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

} // namespace
