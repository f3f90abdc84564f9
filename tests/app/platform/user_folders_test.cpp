#include "app/test_app.h"
#include "platform/atomic_file.h"
#include "platform/user_defaults.h"
#include "platform/user_folders.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>

namespace {

using TestApp::readFile;

// The settings file too is looked for at each use, so a changed home is followed.
TEST(UserFoldersTest, FoldersAreMadeUnderTheXdgHomesOrTheUsualPlaces)
{
    QTemporaryDir dir;
    const QByteArray home = qgetenv("HOME");
    qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    EXPECT_EQ(UserFolders::applicationSupport(), dir.filePath("data/Mountwire"));
    EXPECT_EQ(UserFolders::caches(), dir.filePath("cache/Mountwire"));
    EXPECT_TRUE(QDir(dir.filePath("data/Mountwire")).exists());
    EXPECT_TRUE(QDir(dir.filePath("cache/Mountwire")).exists());
    QSettingsUserDefaults defaults;
    defaults.setBool("reconnectAfterWake", false);
    EXPECT_TRUE(QFile::exists(dir.filePath("config/Mountwire/Mountwire.conf")));

    // Unset or relative (which the XDG rules call invalid) fall back under the home folder.
    qputenv("HOME", dir.path().toUtf8());
    qunsetenv("XDG_DATA_HOME");
    qputenv("XDG_CACHE_HOME", "relative/cache");
    EXPECT_EQ(UserFolders::applicationSupport(), dir.filePath(".local/share/Mountwire"));
    EXPECT_EQ(UserFolders::caches(), dir.filePath(".cache/Mountwire"));
    qputenv("XDG_CONFIG_HOME", dir.filePath("elsewhere").toUtf8());
    EXPECT_FALSE(defaults.boolValue("reconnectAfterWake"));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CACHE_HOME");
    qputenv("HOME", home);
}

TEST(AtomicFileTest, ReplacesTheWholeFileOrKeepsTheOldOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shares.json");
    ASSERT_TRUE(AtomicFile::write(path, QByteArray(10000, 'x')));
    ASSERT_TRUE(AtomicFile::write(path, "{}"));
    EXPECT_EQ(readFile(path), "{}");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"shares.json"});
    EXPECT_FALSE(AtomicFile::write(dir.filePath("absent/shares.json"), "{}"));

    // A full disk fails the write part-way; the file that was there must survive untouched.
    QTemporaryDir small;
    const QByteArray where = small.path().toUtf8();
    if (::mount("mountwire-test", where.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    const struct Unmount {
        QByteArray where;
        ~Unmount() { ::umount2(where.constData(), MNT_DETACH); }
    } unmount {where};
    const QString log = small.filePath("activity.json");
    ASSERT_TRUE(AtomicFile::write(log, "[\"old\"]"));
    EXPECT_FALSE(AtomicFile::write(log, QByteArray(1 << 20, 'n')));
    EXPECT_EQ(readFile(log), "[\"old\"]");
    EXPECT_EQ(QDir(small.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"activity.json"});
}

} // namespace
