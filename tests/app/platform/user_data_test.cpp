#include "app/test_app.h"
#include "platform/atomic_file.h"
#include "platform/user_defaults.h"
#include "platform/user_folders.h"

#include <QDir>
#include <QSettings>
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

class UserDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file() const { return dir.filePath(QStringLiteral("Mountwire/Mountwire.conf")); }
    QSettingsUserDefaults defaults {file()};
};

TEST_F(UserDefaultsTest, ValuesWrittenReadBackAndSurviveARestart)
{
    TestApp::instance();
    const QList<QUuid> ids {QUuid::createUuid(), QUuid::createUuid()};
    const QString awkward = QStringLiteral("@Invalid(), “Büro”, a=b; [x]");
    const QStringList list {QStringLiteral("a, b"), QString(), QStringLiteral("\"q\"")};
    defaults.setBool("notifyDrops", false);
    defaults.setInt("failuresToMarkDown", 4);
    defaults.setDouble("probeInterval", 7.25);
    defaults.setString("name", awkward);
    defaults.setStringList("one", {QStringLiteral("only")});
    defaults.setStringList("none", {});
    defaults.setStringList("many", list);
    defaults.setUuidList("connectedShares", ids);

    const QSettingsUserDefaults restarted(file());
    EXPECT_EQ(restarted.boolValue("notifyDrops"), false);
    EXPECT_EQ(restarted.intValue("failuresToMarkDown"), 4);
    EXPECT_EQ(restarted.doubleValue("probeInterval"), 7.25);
    EXPECT_EQ(restarted.doubleValue("failuresToMarkDown"), 4.0);
    EXPECT_EQ(restarted.stringValue("name"), awkward);
    EXPECT_EQ(restarted.stringListValue("one"), QStringList {QStringLiteral("only")});
    EXPECT_EQ(restarted.stringListValue("none"), QStringList {});
    EXPECT_EQ(restarted.stringListValue("many"), list);
    EXPECT_EQ(restarted.uuidListValue("connectedShares"), ids);

    defaults.remove("notifyDrops");
    EXPECT_FALSE(defaults.contains("notifyDrops"));
    EXPECT_FALSE(defaults.boolValue("reconnectAfterWake"));

    // Another process's change is seen at the next turn of the event loop: the file is looked at once a turn.
    ASSERT_TRUE(TestApp::writeFile(file(), "[General]\nlogRetentionDays=7\nnotifyDrops=false\n"));
    EXPECT_FALSE(defaults.intValue("logRetentionDays"));
    QCoreApplication::processEvents();
    EXPECT_EQ(defaults.intValue("logRetentionDays"), 7);
    EXPECT_EQ(defaults.boolValue("notifyDrops"), false);
    // Its own writes are seen at once.
    defaults.setInt("logRetentionDays", 90);
    EXPECT_EQ(defaults.intValue("logRetentionDays"), 90);
}

// Values as a user or an older version might have left them in the file.
TEST_F(UserDefaultsTest, MistypedValuesReadAsAbsent)
{
    {
        QSettings raw(file(), QSettings::IniFormat);
        for (const auto& [key, text] : std::initializer_list<std::pair<const char*, const char*>> {{"yes", "yes"},
                 {"fraction", "15.5"}, {"word", "fifteen"}, {"inf", "inf"}, {"plain", "a, b"}, {"numbers", "[1, 2]"},
                 {"ids", "[\"not-a-uuid\"]"}, {"braced", "[\"{8d0f6a52-4a4e-4b8e-9d1e-2a3b4c5d6e7f}\"]"}})
            raw.setValue(key, text);
    }
    EXPECT_FALSE(defaults.boolValue("yes"));
    EXPECT_FALSE(defaults.boolValue("fraction"));
    EXPECT_FALSE(defaults.intValue("fraction"));
    EXPECT_FALSE(defaults.intValue("word"));
    EXPECT_FALSE(defaults.doubleValue("word"));
    EXPECT_FALSE(defaults.doubleValue("inf"));
    EXPECT_FALSE(defaults.stringListValue("plain"));
    EXPECT_FALSE(defaults.stringListValue("numbers"));
    EXPECT_FALSE(defaults.uuidListValue("ids"));
    EXPECT_FALSE(defaults.uuidListValue("braced"));
    // Unquoted commas make the file's own list; as text it is still what the user wrote.
    EXPECT_EQ(defaults.stringValue("plain"), QStringLiteral("a, b"));
}

} // namespace
