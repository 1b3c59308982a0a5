// Memory of a loaded and prepared project: the grid drawing of squares with holes (20,000 and
// 80,000 figures) read, nested, ordered and given its tool paths, as bench/project_load does it.
// Reported: the highest heap use while loading and preparing (peak_MiB), the heap the prepared
// project keeps (kept_MiB) and both per figure. Target: peak under 55 MiB for 20,000 figures.
// Heap use is counted by this program's own operator new and delete, in the bytes asked for.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "bench_drawings.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "support/machine_rig.h"

namespace {

std::atomic<std::size_t> live{0};
std::atomic<std::size_t> peak{0};

// Every block carries its size in a header in front of it: asking the allocator for a block's
// size (malloc_usable_size) allocates again under some allocators, tcmalloc among them, and
// would recurse into this operator new.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* Take(std::size_t size) {
    auto* base = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!base) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(base) = size;
    const std::size_t now = live.fetch_add(size) + size;
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {}
    return base + kHeader;
}

void Give(void* p) {
    if (!p) return;
    auto* base = static_cast<unsigned char*>(p) - kHeader;
    live.fetch_sub(*reinterpret_cast<std::size_t*>(base));
    std::free(base);
}

}  // namespace

void* operator new(std::size_t size) { return Take(size); }
void* operator new[](std::size_t size) { return Take(size); }
void operator delete(void* p) noexcept { Give(p); }
void operator delete[](void* p) noexcept { Give(p); }
void operator delete(void* p, std::size_t) noexcept { Give(p); }
void operator delete[](void* p, std::size_t) noexcept { Give(p); }
// The nothrow forms too (a temporary buffer of a stable sort comes from them): otherwise the
// allocator's own would hand out blocks without the header.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Take(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Take(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p, const std::nothrow_t&) noexcept { Give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Give(p); }

namespace {

using namespace vellisk;

constexpr double kMiB = 1024.0 * 1024.0;

void BM_PreparedProjectMemory(benchmark::State& state) {
    const int figures = static_cast<int>(state.range(0));
    const auto path = bench::GridDrawing(figures);
    double peakBytes = 0, keptBytes = 0;
    for (auto _ : state) {
        Settings settings;
        test::MachineRig machine;
        SilentNotifier notifier;
        const std::size_t before = live.load();
        peak.store(before);
        {
            Project project(KindHpgl, settings, machine.ctx, machine.env, machine.jobValues, notifier);
            auto input = MakeDrawingInput(machine.ctx, settings);
            const auto result = project.Load(path.string(), *input);
            if (result.status != LoadStatus::Ok || project.Count() != figures)
                state.SkipWithError("drawing not loaded whole");
            keptBytes = static_cast<double>(live.load() - before);
            benchmark::DoNotOptimize(project.Figures.data());
        }
        peakBytes = static_cast<double>(peak.load() - before);
    }
    state.counters["figures"] = figures;
    state.counters["peak_MiB"] = peakBytes / kMiB;
    state.counters["kept_MiB"] = keptBytes / kMiB;
    state.counters["peak_bytes_per_figure"] = peakBytes / figures;
    state.counters["kept_bytes_per_figure"] = keptBytes / figures;
}

}  // namespace

BENCHMARK(BM_PreparedProjectMemory)->Arg(20000)->Arg(80000)->Unit(benchmark::kMillisecond)->Iterations(1);
