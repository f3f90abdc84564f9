#include "views/motion_curve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

constexpr double fadeSeconds = 0.18;
// The spring counts as settled once its remaining swing is below a thousandth of the distance.
constexpr double settledFraction = 0.001;
// Damping fractions are kept to steps of 0.05 from 0.05 to 4: a custom easing curve is a bare function,
// so every damping it can take needs its own.
constexpr double dampingStep = 0.05;
constexpr int dampingSteps = 80;

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

// Seconds a spring takes to settle.
double settleTime(double omega, double zeta)
{
    double duration = -std::log(settledFraction) / decayRate(omega, zeta);
    // Without overshoot the decay's polynomial factor makes the estimate short; creep up to where it settles.
    while (zeta >= 1.0 && 1.0 - springPosition(duration, omega, zeta) > settledFraction)
        duration *= 1.05;
    return duration;
}

// Over its settle time the spring's shape depends on the damping alone; the response only stretches it.
template <int Step>
qreal springEasing(qreal progress)
{
    constexpr double zeta = (Step + 1) * dampingStep;
    constexpr double omega = 2.0 * std::numbers::pi;
    static const double duration = settleTime(omega, zeta);
    if (progress >= 1.0)
        return 1.0;
    if (progress <= 0.0)
        return 0.0;
    return springPosition(progress * duration, omega, zeta);
}

template <int... Steps>
constexpr std::array<QEasingCurve::EasingFunction, sizeof...(Steps)> springTable(std::integer_sequence<int, Steps...>)
{
    return {&springEasing<Steps>...};
}

constexpr auto springs = springTable(std::make_integer_sequence<int, dampingSteps>());

// The usual ease-in-out, the cubic Bézier (0.42, 0) (0.58, 1), solved for x by bisection.
qreal easeInOut(qreal progress)
{
    if (progress <= 0.0)
        return 0.0;
    if (progress >= 1.0)
        return 1.0;
    const auto bezier = [](double s, double p1, double p2) {
        const double u = 1.0 - s;
        return 3 * u * u * s * p1 + 3 * u * s * s * p2 + s * s * s;
    };
    double lo = 0.0;
    double hi = 1.0;
    for (int i = 0; i < 40; ++i) {
        const double mid = (lo + hi) / 2;
        (bezier(mid, 0.42, 0.58) < progress ? lo : hi) = mid;
    }
    return bezier((lo + hi) / 2, 0.0, 1.0);
}

} // namespace

MotionCurve MotionCurve::fade()
{
    QEasingCurve easing;
    easing.setCustomType(&easeInOut);
    return MotionCurve{easing, fadeSeconds, true};
}

MotionCurve MotionCurve::spring(double response, double dampingFraction, bool reduceMotion)
{
    if (reduceMotion)
        return fade();
    const double period = std::isfinite(response) && response > 0.01 ? response : 0.01;
    const double zeta = std::isfinite(dampingFraction) ? dampingFraction : 1.0;
    const int step = std::clamp(static_cast<int>(std::lround(zeta / dampingStep)) - 1, 0, dampingSteps - 1);
    const double snapped = (step + 1) * dampingStep;
    QEasingCurve easing;
    easing.setCustomType(springs[static_cast<std::size_t>(step)]);
    return MotionCurve{easing, settleTime(2.0 * std::numbers::pi / period, snapped), false};
}
