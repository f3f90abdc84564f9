#include "app/services/services_test_app.h"
#include "app/store/self_signed_rig.h"
#include "health/probe.h"
#include "platform/gio_volume_health.h"
#include "services/mounter.h"
#include "services/secret_service_keychain.h"
#include "store/share_store.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

using servicestest::env;

int count(const ShareStore& store, ActivityEvent::Kind kind)
{
    return int(std::count_if(store.events().begin(), store.events().end(),
        [&](const ActivityEvent& e) { return e.kind == kind; }));
}

// The real road: a share on loopback mounted through the desktop's file-system daemon with its password
// from the password store, probed over TCP and checked with statfs, while its server goes away and comes
// back `outages` times.
void rideOutages(const ShareSpec& dav, const QString& password, const QString& control, int outages)
{
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

    store.upsert(dav, password);
    TestApp::spin(500); // the password store saves in the background
    store.mount(dav);
    ASSERT_TRUE(TestApp::waitUntil([&] { return store.isMounted(dav); }, 30000))
        << (store.record(dav.id)->lastError ? store.record(dav.id)->lastError->toStdString() : "no error");
    const QString mountPoint = store.record(dav.id)->volume->mountPoint;
    EXPECT_TRUE(mountPoint.startsWith(env("MW_GVFS_DIR"))) << mountPoint.toStdString();
    // The file-system bridge learns of a new mount a moment after the daemon made it.
    const auto figures = VolumeHealth::healthy(env("MW_DAV_SIZE").toLongLong(), env("MW_DAV_FREE").toLongLong());
    // The WebDAV server tells its quota; other servers tell the sizes of their disks.
    EXPECT_TRUE(TestApp::waitUntil([&] {
        const auto health = rig.probePass(20000) ? store.record(dav.id)->health : std::nullopt;
        return health && (dav.proto != ShareProtocol::webdav || health == figures);
    }, 10000));
    ASSERT_EQ(store.status(dav).kind, ShareStatus::Kind::connected);
    EXPECT_TRUE(notifier.posted.empty());

    for (int outage = 1; outage <= outages; ++outage) {
        ASSERT_EQ(QProcess::execute(control, {QStringLiteral("pause")}), 0);
        ASSERT_TRUE(rig.probePass(20000));
        // The NFS client gives its mount up as soon as the server hangs up: a drop at once.
        if (dav.proto != ShareProtocol::nfs) {
            EXPECT_EQ(count(store, ActivityEvent::Kind::dropped), outage - 1) << "one failed probe is not a drop";
        }
        ASSERT_TRUE(rig.probePass(20000));
        EXPECT_EQ(store.status(dav).kind, ShareStatus::Kind::serverDown) << "outage " << outage;
        EXPECT_EQ(count(store, ActivityEvent::Kind::serverDown), outage);
        EXPECT_EQ(count(store, ActivityEvent::Kind::dropped), outage);

        ASSERT_EQ(QProcess::execute(control, {QStringLiteral("resume")}), 0);
        ASSERT_TRUE(rig.probePass(20000));
        EXPECT_TRUE(TestApp::waitUntil([&] { return store.status(dav).kind == ShareStatus::Kind::connected; }, 10000))
            << "outage " << outage;
        EXPECT_EQ(count(store, ActivityEvent::Kind::recovered), outage);
    }
    EXPECT_EQ(count(store, ActivityEvent::Kind::serverUp), outages);
    const auto newest = std::find_if(store.events().begin(), store.events().end(),
        [](const ActivityEvent& e) { return e.kind == ActivityEvent::Kind::dropped; });
    EXPECT_EQ(newest->message, QStringLiteral("Lost connection to ") + dav.displayURL());
    for (const NotificationMessage& message : {NotificationText::dropped(dav.name, dav.host),
             NotificationText::recovered(dav.name, dav.host)})
        EXPECT_EQ(std::count(notifier.posted.begin(), notifier.posted.end(), message), outages);
    EXPECT_EQ(notifier.posted.size(), 2u * outages);
    EXPECT_EQ(count(store, ActivityEvent::Kind::mounted), 1) << "one entry per mount";

    store.unmount(dav, false);
    EXPECT_TRUE(TestApp::waitUntil([&] { return store.events().front().message == QStringLiteral("Ejected"); }, 30000));
    EXPECT_TRUE(TestApp::waitUntil([&] { return !store.isMounted(dav); }, 10000));
    EXPECT_EQ(count(store, ActivityEvent::Kind::dropped), outages) << "an eject is no drop";
}

TEST(StoreEndToEnd, OutagesOfRealServersAreAsManyDropsAndRecoveries)
{
    REQUIRE_ENV("MW_GVFS_DIR", "MW_KEYRING_DATA", "MW_DAV_CONTROL", "MW_NFS_CONTROL");
    rideOutages(ShareSpec(QUuid::createUuid(), QStringLiteral("Drop Box"), ShareProtocol::webdav, QStringLiteral("127.0.0.1"),
                    env("MW_DAV_PORT").toInt(), env("MW_DAV_PATH"), env("MW_DAV_USER"), false, true),
        env("MW_DAV_PASSWORD"), env("MW_DAV_CONTROL"), 10);
    rideOutages(ShareSpec(QUuid::createUuid(), QStringLiteral("Exports"), ShareProtocol::nfs, env("MW_NFS_HOST"),
                    std::nullopt, env("MW_NFS_EXPORT"), QString(), false, true),
        QString(), env("MW_NFS_CONTROL"), 3);
}

TEST(StoreEndToEnd, SelfSignedCertificateIsAskedOncePinnedAndRefusedWhenTheServerChangesIt)
{
    REQUIRE_ENV("MW_GVFS_DIR", "MW_DAVS_CONTROL");
    SelfSignedRig r;
    const QString untrusted = Mounter::describe(Mounter::Status::certificateUntrusted);
    const QString changed = Mounter::describe(Mounter::Status::certificateChanged);

    r.trust = false;
    ASSERT_FALSE(r.connect());
    EXPECT_EQ(r.lastError(), QStringLiteral("The connection was cancelled."));
    EXPECT_EQ(r.pin(), std::nullopt);

    r.trust = true;
    ASSERT_TRUE(r.connect()) << r.lastError().toStdString();
    ASSERT_EQ(r.shown.size(), 2u);
    EXPECT_EQ(r.shown[1].subject, QStringLiteral("127.0.0.1 · Mountwire Test"));
    EXPECT_EQ(r.shown[1].issuer, r.shown[1].subject) << "self-signed";
    EXPECT_EQ(r.pin(), r.shown[1].sha256);
    EXPECT_FALSE(r.rig.file(ShareStore::sharesFileName()).contains(r.shown[1].sha256.toUtf8())) << "kept apart";

    EXPECT_TRUE(r.dropAndRemount()) << "the same certificate is answered without asking: " << r.lastError().toStdString();
    EXPECT_EQ(r.shown.size(), 2u);

    // Without a pin an automatic remount fails once and waits for the user.
    r.store->forgetCertificate(r.line);
    EXPECT_FALSE(r.dropAndRemount());
    EXPECT_EQ(r.lastError(), untrusted);
    EXPECT_EQ(r.rig.story().count(QStringLiteral("Nas: ") + untrusted), 1) << "not retried";
    EXPECT_EQ(r.shown.size(), 2u);
    ASSERT_TRUE(r.connect());
    EXPECT_EQ(r.shown.size(), 3u);

    // The server comes back with another key: refused, said, and never retried on its own.
    ASSERT_EQ(QProcess::execute(env("MW_DAVS_CONTROL"), {QStringLiteral("rekey")}), 0);
    EXPECT_FALSE(r.dropAndRemount());
    EXPECT_EQ(r.lastError(), changed);
    EXPECT_EQ(r.rig.story().count(QStringLiteral("Nas: ") + changed), 1);
    EXPECT_EQ(r.rig.notifier.posted.back(), NotificationText::certificateChanged(QStringLiteral("Nas"), QStringLiteral("127.0.0.1")));
    EXPECT_FALSE(r.connect()) << "a connect by hand is refused too";
    EXPECT_EQ(r.shown.size(), 3u);

    r.store->unmount(r.line, false);
    EXPECT_EQ(r.pin(), std::nullopt) << "an eject forgets the certificate";
}

} // namespace
