// Painting a full board into an image, the way a frame of the Lines page is drawn: 100 lines of 40
// checks each, 30 high in a 700-wide trace column. The animated frame is the one that repeats up to
// 30 times a second while lines reconnect, so it has to stay well under 33 ms.
#include "views/signal_line.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int lines = 100;
constexpr int checks = 40;
constexpr int traceWidth = 700;
constexpr int rowHeight = 30;
constexpr int rowPitch = 31; // row plus its hairline

enum class Mix { none, everyState, allDashed, allSolid };

std::vector<SignalLine> board(Mix mix)
{
    const LineContinuity cycle[] = {LineContinuity::solid, LineContinuity::dashed, LineContinuity::broken,
                                    LineContinuity::dotted};
    std::vector<SignalLine> result;
    for (int i = 0; i < (mix == Mix::none ? 0 : lines); ++i) {
        SignalLine line;
        line.continuity = mix == Mix::allDashed ? LineContinuity::dashed
                          : mix == Mix::allSolid ? LineContinuity::solid
                                                 : cycle[i % 4];
        for (int c = 0; c < checks; ++c) {
            const bool failed = (c + i) % 13 == 0 || (line.continuity == LineContinuity::broken && c >= checks - 3);
            line.latencies.push_back(failed ? std::nullopt : std::optional<double>(8 + 6 * std::sin(c * 0.6 + i)));
        }
        if (line.continuity == LineContinuity::broken)
            line.stamp = QStringLiteral("▼ 14:32");
        result.push_back(line);
    }
    return result;
}

void paintBoard(benchmark::State& state, Mix mix, double ratio, bool moving)
{
    const std::vector<SignalLine> rows = board(mix);
    QImage image(static_cast<int>(traceWidth * ratio), static_cast<int>(lines * rowPitch * ratio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    double phase = 0;
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter painter(&image);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SignalLinePainter::paint(painter, QRectF(0, static_cast<double>(i) * rowPitch, traceWidth, rowHeight), rows[i],
                                     Theme::Appearance::light, phase);
        }
        painter.end();
        if (moving)
            phase -= 16.0 / 30.0;
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * lines,
                                                   benchmark::Counter::kIsRate);
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}

// Clearing the image alone, the floor under every frame below.
void BoardFrameClearOnly(benchmark::State& state) { paintBoard(state, Mix::none, 1.0, false); }
void BoardFrameEveryState(benchmark::State& state) { paintBoard(state, Mix::everyState, 1.0, false); }
void BoardFrameEveryStateHiDpi(benchmark::State& state) { paintBoard(state, Mix::everyState, 2.0, false); }
void BoardFrameAllDashedMoving(benchmark::State& state) { paintBoard(state, Mix::allDashed, 1.0, true); }
void BoardFrameAllSolid(benchmark::State& state) { paintBoard(state, Mix::allSolid, 1.0, false); }

BENCHMARK(BoardFrameClearOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BoardFrameEveryState)->Unit(benchmark::kMillisecond);
BENCHMARK(BoardFrameEveryStateHiDpi)->Unit(benchmark::kMillisecond);
BENCHMARK(BoardFrameAllDashedMoving)->Unit(benchmark::kMillisecond);
BENCHMARK(BoardFrameAllSolid)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Fonts and painting need a GUI application; no screen is involved.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
