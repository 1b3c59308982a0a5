// Loading a drawing into a project: an HPGL file of a grid of squares, each with a hole, read
// figure by figure, cleaned up, nested, given ordering keys, directions and cutting order, and
// prepared (tool-radius offset and 3-D paths). Target: 20,000 figures in under 1 s, and twice the
// figures in at most 2.5 times the time. The second benchmark leaves the tool paths out
// (doOutline off, no ramp), so that the load's own work shows; the third joins a path drawn
// as 20,000 (40,000) separate pieces.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_drawings.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace {

using namespace vellisk;
using bench::GridDrawing;

// One zigzag path drawn as `pieces` separate two-point pieces, in path order: the load joins
// them back into one figure.
std::filesystem::path PiecesDrawing(int pieces) {
    const auto path = std::filesystem::temp_directory_path() / ("vellisk_pieces_" + std::to_string(pieces) + ".plt");
    if (std::filesystem::exists(path)) return path;
    std::ofstream out(path, std::ios::binary);
    out << "IN;SP1;\n";
    for (long i = 0; i < pieces; ++i)
        out << "PU" << i * 10 << ',' << (i % 2) * 50 << ";PD" << (i + 1) * 10 << ',' << ((i + 1) % 2) * 50 << ";\n";
    out << "PU0,0;SP0;\n";
    return path;
}

void Load(benchmark::State& state, bool toolPaths, bool pieces = false) {
    const int figures = static_cast<int>(state.range(0));
    const auto path = pieces ? PiecesDrawing(figures) : GridDrawing(figures);
    for (auto _ : state) {
        Settings settings;
        if (!toolPaths) settings.SetFlag("doOutline", false);
        MachineContext ctx;
        SilentNotifier notifier;
        Project project(KindHpgl, settings, ctx, notifier);
        auto input = MakeDrawingInput(ctx, settings);
        const auto result = project.Load(path.string(), *input);
        if (result.status != LoadStatus::Ok || project.Count() != (pieces ? 1 : figures))
            state.SkipWithError("drawing not loaded whole");
        benchmark::DoNotOptimize(project.Figures.data());
    }
    state.counters["figures"] = figures;
}

void BM_LoadAndPrepare(benchmark::State& state) { Load(state, true); }
void BM_LoadWithoutToolPaths(benchmark::State& state) { Load(state, false); }
void BM_LoadPathPieces(benchmark::State& state) { Load(state, false, true); }

}  // namespace

BENCHMARK(BM_LoadAndPrepare)->Arg(20000)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadWithoutToolPaths)->Arg(20000)->Arg(40000)->Arg(80000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPathPieces)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
