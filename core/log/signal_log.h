#pragma once

#include "log/activity_event.h"
#include "log/log_retention.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <array>
#include <optional>
#include <vector>

// Pure operations on the signal log, a list of entries kept newest first.
namespace SignalLog {

enum class Marker { drop, recover, info };

QString toRaw(Marker marker);
QString glyph(Marker marker);
Marker marker(ActivityEvent::Kind kind);

enum class Filter { all, drops, recoveries, changes };

const std::array<Filter, 4>& allFilters();
QString toRaw(Filter filter);
std::optional<Filter> filterFromRaw(const QString& raw);
bool includes(Filter filter, ActivityEvent::Kind kind);

struct Day {
    QDateTime start;
    std::vector<ActivityEvent> events; // newest first

    friend bool operator==(const Day&, const Day&) = default;
};

struct Counts {
    int drops = 0;
    int recoveries = 0;

    friend bool operator==(const Counts&, const Counts&) = default;
};

// The new entry goes in front, then the list is pruned, so it lands in date order ahead of equal dates.
std::vector<ActivityEvent> insert(ActivityEvent event, std::vector<ActivityEvent> events,
    const LogRetention& retention, const QDateTime& now);
// Newest first (stable), then older than the age limit and beyond the entry limit dropped.
std::vector<ActivityEvent> prune(std::vector<ActivityEvent> events, const LogRetention& retention, const QDateTime& now);
// Days in `zone`, newest first.
std::vector<Day> byDay(std::vector<ActivityEvent> events, const QTimeZone& zone);
Counts counts(const std::vector<ActivityEvent>& events);

} // namespace SignalLog
