#pragma once
// A hatch line as the project keeps it: its two points, its enclosing figure and the few values
// that set it apart from every other line (a hatched drawing has millions of them). The cutting
// order holds figures and hatch lines together as entries; a reader that needs a whole figure
// record for a line has one filled for it (Project::View, Project::Lend).
#include <cstdint>

#include "model/figure.h"

namespace vellisk {

struct HatchLine {
    double X0 = 0.0, Y0 = 0.0;  // first point, whole drawing units
    double X1 = 0.0, Y1 = 0.0;  // second point
    tfigura* Parent = nullptr;  // enclosing figure
    double Depth = 0.0;         // height of its 3-D path until a preparation makes it (drawing units)
    double CutLength = 0.0;
    double PolishLength = 0.0;
    std::int32_t Index = 0;  // number of the line when it was added
    std::int32_t Level = -1;
    std::int32_t HatchOwner = 0;  // list position of the enclosing figure when the line was added
    std::int16_t Layer = 0;
    bool ToCut = true;
    // Made by a preparation: its 3-D path is made on demand from the last preparation's recipe.
    bool Prepared : 1 = false;
    // Turned round by the start-point drag after its path was made: the path runs the other way.
    bool PathTurned : 1 = false;
    // Smoothed by a preparation (it has Bezier segments), and turned round since.
    bool Smoothed : 1 = false;
    bool SmoothTurned : 1 = false;
};

// The extremes of a hatch line in `box` (nothing else of it is set), for a look at where it lies
// before its whole record is filled.
inline const tfigura& LineBox(const HatchLine& line, tfigura& box) {
    box.MinX = line.X0 < line.X1 ? line.X0 : line.X1;
    box.MaxX = line.X0 < line.X1 ? line.X1 : line.X0;
    box.MinY = line.Y0 < line.Y1 ? line.Y0 : line.Y1;
    box.MaxY = line.Y0 < line.Y1 ? line.Y1 : line.Y0;
    return box;
}

// An entry of the cutting order: a position in Project::Figures, or with this bit a position in
// Project::Lines.
inline constexpr std::uint32_t kLineEntry = 0x80000000u;

}  // namespace vellisk
