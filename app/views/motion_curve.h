#pragma once

#include <QEasingCurve>

// How a change animates: an easing curve over a duration, and whether it should only cross-fade (the
// desktop's reduce-motion setting) instead of moving or scaling anything.
struct MotionCurve {
    QEasingCurve easing;
    double duration = 0; // seconds
    bool fadeOnly = false;

    // A damped spring that starts at rest, as a curve over the time it takes to settle: `response` is the
    // period of the undamped spring in seconds, `dampingFraction` 1 for critical damping, below it overshoots.
    // With reduce motion it is `fade()` instead.
    static MotionCurve spring(double response, double dampingFraction, bool reduceMotion);
    // Ease-in-out for 0.18 s, the cross-fade that stands in for every spring under reduce motion.
    static MotionCurve fade();

    int durationMs() const { return static_cast<int>(duration * 1000.0 + 0.5); }
};
