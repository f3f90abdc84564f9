#include "quillokit/update_fixture.h"

#include "platform/user_defaults.h"
#include "quillokit/update_window.h"
#include "shell/manager_window.h"
#include "shell/mountwire_app.h"
#include "shell/unix_signals.h"

#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QString frameKey = QStringLiteral("MountwireManager");

// Runs the application's event loop as main does; false if it still ran after a while.
bool endsWhen(QObject* context, const std::function<void()>& endIt)
{
    QTimer::singleShot(50, context, endIt);
    QObject watchdog;
    QTimer::singleShot(8000, &watchdog, [] { QCoreApplication::exit(99); });
    return QApplication::exec() == 0;
}

TEST(AppEnd, EveryWayOfQuittingEndsTheAppSavesItsWindowAndInstallsTheStagedUpdate)
{
    TestApp::instance();
    UnixSignals endSignals({SIGTERM, SIGINT, SIGHUP});
    ASSERT_TRUE(endSignals.isListening());
    const auto raising = [](int signal) { return [signal](MountwireApp&) { ::raise(signal); }; };
    const std::pair<const char*, std::function<void(MountwireApp&)>> cases[] = {
        {"the Quit command", [](MountwireApp& app) { app.managerWindow()->action("quit")->trigger(); }},
        {"Restart Now", [](MountwireApp& app) { app.updateWindow()->restartButton()->click(); }},
        {"SIGTERM", raising(SIGTERM)},
        {"SIGINT", raising(SIGINT)},
        {"SIGHUP", raising(SIGHUP)},
    };
    for (const auto& [how, endIt] : cases) {
        SCOPED_TRACE(how);
        UpdateFixture fixture;
        fixture.publish("1.1");
        QTemporaryDir demo;
        MountwireApp app({.demoFolder = demo.path(), .tray = true, .updates = fixture.bundle()});
        app.launch();
        app.updater().check(false);
        ASSERT_TRUE(UpdateFixture::settles(app.updater()));
        // A window that only hides when it is closed once held a quit back while others were open.
        app.show();
        app.showSettingsWindow();
        for (int i = 0; i < 2; ++i)
            app.checkForUpdates(), Q_EMIT app.updater().windowRequested();
        const QWidgetList tops = QApplication::topLevelWidgets();
        EXPECT_EQ(std::count_if(tops.begin(), tops.end(), [](QWidget* w) { return qobject_cast<UpdateWindow*>(w); }), 1);
        ASSERT_TRUE(app.updateWindow()->restartButton()->isVisible());
        const auto connection = QObject::connect(&endSignals, &UnixSignals::received, &app, &MountwireApp::quit);

        EXPECT_TRUE(endsWhen(&app, [&] { endIt(app); })) << "the quit was held back";
        QObject::disconnect(connection);
        EXPECT_TRUE(app.defaults().contains(frameKey)) << "the window's frame was not saved";
        EXPECT_EQ(AppFolder::version(fixture.install), "1.1");
    }
}

TEST(AppEnd, SessionSignalsEndTheProgramThroughItsQuit)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        QTemporaryDir demo;
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("MOUNTWIRE_DEMO_DIR", demo.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.start(MW_APP_EXECUTABLE, QStringList());
        // Without a tray the window opens at the start, soon after the sample lines are written.
        ASSERT_TRUE(TestApp::waitUntil([&] { return QFileInfo::exists(demo.filePath("shares.json")); }, 10000));
        TestApp::spin(1000);
        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
        EXPECT_TRUE(QSettingsUserDefaults(demo.filePath("Mountwire.conf")).contains(frameKey));
    }
}

} // namespace
