// Reading speed of the DXF and G-code readers, figures included: a generated DXF R12 of 200,000
// entities (lines, arcs, circles, bulged closed polylines; about 40 MB) and a generated G-code
// program of 1,000,000 moves (about 27 MB). Targets: 60 MB/s of DXF, 30 MB/s of G-code.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "drawing_files/dxf_reader.h"
#include "drawing_files/gcode_reader.h"

namespace {

void Pair(std::string& s, const char* code, const char* value) {
    s += code;
    s += '\n';
    s += value;
    s += '\n';
}

void PairNum(std::string& s, const char* code, double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", v);  // benchmark input only; "C" locale
    Pair(s, code, buf);
}

const std::string& GeneratedDxf() {
    static const std::string text = [] {
        std::string s;
        s.reserve(42u << 20);
        Pair(s, "  0", "SECTION");
        Pair(s, "  2", "HEADER");
        Pair(s, "  9", "$ACADVER");
        Pair(s, "  1", "AC1009");
        Pair(s, "  0", "ENDSEC");
        Pair(s, "  0", "SECTION");
        Pair(s, "  2", "ENTITIES");
        auto common = [&s](int i) {
            char handle[16];
            std::snprintf(handle, sizeof handle, "%X", 0x100 + i);
            Pair(s, "  5", handle);
            Pair(s, "  6", "CONTINUOUS");
        };
        for (int i = 0; i < 200000; ++i) {
            double x = (i % 1000) * 3.0, y = (i / 1000) * 3.0;
            switch (i % 4) {
                case 0:
                    Pair(s, "  0", "LINE");
                    common(i);
                    Pair(s, "  8", "CUT");
                    Pair(s, " 62", "1");
                    PairNum(s, " 10", x);
                    PairNum(s, " 20", y);
                    PairNum(s, " 30", 0.0);
                    PairNum(s, " 11", x + 2.5);
                    PairNum(s, " 21", y + 1.25);
                    PairNum(s, " 31", 0.0);
                    break;
                case 1:
                    Pair(s, "  0", "ARC");
                    common(i);
                    Pair(s, "  8", "CUT");
                    Pair(s, " 62", "2");
                    PairNum(s, " 10", x);
                    PairNum(s, " 20", y);
                    PairNum(s, " 30", 0.0);
                    PairNum(s, " 40", 1.2);
                    PairNum(s, " 50", 30.0);
                    PairNum(s, " 51", 300.0);
                    break;
                case 2:
                    Pair(s, "  0", "CIRCLE");
                    common(i);
                    Pair(s, "  8", "CUT");
                    Pair(s, " 62", "3");
                    PairNum(s, " 10", x);
                    PairNum(s, " 20", y);
                    PairNum(s, " 30", 0.0);
                    PairNum(s, " 40", 1.0);
                    break;
                default:
                    Pair(s, "  0", "POLYLINE");
                    common(i);
                    Pair(s, "  8", "CUT");
                    Pair(s, " 66", "1");
                    PairNum(s, " 10", 0.0);
                    PairNum(s, " 20", 0.0);
                    PairNum(s, " 30", 0.0);
                    Pair(s, " 70", "1");
                    for (int v = 0; v < 4; ++v) {
                        Pair(s, "  0", "VERTEX");
                        Pair(s, "  8", "CUT");
                        PairNum(s, " 10", x + (v == 1 || v == 2 ? 2.0 : 0.0));
                        PairNum(s, " 20", y + (v >= 2 ? 2.0 : 0.0));
                        PairNum(s, " 30", 0.0);
                        PairNum(s, " 42", v % 2 ? 0.0 : 0.4142);
                    }
                    Pair(s, "  0", "SEQEND");
                    Pair(s, "  8", "CUT");
                    break;
            }
        }
        Pair(s, "  0", "ENDSEC");
        Pair(s, "  0", "EOF");
        return s;
    }();
    return text;
}

const std::string& GeneratedGcode() {
    static const std::string text = [] {
        std::string s;
        s.reserve(28u << 20);
        s += "G21 G90 G17\n";
        char buf[64];
        for (int i = 0; i < 1000000; ++i) {
            double x = (i % 2000) * 0.05, y = (i / 2000) * 0.05;
            int n;
            if (i % 100 == 0)
                n = std::snprintf(buf, sizeof buf, "G0 X%.3f Y%.3f Z5.0\n", x, y);
            else if (i % 50 == 25)
                n = std::snprintf(buf, sizeof buf, "G2 X%.3f Y%.3f I%.3f J%.3f\n", x, y, x - 0.5, y);
            else if (i % 3 == 0)
                n = std::snprintf(buf, sizeof buf, "G1 X%.3f Y%.3f Z-0.500 F1200\n", x, y);
            else
                n = std::snprintf(buf, sizeof buf, "G1 X%.3f Y%.3f F1200\n", x, y);
            s.append(buf, static_cast<std::size_t>(n));
        }
        s += "M30\n";
        return s;
    }();
    return text;
}

void BM_ReadDxf(benchmark::State& state) {
    const std::string& text = GeneratedDxf();
    std::size_t figures = 0;
    for (auto _ : state) {
        vellisk::DxfReader r{vellisk::DrawingText(text)};
        figures = 0;
        while (!r.EndOfFile) {
            vellisk::tfigura f;
            r.ReadFigure(f);
            figures += f.Valid ? 1 : 0;
            benchmark::DoNotOptimize(f.Contour.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
    state.counters["figures"] = static_cast<double>(figures);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ReadDxf)->Unit(benchmark::kMillisecond);

void BM_ReadGcode(benchmark::State& state) {
    const std::string& text = GeneratedGcode();
    std::size_t figures = 0;
    for (auto _ : state) {
        vellisk::GcodeReader r{vellisk::DrawingText(text), vellisk::GcodeLimits{1.0, 20000.0, 0.0, 1000.0}};
        figures = 0;
        while (!r.EndOfFile) {
            vellisk::tfigura f;
            r.ReadFigure(f);
            ++figures;
            benchmark::DoNotOptimize(f.ToolPath3D.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(text.size()));
    state.counters["figures"] = static_cast<double>(figures);
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ReadGcode)->Unit(benchmark::kMillisecond);

}  // namespace
