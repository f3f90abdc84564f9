#include "app/test_app.h"
#include "services/autostart_login_item.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class LoginItemTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", config.path().toUtf8()); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    QString entry() const { return config.filePath(QStringLiteral("autostart/mountwire.desktop")); }
    QString entryText() const
    {
        QFile file(entry());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void writeEntry(const QByteArray& text) const
    {
        QFile file(entry());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir config;
};

TEST_F(LoginItemTest, SwitchingOnWritesAnAutostartEntryForTheRunningProgram)
{
    TestApp::instance();
    AutostartLoginItem item;
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(item.set(true), std::nullopt);
    EXPECT_EQ(AutostartLoginItem::entryPath(), entry());
    EXPECT_TRUE(item.isEnabled());
    const QString text = entryText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nType=Application\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"") + QCoreApplication::applicationFilePath() + "\"\n"));
}

TEST_F(LoginItemTest, SwitchingOffRemovesTheEntryAndIsFineWhenThereIsNone)
{
    AutostartLoginItem item(QStringLiteral("/opt/mountwire/mountwire"));
    ASSERT_EQ(item.set(true), std::nullopt);
    EXPECT_EQ(item.set(false), std::nullopt);
    EXPECT_FALSE(QFile::exists(entry()));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(item.set(false), std::nullopt);
}

TEST_F(LoginItemTest, AnEntryTheDesktopWasToldToSkipCountsAsOff)
{
    AutostartLoginItem item(QStringLiteral("/opt/mountwire/mountwire"));
    ASSERT_EQ(item.set(true), std::nullopt);
    writeEntry("[Desktop Entry]\nType=Application\nExec=mountwire\nHidden=true\n");
    EXPECT_FALSE(item.isEnabled());
    writeEntry("[Desktop Entry]\nExec=mountwire\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(item.isEnabled());
    // The same keys in another group say nothing about the entry.
    writeEntry("[Desktop Entry]\nExec=mountwire\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(item.isEnabled());
}

TEST_F(LoginItemTest, AFailureIsDescribedInASentence)
{
    // A file where the autostart folder belongs cannot be got around, not even as root.
    QFile blocker(config.filePath(QStringLiteral("autostart")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto error = AutostartLoginItem(QStringLiteral("/opt/mountwire/mountwire")).set(true);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->startsWith(QStringLiteral("Couldn’t create the folder “"))) << error->toStdString();
}

struct ExecCase {
    const char* path;
    const char* exec;
};

void PrintTo(const ExecCase& c, std::ostream* os)
{
    *os << c.path;
}

class LoginItemExec : public ::testing::TestWithParam<ExecCase> {};

TEST_P(LoginItemExec, ProgramPathsAreQuotedForTheExecKey)
{
    const QString text = AutostartLoginItem::entryText(QString::fromUtf8(GetParam().path));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=") + QString::fromUtf8(GetParam().exec) + "\n"))
        << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, LoginItemExec,
    ::testing::Values(ExecCase {"/usr/bin/mountwire", R"("/usr/bin/mountwire")"},
        ExecCase {"/home/a b/Mountwire", R"("/home/a b/Mountwire")"},
        ExecCase {"/opt/100%/mw", R"("/opt/100%%/mw")"},
        ExecCase {"/opt/$HOME/\"q\"/`x`", R"("/opt/\\$HOME/\\"q\\"/\\`x\\`")"},
        ExecCase {"/opt/back\\slash", R"("/opt/back\\\\slash")"},
        ExecCase {"/opt/Büro/mw", R"("/opt/Büro/mw")"}));

} // namespace
