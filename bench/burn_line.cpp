// Building the commands of one raster line of a bitmap burn: 10,000 pixels (a 500 mm picture at
// 0.1 mm pitch, two pixels a pitch), the power bytes cut into 15-byte packets, then the run-up,
// raster and run-out moves. Target: under 1 ms a line, far below what any link needs to carry it.
#include <benchmark/benchmark.h>

#include "machine_operation/bmp_thread.h"

namespace {

using namespace vellisk;

void BM_BurnLine10000Pixels(benchmark::State& state) {
    tLinia line;
    line.Power.resize(10000);
    for (std::size_t i = 0; i < line.Power.size(); ++i) line.Power[i] = static_cast<std::uint8_t>(i * 7);
    BurnLineGeometry g;
    g.WidthSteps = 500000;
    g.HalfPitchSteps = 50;
    g.RunUpSteps = 76;
    g.FeedSteps = 100;
    g.PixelsPerLine = 10000;
    bool forward = true;
    for (auto _ : state) {
        BurnLineCommands c = BuildBurnLine(line, forward, g);
        benchmark::DoNotOptimize(c);
        forward = !forward;
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_BurnLine10000Pixels)->Unit(benchmark::kMicrosecond);

}  // namespace
