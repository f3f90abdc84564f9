#include "app/test_app.h"
#include "platform/network_manager_connection_name.h"

#include <QDBusObjectPath>

#include <gtest/gtest.h>

namespace {

// Stand-ins for the network manager's two objects, on a connection of their own to the test's session bus.
class StandInManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(QDBusObjectPath PrimaryConnection MEMBER primary)
public:
    QDBusObjectPath primary {QStringLiteral("/")};
};

class StandInActiveConnection : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Connection.Active")
    Q_PROPERTY(QString Id MEMBER id)
public:
    QString id = QStringLiteral("Office Wi-Fi");
};

std::optional<QString> ask(NetworkManagerConnectionName& names)
{
    bool answered = false;
    std::optional<QString> answer;
    names.ask([&](std::optional<QString> name) { answered = true, answer = std::move(name); });
    EXPECT_TRUE(TestApp::waitUntil([&] { return answered; }, 3000));
    return answer;
}

TEST(NetworkManagerConnectionName, NamesThePrimaryConnectionWhenTheManagerAnswers)
{
    TestApp::instance();
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus (run under scripts/with-services)";
    NetworkManagerConnectionName names(QDBusConnection::sessionBus());
    EXPECT_EQ(ask(names), std::nullopt) << "no network manager on the bus";

    QDBusConnection standIn = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("nm-stand-in"));
    StandInManager manager;
    StandInActiveConnection active;
    const QString path = QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/7");
    ASSERT_TRUE(standIn.registerObject("/org/freedesktop/NetworkManager", &manager, QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(standIn.registerObject(path, &active, QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(standIn.registerService(QStringLiteral("org.freedesktop.NetworkManager")));
    EXPECT_EQ(ask(names), std::nullopt) << "no primary connection";
    manager.primary.setPath(path);
    EXPECT_EQ(ask(names), "Office Wi-Fi");
    QDBusConnection::disconnectFromBus(QStringLiteral("nm-stand-in"));
}

} // namespace

#include "network_manager_connection_name_test.moc"
