#include "views/motion_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

double peak(const QEasingCurve& curve)
{
    double highest = 0;
    for (int i = 0; i <= 200; ++i)
        highest = std::max(highest, curve.valueForProgress(i / 200.0));
    return highest;
}

TEST(MotionCurve, SpringsStartAtRestAndSettleOnTheTarget)
{
    struct Case {
        const char* name;
        double response;
        double damping;
    };
    const Case cases[] = {{"spring", 0.35, 0.85}, {"snappy", 0.25, 0.85}, {"capacity", 0.5, 1.0}, {"slow", 0.6, 2.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MotionCurve curve = MotionCurve::spring(c.response, c.damping, false);
        EXPECT_FALSE(curve.fadeOnly);
        EXPECT_NEAR(curve.easing.valueForProgress(0.0), 0.0, 1e-6);
        EXPECT_LT(curve.easing.valueForProgress(0.005), 0.01);
        EXPECT_NEAR(curve.easing.valueForProgress(1.0), 1.0, 1e-6);
        // Settled well before the end: no visible jump in the last tenth.
        EXPECT_NEAR(curve.easing.valueForProgress(0.9), 1.0, 0.01);
        EXPECT_GT(curve.duration, c.response * 0.5);
        EXPECT_LT(curve.duration, c.response * 6);
    }
}

TEST(MotionCurve, UnderdampedSpringsOvershootAndCriticalOnesDoNot)
{
    EXPECT_GT(peak(MotionCurve::spring(0.35, 0.6, false).easing), 1.05);
    EXPECT_GT(peak(MotionCurve::spring(0.35, 0.85, false).easing), 1.0);
    EXPECT_LE(peak(MotionCurve::spring(0.5, 1.0, false).easing), 1.0 + 1e-3);
    EXPECT_LT(MotionCurve::spring(0.25, 0.85, false).duration, MotionCurve::spring(0.35, 0.85, false).duration);
}

TEST(MotionCurve, ReduceMotionTurnsEverySpringIntoTheShortFade)
{
    const MotionCurve fade = MotionCurve::spring(0.35, 0.85, true);
    EXPECT_TRUE(fade.fadeOnly);
    EXPECT_DOUBLE_EQ(fade.duration, 0.18);
    EXPECT_EQ(fade.durationMs(), 180);
    EXPECT_EQ(fade.easing, MotionCurve::fade().easing);
    // Ease-in-out: slow at both ends, symmetric, never past the target.
    EXPECT_LT(fade.easing.valueForProgress(0.1), 0.05);
    EXPECT_NEAR(fade.easing.valueForProgress(0.5), 0.5, 0.01);
    EXPECT_GT(fade.easing.valueForProgress(0.9), 0.95);
    EXPECT_LE(peak(fade.easing), 1.0 + 1e-6);
}

TEST(MotionCurve, NonsenseParametersStillGiveAFiniteCurve)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [response, damping] : {std::pair{0.0, 0.85}, {-1.0, 0.5}, {nan, nan}, {inf, 0.85}, {0.35, -3.0}, {0.35, inf}}) {
        const MotionCurve curve = MotionCurve::spring(response, damping, false);
        EXPECT_TRUE(std::isfinite(curve.duration));
        EXPECT_GT(curve.duration, 0);
        EXPECT_NEAR(curve.easing.valueForProgress(1.0), 1.0, 1e-6);
        EXPECT_TRUE(std::isfinite(curve.easing.valueForProgress(0.5)));
    }
}

} // namespace
