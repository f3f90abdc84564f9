#include "platform/network_manager_connection_name.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString service = QStringLiteral("org.freedesktop.NetworkManager");
// An absent network manager answers at once; a stuck one must not hold a network change for long.
constexpr int timeoutMs = 2000;

} // namespace

NetworkManagerConnectionName::NetworkManagerConnectionName(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus))
{
}

void NetworkManagerConnectionName::property(const QString& path, const QString& interface, const QString& name,
    std::function<void(std::optional<QVariant>)> done)
{
    if (!m_bus.isConnected()) {
        done(std::nullopt);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << interface << name;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done = std::move(done)] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *watcher;
        done(reply.isError() ? std::nullopt : std::optional(reply.value().variant()));
    });
}

void NetworkManagerConnectionName::ask(std::function<void(std::optional<QString>)> done)
{
    property(QStringLiteral("/org/freedesktop/NetworkManager"), service, QStringLiteral("PrimaryConnection"),
        [this, done = std::move(done)](std::optional<QVariant> primary) {
            const QString path = primary ? primary->value<QDBusObjectPath>().path() : QString();
            if (path.isEmpty() || path == QStringLiteral("/")) {
                done(std::nullopt);
                return;
            }
            property(path, service + QStringLiteral(".Connection.Active"), QStringLiteral("Id"),
                [done](std::optional<QVariant> id) {
                    const QString name = id ? id->toString() : QString();
                    done(name.isEmpty() ? std::nullopt : std::optional(name));
                });
        });
}
