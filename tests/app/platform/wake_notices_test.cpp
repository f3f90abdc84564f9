#include "app/test_app.h"
#include "platform/logind_wake_notices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A bus daemon of the test's own, standing in for the system bus.
class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                QStringLiteral("--address=unix:dir=") + dir_.path(), QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted(5000) && daemon_.waitForReadyRead(5000))
            address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~PrivateBus()
    {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    bool running() const { return !address_.isEmpty(); }

    QDBusConnection connect(const QString& name)
    {
        names_.append(name);
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

void sendPrepareForSleep(QDBusConnection& bus, bool goingToSleep)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
    signal << goingToSleep;
    bus.send(signal);
}

TEST(WakeNoticesTest, WakingFromSleepGivesOneNoticeAndGoingToSleepNone)
{
    TestApp::instance();
    PrivateBus bus;
    if (!bus.running())
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
}

TEST(WakeNoticesTest, WithoutABusThereAreNoNoticesAndNoError)
{
    TestApp::instance();
    QTemporaryDir dir;
    const QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=") + dir.filePath(QStringLiteral("no-bus-here")), QStringLiteral("no-bus"));
    ASSERT_FALSE(none.isConnected());
    LogindWakeNotices notices(none);
    int wakes = 0;
    QObject::connect(&notices, &WakeNotices::didWake, [&] { ++wakes; });
    TestApp::spin(100);
    EXPECT_EQ(wakes, 0);
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
}

} // namespace
