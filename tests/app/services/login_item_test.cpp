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
    void writeEntry(const QByteArray& text) const { ASSERT_TRUE(TestApp::writeFile(entry(), text)); }

    QTemporaryDir config;
};

TEST_F(LoginItemTest, SwitchingOnWritesAnEntryForTheRunningProgramAndOffRemovesIt)
{
    TestApp::instance();
    AutostartLoginItem item;
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(item.set(true), std::nullopt);
    EXPECT_EQ(AutostartLoginItem::entryPath(), entry());
    EXPECT_TRUE(item.isEnabled());
    const QString text = QString::fromUtf8(TestApp::readFile(entry()));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nType=Application\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"") + QCoreApplication::applicationFilePath() + "\"\n"));

    EXPECT_EQ(item.set(false), std::nullopt);
    EXPECT_FALSE(QFile::exists(entry()));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(item.set(false), std::nullopt) << "switching off with no entry is fine";

    // An entry the desktop was told to skip counts as off; the same keys in another group say nothing.
    writeEntry("[Desktop Entry]\nType=Application\nExec=mountwire\nHidden=true\n");
    EXPECT_FALSE(item.isEnabled());
    writeEntry("[Desktop Entry]\nExec=mountwire\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(item.isEnabled());
    writeEntry("[Desktop Entry]\nExec=mountwire\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(item.isEnabled());
}

TEST_F(LoginItemTest, AFailureIsDescribedInASentence)
{
    // A file where the autostart folder belongs cannot be got around, not even as root.
    ASSERT_TRUE(TestApp::writeFile(config.filePath(QStringLiteral("autostart")), {}));
    const auto error = AutostartLoginItem(QStringLiteral("/opt/mountwire/mountwire")).set(true);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->startsWith(QStringLiteral("Couldn’t create the folder “"))) << error->toStdString();
}

TEST(LoginItemExec, ProgramPathsAreQuotedForTheExecKey)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/usr/bin/mountwire", R"("/usr/bin/mountwire")"},
        {"/home/a b/Mountwire", R"("/home/a b/Mountwire")"},
        {"/opt/100%/mw", R"("/opt/100%%/mw")"},
        {"/opt/$HOME/\"q\"/`x`", R"("/opt/\\$HOME/\\"q\\"/\\`x\\`")"},
        {"/opt/back\\slash", R"("/opt/back\\\\slash")"},
        {"/opt/Büro/mw", R"("/opt/Büro/mw")"},
    };
    for (const auto& [path, exec] : cases) {
        const QString text = AutostartLoginItem::entryText(QString::fromUtf8(path));
        EXPECT_TRUE(text.contains(QStringLiteral("\nExec=") + QString::fromUtf8(exec) + "\n")) << text.toStdString();
    }
}

} // namespace
