#include "views/line_texts.h"

#include "store/fmt.h"
#include "store/share_store.h"

#include <cmath>

namespace LineTexts {

LineContinuity continuity(const ShareStatus& status)
{
    switch (status.kind) {
    case ShareStatus::Kind::waiting:
    case ShareStatus::Kind::connecting: return LineContinuity::dashed;
    case ShareStatus::Kind::failed:
    case ShareStatus::Kind::serverDown:
    case ShareStatus::Kind::stale: return LineContinuity::broken;
    case ShareStatus::Kind::connected: return LineContinuity::solid;
    case ShareStatus::Kind::idle: return LineContinuity::dotted;
    }
    return LineContinuity::dotted;
}

SignalLine signalLine(const ShareStore& store, const ShareSpec& share, int capacity, double thickness,
    double nodeRadius)
{
    SignalLine line;
    if (const ReachabilityTracker* tracker = store.tracker(share))
        line.latencies = tracker->history();
    line.continuity = continuity(store.status(share));
    line.capacity = capacity;
    line.thickness = thickness;
    line.nodeRadius = nodeRadius;
    line.stamp = store.gapStamp(share);
    return line;
}

QString boardSummary(const ShareStore& store)
{
    if (store.shares().empty())
        return QStringLiteral("No lines yet");
    QString text = QStringLiteral("%1 of %2 live").arg(store.connectedCount()).arg(store.shares().size());
    if (const int attention = store.attentionCount(); attention > 0)
        text += QStringLiteral(" · %1 need attention").arg(attention);
    if (const auto& active = store.activeProfileID()) {
        for (const Profile& route : store.profiles()) {
            if (route.id == *active)
                text += QStringLiteral(" · route ") + route.name;
        }
    }
    return text;
}

QString panelSummary(const ShareStore& store)
{
    if (store.shares().empty())
        return QStringLiteral("no lines");
    QString text = QStringLiteral("%1/%2 live").arg(store.connectedCount()).arg(store.shares().size());
    if (const int attention = store.attentionCount(); attention > 0)
        text += QStringLiteral(" · %1 down").arg(attention);
    return text;
}

QString panelFigure(const ShareStore& store, const ShareSpec& share)
{
    const ShareStatus status = store.status(share);
    const ReachabilityTracker* tracker = store.tracker(share);
    const std::optional<double> latest = tracker ? tracker->lastLatency() : std::nullopt;
    if (status.kind == ShareStatus::Kind::idle)
        return latest ? Fmt::ms(latest) : QStringLiteral("off");
    if (status.kind == ShareStatus::Kind::connected)
        return Fmt::ms(latest);
    return status.caption(store.now());
}

QString bytes(std::int64_t count)
{
    if (count < 1000)
        return QStringLiteral("%1 bytes").arg(count);
    static const char* const units[] {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = double(count);
    int unit = -1;
    while (value >= 1000 && unit < 5) {
        value /= 1000;
        ++unit;
    }
    const int decimals = value < 10 && unit >= 2 ? 1 : 0;
    QString number = QString::number(value, 'f', decimals);
    if (number.endsWith(QStringLiteral(".0")))
        number.chop(2);
    return number + QLatin1Char(' ') + QString::fromLatin1(units[unit]);
}

QString spaceText(const ShareRuntime* record)
{
    if (!record || !record->volume)
        return QStringLiteral("not mounted");
    if (!record->health || record->health->kind != VolumeHealth::Kind::healthy || record->health->total < 1)
        return QStringLiteral("size unknown");
    return bytes(record->health->available) + QStringLiteral(" free of ") + bytes(record->health->total);
}

std::optional<double> usedFraction(const ShareRuntime* record)
{
    if (!record || !record->volume || !record->health || record->health->kind != VolumeHealth::Kind::healthy
        || record->health->total < 1)
        return std::nullopt;
    return std::clamp(1.0 - double(record->health->available) / double(record->health->total), 0.0, 1.0);
}

QString removeTitle(const ShareSpec& share)
{
    return QStringLiteral("Remove “") + share.name + QStringLiteral("” from Mountwire?");
}

QString removeMessage(bool mounted)
{
    return mounted ? QStringLiteral("It stays mounted for now, but Mountwire stops watching and reconnecting it. "
                                    "Its saved password is kept in your password store.")
                   : QStringLiteral("Mountwire stops watching and reconnecting it. Nothing on the server is touched.");
}

} // namespace LineTexts
