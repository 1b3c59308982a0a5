// Bezier smoothing of tool paths: runs and corners, the fit's tolerance, tangent alignment,
// the ramped copy, and a job written with smoothing on.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "drawing_files/job_decoder.h"
#include "drawing_window/bezier_fit.h"
#include "drawing_window/project_io.h"
#include "drawing_window/project_test_support.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

tfigura PathFigure(std::vector<tpunkt> points, bool open) {
    tfigura f;
    f.CutPath = test::PlanPoints(points);
    f.Contour = std::move(points);
    f.Open = open;
    return f;
}

std::vector<tpunkt> Circle(double r, int n) {
    std::vector<tpunkt> pts;
    for (int i = 0; i <= n; ++i) {
        const double a = 2.0 * std::numbers::pi * (i % n) / n;
        pts.push_back({r * std::cos(a), r * std::sin(a), 0.0});
    }
    return pts;
}

TEST(BezierFit, TwoAndThreePointRuns) {
    std::vector<tpunkt> path{{0, 0, 0}, {300, 0, 0}, {300, 300, 5}};
    BezierSegmentRecord seg;
    EXPECT_EQ(PrzyblizSegment(path, 0, 1, seg), 0.0);
    EXPECT_TRUE(seg.Straight);
    EXPECT_DOUBLE_EQ(seg.P1.X, 100.0);
    EXPECT_DOUBLE_EQ(seg.P2.X, 200.0);
    EXPECT_EQ(seg.P3, (tpunkt{300, 0, 0}));
    EXPECT_EQ(PrzyblizSegment(path, 0, 2, seg), 0.0);
    EXPECT_FALSE(seg.Straight);
    EXPECT_EQ(seg.P1, (tpunkt{300, 0, 0}));
    EXPECT_EQ(seg.P2, seg.P1);
    EXPECT_EQ(seg.P3.Z, 0.0);  // heights are left to the ramp
}

TEST(BezierFit, SquareGivesFourStraightSegmentsWithCorners) {
    tfigura f = PathFigure({{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}, {0, 0, 0}}, false);
    PrzyblizFigure(f, KindDxf);
    ASSERT_EQ(f.BezierSegments.size(), 4u);
    for (const auto& s : f.BezierSegments) {
        EXPECT_TRUE(s.Straight);
        EXPECT_FALSE(s.SmoothJoin);
        EXPECT_FALSE(s.RatioBreak);
    }
    EXPECT_EQ(f.BezierSegments[2].P0, (tpunkt{1000, 1000, 0}));
}

TEST(BezierFit, SampledCircleGivesFewSmoothSegmentsWithinTheTolerance) {
    tfigura f = PathFigure(Circle(2000.0, 720), false);  // 20 mm radius in DXF units
    PrzyblizFigure(f, KindDxf);
    const auto& segs = f.BezierSegments;
    ASSERT_GE(segs.size(), 2u);
    EXPECT_LE(segs.size(), 8u);
    std::size_t s = 0;
    for (const auto& seg : segs) {
        EXPECT_TRUE(seg.SmoothJoin);
        // Each segment's run: the path points from its start to its end.
        std::size_t q = s + 1;
        while (q < f.CutPath.size() && !(SamePoint(f.CutPath[q], seg.P3) && q > s)) ++q;
        ASSERT_LT(q, f.CutPath.size());
        EXPECT_LE(BezierMaxDeviation(seg, test::Points3D(f.CutPath), s, q), 5.0);  // 0.05 mm
        s = q;
    }
    EXPECT_EQ(s, f.CutPath.size() - 1);
    Wygladz(f);
    for (std::size_t i = 0; i < segs.size(); ++i) {
        const auto& a = segs[i];
        const auto& b = segs[(i + 1) % segs.size()];
        EXPECT_GT(VertexAngleCos(a.P2, b.P0, b.P1), 0.9999) << i;  // tangents in one line
    }
    DobierzU(f, 1.0);  // one motor step of 0.01 mm
    for (const auto& seg : segs) {
        EXPECT_GT(seg.ParameterStep, 0.0f);
        EXPECT_LT(seg.ParameterStep, 0.1f);
        EXPECT_GT(seg.Length, 0.0);
    }
}

TEST(BezierFit, LegThreeTimesLongerEndsTheRunAsARatioBreak) {
    tfigura f = PathFigure({{0, 0, 0}, {100, 0, 0}, {200, 0, 0}, {1000, 0, 0}, {1100, 0, 0}}, true);
    PrzyblizFigure(f, KindDxf);
    ASSERT_GE(f.BezierSegments.size(), 2u);
    EXPECT_EQ(f.BezierSegments[0].P3, (tpunkt{200, 0, 0}));
    EXPECT_TRUE(f.BezierSegments[0].SmoothJoin);
    EXPECT_TRUE(f.BezierSegments[0].RatioBreak);
}

TEST(BezierFit, RampedCopyAndItsHeights) {
    Settings settings;
    settings.SetNumber("grubosc", 10.0);
    settings.SetNumber("ponad_stol", 0.0);
    settings.SetNumber("Glebokosc", 3.0);
    BezierMachine milling;
    milling.kind = KindDxf;
    tfigura square = PathFigure({{0, 0, 0}, {1000, 0, 0}, {1000, 1000, 0}, {0, 1000, 0}, {0, 0, 0}}, false);
    square.CutLength = 40.0;
    PrzyblizFigure(square, KindDxf);
    DobierzU(square, 1.0);
    square.PathLength = 4000.0;

    // A pitch of 100 mm or more: a single lap at depth.
    settings.SetNumber("skok", 100.0);
    UtworzSpiraleBezier(square, settings, milling, 3.0);
    ASSERT_EQ(square.RampedBezierPath.size(), 4u);
    for (const auto& s : square.RampedBezierPath) {
        EXPECT_DOUBLE_EQ(s.P0.Z, 700.0);  // 7 mm in DXF units
        EXPECT_DOUBLE_EQ(s.P3.Z, 700.0);
    }
    EXPECT_EQ(square.CutLength, 0.0);

    // A pitch of 1 mm: three laps down from the top, then a full lap at depth.
    settings.SetNumber("skok", 1.0);
    UtworzSpiraleBezier(square, settings, milling, 3.0);
    ASSERT_EQ(square.RampedBezierPath.size(), 12u + 4u);
    EXPECT_DOUBLE_EQ(square.RampedBezierPath.front().P0.Z, 1000.0);
    EXPECT_DOUBLE_EQ(square.RampedBezierPath.front().P3.Z, 975.0);
    EXPECT_DOUBLE_EQ(square.RampedBezierPath.front().P1.Z, 987.5);
    EXPECT_DOUBLE_EQ(square.RampedBezierPath[11].P3.Z, 700.0);
    EXPECT_DOUBLE_EQ(square.RampedBezierPath.back().P0.Z, 700.0);

    // A path without length cannot descend: down at once instead of circling for ever.
    square.PathLength = 0.0;
    UtworzSpiraleBezier(square, settings, milling, 3.0);
    EXPECT_EQ(square.RampedBezierPath.size(), 4u);

    // The reversed-Z laser: the curve at the height its straight moves are sent at.
    BezierMachine laser = milling;
    laser.Laser = laser.ZReversed = true;
    UtworzSpiraleBezier(square, settings, laser, 3.0);
    ASSERT_EQ(square.RampedBezierPath.size(), 4u);
    EXPECT_DOUBLE_EQ(square.RampedBezierPath.front().P0.Z, -1000.0);

    // An open figure gets segments but no ramped copy.
    tfigura line = PathFigure({{0, 0, 0}, {500, 0, 0}, {500, 500, 0}}, true);
    line.CutLength = 10.0;
    PrzyblizFigure(line, KindDxf);
    EXPECT_EQ(line.BezierSegments.size(), 2u);
    UtworzSpiraleBezier(line, settings, milling, 3.0);
    EXPECT_TRUE(line.RampedBezierPath.empty());
    EXPECT_EQ(line.CutLength, 0.0);
}

// The job of a drawing on the newer controller with firmware 550 and smoothing on.
std::string SmoothedJob(const std::vector<test::FigureSpec>& figures, int firmware) {
    test::TempDir tmp;
    Settings settings;
    settings.SetFlag("wygladzanie", true);
    test::MachineRig machine;
    test::RecordingNotifier n;
    machine.ctx.PlotState.Model = "PRV";
    machine.ctx.FirmwareVersion = firmware;
    SelectMachineModel(machine.ctx, machine.env, n);
    Project p(KindDxf, settings, machine.ctx, machine.env, machine.jobValues, n);
    test::ListInput input(figures);
    EXPECT_EQ(p.Load("drawing.dxf", input).status, LoadStatus::Ok);
    JobFileWriter writer(machine.ctx, machine.jobValues, settings, OutputStream);
    p.Save((tmp / "out.cnx").string(), 0, p.Count() - 1, writer);
    return JobListing(test::ReadFileBytes(tmp / "out.cnx"), machine.ctx.CommandLengths.Entries());
}

TEST(BezierFit, JobWithSmoothingStillCutsOpenFigures) {
    const std::vector<test::FigureSpec> open{{{{0, 0}, {3000, 0}, {3000, 2000}}, 1, 0.0}};
    const std::string smoothed = SmoothedJob(open, 551);
    EXPECT_EQ(smoothed.find("sW"), std::string::npos);
    // Cut exactly as without curved moves.
    EXPECT_EQ(smoothed, SmoothedJob(open, 500));

    // A closed figure goes out as curves.
    const std::string closed = SmoothedJob({test::Rect(0, 0, 3000, 2000)}, 551);
    EXPECT_NE(closed.find("sWA"), std::string::npos);
}

}  // namespace
}  // namespace vellisk
