#include "model/mount_matcher.h"
#include "platform/gvfs_mount_table.h"
#include "services/gvfs_mounter.h"
#include "services/mounter.h"
#include "services_test_app.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using servicestest::env;
using servicestest::share;
using servicestest::spinUntil;
using servicestest::waitFor;

namespace {

bool haveDaemon()
{
    return !env("MW_GVFS_DIR").isEmpty();
}

#define NEED(var)                                                                                                   \
    do {                                                                                                            \
        if (!haveDaemon())                                                                                          \
            GTEST_SKIP() << "no file-system daemon in this session (run under scripts/with-services)";              \
        if (env(var).isEmpty())                                                                                     \
            GTEST_SKIP() << var " is not set: its test server did not start";                                       \
    } while (0)

ShareSpec smbShare(const QString& user = env("MW_SMB_USER"), const QString& path = env("MW_SMB_SHARE"))
{
    return share(ShareProtocol::smb, QStringLiteral("127.0.0.1"), env("MW_SMB_PORT").toInt(), path, user);
}

ShareSpec davShare()
{
    return share(ShareProtocol::webdav, QStringLiteral("127.0.0.1"), env("MW_DAV_PORT").toInt(), env("MW_DAV_PATH"),
        env("MW_DAV_USER"));
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
    for (const MountedVolume& volume : GvfsMountTable::allNetworkVolumes()) {
        if (volume.mountPoint == mountPoint && MountMatcher::matches(spec, volume))
            return true;
    }
    return false;
}

// Mounts, checks the files and the mount table, unmounts and checks the table again.
void mountAndUnmount(const ShareSpec& spec, const QString& password)
{
    GvfsMounter mounter;
    MountOutcome outcome = mountNow(mounter, spec, password);
    ASSERT_TRUE(outcome.isMounted()) << Mounter::describe(outcome.failedCase()->code).toStdString();
    ASSERT_TRUE(outcome.mountedCase()->mountPoint);
    const QString mountPoint = *outcome.mountedCase()->mountPoint;
    EXPECT_TRUE(mountPoint.startsWith(env("MW_GVFS_DIR"))) << mountPoint.toStdString();
    EXPECT_TRUE(QFile::exists(mountPoint + QStringLiteral("/hello.txt")));

    EXPECT_TRUE(spinUntil([&] { return listed(spec, mountPoint); })) << "the mount is not in the mount table";

    // Mounting again is harmless and lands on the same place.
    EXPECT_EQ(mountNow(mounter, spec, password), MountOutcome::mounted(mountPoint));

    EXPECT_EQ(unmountNow(mounter, mountPoint), std::nullopt);
    EXPECT_TRUE(spinUntil([&] { return !listed(spec, mountPoint); })) << "the mount stayed in the mount table";
}

} // namespace

TEST(GvfsMounter, SmbShareMountsWithUserAndPassword)
{
    NEED("MW_SMB_PORT");
    mountAndUnmount(smbShare(), env("MW_SMB_PASSWORD"));
}

TEST(GvfsMounter, WebdavShareMountsWithUserAndPassword)
{
    NEED("MW_DAV_PORT");
    mountAndUnmount(davShare(), env("MW_DAV_PASSWORD"));
}

TEST(GvfsMounter, WrongPasswordIsARefusedLoginNotRetried)
{
    NEED("MW_SMB_PORT");
    NEED("MW_DAV_PORT");
    GvfsMounter mounter;
    for (const ShareSpec& spec : {smbShare(), davShare()}) {
        MountOutcome outcome = mountNow(mounter, spec, QStringLiteral("not-the-password"));
        ASSERT_FALSE(outcome.isMounted()) << spec.host.toStdString();
        EXPECT_FALSE(outcome.failedCase()->retryable);
        EXPECT_EQ(Mounter::describe(outcome.failedCase()->code),
            QStringLiteral("The server didn’t accept the user name or password."));
    }
}

TEST(GvfsMounter, MissingShareSaysItWasNotFound)
{
    NEED("MW_SMB_PORT");
    GvfsMounter mounter;
    MountOutcome outcome = mountNow(mounter, smbShare(env("MW_SMB_USER"), QStringLiteral("no-such-share")),
        env("MW_SMB_PASSWORD"));
    ASSERT_FALSE(outcome.isMounted());
    EXPECT_FALSE(outcome.failedCase()->retryable);
    EXPECT_EQ(Mounter::describe(outcome.failedCase()->code), QStringLiteral("That share wasn’t found on the server."));
}

// The servers are paused and resumed through their control scripts, as a dropped server would be.
TEST(GvfsMounter, StoppedServerIsARetryableFailureAndMountsOnceBack)
{
    NEED("MW_SMB_CONTROL");
    NEED("MW_DAV_CONTROL");
    GvfsMounter mounter;
    const struct {
        ShareSpec spec;
        QString control;
        QString password;
    } servers[] = {
        {smbShare(), env("MW_SMB_CONTROL"), env("MW_SMB_PASSWORD")},
        {davShare(), env("MW_DAV_CONTROL"), env("MW_DAV_PASSWORD")},
    };
    for (const auto& server : servers) {
        ASSERT_EQ(QProcess::execute(server.control, {QStringLiteral("pause")}), 0);
        MountOutcome outcome = mountNow(mounter, server.spec, server.password);
        ASSERT_EQ(QProcess::execute(server.control, {QStringLiteral("resume")}), 0);
        ASSERT_FALSE(outcome.isMounted()) << server.control.toStdString();
        EXPECT_TRUE(outcome.failedCase()->retryable) << outcome.failedCase()->code;
        EXPECT_EQ(Mounter::describe(outcome.failedCase()->code), QStringLiteral("The server refused the connection."));

        outcome = mountNow(mounter, server.spec, server.password);
        ASSERT_TRUE(outcome.isMounted()) << server.control.toStdString();
        EXPECT_EQ(unmountNow(mounter, *outcome.mountedCase()->mountPoint), std::nullopt);
    }
}

TEST(GvfsMounter, UnmountingWhatIsNotMountedGivesTheSystemError)
{
    if (!haveDaemon())
        GTEST_SKIP() << "no file-system daemon in this session (run under scripts/with-services)";
    GvfsMounter mounter;
    std::optional<QString> error = unmountNow(mounter, QDir::tempPath(), true);
    ASSERT_TRUE(error);
    EXPECT_FALSE(error->isEmpty());
}
