#pragma once

#include "services/notifier.h"

#include <QDBusConnection>
#include <QObject>
#include <QSet>

// Notifications through the desktop's notification server (org.freedesktop.Notifications). Permission is
// granted when a server answers; without a bus or a server, posting silently does nothing. Buttons are
// offered only to servers that advertise "actions".
class DbusNotifier final : public QObject, public Notifier {
    Q_OBJECT
public:
    explicit DbusNotifier(QDBusConnection bus = QDBusConnection::sessionBus());

    void requestAuthorization(std::function<void(bool granted)> done = {}) override;
    using Notifier::post;
    void post(const QString& title, const QString& body) override;
    void post(const NotificationMessage& message, const NotificationAction& action) override;

private Q_SLOTS:
    void actionInvoked(uint id, const QString& key);
    void notificationClosed(uint id, uint reason);

private:
    void send(const NotificationMessage& message, std::optional<NotificationAction> action);

    QDBusConnection bus_;
    // Our notifications that carry a button; the server tells every client of every press.
    QSet<uint> withButtons_;
};
