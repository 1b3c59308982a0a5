#pragma once
// Drawings generated for the reading tests and the reading benchmarks, as CAD programs, plotter
// drivers and CAM programs write them: a DXF R12 of lines, arcs, circles and bulged closed
// polylines, a G-code program of rapid, feed and arc moves, a plot of long pen-down runs and a
// plot of a grid of squares with holes.
// Header only, so that the benchmarks use the same drawings without the test framework.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vellisk::test {

namespace generated_detail {

inline void Pair(std::string& s, const char* code, const char* value, const char* eol) {
    s += code;
    s += eol;
    s += value;
    s += eol;
}

inline void PairNum(std::string& s, const char* code, double v, const char* eol) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", v);  // generated input only; "C" locale
    Pair(s, code, buf, eol);
}

}  // namespace generated_detail

// A DXF R12 of `entities` entities (200,000 make about 42 MB), lines ended by `eol`.
inline std::string GeneratedDxf(int entities, const char* eol = "\n") {
    using generated_detail::Pair;
    auto num = [eol](std::string& s, const char* code, double v) { generated_detail::PairNum(s, code, v, eol); };
    std::string s;
    s.reserve(static_cast<std::size_t>(entities) * 220 + 256);
    Pair(s, "  0", "SECTION", eol);
    Pair(s, "  2", "HEADER", eol);
    Pair(s, "  9", "$ACADVER", eol);
    Pair(s, "  1", "AC1009", eol);
    Pair(s, "  0", "ENDSEC", eol);
    Pair(s, "  0", "SECTION", eol);
    Pair(s, "  2", "ENTITIES", eol);
    auto common = [&s, eol](int i) {
        char handle[16];
        std::snprintf(handle, sizeof handle, "%X", 0x100 + i);
        Pair(s, "  5", handle, eol);
        Pair(s, "  6", "CONTINUOUS", eol);
    };
    // The start of a LINE, ARC or CIRCLE: its name, handle, layer, colour and first point.
    auto head = [&](int i, const char* name, const char* colour, double x, double y) {
        Pair(s, "  0", name, eol);
        common(i);
        Pair(s, "  8", "CUT", eol);
        Pair(s, " 62", colour, eol);
        num(s, " 10", x);
        num(s, " 20", y);
        num(s, " 30", 0.0);
    };
    for (int i = 0; i < entities; ++i) {
        double x = (i % 1000) * 3.0, y = (i / 1000) * 3.0;
        switch (i % 4) {
            case 0:
                head(i, "LINE", "1", x, y);
                num(s, " 11", x + 2.5);
                num(s, " 21", y + 1.25);
                num(s, " 31", 0.0);
                break;
            case 1:
                head(i, "ARC", "2", x, y);
                num(s, " 40", 1.2);
                num(s, " 50", 30.0);
                num(s, " 51", 300.0);
                break;
            case 2:
                head(i, "CIRCLE", "3", x, y);
                num(s, " 40", 1.0);
                break;
            default:
                Pair(s, "  0", "POLYLINE", eol);
                common(i);
                Pair(s, "  8", "CUT", eol);
                Pair(s, " 66", "1", eol);
                num(s, " 10", 0.0);
                num(s, " 20", 0.0);
                num(s, " 30", 0.0);
                Pair(s, " 70", "1", eol);
                for (int v = 0; v < 4; ++v) {
                    Pair(s, "  0", "VERTEX", eol);
                    Pair(s, "  8", "CUT", eol);
                    num(s, " 10", x + (v == 1 || v == 2 ? 2.0 : 0.0));
                    num(s, " 20", y + (v >= 2 ? 2.0 : 0.0));
                    num(s, " 30", 0.0);
                    num(s, " 42", v % 2 ? 0.0 : 0.4142);
                }
                Pair(s, "  0", "SEQEND", eol);
                Pair(s, "  8", "CUT", eol);
                break;
        }
    }
    Pair(s, "  0", "ENDSEC", eol);
    Pair(s, "  0", "EOF", eol);
    return s;
}

// A G-code program of `moves` moves (1,000,000 make about 27 MB): rapid moves, feed moves with
// and without Z, and clockwise arcs.
inline std::string GeneratedGcode(int moves) {
    std::string s;
    s.reserve(static_cast<std::size_t>(moves) * 28 + 64);
    s += "G21 G90 G17\n";
    char buf[64];
    for (int i = 0; i < moves; ++i) {
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
}

// A plot as a plotter driver writes it: pen selects, pen-up moves and long pen-down runs of
// integer plotter units, one command per line (2,000 figures of 500 points make about 13 MB).
inline std::string GeneratedHpgl(int figures, int pointsPerFigure) {
    std::string s;
    s.reserve(static_cast<std::size_t>(figures) * static_cast<std::size_t>(pointsPerFigure) * 13 + 64);
    s += "IN;\r\nPW0.3,1;PW0.5,2;\r\n";
    char buf[64];
    for (int f = 0; f < figures; ++f) {
        int x0 = (f % 50) * 800, y0 = (f / 50) * 800;
        int n = std::snprintf(buf, sizeof buf, "SP%d;PU%d,%d;PD", 1 + f % 2, x0, y0);
        s.append(buf, static_cast<std::size_t>(n));
        for (int i = 1; i < pointsPerFigure; ++i) {
            // A wavy line across the figure's cell.
            int x = x0 + i, y = y0 + (i * 37) % 700;
            n = std::snprintf(buf, sizeof buf, i + 1 < pointsPerFigure ? "%d,%d," : "%d,%d", x, y);
            s.append(buf, static_cast<std::size_t>(n));
        }
        s += ";\r\n";
    }
    s += "PU;SP0;\r\n";
    return s;
}

// A grid of `figures` / 2 squares of 40 mm, each with a 20 mm hole, 50 mm apart, 100 to a row
// (HPGL units), as the speed benchmarks and the job checksums draw it.
inline std::string GeneratedGrid(int figures) {
    std::string s = "IN;SP1;\n";
    auto square = [&s](long x, long y, long side) {
        s += "PU" + std::to_string(x) + ',' + std::to_string(y) + ";PD" + std::to_string(x + side) + ',' +
             std::to_string(y) + ',' + std::to_string(x + side) + ',' + std::to_string(y + side) + ',' +
             std::to_string(x) + ',' + std::to_string(y + side) + ',' + std::to_string(x) + ',' + std::to_string(y) +
             ";\n";
    };
    for (int i = 0; i < figures / 2; ++i) {
        const long x = (i % 100) * 2000L, y = (i / 100) * 2000L;
        square(x, y, 1600);
        square(x + 400, y + 400, 800);
    }
    s += "PU0,0;SP0;\n";
    return s;
}

// Writes `text` to `path` (aborts when it cannot: generated input for tests and benchmarks).
inline void WriteGenerated(const std::filesystem::path& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
    std::fclose(f);
}

}  // namespace vellisk::test
