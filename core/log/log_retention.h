#pragma once

#include <array>
#include <cstdint>
#include <optional>

// How much history the signal log keeps: a number of entries and, optionally, an age in seconds.
struct LogRetention {
    // Fewer than one entry is raised to one.
    LogRetention(std::int64_t maxEntries, std::optional<double> maxAge);

    std::int64_t maxEntries;
    std::optional<double> maxAge;

    // 500 entries; no age limit for zero or fewer days.
    static LogRetention days(std::int64_t days);
    static constexpr std::array<int, 4> dayChoices {7, 30, 90, 0};

    friend bool operator==(const LogRetention&, const LogRetention&) = default;
};
