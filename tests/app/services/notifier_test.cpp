#include "app/recording_notification_server.h"
#include "app/test_app.h"
#include "services/dbus_notifier.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

namespace {

using RecordingServer = RecordingNotificationServer;
using Posted = RecordingNotificationServer::Posted;

// Bodies are escaped only for servers that read markup, buttons go only to servers that show them, and only
// presses on our own notifications count.
TEST(NotifierTest, TwoDropsInARowShowTwoSeparateNotificationsNamingShareAndHostWithButtonsWhereShown)
{
    TestApp::instance();
    const NotificationAction reconnect {NotificationAction::Kind::reconnect, QUuid::createUuid()};
    const std::pair<QStringList, QString> cases[] = {
        {{"body", "sound"}, "Reconnected to R&D <lab>."},
        {{"body", "body-markup", "actions"}, "Reconnected to R&amp;D &lt;lab&gt;."}};
    for (const auto& [capabilities, body] : cases) {
        SCOPED_TRACE(capabilities.join(' ').toStdString());
        const bool actions = capabilities.contains(QStringLiteral("actions"));
        RecordingServer server(capabilities);
        REQUIRE_SERVER(server);
        DbusNotifier notifier;
        std::vector<NotificationAction> pressed;
        notifier.setActionHandler([&](const NotificationAction& action) { pressed.push_back(action); });
        notifier.post(NotificationText::dropped(QStringLiteral("Studio"), QStringLiteral("nas.local")), reconnect);
        notifier.post(NotificationText::dropped(QStringLiteral("Archive"), QStringLiteral("files.local")));
        notifier.post(NotificationText::recovered(QStringLiteral("Lab"), QStringLiteral("R&D <lab>")));
        ASSERT_TRUE(TestApp::waitUntil([&] { return server.posted.size() == 3; }));

        EXPECT_EQ(server.posted[0].summary, QStringLiteral("Studio disconnected"));
        EXPECT_EQ(server.posted[0].body, QStringLiteral("Mountwire will reconnect when nas.local is back."));
        EXPECT_EQ(server.posted[0].actions, (actions ? QStringList {reconnect.key(), "Reconnect"} : QStringList()));
        EXPECT_EQ(server.posted[1].summary, QStringLiteral("Archive disconnected"));
        EXPECT_EQ(server.posted[2].summary, QStringLiteral("Lab is back"));
        EXPECT_EQ(server.posted[2].body, body);
        for (const Posted& p : server.posted) {
            EXPECT_EQ(p.app, QStringLiteral("Mountwire"));
            EXPECT_EQ(p.replaces, 0u) << "a post must not replace an earlier one";
            EXPECT_EQ(p.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("mountwire"));
        }
        TestApp::spin(100); // the ids of the notifications come back to the notifier
        server.press(7, reconnect.key()); // another application's notification
        server.press(1, reconnect.key());
        TestApp::waitUntil([&] { return !pressed.empty(); }, actions ? 5000 : 300);
        EXPECT_EQ(pressed, (actions ? std::vector {reconnect} : std::vector<NotificationAction> {}));
    }
    EXPECT_EQ(NotificationText::needsPassword(QStringLiteral("Büro")),
        (NotificationMessage {QStringLiteral("Büro needs a password"), QStringLiteral("Open Mountwire to reconnect.")}));
}

TEST(NotifierTest, PermissionIsGrantedOnlyWhenAServerAnswers)
{
    TestApp::instance();
    const auto ask = [](DbusNotifier&& notifier) {
        std::optional<bool> granted;
        notifier.requestAuthorization([&](bool answer) { granted = answer; });
        TestApp::waitUntil([&] { return granted.has_value(); });
        return granted;
    };
    {
        RecordingServer server({QStringLiteral("body")});
        REQUIRE_SERVER(server);
        EXPECT_EQ(ask(DbusNotifier()), true);
    }
    EXPECT_EQ(ask(DbusNotifier()), false);

    // Without any bus the answer comes at once, and posting quietly does nothing.
    DbusNotifier offline(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
        QStringLiteral("no-session")));
    std::optional<bool> withoutBus;
    offline.requestAuthorization([&](bool granted) { withoutBus = granted; });
    offline.post(QStringLiteral("Studio disconnected"), QStringLiteral("…"));
    EXPECT_EQ(withoutBus, false);
    QDBusConnection::disconnectFromBus(QStringLiteral("no-session"));
}

} // namespace
