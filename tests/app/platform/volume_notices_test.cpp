#include "app/test_app.h"
#include "platform/mountinfo.h"
#include "platform/mountinfo_gvfs_volume_notices.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <gio/gio.h>

#include <sys/mount.h>

namespace {

using Kind = Mountinfo::Change::Kind;

TEST(MountinfoTest, ReadsMountPointsByIdWithTheKernelsEscapes)
{
    const QByteArray text = "22 1 0:21 / / rw,relatime shared:1 - ext4 /dev/root rw\n"
                            "40 22 0:35 / /media/My\\040Share rw - cifs //server/share rw\n"
                            "41 22 0:36 / /mnt/tab\\011and\\134back rw - tmpfs none rw\n"
                            "42 22 0:37 / /mnt/Caf\\303\\251 rw - tmpfs none rw\n"
                            "garbage line\n"
                            "x 22 0:38 / /mnt/bad-id rw - tmpfs none rw\n"
                            "\n";
    const Mountinfo::Snapshot expected {
        {22, QStringLiteral("/")},
        {40, QStringLiteral("/media/My Share")},
        {41, QStringLiteral("/mnt/tab\tand\\back")},
        {42, QStringLiteral("/mnt/Café")},
    };
    EXPECT_EQ(Mountinfo::parse(text), expected);
}

TEST(MountinfoTest, ChangesBetweenSnapshotsNameEachMountOnce)
{
    const Mountinfo::Snapshot before {{1, "/"}, {5, "/mnt/a"}, {6, "/mnt/b"}, {7, "/mnt/c"}};
    const Mountinfo::Snapshot after {{1, "/"}, {6, "/mnt/b2"}, {7, "/mnt/c"}, {9, "/mnt/a"}, {8, "/mnt/d"}};
    const std::vector<Mountinfo::Change> expected {
        {Kind::unmounted, "/mnt/a"},
        {Kind::moved, "/mnt/b2"},
        {Kind::mounted, "/mnt/d"},
        {Kind::mounted, "/mnt/a"},
    };
    EXPECT_EQ(Mountinfo::changes(before, after), expected);
    EXPECT_TRUE(Mountinfo::changes(after, after).empty());
}

bool tableShows(const QString& mountPoint)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (const auto& [id, point] : Mountinfo::parse(file.readAll())) {
        if (point == mountPoint)
            return true;
    }
    return false;
}

TEST(VolumeNoticesTest, AMountAndAnUnmountEachGiveOneNoticeAfterTheTableShowsThem)
{
    TestApp::instance();
    QTemporaryDir dir;
    const QString point = dir.path();
    MountinfoGvfsVolumeNotices notices;
    struct Seen {
        QString what;
        QString where;
        bool shownInTable;
    };
    std::vector<Seen> seen;
    // Other tests may mount things meanwhile; only this folder counts.
    QObject::connect(&notices, &VolumeNotices::volumeDidMount, [&](const QString& where) {
        if (where == point)
            seen.push_back({QStringLiteral("mount"), where, tableShows(where)});
    });
    QObject::connect(&notices, &VolumeNotices::volumeDidUnmount, [&](const QString& where) {
        if (where == point)
            seen.push_back({QStringLiteral("unmount"), where, !tableShows(where)});
    });

    if (::mount("mountwire-test", point.toUtf8().constData(), "tmpfs", 0, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a file system here (needs root)";
    const bool mounted = TestApp::waitUntil([&] { return !seen.empty(); });
    ::umount2(point.toUtf8().constData(), MNT_DETACH);
    ASSERT_TRUE(mounted);
    ASSERT_TRUE(TestApp::waitUntil([&] { return seen.size() >= 2; }));
    TestApp::spin(200);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].what, QStringLiteral("mount"));
    EXPECT_EQ(seen[0].where, point);
    EXPECT_TRUE(seen[0].shownInTable);
    EXPECT_EQ(seen[1].what, QStringLiteral("unmount"));
    EXPECT_EQ(seen[1].where, point);
    EXPECT_TRUE(seen[1].shownInTable);
}

bool gioListsMountAt(const QString& location)
{
    bool listed = false;
    GVolumeMonitor* monitor = g_volume_monitor_get();
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    for (GList* item = mounts; item; item = item->next) {
        GFile* root = g_mount_get_root(G_MOUNT(item->data));
        char* path = g_file_get_path(root);
        listed = listed || (path && QString::fromUtf8(path) == location);
        g_free(path);
        g_object_unref(root);
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    return listed;
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
    MountinfoGvfsVolumeNotices notices;
    std::vector<std::pair<QString, QString>> seen;
    bool listedWhenMounted = false;
    QObject::connect(&notices, &VolumeNotices::volumeDidMount, [&](const QString& where) {
        seen.emplace_back(QStringLiteral("mount"), where);
        listedWhenMounted = gioListsMountAt(where);
    });
    QObject::connect(&notices, &VolumeNotices::volumeDidUnmount,
        [&](const QString& where) { seen.emplace_back(QStringLiteral("unmount"), where); });

    ASSERT_TRUE(gio({QStringLiteral("mount"), url}, qgetenv("MW_DAV_PASSWORD") + "\n"));
    ASSERT_TRUE(TestApp::waitUntil([&] { return !seen.empty(); }));
    const bool unmounted = gio({QStringLiteral("mount"), QStringLiteral("-u"), url});
    ASSERT_TRUE(unmounted);
    ASSERT_TRUE(TestApp::waitUntil([&] { return seen.size() >= 2; }));
    TestApp::spin(300);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, QStringLiteral("mount"));
    EXPECT_TRUE(seen[0].second.startsWith(gvfs + QStringLiteral("/dav:host=127.0.0.1,port=") + port))
        << seen[0].second.toStdString();
    EXPECT_TRUE(listedWhenMounted);
    EXPECT_EQ(seen[1], std::make_pair(QStringLiteral("unmount"), seen[0].second));
}

} // namespace
