#include "drawing_window/tool_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "drawing_window/offset_contour.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

// HPGL: 40 units per mm.
constexpr double kUnits = 40.0;

struct Fixture {
    Settings settings;
    ToolPathMachine machine;
    ToolPathWindow window;
    test::RecordingNotifier notifier;
    std::vector<std::unique_ptr<tfigura>> owned;
    std::vector<tfigura*> figures;

    Fixture() {
        machine.kind = KindHpgl;
        settings.SetFlag("doOutline", false);
        settings.SetFlag("polerowanie", false);
        settings.SetFlag("grawer3d", false);
        settings.SetNumber("grubosc", 10);
        settings.SetNumber("ponad_stol", 0.5);
        settings.SetNumber("Glebokosc", 5);
        settings.SetNumber("nadmat", 5);
        settings.SetNumber("skala", 100);
        settings.SetChoice("ProjektType", 0);
    }
    tfigura& Add(std::vector<tpunkt> pts, bool open) {
        owned.push_back(std::make_unique<tfigura>());
        tfigura& f = *owned.back();
        f.Contour = std::move(pts);
        f.Open = open;
        f.Direction = open ? 0 : 1;
        figures.push_back(&f);
        return f;
    }
    tfigura& Square(double side, double x0 = 0, double y0 = 0) {
        return Add({{x0, y0, 0}, {x0, y0 + side, 0}, {x0 + side, y0 + side, 0}, {x0 + side, y0, 0}, {x0, y0, 0}},
                   false);
    }
    // Prepares the figures; each figure's 3-D path is then made on demand into its ToolPath3D,
    // as the job writer gets it.
    void Run() {
        AddOutline(figures, window, settings, machine, notifier);
        for (tfigura* f : figures)
            if (f->ToolPathOnDemand) MakeToolPath3D(f->ToolPath3D, *f, window.Recipe);
    }
};

constexpr double kTop = 10.5 * kUnits;
constexpr double kDepth = 5.5 * kUnits;

TEST(ToolPath3D, ClosedRampDescendsOverTwoAndAHalfLapsThenOneLapAtDepth) {
    Fixture fx;
    fx.machine.PlungePitch = 2.0;
    tfigura& f = fx.Square(1000);
    fx.Run();
    const auto& p = f.ToolPath3D;
    // 2.5 laps of 4 sides end exactly on a corner: 11 ramp points, then 4 more round the lap.
    ASSERT_EQ(p.size(), 15u);
    EXPECT_DOUBLE_EQ(p[0].Z, kTop);
    for (std::size_t i = 1; i < p.size(); ++i) EXPECT_LE(p[i].Z, p[i - 1].Z + 1e-9);
    EXPECT_NEAR(p[10].Z, kDepth, 0.0001 * kUnits);
    EXPECT_GT(p[9].Z, kDepth + 1);
    // After 2.5 laps the ramp stands at the opposite corner; the lap returns there.
    EXPECT_EQ(p[10].X, 1000);
    EXPECT_EQ(p[10].Y, 1000);
    EXPECT_EQ(p[14].X, p[10].X);
    EXPECT_EQ(p[14].Y, p[10].Y);
    for (std::size_t i = 10; i < p.size(); ++i) EXPECT_DOUBLE_EQ(p[i].Z, kDepth);
    EXPECT_DOUBLE_EQ(f.PathLength, 4000);
    // Plan length 2.5 + 1 laps, and the 5 mm of descent.
    EXPECT_NEAR(f.CutLength, 14000 + 0.0, 5.0 * kUnits);
    EXPECT_GT(f.CutLength, 14000);
}

TEST(ToolPath3D, NoRampCutsOneLapAtDepthFromTheFirstPoint) {
    Fixture fx;
    fx.machine.PlungePitch = 100.0;
    tfigura& f = fx.Square(1000, 50, 70);
    fx.Run();
    const auto& p = f.ToolPath3D;
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p.front(), p.back());
    EXPECT_EQ(p.front().X, 50);
    EXPECT_EQ(p.front().Y, 70);
    for (const auto& q : p) EXPECT_DOUBLE_EQ(q.Z, kDepth);
    EXPECT_DOUBLE_EQ(f.CutLength, 4000);
}

TEST(ToolPath3D, PitchWithoutDescentPlungesStraightInsteadOfRampingForEver) {
    for (double pitch : {0.0, -2.0, std::nan("")}) {
        SCOPED_TRACE(pitch);
        Fixture fx;
        fx.machine.PlungePitch = pitch;
        tfigura& closed = fx.Square(1000, 50, 70);
        tfigura& open = fx.Add({{0, 0, 0}, {500, 0, 0}, {1000, 0, 0}}, true);
        open.CutPath = test::PlanPoints(open.Contour);
        fx.Run();
        ASSERT_EQ(closed.ToolPath3D.size(), 5u);
        for (const auto& q : closed.ToolPath3D) EXPECT_DOUBLE_EQ(q.Z, kDepth);
        ASSERT_EQ(open.ToolPath3D.size(), 3u);
        for (const auto& q : open.ToolPath3D) EXPECT_DOUBLE_EQ(q.Z, kDepth);
    }
}

TEST(ToolPath3D, PolishingRampsOnTheRoughingPathAndFinishesAtDepth) {
    Fixture fx;
    fx.machine.PlungePitch = 2.0;
    fx.settings.SetFlag("polerowanie", true);
    fx.settings.SetNumber("poler_grubosc", 0.3);  // 12 units outside the contour
    fx.settings.SetNumber("Poler_start", 0.5);
    tfigura& f = fx.Square(1000);
    fx.Run();
    ASSERT_FALSE(f.PolishPath.empty());
    const double floor = kDepth + 0.5 * kUnits;
    std::size_t i = 0;
    const auto& p = f.ToolPath3D;
    // Roughing: on the roughing path (outside the contour), never below depth + Poler_start.
    for (; i < p.size() && p[i].Z > kDepth + 1e-9; ++i) {
        EXPECT_GE(p[i].Z, floor - 1e-9);
        const bool outside = p[i].X < -1 || p[i].Y < -1 || p[i].X > 1001 || p[i].Y > 1001;
        EXPECT_TRUE(outside) << p[i].X << "," << p[i].Y;
    }
    ASSERT_LT(i, p.size());
    // Finishing: the contour (a copy, tool radius off) at depth, one whole lap.
    double plan = 0;
    for (std::size_t k = i; k < p.size(); ++k) {
        EXPECT_DOUBLE_EQ(p[k].Z, kDepth);
        EXPECT_TRUE(p[k].X == 0 || p[k].X == 1000 || p[k].Y == 0 || p[k].Y == 1000);
        if (k > i) plan += std::hypot(p[k].X - p[k - 1].X, p[k].Y - p[k - 1].Y);
    }
    EXPECT_DOUBLE_EQ(plan, 4000);
    EXPECT_EQ(p[i], p.back());
    // The finishing length is the lap plus the move from where the roughing ended.
    const double drop = std::sqrt(std::pow(p[i].X - p[i - 1].X, 2) + std::pow(p[i].Y - p[i - 1].Y, 2) +
                                  std::pow(p[i].Z - p[i - 1].Z, 2));
    EXPECT_NEAR(f.PolishLength, 4000 + drop, 1e-6);
    EXPECT_LE(std::hypot(p[i].X - p[i - 1].X, p[i].Y - p[i - 1].Y), 1000 + 13);
    EXPECT_NEAR(fx.window.TotalPolishLength, f.PolishLength / kUnits, 0.05);
}

TEST(ToolPath3D, OpenPathRampsBackAndForthAndEndsAtAnEndAtDepth) {
    Fixture fx;
    fx.machine.PlungePitch = 2.0;
    tfigura& f = fx.Add({{0, 0, 0}, {500, 0, 0}, {1000, 0, 0}}, true);
    f.CutPath = test::PlanPoints(f.Contour);  // an open figure keeps the path it was loaded with
    fx.Run();
    const auto& p = f.ToolPath3D;
    ASSERT_GE(p.size(), 6u);
    EXPECT_DOUBLE_EQ(p[0].Z, kTop);
    bool turnedAtEnd = false, turnedAtStart = false;
    for (std::size_t i = 1; i < p.size(); ++i) {
        EXPECT_LE(p[i].Z, p[i - 1].Z + 1e-9);
        EXPECT_GE(p[i].Z, kDepth - 1e-9);
        if (p[i].X == 1000 && p[i].Z > kDepth) turnedAtEnd = true;
        if (p[i].X == 0 && p[i].Z > kDepth) turnedAtStart = true;
    }
    EXPECT_TRUE(turnedAtEnd);
    EXPECT_TRUE(turnedAtStart);
    EXPECT_DOUBLE_EQ(p.back().Z, kDepth);
    EXPECT_TRUE(p.back().X == 0 || p.back().X == 1000);
    // The whole path is cut at depth: both ends are visited at depth.
    bool startAtDepth = false, endAtDepth = false;
    for (const auto& q : p) {
        if (q.Z == kDepth && q.X == 0) startAtDepth = true;
        if (q.Z == kDepth && q.X == 1000) endAtDepth = true;
    }
    EXPECT_TRUE(startAtDepth && endAtDepth);
}

TEST(ToolPath3D, PointFigureGoesDownOnce) {
    Fixture fx;
    fx.machine.PlungePitch = 2.0;
    tfigura& f = fx.Add({{30, 40, 0}}, true);
    f.CutPath = test::PlanPoints(f.Contour);
    fx.Run();
    ASSERT_EQ(f.ToolPath3D.size(), 2u);
    EXPECT_DOUBLE_EQ(f.ToolPath3D[0].Z, kTop);
    EXPECT_DOUBLE_EQ(f.ToolPath3D[1].Z, kDepth);
    EXPECT_DOUBLE_EQ(f.ExtraLength, kTop - kDepth);

    fx.machine.PlungePitch = 100.0;
    fx.Run();
    ASSERT_EQ(f.ToolPath3D.size(), 2u);
    EXPECT_DOUBLE_EQ(f.ToolPath3D[0].Z, kDepth);
    EXPECT_DOUBLE_EQ(f.ToolPath3D[1].Z, kDepth);
}

TEST(AddOutline, StartHeightTotalsAndTravel) {
    Fixture fx;
    fx.machine.PlungePitch = 100.0;
    fx.Square(1000);
    tfigura& empty = fx.Add({}, false);
    (void)empty;
    fx.Square(1000, 3000, 0);
    fx.Square(1000, 0, 4000);
    fx.window.BoundsMinX = 0;
    fx.window.BoundsMinY = 0;
    fx.Run();
    EXPECT_DOUBLE_EQ(fx.window.JobStartZ, 15.5);
    EXPECT_DOUBLE_EQ(fx.window.TotalCutLength, 3 * 4000 / kUnits);
    // Figure 1 has no path: the moves into and out of it do not count. Third to fourth:
    // (3000,0) -> (0,4000) at depth; park (0,0,100 mm) -> last figure's start (0,4000,5.5 mm).
    const double park = std::hypot(4000.0, 100 * kUnits - kDepth);
    EXPECT_NEAR(fx.window.TotalRapidLength, std::round(5000.0 + park) / kUnits, 1e-9);
    EXPECT_EQ(fx.window.SelectedFigure, -1);
    EXPECT_EQ(fx.notifier.busyDepth, 0);
    ASSERT_FALSE(fx.notifier.statuses.empty());
    EXPECT_EQ(fx.notifier.statuses.front(), "Preparing the tool path");

    fx.machine.ZReversed = true;
    fx.Run();
    EXPECT_DOUBLE_EQ(fx.window.JobStartZ, -10);
}

TEST(AddOutline, ToolRadiusAndScaleGiveTheOffset) {
    Fixture fx;
    fx.machine.PlungePitch = 100.0;
    fx.settings.SetFlag("doOutline", true);
    fx.settings.SetNumber("srednica", 3);  // radius 1.5 mm
    fx.settings.SetNumber("skala", 50);    // drawing at half size: 3 mm, 120 units
    tfigura& f = fx.Square(4000);
    fx.Run();
    double minX = 1e9;
    for (const auto& p : f.CutPath) minX = std::min(minX, p.X);
    EXPECT_NEAR(minX, -120, 1e-6);
}

// A drawing large enough to be offset on several cores, in blocks measured while the next is
// offset, gets, figure for figure, the paths that offsetting each figure alone gives; an open
// figure is cut along its contour.
TEST(AddOutline, ManyFiguresGetThePathsEachGetsAlone) {
    Fixture fx;
    fx.settings.SetFlag("doOutline", true);
    fx.settings.SetFlag("polerowanie", true);
    fx.settings.SetNumber("srednica", 2);
    fx.settings.SetNumber("poler_grubosc", 0.5);
    for (int i = 0; i < 9000; ++i) {
        tfigura& f = fx.Square(200 + (i % 37) * 15, (i % 60) * 1000.0, (i / 60) * 1000.0);
        if (i % 3 == 1) f.Level = 1;  // offset inwards, a loop at every corner to cut out
    }
    tfigura& open = fx.Add({{0, -500, 0}, {900, -400, 0}, {1800, -500, 0}}, true);
    UseContourAsCutPath(open);  // as the load leaves it
    std::vector<tfigura> alone;
    for (const tfigura* f : fx.figures) alone.push_back(*f);
    fx.Run();
    OffsetOptions polish, cut;
    polish.radius = 60;  // (1 mm + 0.5 mm) x 40 units a millimetre
    cut.radius = 40;
    for (std::size_t i = 0; i < alone.size(); ++i) {
        OffsetContour(alone[i], polish);
        std::vector<tpunkt> room, other;
        alone[i].PolishPath = CuttingPath(alone[i], room);
        OffsetContour(alone[i], cut);
        ASSERT_EQ(fx.figures[i]->PolishPath, alone[i].PolishPath) << "figure " << i;
        ASSERT_EQ(CuttingPath(*fx.figures[i], room), CuttingPath(alone[i], other)) << "figure " << i;
    }
    EXPECT_TRUE(open.CutPath.empty());
    std::vector<tpunkt> room;
    EXPECT_EQ(&CuttingPath(open, room), &open.Contour);
}

TEST(AddOutline, GcodeAndBitmapProjectsAreLeftAlone) {
    for (ProjectKind kind : {KindGcode, KindBitmap}) {
        Fixture fx;
        fx.machine.kind = kind;
        tfigura& f = fx.Square(1000);
        f.ToolPath3D = {{1, 2, 3}, {4, 5, 6}};
        fx.Run();
        ASSERT_EQ(f.ToolPath3D.size(), 2u);
        EXPECT_EQ(f.ToolPath3D[1].Z, 6);
        EXPECT_TRUE(f.CutPath.empty());
    }
}

TEST(AddOutline, EngravingAtHeightsPutsTheHighestPointAtDepth) {
    Fixture fx;
    fx.machine.PlungePitch = 100.0;
    fx.settings.SetFlag("grawer3d", true);
    tfigura& a = fx.Add({{0, 0, 80}, {0, 1000, 80}, {1000, 1000, 40}, {0, 0, 80}}, false);
    fx.Run();
    EXPECT_TRUE(fx.window.EngraveAtHeights);
    for (const auto& p : a.ToolPath3D) {
        EXPECT_TRUE(p.Z == kDepth || p.Z == kDepth - 40) << p.Z;
    }
}

TEST(Repreparation, RunsTheStepsInOrderAsTheSettingsSay) {
    Settings settings;
    std::string log;
    RepreparationSteps steps{[&] { log += "d"; }, [&] { log += "k"; }, [&] { log += "o"; }, [&] { log += "a"; }};
    settings.SetFlag("Auto_kierunek", true);
    settings.SetFlag("Auto_kolejnosc", true);
    PrzeliczPoWaznejZmianie(KindHpgl, settings, steps);
    EXPECT_EQ(log, "dkoa");
    log.clear();
    settings.SetFlag("Auto_kierunek", false);
    settings.SetFlag("Auto_kolejnosc", false);
    PrzeliczPoWaznejZmianie(KindDxf, settings, steps);
    EXPECT_EQ(log, "da");
    log.clear();
    PrzeliczPoWaznejZmianie(KindGcode, settings, steps);
    PrzeliczPoWaznejZmianie(KindBitmap, settings, steps);
    EXPECT_EQ(log, "");
}

}  // namespace
}  // namespace vellisk

namespace vellisk {
namespace {

TEST(ToolPath3D, OpenPathWithPolishingRoughsAboveThenFinishesAtDepth) {
    for (double pitch : {100.0, 2.0}) {
        Fixture fx;
        fx.machine.PlungePitch = pitch;
        fx.settings.SetFlag("polerowanie", true);
        fx.settings.SetNumber("Poler_start", 0.5);
        tfigura& f = fx.Add({{0, 0, 0}, {1000, 0, 0}}, true);
        f.CutPath = test::PlanPoints(f.Contour);
        fx.Run();
        const auto& p = f.ToolPath3D;
        ASSERT_GE(p.size(), 4u);
        EXPECT_DOUBLE_EQ(p.back().Z, kDepth);
        EXPECT_GT(f.CutLength, 0);
        EXPECT_GT(f.PolishLength, 1000 - 1e-9);
        // Nothing of the roughing goes below depth + Poler_start.
        std::size_t i = 0;
        while (i < p.size() && p[i].Z > kDepth) {
            EXPECT_GE(p[i].Z, kDepth + 0.5 * kUnits - 1e-9);
            ++i;
        }
        for (; i < p.size(); ++i) EXPECT_GE(p[i].Z, kDepth - 1e-9);
    }
}

TEST(ToolPath3D, FinePitchGivesManyLapsInOneVector) {
    Fixture fx;
    fx.machine.PlungePitch = 0.01;
    fx.settings.SetNumber("Glebokosc", 10);
    tfigura& f = fx.Square(1000);
    fx.Run();
    // 1000 laps of 4 points, then one lap at depth.
    EXPECT_NEAR(static_cast<double>(f.ToolPath3D.size()), 4004, 2);
    EXPECT_DOUBLE_EQ(f.ToolPath3D.back().Z, (10.5 - 10) * kUnits);
}

}  // namespace
}  // namespace vellisk

#include "machine_link/machine_context.h"

namespace vellisk {
namespace {

TEST(AddOutline, MachineValuesComeFromTheMachineContext) {
    test::MachineRig machine;
    machine.jobValues.PlungePitch = 2.5;
    machine.ctx.PlotParams.ZReversed = 1;
    machine.ctx.Firmware550 = true;
    const ToolPathMachine m = ToolPathMachineOf(machine.ctx, machine.jobValues, KindDxf);
    EXPECT_EQ(m.kind, KindDxf);
    EXPECT_DOUBLE_EQ(m.PlungePitch, 2.5);
    EXPECT_TRUE(m.ZReversed);
    EXPECT_TRUE(m.Firmware550);
}

}  // namespace
}  // namespace vellisk
