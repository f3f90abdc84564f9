#include "app/test_app.h"
#include "services/autostart_login_item.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(LoginItem, SwitchingOnWritesAnEntryForTheRunningProgramOffRemovesItAndFailuresAreSentences)
{
    TestApp::instance();
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const auto restore = qScopeGuard([] { qunsetenv("XDG_CONFIG_HOME"); });
    const QString entry = config.filePath(QStringLiteral("autostart/mountwire.desktop"));
    AutostartLoginItem item;
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(item.set(true), std::nullopt);
    EXPECT_EQ(AutostartLoginItem::entryPath(), entry);
    EXPECT_TRUE(item.isEnabled());
    const QString text = QString::fromUtf8(TestApp::readFile(entry));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nType=Application\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nExec=\"") + QCoreApplication::applicationFilePath() + "\"\n"));

    EXPECT_EQ(item.set(false), std::nullopt);
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_FALSE(item.isEnabled());
    EXPECT_EQ(item.set(false), std::nullopt) << "switching off with no entry is fine";

    // An entry the desktop was told to skip counts as off; the same keys in another group say nothing.
    ASSERT_TRUE(TestApp::writeFile(entry, "[Desktop Entry]\nType=Application\nExec=mountwire\nHidden=true\n"));
    EXPECT_FALSE(item.isEnabled());
    ASSERT_TRUE(TestApp::writeFile(entry, "[Desktop Entry]\nExec=mountwire\nX-GNOME-Autostart-enabled=false\n"));
    EXPECT_FALSE(item.isEnabled());
    ASSERT_TRUE(TestApp::writeFile(entry, "[Desktop Entry]\nExec=mountwire\n[Desktop Action x]\nHidden=true\n"));
    EXPECT_TRUE(item.isEnabled());

    // A file where the autostart folder belongs cannot be got around, not even as root.
    ASSERT_TRUE(QDir(config.filePath(QStringLiteral("autostart"))).removeRecursively());
    ASSERT_TRUE(TestApp::writeFile(config.filePath(QStringLiteral("autostart")), {}));
    const auto error = item.set(true);
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
