#include "app/test_app.h"
#include "services/dbus_notifier.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

namespace {

struct Posted {
    QString app;
    uint replaces;
    QString summary;
    QString body;
    QVariantMap hints;
    int timeout;
};

// A notification server of the test's own on the session bus, recording what it is asked to show.
class RecordingServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    explicit RecordingServer(QStringList capabilities) : capabilities_(std::move(capabilities))
    {
        registered_ = bus_.isConnected()
            && bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                QDBusConnection::ExportScriptableSlots)
            && bus_.registerService(QStringLiteral("org.freedesktop.Notifications"));
    }
    ~RecordingServer() override
    {
        bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("recording-server"));
    }
    bool registered() const { return registered_; }

    std::vector<Posted> posted;

public Q_SLOTS:
    Q_SCRIPTABLE QStringList GetCapabilities() { return capabilities_; }
    Q_SCRIPTABLE QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = QStringLiteral("Test");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("recording-server");
    }
    Q_SCRIPTABLE uint Notify(const QString& app, uint replaces, const QString&, const QString& summary,
        const QString& body, const QStringList&, const QVariantMap& hints, int timeout)
    {
        posted.push_back({app, replaces, summary, body, hints, timeout});
        return uint(posted.size());
    }

private:
    QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("recording-server"));
    QStringList capabilities_;
    bool registered_ = false;
};

#define REQUIRE_SERVER(server)                                                                               \
    if (!(server).registered())                                                                              \
        GTEST_SKIP() << "no private session bus, or another notification server already runs on it";

// Bodies are escaped only for servers that read markup.
TEST(NotifierTest, TwoDropsInARowShowTwoSeparateNotificationsNamingShareAndHost)
{
    TestApp::instance();
    const struct {
        QStringList capabilities;
        QString body;
    } cases[] = {{{"body", "sound"}, "Reconnected to R&D <lab>."}, {{"body", "body-markup"}, "Reconnected to R&amp;D &lt;lab&gt;."}};
    for (const auto& c : cases) {
        RecordingServer server(c.capabilities);
        REQUIRE_SERVER(server);
        DbusNotifier notifier;
        notifier.post(NotificationText::dropped(QStringLiteral("Studio"), QStringLiteral("nas.local")));
        notifier.post(NotificationText::dropped(QStringLiteral("Archive"), QStringLiteral("files.local")));
        notifier.post(NotificationText::recovered(QStringLiteral("Lab"), QStringLiteral("R&D <lab>")));
        ASSERT_TRUE(TestApp::waitUntil([&] { return server.posted.size() == 3; }));

        EXPECT_EQ(server.posted[0].summary, QStringLiteral("Studio disconnected"));
        EXPECT_EQ(server.posted[0].body, QStringLiteral("Mountwire will reconnect when nas.local is back."));
        EXPECT_EQ(server.posted[1].summary, QStringLiteral("Archive disconnected"));
        EXPECT_EQ(server.posted[2].summary, QStringLiteral("Lab is back"));
        EXPECT_EQ(server.posted[2].body, c.body);
        for (const Posted& p : server.posted) {
            EXPECT_EQ(p.app, QStringLiteral("Mountwire"));
            EXPECT_EQ(p.replaces, 0u) << "a post must not replace an earlier one";
            EXPECT_EQ(p.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("mountwire"));
        }
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

#include "notifier_test.moc"
