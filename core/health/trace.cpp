#include "health/trace.h"

#include <algorithm>
#include <cmath>

namespace Trace {

std::vector<Run> runs(const std::vector<std::optional<double>>& history)
{
    std::vector<Run> result;
    for (std::size_t i = 0; i < history.size(); ++i) {
        const bool live = history[i].has_value();
        if (!result.empty() && result.back().live == live && result.back().range.end == i)
            ++result.back().range.end;
        else
            result.push_back(Run{IndexRange{i, i + 1}, live});
    }
    return result;
}

std::optional<QDateTime> dropStart(const std::vector<LatencySample>& samples)
{
    if (samples.empty() || samples.back().ms)
        return std::nullopt;
    auto oldest = samples.rbegin();
    while (std::next(oldest) != samples.rend() && !std::next(oldest)->ms)
        ++oldest;
    return oldest->date;
}

std::vector<std::optional<double>> normalized(const std::vector<std::optional<double>>& values, double floor)
{
    std::optional<double> lo;
    std::optional<double> hi;
    for (const std::optional<double>& value : values) {
        if (!value)
            continue;
        lo = lo ? std::min(*lo, *value) : *value;
        hi = hi ? std::max(*hi, *value) : *value;
    }
    if (!lo)
        return std::vector<std::optional<double>>(values.size());

    const double span = std::max({*hi - *lo, *hi * 0.25, floor});
    std::vector<std::optional<double>> result;
    result.reserve(values.size());
    for (const std::optional<double>& value : values) {
        if (!value) {
            result.push_back(std::nullopt);
            continue;
        }
        // A span of zero (all zeros, no floor) or a stray NaN must still draw at the bottom.
        const double scaled = span > 0 ? (*value - *lo) / span : 0.0;
        result.push_back(std::isnan(scaled) ? 0.0 : std::clamp(scaled, 0.0, 1.0));
    }
    return result;
}

} // namespace Trace
