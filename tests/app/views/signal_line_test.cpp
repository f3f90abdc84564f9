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

constexpr int lineWidth = 300;
constexpr int lineHeight = 30;

QImage draw(const SignalLine& line, double phase = 0, QSize size = QSize(lineWidth, lineHeight),
            Appearance appearance = Appearance::light)
{
    TestApp::instance();
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    SignalLinePainter::paint(painter, QRectF(QPointF(0, 0), size), line, appearance, phase);
    painter.end();
    return image;
}

SignalLine flat(LineContinuity continuity)
{
    SignalLine line;
    line.continuity = continuity;
    return line;
}

int alphaAt(const QImage& image, double x, double y)
{
    return qAlpha(image.pixel(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))));
}

const SignalLineGeometry board = SignalLineGeometry::of(QSizeF(lineWidth, lineHeight), 40, 4);

// Opaque pixels strictly above the baseline's stroke between two x positions: the raised trace.
int raisedPixels(const QImage& image, double fromX, double toX)
{
    // The nodes stand taller than the flat line; only the stretch between them counts.
    fromX = std::max(fromX, board.pathStart);
    toX = std::min(toX, board.pathEnd);
    int count = 0;
    for (int x = static_cast<int>(fromX); x < static_cast<int>(toX); ++x) {
        for (int y = 0; y < static_cast<int>(board.baseline) - 3; ++y)
            count += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
    }
    return count;
}

TEST(SignalLine, EachContinuityHasItsOwnStroke)
{
    // With no checks every line is flat, so the stroke alone tells them apart along the baseline row.
    const double y = board.baseline;
    const double start = board.pathStart;
    struct Case {
        LineContinuity continuity;
        double inkedX;                // on a dash, a dot, or the unbroken stretch
        std::optional<double> emptyX; // in a dash gap, between dots, or in the break
        QRgb hue;                     // the stroke's colour at its left end
    };
    const Case cases[] = {
        {LineContinuity::solid, start + 6.5, std::nullopt, 0x2F80ED},
        {LineContinuity::dashed, start + 2.5, start + 6.5, 0xC27A0E},
        {LineContinuity::dotted, start + 4.2, start + 2.1, 0x0F1B2D},
        {LineContinuity::broken, start + 6.5, board.areaEnd - 20, 0xD2403A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toRaw(c.continuity).toStdString());
        const QImage image = draw(flat(c.continuity));
        EXPECT_GT(alphaAt(image, c.inkedX, y), 100);
        if (c.emptyX) {
            EXPECT_EQ(alphaAt(image, *c.emptyX, y), 0);
        }
        const QColor pixel = QColor::fromRgba(image.pixel(static_cast<int>(start), static_cast<int>(y)));
        EXPECT_NEAR(pixel.hueF(), QColor::fromRgb(c.hue).hueF(), 0.04);
        // Only a connected line fills its server node; the others draw its rim. This Mac's node is filled.
        EXPECT_EQ(alphaAt(image, board.rightNode, y) > 200, c.continuity == LineContinuity::solid);
        EXPECT_GT(alphaAt(image, board.rightNode + board.nodeRadius - 0.5, y), 50);
        EXPECT_GE(alphaAt(image, board.leftNode, y), 160);
    }
    const QImage dark = draw(flat(LineContinuity::dashed), 0, QSize(lineWidth, lineHeight), Appearance::dark);
    EXPECT_EQ(QColor(dark.pixel(static_cast<int>(start + 2), static_cast<int>(y))).name(), QStringLiteral("#e6a53d"));
    // The solid line really is unbroken from node to node.
    const QImage solid = draw(flat(LineContinuity::solid));
    for (double x = board.pathStart + 1; x < board.pathEnd - 1; x += 1)
        ASSERT_GT(alphaAt(solid, x, y), 200) << "gap at x = " << x;
}

TEST(SignalLine, ADroppedLineBreaksJustBeforeItsTrailingFailures)
{
    const auto history = [](int total, int failedAtEnd) {
        Latencies values(static_cast<std::size_t>(total), 12.0);
        for (int i = 0; i < failedAtEnd; ++i)
            values[static_cast<std::size_t>(total - 1 - i)] = std::nullopt;
        return values;
    };
    const double latest = board.areaEnd - board.gapWidth();
    struct Case {
        const char* name;
        Latencies latencies;
        double expected;
    };
    const Case cases[] = {
        {"no checks", {}, latest},
        {"newest answered", history(40, 0), latest},
        {"last 15 failed", history(40, 15), board.cellX(24) + board.step / 2},
        // Three failures at the right end would leave no room for the stamp; the break moves left.
        {"last 3 failed", history(40, 3), latest},
        {"all failed", history(40, 40), board.areaStart},
        {"fewer checks, all failed", history(10, 10), board.cellX(29) + board.step / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SignalLine line = flat(LineContinuity::broken);
        line.latencies = c.latencies;
        const std::optional<double> at = SignalLinePainter::breakX(line, board);
        ASSERT_TRUE(at);
        EXPECT_NEAR(*at, c.expected, 1e-9);

        const QImage image = draw(line);
        // The bar stands above and below the baseline at the break; nothing of the trace lies past it.
        EXPECT_GT(alphaAt(image, *at, board.baseline - 3.5), 100);
        EXPECT_GT(alphaAt(image, *at, board.baseline + 3), 100);
        for (double x = *at + 2; x < board.rightNode - board.nodeRadius - 1; x += 1)
            ASSERT_EQ(alphaAt(image, x, board.baseline), 0) << "ink past the break at x = " << x;
    }
    for (const LineContinuity other : {LineContinuity::solid, LineContinuity::dashed, LineContinuity::dotted})
        EXPECT_FALSE(SignalLinePainter::breakX(flat(other), board));
}

TEST(SignalLine, DropStampSitsInTheGapOnlyWhenItFits)
{
    const auto inkInGap = [](const SignalLine& line, QSize size) {
        const SignalLineGeometry g = SignalLineGeometry::of(QSizeF(size), line.capacity, line.nodeRadius);
        const double from = *SignalLinePainter::breakX(line, g) + 2;
        const QImage image = draw(line, 0, size);
        int count = 0;
        for (int x = static_cast<int>(from); x < static_cast<int>(g.rightNode - g.nodeRadius - 2); ++x) {
            for (int y = 0; y < size.height(); ++y)
                count += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
        }
        return count;
    };
    SignalLine line = flat(LineContinuity::broken);
    line.latencies = Latencies{12.0, 14.0, std::nullopt, std::nullopt, std::nullopt};
    EXPECT_EQ(inkInGap(line, QSize(lineWidth, lineHeight)), 0);

    line.stamp = QStringLiteral("▼ 14:32");
    EXPECT_GT(inkInGap(line, QSize(lineWidth, lineHeight)), 10);
    // Too narrow a gap, or too long a stamp, and it is left out.
    EXPECT_EQ(inkInGap(line, QSize(70, lineHeight)), 0);

    line.stamp = QStringLiteral("▼ a stamp far too long to fit in the gap");
    EXPECT_EQ(inkInGap(line, QSize(lineWidth, lineHeight)), 0);
}

TEST(SignalLine, FailedChecksAreTickedExceptOnIdleLines)
{
    Latencies latencies(40, 20.0);
    latencies[20] = std::nullopt;
    const double tickX = board.cellX(20);
    // The flat stretch over the failure is on the baseline; a tick reaches 3 above it.
    for (const LineContinuity continuity : {LineContinuity::solid, LineContinuity::dashed, LineContinuity::dotted}) {
        SCOPED_TRACE(toRaw(continuity).toStdString());
        SignalLine line = flat(continuity);
        line.latencies = latencies;
        const QImage image = draw(line);
        int above = 0;
        for (double x = tickX - 1; x <= tickX + 1; x += 1)
            above = std::max(above, alphaAt(image, x, board.baseline - 2.5));
        // A crisp one-pixel tick in ink3 (40 %), or nothing at all.
        if (continuity == LineContinuity::dotted)
            EXPECT_EQ(above, 0);
        else
            EXPECT_GE(above, 95);
    }
}

TEST(SignalLine, AShortHistoryHugsTheRightEndAndNoneIsAStraightLine)
{
    SignalLine line = flat(LineContinuity::solid);
    line.latencies = Latencies{5.0, 5.0, 40.0, 5.0, 5.0, 5.0, 90.0, 5.0, 5.0, 5.0};
    const QImage image = draw(line);
    const double firstSample = board.cellX(30);
    EXPECT_EQ(raisedPixels(image, 0, firstSample - board.step), 0);
    EXPECT_GT(raisedPixels(image, firstSample, board.areaEnd), 10);

    EXPECT_EQ(raisedPixels(draw(flat(LineContinuity::solid)), 0, lineWidth), 0);

    // Only the newest `capacity` checks count: a spike older than that is not drawn.
    Latencies older(60, 5.0);
    older[5] = 90.0;
    line.latencies = older;
    EXPECT_EQ(raisedPixels(draw(line), 0, lineWidth), 0);
}

TEST(SignalLine, DashesRunWithThePhaseAndRepeatEveryPeriod)
{
    const SignalLine line = flat(LineContinuity::dashed);
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
    SignalLine line = flat(LineContinuity::broken);
    line.latencies = Latencies{nan, std::numeric_limits<double>::infinity(), -5.0, std::nullopt, 1e300};
    line.stamp = QString();
    for (const int capacity : {-5, 0, 1, 100000}) {
        for (const double thickness : {nan, -1.0, 40.0}) {
            line.capacity = capacity;
            line.thickness = line.nodeRadius = thickness;
            draw(line, nan, QSize(1, 1));
            draw(line, nan, QSize(20, 8));
            draw(line, nan);
        }
    }
}

} // namespace
