#pragma once
// Drawings generated for the benchmarks, written once into the temporary folder.
#include <filesystem>
#include <fstream>
#include <string>

namespace vellisk::bench {

// A grid of `figures` / 2 squares of 40 mm, each with a 20 mm hole, 50 mm apart (HPGL units).
std::filesystem::path GridDrawing(int figures) {
    const auto path = std::filesystem::temp_directory_path() / ("vellisk_grid_" + std::to_string(figures) + ".plt");
    if (std::filesystem::exists(path)) return path;
    std::ofstream out(path, std::ios::binary);
    out << "IN;SP1;\n";
    const int squares = figures / 2;
    const int columns = 100;
    auto square = [&](long x, long y, long side) {
        out << "PU" << x << ',' << y << ";PD" << x + side << ',' << y << ',' << x + side << ',' << y + side << ',' << x
            << ',' << y + side << ',' << x << ',' << y << ";\n";
    };
    for (int i = 0; i < squares; ++i) {
        const long x = (i % columns) * 2000L, y = (i / columns) * 2000L;
        square(x, y, 1600);
        square(x + 400, y + 400, 800);
    }
    out << "PU0,0;SP0;\n";
    return path;
}

}  // namespace vellisk::bench
