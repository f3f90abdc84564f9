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

using Kind = UpdatePhase::Kind;

const QString frameKey = QStringLiteral("MountwireManager");

// The application on the demonstration's network with the fixture's feed, 1.1 staged, its manager,
// settings and update windows open: a window that only hides when closed once held a quit back.
struct EndRig {
    UpdateFixture fixture;
    QTemporaryDir demo;
    std::unique_ptr<MountwireApp> app;

    EndRig()
    {
        fixture.publish("1.1");
        MountwireApp::Options options;
        options.demoFolder = demo.path();
        options.tray = true;
        options.updates = fixture.bundle();
        app = std::make_unique<MountwireApp>(options);
        app->launch();
        app->updater().check(false);
        UpdateFixture::settles(app->updater());
        app->show();
        app->showSettingsWindow();
        app->checkForUpdates();
    }

    // Runs the application's event loop as main does; false if it was still running after a while.
    bool ran(const std::function<void()>& endIt)
    {
        QTimer::singleShot(50, app.get(), endIt);
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        watchdog.start(8000);
        return QApplication::exec() == 0;
    }
};

TEST(AppEnd, EveryWayOfQuittingEndsTheAppSavesItsWindowAndInstallsTheStagedUpdate)
{
    TestApp::instance();
    UnixSignals endSignals({SIGTERM, SIGINT, SIGHUP});
    ASSERT_TRUE(endSignals.isListening());
    const auto raise = [](int signal) { return [signal] { ::raise(signal); }; };
    const struct {
        const char* how;
        std::function<void(EndRig&)> endIt;
    } cases[] = {
        {"the Quit command", [](EndRig& rig) { rig.app->managerWindow()->action("quit")->trigger(); }},
        {"Restart Now", [](EndRig& rig) { rig.app->updateWindow()->restartButton()->click(); }},
        {"SIGTERM", [&](EndRig&) { raise(SIGTERM)(); }},
        {"SIGINT", [&](EndRig&) { raise(SIGINT)(); }},
        {"SIGHUP", [&](EndRig&) { raise(SIGHUP)(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        EndRig rig;
        ASSERT_EQ(rig.app->updater().phase().kind, Kind::ready) << qPrintable(rig.app->updater().phase().message);
        auto connection = QObject::connect(&endSignals, &UnixSignals::received, rig.app.get(), &MountwireApp::quit);
        ASSERT_TRUE(rig.app->managerWindow()->isVisible());
        ASSERT_TRUE(rig.app->updateWindow() && rig.app->updateWindow()->restartButton()->isVisible());
        EXPECT_FALSE(rig.app->defaults().contains(frameKey));

        EXPECT_TRUE(rig.ran([&] { c.endIt(rig); })) << "the quit was held back";
        QObject::disconnect(connection);
        EXPECT_TRUE(rig.app->defaults().contains(frameKey)) << "the window's frame was not saved";
        EXPECT_EQ(AppFolder::version(rig.fixture.install), "1.1");
    }
}

TEST(AppEnd, OneUpdateWindowHoweverOftenItIsAskedFor)
{
    UpdateFixture fixture;
    QTemporaryDir demo;
    MountwireApp::Options options;
    options.demoFolder = demo.path();
    options.tray = true;
    options.updates = fixture.bundle();
    options.updates->feedURL.reset();
    MountwireApp app(options);
    for (int i = 0; i < 3; ++i) {
        app.checkForUpdates();
        Q_EMIT app.updater().windowRequested();
    }
    TestApp::spin(20);
    int windows = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        windows += qobject_cast<UpdateWindow*>(top) && top->isVisible();
    EXPECT_EQ(windows, 1);
    ASSERT_TRUE(app.updateWindow());
    app.updateWindow()->close();
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
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(MW_APP_PROGRAM, QStringList());
        ASSERT_TRUE(program.waitForStarted());
        // Without a tray the window opens at the start; it is there once the sample lines are.
        ASSERT_TRUE(TestApp::waitUntil([&] { return QFileInfo::exists(demo.filePath("shares.json")); }, 10000));
        TestApp::spin(1000);
        ::kill(pid_t(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(QSettingsUserDefaults(demo.filePath("Mountwire.conf")).contains(frameKey))
            << "the window's frame was not saved";
    }
}

} // namespace
