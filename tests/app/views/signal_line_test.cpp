#include "views/signal_line.h"

#include "app/test_app.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Theme::Appearance;
using Latencies = std::vector<std::optional<double>>;

const QSize rowSize(300, 30);
const SignalLineGeometry board = SignalLineGeometry::of(QSizeF(rowSize), 40, 4);

QImage draw(const SignalLine& line, double phase = 0, QSize size = rowSize, Appearance appearance = Appearance::light)
{
    TestApp::instance();
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    SignalLinePainter::paint(painter, QRectF(QPointF(0, 0), size), line, appearance, phase);
    painter.end();
    return image;
}

SignalLine lineOf(LineContinuity continuity, Latencies latencies = {})
{
    SignalLine line;
    line.continuity = continuity;
    line.latencies = std::move(latencies);
    return line;
}

int alphaAt(const QImage& image, double x, double y)
{
    return qAlpha(image.pixel(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))));
}

// Pixels with visible ink in the columns [fromX, toX) above `belowY`.
int inked(const QImage& image, double fromX, double toX, double belowY)
{
    int count = 0;
    for (int x = static_cast<int>(fromX); x < static_cast<int>(toX); ++x) {
        for (int y = 0; y < static_cast<int>(belowY); ++y)
            count += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
    }
    return count;
}

// The raised trace: ink above the baseline's stroke, between the nodes (which stand taller than the flat line).
int raised(const QImage& image, double fromX = 0, double toX = rowSize.width())
{
    return inked(image, std::max(fromX, board.pathStart), std::min(toX, board.pathEnd), board.baseline - 3);
}

TEST(SignalLine, EachContinuityHasItsOwnStrokeAndTicksFailedChecksUnlessIdle)
{
    // With no checks every line is flat, so the stroke alone tells them apart along the baseline row.
    const double y = board.baseline;
    const double start = board.pathStart;
    // Ink at one x (on a dash, a dot or the unbroken stretch), none at another (in a dash gap, between dots or
    // in the break), and the stroke's hue at its left end.
    const std::tuple<LineContinuity, double, std::optional<double>, QRgb> cases[] = {
        {LineContinuity::solid, start + 6.5, std::nullopt, 0x2F80ED},
        {LineContinuity::dashed, start + 2.5, start + 6.5, 0xC27A0E},
        {LineContinuity::dotted, start + 4.2, start + 2.1, 0x0F1B2D},
        {LineContinuity::broken, start + 6.5, board.areaEnd - 20, 0xD2403A},
    };
    Latencies oneFailed(40, 20.0);
    oneFailed[20] = std::nullopt;
    for (const auto& [continuity, inkedX, emptyX, hue] : cases) {
        SCOPED_TRACE(toRaw(continuity).toStdString());
        const QImage image = draw(lineOf(continuity));
        EXPECT_GT(alphaAt(image, inkedX, y), 100);
        if (emptyX) {
            EXPECT_EQ(alphaAt(image, *emptyX, y), 0);
        }
        const QColor pixel = QColor::fromRgba(image.pixel(static_cast<int>(start), static_cast<int>(y)));
        EXPECT_NEAR(pixel.hueF(), QColor::fromRgb(hue).hueF(), 0.04);
        // Only a connected line fills its server node; the others draw its rim. This computer's node is filled.
        EXPECT_EQ(alphaAt(image, board.rightNode, y) > 200, continuity == LineContinuity::solid);
        EXPECT_GT(alphaAt(image, board.rightNode + board.nodeRadius - 0.5, y), 50);
        EXPECT_GE(alphaAt(image, board.leftNode, y), 160);

        // Over a failed check the trace is flat on the baseline; a crisp tick in ink3 (40 %) reaches 3 above it.
        const QImage failed = draw(lineOf(continuity, oneFailed));
        int tick = 0;
        for (double x = board.cellX(20) - 1; x <= board.cellX(20) + 1; x += 1)
            tick = std::max(tick, alphaAt(failed, x, board.baseline - 2.5));
        EXPECT_TRUE(continuity == LineContinuity::dotted ? tick == 0 : tick >= 95) << tick;
    }
    const QImage dark = draw(lineOf(LineContinuity::dashed), 0, rowSize, Appearance::dark);
    EXPECT_EQ(QColor(dark.pixel(static_cast<int>(start + 2), static_cast<int>(y))).name(), QStringLiteral("#e6a53d"));
    // The solid line really is unbroken from node to node.
    const QImage solid = draw(lineOf(LineContinuity::solid));
    for (double x = board.pathStart + 1; x < board.pathEnd - 1; x += 1)
        ASSERT_GT(alphaAt(solid, x, y), 200) << "gap at x = " << x;
}

TEST(SignalLine, ADroppedLineBreaksBeforeItsTrailingFailuresWithTheStampInTheGapIfItFits)
{
    const auto history = [](std::size_t total, std::size_t failedAtEnd) {
        Latencies values(total - failedAtEnd, 12.0);
        values.resize(total);
        return values;
    };
    // Ink right of the break, up to the server's node, in a line drawn at `size`.
    const auto inkInGap = [](const SignalLine& line, QSize size = rowSize) {
        const SignalLineGeometry g = SignalLineGeometry::of(QSizeF(size), line.capacity, line.nodeRadius);
        const double from = *SignalLinePainter::breakX(line, g) + 2;
        return inked(draw(line, 0, size), from, g.rightNode - g.nodeRadius - 1, size.height());
    };
    const double latest = board.areaEnd - board.gapWidth();
    const std::tuple<const char*, Latencies, double> cases[] = {
        {"no checks", {}, latest},
        {"newest answered", history(40, 0), latest},
        {"last 15 failed", history(40, 15), board.cellX(24) + board.step / 2},
        // Three failures at the right end would leave no room for the stamp; the break moves left.
        {"last 3 failed", history(40, 3), latest},
        {"all failed", history(40, 40), board.areaStart},
        {"fewer checks, all failed", history(10, 10), board.cellX(29) + board.step / 2},
    };
    for (const auto& [name, latencies, expected] : cases) {
        SCOPED_TRACE(name);
        SignalLine line = lineOf(LineContinuity::broken, latencies);
        const std::optional<double> at = SignalLinePainter::breakX(line, board);
        ASSERT_TRUE(at);
        EXPECT_NEAR(*at, expected, 1e-9);
        // The bar stands above and below the baseline at the break; nothing of the trace lies past it.
        const QImage image = draw(line);
        EXPECT_GT(alphaAt(image, *at, board.baseline - 3.5), 100);
        EXPECT_GT(alphaAt(image, *at, board.baseline + 3), 100);
        EXPECT_EQ(inkInGap(line), 0);
        line.stamp = QStringLiteral("▼ 14:32");
        EXPECT_GT(inkInGap(line), 10);
    }
    for (const LineContinuity other : {LineContinuity::solid, LineContinuity::dashed, LineContinuity::dotted})
        EXPECT_FALSE(SignalLinePainter::breakX(lineOf(other), board));

    // Too narrow a gap, or too long a stamp, and it is left out.
    SignalLine line = lineOf(LineContinuity::broken, history(5, 3));
    line.stamp = QStringLiteral("▼ 14:32");
    ASSERT_GT(inkInGap(line), 10);
    EXPECT_EQ(inkInGap(line, QSize(70, rowSize.height())), 0);
    line.stamp = QStringLiteral("▼ a stamp far too long to fit in the gap");
    EXPECT_EQ(inkInGap(line), 0);
}

TEST(SignalLine, AShortHistoryHugsTheRightEndAndNoneIsAStraightLine)
{
    const QImage image = draw(lineOf(LineContinuity::solid, {5.0, 5.0, 40.0, 5.0, 5.0, 5.0, 90.0, 5.0, 5.0, 5.0}));
    const double firstSample = board.cellX(30);
    EXPECT_EQ(raised(image, 0, firstSample - board.step), 0);
    EXPECT_GT(raised(image, firstSample, board.areaEnd), 10);
    EXPECT_EQ(raised(draw(lineOf(LineContinuity::solid))), 0);

    // Only the newest `capacity` checks count: a spike older than that is not drawn.
    Latencies older(60, 5.0);
    older[5] = 90.0;
    EXPECT_EQ(raised(draw(lineOf(LineContinuity::solid, older))), 0);
}

TEST(SignalLine, DashesRunWithThePhaseAndRepeatEveryPeriod)
{
    const SignalLine line = lineOf(LineContinuity::dashed);
    const QImage still = draw(line, 0);
    EXPECT_NE(draw(line, -2), still);
    // One whole pattern (5 on, 3.5 off) later the dashes are back where they started.
    EXPECT_EQ(draw(line, -8.5), still);
    EXPECT_EQ(draw(line, 8.5 * 3), still);

    // 16 points a second, counted modulo 100 seconds.
    EXPECT_DOUBLE_EQ(SignalLinePainter::dashPhase(1.5), -24);
    EXPECT_DOUBLE_EQ(SignalLinePainter::dashPhase(101), -16);
}

TEST(SignalLine, OddValuesNeverCrashThePainter)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    SignalLine line = lineOf(LineContinuity::broken, {nan, inf, -5.0, std::nullopt, 1e300});
    line.stamp = QString();
    for (const int capacity : {-5, 0, 1, 100000}) {
        for (const double thickness : {nan, -1.0, 40.0}) {
            line.capacity = capacity;
            line.thickness = line.nodeRadius = thickness;
            for (const QSize size : {QSize(1, 1), QSize(20, 8), rowSize})
                draw(line, nan, size);
        }
    }
}

} // namespace
