// Writing the machine job of a drawing of 20,000 closed figures: the grid of squares, each with
// a hole, read as HPGL and prepared by the project load (offset, ramped plunge, cutting order).
// Only the writing is timed. Target: at least 20 MB/s of job file. The figures go to the writer
// together, as a save hands them over (their commands made on every core); the last benchmark
// writes them one after the other, on one thread. Rates are of wall time.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>

#include "bench_drawings.h"
#include "drawing_files/job_machine_context.h"
#include "drawing_files/job_writer.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "support/machine_rig.h"

namespace {

using namespace vellisk;

void WriteJob(benchmark::State& state, bool toFile, bool together = true) {
    Settings settings;
    test::MachineRig rig;  // model set 0 on the parallel port, as at start-up
    SilentNotifier notifier;
    Project project(KindHpgl, settings, rig.ctx, rig.env, rig.jobValues, notifier);
    auto input = MakeDrawingInput(rig.ctx, settings);
    if (project.Load(bench::GridDrawing(20000).string(), *input).status != LoadStatus::Ok || project.Count() != 20000) {
        state.SkipWithError("drawing not loaded whole");
        return;
    }
    JobMachine machine = JobMachineOf(rig.ctx, rig.jobValues);
    const auto path = std::filesystem::temp_directory_path() / "vellisk_bench_out.cnx";
    std::int64_t bytes = 0;
    auto write = [&](JobSink& sink) {
        JobWriter w(sink, machine, settings);
        w.OpenOutput(KindHpgl, OutputStream);
        if (together) {
            const auto figures = project.FigurePointers();
            w.WriteFigures(figures.size(), [&](std::size_t k, const std::function<void(tfigura&)>& use) {
                project.WithToolPath(*figures[k], use);
            });
        } else {
            for (auto& f : project.Figures) project.WithToolPath(*f, [&](tfigura& g) { w.WriteFigure(g); });
        }
        w.CloseOutput();
    };
    for (auto _ : state) {
        std::size_t size = 0;
        if (toFile) {
            FileJobSink sink(path);
            write(sink);
            size = std::filesystem::file_size(path);
        } else {
            MemoryJobSink sink;
            write(sink);
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
void BM_JobOneFigureAfterTheOther(benchmark::State& state) { WriteJob(state, false, false); }

BENCHMARK(BM_JobFile20000Figures)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JobInMemory20000Figures)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JobOneFigureAfterTheOther)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
