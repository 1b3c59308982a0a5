// Writing the machine job of a drawing of 20,000 closed figures (a grid of squares, each with a
// hole; every tool path has rounded corners, as the offset leaves them). Target: at least
// 20 MB/s of job file.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "drawing_files/job_machine_context.h"
#include "drawing_files/job_writer.h"
#include "machine_link/machine_context.h"
#include "drawing_files/speed_profile.h"
#include "model/numeric.h"

namespace {

using namespace vellisk;

// A square of side `a` (HPGL units) at (x, y), corners rounded with radius r in 8 steps each.
std::vector<tpunkt> RoundedSquare(double x, double y, double a, double r, double z) {
    std::vector<tpunkt> p;
    const double cx[4] = {x + a - r, x + a - r, x + r, x + r};
    const double cy[4] = {y + r, y + a - r, y + a - r, y + r};
    for (int c = 0; c < 4; ++c) {
        for (int k = 0; k <= 8; ++k) {
            double ang = (c * 90.0 - 90.0 + k * 90.0 / 8) * M_PI / 180.0;
            p.push_back({cx[c] + r * std::cos(ang), cy[c] + r * std::sin(ang), z});
        }
    }
    p.push_back(p.front());
    return p;
}

std::vector<tfigura> Drawing() {
    std::vector<tfigura> figures;
    figures.reserve(20000);
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 100; ++j) {
            const double x = i * 800.0, y = j * 800.0;  // 20 mm pitch
            tfigura hole;
            hole.ToolPath3D = RoundedSquare(x + 200, y + 200, 200, 40, 360);
            tfigura outer;
            outer.ToolPath3D = RoundedSquare(x, y, 600, 40, 360);
            figures.push_back(std::move(hole));
            figures.push_back(std::move(outer));
        }
    return figures;
}

void WriteJob(benchmark::State& state, bool toFile) {
    Settings settings;
    MachineContext ctx;  // model set 0 on the parallel port, as at start-up
    JobMachine machine = JobMachineOf(ctx);
    auto figures = Drawing();
    const auto path = std::filesystem::temp_directory_path() / "vellisk_bench_out.cnx";
    std::int64_t bytes = 0;
    for (auto _ : state) {
        std::size_t size = 0;
        if (toFile) {
            FileJobSink sink(path);
            JobWriter w(sink, machine, settings);
            w.OpenOutput(KindHpgl, OutputStream);
            for (auto& f : figures) w.WriteFigure(f);
            w.CloseOutput();
            size = std::filesystem::file_size(path);
        } else {
            MemoryJobSink sink;
            JobWriter w(sink, machine, settings);
            w.OpenOutput(KindHpgl, OutputStream);
            for (auto& f : figures) w.WriteFigure(f);
            w.CloseOutput();
            size = sink.data.size();
        }
        bytes += static_cast<std::int64_t>(size);
        state.counters["job_MB"] = static_cast<double>(size) / 1e6;
    }
    state.SetBytesProcessed(bytes);
    std::filesystem::remove(path);
}

void BM_JobFile20000Figures(benchmark::State& state) { WriteJob(state, true); }
void BM_JobInMemory20000Figures(benchmark::State& state) { WriteJob(state, false); }

BENCHMARK(BM_JobFile20000Figures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JobInMemory20000Figures)->Unit(benchmark::kMillisecond);

}  // namespace
