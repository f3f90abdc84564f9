#include "app/test_app.h"
#include "platform/mountinfo.h"
#include "platform/mountinfo_gvfs_volume_notices.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <gio/gio.h>

#include <sys/mount.h>

namespace {

using Kind = Mountinfo::Change::Kind;
using Notice = std::pair<QString, QString>; // what, where

TEST(MountinfoTest, ReadsMountPointsByIdWithTheKernelsEscapesAndNamesEachChangeOnce)
{
    const QByteArray text = "22 1 0:21 / / rw,relatime shared:1 - ext4 /dev/root rw\n"
                            "40 22 0:35 / /media/My\\040Share rw - cifs //server/share rw\n"
                            "41 22 0:36 / /mnt/tab\\011and\\134back rw - tmpfs none rw\n"
                            "42 22 0:37 / /mnt/Caf\\303\\251 rw - tmpfs none rw\n"
                            "garbage line\n"
                            "x 22 0:38 / /mnt/bad-id rw - tmpfs none rw\n";
    const Mountinfo::Snapshot parsed {
        {22, "/"}, {40, "/media/My Share"}, {41, "/mnt/tab\tand\\back"}, {42, QStringLiteral("/mnt/Café")}};
    EXPECT_EQ(Mountinfo::parse(text), parsed);

    const Mountinfo::Snapshot before {{1, "/"}, {5, "/mnt/a"}, {6, "/mnt/b"}, {7, "/mnt/c"}};
    const Mountinfo::Snapshot after {{1, "/"}, {6, "/mnt/b2"}, {7, "/mnt/c"}, {9, "/mnt/a"}, {8, "/mnt/d"}};
    const std::vector<Mountinfo::Change> expected {
        {Kind::unmounted, "/mnt/a"}, {Kind::moved, "/mnt/b2"}, {Kind::mounted, "/mnt/d"}, {Kind::mounted, "/mnt/a"}};
    EXPECT_EQ(Mountinfo::changes(before, after), expected);
    EXPECT_TRUE(Mountinfo::changes(after, after).empty());
}

bool kernelTableShows(const QString& mountPoint)
{
    const Mountinfo::Snapshot table = Mountinfo::parse(TestApp::readFile(QStringLiteral("/proc/self/mountinfo")));
    return std::any_of(table.begin(), table.end(), [&](const auto& mount) { return mount.second == mountPoint; });
}

bool gioListsMountAt(const QString& location)
{
    bool listed = false;
    GVolumeMonitor* monitor = g_volume_monitor_get();
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    for (GList* item = mounts; item; item = item->next) {
        g_autoptr(GFile) root = g_mount_get_root(G_MOUNT(item->data));
        g_autofree char* path = g_file_get_path(root);
        listed = listed || (path && QString::fromUtf8(path) == location);
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    return listed;
}

// Records the notices about places that pass the filter (other tests may mount things meanwhile), and
// whether the mount table already showed the change at the moment of each notice.
struct Recorder {
    MountinfoGvfsVolumeNotices notices;
    std::vector<Notice> seen;
    std::vector<bool> tableAgreed;

    Recorder(std::function<bool(const QString&)> ours, std::function<bool(const QString&)> listed)
    {
        const auto record = [=, this](const char* what, bool mounted) {
            return [=, this](const QString& where) {
                if (ours(where))
                    seen.emplace_back(what, where), tableAgreed.push_back(listed(where) == mounted);
            };
        };
        QObject::connect(&notices, &VolumeNotices::volumeDidMount, record("mount", true));
        QObject::connect(&notices, &VolumeNotices::volumeDidUnmount, record("unmount", false));
    }
    // Waits for both notices, then a little longer to catch any extra one, and checks them.
    void expectMountAndUnmount(const QString& where)
    {
        ASSERT_TRUE(TestApp::waitUntil([&] { return seen.size() >= 2; }));
        TestApp::spin(300);
        EXPECT_EQ(seen, (std::vector<Notice> {{"mount", where}, {"unmount", where}}));
        EXPECT_EQ(tableAgreed, (std::vector<bool> {true, true}));
    }
};

TEST(VolumeNoticesTest, AKernelMountAndUnmountEachGiveOneNoticeAfterTheTableShowsThem)
{
    TestApp::instance();
    QTemporaryDir dir;
    const QString point = dir.path();
    Recorder recorder([&](const QString& where) { return where == point; }, kernelTableShows);
    if (::mount("mountwire-test", point.toUtf8().constData(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a file system here (needs root)";
    TestApp::waitUntil([&] { return !recorder.seen.empty(); });
    ::umount2(point.toUtf8().constData(), MNT_DETACH);
    recorder.expectMountAndUnmount(point);
}

bool gio(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(QStringLiteral("gio"), arguments);
    process.write(input);
    process.closeWriteChannel();
    // The notices come through this process's event loop, so keep it turning while the tool works.
    TestApp::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 20000);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

TEST(VolumeNoticesTest, AUserSpaceShareGivesOneNoticeEachWay)
{
    const QString gvfs = qEnvironmentVariable("MW_GVFS_DIR");
    const QString port = qEnvironmentVariable("MW_DAV_PORT");
    if (gvfs.isEmpty() || port.isEmpty())
        GTEST_SKIP() << "needs the test session's file-system daemon and WebDAV server";
    TestApp::instance();
    const QString url = QStringLiteral("dav://%1@127.0.0.1:%2/%3/")
                            .arg(qEnvironmentVariable("MW_DAV_USER"), port, qEnvironmentVariable("MW_DAV_PATH"));
    const QString point = gvfs + QStringLiteral("/dav:host=127.0.0.1,port=") + port;
    Recorder recorder([&](const QString& where) { return where.startsWith(point); }, gioListsMountAt);

    ASSERT_TRUE(gio({QStringLiteral("mount"), url}, qgetenv("MW_DAV_PASSWORD") + "\n"));
    ASSERT_TRUE(TestApp::waitUntil([&] { return !recorder.seen.empty(); }));
    ASSERT_TRUE(gio({QStringLiteral("mount"), QStringLiteral("-u"), url}));
    recorder.expectMountAndUnmount(recorder.seen.front().second);
}

} // namespace
