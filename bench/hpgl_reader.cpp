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

namespace {

constexpr int kFigures = 2000;
constexpr int kPointsPerFigure = 500;

// A plot as a plotter driver writes it: pen selects, pen-up moves and long pen-down runs of
// integer plotter units, one command per line.
std::string GeneratedHpgl() {
    std::string s;
    s.reserve(16u << 20);
    s += "IN;\r\nPW0.3,1;PW0.5,2;\r\n";
    char buf[64];
    for (int f = 0; f < kFigures; ++f) {
        int x0 = (f % 50) * 800, y0 = (f / 50) * 800;
        int n = std::snprintf(buf, sizeof buf, "SP%d;PU%d,%d;PD", 1 + f % 2, x0, y0);
        s.append(buf, static_cast<std::size_t>(n));
        for (int i = 1; i < kPointsPerFigure; ++i) {
            // A wavy line across the figure's cell.
            int x = x0 + i, y = y0 + (i * 37) % 700;
            n = std::snprintf(buf, sizeof buf, i + 1 < kPointsPerFigure ? "%d,%d," : "%d,%d", x, y);
            s.append(buf, static_cast<std::size_t>(n));
        }
        s += ";\r\n";
    }
    s += "PU;SP0;\r\n";
    return s;
}

const std::filesystem::path& GeneratedFile() {
    static const std::filesystem::path path = [] {
        auto p = std::filesystem::temp_directory_path() / "vellisk_bench_hpgl_reader.plt";
        std::string text = GeneratedHpgl();
        std::FILE* f = std::fopen(p.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
        std::fclose(f);
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
    state.counters["MB/s"] =
        benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = bytes / 1e6;
    state.counters["figures"] = static_cast<double>(figures);
    state.counters["points"] = static_cast<double>(points);
    state.counters["largest_figure_points"] = static_cast<double>(largest);
}
BENCHMARK(BM_ReadHpglFile)->Unit(benchmark::kMillisecond);

}  // namespace
