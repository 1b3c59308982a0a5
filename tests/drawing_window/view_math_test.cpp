// The drawing window's picture arithmetic: the fitted and zoomed view, the pen, the colours,
// the figure under a click and the simulated tool's pixel steps.
#include <gtest/gtest.h>

#include "drawing_window/view_math.h"

namespace vellisk {
namespace {

TEST(ViewMath, FittedViewPenAndPictureSize) {
    // 100 x 50 mm DXF drawing, 3 mm tool at 100 %, window 640 x 400.
    ViewTransform v = ComputeView(640, 400, 0, 0, 10000, 5000, KindDxf, 3.0, 100.0, 1);
    // D = 600 units: min(630 / 10600, 390 / 5600).
    EXPECT_DOUBLE_EQ(v.Scale, 630.0 / 10600.0);
    // Pen: half the tool, 150 units = 8.9 px, rounded, less one. The origin lies 5 px and two
    // pens inside the picture (5,600 units = 333 px up); the width adds one, four pens and 10 px
    // to the drawing's 594 px.
    EXPECT_EQ(v.PenWidth, 8);
    EXPECT_EQ(v.OriginX, 21);
    EXPECT_EQ(v.OriginY, 322);
    EXPECT_EQ(v.ImageWidth, 637);
    const tpunkt back = v.Point(v.PixelX(2500), v.PixelY(1250));
    EXPECT_NEAR(back.X, 2500, 1e-9);
    EXPECT_NEAR(back.Y, 1250, 1e-9);
    EXPECT_DOUBLE_EQ(ComputeView(640, 400, 0, 0, 10000, 5000, KindDxf, 3.0, 100.0, 3).Scale, 3 * v.Scale);
    // Nothing to paint: an empty drawing, a window too small, a picture too large.
    EXPECT_FALSE(ComputeView(640, 400, 0, 0, 0, 0, KindDxf, 3.0, 100.0, 1).HasPicture());
    EXPECT_FALSE(ComputeView(8, 8, 0, 0, 100, 100, KindDxf, 3.0, 100.0, 1).HasPicture());
    EXPECT_TRUE(ComputeView(640, 400, 0, 0, 1e12, 1, KindDxf, 0.0, 100.0, 1).HasPicture());
}

TEST(ViewMath, ColourByTheLastCheckedMode) {
    tfigura f;
    f.Direction = -1;
    f.ToCut = true;
    f.Layer = 5;  // ACI 5: blue
    ViewOptions o{true, false, false, false};
    EXPECT_EQ(PenOfFigure(f, 0, 4, o, KindDxf, false).colour, (Rgb{255, 0, 0}));
    f.Direction = 1;
    EXPECT_EQ(PenOfFigure(f, 0, 4, o, KindDxf, false).colour, (Rgb{0, 128, 0}));
    o.Kolejnosc = true;
    EXPECT_EQ(PenOfFigure(f, 3, 4, o, KindDxf, false).colour, (Rgb{0, 191, 0}));
    o.Warstwy = true;
    EXPECT_EQ(PenOfFigure(f, 3, 4, o, KindDxf, false).colour, (Rgb{0, 0, 255}));
    EXPECT_EQ(PenOfFigure(f, 3, 4, o, KindDxf, true).colour, (Rgb{255, 255, 255}));
    f.ToCut = false;
    EXPECT_TRUE(PenOfFigure(f, 3, 4, o, KindDxf, false).dotted);
}

TEST(ViewMath, PickWithinThreePixelsLaterWins) {
    ViewTransform v;
    v.Scale = 1.0;
    v.OriginX = 0;
    v.OriginY = 100;
    v.ImageWidth = v.ImageHeight = 200;
    tfigura a, b;
    a.Contour = {{0, 50, 0}, {100, 50, 0}};
    b.Contour = {{0, 52, 0}, {100, 52, 0}};
    for (tfigura* f : {&a, &b}) {
        f->MinX = 0;
        f->MaxX = 100;
        f->MinY = f->MaxY = f->Contour[0].Y;
    }
    std::vector<const tfigura*> list{&a, &b};
    EXPECT_EQ(PickFigure(list, v, 50, 49), 1);  // 1 from a, 1 from b
    EXPECT_EQ(PickFigure(list, v, 50, 52), 0);  // 2 from a, 4 from b
    EXPECT_EQ(PickFigure(list, v, 50, 56), -1);
}

TEST(ViewMath, PixelStepsOfTheSimulatedTool) {
    EXPECT_EQ(CutMoveSteps(0, 0, 3, 0), (std::vector<PixelPoint>{{1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(CutMoveSteps(0, 0, -2, -2).back(), (PixelPoint{-2, -2}));
    EXPECT_TRUE(CutMoveSteps(5, 5, 5, 5).empty());
    const auto rapid = RapidMoveSteps(0.0, 0.0, 4.0, 0.0);
    ASSERT_EQ(rapid.size(), 4u);
    // (2t dx + (n + 1) sx) / 2n rounded: the travel leads by half a pixel.
    EXPECT_EQ(rapid.front(), (PixelPoint{2, 0}));
    EXPECT_EQ(rapid.back(), (PixelPoint{5, 0}));
    EXPECT_TRUE(RapidMoveSteps(0.0, 0.0, 0.4, 0.0).empty());
}

}  // namespace
}  // namespace vellisk
