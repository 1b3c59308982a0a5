// Loading a drawing into a project: an HPGL file of a grid of squares, each with a hole, read
// figure by figure, cleaned up, nested, given ordering keys, directions and cutting order, and
// prepared (tool-radius offset and 3-D paths). Target: 20,000 figures in under 1 s, and twice the
// figures in at most 2.1 times the time. The second benchmark leaves the tool paths out
// (doOutline off, no ramp), so that the load's own work shows; the third joins a path drawn
// as 20,000 (40,000) separate pieces. The fourth loads and prepares the generated DXF of 200,000
// entities (lines, arcs, circles, bulged polylines; 42 MB, 8 million points) that
// bench/drawing_readers reads. Target: under 2 s and under 250 MiB.
//
// Every size is loaded once untimed before it is timed, and timed the same number of times in
// five repetitions: the figures to read are the median of the repetitions (`_median`), which a
// busy machine disturbs far less than a mean, and their fastest (`_min`), which other work on the
// machine can only slow. Before each timed load the caches are overwritten, so that no size is
// read from what the load before it left in the cache. per_doubling (on the `_min` line) is the
// fastest load of a grid against the fastest of the grid of half its figures. peak_MiB is the
// resident memory one load adds at its highest, measured once per size in a child process that
// loads the drawing once after the heap freed by earlier runs went back to the system.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "bench_drawings.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "support/machine_rig.h"

// tcmalloc's release of the free heap to the system, when the program is linked with it.
extern "C" void MallocExtension_ReleaseFreeMemory() __attribute__((weak));

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

enum class Drawing { Grid, Pieces, Dxf };

// A value of /proc/self/status in KiB ("VmRSS:", "VmHWM:").
double StatusKiB(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string word;
    while (in >> word)
        if (word == key) {
            double kib = 0;
            in >> kib;
            return kib;
        }
    return 0;
}

// The resident memory that `load` adds at its highest, in MiB, from a child process; -1 when
// it cannot be measured.
template <class F>
double PeakMiB(F load) {
    // The heap that earlier loads freed goes back to the system first: the child would reuse it
    // without its resident size growing.
    if (MallocExtension_ReleaseFreeMemory)
        MallocExtension_ReleaseFreeMemory();
    else
        malloc_trim(0);
    int fd[2];
    if (pipe(fd) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fd[0]);
        const double before = StatusKiB("VmRSS:");
        std::ofstream("/proc/self/clear_refs") << "5";  // the high-water mark starts again here
        load();
        const double mib = (StatusKiB("VmHWM:") - before) / 1024.0;
        [[maybe_unused]] auto n = write(fd[1], &mib, sizeof mib);
        _exit(0);
    }
    close(fd[1]);
    double mib = -1;
    if (pid < 0 || read(fd[0], &mib, sizeof mib) != sizeof mib) mib = -1;
    close(fd[0]);
    if (pid > 0) waitpid(pid, nullptr, 0);
    return mib;
}

// Writes over more memory than the processor's caches hold, so that a load does not find the
// drawing of the run before it still in the cache: an operator opens a drawing after other
// work, and a small grid would otherwise be measured from the cache and a large one from memory.
void EvictCaches() {
    static std::vector<char> scratch(256u << 20);
    static char round = 0;
    ++round;
    for (std::size_t i = 0; i < scratch.size(); i += 64) scratch[i] = round;
    benchmark::DoNotOptimize(scratch.data());
}

void Load(benchmark::State& state, Drawing drawing, bool toolPaths) {
    const int figures = static_cast<int>(state.range(0));
    const auto path = drawing == Drawing::Pieces ? PiecesDrawing(figures)
                      : drawing == Drawing::Dxf  ? bench::GeneratedDxfDrawing(figures)
                                                 : GridDrawing(figures);
    const int kind = drawing == Drawing::Dxf ? KindDxf : KindHpgl;
    auto once = [&] {
        Settings settings;
        if (!toolPaths) settings.SetFlag("doOutline", false);
        test::MachineRig machine;
        SilentNotifier notifier;
        Project project(kind, settings, machine.ctx, machine.env, machine.jobValues, notifier);
        auto input = MakeDrawingInput(machine.ctx, settings);
        const auto result = project.Load(path.string(), *input);
        benchmark::DoNotOptimize(project.Figures.data());
        if (result.status != LoadStatus::Ok) return false;
        if (drawing == Drawing::Dxf) return project.Count() > 0;
        return project.Count() == (drawing == Drawing::Pieces ? 1 : figures);
    };
    // Measured in the first repetition of a size; the later ones report the same figure.
    static std::map<std::pair<int, int>, double> peaks;
    const auto key = std::make_pair(static_cast<int>(drawing) * 2 + (toolPaths ? 1 : 0), figures);
    if (!peaks.contains(key)) peaks[key] = PeakMiB(once);
    state.counters["peak_MiB"] = peaks[key];
    if (!once()) state.SkipWithError("drawing not loaded whole");  // the untimed warm-up
    // The fastest load of each size so far, in seconds: the growth per doubling is this size's
    // against the half size's, which ran (all its repetitions) before it.
    static std::map<std::pair<int, int>, double> fastest;
    double& best = fastest.try_emplace(key, 1e300).first->second;
    for (auto _ : state) {
        state.PauseTiming();
        EvictCaches();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (!once()) state.SkipWithError("drawing not loaded whole");
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["figures"] = figures;
    if (const auto half = fastest.find({key.first, figures / 2}); half != fastest.end())
        state.counters["per_doubling"] = best / half->second;
}

void BM_LoadAndPrepare(benchmark::State& state) { Load(state, Drawing::Grid, true); }
void BM_LoadWithoutToolPaths(benchmark::State& state) { Load(state, Drawing::Grid, false); }
void BM_LoadPathPieces(benchmark::State& state) { Load(state, Drawing::Pieces, false); }
void BM_LoadAndPrepareDxf(benchmark::State& state) { Load(state, Drawing::Dxf, true); }

}  // namespace

// Each size is timed in five repetitions of three runs; their median and their fastest are its
// figures.
void Timed(benchmark::internal::Benchmark* b) {
    b->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
    b->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}
// The grids that show the growth per doubling.
void Grids(benchmark::internal::Benchmark* b) {
    for (int figures : {10000, 20000, 40000, 80000}) b->Arg(figures);
    Timed(b);
}

BENCHMARK(BM_LoadAndPrepare)->Apply(Grids);
BENCHMARK(BM_LoadWithoutToolPaths)->Apply(Grids);
BENCHMARK(BM_LoadPathPieces)->Arg(20000)->Arg(40000)->Apply(Timed);
BENCHMARK(BM_LoadAndPrepareDxf)
    ->Arg(200000)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
