#pragma once

#include "link/line_continuity.h"
#include "views/theme.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

class QPainter;

// What one drawn line shows: a server's recent checks, oldest first (latency in ms, absent for a check
// that was not answered), the line's continuity and the drop stamp. Board rows and the popover differ only
// in capacity, thickness and node radius.
struct SignalLine {
    std::vector<std::optional<double>> latencies;
    LineContinuity continuity = LineContinuity::dotted;
    int capacity = 40;
    std::optional<QString> stamp;
    double thickness = 1.7;
    double nodeRadius = 4;

    friend bool operator==(const SignalLine&, const SignalLine&) = default;
};

// Where things go in a line drawn at a given size; shared by the painter and by rows that align their
// headers ("This Mac", "Server") over the nodes.
struct SignalLineGeometry {
    double width = 0;
    double height = 0;
    double baseline = 0;  // y of the flat line
    double amplitude = 0; // height of a trace at its highest value
    double leftNode = 0;  // x of the node centres
    double rightNode = 0;
    double nodeRadius = 0;
    double pathStart = 0; // where the stroke begins and ends, just clear of the nodes
    double pathEnd = 0;
    double areaStart = 0; // the check cells
    double areaEnd = 0;
    double step = 0;      // width of one cell
    int capacity = 0;

    static SignalLineGeometry of(QSizeF size, int capacity, double nodeRadius);
    // x of the sample in a cell, 0 the oldest; cell i spans [cellX(i), cellX(i + 1)).
    double cellX(int cell) const { return areaStart + step * cell; }
    // Room a broken line keeps free on the right for its stamp.
    double gapWidth() const;
};

namespace SignalLinePainter {

// Paints the line into `bounds` for the given appearance; `dashPhase` moves a dashed line's dashes.
void paint(QPainter& painter, const QRectF& bounds, const SignalLine& line, Theme::Appearance appearance,
           double dashPhase = 0);

// Where a broken line breaks, in the coordinates of a line drawn at the geometry's size; absent unless broken.
std::optional<double> breakX(const SignalLine& line, const SignalLineGeometry& geometry);

// The dash phase of a running dashed line `seconds` after the reference date: the dashes run right at
// 16 points a second.
double dashPhase(double seconds);
inline constexpr double dashSpeed = 16;   // points per second
inline constexpr double dashPeriod = 8.5; // one dash and its gap

// What a screen reader says for the line.
QString accessibleText(const SignalLine& line);

} // namespace SignalLinePainter
