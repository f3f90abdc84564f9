#include "services/dbus_notifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage call(const QString& method)
{
    return QDBusMessage::createMethodCall(service, path, service, method);
}

// Runs then with the reply on the main thread once it arrives; the watcher goes with it.
void whenAnswered(QDBusConnection& bus, const QDBusMessage& message,
    std::function<void(const QDBusPendingCallWatcher&)> then)
{
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
        [then = std::move(then)](QDBusPendingCallWatcher* finished) {
            then(*finished);
            finished->deleteLater();
        });
}

} // namespace

DbusNotifier::DbusNotifier(QDBusConnection bus) : bus_(std::move(bus)) {}

void DbusNotifier::requestAuthorization(std::function<void(bool granted)> done)
{
    if (!bus_.isConnected()) {
        if (done)
            done(false);
        return;
    }
    whenAnswered(bus_, call(QStringLiteral("GetServerInformation")),
        [done = std::move(done)](const QDBusPendingCallWatcher& reply) {
            if (done)
                done(!reply.isError());
        });
}

void DbusNotifier::post(const QString& title, const QString& body)
{
    if (!bus_.isConnected())
        return;
    // A server that reads markup in bodies would take a host's "&" or "<" for it, so ask first.
    whenAnswered(bus_, call(QStringLiteral("GetCapabilities")),
        [bus = bus_, title, body](const QDBusPendingCallWatcher& reply) mutable {
            const QStringList capabilities = QDBusPendingReply<QStringList>(reply).argumentAt<0>();
            const bool markup = !reply.isError() && capabilities.contains(QStringLiteral("body-markup"));
            QDBusMessage notify = call(QStringLiteral("Notify"));
            const QVariantMap hints {
                {QStringLiteral("desktop-entry"), QStringLiteral("mountwire")},
                {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
            };
            // Replacing nothing (id 0) makes every post a notification of its own.
            notify << QStringLiteral("Mountwire") << quint32(0) << QString() << title
                   << (markup ? body.toHtmlEscaped() : body) << QStringList() << hints << qint32(-1);
            bus.asyncCall(notify);
        });
}
