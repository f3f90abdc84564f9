// The whole application on the demonstration network, as a user sees it (offscreen, no screen needed):
// the time from construction to the manager window's first paint with a filled data folder, one frame of
// the running dashes as the window repaints it, and one probe pass with every view's refresh after it.
#include "shell/manager_window.h"
#include "shell/mountwire_app.h"
#include "store/share_store.h"
#include "views/signal_line_widget.h"
#include "views/lines_page.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

MountwireApp::Options optionsFor(const QString& folder, int lines)
{
    MountwireApp::Options options;
    options.demoFolder = folder;
    options.demoExtraLines = lines - 5;
    options.tray = false;
    return options;
}

void spin(int rounds = 3)
{
    for (int i = 0; i < rounds; ++i)
        QCoreApplication::processEvents();
}

// A data folder filled once by a first run (with its warm-up), as a user's folder after a day of use.
QString filledFolder(int lines)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    auto& folder = folders[lines];
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>();
        MountwireApp first(optionsFor(folder->path(), lines));
        first.launch();
        spin();
    }
    return folder->path();
}

class FirstPaint : public QObject {
public:
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        seen = seen || event->type() == QEvent::Paint;
        return false;
    }
};

void firstPaintFromFilledFolder(benchmark::State& state)
{
    const QString folder = filledFolder(int(state.range(0)));
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        MountwireApp app(optionsFor(folder, int(state.range(0))));
        app.launch();
        FirstPaint paint;
        app.managerWindow()->installEventFilter(&paint);
        while (!paint.seen)
            QCoreApplication::processEvents();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        state.PauseTiming();
        app.managerWindow()->removeEventFilter(&paint);
        spin();
        state.ResumeTiming();
    }
}

struct Running {
    QTemporaryDir folder;
    std::unique_ptr<MountwireApp> app;

    explicit Running(int lines)
    {
        app = std::make_unique<MountwireApp>(optionsFor(folder.path(), lines));
        app->launch();
        app->managerWindow()->resize(1200, 800);
        spin(10);
    }
};

Running& running(int lines)
{
    static std::map<int, std::unique_ptr<Running>> apps;
    auto& slot = apps[lines];
    if (!slot)
        slot = std::make_unique<Running>(lines);
    return *slot;
}

// The demonstration keeps one line retrying, so its dashes run; a frame is what the window repaints for
// one step of them (the step itself is a cached image).
void dashFrame(benchmark::State& state)
{
    SignalLineWidget* shown = nullptr;
    for (SignalLineWidget* line : running(int(state.range(0))).app->managerWindow()->findChildren<SignalLineWidget*>()) {
        if (line->animating() && line->isVisible())
            shown = line;
    }
    if (!shown) {
        state.SkipWithError("no running line on the board");
        return;
    }
    for (auto _ : state) {
        shown->update();
        spin(2);
    }
}

// Scrolling the board a screen at a time from top to bottom and back: the rows that come into view are
// bound to their lines and drawn, as under a wheel or a dragged scroll bar.
void scrollBoard(benchmark::State& state)
{
    ManagerWindow* window = running(int(state.range(0))).app->managerWindow();
    auto* area = window->findChild<LinesPage*>()->findChild<QScrollArea*>();
    QScrollBar* bar = area->verticalScrollBar();
    int step = bar->pageStep();
    for (auto _ : state) {
        if (bar->value() + step > bar->maximum() || bar->value() + step < 0)
            step = -step;
        bar->setValue(bar->value() + step);
        spin(2);
    }
}

// The tray panel is made when it opens and goes when it closes: its lines are built each time.
void openTrayPanel(benchmark::State& state)
{
    MountwireApp& app = *running(int(state.range(0))).app;
    for (auto _ : state) {
        std::unique_ptr<QWidget> panel(app.makePopover(nullptr));
        FirstPaint paint;
        panel->installEventFilter(&paint);
        panel->show();
        while (!paint.seen)
            QCoreApplication::processEvents();
    }
}

void probePassWithViews(benchmark::State& state)
{
    ShareStore& store = running(int(state.range(0))).app->store();
    for (auto _ : state) {
        bool over = false;
        store.probeAll([&] { over = true; });
        while (!over)
            QCoreApplication::processEvents();
        spin(3);
    }
}

} // namespace

BENCHMARK(firstPaintFromFilledFolder)->Arg(100)->Arg(500)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(dashFrame)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(scrollBoard)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(openTrayPanel)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(probePassWithViews)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);
