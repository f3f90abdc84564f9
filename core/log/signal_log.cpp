#include "log/signal_log.h"

#include <algorithm>

namespace SignalLog {

namespace {

bool newer(const ActivityEvent& a, const ActivityEvent& b)
{
    return a.date > b.date;
}

void sortNewestFirst(std::vector<ActivityEvent>& events)
{
    // The stored list is always sorted already; checking is far cheaper than sorting again.
    if (!std::is_sorted(events.begin(), events.end(), newer))
        std::stable_sort(events.begin(), events.end(), newer);
}

} // namespace

QString toRaw(Marker marker)
{
    switch (marker) {
    case Marker::drop:
        return QStringLiteral("drop");
    case Marker::recover:
        return QStringLiteral("recover");
    case Marker::info:
        break;
    }
    return QStringLiteral("info");
}

QString glyph(Marker marker)
{
    switch (marker) {
    case Marker::drop:
        return QStringLiteral("▼");
    case Marker::recover:
        return QStringLiteral("▲");
    case Marker::info:
        break;
    }
    return QStringLiteral("·");
}

Marker marker(ActivityEvent::Kind kind)
{
    using Kind = ActivityEvent::Kind;
    switch (kind) {
    case Kind::mounted:
    case Kind::recovered:
    case Kind::serverUp:
        return Marker::recover;
    case Kind::dropped:
    case Kind::failed:
    case Kind::serverDown:
        return Marker::drop;
    case Kind::unmounted:
    case Kind::profile:
    case Kind::info:
        break;
    }
    return Marker::info;
}

const std::array<Filter, 4>& allFilters()
{
    static const std::array<Filter, 4> filters {Filter::all, Filter::drops, Filter::recoveries, Filter::changes};
    return filters;
}

QString toRaw(Filter filter)
{
    switch (filter) {
    case Filter::all:
        return QStringLiteral("All");
    case Filter::drops:
        return QStringLiteral("Drops");
    case Filter::recoveries:
        return QStringLiteral("Recoveries");
    case Filter::changes:
        break;
    }
    return QStringLiteral("Changes");
}

std::optional<Filter> filterFromRaw(const QString& raw)
{
    for (Filter filter : allFilters()) {
        if (toRaw(filter) == raw)
            return filter;
    }
    return std::nullopt;
}

bool includes(Filter filter, ActivityEvent::Kind kind)
{
    using Kind = ActivityEvent::Kind;
    switch (filter) {
    case Filter::all:
        return true;
    case Filter::drops:
        return marker(kind) == Marker::drop;
    case Filter::recoveries:
        return marker(kind) == Marker::recover;
    case Filter::changes:
        return kind == Kind::mounted || kind == Kind::unmounted || kind == Kind::profile || kind == Kind::info;
    }
    return false;
}

std::vector<ActivityEvent> insert(ActivityEvent event, std::vector<ActivityEvent> events,
    const LogRetention& retention, const QDateTime& now)
{
    if (std::is_sorted(events.begin(), events.end(), newer)) {
        // Where a stable sort with the entry in front would leave it: behind strictly newer ones only.
        const auto at = std::partition_point(
            events.begin(), events.end(), [&](const ActivityEvent& e) { return e.date > event.date; });
        events.insert(at, std::move(event));
    } else {
        events.insert(events.begin(), std::move(event));
    }
    return prune(std::move(events), retention, now);
}

std::vector<ActivityEvent> prune(std::vector<ActivityEvent> events, const LogRetention& retention, const QDateTime& now)
{
    sortNewestFirst(events);
    if (retention.maxAge) {
        const QDateTime cutoff = now.addMSecs(-static_cast<qint64>(*retention.maxAge * 1000.0));
        // Sorted newest first, so everything too old sits at the end.
        const auto tooOld = std::find_if(
            events.begin(), events.end(), [&](const ActivityEvent& e) { return e.date < cutoff; });
        events.erase(tooOld, events.end());
    }
    if (static_cast<std::int64_t>(events.size()) > retention.maxEntries)
        events.resize(static_cast<std::size_t>(retention.maxEntries));
    return events;
}

std::vector<Day> byDay(std::vector<ActivityEvent> events, const QTimeZone& zone)
{
    sortNewestFirst(events);
    std::vector<Day> days;
    for (ActivityEvent& event : events) {
        const QDateTime start = event.date.toTimeZone(zone).date().startOfDay(zone);
        if (days.empty() || days.back().start != start)
            days.push_back({start, {}});
        days.back().events.push_back(std::move(event));
    }
    return days;
}

Counts counts(const std::vector<ActivityEvent>& events)
{
    Counts counts;
    for (const ActivityEvent& event : events) {
        const Marker m = marker(event.kind);
        if (m == Marker::drop)
            ++counts.drops;
        else if (m == Marker::recover)
            ++counts.recoveries;
    }
    return counts;
}

} // namespace SignalLog
