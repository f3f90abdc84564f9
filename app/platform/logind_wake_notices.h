#pragma once

#include "platform/wake_notices.h"

#include <QDBusConnection>

// Wake notices from the login manager's PrepareForSleep(false) on the system bus. Without a bus connection
// there are simply no notices.
class LogindWakeNotices final : public WakeNotices {
    Q_OBJECT
public:
    explicit LogindWakeNotices(QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);

private Q_SLOTS:
    void prepareForSleep(bool goingToSleep);
};
