// Hatching the grid of 10,000 squares with holes (20,000 figures, 5 x 5 m) at 0.2 mm spacing,
// horizontally and at 45 degrees, with the program's own allocator. Target: under 0.5 s of wall
// time and 100 heap bytes a hatch line. The counters give the hatch lines added and the heap bytes
// in use per hatch line.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

#include "bench_drawings.h"
#include "drawing_window/hatching.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "support/machine_rig.h"

// tcmalloc's statistics, when the program is linked with it.
extern "C" int MallocExtension_GetNumericProperty(const char* property, size_t* value) __attribute__((weak));

namespace {

using namespace vellisk;

// Heap bytes in use, over every thread.
double HeapBytes() {
    std::size_t bytes = 0;
    if (MallocExtension_GetNumericProperty &&
        MallocExtension_GetNumericProperty("generic.current_allocated_bytes", &bytes))
        return static_cast<double>(bytes);
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd);
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
        test::MachineRig machine;
        SilentNotifier notifier;
        auto project =
            std::make_unique<Project>(KindHpgl, settings, machine.ctx, machine.env, machine.jobValues, notifier);
        auto input = MakeDrawingInput(machine.ctx, settings);
        if (project->Load(path.string(), *input).status != LoadStatus::Ok) state.SkipWithError("grid not loaded");
        Kreskowanie hatching(*project, settings, machine.env, machine.jobValues, notifier);
        const double before = HeapBytes();
        state.ResumeTiming();
        hatching.Run({0.2, angle, false, false});
        state.PauseTiming();
        lines = hatching.LinesAdded();
        bytesPerLine = (HeapBytes() - before) / static_cast<double>(std::max<std::int64_t>(lines, 1));
        project.reset();
        state.ResumeTiming();
    }
    state.counters["hatch_lines"] = static_cast<double>(lines);
    state.counters["bytes_per_line"] = bytesPerLine;
}

}  // namespace

BENCHMARK(BM_HatchGrid)->Arg(0)->Arg(45)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
