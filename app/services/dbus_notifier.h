#pragma once

#include "services/notifier.h"

#include <QDBusConnection>

// Notifications through the desktop's notification server (org.freedesktop.Notifications). Permission is
// granted when a server answers; without a bus or a server, posting silently does nothing.
class DbusNotifier final : public Notifier {
public:
    explicit DbusNotifier(QDBusConnection bus = QDBusConnection::sessionBus());

    void requestAuthorization(std::function<void(bool granted)> done = {}) override;
    using Notifier::post;
    void post(const QString& title, const QString& body) override;

private:
    QDBusConnection bus_;
};
