#include "app/store/store_rig.h"
#include "health/probe.h"
#include "platform/gio_volume_health.h"
#include "platform/gvfs_mount_table.h"
#include "platform/mountinfo_gvfs_volume_notices.h"
#include "services/gvfs_mounter.h"
#include "services/secret_service_keychain.h"
#include "store/share_store.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

QString env(const char* name)
{
    return qEnvironmentVariable(name);
}

bool probePass(ShareStore& store)
{
    bool over = false;
    store.probeAll([&] { over = true; });
    return TestApp::waitUntil([&] { return over; }, 20000);
}

int count(const ShareStore& store, ActivityEvent::Kind kind)
{
    return int(std::count_if(store.events().begin(), store.events().end(),
        [&](const ActivityEvent& e) { return e.kind == kind; }));
}

// The real road: a WebDAV share on loopback mounted through the desktop's file-system daemon with its
// password from the password store, probed over TCP and checked with statfs, while its server goes away
// and comes back ten times.
TEST(StoreEndToEnd, TenOutagesOfARealServerAreTenDropsAndTenRecoveries)
{
    if (env("MW_GVFS_DIR").isEmpty() || env("MW_DAV_CONTROL").isEmpty() || env("MW_KEYRING_DATA").isEmpty())
        GTEST_SKIP() << "needs the file-system daemon, the WebDAV server and the password store of scripts/with-services";
    StoreRig rig; // the fake settings, notifier and desktop, and the data folder
    GvfsMounter mounter;
    SecretServiceKeychain keychain;
    MountinfoGvfsVolumeNotices notices;
    StoreServices services = rig.services();
    services.mounter = &mounter;
    services.keychain = &keychain;
    services.volumeNotices = &notices;
    services.now = {}; // the real clock
    services.mountTable = [] { return GvfsMountTable::allNetworkVolumes(); };
    services.probe = Probe::tcp;
    services.checkHealth = [health = GioVolumeHealth()](const QString& path, double timeout,
                               StoreServices::HealthDone done) mutable { health.check(path, timeout, done); };
    rig.store = std::make_unique<ShareStore>(services);
    ShareStore& store = rig.started();
    const FakeNotifier& notifier = rig.notifier;

    const ShareSpec dav(QUuid::createUuid(), QStringLiteral("Drop Box"), ShareProtocol::webdav,
        QStringLiteral("127.0.0.1"), env("MW_DAV_PORT").toInt(), env("MW_DAV_PATH"), env("MW_DAV_USER"), false, true);
    store.upsert(dav, env("MW_DAV_PASSWORD"));
    TestApp::spin(500); // the password store saves in the background
    store.mount(dav);
    ASSERT_TRUE(TestApp::waitUntil([&] { return store.isMounted(dav); }, 30000))
        << (store.record(dav.id)->lastError ? store.record(dav.id)->lastError->toStdString() : "no error");
    const QString mountPoint = store.record(dav.id)->volume->mountPoint;
    EXPECT_TRUE(mountPoint.startsWith(env("MW_GVFS_DIR"))) << mountPoint.toStdString();
    // The file-system bridge learns of a new mount a moment after the daemon made it.
    const auto figures = VolumeHealth::healthy(env("MW_DAV_SIZE").toLongLong(), env("MW_DAV_FREE").toLongLong());
    EXPECT_TRUE(TestApp::waitUntil([&] { return probePass(store) && store.record(dav.id)->health == figures; }, 10000));
    ASSERT_EQ(store.status(dav).kind, ShareStatus::Kind::connected);
    EXPECT_TRUE(notifier.posted.empty());

    const QString control = env("MW_DAV_CONTROL");
    for (int outage = 1; outage <= 10; ++outage) {
        ASSERT_EQ(QProcess::execute(control, {QStringLiteral("pause")}), 0);
        ASSERT_TRUE(probePass(store));
        EXPECT_EQ(count(store, ActivityEvent::Kind::dropped), outage - 1) << "one failed probe is not a drop";
        ASSERT_TRUE(probePass(store));
        EXPECT_EQ(store.status(dav).kind, ShareStatus::Kind::serverDown) << "outage " << outage;
        EXPECT_EQ(count(store, ActivityEvent::Kind::serverDown), outage);
        EXPECT_EQ(count(store, ActivityEvent::Kind::dropped), outage);

        ASSERT_EQ(QProcess::execute(control, {QStringLiteral("resume")}), 0);
        ASSERT_TRUE(probePass(store));
        EXPECT_TRUE(TestApp::waitUntil([&] { return store.status(dav).kind == ShareStatus::Kind::connected; }, 10000))
            << "outage " << outage;
        EXPECT_EQ(count(store, ActivityEvent::Kind::recovered), outage);
    }
    EXPECT_EQ(count(store, ActivityEvent::Kind::dropped), 10);
    EXPECT_EQ(count(store, ActivityEvent::Kind::recovered), 10);
    EXPECT_EQ(count(store, ActivityEvent::Kind::serverUp), 10);
    const auto newest = std::find_if(store.events().begin(), store.events().end(),
        [](const ActivityEvent& e) { return e.kind == ActivityEvent::Kind::dropped; });
    EXPECT_EQ(newest->message, QStringLiteral("Lost connection to ") + dav.displayURL());
    for (const NotificationMessage& message : {NotificationText::dropped("Drop Box", "127.0.0.1"),
             NotificationText::recovered("Drop Box", "127.0.0.1")})
        EXPECT_EQ(std::count(notifier.posted.begin(), notifier.posted.end(), message), 10);
    EXPECT_EQ(notifier.posted.size(), 20u);
    EXPECT_EQ(count(store, ActivityEvent::Kind::mounted), 1) << "one entry per mount";

    store.unmount(dav, false);
    EXPECT_TRUE(TestApp::waitUntil([&] { return store.events().front().message == QStringLiteral("Ejected"); }, 30000));
    EXPECT_TRUE(TestApp::waitUntil([&] { return !store.isMounted(dav); }, 10000));
    EXPECT_EQ(count(store, ActivityEvent::Kind::dropped), 10) << "an eject is no drop";
}

} // namespace
