#include "platform/logind_wake_notices.h"

LogindWakeNotices::LogindWakeNotices(QDBusConnection bus, QObject* parent) : WakeNotices(parent)
{
    if (!bus.isConnected())
        return;
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(prepareForSleep(bool)));
}

void LogindWakeNotices::prepareForSleep(bool goingToSleep)
{
    if (!goingToSleep)
        Q_EMIT didWake();
}
