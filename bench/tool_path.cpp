// Tool-path preparation speed: the tool-radius offset and the 3-D paths of the grid drawing of
// 20,000 closed figures (10,000 squares, each with a hole) and of one flattened spline of 50,000 points.
// Targets: the 50,000-point figure in under 0.5 s, the 20,000 figures in under 2 s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "bench_drawings.h"
#include "drawing_window/offset_contour.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "drawing_window/tool_path.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "support/machine_rig.h"

namespace {

using namespace vellisk;

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
        benchmark::DoNotOptimize(window.TotalCutLength);
        state.PauseTiming();
        // The paths are made again on demand: counted outside the time.
        points = 0;
        std::vector<tpunkt> path;
        for (auto* f : view) {
            if (!f->ToolPathOnDemand) continue;
            MakeToolPath3D(path, *f, window.Recipe);
            points += path.size();
        }
        state.ResumeTiming();
    }
    state.counters["tool_path_points"] = static_cast<double>(points);
}

// The grid drawing of 20,000 figures loaded as a project (read, cleaned up, nested and ordered
// once, without tool paths); each run prepares its tool paths again.
void BM_Prepare20000Figures(benchmark::State& state) {
    Settings settings;
    JobSettings(settings);
    settings.SetFlag("doOutline", false);
    test::MachineRig machine;
    SilentNotifier notifier;
    Project project(KindHpgl, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    auto input = MakeDrawingInput(machine.ctx, settings);
    if (project.Load(bench::GridDrawing(20000).string(), *input).status != LoadStatus::Ok || project.Count() != 20000) {
        state.SkipWithError("drawing not loaded whole");
        return;
    }
    settings.SetFlag("doOutline", true);
    std::size_t points = 0;
    for (auto _ : state) {
        project.AddOutline();
        benchmark::DoNotOptimize(project.TotalCutLength);
    }
    for (const auto& f : project.Figures) points += project.ToolPathOf(*f).size();
    state.counters["tool_path_points"] = static_cast<double>(points);
}
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
