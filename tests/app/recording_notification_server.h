#pragma once
// A notification server of the test's own on the session bus, recording what it is asked to show and
// pressing the buttons of what it shows when told to.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

class RecordingNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Posted {
        QString app;
        uint replaces;
        QString summary;
        QString body;
        QStringList actions; // key, label, key, label…
        QVariantMap hints;
    };

    explicit RecordingNotificationServer(QStringList capabilities) : capabilities_(std::move(capabilities))
    {
        registered_ = bus_.isConnected() && bus_.registerObject(path, this, QDBusConnection::ExportScriptableSlots)
            && bus_.registerService(service);
    }
    ~RecordingNotificationServer() override
    {
        bus_.unregisterService(service);
        bus_.unregisterObject(path);
        QDBusConnection::disconnectFromBus(QStringLiteral("recording-server"));
    }
    bool registered() const { return registered_; }

    // The user pressed the button with this key on notification number `id` (counted from 1).
    void press(uint id, const QString& key)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, service, QStringLiteral("ActionInvoked"));
        signal << id << key;
        bus_.send(signal);
    }

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
        const QString& body, const QStringList& actions, const QVariantMap& hints, int)
    {
        posted.push_back({app, replaces, summary, body, actions, hints});
        return uint(posted.size());
    }

private:
    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");
    QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("recording-server"));
    QStringList capabilities_;
    bool registered_ = false;
};

#define REQUIRE_SERVER(server)                                                                               \
    if (!(server).registered())                                                                              \
        GTEST_SKIP() << "no private session bus, or another notification server already runs on it";
