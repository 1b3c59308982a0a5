#include "drawing_window/offset_contour.h"
#include "drawing_window/run_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace vellisk {
namespace {

tfigura Closed(std::vector<std::pair<double, double>> pts, int level, int direction) {
    tfigura f;
    for (auto [x, y] : pts) f.Contour.push_back(tpunkt{x, y, 0});
    f.Contour.push_back(f.Contour.front());
    f.Level = level;
    f.Direction = direction;
    return f;
}

// Clockwise square (Y up) of side 10000.
tfigura SquareCw(int level, int direction) {
    return Closed({{0, 0}, {0, 10000}, {10000, 10000}, {10000, 0}}, level, direction);
}

double DistToSquareBorder(const tpunkt& p) {
    // Signed distance from the square [0,10000]^2: positive outside.
    const double dx = std::max(-p.X, p.X - 10000);
    const double dy = std::max(-p.Y, p.Y - 10000);
    if (dx > 0 || dy > 0) return std::hypot(std::max(dx, 0.0), std::max(dy, 0.0));
    return std::max(dx, dy);
}

double DistToContour(const tpunkt& p, const std::vector<tpunkt>& c) {
    double best = 1e300;
    for (std::size_t i = 0; i + 1 < c.size(); ++i) {
        const double ax = c[i].X, ay = c[i].Y, bx = c[i + 1].X, by = c[i + 1].Y;
        const double len2 = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
        double t = len2 > 0 ? ((p.X - ax) * (bx - ax) + (p.Y - ay) * (by - ay)) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(p.X - ax - t * (bx - ax), p.Y - ay - t * (by - ay)));
    }
    return best;
}

OffsetOptions Radius(int r, bool negative = false) {
    OffsetOptions o;
    o.radius = r;
    o.negative = negative;
    return o;
}

TEST(OffsetContour, OuterSquareGetsRoundedCornersOutside) {
    tfigura f = SquareCw(0, 1);
    OffsetContour(f, Radius(1000));
    ASSERT_GE(f.CutPath.size(), 5u);
    EXPECT_EQ(f.CutPath.front(), f.CutPath.back());
    int onArc = 0;
    for (const auto& p : f.CutPath) {
        EXPECT_NEAR(DistToSquareBorder(p), 1000.0, 1.0) << p.X << "," << p.Y;
        if (p.X < -1 && p.Y < -1) ++onArc;  // strictly in the corner region round (0,0)
        if (p.X < 0 && p.Y < 0) {
            EXPECT_NEAR(std::hypot(p.X, p.Y), 1000.0, 0.8);
        }
    }
    // Quarter arc of 32 steps: 31 inner points at each corner.
    EXPECT_EQ(onArc, 31);
    // 4 corners x (31 arc points + 2 ends), closing point repeated.
    EXPECT_EQ(f.CutPath.size(), 4u * 33u + 1u);
    for (std::size_t i = 1; i < f.CutPath.size(); ++i) {
        const double d = std::hypot(f.CutPath[i].X - f.CutPath[i - 1].X, f.CutPath[i].Y - f.CutPath[i - 1].Y);
        EXPECT_GT(d, 3.0);
    }
}

TEST(OffsetContour, SmallRadiusDropsArcPointsCloserThanThreeUnits) {
    tfigura f = SquareCw(0, 1);
    OffsetContour(f, Radius(10));
    ASSERT_GE(f.CutPath.size(), 5u);
    for (std::size_t i = 1; i < f.CutPath.size(); ++i) {
        const double d = std::hypot(f.CutPath[i].X - f.CutPath[i - 1].X, f.CutPath[i].Y - f.CutPath[i - 1].Y);
        EXPECT_GT(d, 3.0);
    }
    for (const auto& p : f.CutPath) EXPECT_NEAR(DistToSquareBorder(p), 10.0, 0.6);
    // Each quarter arc is about 15.7 units long: at most a few points survive.
    EXPECT_LE(f.CutPath.size(), 4u * 7u + 1u);
}

TEST(OffsetContour, HoleGetsCrossingPointsInside) {
    tfigura f = Closed({{0, 0}, {10000, 0}, {10000, 10000}, {0, 10000}}, 1, -1);
    OffsetContour(f, Radius(1000));
    ASSERT_EQ(f.CutPath.size(), 5u);
    EXPECT_EQ(f.CutPath.front(), f.CutPath.back());
    for (std::size_t i = 0; i + 1 < f.CutPath.size(); ++i) {
        const auto& p = f.CutPath[i];
        EXPECT_NEAR(std::fabs(p.X - 5000), 4000, 1e-6);
        EXPECT_NEAR(std::fabs(p.Y - 5000), 4000, 1e-6);
    }
}

TEST(OffsetContour, NegativeSwapsTheSide) {
    tfigura f = SquareCw(0, 1);
    OffsetContour(f, Radius(1000, true));
    ASSERT_EQ(f.CutPath.size(), 5u);
    for (const auto& p : f.CutPath) EXPECT_NEAR(DistToSquareBorder(p), -1000.0, 1e-6);
}

TEST(OffsetContour, SmallTurnIsJoinedByOneBisectorPoint) {
    // A long flat triangle-ish outline with a 0.5 rad corner at (10000, 500) seen from outside.
    tfigura f = Closed({{0, 0}, {0, 2000}, {5000, 2000}, {10000, 4500}, {10000, 0}}, 0, 1);
    OffsetContour(f, Radius(100));
    // The corner at (5000, 2000) turns by atan(0.5) < 1 rad: a single point on the bisector,
    // 100 / cos(turn/2) from the vertex.
    const double half = std::atan(0.5) / 2;
    const double expect = 100 / std::cos(half);
    int near = 0;
    for (const auto& p : f.CutPath) {
        const double d = std::hypot(p.X - 5000, p.Y - 2000);
        if (d < 300) {
            ++near;
            EXPECT_NEAR(d, expect, 0.01);
        }
    }
    EXPECT_EQ(near, 1);
}

TEST(OffsetContour, NarrowSlotCollapsesToTheCrossing) {
    // A hole (counter-clockwise at level 1) with a slot 100 wide, offset by 100: the path may
    // not enter the slot, so its loop collapses and no path point lies in the slot.
    tfigura f = Closed(
        {{0, 0}, {4000, 0}, {4000, 4000}, {2050, 4000}, {2050, 8000}, {1950, 8000}, {1950, 4000}, {0, 4000}}, 1, -1);
    OffsetContour(f, Radius(100));
    ASSERT_FALSE(f.CutPath.empty());
    EXPECT_EQ(f.CutPath.front(), f.CutPath.back());
    // The arcs round the two slot corners meet at (2000, 4000 - sqrt(100^2 - 50^2)).
    bool reachesMeet = false;
    for (const auto& p : f.CutPath) {
        EXPECT_LE(p.Y, 3914.0) << p.X << "," << p.Y;
        EXPECT_GE(DistToContour(p, f.Contour), 97.0) << p.X << "," << p.Y;
        if (std::hypot(p.X - 2000, p.Y - 3913.4) < 5) reachesMeet = true;
    }
    EXPECT_TRUE(reachesMeet);
}

TEST(OffsetContour, OpenFigureAndAllEqualContour) {
    tfigura open;
    open.Open = true;
    open.Contour = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}};
    open.CutPath = {{7, 7}};
    OffsetContour(open, Radius(10));
    ASSERT_EQ(open.CutPath.size(), 1u);
    EXPECT_EQ(open.CutPath[0].X, 7);

    tfigura same = Closed({{5, 5}, {5, 5}, {5, 5}}, 0, 1);
    same.CutPath = {{1, 1}};
    OffsetContour(same, Radius(10));
    EXPECT_TRUE(same.CutPath.empty());
    tfigura empty;
    OffsetContour(empty, Radius(10));
    EXPECT_TRUE(empty.CutPath.empty());
}

TEST(OffsetContour, ContourIsThinnedInPlace) {
    tfigura f = Closed({{0, 0}, {1, 1}, {0, 2}, {0, 10000}, {10000, 10000}, {10000, 0}}, 0, 1);
    OffsetContour(f, Radius(100));
    EXPECT_EQ(f.Contour.size(), 5u);
}

// Random and self-crossing polygons at several radii: the clean-up always finishes and leaves
// a closed path.
TEST(OffsetContour, RandomAndSelfCrossingPolygonsFinish) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> coord(-5000, 5000);
    for (int t = 0; t < 200; ++t) {
        std::vector<std::pair<double, double>> pts;
        const int count = 3 + t % 17;
        for (int i = 0; i < count; ++i) pts.emplace_back(std::round(coord(rng)), std::round(coord(rng)));
        tfigura f = Closed(pts, t % 3, (t % 2) ? 1 : -1);
        OffsetContour(f, Radius(50 + (t % 7) * 300));
        if (!f.CutPath.empty()) {
            EXPECT_EQ(f.CutPath.front(), f.CutPath.back());
        }
    }
}

// Most paths have nothing flagged and skip the loop search; the search run over them anyway
// must change nothing. Star-shaped, convex, thin and self-crossing outlines, both sides, radii
// from well below to well above their size.
TEST(OffsetContour, SkippedLoopSearchGivesTheSamePath) {
    std::mt19937 rng(20261209);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int t = 0; t < 1500; ++t) {
        std::vector<std::pair<double, double>> pts;
        const int count = 3 + t % 29;
        const double size = 200 + 20000 * unit(rng), wobble = (t % 4) * 0.2 * unit(rng);
        const double squash = t % 5 == 0 ? 0.05 : 1.0;
        for (int i = 0; i < count; ++i) {
            const double a = -2 * 3.141592653589793 * (i + (t % 3 == 0 ? 0.4 * unit(rng) : 0.0)) / count;
            const double rad = size * (1.0 - wobble * unit(rng));
            pts.emplace_back(std::round(rad * std::cos(a)), std::round(squash * rad * std::sin(a)));
        }
        if (t % 11 == 0) std::swap(pts[0], pts[count / 2]);  // crossing itself
        const int radius = static_cast<int>(1 + size * 0.4 * unit(rng) * unit(rng));
        tfigura fast = Closed(pts, t % 2, t % 3 == 1 ? 1 : -1);
        tfigura full = fast;
        OffsetOptions o = Radius(radius, t % 7 == 0);
        OffsetContour(fast, o);
        o.alwaysSearch = true;
        OffsetContour(full, o);
        ASSERT_EQ(fast.CutPath, full.CutPath) << "polygon " << t;
        ASSERT_EQ(fast.Contour, full.Contour);
    }
}

// The run boxes hand over every item whose own box lies within reach of the query (more may
// come, never fewer), over several levels of the tree and a last run that is not full.
TEST(RunBoxes, HandOverEveryItemWithinReach) {
    std::vector<tpunkt> c;
    for (int i = 0; i < 1237; ++i) {
        const double a = i * 0.05, rad = 100 + 3 * i;
        c.push_back(tpunkt{rad * std::cos(a), rad * std::sin(a), 0});
    }
    auto boxOf = [&](int i) {
        const tpunkt& p = c[i];
        const tpunkt& q = c[(i + 1) % c.size()];
        return RunBoxes::Box{std::min(p.X, q.X), std::min(p.Y, q.Y), std::max(p.X, q.X), std::max(p.Y, q.Y)};
    };
    RunBoxes runs;
    runs.Build(static_cast<int>(c.size()), boxOf);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-4500, 4500), reach(0, 400);
    for (int t = 0; t < 300; ++t) {
        const double x = coord(rng), y = coord(rng), r = reach(rng);
        const RunBoxes::Box q{x, y, x + (t % 3) * 50.0, y + (t % 2) * 80.0};
        std::set<int> handed;
        EXPECT_FALSE(runs.Any(q, r, [&](int i) { return !handed.insert(i).second; }));  // each once
        for (int i = 0; i < static_cast<int>(c.size()); ++i) {
            const RunBoxes::Box b = boxOf(i);
            const double dx = std::max({b.minX - q.maxX, q.minX - b.maxX, 0.0});
            const double dy = std::max({b.minY - q.maxY, q.minY - b.maxY, 0.0});
            if (dx * dx + dy * dy <= r * r) {
                ASSERT_TRUE(handed.count(i)) << "item " << i << ", query " << t;
            }
        }
        if (!handed.empty()) {
            const int wanted = *handed.rbegin();
            EXPECT_TRUE(runs.Any(q, r, [&](int i) { return i == wanted; }));
        }
    }
    EXPECT_FALSE(runs.Any(RunBoxes::Box{0, 0, 0, 0}, -1.0, [](int) { return true; }));
}

}  // namespace
}  // namespace vellisk
