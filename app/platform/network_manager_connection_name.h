#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

// The name of the network manager's primary connection ("Office Wi-Fi"), asked over D-Bus. Most systems
// have it on the system bus; where it does not run, every answer is nothing.
class NetworkManagerConnectionName : public QObject {
    Q_OBJECT
public:
    explicit NetworkManagerConnectionName(QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);

    // Never blocks; done runs on this object's thread.
    void ask(std::function<void(std::optional<QString>)> done);

private:
    void property(const QString& path, const QString& interface, const QString& name,
        std::function<void(std::optional<QVariant>)> done);

    QDBusConnection m_bus;
};
