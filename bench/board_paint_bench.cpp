// One board row's drawn line repainted the way the window repaints it: the widget at the size a row has
// in a default window (351 by 30), for each kind of line. A running dashed row repaints at every frame of
// the dash clock while it is on screen; the others only when their row is exposed.
#include "views/signal_line_widget.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int checks = 40;

SignalLine lineOf(LineContinuity continuity)
{
    SignalLine line;
    line.continuity = continuity;
    for (int c = 0; c < checks; ++c) {
        const bool failed = c % 13 == 0 || (continuity == LineContinuity::broken && c >= checks - 3);
        line.latencies.push_back(failed ? std::nullopt : std::optional<double>(8 + 6 * std::sin(c * 0.6)));
    }
    if (continuity == LineContinuity::broken)
        line.stamp = QStringLiteral("▼ 14:32");
    return line;
}

void repaintRow(benchmark::State& state, LineContinuity continuity)
{
    QWidget window;
    window.resize(351, 30);
    auto* widget = new SignalLineWidget(&window);
    widget->setLine(lineOf(continuity));
    widget->setGeometry(0, 0, 351, 30);
    window.show();
    QImage image(351, 30, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        widget->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void RowDashed(benchmark::State& state) { repaintRow(state, LineContinuity::dashed); }
void RowSolid(benchmark::State& state) { repaintRow(state, LineContinuity::solid); }
void RowBroken(benchmark::State& state) { repaintRow(state, LineContinuity::broken); }
void RowDotted(benchmark::State& state) { repaintRow(state, LineContinuity::dotted); }

BENCHMARK(RowDashed)->Unit(benchmark::kMicrosecond);
BENCHMARK(RowSolid)->Unit(benchmark::kMicrosecond);
BENCHMARK(RowBroken)->Unit(benchmark::kMicrosecond);
BENCHMARK(RowDotted)->Unit(benchmark::kMicrosecond);

} // namespace
