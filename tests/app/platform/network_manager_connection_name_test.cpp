#include "app/test_app.h"
#include "platform/network_manager_connection_name.h"

#include <QDBusObjectPath>

#include <gtest/gtest.h>

namespace {

// Stand-ins for the network manager's two objects, on a connection of their own to the test's session bus.
class StandInManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(QDBusObjectPath PrimaryConnection READ primaryConnection)
public:
    QDBusObjectPath primary {QStringLiteral("/")};
    QDBusObjectPath primaryConnection() const { return primary; }
};

class StandInActiveConnection : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Connection.Active")
    Q_PROPERTY(QString Id READ id)
public:
    QString name;
    QString id() const { return name; }
};

std::optional<QString> ask(NetworkManagerConnectionName& names)
{
    bool answered = false;
    std::optional<QString> answer;
    names.ask([&](std::optional<QString> name) {
        answered = true;
        answer = std::move(name);
    });
    if (!TestApp::waitUntil([&] { return answered; }, 3000))
        ADD_FAILURE() << "no answer";
    return answer;
}

TEST(NetworkManagerConnectionName, NamesThePrimaryConnectionWhenTheManagerAnswers)
{
    TestApp::instance();
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus (run under scripts/with-services)";
    NetworkManagerConnectionName names(QDBusConnection::sessionBus());
    EXPECT_EQ(ask(names), std::nullopt) << "no network manager on the bus";
    NetworkManagerConnectionName offBus(QDBusConnection(QStringLiteral("not connected")));
    EXPECT_EQ(ask(offBus), std::nullopt);

    QDBusConnection standIn = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("nm-stand-in"));
    StandInManager manager;
    StandInActiveConnection active;
    active.name = QStringLiteral("Office Wi-Fi");
    ASSERT_TRUE(standIn.registerObject(QStringLiteral("/org/freedesktop/NetworkManager"), &manager,
        QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(standIn.registerObject(QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/7"), &active,
        QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(standIn.registerService(QStringLiteral("org.freedesktop.NetworkManager")));

    EXPECT_EQ(ask(names), std::nullopt) << "no primary connection";
    manager.primary = QDBusObjectPath(QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/7"));
    EXPECT_EQ(ask(names), std::optional<QString>("Office Wi-Fi"));

    standIn.unregisterService(QStringLiteral("org.freedesktop.NetworkManager"));
    QDBusConnection::disconnectFromBus(QStringLiteral("nm-stand-in"));
}

} // namespace

#include "network_manager_connection_name_test.moc"
