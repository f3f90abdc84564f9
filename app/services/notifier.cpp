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

QString NotificationAction::label() const
{
    return kind == Kind::reconnect ? QStringLiteral("Reconnect") : QStringLiteral("Open");
}

QString NotificationAction::key() const
{
    return (kind == Kind::reconnect ? QStringLiteral("reconnect:") : QStringLiteral("open:"))
        + share.toString(QUuid::WithoutBraces);
}

std::optional<NotificationAction> NotificationAction::fromKey(const QString& key)
{
    const qsizetype colon = key.indexOf(QLatin1Char(':'));
    const QString verb = key.left(colon);
    const QUuid share = QUuid::fromString(key.mid(colon + 1));
    if (colon < 0 || share.isNull())
        return std::nullopt;
    if (verb == QLatin1String("reconnect"))
        return NotificationAction {Kind::reconnect, share};
    if (verb == QLatin1String("open"))
        return NotificationAction {Kind::open, share};
    return std::nullopt;
}
