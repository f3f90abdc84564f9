#pragma once

// The named animations the store and the views use for their changes.
enum class Motion { spring, snappy, fade };

struct MotionSpec {
    double response = 0; // seconds; the duration for fade
    double dampingFraction = 1; // 1 for fade, which is an ease-in-out curve rather than a spring
    friend bool operator==(const MotionSpec&, const MotionSpec&) = default;
};

// With reduce motion on, every spring becomes the short fade.
constexpr Motion resolved(Motion motion, bool reduceMotion)
{
    return reduceMotion ? Motion::fade : motion;
}

constexpr MotionSpec spec(Motion motion)
{
    switch (motion) {
    case Motion::spring: return {0.35, 0.85};
    case Motion::snappy: return {0.25, 0.85};
    case Motion::fade: return {0.18, 1};
    }
    return {};
}
