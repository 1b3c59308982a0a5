// Hatching the grid of 10,000 squares with holes (20,000 figures, 5 x 5 m) at 0.2 mm spacing,
// horizontally and at 45 degrees. Target: under 1 s. The counters give the hatch lines added
// and the bytes the process grew by per hatch line.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench_drawings.h"
#include "drawing_window/hatching.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace {

using namespace vellisk;

// Resident memory of the process in bytes (Linux).
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * 4096.0;
}

void BM_HatchGrid(benchmark::State& state) {
    const auto path = bench::GridDrawing(20000);
    const double angle = static_cast<double>(state.range(0));
    std::int64_t lines = 0;
    double bytesPerLine = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        Settings settings;
        settings.SetFlag("doOutline", false);
        MachineContext ctx;
        SilentNotifier notifier;
        auto project = std::make_unique<Project>(KindHpgl, settings, ctx, notifier);
        auto input = MakeDrawingInput(ctx, settings);
        if (project->Load(path.string(), *input).status != LoadStatus::Ok) state.SkipWithError("grid not loaded");
        Kreskowanie hatching(*project, settings, ctx, notifier);
        const double before = ResidentBytes();
        state.ResumeTiming();
        hatching.Run({0.2, angle, false, false});
        state.PauseTiming();
        lines = hatching.LinesAdded();
        bytesPerLine = (ResidentBytes() - before) / static_cast<double>(std::max<std::int64_t>(lines, 1));
        project.reset();
        state.ResumeTiming();
    }
    state.counters["hatch_lines"] = static_cast<double>(lines);
    state.counters["bytes_per_line"] = bytesPerLine;
}

}  // namespace

BENCHMARK(BM_HatchGrid)->Arg(0)->Arg(45)->Unit(benchmark::kMillisecond)->Iterations(2);
