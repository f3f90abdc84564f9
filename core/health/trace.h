#pragma once

#include "health/latency_sample.h"

#include <QDateTime>

#include <cstddef>
#include <optional>
#include <vector>

// Pure functions that turn a server's probe history into what the board draws.
namespace Trace {

// Half-open range of indices into a history.
struct IndexRange {
    std::size_t begin = 0;
    std::size_t end = 0;

    friend bool operator==(const IndexRange&, const IndexRange&) = default;
};

// A maximal stretch of answered (live) or unanswered samples.
struct Run {
    IndexRange range;
    bool live = false;

    friend bool operator==(const Run&, const Run&) = default;
};

std::vector<Run> runs(const std::vector<std::optional<double>>& history);

// When the current outage began: the date of the oldest of the newest unbroken unanswered samples;
// absent when there are no samples or the newest answered.
std::optional<QDateTime> dropStart(const std::vector<LatencySample>& samples);

// Scales present values to 0…1; the span is at least a quarter of the largest value and at least
// `floor`, so a nearly flat history stays nearly flat.
std::vector<std::optional<double>> normalized(const std::vector<std::optional<double>>& values, double floor);

} // namespace Trace
