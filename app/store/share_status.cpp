#include "store/share_status.h"

#include "store/fmt.h"

QString ShareStatus::label() const
{
    switch (kind) {
    case Kind::waiting: return QStringLiteral("Retrying");
    case Kind::failed: return QStringLiteral("Couldn’t connect");
    case Kind::connected: return QStringLiteral("Connected");
    case Kind::connecting: return QStringLiteral("Connecting…");
    case Kind::serverDown: return QStringLiteral("Server offline");
    case Kind::stale: return QStringLiteral("Not responding");
    case Kind::idle: return QStringLiteral("Not mounted");
    }
    return {};
}

QString ShareStatus::caption(const QDateTime& now) const
{
    switch (kind) {
    case Kind::waiting: return QStringLiteral("RETRY ") + Fmt::countdown(nextAttempt, now).toUpper();
    case Kind::failed: return QStringLiteral("FAILED");
    case Kind::connected: return QStringLiteral("LIVE");
    case Kind::connecting: return QStringLiteral("CONNECTING");
    case Kind::serverDown: return QStringLiteral("SERVER DOWN");
    case Kind::stale: return QStringLiteral("NOT RESPONDING");
    case Kind::idle: return QStringLiteral("NOT MOUNTED");
    }
    return {};
}

bool ShareStatus::needsAttention() const
{
    return kind == Kind::waiting || kind == Kind::failed || kind == Kind::serverDown || kind == Kind::stale;
}
