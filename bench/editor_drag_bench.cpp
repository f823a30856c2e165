#include "editor/pointer_editing.h"

#include "document/picto_library.h"
#include "render/scene.h"
#include "render/text_draw.h"
// The scripted dialogs of the tests: it follows the dialog interface wherever that goes.
#include "tests/support/fake_ui_port.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include <time.h>

using namespace grivendale;

namespace {

// The reference map: a 1600 x 1200 background of closed black outlines, 300 soft-edged PNG
// pictograms of 32 x 32, 60 labels, 40 smoothed lines of 10 points and width 3 (half of them
// in the background), 30 fills of large areas.
struct ReferenceMap {
    ReferenceMap() {
        QImage disc(32, 32, QImage::Format_ARGB32);
        disc.fill(Qt::transparent);
        {
            QPainter painter(&disc);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(QColor(40, 40, 40), 1.5));
            painter.setBrush(QColor(250, 200, 40));
            painter.drawEllipse(QRectF(2, 2, 28, 28));
        }
        disc.save(dir.filePath(QStringLiteral("soleil.png")));
        library = PictoLibrary::build(dir.path());

        QImage background(1600, 1200, QImage::Format_RGB32);
        background.fill(qRgb(246, 242, 224));
        {
            QPainter painter(&background);
            painter.setPen(Qt::black);
            for (int x = 0; x < 1600; x += 200)
                painter.drawLine(x, 0, x, 1199);
            for (int y = 0; y < 1200; y += 200)
                painter.drawLine(0, y, 1599, y);
        }
        scene.setBackground(background);

        std::mt19937 random(7);
        auto pick = [&random](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(random);
        };
        for (int i = 0; i < 30; ++i)
            doc.AddFill(100 + 200 * (i % 8), 100 + 200 * (i / 8), 0x00FF00 + 40u * i);
        for (int l = 0; l < 40; ++l) {
            MapLine line;
            line.Width = 3;
            line.Color = l % 2 ? 0xFF0000 : 0x000000;
            line.PointX = std::vector<std::int32_t>{0};
            line.PointY = std::vector<std::int32_t>{0};
            for (int k = 0; k < 10; ++k) {
                line.PointX->push_back(pick(0, 1599));
                line.PointY->push_back(pick(0, 1199));
            }
            line.PointCount = 10;
            doc.AddLine(line, true, l % 2 == 0);
        }
        for (int i = 0; i < 300; ++i)
            dragged = doc.AddPictoItem(1, pick(0, 1599), pick(0, 1199));
        for (int i = 0; i < 60; ++i)
            AddText(doc, QStringLiteral("Orages %1°C").arg(i), pick(0, 1599), pick(0, 1199),
                    TextStyle{QStringLiteral("DejaVu Sans"), 10.0, i % 3 == 0, false, false},
                    0x000000);
        scene.DrawScene(doc, library, true);
    }

    QTemporaryDir dir;
    PictoLibrary library;
    Scene scene;
    MapDocument doc;
    std::int32_t dragged = 0;
};

// A window that shows nothing and asks nobody.
class NullView final : public EditorView {
public:
    void present() override {}
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

} // namespace

BENCHMARK(BM_PointerDrag)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
