#include "services/notifier.h"

namespace NotificationText {

NotificationMessage dropped(const QString& name, const QString& host)
{
    return {name + QStringLiteral(" disconnected"), QStringLiteral("Mountwire will reconnect when ") + host
            + QStringLiteral(" is back.")};
}

NotificationMessage recovered(const QString& name, const QString& host)
{
    return {name + QStringLiteral(" is back"), QStringLiteral("Reconnected to ") + host + QStringLiteral(".")};
}

NotificationMessage needsPassword(const QString& name)
{
    return {name + QStringLiteral(" needs a password"), QStringLiteral("Open Mountwire to reconnect.")};
}

NotificationMessage certificateChanged(const QString& name, const QString& host)
{
    return {name + QStringLiteral(" wasn’t connected"), host
            + QStringLiteral(" shows a different certificate than the one you trusted.")};
}

} // namespace NotificationText
