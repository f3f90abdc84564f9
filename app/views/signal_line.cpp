#include "views/signal_line.h"

#include "health/trace.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double traceFloor = 0.5;
constexpr double nodeInset = 1;      // between a node and the canvas edge
constexpr double pathClearance = 2;  // between a node and the stroke's end
constexpr double areaClearance = 10; // between a node and the first or last check cell
constexpr double miterLimit = 10;
constexpr double dashOn = 5;
constexpr double dashOff = SignalLinePainter::dashPeriod - dashOn;
constexpr double dotOn = 0.01;
constexpr double dotOff = 4.2;
constexpr double breakBarHeight = 8;
constexpr double breakBarWidth = 1.4;
constexpr double outlineWidth = 1.4;
constexpr double tickHeight = 6;
constexpr double stampMargin = 7;   // kept free before the right node
constexpr double stampMinSpace = 44;
constexpr double stampPadding = 8;
constexpr double dashCycle = 100;   // seconds, keeps the phase small
constexpr int maxCapacity = 1000;

// The newest `capacity` checks, normalised for drawing.
struct Samples {
    std::vector<std::optional<double>> values;
    int firstCell = 0; // cell of values[0]; with fewer checks than cells they fill the right end
};

Samples recent(const SignalLine& line, int capacity)
{
    const auto count = std::min<std::size_t>(line.latencies.size(), static_cast<std::size_t>(capacity));
    const std::vector<std::optional<double>> newest(line.latencies.end() - static_cast<std::ptrdiff_t>(count),
                                                    line.latencies.end());
    return Samples{Trace::normalized(newest, traceFloor), capacity - static_cast<int>(count)};
}

int clampedCapacity(int capacity)
{
    return std::clamp(capacity, 1, maxCapacity);
}

// A dash pattern in Qt's units, multiples of the pen width, and the phase turned into an offset within it.
void setDashes(QPen& pen, double on, double off, double phase)
{
    const double width = pen.widthF();
    pen.setDashPattern({on / width, off / width});
    const double period = on + off;
    double offset = std::fmod(phase, period);
    if (offset < 0)
        offset += period;
    pen.setDashOffset(offset / width);
}

QPainterPath tracePath(const Samples& samples, const SignalLineGeometry& g)
{
    const double y = g.baseline;
    const double halfStep = g.step / 2;
    QPainterPath path(QPointF(g.pathStart, y));
    const std::vector<Trace::Run> runs = Trace::runs(samples.values);
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const Trace::Run& run = runs[r];
        if (!run.live)
            continue;
        const int first = samples.firstCell + static_cast<int>(run.range.begin);
        // Flat up to half a cell before the run: the left part of the area, or across failed checks.
        path.lineTo(g.cellX(first) - halfStep, y);
        for (std::size_t i = run.range.begin; i < run.range.end; ++i) {
            const int cell = samples.firstCell + static_cast<int>(i);
            path.lineTo(g.cellX(cell), y - g.amplitude * *samples.values[i]);
        }
        const bool newest = r + 1 == runs.size();
        const int after = samples.firstCell + static_cast<int>(run.range.end);
        path.lineTo(newest ? g.pathEnd : g.cellX(after) - halfStep, y);
    }
    if (runs.empty() || !runs.back().live)
        path.lineTo(g.pathEnd, y);
    return path;
}

QFont stampFont()
{
    static const QFont font = Theme::Typo::monospaced(9.5, QFont::Medium);
    return font;
}

} // namespace

SignalLineGeometry SignalLineGeometry::of(QSizeF size, int capacity, double nodeRadius)
{
    SignalLineGeometry g;
    g.width = std::max(0.0, size.width());
    g.height = std::max(0.0, size.height());
    g.capacity = clampedCapacity(capacity);
    g.nodeRadius = std::max(0.0, nodeRadius);
    // Half a pixel down puts a one-pixel flat line on a pixel row instead of between two.
    g.baseline = std::floor(0.7 * g.height) + 0.5;
    g.amplitude = std::max(2.0, g.baseline - 2 - g.nodeRadius);
    g.leftNode = g.nodeRadius + nodeInset;
    g.rightNode = g.width - g.nodeRadius - nodeInset;
    g.pathStart = g.leftNode + g.nodeRadius + pathClearance;
    g.pathEnd = g.rightNode - g.nodeRadius - pathClearance;
    g.areaStart = g.leftNode + g.nodeRadius + areaClearance;
    g.areaEnd = std::max(g.areaStart, g.rightNode - g.nodeRadius - areaClearance);
    g.step = (g.areaEnd - g.areaStart) / g.capacity;
    return g;
}

double SignalLineGeometry::gapWidth() const
{
    return std::max(64.0, 0.26 * (areaEnd - areaStart));
}

namespace SignalLinePainter {

std::optional<double> breakX(const SignalLine& line, const SignalLineGeometry& g)
{
    if (line.continuity != LineContinuity::broken)
        return std::nullopt;
    const double latest = g.areaEnd - g.gapWidth();
    double position = latest;
    const Samples samples = recent(line, g.capacity);
    if (!samples.values.empty() && !samples.values.back()) {
        auto oldestFailed = samples.values.size() - 1;
        while (oldestFailed > 0 && !samples.values[oldestFailed - 1])
            --oldestFailed;
        const int cellBefore = samples.firstCell + static_cast<int>(oldestFailed) - 1;
        position = std::min(latest, g.cellX(cellBefore) + g.step / 2);
    }
    return std::max(g.areaStart, position);
}

void paint(QPainter& painter, const QRectF& bounds, const SignalLine& line, Theme::Appearance appearance,
           double dashPhase)
{
    const SignalLineGeometry g = SignalLineGeometry::of(bounds.size(), line.capacity, line.nodeRadius);
    if (g.width <= 0 || g.height <= 0)
        return;
    const Samples samples = recent(line, g.capacity);
    const double thickness = std::max(0.1, line.thickness);

    painter.save();
    painter.translate(bounds.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);

    QColor lineColor;
    QPen pen;
    pen.setMiterLimit(miterLimit);
    pen.setJoinStyle(Qt::RoundJoin);
    switch (line.continuity) {
    case LineContinuity::solid:
        lineColor = Theme::blue.in(appearance);
        pen.setBrush(Theme::live(QPointF(g.pathStart, 0), QPointF(g.pathEnd, 0), appearance));
        pen.setWidthF(thickness);
        pen.setCapStyle(Qt::RoundCap);
        break;
    case LineContinuity::dashed:
        lineColor = Theme::amber.in(appearance);
        pen.setColor(lineColor);
        pen.setWidthF(thickness);
        pen.setCapStyle(Qt::FlatCap);
        setDashes(pen, dashOn, dashOff, dashPhase);
        break;
    case LineContinuity::broken:
        lineColor = Theme::red.in(appearance);
        lineColor.setAlphaF(lineColor.alphaF() * 0.75f);
        pen.setColor(lineColor);
        pen.setWidthF(0.9 * thickness);
        pen.setCapStyle(Qt::RoundCap);
        break;
    case LineContinuity::dotted:
        lineColor = Theme::ink3.in(appearance);
        pen.setColor(lineColor);
        pen.setWidthF(thickness + 0.4);
        pen.setCapStyle(Qt::RoundCap);
        setDashes(pen, dotOn, dotOff, 0);
        break;
    }

    const std::optional<double> breakAt = breakX(line, g);
    painter.save();
    if (breakAt)
        painter.setClipRect(QRectF(0, 0, *breakAt, g.height));
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tracePath(samples, g));
    painter.restore();

    if (line.continuity != LineContinuity::dotted) {
        painter.setPen(QPen(Theme::ink3.in(appearance), 1.0, Qt::SolidLine, Qt::FlatCap));
        for (std::size_t i = 0; i < samples.values.size(); ++i) {
            if (samples.values[i])
                continue;
            const double x = g.cellX(samples.firstCell + static_cast<int>(i));
            if (breakAt && x >= *breakAt)
                continue;
            // A one-point stroke between two pixel columns would smear into two faint ones.
            const double column = std::floor(x) + 0.5;
            painter.drawLine(QPointF(column, g.baseline - tickHeight / 2),
                             QPointF(column, g.baseline + tickHeight / 2));
        }
    }

    if (breakAt) {
        painter.fillRect(QRectF(*breakAt - breakBarWidth / 2, g.baseline - breakBarHeight / 2, breakBarWidth,
                                breakBarHeight),
                         lineColor);
        const double spaceEnd = g.rightNode - g.nodeRadius - stampMargin;
        const double space = spaceEnd - *breakAt;
        if (line.stamp && !line.stamp->isEmpty() && space > stampMinSpace) {
            const QFont font = stampFont();
            const QFontMetricsF metrics(font);
            const double textWidth = metrics.horizontalAdvance(*line.stamp);
            if (textWidth <= space - stampPadding) {
                painter.setFont(font);
                painter.setPen(lineColor);
                const QRectF box(*breakAt, g.baseline - metrics.height() / 2, space, metrics.height());
                painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, *line.stamp);
            }
        }
    }

    const double r = g.nodeRadius;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::ink2.in(appearance));
    painter.drawEllipse(QPointF(g.leftNode, g.baseline), r, r);
    if (line.continuity == LineContinuity::solid) {
        painter.setBrush(Theme::sky.in(appearance));
        painter.drawEllipse(QPointF(g.rightNode, g.baseline), r, r);
    } else {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(lineColor, outlineWidth));
        painter.drawEllipse(QPointF(g.rightNode, g.baseline), r, r);
    }
    painter.restore();
}

double dashPhase(double seconds)
{
    return -dashSpeed * std::fmod(seconds, dashCycle);
}

QString accessibleText(const SignalLine& line)
{
    switch (line.continuity) {
    case LineContinuity::solid:
        return QStringLiteral("Connected line");
    case LineContinuity::dashed:
        return QStringLiteral("Reconnecting line");
    case LineContinuity::broken:
        if (line.stamp && !line.stamp->isEmpty())
            return QStringLiteral("Dropped line, ") + *line.stamp;
        return QStringLiteral("Dropped line");
    case LineContinuity::dotted:
        return QStringLiteral("Not mounted");
    }
    return {};
}

} // namespace SignalLinePainter
