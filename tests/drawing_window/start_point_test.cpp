// The start point dragged by the operator: the lists turn round to it and the rebuilt tool
// path enters there, also with the tool offset on.
#include <gtest/gtest.h>

#include "drawing_window/project_test_support.h"
#include "drawing_window/start_point.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

TEST(StartPoint, ClosedListTurnsRoundAndKeepsItsLowestVertex) {
    tfigura f;
    f.Contour = {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {0, 0, 0}};
    f.PolishPath = f.Contour;
    f.CutPath = test::PlanPoints(f.Contour);
    f.StartIndex = 0;
    // The same figure cut along its contour (heights kept): it turns round as the copy does.
    tfigura along = f;
    for (tpunkt& p : along.Contour) p.Z = 7;
    UseContourAsCutPath(along);
    ASSERT_TRUE(DragStartPoint(f, {97, 104, 0}));
    EXPECT_EQ(f.Contour.front(), (tpunkt{100, 100, 0}));
    EXPECT_EQ(f.Contour.back(), f.Contour.front());
    EXPECT_EQ(f.Contour.size(), 5u);
    EXPECT_EQ(test::Points3D(f.CutPath), f.Contour);
    EXPECT_EQ(f.StartIndex, 2);  // (0 - 2) wrapped to count - 2, then down once more
    EXPECT_EQ(f.Contour[f.StartIndex], (tpunkt{0, 0, 0}));
    ASSERT_TRUE(DragStartPoint(along, {97, 104, 0}));
    EXPECT_EQ(along.ChosenStart, (tpunkt{100, 100, 7}));
    EXPECT_EQ(along.StartIndex, f.StartIndex);
    EXPECT_EQ(along.PolishPath, f.PolishPath);
    for (std::size_t i = 0; i < f.Contour.size(); ++i) EXPECT_TRUE(SamePoint(along.Contour[i], f.Contour[i]));

    // A contour closed only by nearness keeps every vertex.
    std::vector<tpunkt> near{{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {1, 1, 0}};
    StartListAt(near, 2);
    EXPECT_EQ(near, (std::vector<tpunkt>{{100, 100, 0}, {1, 1, 0}, {0, 0, 0}, {100, 0, 0}, {100, 100, 0}}));
}

TEST(StartPoint, OpenFigureReversesOnlyAtItsLastPoint) {
    tfigura f;
    f.Open = true;
    f.Contour = {{0, 0, 0}, {100, 0, 0}, {200, 50, 0}};
    f.PolishPath = f.Contour;
    f.CutPath = test::PlanPoints(f.Contour);
    EXPECT_FALSE(DragStartPoint(f, {100, 2, 0}));
    EXPECT_EQ(f.Contour.front(), (tpunkt{0, 0, 0}));
    EXPECT_TRUE(DragStartPoint(f, {199, 49, 0}));
    EXPECT_EQ(f.Contour.front(), (tpunkt{200, 50, 0}));
    EXPECT_EQ(f.CutPath.front(), (PlanPoint{200, 50}));
}

TEST(StartPoint, RebuiltToolPathEntersAtTheDraggedPointWithTheOffsetOn) {
    Settings settings;
    settings.SetFlag("doOutline", true);
    settings.SetNumber("srednica", 4.0);
    test::MachineRig machine;
    test::RecordingNotifier n;
    Project p(KindDxf, settings, machine.ctx, machine.env, machine.jobValues, n);
    test::ListInput input({test::Rect(0, 0, 4000, 3000)});
    ASSERT_EQ(p.Load("plate.dxf", input).status, LoadStatus::Ok);
    tfigura& f = p.Figure(0);
    // The cutting path's vertex nearest to the top right corner, on its arc round the corner.
    const tpunkt before = f.CutPath.front();
    ASSERT_TRUE(DragStartPoint(f, {4300, 3300, 0}));
    const tpunkt chosen = f.ChosenStart;
    EXPECT_LT(Distance2D(chosen, {4141, 3141, 0}), 60.0);
    EXPECT_GT(Distance2D(chosen, before), 1000.0);
    p.PrzeliczPoWaznejZmianie();
    const std::vector<tpunkt> path = p.ToolPathOf(p.Figure(0));
    ASSERT_FALSE(path.empty());
    EXPECT_NEAR(p.Figure(0).CutPath.front().X, chosen.X, 1);
    EXPECT_NEAR(p.Figure(0).CutPath.front().Y, chosen.Y, 1);
    EXPECT_NEAR(path.front().X, chosen.X, 1);
    EXPECT_NEAR(path.front().Y, chosen.Y, 1);
}

}  // namespace
}  // namespace vellisk
