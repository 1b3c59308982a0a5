// Bezier smoothing speed: one closed contour of 50,000 points (a circle of 50 mm radius in DXF
// units, the longest smooth runs there are), fitted, aligned, stepped and ramped.
// Target: under 0.2 s.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "drawing_window/bezier_fit.h"
#include "settings/settings.h"

namespace {

using namespace vellisk;

void BM_SmoothContour50k(benchmark::State& state) {
    tfigura f;
    const int n = 50000;
    for (int i = 0; i <= n; ++i) {
        const double a = 2.0 * std::numbers::pi * (i % n) / n;
        f.CutPath.push_back({5000.0 * std::cos(a), 5000.0 * std::sin(a)});
    }
    Settings settings;
    BezierMachine machine;
    machine.kind = KindDxf;
    machine.StepsX = 1.0;
    tfigura* figures[] = {&f};
    for (auto _ : state) {
        PrzyblizBezier(figures, settings, machine);
        benchmark::DoNotOptimize(f.RampedBezierPath.data());
    }
    state.counters["segments"] = static_cast<double>(f.BezierSegments.size());
}
BENCHMARK(BM_SmoothContour50k)->Unit(benchmark::kMillisecond);

}  // namespace
