// Repaint speed of the drawing window: the picture of the 20,000-figure grid drawing and of a
// 1,000,000-point drawing painted into a 1920 x 1080 window at zoom 1, 4 and 10 (scrolled to the
// middle). Target: under 50 ms a repaint at any zoom, so zoom and scroll stay fluid.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>

#include "bench_drawings.h"
#include "drawing_window/drawing_window.h"
#include "drawing_window/ui/drawing_painter.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "support/machine_rig.h"

namespace {

using namespace vellisk;

// 1,000 wavy rings of 1,000 points each in a 40 x 25 grid (HPGL units).
std::filesystem::path MillionPointDrawing() {
    const auto path = std::filesystem::temp_directory_path() / "vellisk_million_points.plt";
    if (std::filesystem::exists(path)) return path;
    std::ofstream out(path, std::ios::binary);
    out << "IN;SP1;\n";
    for (int k = 0; k < 1000; ++k) {
        const long cx = (k % 40) * 3000L + 1500, cy = (k / 40) * 3000L + 1500;
        for (int i = 0; i <= 1000; ++i) {
            const double t = 2 * std::numbers::pi * (i % 1000) / 1000;
            const double r = 1200 + 100 * std::sin(20 * t);
            out << (i == 0 ? "PU" : (i == 1 ? ";PD" : ",")) << std::lround(cx + r * std::cos(t)) << ','
                << std::lround(cy + r * std::sin(t));
        }
        out << ";\n";
    }
    out << "PU0,0;SP0;\n";
    return path;
}

struct Loaded : test::MachineRig {
    Settings settings;
    SilentNotifier notifier;
    std::unique_ptr<DrawingWindow> window;
    explicit Loaded(const std::filesystem::path& path) {
        window = std::make_unique<DrawingWindow>(KindHpgl, settings, ctx, env, jobValues, notifier);
        window->Load(path.string());
        window->Options() = ViewOptions{};
    }
};

void Paint(benchmark::State& state, Loaded& drawing) {
    drawing.window->SetZoom(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QImage picture = ui::RenderWindowPicture(*drawing.window, QSize(1920, 1080));
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void BM_PaintGrid20000(benchmark::State& state) {
    static Loaded drawing(bench::GridDrawing(20000));
    Paint(state, drawing);
}
BENCHMARK(BM_PaintGrid20000)->Arg(1)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_PaintMillionPoints(benchmark::State& state) {
    static Loaded drawing(MillionPointDrawing());
    Paint(state, drawing);
}
BENCHMARK(BM_PaintMillionPoints)->Arg(1)->Arg(4)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
