#include "app/test_app.h"
#include "platform/logind_wake_notices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A bus daemon of the test's own, standing in for the system bus.
struct PrivateBus {
    QTemporaryDir dir;
    QProcess daemon;
    QString address;
    PrivateBus()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--address=unix:dir=" + dir.path(),
                                        "--print-address=1"});
        if (daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000))
            address = QString::fromUtf8(daemon.readLine().trimmed());
    }
    ~PrivateBus()
    {
        for (const char* name : {"login-manager", "impostor", "watcher"})
            QDBusConnection::disconnectFromBus(name);
        daemon.terminate();
        daemon.waitForFinished(5000);
    }
    QDBusConnection connect(const QString& name) const { return QDBusConnection::connectToBus(address, name); }
};

void sendPrepareForSleep(QDBusConnection& bus, bool goingToSleep)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
    signal << goingToSleep;
    bus.send(signal);
}

TEST(WakeNoticesTest, WakingFromSleepGivesOneNoticeAndGoingToSleepOrNoBusNone)
{
    TestApp::instance();
    PrivateBus bus;
    if (bus.address.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not available";
    QDBusConnection manager = bus.connect(QStringLiteral("login-manager"));
    ASSERT_TRUE(manager.registerService(QStringLiteral("org.freedesktop.login1")));
    // Someone else on the bus saying the same does not count.
    QDBusConnection impostor = bus.connect(QStringLiteral("impostor"));

    LogindWakeNotices notices(bus.connect(QStringLiteral("watcher")));
    int wakes = 0;
    QObject::connect(&notices, &WakeNotices::didWake, [&] { ++wakes; });
    TestApp::spin(100);

    sendPrepareForSleep(manager, true);
    sendPrepareForSleep(impostor, false);
    TestApp::spin(300);
    EXPECT_EQ(wakes, 0);

    sendPrepareForSleep(manager, false);
    EXPECT_TRUE(TestApp::waitUntil([&] { return wakes == 1; }));
    TestApp::spin(200);
    EXPECT_EQ(wakes, 1);

    // Without a bus there are no notices and no error.
    const QDBusConnection none = QDBusConnection::connectToBus("unix:path=" + bus.dir.filePath("no-bus-here"), "no-bus");
    ASSERT_FALSE(none.isConnected());
    LogindWakeNotices deaf(none);
    QObject::connect(&deaf, &WakeNotices::didWake, [&] { ++wakes; });
    TestApp::spin(100);
    EXPECT_EQ(wakes, 1);
    QDBusConnection::disconnectFromBus("no-bus");
}

} // namespace
