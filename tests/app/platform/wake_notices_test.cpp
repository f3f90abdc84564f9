#include "app/test_app.h"
#include "platform/logind_wake_notices.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <gtest/gtest.h>

namespace {

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
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus (run under scripts/with-services)";
    // The test session's bus stands in for the system bus, one connection for each party.
    const auto connect = [](const char* name) { return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name); };
    QDBusConnection manager = connect("login-manager");
    ASSERT_TRUE(manager.registerService(QStringLiteral("org.freedesktop.login1")));
    // Someone else on the bus saying the same does not count.
    QDBusConnection impostor = connect("impostor");

    LogindWakeNotices notices(connect("watcher"));
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
    const QDBusConnection none = QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "no-bus");
    ASSERT_FALSE(none.isConnected());
    LogindWakeNotices deaf(none);
    QObject::connect(&deaf, &WakeNotices::didWake, [&] { ++wakes; });
    TestApp::spin(100);
    EXPECT_EQ(wakes, 1);
    for (const char* name : {"login-manager", "impostor", "watcher", "no-bus"})
        QDBusConnection::disconnectFromBus(name);
}

} // namespace
