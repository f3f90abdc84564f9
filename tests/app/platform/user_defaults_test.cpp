#include "platform/user_defaults.h"
#include "platform/user_folders.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file() const { return dir.filePath(QStringLiteral("Mountwire/Mountwire.conf")); }
    QSettingsUserDefaults defaults {file()};
};

TEST_F(UserDefaultsTest, ValuesWrittenReadBackAndSurviveARestart)
{
    const QList<QUuid> ids {QUuid::createUuid(), QUuid::createUuid()};
    defaults.setBool(QStringLiteral("notifyDrops"), false);
    defaults.setInt(QStringLiteral("failuresToMarkDown"), 4);
    defaults.setDouble(QStringLiteral("probeInterval"), 7.25);
    defaults.setString(QStringLiteral("name"), QStringLiteral("@Invalid(), “Büro”, a=b; [x]"));
    defaults.setStringList(QStringLiteral("one"), {QStringLiteral("only")});
    defaults.setStringList(QStringLiteral("none"), {});
    defaults.setStringList(QStringLiteral("many"), {QStringLiteral("a, b"), QString(), QStringLiteral("\"q\"")});
    defaults.setUuidList(QStringLiteral("connectedShares"), ids);
    defaults.setBool(QStringLiteral("mw.didShowWelcome"), true);

    const QSettingsUserDefaults restarted(file());
    EXPECT_EQ(restarted.boolValue(QStringLiteral("notifyDrops")), false);
    EXPECT_EQ(restarted.intValue(QStringLiteral("failuresToMarkDown")), 4);
    EXPECT_EQ(restarted.doubleValue(QStringLiteral("probeInterval")), 7.25);
    EXPECT_EQ(restarted.stringValue(QStringLiteral("name")), QStringLiteral("@Invalid(), “Büro”, a=b; [x]"));
    EXPECT_EQ(restarted.stringListValue(QStringLiteral("one")), QStringList {QStringLiteral("only")});
    EXPECT_EQ(restarted.stringListValue(QStringLiteral("none")), QStringList {});
    EXPECT_EQ(restarted.stringListValue(QStringLiteral("many")),
        (QStringList {QStringLiteral("a, b"), QString(), QStringLiteral("\"q\"")}));
    EXPECT_EQ(restarted.uuidListValue(QStringLiteral("connectedShares")), ids);
    EXPECT_EQ(restarted.boolValue(QStringLiteral("mw.didShowWelcome")), true);
}

TEST_F(UserDefaultsTest, KeysNeverWrittenOrRemovedReadAsAbsent)
{
    EXPECT_FALSE(defaults.boolValue(QStringLiteral("notifyDrops")));
    EXPECT_FALSE(defaults.uuidListValue(QStringLiteral("connectedShares")));
    defaults.setInt(QStringLiteral("retryCap"), 60);
    EXPECT_TRUE(defaults.contains(QStringLiteral("retryCap")));
    defaults.remove(QStringLiteral("retryCap"));
    EXPECT_FALSE(defaults.contains(QStringLiteral("retryCap")));
    EXPECT_FALSE(defaults.intValue(QStringLiteral("retryCap")));
}

// Values as a user or an older version might have left them in the file.
TEST_F(UserDefaultsTest, MistypedValuesReadAsAbsent)
{
    {
        QSettings raw(file(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("yes"), QStringLiteral("yes"));
        raw.setValue(QStringLiteral("fraction"), QStringLiteral("15.5"));
        raw.setValue(QStringLiteral("word"), QStringLiteral("fifteen"));
        raw.setValue(QStringLiteral("infinite"), QStringLiteral("inf"));
        raw.setValue(QStringLiteral("plain"), QStringLiteral("a, b"));
        raw.setValue(QStringLiteral("numbers"), QStringLiteral("[1, 2]"));
        raw.setValue(QStringLiteral("ids"), QStringLiteral("[\"not-a-uuid\"]"));
        raw.setValue(QStringLiteral("braced"), QStringLiteral("[\"{8d0f6a52-4a4e-4b8e-9d1e-2a3b4c5d6e7f}\"]"));
    }
    EXPECT_FALSE(defaults.boolValue(QStringLiteral("yes")));
    EXPECT_FALSE(defaults.boolValue(QStringLiteral("fraction")));
    EXPECT_FALSE(defaults.intValue(QStringLiteral("fraction")));
    EXPECT_FALSE(defaults.intValue(QStringLiteral("word")));
    EXPECT_FALSE(defaults.doubleValue(QStringLiteral("word")));
    EXPECT_FALSE(defaults.doubleValue(QStringLiteral("infinite")));
    EXPECT_FALSE(defaults.stringListValue(QStringLiteral("plain")));
    EXPECT_FALSE(defaults.stringListValue(QStringLiteral("numbers")));
    EXPECT_FALSE(defaults.uuidListValue(QStringLiteral("ids")));
    EXPECT_FALSE(defaults.uuidListValue(QStringLiteral("braced")));
    // Unquoted commas make the file's own list; as text it is still what the user wrote.
    EXPECT_EQ(defaults.stringValue(QStringLiteral("plain")), QStringLiteral("a, b"));
}

TEST_F(UserDefaultsTest, IntegersReadAsRealNumbers)
{
    defaults.setInt(QStringLiteral("retryCap"), 900);
    EXPECT_EQ(defaults.doubleValue(QStringLiteral("retryCap")), 900.0);
}

TEST_F(UserDefaultsTest, AChangeByAnotherProcessIsSeenAtTheNextRead)
{
    defaults.setInt(QStringLiteral("logRetentionDays"), 30);
    ASSERT_EQ(defaults.intValue(QStringLiteral("logRetentionDays")), 30);
    // Another process rewrites the file; the size changes so the change cannot hide in one mtime tick.
    QFile other(file());
    ASSERT_TRUE(other.open(QIODevice::WriteOnly | QIODevice::Truncate));
    other.write("[General]\nlogRetentionDays=7\nnotifyDrops=false\n");
    other.close();
    EXPECT_EQ(defaults.intValue(QStringLiteral("logRetentionDays")), 7);
    EXPECT_EQ(defaults.boolValue(QStringLiteral("notifyDrops")), false);
}

TEST(UserDefaultsFileTest, LivesInTheConfigHomeAtEachUse)
{
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    QSettingsUserDefaults defaults;
    defaults.setBool(QStringLiteral("reconnectAfterWake"), false);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Mountwire/Mountwire.conf"))));
    EXPECT_EQ(UserFolders::defaultsFile(), dir.filePath(QStringLiteral("Mountwire/Mountwire.conf")));

    QTemporaryDir elsewhere;
    qputenv("XDG_CONFIG_HOME", elsewhere.path().toUtf8());
    EXPECT_FALSE(defaults.boolValue(QStringLiteral("reconnectAfterWake")));
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
