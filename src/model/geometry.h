#pragma once
// Plane geometry of the drawing model: distances, direction angles, the turning cosine at a
// vertex, the line through a segment, crossings of segments and lines, the crossing test of the
// point-inside-contour search, drawing units <-> millimetres, and a few small integer, real and
// text helpers. Every function is a pure function of its arguments.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/geometry_types.h"

namespace vellisk {

// The marker slope of a vertical line (2^31 - 1), also the limit of a crossing's X.
inline constexpr double kVerticalSlope = 2147483647.0;

// ---- drawing units ------------------------------------------------------------------------------

// Drawing units of a project kind to millimetres: HPGL 40 per mm, DXF and G-code 100 per mm,
// bitmap 1 per mm; any other kind gives 0. Computed in extended precision.
double UnitsToMm(int kind, double x);
// Millimetres to drawing units of a project kind (the inverse; also the identity for a bitmap).
double MmToUnits(int kind, double x);

// ---- small reals and integers -------------------------------------------------------------------

// a when b >= a, else b.
inline double Min(double a, double b) { return b >= a ? a : b; }
// b when b > a, else a.
inline double Max(double a, double b) { return b > a ? b : a; }
// The value limited to [low, high]; note the upper bound comes first.
inline double Clamp(double value, double high, double low) {
    if (value > high) return high;
    if (value >= low) return value;
    return low;
}

// X and Y exactly equal (Z is not looked at).
inline bool SamePoint(const tpunkt& p, const tpunkt& q) { return p.X == q.X && p.Y == q.Y; }
// Less than 2 drawing units apart in X and in Y (Z is not looked at).
bool NearPoint(const tpunkt& p, const tpunkt& q);

// a mod b = 0. A zero b is a range error.
bool IsMultipleOf(std::int32_t a, std::int32_t b);
// n! in 32 bits: 1 for n < 2; n above 12 does not fit and is a range error.
std::int32_t Factorial(std::int32_t n);
// x to the power n: 1 for n = 0, x for n = 1 and for a negative n.
double IntPower(double x, std::int32_t n);
// n over k as a real for 0 <= k <= n <= 12 (else a range error).
double Binomial(std::int32_t n, std::int32_t k);

// ---- distances ----------------------------------------------------------------------------------

inline double Distance2D(const tpunkt& p, const tpunkt& q) {
    const double dx = q.X - p.X, dy = q.Y - p.Y;
    return std::sqrt(dx * dx + dy * dy);
}
inline double Distance3D(const tpunkt& p, const tpunkt& q) {
    const double dx = q.X - p.X, dy = q.Y - p.Y, dz = q.Z - p.Z;
    return std::sqrt(dz * dz + (dx * dx + dy * dy));
}
double Distance2DInt(const TIntPoint2D& p, const TIntPoint2D& q);
double Distance3DInt(const TIntPoint3D& p, const TIntPoint3D& q);
double SquaredDistance2D(const TPoint2D& p, const TPoint2D& q);

// Distance of p from a segment. Where the foot of the perpendicular lies on the segment:
// `where` 0 and `angle` the direction p -> foot. Otherwise the nearer end E (the end point on a
// tie): `where` 1 for the start, 2 for the end, or 3 when the foot lies more than
// `tolerance` + 1 beyond E; `angle` the direction p -> E. A zero-length segment gives the
// distance to its start and leaves `angle` and `where` alone.
double PointSegmentDistance(const tpunkt& p, const todcinek& seg, double tolerance, double& angle, std::int32_t& where);
// The same without the direction (the offset's clean-up asks this very often).
double PointSegmentDistance(const tpunkt& p, const todcinek& seg, double tolerance, std::int32_t& where);

// ---- angles -------------------------------------------------------------------------------------

// Direction of p -> q in radians, in [0, 2 pi). A vertical (or null) vector gives pi/2 when q
// lies above p, else 3 pi/2.
double SegmentAngle(const tpunkt& p, const tpunkt& q);
double VectorAngle(const TPoint2D& p, const TPoint2D& q);

// Minus the cosine of the angle at b on the path a -> b -> c (3-D): 1 straight on, 0 a right
// angle, -1 a full reversal; a zero-length leg gives -1.
double VertexAngleCos(const tpunkt& a, const tpunkt& b, const tpunkt& c);
// The same from the three distances a-b, b-c and a-c, for a path whose lengths are known.
double VertexAngleCosFromSides(double g, double h, double k);

// ---- lines and segments -------------------------------------------------------------------------

// The line through a segment: degenerate when both ends are the same point, vertical when the
// ends are less than 0.0001 apart in X (its X in `intercept`).
inline tprosta LineOfSegment(const tpunkt& start, const tpunkt& end) {
    tprosta l;
    if (SamePoint(start, end)) {
        l.degenerate = true;
    } else if (std::fabs(start.X - end.X) < 0.0001) {
        l.vertical = true;
        l.slope = kVerticalSlope;
        l.intercept = start.X;
    } else {
        l.slope = (end.Y - start.Y) / (end.X - start.X);
        l.intercept = start.Y - l.slope * start.X;
    }
    return l;
}
inline tprosta LineOfSegment(const todcinek& s) { return LineOfSegment(s.start, s.end); }

// Swap the ends (whole points) when the start lies to the right of (above) the end.
void OrderSegmentByX(todcinek& s);
void OrderSegmentByY(todcinek& s);

// Whether two closed segments meet. Collinear overlapping segments meet at the middle of their
// overlap; a zero-length segment never meets anything.
bool SegmentsIntersect(const todcinek& s1, const todcinek& s2);
// The same decision; `point` gets the meeting point (X, Y; zeroed first). A point far out is
// brought in by dividing both coordinates by 10 until each is below 21474836.
bool SegmentIntersection(const todcinek& s1, const todcinek& s2, tpunkt& point);

// Crossing of two lines (built from segA and segB). A degenerate line leaves `point` as it is;
// nearly parallel lines (slopes less than 0.005 apart) and parallel distinct ones give segA's
// end point; two vertical lines give (0, 0), or on the same X the middle of the Y overlap of the
// two segments; collinear ones the middle of the X overlap.
void LinesIntersection(const tprosta& line1, const tprosta& line2, const todcinek& segA, tpunkt& point,
                       const todcinek& segB);

// The ray-crossing step of the point-inside-contour test. CrossingOffset applies when the
// point's X lies in the half-open span from the segment's start X (included) to its end X
// (excluded); CrossingOffsetOpen only strictly between them. When it applies to a line that is
// neither vertical nor degenerate, `offset` := the line's Y at X minus the point's Y and the
// result is true; otherwise false with `offset` 0.
bool CrossingOffset(const todcinek& seg, const tpunkt& point, double& offset);
bool CrossingOffsetOpen(const todcinek& seg, const tpunkt& point, double& offset);

// ---- text ---------------------------------------------------------------------------------------

// The text with every `ch` taken out.
std::string RemoveChar(char ch, std::string_view text);

}  // namespace vellisk
