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

TEST(MotionCurve, SpringsStartAtRestSettleOnTheTargetAndOvershootOnlyWhenUnderdamped)
{
    const std::tuple<double, double, bool> cases[] = {
        {0.35, 0.85, true}, {0.25, 0.85, true}, {0.35, 0.6, true}, {0.5, 1.0, false}, {0.6, 2.0, false}};
    for (const auto& [response, damping, overshoots] : cases) {
        SCOPED_TRACE(testing::Message() << response << " / " << damping);
        const MotionCurve curve = MotionCurve::spring(response, damping, false);
        EXPECT_FALSE(curve.fadeOnly);
        EXPECT_LT(curve.easing.valueForProgress(0.005), 0.01);
        EXPECT_NEAR(curve.easing.valueForProgress(0.9), 1.0, 0.01);
        EXPECT_DOUBLE_EQ(curve.easing.valueForProgress(1.0), 1.0);
        EXPECT_EQ(peak(curve.easing) > 1.0 + 1e-3, overshoots);
        EXPECT_GT(curve.duration, response * 0.5);
        EXPECT_LT(curve.duration, response * 6);
    }
    EXPECT_LT(MotionCurve::spring(0.25, 0.85, false).duration, MotionCurve::spring(0.35, 0.85, false).duration);
}

TEST(MotionCurve, ReduceMotionTurnsEverySpringIntoTheShortFade)
{
    const MotionCurve fade = MotionCurve::spring(0.35, 0.85, true);
    EXPECT_TRUE(fade.fadeOnly);
    EXPECT_EQ(fade.durationMs(), 180);
    // Ease-in-out: slow at both ends, symmetric, never past the target.
    EXPECT_LT(fade.easing.valueForProgress(0.1), 0.05);
    EXPECT_NEAR(fade.easing.valueForProgress(0.5), 0.5, 0.01);
    EXPECT_GT(fade.easing.valueForProgress(0.9), 0.95);
    EXPECT_LE(peak(fade.easing), 1.0);
}

TEST(MotionCurve, NonsenseParametersStillGiveAFiniteCurve)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& [response, damping] : {std::pair{0.0, 0.85}, {-1.0, 0.5}, {nan, nan}, {inf, 0.85}, {0.35, -3.0}, {0.35, inf}}) {
        const MotionCurve curve = MotionCurve::spring(response, damping, false);
        EXPECT_TRUE(std::isfinite(curve.duration) && curve.duration > 0);
        EXPECT_TRUE(std::isfinite(curve.easing.valueForProgress(0.5)));
    }
}

} // namespace
