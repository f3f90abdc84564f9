#include "app/test_app.h"
#include "shell/manager_window.h"
#include "shell/mountwire_app.h"
#include "store/share_store.h"
#include "views/manager_view.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Counts quits instead of ending the test process.
struct CountingApp : MountwireApp {
    using MountwireApp::MountwireApp;
    int quits = 0;
    void quit() override { ++quits; }
};

// The application over the demonstration's make-believe network, in a folder of its own.
struct ShellRig {
    QTemporaryDir folder;
    std::unique_ptr<CountingApp> app;

    // An empty saved file keeps the demonstration from filling the folder with sample lines.
    void noLines(bool welcomeShown)
    {
        ASSERT_TRUE(TestApp::writeFile(folder.filePath("shares.json"), R"({"shares": [], "profiles": []})"));
        if (welcomeShown) {
            ASSERT_TRUE(TestApp::writeFile(folder.filePath("Mountwire.conf"), "[General]\nmw.didShowWelcome=true\n"));
        }
    }

    MountwireApp& launch(std::optional<bool> tray = true, bool packaged = false)
    {
        TestApp::instance();
        app = std::make_unique<CountingApp>(
            MountwireApp::Options {.demoFolder = folder.path(), .tray = tray, .packaged = packaged});
        app->launch();
        TestApp::spin(20);
        return *app;
    }

    bool windowShown() const { return app->managerWindow() && app->managerWindow()->isVisible(); }
    ManagerPage page() const { return app->store().page(); }
    bool welcomeShown() const
    {
        const QDialog* sheet = windowShown() ? app->managerWindow()->view()->welcomeSheet() : nullptr;
        return sheet && sheet->isVisible();
    }

    void trigger(const QString& action)
    {
        // The menus live on the manager window; a command with the window closed is the same action.
        if (!app->managerWindow()) {
            app->show();
            app->managerWindow()->close();
        }
        QAction* a = app->managerWindow()->action(action);
        ASSERT_TRUE(a) << action.toStdString();
        a->trigger();
        TestApp::spin(20);
    }

    static QTabWidget* settingsWindow()
    {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QStringLiteral("settingsTabs") && top->isVisible())
                return qobject_cast<QTabWidget*>(top);
        }
        return nullptr;
    }
};

// Without a tray, closing the window quits unless lines are kept connected: nothing would be left to show it runs.
TEST(Shell, LaunchOpensTheManagerOnlyWhenThereIsSomethingToShowAndClosingItNeverLeavesNothing)
{
    struct Case {
        const char* what;
        bool lines;
        bool welcomeShown;
        bool tray;
        bool opens;
        bool closingQuits;
        bool welcomes = false; // the guide opens over the window
    };
    const Case cases[] = {
        {"no lines, guide already shown", false, true, true, true, false},
        {"no lines, guide not shown", false, false, true, true, false, true},
        {"lines, guide already shown", true, true, true, false, false},
        {"lines kept connected, but the desktop has no tray", true, true, false, true, false},
        {"no lines and no tray", false, true, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShellRig rig;
        if (!c.lines)
            rig.noLines(c.welcomeShown);
        rig.launch(c.tray);
        EXPECT_EQ(rig.windowShown(), c.opens);
        EXPECT_EQ(TestApp::waitUntil([&] { return rig.welcomeShown(); }, c.welcomes ? 2000 : 0), c.welcomes);
        if (c.opens) {
            EXPECT_EQ(rig.page(), ManagerPage::shares);
            rig.app->managerWindow()->close();
            EXPECT_EQ(rig.app->quits, c.closingQuits ? 1 : 0);
        }
    }
}

TEST(Shell, GoCommandsAndNewLineBringTheWindowForward)
{
    ShellRig rig;
    rig.launch();
    ASSERT_FALSE(rig.windowShown());

    rig.trigger(QStringLiteral("go-activity"));
    EXPECT_TRUE(rig.windowShown());
    EXPECT_EQ(rig.page(), ManagerPage::activity);
    EXPECT_EQ(rig.app->managerWindow()->action(QStringLiteral("go-activity"))->shortcut(),
        QKeySequence(QStringLiteral("Ctrl+3")));

    // Closing hides the one window; the next command shows the same one again.
    ManagerWindow* window = rig.app->managerWindow();
    window->close();
    EXPECT_FALSE(rig.windowShown());
    rig.trigger(QStringLiteral("newLine"));
    EXPECT_EQ(rig.app->managerWindow(), window);
    EXPECT_TRUE(rig.windowShown());
    EXPECT_EQ(rig.page(), ManagerPage::shares);
    ASSERT_TRUE(rig.app->store().editor());
    EXPECT_FALSE(rig.app->store().editor()->spec);
    ASSERT_TRUE(TestApp::waitUntil([&] { return window->view()->editorSheet() != nullptr; }, 2000));
}

TEST(Shell, TheTrayImageFollowsTheLinesThatNeedAttention)
{
    ShellRig rig;
    rig.launch();
    // The sample network has a server whose mounts always fail and one that went quiet.
    ASSERT_GT(rig.app->store().attentionCount(), 0);
    EXPECT_EQ(rig.app->traySymbol(), QStringLiteral("externaldrive.badge.exclamationmark"));

    // Ejecting or removing what needs attention brings the plain image back.
    for (const ShareSpec& share : std::vector<ShareSpec>(rig.app->store().shares()))
        rig.app->store().remove(share);
    TestApp::spin(20);
    EXPECT_EQ(rig.app->store().attentionCount(), 0);
    EXPECT_EQ(rig.app->traySymbol(), QStringLiteral("externaldrive.connected.to.line.below.fill"));
}

// A packaged build's About tab says so in place of its Check for Updates button.
TEST(Shell, SettingsHaveThreeTabsAndAPackagedBuildLeavesUpdatesToThePackageManager)
{
    for (const bool packaged : {false, true}) {
        ShellRig rig;
        rig.launch(true, packaged);
        rig.trigger(packaged ? QStringLiteral("checkForUpdates") : QStringLiteral("settings"));
        QTabWidget* tabs = ShellRig::settingsWindow();
        ASSERT_TRUE(tabs);
        EXPECT_EQ(tabs->size(), QSize(520, 560));
        QStringList titles, about;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        EXPECT_EQ(titles, (QStringList {"General", "About", "Updates"}));
        EXPECT_TRUE(!packaged || tabs->currentIndex() == 2) << "checking for updates shows what to do instead";
        for (auto* label : tabs->widget(1)->findChildren<QLabel*>())
            about << label->text();
        for (auto* button : tabs->widget(1)->findChildren<QPushButton*>())
            about << button->text();
        auto* note = qobject_cast<QLabel*>(tabs->widget(2));
        EXPECT_EQ(note && note->text().contains(QStringLiteral("package manager")), packaged);
        EXPECT_EQ(note && about.contains(note->text()), packaged);
        EXPECT_NE(about.contains(QStringLiteral("Check for Updates…")), packaged);
        tabs->close();
    }
}

} // namespace
