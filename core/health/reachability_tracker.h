#pragma once

#include "health/latency_sample.h"

#include <QDateTime>

#include <cstdint>
#include <optional>
#include <vector>

// A server's recent probe results and its up/down verdict, which flips to down only after
// several unanswered probes in a row and back to up on the first answer.
class ReachabilityTracker {
public:
    ReachabilityTracker(std::int64_t failuresToMarkDown, std::int64_t historyLimit);

    // Records one result; returns the new verdict when this record changed it.
    std::optional<bool> record(std::optional<double> ms, const QDateTime& at);

    std::int64_t consecutiveFailures() const { return failures; }
    std::optional<bool> reachable() const { return verdict; }
    const std::vector<LatencySample>& samples() const { return recent; }

    std::vector<std::optional<double>> history() const;
    std::optional<double> lastLatency() const;
    std::optional<double> averageLatency() const;

    friend bool operator==(const ReachabilityTracker&, const ReachabilityTracker&) = default;

    // Both owned by whoever keeps the tracker, which may overwrite them from settings before a record.
    std::int64_t failuresToMarkDown;
    std::int64_t historyLimit;

private:
    std::int64_t failures = 0;
    std::optional<bool> verdict;
    std::vector<LatencySample> recent;
};
