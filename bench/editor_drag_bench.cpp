#include "editor/pointer_editing.h"
#include "editor/recovery_copy.h"

#include "document/map_file.h"
#include "reference_map.h"
#include "render/zoomed_canvas.h"
// The scripted dialogs of the tests: it follows the dialog interface wherever that goes.
#include "tests/support/fake_ui_port.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <numeric>
#include <vector>

#include <time.h>

using namespace grivendale;

namespace {

// A window that shows nothing and asks nobody.
class NullView final : public EditorView {
public:
    void present() override {
        if (onPresent)
            onPresent();
    }
    std::function<void()> onPresent;
    void letEventsRun() override {}
    void setMoveCursor(bool) override {}
    std::optional<MenuCommand> openMenu(Menu, bool) override { return std::nullopt; }
    void toolChanged(Tool) override {}
    void paletteChanged(int) override {}
    void textStyleChanged() override {}
};

constexpr int kSteps = 1000;

// The time this thread has run, so that other work on a shared machine does not count.
double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Presses on the last pictogram placed, drags it 1,000 steps back and forth across the map
// through the pointer handlers, and releases it. Reports the median and the slowest tenth of
// the steps in wall time, and the median in this thread's processor time; the time of an
// iteration is the whole replay.
void BM_PointerDrag(benchmark::State& state) {
    ReferenceMap map;
    EditorState editor;
    SettingsStore settings(map.dir.filePath(QStringLiteral("settings")));
    grivendale::testing::FakeUiPort ui; // the drag asks for nothing
    NullView view;
    PanelState panel;
    EditorContext ctx{map.doc, editor, map.scene, map.library,   settings,
                      ui,      view,   panel,     map.dir.path()};

    std::vector<double> stepMs;
    std::vector<double> stepCpuMs;
    stepMs.reserve(kSteps);
    stepCpuMs.reserve(kSteps);
    for (auto _ : state) {
        const MapItem& item = map.doc.Items[static_cast<std::size_t>(map.dragged)];
        const double startX = item.X;
        const double startY = item.Y;
        pointerPress(ctx, kLeftButton, startX, startY);
        if (editor.SelectedItem != map.dragged) {
            state.SkipWithError("the press did not pick the dragged pictogram");
            return;
        }
        stepMs.clear();
        stepCpuMs.clear();
        for (int step = 1; step <= kSteps; ++step) {
            // Half a pixel at a time, 100 pixels out and back again.
            const double offset = 0.5 * (step % 400 < 200 ? step % 200 : 200 - step % 200);
            const double cpuBegin = threadCpuMs();
            const auto begin = std::chrono::steady_clock::now();
            pointerMove(ctx, kLeftButton, startX + offset, startY + offset / 2);
            const auto end = std::chrono::steady_clock::now();
            stepCpuMs.push_back(threadCpuMs() - cpuBegin);
            stepMs.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
        }
        pointerRelease(ctx, kLeftButton, startX, startY);
        benchmark::DoNotOptimize(map.scene.canvas().constBits());
    }

    std::sort(stepMs.begin(), stepMs.end());
    state.counters["median_step_ms"] = stepMs[stepMs.size() / 2];
    state.counters["median_step_cpu_ms"] = median(stepCpuMs);
    state.counters["p90_step_ms"] = stepMs[stepMs.size() * 9 / 10];
    state.counters["max_step_ms"] = stepMs.back();
}

// The same drag with the crash-recovery copy kept as the editor keeps it: every redraw tells
// it, and events run after every step so its timer can fire, which it does ten times a second
// here instead of every two seconds. While the button is held it must write nothing, so the
// steps cost what they cost without it.
void BM_PointerDragKeepingRecoveryCopy(benchmark::State& state) {
    ReferenceMap map;
    EditorState editor;
    SettingsStore settings(map.dir.filePath(QStringLiteral("settings")));
    grivendale::testing::FakeUiPort ui;
    NullView view;
    PanelState panel;
    EditorContext ctx{map.doc, editor, map.scene, map.library,   settings,
                      ui,      view,   panel,     map.dir.path()};
    bool buttonHeld = false;
    RecoveryCopy recovery(
        map.doc, [&] { return buttonHeld; }, std::chrono::milliseconds(100));
    recovery.start(map.dir.filePath(QStringLiteral("recuperation.car")));
    view.onPresent = [&] { recovery.documentChanged(); };

    std::vector<double> stepMs;
    int writesDuringDrag = 0;
    for (auto _ : state) {
        const MapItem& item = map.doc.Items[static_cast<std::size_t>(map.dragged)];
        const double startX = item.X;
        const double startY = item.Y;
        buttonHeld = true;
        const int writesBefore = recovery.writes();
        pointerPress(ctx, kLeftButton, startX, startY);
        stepMs.clear();
        for (int step = 1; step <= kSteps; ++step) {
            const double offset = 0.5 * (step % 400 < 200 ? step % 200 : 200 - step % 200);
            const auto begin = std::chrono::steady_clock::now();
            pointerMove(ctx, kLeftButton, startX + offset, startY + offset / 2);
            QCoreApplication::processEvents();
            const auto end = std::chrono::steady_clock::now();
            stepMs.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
        }
        writesDuringDrag += recovery.writes() - writesBefore;
        buttonHeld = false;
        pointerRelease(ctx, kLeftButton, startX + 1, startY + 1);
    }
    std::sort(stepMs.begin(), stepMs.end());
    state.counters["median_step_ms"] = stepMs[stepMs.size() / 2];
    state.counters["max_step_ms"] = stepMs.back();
    state.counters["writes_during_drag"] = writesDuringDrag;
}

// One write of the recovery copy of the reference map, once it has changed: what the editor
// spends at most every two seconds, between drags.
void BM_RecoveryCopyWrite(benchmark::State& state) {
    ReferenceMap map;
    RecoveryCopy recovery(map.doc, [] { return false; });
    recovery.start(map.dir.filePath(QStringLiteral("recuperation.car")));
    MapItem& item = map.doc.Items[static_cast<std::size_t>(map.dragged)];
    for (auto _ : state) {
        item.X ^= 1; // a change, so there is something to write
        recovery.flush();
    }
    state.counters["bytes"] = static_cast<double>(serializeMapFile(map.doc).size());
}

// A window that shows the canvas as the canvas widget does at a zoom: each presentation brings
// the zoomed picture up to date where the canvas changed, and letting events run paints those
// shown pixels onto a screen of 1280 x 800 scrolled to the dragged element.
class ZoomedView final : public EditorView {
public:
    ZoomedView(Scene& scene, double zoom)
        : scene_(scene), screen_(1280, 800, QImage::Format_RGB32) {
        zoomed_.setZoom(zoom);
    }
    void scrollTo(QPointF mapPoint) {
        const QPointF shown = zoomed_.toShown(mapPoint);
        scroll_ = QPoint(qRound(shown.x()) - screen_.width() / 2,
                         qRound(shown.y()) - screen_.height() / 2);
    }
    void present() override {
        const auto begin = std::chrono::steady_clock::now();
        pending_ |= zoomed_.update(scene_.canvas(), scene_.takeCanvasChanges());
        showMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                .count();
    }
    void letEventsRun() override {
        const auto begin = std::chrono::steady_clock::now();
        const QRect visible(scroll_, screen_.size());
        QPainter painter(&screen_);
        painter.translate(-scroll_);
        for (const QRect& area : pending_& visible)
            zoomed_.paint(painter, scene_.canvas(), area);
        pending_ = QRegion();
        showMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                .count();
    }
    void setMoveCursor(bool) override {}
    std::optional<MenuCommand> openMenu(Menu, bool) override { return std::nullopt; }
    void toolChanged(Tool) override {}
    void paletteChanged(int) override {}
    void textStyleChanged() override {}

    double showMs = 0; // what presenting and painting took since the caller last cleared it

private:
    Scene& scene_;
    ZoomedCanvas zoomed_;
    QImage screen_;
    QPoint scroll_;
    QRegion pending_;
};

// The big map: the topmost pictogram dragged 1,000 steps through the pointer handlers, shown
// at the zoom given in percent, the zoomed repaint of each step included. Reports the median
// and mean step in wall and thread time, what showing the step took, and what showing the
// whole map took once (about what a change of zoom costs).
void BM_BigMapZoomedDrag(benchmark::State& state) {
    static BigMap map; // built once for every zoom: it takes a while
    EditorState editor;
    SettingsStore settings(map.dir.filePath(QStringLiteral("settings")));
    grivendale::testing::FakeUiPort ui;
    ZoomedView view(map.scene, static_cast<double>(state.range(0)) / 100);
    PanelState panel;
    EditorContext ctx{map.doc, editor, map.scene, map.library,   settings,
                      ui,      view,   panel,     map.dir.path()};
    MapItem& item = map.doc.Items[static_cast<std::size_t>(map.topPicto)];
    const QPoint start(item.X, item.Y);
    view.scrollTo(start);
    ctx.drawScene(true); // the whole picture once, as at the first showing
    view.letEventsRun();
    const double wholeShowMs = view.showMs; // what a change of zoom costs, about

    std::vector<double> stepMs, stepCpuMs, showMs;
    int moves = 0; // steps that moved the pictogram (the others still redraw its marks)
    for (auto _ : state) {
        pointerPress(ctx, kLeftButton, start.x(), start.y());
        if (editor.SelectedItem != map.topPicto) {
            state.SkipWithError("the press did not pick the dragged pictogram");
            return;
        }
        view.letEventsRun();
        for (int step = 1; step <= kSteps; ++step) {
            const double offset = 0.5 * (step % 400 < 200 ? step % 200 : 200 - step % 200);
            view.showMs = 0;
            const double cpuBegin = threadCpuMs();
            const auto begin = std::chrono::steady_clock::now();
            const QPoint before(item.X, item.Y);
            pointerMove(ctx, kLeftButton, start.x() + offset, start.y() + offset / 2);
            const auto end = std::chrono::steady_clock::now();
            stepCpuMs.push_back(threadCpuMs() - cpuBegin);
            stepMs.push_back(std::chrono::duration<double, std::milli>(end - begin).count());
            showMs.push_back(view.showMs);
            moves += QPoint(item.X, item.Y) != before;
        }
        pointerRelease(ctx, kLeftButton, start.x(), start.y());
        item.X = start.x(); // every run drags from the same place
        item.Y = start.y();
        ctx.drawScene(true);
        view.letEventsRun();
    }
    state.counters["median_step_ms"] = median(stepMs);
    state.counters["median_step_cpu_ms"] = median(stepCpuMs);
    state.counters["median_show_ms"] = median(showMs);
    std::sort(stepMs.begin(), stepMs.end());
    state.counters["p90_step_ms"] = stepMs[stepMs.size() * 9 / 10];
    state.counters["mean_step_ms"] =
        std::accumulate(stepMs.begin(), stepMs.end(), 0.0) / static_cast<double>(stepMs.size());
    state.counters["mean_show_ms"] =
        std::accumulate(showMs.begin(), showMs.end(), 0.0) / static_cast<double>(showMs.size());
    state.counters["whole_show_ms"] = wholeShowMs;
    state.counters["moving_steps"] = moves;
}

} // namespace

BENCHMARK(BM_BigMapZoomedDrag)
    ->ArgName("zoom_percent")
    ->Arg(100)
    ->Arg(50)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_PointerDragKeepingRecoveryCopy)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(3);
BENCHMARK(BM_RecoveryCopyWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointerDrag)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

int main(int argc, char** argv) {
    return grivendale::runBenchmarksWithFonts(argc, argv);
}
