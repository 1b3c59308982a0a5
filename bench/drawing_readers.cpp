// Reading speed of the DXF and G-code readers, figures included: a generated DXF R12 of 200,000
// entities (lines, arcs, circles, bulged closed polylines; about 42 MB) and a generated G-code
// program of 1,000,000 moves (about 27 MB), each read from a file on disk in chunks through the
// drawing reader as the program reads it, and from memory. Targets: 60 MB/s of DXF, 30 MB/s of
// G-code.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "drawing_files/hpgl.h"
#include "support/generated_drawings.h"

namespace {

using vellisk::KindDxf;
using vellisk::KindGcode;

const std::string& Text(std::int32_t kind) {
    static const std::string dxf = vellisk::test::GeneratedDxf(200000);
    static const std::string gcode = vellisk::test::GeneratedGcode(1000000);
    return kind == KindDxf ? dxf : gcode;
}

const std::filesystem::path& File(std::int32_t kind) {
    static const auto write = [](std::int32_t k, const char* name) {
        auto p = std::filesystem::temp_directory_path() / name;
        vellisk::test::WriteGenerated(p, Text(k));
        return p;
    };
    static const std::filesystem::path dxf = write(KindDxf, "vellisk_bench_readers.dxf");
    static const std::filesystem::path gcode = write(KindGcode, "vellisk_bench_readers.nc");
    return kind == KindDxf ? dxf : gcode;
}

vellisk::DrawingReaderSettings Settings() {
    vellisk::DrawingReaderSettings s;
    s.gcode = vellisk::GcodeLimits{1.0, 20000.0, 0.0, 1000.0};
    return s;
}

// Reads every figure; `fromDisk` chooses the file or the same text in memory.
void ReadDrawing(benchmark::State& state, std::int32_t kind, bool fromDisk) {
    const std::string& text = Text(kind);
    if (fromDisk) File(kind);
    std::size_t figures = 0;
    for (auto _ : state) {
        vellisk::Thpgl r;
        if (fromDisk) {
            if (r.OpenInput(File(kind), kind, Settings()) != 0) {
                state.SkipWithError(r.OpenError().c_str());
                return;
            }
        } else {
            state.PauseTiming();
            std::string copy = text;
            state.ResumeTiming();
            r.OpenText(std::move(copy), kind, Settings());
        }
        figures = 0;
        while (!r.EndOfFile) {
            vellisk::tfigura f;
            r.ReadFigure(f);
            figures += f.Contour.empty() ? 0 : 1;
            benchmark::DoNotOptimize(f.Contour.data());
        }
        r.CloseInput();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
    state.counters["figures"] = static_cast<double>(figures);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}

void BM_ReadDxfFile(benchmark::State& state) { ReadDrawing(state, KindDxf, true); }
void BM_ReadDxfMemory(benchmark::State& state) { ReadDrawing(state, KindDxf, false); }
void BM_ReadGcodeFile(benchmark::State& state) { ReadDrawing(state, KindGcode, true); }
void BM_ReadGcodeMemory(benchmark::State& state) { ReadDrawing(state, KindGcode, false); }
BENCHMARK(BM_ReadDxfFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDxfMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadGcodeFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadGcodeMemory)->Unit(benchmark::kMillisecond);

}  // namespace
