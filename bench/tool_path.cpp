// Tool-path preparation speed: the tool-radius offset and the 3-D paths of a drawing of 20,000
// closed figures (10,000 squares, each with a hole) and of one flattened spline of 50,000 points.
// Targets: the 50,000-point figure in under 0.5 s, the 20,000 figures in under 2 s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "drawing_window/offset_contour.h"
#include "drawing_window/tool_path.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace {

using namespace vellisk;

std::unique_ptr<tfigura> Square(double x, double y, double side, bool hole) {
    auto f = std::make_unique<tfigura>();
    if (hole) {  // counter-clockwise hole at level 1
        f->Contour = {{x, y, 0}, {x + side, y, 0}, {x + side, y + side, 0}, {x, y + side, 0}, {x, y, 0}};
        f->Level = 1;
        f->Direction = -1;
    } else {  // clockwise outer contour
        f->Contour = {{x, y, 0}, {x, y + side, 0}, {x + side, y + side, 0}, {x + side, y, 0}, {x, y, 0}};
        f->Level = 0;
        f->Direction = 1;
    }
    return f;
}

std::vector<std::unique_ptr<tfigura>> GridDrawing() {
    std::vector<std::unique_ptr<tfigura>> figs;
    for (int i = 0; i < 10000; ++i) {
        const double x = (i % 100) * 2000.0, y = (i / 100) * 2000.0;
        figs.push_back(Square(x, y, 1600, false));
        figs.push_back(Square(x + 400, y + 400, 800, true));
    }
    return figs;
}

// A closed wavy outline sampled at 50,000 points about 5 units apart.
std::unique_ptr<tfigura> SplineFigure() {
    auto f = std::make_unique<tfigura>();
    const int n = 50000;
    for (int i = 0; i < n; ++i) {
        const double t = -2 * std::numbers::pi * i / n;  // clockwise
        const double r = 40000 + 2000 * std::sin(12 * t);
        f->Contour.push_back({std::round(r * std::cos(t)), std::round(r * std::sin(t)), 0});
    }
    f->Contour.push_back(f->Contour.front());
    f->Direction = 1;
    return f;
}

void JobSettings(Settings& s) {
    s.SetFlag("doOutline", true);
    s.SetNumber("srednica", 3);
    s.SetNumber("Glebokosc", 5);
    s.SetNumber("skala", 100);
}

void Prepare(benchmark::State& state, std::vector<std::unique_ptr<tfigura>> (*make)()) {
    Settings settings;
    JobSettings(settings);
    ToolPathMachine machine;
    machine.kind = KindHpgl;
    machine.PlungePitch = 2.0;
    SilentNotifier notifier;
    std::size_t points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto figs = make();
        std::vector<tfigura*> view;
        for (auto& f : figs) view.push_back(f.get());
        ToolPathWindow window;
        state.ResumeTiming();
        AddOutline(view, window, settings, machine, notifier);
        points = 0;
        for (auto* f : view) points += f->ToolPath3D.size();
        benchmark::DoNotOptimize(window.TotalCutLength);
    }
    state.counters["tool_path_points"] = static_cast<double>(points);
}

void BM_Prepare20000Figures(benchmark::State& state) { Prepare(state, GridDrawing); }
BENCHMARK(BM_Prepare20000Figures)->Unit(benchmark::kMillisecond);

void BM_PrepareSpline50000Points(benchmark::State& state) {
    Prepare(state, [] {
        std::vector<std::unique_ptr<tfigura>> v;
        v.push_back(SplineFigure());
        return v;
    });
}
BENCHMARK(BM_PrepareSpline50000Points)->Unit(benchmark::kMillisecond);

}  // namespace
