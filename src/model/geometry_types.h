#pragma once
// The plain records of the drawing model: point, segment and line.
#include <cstdint>

namespace vellisk {

// A point in drawing units of the project kind: X, Y, Z as 64-bit reals, 24 bytes.
struct tpunkt {
    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    friend bool operator==(const tpunkt&, const tpunkt&) = default;
};
static_assert(sizeof(tpunkt) == 24);

// A point of a path that lies in the plan (Z = 0), such as a contour offset by the tool radius:
// two 64-bit reals, 16 bytes. Read as a 3-D point it has Z = 0.0.
struct PlanPoint {
    double X = 0.0;
    double Y = 0.0;
    operator tpunkt() const { return {X, Y, 0.0}; }
    friend bool operator==(const PlanPoint&, const PlanPoint&) = default;
};
static_assert(sizeof(PlanPoint) == 16);

// The plan point of a 3-D point (its Z is dropped).
inline PlanPoint PlanOf(const tpunkt& p) { return {p.X, p.Y}; }

// A segment: start point, then end point.
struct todcinek {
    tpunkt start;
    tpunkt end;
};

// The line through a segment. A vertical line carries the marker slope 2147483647.0 and its X in
// `intercept`; a degenerate one (both ends the same point) has slope 0 and intercept 0.
struct tprosta {
    double slope = 0.0;
    double intercept = 0.0;
    bool vertical = false;
    bool degenerate = false;
};

// A plain 2-D point with no height.
struct TPoint2D {
    double X = 0.0;
    double Y = 0.0;
};

// Integer points (signed 32-bit coordinates).
struct TIntPoint2D {
    std::int32_t X = 0;
    std::int32_t Y = 0;
};
struct TIntPoint3D {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Z = 0;
};

// Project kinds; each fixes the drawing unit.
enum ProjectKind : int { KindHpgl = 1, KindDxf = 2, KindGcode = 3, KindBitmap = 4 };

}  // namespace vellisk
