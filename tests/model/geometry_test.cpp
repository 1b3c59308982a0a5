#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "model/core_error.h"
#include "model/geometry.h"
#include "model/numeric.h"

using namespace vellisk;

namespace {

constexpr double kPi = std::numbers::pi;

tpunkt Pt(double x, double y, double z = 0) { return {x, y, z}; }
todcinek Seg(double x0, double y0, double x1, double y1) { return {Pt(x0, y0), Pt(x1, y1)}; }

}  // namespace

TEST(Geometry, UnitConversionByProjectKind) {
    EXPECT_DOUBLE_EQ(UnitsToMm(KindHpgl, 40), 1.0);
    EXPECT_DOUBLE_EQ(UnitsToMm(KindDxf, 250), 2.5);
    EXPECT_DOUBLE_EQ(UnitsToMm(KindGcode, -100), -1.0);
    EXPECT_EQ(UnitsToMm(KindBitmap, 7.5), 7.5);
    EXPECT_EQ(UnitsToMm(9, 100), 0.0);
    EXPECT_DOUBLE_EQ(MmToUnits(KindHpgl, 0.025), 1.0);
    EXPECT_DOUBLE_EQ(MmToUnits(KindDxf, 1.5), 150.0);
    EXPECT_EQ(MmToUnits(KindBitmap, 7.5), 7.5);  // the inverse of UnitsToMm
    EXPECT_EQ(MmToUnits(0, 1), 0.0);
    // Round trips stay within a unit in the last place.
    for (double v : {0.1, 1234.5678, -98765.4321, 1e7 + 0.3})
        EXPECT_NEAR(MmToUnits(KindHpgl, UnitsToMm(KindHpgl, v)), v, std::fabs(v) * 1e-15);
}

TEST(Geometry, SmallRealsAndIntegers) {
    EXPECT_EQ(Clamp(5, 3, 1), 3);
    EXPECT_EQ(Clamp(0, 3, 1), 1);
    EXPECT_EQ(Clamp(2, 3, 1), 2);
    EXPECT_EQ(Min(1, 2), 1);
    EXPECT_EQ(Max(1, 2), 2);
    EXPECT_TRUE(std::signbit(Min(-0.0, 0.0)));   // a tie gives a
    EXPECT_FALSE(std::signbit(Max(0.0, -0.0)));  // a tie gives a
    EXPECT_TRUE(NearPoint(Pt(0, 0), Pt(1.99, -1.99)));
    EXPECT_FALSE(NearPoint(Pt(0, 0), Pt(2.0, 0)));
    EXPECT_FALSE(NearPoint(Pt(0, 0), Pt(0, -2.0)));
    EXPECT_TRUE(SamePoint(Pt(1, 2, 3), Pt(1, 2, 9)));
    EXPECT_TRUE(IsMultipleOf(12, 4));
    EXPECT_FALSE(IsMultipleOf(13, 4));
    EXPECT_TRUE(IsMultipleOf(INT32_MIN, -1));
    EXPECT_THROW(IsMultipleOf(1, 0), CoreError);
    EXPECT_EQ(Factorial(0), 1);
    EXPECT_EQ(Factorial(-3), 1);
    EXPECT_EQ(Factorial(12), 479001600);
    EXPECT_THROW(Factorial(13), CoreError);
    EXPECT_EQ(IntPower(3, 0), 1);
    EXPECT_EQ(IntPower(3, 1), 3);
    EXPECT_EQ(IntPower(3, 4), 81);
    EXPECT_EQ(IntPower(3, -2), 3);
    EXPECT_EQ(Binomial(12, 6), 924);
    EXPECT_EQ(Binomial(5, 0), 1);
    EXPECT_THROW(Binomial(13, 1), CoreError);
    EXPECT_THROW(Binomial(3, 4), CoreError);
    EXPECT_EQ(RemoveChar('.', "1.234.5"), "12345");
}

TEST(Geometry, RoundingOfHalvesIsToEvenAndRangeChecked) {
    EXPECT_EQ(RoundTo<std::int32_t>(0.5), 0);
    EXPECT_EQ(RoundTo<std::int32_t>(1.5), 2);
    EXPECT_EQ(RoundTo<std::int32_t>(2.5), 2);
    EXPECT_EQ(RoundTo<std::int32_t>(-2.5), -2);
    EXPECT_EQ(RoundTo<std::int32_t>(-3.5), -4);
    // Just below a half is not a half.
    EXPECT_EQ(RoundTo<std::int32_t>(std::nextafter(2.5, 0.0)), 2);
    EXPECT_EQ(RoundTo<std::int32_t>(std::nextafter(2.5, 3.0)), 3);
    EXPECT_EQ(RoundTo<std::int32_t>(2147483647.4), 2147483647);
    EXPECT_THROW(RoundTo<std::int32_t>(2147483647.5), CoreError);
    EXPECT_THROW(RoundTo<std::int32_t>(std::nan("")), CoreError);
}

TEST(Geometry, Distances) {
    EXPECT_EQ(Distance2D(Pt(0, 0, 5), Pt(3, 4, 100)), 5);
    EXPECT_EQ(Distance3D(Pt(0, 0, 0), Pt(2, 3, 6)), 7);
    EXPECT_EQ(SquaredDistance2D({1, 1}, {4, 5}), 25);
    // Integer points far apart: the differences are taken as reals, never squared in 32 bits.
    EXPECT_DOUBLE_EQ(Distance2DInt({INT32_MIN, 0}, {INT32_MAX, 0}), 4294967295.0);
    EXPECT_DOUBLE_EQ(Distance3DInt({0, 0, -100000}, {0, 0, 100000}), 200000.0);
}

TEST(Geometry, DirectionAngles) {
    EXPECT_EQ(SegmentAngle(Pt(0, 0), Pt(0, 0)), 3 * kPi / 2);
    EXPECT_EQ(SegmentAngle(Pt(0, 0), Pt(0, 1)), kPi / 2);
    EXPECT_EQ(SegmentAngle(Pt(0, 0), Pt(0, -1)), 3 * kPi / 2);
    EXPECT_EQ(SegmentAngle(Pt(0, 0), Pt(1, 0)), 0);
    EXPECT_DOUBLE_EQ(SegmentAngle(Pt(0, 0), Pt(-1, 0)), kPi);
    EXPECT_DOUBLE_EQ(SegmentAngle(Pt(0, 0), Pt(1, -1)), 7 * kPi / 4);
    EXPECT_DOUBLE_EQ(SegmentAngle(Pt(0, 0), Pt(-1, -1)), 5 * kPi / 4);
    EXPECT_DOUBLE_EQ(VectorAngle({1, 1}, {2, 2}), kPi / 4);
    for (double a = 0.05; a < 2 * kPi; a += 0.3) {
        double r = SegmentAngle(Pt(0, 0), Pt(std::cos(a), std::sin(a)));
        EXPECT_NEAR(r, a, 1e-12);
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 2 * kPi);
    }
}

TEST(Geometry, TurningCosineAtAVertex) {
    EXPECT_DOUBLE_EQ(VertexAngleCos(Pt(0, 0), Pt(1, 0), Pt(2, 0)), 1);    // straight on
    EXPECT_DOUBLE_EQ(VertexAngleCos(Pt(0, 0), Pt(1, 0), Pt(0, 0)), -1);   // back the same way
    EXPECT_NEAR(VertexAngleCos(Pt(0, 0), Pt(1, 0), Pt(1, 1)), 0, 1e-15);  // right angle
    EXPECT_EQ(VertexAngleCos(Pt(0, 0), Pt(0, 0), Pt(1, 1)), -1);          // zero-length leg
    EXPECT_EQ(VertexAngleCos(Pt(0, 0), Pt(1, 1), Pt(1, 1)), -1);
    // In space: a straight climb is straight on.
    EXPECT_DOUBLE_EQ(VertexAngleCos(Pt(0, 0, 0), Pt(1, 1, 1), Pt(2, 2, 2)), 1);
    // Nearly straight legs never leave [-1, 1] through rounding.
    double r = VertexAngleCos(Pt(0, 0), Pt(1e-9, 0), Pt(1e9, 1e-9));
    EXPECT_LE(r, 1);
    EXPECT_GE(r, -1);
}

TEST(Geometry, LineOfSegmentVerticalThreshold) {
    tprosta l = LineOfSegment(Seg(1, 0, 1.00009, 10));
    EXPECT_TRUE(l.vertical);
    EXPECT_EQ(l.slope, kVerticalSlope);
    EXPECT_EQ(l.intercept, 1);
    l = LineOfSegment(Seg(1, 0, 1.0001 + 1e-12, 10));
    EXPECT_FALSE(l.vertical);
    l = LineOfSegment(Seg(0, 1, 2, 5));
    EXPECT_EQ(l.slope, 2);
    EXPECT_EQ(l.intercept, 1);
    l = LineOfSegment(Seg(3, 3, 3, 3));
    EXPECT_TRUE(l.degenerate);
    EXPECT_EQ(l.slope, 0);
    EXPECT_FALSE(l.vertical);
    todcinek s{Pt(5, 1, 7), Pt(2, 9, 8)};
    OrderSegmentByX(s);
    EXPECT_EQ(s.start, Pt(2, 9, 8));  // whole points swap, Z too
    OrderSegmentByY(s);
    EXPECT_EQ(s.start, Pt(5, 1, 7));
    todcinek same{Pt(1, 5), Pt(1, 2)};
    OrderSegmentByX(same);  // equal X is left alone
    EXPECT_EQ(same.start, Pt(1, 5));
}

TEST(Geometry, SegmentCrossings) {
    tpunkt p;
    EXPECT_TRUE(SegmentIntersection(Seg(0, 0, 10, 10), Seg(0, 10, 10, 0), p));
    EXPECT_EQ(p, Pt(5, 5));
    // Collinear overlapping segments meet at the middle of their overlap.
    EXPECT_TRUE(SegmentIntersection(Seg(0, 0, 10, 0), Seg(5, 0, 20, 0), p));
    EXPECT_EQ(p, Pt(7.5, 0));
    EXPECT_FALSE(SegmentsIntersect(Seg(0, 0, 10, 0), Seg(11, 0, 20, 0)));
    EXPECT_FALSE(SegmentsIntersect(Seg(0, 0, 10, 0), Seg(0, 1, 10, 1)));  // parallel
    // Ends touching count (closed ranges), in either direction of the segments.
    EXPECT_TRUE(SegmentsIntersect(Seg(0, 0, 10, 0), Seg(10, 0, 10, 5)));
    EXPECT_TRUE(SegmentsIntersect(Seg(10, 0, 0, 0), Seg(10, 5, 10, 0)));
    EXPECT_FALSE(SegmentsIntersect(Seg(0, 0, 10, 0), Seg(10, 0.5, 10, 5)));
    // One vertical: its Y range decides.
    EXPECT_TRUE(SegmentIntersection(Seg(5, -5, 5, 5), Seg(0, 0, 10, 2), p));
    EXPECT_EQ(p, Pt(5, 1));
    EXPECT_FALSE(SegmentsIntersect(Seg(5, 2, 5, 5), Seg(0, 0, 10, 2)));
    // Two vertical on the same X: the middle of the Y overlap; on other X: none.
    EXPECT_TRUE(SegmentIntersection(Seg(3, 0, 3, 10), Seg(3, 8, 3, 4), p));
    EXPECT_EQ(p, Pt(3, 6));
    EXPECT_FALSE(SegmentsIntersect(Seg(3, 0, 3, 10), Seg(4, 0, 4, 10)));
    EXPECT_FALSE(SegmentsIntersect(Seg(3, 0, 3, 2), Seg(3, 4, 3, 10)));
    // A zero-length segment meets nothing, not even a segment through it.
    EXPECT_FALSE(SegmentIntersection(Seg(5, 5, 5, 5), Seg(0, 0, 10, 10), p));
    EXPECT_EQ(p, Pt(0, 0));
    // A point far out is brought in by tens.
    EXPECT_TRUE(SegmentIntersection(Seg(0, 0, 4e8, 4e8), Seg(0, 4e8, 4e8, 0), p));
    EXPECT_DOUBLE_EQ(p.X, 2e7);
    EXPECT_DOUBLE_EQ(p.Y, 2e7);
}

TEST(Geometry, LineCrossings) {
    todcinek a = Seg(0, 0, 10, 1), b = Seg(0, 5, 10, 5.04);
    tpunkt out = Pt(-1, -1, -1);
    // Slopes 0.1 and 0.004 apart by less than 0.005: segA's end, Z included.
    a.end.Z = 3;
    LinesIntersection(LineOfSegment(a), LineOfSegment(Seg(0, 5, 10, 5.96)), a, out, b);
    EXPECT_EQ(out, Pt(10, 1, 3));
    LinesIntersection(LineOfSegment(Seg(0, 0, 10, 10)), LineOfSegment(Seg(0, 10, 10, 0)), a, out, b);
    EXPECT_DOUBLE_EQ(out.X, 5);
    EXPECT_DOUBLE_EQ(out.Y, 5);
    // A degenerate line leaves the output alone.
    out = Pt(7, 7, 7);
    LinesIntersection(LineOfSegment(Seg(1, 1, 1, 1)), LineOfSegment(a), a, out, b);
    EXPECT_EQ(out, Pt(7, 7, 7));
    // Two vertical lines: (0, 0) apart, the Y overlap's middle on the same X.
    LinesIntersection(LineOfSegment(Seg(1, 0, 1, 5)), LineOfSegment(Seg(2, 0, 2, 5)), Seg(1, 0, 1, 5), out,
                      Seg(2, 0, 2, 5));
    EXPECT_EQ(out.X, 0);
    EXPECT_EQ(out.Y, 0);
    LinesIntersection(LineOfSegment(Seg(1, 0, 1, 5)), LineOfSegment(Seg(1, 3, 1, 9)), Seg(1, 0, 1, 5), out,
                      Seg(1, 3, 1, 9));
    EXPECT_EQ(out.X, 1);
    EXPECT_EQ(out.Y, 4);
    // One vertical.
    LinesIntersection(LineOfSegment(Seg(4, 0, 4, 5)), LineOfSegment(Seg(0, 1, 10, 21)), Seg(4, 0, 4, 5), out,
                      Seg(0, 1, 10, 21));
    EXPECT_EQ(out.X, 4);
    EXPECT_EQ(out.Y, 9);
}

TEST(Geometry, PointToSegmentDistance) {
    double angle = -1;
    std::int32_t where = -1;
    EXPECT_DOUBLE_EQ(PointSegmentDistance(Pt(5, 3), Seg(0, 0, 10, 0), 0, angle, where), 3);
    EXPECT_EQ(where, 0);
    EXPECT_DOUBLE_EQ(angle, 3 * kPi / 2);
    // Sloped segment: the foot of the perpendicular.
    EXPECT_NEAR(PointSegmentDistance(Pt(0, 2), Seg(0, 0, 2, 2), 0, angle, where), std::sqrt(2.0), 1e-12);
    EXPECT_EQ(where, 0);
    // Beyond the end: the end, or 3 when the foot lies further than the tolerance + 1.
    EXPECT_DOUBLE_EQ(PointSegmentDistance(Pt(12, 0), Seg(0, 0, 10, 0), 5, angle, where), 2);
    EXPECT_EQ(where, 2);
    EXPECT_DOUBLE_EQ(angle, kPi);
    EXPECT_DOUBLE_EQ(PointSegmentDistance(Pt(12, 0), Seg(0, 0, 10, 0), 0.5, angle, where), 2);
    EXPECT_EQ(where, 3);
    EXPECT_DOUBLE_EQ(PointSegmentDistance(Pt(-1, 0), Seg(0, 0, 10, 0), 5, angle, where), 1);
    EXPECT_EQ(where, 1);
    // Vertical segment.
    EXPECT_DOUBLE_EQ(PointSegmentDistance(Pt(3, 5), Seg(0, 0, 0, 10), 0, angle, where), 3);
    EXPECT_EQ(where, 0);
    // Zero-length: distance to the start, outputs untouched.
    angle = 9;
    where = 9;
    EXPECT_DOUBLE_EQ(PointSegmentDistance(Pt(3, 4), Seg(0, 0, 0, 0), 0, angle, where), 5);
    EXPECT_EQ(angle, 9);
    EXPECT_EQ(where, 9);
}

TEST(Geometry, CrossingTestsOnVerticesAndEdges) {
    double off = -1;
    // Half-open: the start X is in, the end X is out, whichever way the segment runs.
    EXPECT_TRUE(CrossingOffset(Seg(0, 0, 10, 10), Pt(0, -3), off));
    EXPECT_EQ(off, 3);
    EXPECT_FALSE(CrossingOffset(Seg(0, 0, 10, 10), Pt(10, 0), off));
    EXPECT_EQ(off, 0);
    EXPECT_TRUE(CrossingOffset(Seg(10, 10, 0, 0), Pt(10, 0), off));
    EXPECT_EQ(off, 10);
    EXPECT_FALSE(CrossingOffset(Seg(10, 10, 0, 0), Pt(0, 0), off));
    EXPECT_FALSE(CrossingOffsetOpen(Seg(0, 0, 10, 10), Pt(0, 0), off));
    EXPECT_FALSE(CrossingOffsetOpen(Seg(0, 0, 10, 10), Pt(10, 0), off));
    EXPECT_TRUE(CrossingOffsetOpen(Seg(0, 0, 10, 10), Pt(4, 1), off));
    EXPECT_EQ(off, 3);
    // Vertical and zero-length edges never count.
    EXPECT_FALSE(CrossingOffset(Seg(5, 0, 5, 10), Pt(5, 1), off));
    EXPECT_FALSE(CrossingOffset(Seg(5, 5, 5, 5), Pt(5, 1), off));

    // The ray-crossing count: the half-open span counts a vertex that lies on the vertical
    // through the point once, not twice, so the count stays odd inside.
    auto inside = [](const std::vector<tpunkt>& poly, const tpunkt& p) {
        int above = 0;
        for (std::size_t i = 0; i < poly.size(); ++i) {
            double o = 0;
            if (CrossingOffset({poly[i], poly[(i + 1) % poly.size()]}, p, o) && o > 0) ++above;
        }
        return above % 2 == 1;
    };
    const std::vector<tpunkt> triangle = {Pt(0, 0), Pt(10, 10), Pt(20, 0)};
    EXPECT_TRUE(inside(triangle, Pt(10, 5)));  // below the apex
    EXPECT_FALSE(inside(triangle, Pt(10, 12)));
    EXPECT_TRUE(inside(triangle, Pt(3, 1)));
    const std::vector<tpunkt> square = {Pt(0, 0), Pt(10, 0), Pt(10, 10), Pt(0, 10)};
    EXPECT_TRUE(inside(square, Pt(5, 5)));
    EXPECT_FALSE(inside(square, Pt(5, 12)));
    EXPECT_FALSE(inside(square, Pt(-1, 5)));
    EXPECT_FALSE(inside(square, Pt(11, 5)));
    // Of the two vertical sides exactly one belongs to the inside.
    EXPECT_NE(inside(square, Pt(0, 5)), inside(square, Pt(10, 5)));
}
