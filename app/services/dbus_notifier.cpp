#include "services/dbus_notifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

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

DbusNotifier::DbusNotifier(QDBusConnection bus) : bus_(std::move(bus))
{
    if (!bus_.isConnected())
        return;
    bus_.connect(service, path, service, QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
    bus_.connect(service, path, service, QStringLiteral("NotificationClosed"), this,
        SLOT(notificationClosed(uint, uint)));
}

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
    send({title, body}, std::nullopt);
}

void DbusNotifier::post(const NotificationMessage& message, const NotificationAction& action)
{
    send(message, action);
}

void DbusNotifier::send(const NotificationMessage& message, std::optional<NotificationAction> action)
{
    if (!bus_.isConnected())
        return;
    // A server that reads markup in bodies would take a host's "&" or "<" for it, so ask first.
    whenAnswered(bus_, call(QStringLiteral("GetCapabilities")),
        [bus = bus_, self = QPointer(this), message, action](const QDBusPendingCallWatcher& reply) mutable {
            const QStringList capabilities = QDBusPendingReply<QStringList>(reply).argumentAt<0>();
            const bool markup = !reply.isError() && capabilities.contains(QStringLiteral("body-markup"));
            const bool buttons = action && !reply.isError() && capabilities.contains(QStringLiteral("actions"));
            QDBusMessage notify = call(QStringLiteral("Notify"));
            const QVariantMap hints {
                {QStringLiteral("desktop-entry"), QStringLiteral("mountwire")},
                {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
            };
            const QStringList actions = buttons ? QStringList {action->key(), action->label()} : QStringList();
            // Replacing nothing (id 0) makes every post a notification of its own.
            notify << QStringLiteral("Mountwire") << quint32(0) << QString() << message.title
                   << (markup ? message.body.toHtmlEscaped() : message.body) << actions << hints << qint32(-1);
            if (!buttons) {
                bus.asyncCall(notify);
                return;
            }
            // A notifier gone by now posts all the same, but nobody is left to hear its button.
            whenAnswered(bus, notify, [self](const QDBusPendingCallWatcher& posted) {
                if (self && !posted.isError())
                    self->withButtons_.insert(QDBusPendingReply<uint>(posted).argumentAt<0>());
            });
        });
}

void DbusNotifier::actionInvoked(uint id, const QString& key)
{
    if (!withButtons_.contains(id))
        return;
    if (const std::optional<NotificationAction> action = NotificationAction::fromKey(key); action && actionHandler_)
        actionHandler_(*action);
}

void DbusNotifier::notificationClosed(uint id, uint)
{
    withButtons_.remove(id);
}
