#include "views/motion_curve.h"

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double fadeSeconds = 0.18;
// The spring counts as settled once its remaining swing is below a thousandth of the distance.
constexpr double settledFraction = 0.001;
constexpr int segments = 24;

// Displacement reached after t seconds by a spring released at rest, from 0 towards 1.
double springPosition(double t, double omega, double zeta)
{
    if (zeta < 1.0) {
        const double damped = omega * std::sqrt(1.0 - zeta * zeta);
        return 1.0 - std::exp(-zeta * omega * t) * (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
    }
    if (zeta == 1.0)
        return 1.0 - std::exp(-omega * t) * (1.0 + omega * t);
    const double root = omega * std::sqrt(zeta * zeta - 1.0);
    const double fast = -zeta * omega - root;
    const double slow = -zeta * omega + root;
    return 1.0 - (fast * std::exp(slow * t) - slow * std::exp(fast * t)) / (fast - slow);
}

// The slower of the decay rates, which decides how long the spring takes to settle.
double decayRate(double omega, double zeta)
{
    if (zeta <= 1.0)
        return zeta * omega;
    return zeta * omega - omega * std::sqrt(zeta * zeta - 1.0);
}

} // namespace

MotionCurve MotionCurve::fade()
{
    QEasingCurve easing(QEasingCurve::BezierSpline);
    // The usual ease-in-out: slow start, slow end, symmetric.
    easing.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return MotionCurve{easing, fadeSeconds, true};
}

MotionCurve MotionCurve::spring(double response, double dampingFraction, bool reduceMotion)
{
    if (reduceMotion)
        return fade();
    const double period = std::isfinite(response) && response > 0.01 ? response : 0.01;
    const double zeta = std::isfinite(dampingFraction) ? std::clamp(dampingFraction, 0.05, 4.0) : 1.0;
    const double omega = 2.0 * std::numbers::pi / period;
    double duration = -std::log(settledFraction) / decayRate(omega, zeta);
    // Without overshoot the decay's polynomial factor makes the estimate short; creep up to where it settles.
    while (zeta >= 1.0 && 1.0 - springPosition(duration, omega, zeta) > settledFraction)
        duration *= 1.05;

    // QEasingCurve's custom type takes a bare function and so cannot carry the spring's parameters; a
    // spline through samples of the spring can, and Qt evaluates it just as cheaply.
    std::vector<QPointF> points;
    points.reserve(segments + 1);
    for (int i = 0; i <= segments; ++i) {
        const double x = static_cast<double>(i) / segments;
        points.emplace_back(x, i == segments ? 1.0 : springPosition(x * duration, omega, zeta));
    }
    const auto slope = [&](int i) {
        // The spring leaves at rest; elsewhere central differences (Catmull-Rom) keep the curve smooth.
        if (i == 0)
            return 0.0;
        const int before = i - 1;
        const int after = std::min(i + 1, segments);
        return (points[after].y() - points[before].y()) / (points[after].x() - points[before].x());
    };
    QEasingCurve easing(QEasingCurve::BezierSpline);
    const double h = 1.0 / segments;
    for (int i = 0; i < segments; ++i) {
        const QPointF& from = points[i];
        const QPointF& to = points[i + 1];
        easing.addCubicBezierSegment(QPointF(from.x() + h / 3, from.y() + slope(i) * h / 3),
                                     QPointF(to.x() - h / 3, to.y() - slope(i + 1) * h / 3), to);
    }
    return MotionCurve{easing, duration, false};
}
