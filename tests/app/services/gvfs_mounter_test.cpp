#include "model/mount_matcher.h"
#include "platform/gio_volume_health.h"
#include "platform/gvfs_mount_table.h"
#include "services/gvfs_mounter.h"
#include "services/mounter.h"
#include "services_test_app.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cerrno>

using servicestest::env;
using servicestest::share;
using servicestest::waitFor;
using P = ShareProtocol;

const QString fuse = QStringLiteral("/run/user/1000/gvfs/m");

TEST(GvfsMountTable, NetworkMountsAreListedWithTheSystemTypeNamesAndNothingElseIs)
{
    // The daemon's address, and the volume the mount table shows (none: not a share).
    const std::pair<const char*, std::optional<MountedVolume>> cases[] = {
        {"smb://ann@nas:10445/Media%20Files/", MountedVolume(fuse, "smbfs", "//ann@nas:10445/Media%20Files/")},
        {"afp://mac.local/Vol/", MountedVolume(fuse, "afpfs", "//mac.local/Vol/")},
        {"davs://u@cloud/remote.php/", MountedVolume(fuse, "webdav", "https://u@cloud/remote.php/")},
        {"nfs://filer/exports/media/", MountedVolume(fuse, "nfs", "filer:/exports/media/")},
        {"smb://nas/", std::nullopt}, {"file:///media/usb", std::nullopt},
        {"sftp://host/home", std::nullopt}, {"not a uri", std::nullopt},
    };
    for (const auto& [uri, volume] : cases)
        EXPECT_EQ(GvfsMountTable::volumeFor(QString::fromUtf8(uri), fuse), volume) << uri;
    EXPECT_FALSE(GvfsMountTable::volumeFor(QStringLiteral("smb://nas/share/"), QString())) << "no mount point";
}

TEST(GvfsMounter, GioErrorsAndClientLibraryMessagesBecomeStatusCodes)
{
    const std::tuple<int, const char*, std::int32_t> cases[] = {
        {G_IO_ERROR_TIMED_OUT, "x", 60}, {G_IO_ERROR_HOST_NOT_FOUND, "x", 65}, {G_IO_ERROR_NETWORK_UNREACHABLE, "x", 51},
        {G_IO_ERROR_FAILED_HANDLED, "x", 89}, {G_IO_ERROR_ALREADY_MOUNTED, "x", 17},
        // Some backends give the client library's error only as the end of the message.
        {G_IO_ERROR_FAILED, "Failed to mount Windows share: No such file or directory", 2},
        {G_IO_ERROR_FAILED, "Failed to mount Windows share: Connection refused", 61},
        {G_IO_ERROR_FAILED, "Failed to mount Windows share: Permission denied", 13},
        {G_IO_ERROR_FAILED, "Failed to mount Windows share: Connection timed out", 60},
        {G_IO_ERROR_FAILED, "Failed to mount Windows share: No route to host", 65},
        {G_IO_ERROR_FAILED, "Something odd happened", 5},
    };
    for (const auto& [gioCode, message, status] : cases) {
        GError* error = g_error_new_literal(G_IO_ERROR, gioCode, message);
        EXPECT_EQ(GvfsMounter::statusFromError(error), status) << gioCode << " " << message;
        g_error_free(error);
    }
}

TEST(Mounter, FailuresReadAsSentencesAndOnlyThoseThatNeedTheUserAreNotRetried)
{
    const std::tuple<std::vector<std::int32_t>, bool, const char*> cases[] = {
        {{80, 13, 1}, false, "The server didn’t accept the user name or password."},
        {{2, -6003}, false, "That share wasn’t found on the server."},
        {{51, 64, 65}, true, "The server can’t be reached on this network."},
        {{60}, true, "The server took too long to answer."},
        {{61}, true, "The server refused the connection."},
        {{89, -128}, false, "The connection was cancelled."},
        {{22}, false, "Invalid argument (22)."},
        {{5}, true, "Input/output error (5)."},
        {{-5045, -6600, -6602, 0}, false, "Mount failed (error %1)."},
        {{-36, 100000}, true, "Mount failed (error %1)."},
        {{-9807}, false, "The server’s certificate changed since you trusted it."},
        {{-9813}, false, "The server’s certificate isn’t trusted yet. Connect this line by hand to check it."},
    };
    for (const auto& [codes, retryable, sentence] : cases) {
        for (std::int32_t code : codes) {
            EXPECT_EQ(Mounter::describe(code), QString::fromUtf8(sentence).replace("%1", QString::number(code))) << code;
            EXPECT_EQ(Mounter::isRetryable(code), retryable) << code;
        }
    }
}

TEST(Mounter, SystemErrorsGiveTheSentenceOfTheirKind)
{
    const std::pair<int, std::int32_t> cases[] = {
        {ETIMEDOUT, 60}, {ECONNREFUSED, 61}, {EHOSTDOWN, 64}, {EHOSTUNREACH, 65}, {ENETUNREACH, 51},
        {ECANCELED, 89}, {EACCES, 13}, {EPERM, 1}, {ENOENT, 2}, {EEXIST, 17}, {EINVAL, 22},
        // Linux numbers that collide with the codes above must not borrow their sentences.
        {ENODATA, 5}, {ENOSTR, 5}, {ENONET, 5}, {ELIBBAD, 5}, {EDESTADDRREQ, 5}, {ENOSPC, ENOSPC},
    };
    for (const auto& [linuxErrno, status] : cases)
        EXPECT_EQ(Mounter::statusFromErrno(linuxErrno), status) << linuxErrno;
}

namespace {

ShareSpec smbShare(const QString& path = env("MW_SMB_SHARE"))
{
    return share(ShareProtocol::smb, "127.0.0.1", env("MW_SMB_PORT").toInt(), path, env("MW_SMB_USER"));
}

ShareSpec davShare(ShareProtocol proto = ShareProtocol::webdav, const char* port = "MW_DAV_PORT")
{
    const QString prefix = proto == ShareProtocol::webdav ? QStringLiteral("MW_DAV_") : QStringLiteral("MW_DAVS_");
    return share(proto, "127.0.0.1", env(port).toInt(), env((prefix + "PATH").toUtf8()), env((prefix + "USER").toUtf8()));
}

ShareSpec nfsShare()
{
    return share(ShareProtocol::nfs, env("MW_NFS_HOST"), std::nullopt, env("MW_NFS_EXPORT"), QString());
}

MountOutcome mountNow(GvfsMounter& mounter, const ShareSpec& spec, std::optional<QString> password)
{
    auto outcome = waitFor<MountOutcome>([&](auto done) { mounter.mount(spec, password, done); }, 60);
    EXPECT_TRUE(outcome) << "mount did not call back";
    return outcome.value_or(MountOutcome::failed(-1));
}

std::optional<QString> unmountNow(GvfsMounter& mounter, const QString& path, bool force = false)
{
    auto result = waitFor<std::optional<QString>>([&](auto done) { mounter.unmount(path, force, done); }, 30);
    EXPECT_TRUE(result) << "unmount did not call back";
    return result.value_or(QStringLiteral("no answer"));
}

bool listed(const ShareSpec& spec, const QString& mountPoint)
{
    const std::vector<MountedVolume> volumes = GvfsMountTable::allNetworkVolumes();
    return std::any_of(volumes.begin(), volumes.end(),
        [&](const MountedVolume& v) { return v.mountPoint == mountPoint && MountMatcher::matches(spec, v); });
}

using Health = std::optional<VolumeHealth>;

Health healthOf(GioVolumeHealth& health, const QString& mountPoint, double timeout = 4)
{
    return waitFor<Health>([&](auto done) { health.check(mountPoint, timeout, done); }).value_or(std::nullopt);
}

// The WebDAV server reports its size and free space as quota properties; the daemon passes them on
// whether statfs on its bridge has figures or not, and a hung server costs no more than the timeout.
void expectDaemonFigures(const QString& mountPoint)
{
    const Health figures = VolumeHealth::healthy(env("MW_DAV_SIZE").toLongLong(), env("MW_DAV_FREE").toLongLong());
    GioVolumeHealth real;
    EXPECT_EQ(healthOf(real, mountPoint), figures);
    GioVolumeHealth bare([](const QString&, double, GioVolumeHealth::Done done) { done(VolumeHealth::healthy(0, 0)); });
    EXPECT_EQ(healthOf(bare, mountPoint), figures);

    ASSERT_EQ(QProcess::execute(env("MW_DAV_CONTROL"), {QStringLiteral("freeze")}), 0);
    std::optional<Health> first, second;
    QElapsedTimer clock;
    clock.start();
    bare.querySpace(mountPoint, 1, [&](Health h) { first = h; });
    bare.querySpace(mountPoint, 1, [&](Health h) { second = h; });
    const std::optional<Health> nothing(std::in_place);
    EXPECT_EQ(second, nothing) << "one question per mount at a time, the second answered at once";
    EXPECT_EQ(bare.queriesOut(), 1u);
    EXPECT_TRUE(TestApp::waitUntil([&] { return first.has_value(); }, 3000));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(first, nothing) << clock.elapsed();
    EXPECT_EQ(healthOf(bare, mountPoint, 0.5), VolumeHealth::healthy(0, 0)) << "statfs's answer when the daemon has none";
    ASSERT_EQ(QProcess::execute(env("MW_DAV_CONTROL"), {QStringLiteral("thaw")}), 0);
    EXPECT_TRUE(TestApp::waitUntil([&] { return bare.queriesOut() == 0; }, 10000));
    EXPECT_EQ(healthOf(bare, mountPoint), figures);
}

// Mounts, checks the files and the mount table, unmounts and checks the table again.
void mountAndUnmount(const ShareSpec& spec, const QString& password, std::function<void(const QString&)> whileMounted = {})
{
    GvfsMounter mounter;
    MountOutcome outcome = mountNow(mounter, spec, password);
    ASSERT_TRUE(outcome.isMounted()) << Mounter::describe(outcome.failedCase()->code).toStdString();
    ASSERT_TRUE(outcome.mountedCase()->mountPoint);
    const QString mountPoint = *outcome.mountedCase()->mountPoint;
    EXPECT_TRUE(mountPoint.startsWith(env("MW_GVFS_DIR"))) << mountPoint.toStdString();
    // The file-system bridge takes a moment over a path that was mounted and unmounted before in this session.
    EXPECT_TRUE(TestApp::waitUntil([&] { return QFile::exists(mountPoint + QStringLiteral("/hello.txt")); }, 10000));
    EXPECT_TRUE(TestApp::waitUntil([&] { return listed(spec, mountPoint); }, 10000)) << "not in the mount table";

    // Mounting again is harmless and lands on the same place.
    EXPECT_EQ(mountNow(mounter, spec, password), MountOutcome::mounted(mountPoint));
    if (whileMounted)
        whileMounted(mountPoint);

    EXPECT_EQ(unmountNow(mounter, mountPoint), std::nullopt);
    EXPECT_TRUE(TestApp::waitUntil([&] { return !listed(spec, mountPoint); }, 10000)) << "stayed in the mount table";
}

void expectFailure(const MountOutcome& outcome, bool retryable, const char* sentence)
{
    ASSERT_FALSE(outcome.isMounted());
    EXPECT_EQ(outcome.failedCase()->retryable, retryable) << outcome.failedCase()->code;
    EXPECT_EQ(Mounter::describe(outcome.failedCase()->code), QString::fromUtf8(sentence));
}

} // namespace

TEST(GvfsMounter, EveryServedProtocolMountsAndUnmounts)
{
    const std::tuple<const char*, ShareSpec, QString, std::function<void(const QString&)>> servers[] = {
        {"MW_SMB_PORT", smbShare(), env("MW_SMB_PASSWORD"), {}},
        {"MW_DAV_PORT", davShare(), env("MW_DAV_PASSWORD"), expectDaemonFigures},
        {"MW_DAVS_PORT", davShare(ShareProtocol::webdavs, "MW_DAVS_PORT"), env("MW_DAVS_PASSWORD"), {}},
        {"MW_NFS_HOST", nfsShare(), QString(), {}},
    };
    for (const auto& [needs, spec, password, whileMounted] : servers) {
        SCOPED_TRACE(toRaw(spec.proto).toStdString());
        REQUIRE_ENV("MW_GVFS_DIR", needs);
        mountAndUnmount(spec, password, whileMounted);
    }
}

// A stopped server is paused and resumed through its control script, as a dropped server would be; only
// its failure is retried, and the line mounts once the server is back.
TEST(GvfsMounter, FailuresSayWhyAndOnlyAStoppedServerIsRetried)
{
    GvfsMounter mounter;
    const QString wrong = QStringLiteral("not-the-password");
    const char* refused = "The server refused the connection.";
    const struct {
        const char* needs;
        ShareSpec spec;
        QString password;
        const char* sentence;
        QString control; // none: a failure the user must fix
    } cases[] = {
        {"MW_SMB_PORT", smbShare(), wrong, "The server didn’t accept the user name or password.", {}},
        {"MW_DAV_PORT", davShare(), wrong, "The server didn’t accept the user name or password.", {}},
        {"MW_SMB_PORT", smbShare("no-such-share"), env("MW_SMB_PASSWORD"), "That share wasn’t found on the server.", {}},
        {"MW_SMB_CONTROL", smbShare(), env("MW_SMB_PASSWORD"), refused, env("MW_SMB_CONTROL")},
        {"MW_DAV_CONTROL", davShare(), env("MW_DAV_PASSWORD"), refused, env("MW_DAV_CONTROL")},
        {"MW_NFS_CONTROL", nfsShare(), {}, "The server can’t be reached on this network.", env("MW_NFS_CONTROL")},
    };
    for (const auto& [needs, spec, password, sentence, control] : cases) {
        SCOPED_TRACE(toRaw(spec.proto).toStdString() + ": " + sentence);
        REQUIRE_ENV("MW_GVFS_DIR", needs);
        const bool stopped = !control.isEmpty();
        ASSERT_TRUE(!stopped || QProcess::execute(control, {QStringLiteral("pause")}) == 0);
        const MountOutcome outcome = mountNow(mounter, spec, password);
        ASSERT_TRUE(!stopped || QProcess::execute(control, {QStringLiteral("resume")}) == 0);
        expectFailure(outcome, stopped, sentence);
        if (stopped) {
            const MountOutcome back = mountNow(mounter, spec, password);
            ASSERT_TRUE(back.isMounted());
            EXPECT_EQ(unmountNow(mounter, *back.mountedCase()->mountPoint), std::nullopt);
        }
    }
    REQUIRE_ENV("MW_GVFS_DIR");
    EXPECT_NE(unmountNow(mounter, QDir::tempPath(), true).value_or(QString()), QString()) << "nothing was mounted there";
}
