#pragma once
// Drawings generated for the benchmarks, written once into the temporary folder.
#include <filesystem>
#include <string>

#include "support/generated_drawings.h"

namespace vellisk::bench {

// A grid of `figures` / 2 squares of 40 mm, each with a 20 mm hole, 50 mm apart (HPGL units).
std::filesystem::path GridDrawing(int figures) {
    const auto path = std::filesystem::temp_directory_path() / ("vellisk_grid_" + std::to_string(figures) + ".plt");
    if (std::filesystem::exists(path)) return path;
    test::WriteGenerated(path, test::GeneratedGrid(figures));
    return path;
}

// The generated DXF R12 of `entities` lines, arcs, circles and bulged closed polylines (200,000
// entities: about 42 MB).
std::filesystem::path GeneratedDxfDrawing(int entities) {
    const auto path = std::filesystem::temp_directory_path() / ("vellisk_dxf_" + std::to_string(entities) + ".dxf");
    if (std::filesystem::exists(path)) return path;
    test::WriteGenerated(path, test::GeneratedDxf(entities));
    return path;
}

}  // namespace vellisk::bench
