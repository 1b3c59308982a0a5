// Property test: our tool-centre path against an independent polygon offset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "drawing_window/offset_contour.h"

#ifdef VELLISK_HAVE_POLYCLIPPING
#include <clipper.hpp>

namespace vellisk {
namespace {

double SegDist(const tpunkt& p, double ax, double ay, double bx, double by) {
    const double len2 = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
    double t = len2 > 0 ? ((p.X - ax) * (bx - ax) + (p.Y - ay) * (by - ay)) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.X - ax - t * (bx - ax), p.Y - ay - t * (by - ay));
}

double DistToPaths(const tpunkt& p, const ClipperLib::Paths& paths) {
    double best = 1e300;
    for (const auto& path : paths) {
        for (std::size_t i = 0; i < path.size(); ++i) {
            const auto& a = path[i];
            const auto& b = path[(i + 1) % path.size()];
            best = std::min(best, SegDist(p, static_cast<double>(a.X), static_cast<double>(a.Y),
                                          static_cast<double>(b.X), static_cast<double>(b.Y)));
        }
    }
    return best;
}

template <class Point>
double ShoelaceArea(const std::vector<Point>& pts) {
    double a = 0;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) a += pts[i].X * pts[i + 1].Y - pts[i + 1].X * pts[i].Y;
    return a / 2;
}

// A simple star-shaped polygon round the origin: sorted angles, random radii. With `convex`
// the radii are all equal, which gives a convex polygon.
std::vector<tpunkt> RandomPolygon(std::mt19937& rng, bool convex) {
    std::uniform_int_distribution<int> countDist(5, 24);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int count = countDist(rng);
    std::vector<double> angles;
    for (int i = 0; i < count; ++i) angles.push_back(unit(rng) * 2 * std::numbers::pi);
    std::sort(angles.begin(), angles.end());
    // Keep the angular gaps moderate so that no spike is thinner than the tool.
    std::vector<tpunkt> pts;
    double last = -1;
    for (double a : angles) {
        if (last >= 0 && a - last < 0.12) continue;
        last = a;
        const double radius = convex ? 20000.0 : 12000.0 + unit(rng) * 8000.0;
        pts.push_back({std::round(radius * std::cos(a)), std::round(radius * std::sin(a)), 0});
    }
    if (pts.size() >= 3 && (2 * std::numbers::pi - last + std::atan2(pts[0].Y, pts[0].X) -
                            (std::atan2(pts[0].Y, pts[0].X) < 0 ? -2 * std::numbers::pi : 0)) < 0.12) {
        pts.pop_back();
    }
    return pts;  // counter-clockwise
}

struct Case {
    bool convex;
    bool clockwise;
    bool hole;
};

// Splits every edge into pieces of about `step` units (long contours use a spatial index).
std::vector<tpunkt> Densify(const std::vector<tpunkt>& poly, double step) {
    std::vector<tpunkt> out;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const tpunkt& a = poly[i];
        const tpunkt& b = poly[(i + 1) % poly.size()];
        const int pieces = std::max(1, static_cast<int>(std::hypot(b.X - a.X, b.Y - a.Y) / step));
        for (int k = 0; k < pieces; ++k) {
            out.push_back({std::round(a.X + (b.X - a.X) * k / pieces), std::round(a.Y + (b.Y - a.Y) * k / pieces), 0});
        }
    }
    return out;
}

void CompareWithReference(int seed, int cases, double densify, int minCompared);

TEST(OffsetReference, AgreesWithAnIndependentPolygonOffset) { CompareWithReference(20261208, 160, 0, 100); }

TEST(OffsetReference, LongContoursAgreeToo) { CompareWithReference(99, 10, 40.0, 5); }

void CompareWithReference(int seed, int cases, double densify, int minCompared) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> radiusDist(50, 3000);
    int compared = 0;
    for (int t = 0; t < cases; ++t) {
        const Case c{t % 2 == 0, (t / 2) % 2 == 0, (t / 4) % 2 == 0};
        std::vector<tpunkt> poly = RandomPolygon(rng, c.convex);
        if (poly.size() < 3) continue;
        if (densify > 0) poly = Densify(poly, densify);
        if (c.clockwise) std::reverse(poly.begin(), poly.end());
        const int r = radiusDist(rng);

        tfigura f;
        f.Contour = poly;
        f.Contour.push_back(poly.front());
        // Outer contours at level 0, holes at level 1; direction +1 is clockwise.
        f.Level = c.hole ? 1 : 0;
        f.Direction = c.clockwise ? 1 : -1;
        OffsetOptions o;
        o.radius = r;
        OffsetContour(f, o);
        ASSERT_GE(f.CutPath.size(), 4u) << "case " << t;
        ASSERT_EQ(f.CutPath.front(), f.CutPath.back());

        ClipperLib::Path in;
        for (const auto& p : poly)
            in.emplace_back(static_cast<ClipperLib::cInt>(p.X), static_cast<ClipperLib::cInt>(p.Y));
        ClipperLib::ClipperOffset off;
        off.ArcTolerance = 0.05;
        off.AddPath(in, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
        ClipperLib::Paths ref;
        off.Execute(ref, c.hole ? -r : r);
        if (ref.size() != 1) continue;  // the reference split the shape: not comparable
        ++compared;

        // Every point lies on the reference offset: arc points are rounded to whole units and
        // the chord of a 1/128 turn sags by r(1 - cos(pi/128)). A corner turning by 1 radian or
        // less is joined by one point on the bisector, which stands off the rounded reference
        // by at most r(1/cos(0.5) - 1); no point comes closer to the contour than r.
        const double chordSag = r * (1 - std::cos(std::numbers::pi / 128));
        const double pointTol = 2.0 + chordSag;  // both sides round to whole units
        // The clean-up accepts a point up to 4 units closer to the contour than r.
        constexpr double kClearance = 4.0;
        const double miter = r * (1 / std::cos(0.5) - 1);
        std::vector<tpunkt> closed = poly;
        closed.push_back(poly.front());
        for (const auto& p : f.CutPath) {
            double toContour = 1e300;
            for (std::size_t i = 0; i + 1 < closed.size(); ++i) {
                toContour = std::min(toContour, SegDist(p, closed[i].X, closed[i].Y, closed[i + 1].X, closed[i + 1].Y));
            }
            ASSERT_GE(toContour, r - pointTol - kClearance)
                << "case " << t << " r " << r << " at " << p.X << "," << p.Y;
            ASSERT_LE(toContour, r + miter + pointTol) << "case " << t << " r " << r << " at " << p.X << "," << p.Y;
            const double allowed = std::max(0.0, toContour - r) + pointTol + (toContour < r ? kClearance : 0.0);
            ASSERT_LE(DistToPaths(p, ref), allowed)
                << "case " << t << " r " << r << " at " << p.X << "," << p.Y << " from contour " << toContour;
        }
        // Areas agree within a band of the chord's sag (plus the whole-unit rounding and the
        // 3-unit thinning) along the perimeter.
        double perimeter = 0;
        for (std::size_t i = 0; i + 1 < f.CutPath.size(); ++i) {
            perimeter += std::hypot(f.CutPath[i + 1].X - f.CutPath[i].X, f.CutPath[i + 1].Y - f.CutPath[i].Y);
        }
        const double ours = std::fabs(ShoelaceArea(f.CutPath));
        const double theirs = std::fabs(ClipperLib::Area(ref[0]));
        EXPECT_NEAR(ours, theirs, perimeter * (chordSag + 1.5) + poly.size() * 0.05 * r * r)
            << "case " << t << " r " << r;
    }
    EXPECT_GE(compared, minCompared);
}

}  // namespace
}  // namespace vellisk

#else
TEST(OffsetReference, AgreesWithAnIndependentPolygonOffset) {
    GTEST_SKIP() << "the reference polygon offset library (polyclipping) is not installed";
}
#endif
