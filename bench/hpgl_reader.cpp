// Reading speed of the HPGL reader, figures included, on a generated plot file of 1,000,000
// points (2,000 figures of 500 points; about 13 MB) read from disk in chunks as the program
// reads it. Target: 50 MB/s of HPGL text. The counter "largest_figure_points" shows that the
// reader holds one figure at a time (memory follows the largest figure, not the file).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "drawing_files/hpgl.h"
#include "support/generated_drawings.h"

namespace {

constexpr int kFigures = 2000;
constexpr int kPointsPerFigure = 500;

std::string GeneratedHpgl() { return vellisk::test::GeneratedHpgl(kFigures, kPointsPerFigure); }

const std::filesystem::path& GeneratedFile() {
    static const std::filesystem::path path = [] {
        auto p = std::filesystem::temp_directory_path() / "vellisk_bench_hpgl_reader.plt";
        vellisk::test::WriteGenerated(p, GeneratedHpgl());
        return p;
    }();
    return path;
}

void BM_ReadHpglFile(benchmark::State& state) {
    const auto& path = GeneratedFile();
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    std::size_t figures = 0, points = 0, largest = 0;
    for (auto _ : state) {
        vellisk::Thpgl r;
        if (r.OpenInput(path, vellisk::KindHpgl) != 0) {
            state.SkipWithError(r.OpenError().c_str());
            return;
        }
        figures = points = largest = 0;
        while (!r.EndOfFile) {
            vellisk::tfigura f;
            r.ReadFigure(f);
            if (f.Valid) ++figures;
            points += f.Contour.size();
            largest = std::max(largest, f.Contour.size());
            benchmark::DoNotOptimize(f.Contour.data());
        }
        r.CloseInput();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = bytes / 1e6;
    state.counters["figures"] = static_cast<double>(figures);
    state.counters["points"] = static_cast<double>(points);
    state.counters["largest_figure_points"] = static_cast<double>(largest);
}
BENCHMARK(BM_ReadHpglFile)->Unit(benchmark::kMillisecond);

// The same plot held in memory: the reading alone, without the file.
void BM_ReadHpglMemory(benchmark::State& state) {
    const std::string text = GeneratedHpgl();
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = text;
        state.ResumeTiming();
        vellisk::Thpgl r;
        r.OpenText(std::move(copy), vellisk::KindHpgl);
        while (!r.EndOfFile) {
            vellisk::tfigura f;
            r.ReadFigure(f);
            benchmark::DoNotOptimize(f.Contour.data());
        }
        r.CloseInput();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ReadHpglMemory)->Unit(benchmark::kMillisecond);

}  // namespace
