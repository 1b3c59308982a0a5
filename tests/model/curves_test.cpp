#include "model/curves.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/core_error.h"

using namespace vellisk;

TEST(CurvesTest, CramerSolvesAndSingularGivesZero) {
    Triple x;
    // 2a + b = 5, a + 3b = 10, c = 7 (columns are the coefficients of a, b, c)
    SolveCramer3({2, 1, 0}, {1, 3, 0}, {0, 0, 1}, x, {5, 10, 7});
    EXPECT_NEAR(x[0], 1.0, 1e-12);
    EXPECT_NEAR(x[1], 3.0, 1e-12);
    EXPECT_NEAR(x[2], 7.0, 1e-12);
    SolveCramer3({1, 2, 3}, {2, 4, 6}, {0, 0, 1}, x, {1, 1, 1});
    EXPECT_EQ(x, (Triple{0, 0, 0}));
    EXPECT_DOUBLE_EQ(Binomial(12, 6), 924.0);
    EXPECT_THROW(Binomial(13, 2), CoreError);
}

TEST(CurvesTest, CubicThroughCollinearEvenPointsIsStraight) {
    CurveState cs;
    cs.FitCubicThrough4Points({0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, 0, 0.25);
    EXPECT_NEAR(cs.FitParams[1], 1.0 / 3.0, 1e-12);
    EXPECT_NEAR(cs.FitParams[2], 2.0 / 3.0, 1e-12);
    tpunkt p;
    std::vector<double> xs;
    while (cs.NextCubicPoint(p, 3)) {
        EXPECT_NEAR(p.Y, 0.0, 1e-12);
        xs.push_back(p.X);
    }
    ASSERT_EQ(xs.size(), 4u);  // t = 0.25, 0.5, 0.75, 1
    EXPECT_NEAR(xs[1], 1.5, 1e-9);
    EXPECT_NEAR(xs[3], 3.0, 1e-9);
}

TEST(CurvesTest, CubicFitThroughCoincidentPointsCollapsesWithoutNaN) {
    CurveState cs;
    cs.FitCubicThrough4Points({5, 5, 0}, {5, 5, 0}, {5, 5, 0}, {5, 5, 0}, 0, 0.5);
    tpunkt p;
    int count = 0;
    while (cs.NextCubicPoint(p, 3)) {
        EXPECT_EQ(p.X, 5.0);
        EXPECT_EQ(p.Y, 5.0);
        ++count;
    }
    EXPECT_EQ(count, 2);
}

TEST(CurvesTest, BernsteinDegreeTwoGivesInnerPointsOnly) {
    CurveState cs;
    std::vector<tpunkt> cp{{0, 0, 0}, {1, 2, 0}, {2, 0, 0}};
    cs.InitBernsteinCurve(2, 0.25);
    std::vector<tpunkt> pts;
    tpunkt p{0, 0, 7};
    while (cs.NextBernsteinPoint(p, cp, 0)) pts.push_back(p);
    ASSERT_EQ(pts.size(), 3u);
    EXPECT_NEAR(pts[1].X, 1.0, 1e-12);
    EXPECT_NEAR(pts[1].Y, 1.0, 1e-12);
    EXPECT_EQ(pts[1].Z, 7.0);  // the caller's Z stays
    EXPECT_THROW(cs.InitBernsteinCurve(13, 0.1), CoreError);
}

TEST(CurvesTest, DegreeOneBSplineReproducesItsPolygon) {
    CurveState cs;
    std::vector<tpunkt> cp{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}};
    // clamped uniform, degree 1: knots 0 0 1 2 2
    cs.InitBSpline(1, 2, {0, 0, 1, 2, 2}, 0.25);
    std::vector<tpunkt> pts;
    tpunkt p;
    while (cs.NextBSplinePoint(p, cp)) pts.push_back(p);
    ASSERT_EQ(pts.size(), 4u);  // t = 0, 0.5, 1, 1.5; the end itself is not produced
    EXPECT_NEAR(pts[0].X, 0.0, 1e-12);
    EXPECT_NEAR(pts[1].X, 5.0, 1e-12);
    EXPECT_NEAR(pts[2].X, 10.0, 1e-12);
    EXPECT_NEAR(pts[2].Y, 0.0, 1e-12);
    EXPECT_NEAR(pts[3].Y, 5.0, 1e-12);
}

TEST(CurvesTest, CubicBSplineMatchesBernsteinOnOneSpan) {
    // A clamped cubic B-spline with four control points is the Bezier curve over them.
    std::vector<tpunkt> cp{{0, 0, 0}, {1, 3, 0}, {4, 3, 0}, {6, -1, 0}};
    CurveState b, s;
    s.InitBSpline(3, 3, {0, 0, 0, 0, 1, 1, 1, 1}, 0.125);
    b.InitBernsteinCurve(3, 0.125);
    tpunkt ps, pb;
    ASSERT_TRUE(s.NextBSplinePoint(ps, cp));  // t = 0: the first control point
    EXPECT_NEAR(ps.X, 0.0, 1e-12);
    int n = 0;
    while (b.NextBernsteinPoint(pb, cp, 0)) {
        ASSERT_TRUE(s.NextBSplinePoint(ps, cp));
        EXPECT_NEAR(ps.X, pb.X, 1e-9);
        EXPECT_NEAR(ps.Y, pb.Y, 1e-9);
        ++n;
    }
    EXPECT_EQ(n, 7);
    EXPECT_FALSE(s.NextBSplinePoint(ps, cp));
    // The basis sums to one inside the span.
    double sum = 0;
    for (int i = 0; i < 4; ++i) sum += s.BSplineBasis(i, 4, 0.3);
    EXPECT_NEAR(sum, 1.0, 1e-12);
}

TEST(CurvesTest, BSplineRejectsWhatCannotMakeACurve) {
    CurveState cs;
    EXPECT_THROW(cs.InitBSpline(0, 3, {0, 1, 2, 3, 4}, 0.25), CoreError);        // degree 0
    EXPECT_THROW(cs.InitBSpline(3, 2, {0, 0, 0, 0, 1, 1, 1}, 0.25), CoreError);  // too few points
    EXPECT_THROW(cs.InitBSpline(3, 3, {0, 0, 0, 1, 1}, 0.25), CoreError);        // too few knots
    EXPECT_THROW(cs.InitBSpline(1, 2, {0, 2, 1, 2, 2}, 0.25), CoreError);        // descending
    std::vector<double> many(600, 0.0);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<double>(i);
    EXPECT_THROW(cs.InitBSpline(3, 498, many, 0.25), CoreError);  // > 501 knots
}

TEST(CurvesTest, BezierSegmentRoundTripAndPointAt) {
    CurveState cs;
    tpunkt p0{0, 0, 0}, p1{1, 2, 1}, p2{3, 2, 2}, p3{4, 0, 3};
    cs.SetBezierCubic(p0, p1, p2, p3, 0.1);
    BezierSegmentRecord seg;
    cs.CubicToBezier(seg);
    EXPECT_NEAR(seg.P1.X, 1.0, 1e-12);
    EXPECT_NEAR(seg.P2.Y, 2.0, 1e-12);
    EXPECT_NEAR(seg.P2.Z, 2.0, 1e-12);
    EXPECT_EQ(seg.P3, p3);
    tpunkt q;
    EXPECT_TRUE(cs.CubicPointAt(q, 0.5));
    EXPECT_NEAR(q.X, 2.0, 1e-12);
    EXPECT_NEAR(q.Y, 1.5, 1e-12);
    EXPECT_FALSE(cs.CubicPointAt(q, 1.0));
    EXPECT_FALSE(cs.CubicPointAt(q, 0.99999));  // within 0.01 of the end point
}

TEST(CurvesTest, LengthAndDistance) {
    CurveState cs;
    BezierSegmentRecord straight{{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}, 0};
    EXPECT_NEAR(cs.CubicLength(straight), 30.0, 1e-6);
    BezierSegmentRecord loop{{0, 0, 0}, {10, 10, 0}, {-10, 10, 0}, {0, 0, 0}, 0};
    EXPECT_EQ(cs.CubicLength(loop), 0.0);
    BezierSegmentRecord arc{{0, 0, 0}, {0, 50, 0}, {100, 50, 0}, {100, 0, 0}, 0};
    double len = cs.CubicLength(arc);
    EXPECT_GT(len, 135.0);
    EXPECT_LT(len, 145.0);
    cs.SetBezierCubic(arc.P0, arc.P1, arc.P2, arc.P3, 0.01);
    tpunkt on;
    cs.CubicPointAt(on, 0.3);
    EXPECT_NEAR(cs.DistanceToCubic(on, arc), 0.0, 0.05);
    EXPECT_NEAR(cs.DistanceToCubic({50, 47.5, 0}, arc), 10.0, 0.05);  // apex at (50, 37.5)
}

TEST(CurvesTest, BSplineWalkAgreesWithTheBasisEverywhere) {
    // Non-uniform knots with a repeated inner knot, degree 2 and degree 3.
    std::vector<tpunkt> cp{{0, 0, 0}, {2, 5, 0}, {4, -1, 0}, {7, 3, 0}, {9, 9, 0}, {12, 0, 0}, {15, 4, 0}};
    for (int degree : {2, 3}) {
        std::vector<double> knots{0, 0.5, 1, 1.5, 3, 3, 4, 6, 6.5, 7, 9, 10};
        CurveState cs;
        cs.InitBSpline(degree, 6, knots, 0.02);
        tpunkt p;
        int count = 0;
        while (true) {
            double t = cs.T;
            if (!cs.NextBSplinePoint(p, cp)) break;
            double x = 0, y = 0;
            for (int i = 0; i <= 6; ++i) {
                double b = cs.BSplineBasis(i, degree + 1, t);
                x += cp[i].X * b;
                y += cp[i].Y * b;
            }
            EXPECT_NEAR(p.X, x, 1e-12) << degree << " " << t;
            EXPECT_NEAR(p.Y, y, 1e-12) << degree << " " << t;
            ++count;
        }
        EXPECT_EQ(count, 50);
    }
}
