#include "health/reachability_tracker.h"

#include <algorithm>

ReachabilityTracker::ReachabilityTracker(std::int64_t failuresToMarkDown, std::int64_t historyLimit)
    : failuresToMarkDown(failuresToMarkDown), historyLimit(historyLimit)
{
}

std::optional<bool> ReachabilityTracker::record(std::optional<double> ms, const QDateTime& at)
{
    recent.push_back(LatencySample{at, ms});
    const auto limit = static_cast<std::size_t>(std::max<std::int64_t>(historyLimit, 0));
    if (recent.size() > limit)
        recent.erase(recent.begin(), recent.begin() + static_cast<std::ptrdiff_t>(recent.size() - limit));

    const std::optional<bool> previous = verdict;
    if (ms) {
        failures = 0;
        verdict = true;
    } else {
        ++failures;
        const std::int64_t threshold = failuresToMarkDown > 0 ? failuresToMarkDown : 1;
        if (failures >= threshold)
            verdict = false;
    }
    if (verdict != previous)
        return verdict;
    return std::nullopt;
}

std::vector<std::optional<double>> ReachabilityTracker::history() const
{
    std::vector<std::optional<double>> values;
    values.reserve(recent.size());
    for (const LatencySample& sample : recent)
        values.push_back(sample.ms);
    return values;
}

std::optional<double> ReachabilityTracker::lastLatency() const
{
    if (recent.empty())
        return std::nullopt;
    return recent.back().ms;
}

std::optional<double> ReachabilityTracker::averageLatency() const
{
    double sum = 0;
    std::size_t count = 0;
    for (const LatencySample& sample : recent) {
        if (sample.ms) {
            sum += *sample.ms;
            ++count;
        }
    }
    if (count == 0)
        return std::nullopt;
    return sum / static_cast<double>(count);
}
