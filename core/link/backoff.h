#pragma once

#include <cstdint>

// How long a line waits before its next automatic mount: doubling from `base`, never beyond `cap`.
struct Backoff {
    double base;
    double cap;

    // Seconds to wait after `attempt` + 1 failures in a row; the exponent is clamped to 0…20.
    double delay(std::int64_t attempt) const;

    friend bool operator==(const Backoff&, const Backoff&) = default;
};
