#include "platform/atomic_file.h"
#include "platform/user_folders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mount.h>

namespace {

class XdgHomes : public ::testing::Test {
protected:
    void TearDown() override
    {
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("XDG_CACHE_HOME");
        qputenv("HOME", home);
    }
    QByteArray home = qgetenv("HOME");
    QTemporaryDir dir;
};

TEST_F(XdgHomes, FoldersAreCreatedUnderTheXdgHomes)
{
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toUtf8());
    EXPECT_EQ(UserFolders::applicationSupport(), dir.filePath(QStringLiteral("data/Mountwire")));
    EXPECT_EQ(UserFolders::caches(), dir.filePath(QStringLiteral("cache/Mountwire")));
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("data/Mountwire"))).exists());
    EXPECT_TRUE(QDir(dir.filePath(QStringLiteral("cache/Mountwire"))).exists());
    // Asking again for an existing folder is fine and gives the same place.
    EXPECT_EQ(UserFolders::applicationSupport(), dir.filePath(QStringLiteral("data/Mountwire")));
}

TEST_F(XdgHomes, UnsetOrRelativeHomesFallBackToTheUsualPlaces)
{
    qputenv("HOME", dir.path().toUtf8());
    qunsetenv("XDG_DATA_HOME");
    qputenv("XDG_CACHE_HOME", "relative/cache");
    EXPECT_EQ(UserFolders::applicationSupport(), dir.filePath(QStringLiteral(".local/share/Mountwire")));
    EXPECT_EQ(UserFolders::caches(), dir.filePath(QStringLiteral(".cache/Mountwire")));
}

TEST(AtomicFileTest, ReplacesTheWholeFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shares.json"));
    ASSERT_TRUE(AtomicFile::write(path, QByteArray(10000, 'x')));
    ASSERT_TRUE(AtomicFile::write(path, "{}"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "{}");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("shares.json")});
}

TEST(AtomicFileTest, AMissingFolderGivesFalse)
{
    QTemporaryDir dir;
    EXPECT_FALSE(AtomicFile::write(dir.filePath(QStringLiteral("absent/shares.json")), "{}"));
}

// A full disk fails the write part-way; the file that was there must survive untouched.
TEST(AtomicFileTest, AFailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QByteArray where = dir.path().toUtf8();
    if (::mount("mountwire-test", where.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    const struct Unmount {
        QByteArray where;
        ~Unmount() { ::umount2(where.constData(), MNT_DETACH); }
    } unmount {where};
    const QString path = dir.filePath(QStringLiteral("activity.json"));
    ASSERT_TRUE(AtomicFile::write(path, "[\"old\"]"));

    EXPECT_FALSE(AtomicFile::write(path, QByteArray(1 << 20, 'n')));

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[\"old\"]");
    file.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("activity.json")});
}

} // namespace
