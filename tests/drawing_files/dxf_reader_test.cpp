#include "drawing_files/dxf_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/core_error.h"

using namespace vellisk;

namespace {

// group code / value pairs, one line each, LF line ends
std::string Pairs(const std::vector<std::pair<int, std::string>>& pairs) {
    std::string s;
    for (auto& [c, v] : pairs) s += std::to_string(c) + "\n" + v + "\n";
    return s;
}

std::string Dxf(const std::string& entities, const std::string& before = "") {
    return Pairs({{0, "SECTION"}, {2, "HEADER"}}) + before + Pairs({{0, "ENDSEC"}}) +
           Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + entities + Pairs({{0, "ENDSEC"}, {0, "EOF"}});
}

std::vector<tfigura> ReadAll(const std::string& text, DxfReader* keep = nullptr) {
    DxfReader own{DrawingText(text)};
    DxfReader& r = keep ? *keep : own;
    if (keep) r = DxfReader{DrawingText(text)};
    std::vector<tfigura> figs;
    int guard = 0;
    while (!r.EndOfFile && ++guard < 100000) {
        tfigura f;
        r.ReadFigure(f);
        if (f.Valid) figs.push_back(std::move(f));
    }
    return figs;
}

std::string Line(double x1, double y1, double x2, double y2) {
    return Pairs({{0, "LINE"},
                  {8, "0"},
                  {10, std::to_string(x1)},
                  {20, std::to_string(y1)},
                  {30, "0.0"},
                  {11, std::to_string(x2)},
                  {21, std::to_string(y2)},
                  {31, "0.0"}});
}

std::string Circle(double r) {
    return Pairs({{0, "CIRCLE"}, {8, "0"}, {10, "0"}, {20, "0"}, {30, "0"}, {40, std::to_string(r)}});
}

std::string LwPoly(int flags, const std::vector<std::array<double, 3>>& v, const std::string& tail = "") {
    std::string s = Pairs({{0, "LWPOLYLINE"}, {8, "0"}, {90, std::to_string(v.size())}, {70, std::to_string(flags)}});
    for (auto& p : v) {
        s += Pairs({{10, std::to_string(p[0])}, {20, std::to_string(p[1])}});
        if (!std::isnan(p[2])) s += Pairs({{42, std::to_string(p[2])}});
    }
    return s + tail;
}

constexpr double kNoBulge = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST(DxfReaderTest, LineInDrawingUnitsAndColourAsLayer) {
    auto figs = ReadAll(
        Dxf(Line(0, 0, 10, 5) + Pairs({{0, "LINE"}, {8, "0"}, {62, "5"}, {10, "1"}, {20, "1"}, {11, "2"}, {21, "2"}})));
    ASSERT_EQ(figs.size(), 2u);
    ASSERT_EQ(figs[0].Contour.size(), 2u);
    EXPECT_EQ(figs[0].Contour[0], (tpunkt{0, 0, 0}));
    EXPECT_EQ(figs[0].Contour[1], (tpunkt{1000, 500, 0}));
    EXPECT_TRUE(figs[0].Open);
    EXPECT_EQ(figs[0].Layer, 0);
    EXPECT_EQ(figs[1].Layer, 5);
    EXPECT_DOUBLE_EQ(figs[0].MaxX, 1000);
}

TEST(DxfReaderTest, CircleSegmentCountsFollowTheStepRule) {
    auto small = ReadAll(Dxf(Circle(0.1)));
    ASSERT_EQ(small.size(), 1u);
    EXPECT_EQ(small[0].Contour.size(), 17u);  // at least 16 segments
    auto mid = ReadAll(Dxf(Circle(10)));
    EXPECT_EQ(mid[0].Contour.size(), 193u);  // 192 segments between 7.64 and 152.79
    auto big = ReadAll(Dxf(Circle(1000)));
    ASSERT_EQ(big[0].Contour.size(), 1258u);  // 1257 segments of about 5
    EXPECT_FALSE(big[0].Open);
    EXPECT_NEAR(big[0].Contour[1].X - 100000.0, std::cos(2 * M_PI / 1257) * 100000.0 - 100000.0, 1e-6);
}

TEST(DxfReaderTest, ArcAcrossZeroDegrees) {
    auto figs = ReadAll(
        Dxf(Pairs({{0, "ARC"}, {8, "0"}, {10, "0"}, {20, "0"}, {30, "0"}, {40, "10"}, {50, "350"}, {51, "10"}})));
    ASSERT_EQ(figs.size(), 1u);
    const auto& c = figs[0].Contour;
    ASSERT_EQ(c.size(), 12u);  // 11 segments of a 20 degree sweep
    EXPECT_NEAR(c.front().X, 1000 * std::cos(-10 * M_PI / 180), 1e-6);
    EXPECT_NEAR(c.front().Y, -1000 * std::sin(10 * M_PI / 180), 1e-6);
    EXPECT_NEAR(c.back().Y, 1000 * std::sin(10 * M_PI / 180), 1e-6);
    for (auto& p : c) EXPECT_GT(p.X, 980.0);
}

TEST(DxfReaderTest, BulgeHalfCircleHasTheSameCountBothWays) {
    auto ccw = ReadAll(Dxf(LwPoly(0, {{0, 0, 1}, {10, 0, kNoBulge}})));
    ASSERT_EQ(ccw.size(), 1u);
    const auto& c = ccw[0].Contour;
    ASSERT_EQ(c.size(), 64u);
    EXPECT_NEAR(c.front().X, 0, 1e-9);
    EXPECT_NEAR(c.back().X, 1000, 1e-9);
    EXPECT_NEAR(ccw[0].MinY, -500, 0.2);  // through (5, -5)
    EXPECT_NEAR(ccw[0].MaxY, 0, 1e-9);
    auto cw = ReadAll(Dxf(LwPoly(0, {{0, 0, -1}, {10, 0, kNoBulge}})));
    ASSERT_EQ(cw[0].Contour.size(), 64u);
    EXPECT_NEAR(cw[0].MaxY, 500, 0.2);
}

TEST(DxfReaderTest, ZeroBulgeIsStraightAndOpenPolylinesStayOpen) {
    auto figs = ReadAll(Dxf(LwPoly(0, {{0, 0, 0}, {100, 50, 0}, {0, 50, 0}})));
    ASSERT_EQ(figs.size(), 1u);
    const auto& c = figs[0].Contour;
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[1], (tpunkt{10000, 5000, 0}));
    EXPECT_EQ(c[2], (tpunkt{0, 5000, 0}));  // no closing edge, the last vertex is kept
    EXPECT_TRUE(figs[0].Open);
}

TEST(DxfReaderTest, ClosedFlagIsBitOne) {
    for (int flags : {1, 9, 129}) {
        auto figs = ReadAll(Dxf(LwPoly(flags, {{0, 0, kNoBulge}, {10, 0, kNoBulge}, {10, 10, kNoBulge}})));
        ASSERT_EQ(figs.size(), 1u) << flags;
        ASSERT_EQ(figs[0].Contour.size(), 4u) << flags;
        EXPECT_FALSE(figs[0].Open) << flags;
    }
    // A closed polyline whose last vertex carries a bulge closes with the arc.
    auto arc = ReadAll(Dxf(LwPoly(1, {{0, 0, kNoBulge}, {10, 0, 1}})));
    ASSERT_EQ(arc.size(), 1u);
    EXPECT_FALSE(arc[0].Open);
    EXPECT_NEAR(arc[0].MaxY, 500, 0.2);
}

TEST(DxfReaderTest, ExtrusionMirrorsPolylinesWhereverItStands) {
    // LWPOLYLINE: the extrusion follows the vertices.
    auto lw =
        ReadAll(Dxf(LwPoly(0, {{1, 2, kNoBulge}, {5, 2, kNoBulge}}, Pairs({{210, "0"}, {220, "0"}, {230, "-1"}}))));
    ASSERT_EQ(lw.size(), 1u);
    EXPECT_EQ(lw[0].Contour[0], (tpunkt{-100, 200, 0}));
    EXPECT_EQ(lw[0].Contour[1], (tpunkt{-500, 200, 0}));
    // POLYLINE: the extrusion after the flags; a bulge turns the mirrored way too.
    std::string poly = Pairs({{0, "POLYLINE"},
                              {8, "0"},
                              {66, "1"},
                              {70, "0"},
                              {210, "0"},
                              {220, "0"},
                              {230, "-1"},
                              {0, "VERTEX"},
                              {8, "0"},
                              {10, "0"},
                              {20, "0"},
                              {42, "1"},
                              {0, "VERTEX"},
                              {8, "0"},
                              {10, "10"},
                              {20, "0"},
                              {0, "SEQEND"}});
    auto pl = ReadAll(Dxf(poly));
    ASSERT_EQ(pl.size(), 1u);
    EXPECT_NEAR(pl[0].MinX, -1000, 1e-9);
    EXPECT_NEAR(pl[0].MinY, -500, 0.2);
    EXPECT_EQ(pl[0].Contour.size(), 64u);
}

TEST(DxfReaderTest, FittedPolylinesKeepTheirVertices) {
    auto vertex = [](double x, double y, int flags) {
        return Pairs(
            {{0, "VERTEX"}, {8, "0"}, {10, std::to_string(x)}, {20, std::to_string(y)}, {70, std::to_string(flags)}});
    };
    std::string curveFit = Pairs({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "2"}}) + vertex(0, 0, 0) +
                           vertex(10, 5, 1) + vertex(20, 0, 0) + vertex(30, 5, 1) + vertex(40, 0, 0) +
                           Pairs({{0, "SEQEND"}});
    auto cf = ReadAll(Dxf(curveFit));
    ASSERT_EQ(cf.size(), 1u);
    EXPECT_GT(cf[0].Contour.size(), 5u);
    EXPECT_EQ(cf[0].Contour.front(), (tpunkt{0, 0, 0}));
    EXPECT_EQ(cf[0].Contour.back(), (tpunkt{4000, 0, 0}));
    // Spline-fit: the frame (16) is left out, the fit vertices (8) are drawn.
    std::string splineFit = Pairs({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "4"}}) + vertex(0, 0, 8) +
                            vertex(500, 500, 16) + vertex(10, 5, 8) + vertex(20, 0, 8) + vertex(30, 5, 8) +
                            Pairs({{0, "SEQEND"}});
    auto sf = ReadAll(Dxf(splineFit));
    ASSERT_EQ(sf.size(), 1u);
    EXPECT_LT(sf[0].MaxX, 3001);
    EXPECT_EQ(sf[0].Contour.back(), (tpunkt{3000, 500, 0}));
}

TEST(DxfReaderTest, PolylineOfManyHugePiecesIsAnErrorNotAnEndlessList) {
    // Each piece alone stays under the limit of one entity (about three million points); all
    // of them together would not.
    auto tooMany = [](const std::string& dxf) {
        try {
            ReadAll(dxf);
        } catch (const CoreError& e) {
            EXPECT_EQ(e.kind(), CoreError::Kind::Range);
            EXPECT_NE(std::string(e.what()).find("too many points"), std::string::npos) << e.what();
            return true;
        }
        return false;
    };
    const double d = 9.5e6;  // half circles of this chord need about three million points
    EXPECT_TRUE(tooMany(Dxf(LwPoly(0, {{0, 0, 1}, {d, 0, 1}, {0, 0, 1}, {d, 0, 1}, {0, 0, kNoBulge}}))));
    auto vertex = [](double x, double y) {
        return Pairs({{0, "VERTEX"}, {8, "0"}, {10, std::to_string(x)}, {20, std::to_string(y)}});
    };
    const double e = 5e6;  // fitted spans over three such chords need about three million points
    EXPECT_TRUE(tooMany(Dxf(Pairs({{0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "2"}}) + vertex(0, 0) + vertex(e, 0) +
                            vertex(e, e) + vertex(0, e) + vertex(0, 0) + vertex(e, 0) + vertex(e, e) +
                            Pairs({{0, "SEQEND"}}))));
    // One such piece alone is read.
    auto one = ReadAll(Dxf(LwPoly(0, {{0, 0, 1}, {d, 0, kNoBulge}})));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_GT(one[0].Contour.size(), 2000000u);
}

TEST(DxfReaderTest, InchDrawingsAreScaledAndTheScaleIsPerFile) {
    std::string inch = Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {9, "$LTSCALE"}, {40, "0.000394"}}) + Line(0, 0, 1, 0) +
                       Pairs({{0, "ENDSEC"}, {0, "EOF"}});
    auto figs = ReadAll(inch);
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_NEAR(figs[0].Contour[1].X, 1.0 / 0.03937 * 100.0, 1e-9);
    EXPECT_NEAR(figs[0].Contour[1].X, 2540.005, 0.001);
    auto next = ReadAll(Dxf(Line(0, 0, 1, 0)));
    EXPECT_EQ(next[0].Contour[1].X, 100.0);
}

TEST(DxfReaderTest, SplinesFlattenAndBadOnesAreSkippedWithAMessage) {
    auto spline = [](int degree, std::vector<double> knots, std::vector<std::pair<double, double>> cp) {
        std::string s = Pairs({{0, "SPLINE"},
                               {8, "0"},
                               {70, "8"},
                               {71, std::to_string(degree)},
                               {72, std::to_string(knots.size())},
                               {73, std::to_string(cp.size())}});
        for (double k : knots) s += Pairs({{40, std::to_string(k)}});
        for (auto [x, y] : cp) s += Pairs({{10, std::to_string(x)}, {20, std::to_string(y)}, {30, "0"}});
        return s;
    };
    std::string good = spline(3, {0, 0, 0, 0, 1, 2, 2, 2, 2}, {{0, 0}, {10, 20}, {20, 0}, {30, 20}, {40, 0}});
    std::string badDegree = spline(0, {0, 1, 2}, {{0, 0}, {1, 1}});
    std::string fewKnots = spline(3, {0, 0, 1}, {{0, 0}, {10, 20}, {20, 0}, {30, 20}, {40, 0}});
    std::string noPoints = spline(3, {0, 0, 0, 0, 1, 1, 1, 1}, {});
    DxfReader r{DrawingText(Dxf(badDegree + good + fewKnots + noPoints + Line(0, 0, 1, 1)))};
    std::vector<tfigura> figs;
    while (!r.EndOfFile) {
        tfigura f;
        r.ReadFigure(f);
        if (f.Valid) figs.push_back(std::move(f));
    }
    ASSERT_EQ(figs.size(), 2u);
    const auto& c = figs[0].Contour;
    EXPECT_GT(c.size(), 20u);
    EXPECT_EQ(c.front(), (tpunkt{0, 0, 0}));
    EXPECT_EQ(c.back(), (tpunkt{4000, 0, 0}));
    EXPECT_EQ(r.Warnings.size(), 3u);
    for (auto& w : r.Warnings) EXPECT_NE(w.find("SPLINE skipped"), std::string::npos) << w;
}

TEST(DxfReaderTest, BezierChainSpline) {
    std::string s = Pairs({{0, "SPLINE"}, {8, "0"}, {71, "3"}, {72, "8"}, {73, "4"}});
    for (double k : {0, 0, 0, 0, 1, 1, 1, 1}) s += Pairs({{40, std::to_string(k)}});
    for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {0, 10}, {10, 10}, {10, 0}})
        s += Pairs({{10, std::to_string(x)}, {20, std::to_string(y)}});
    auto figs = ReadAll(Dxf(s));
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_EQ(figs[0].Contour.back(), (tpunkt{1000, 0, 0}));
    EXPECT_NEAR(figs[0].MaxY, 750, 1.0);  // the cubic's top at t = 1/2
}

TEST(DxfReaderTest, NamesCountOnlyAfterGroupZeroAndRepeatsAreDropped) {
    std::string text = Pairs({{0, "TEXT"}, {8, "LINE"}, {1, "ARC"}, {10, "1"}, {20, "1"}, {11, "5"}, {21, "5"}});
    std::string twice = Pairs({{0, "LINE"}, {10, "3"}, {20, "3"}, {11, "3"}, {21, "3"}});
    DxfReader r{DrawingText(Dxf(text + twice + Line(1, 1, 2, 2)))};
    std::vector<tfigura> all;
    while (!r.EndOfFile) {
        all.emplace_back();
        r.ReadFigure(all.back());
    }
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].Contour.size(), 1u);  // the two equal points once
    EXPECT_FALSE(all[0].Valid);
    EXPECT_TRUE(all[1].Valid);
    EXPECT_EQ(all[1].Contour[0], (tpunkt{100, 100, 0}));
}

TEST(DxfReaderTest, FileWithoutEntitiesGivesOneEmptyFigure) {
    DxfReader r{DrawingText(Pairs({{0, "SECTION"}, {2, "HEADER"}, {0, "ENDSEC"}, {0, "EOF"}}))};
    tfigura f;
    r.ReadFigure(f);
    EXPECT_TRUE(r.EndOfFile);
    EXPECT_FALSE(f.Valid);
}

TEST(DxfReaderTest, MalformedNumberNamesTheLineAndKeepsEarlierFigures) {
    std::string text = Dxf(Line(0, 0, 1, 1) + Pairs({{0, "LINE"}, {10, "1.5x"}}));
    DxfReader r{DrawingText(text)};
    tfigura first;
    r.ReadFigure(first);
    EXPECT_TRUE(first.Valid);
    tfigura second;
    try {
        r.ReadFigure(second);
        FAIL() << "no error";
    } catch (const CoreError& e) {
        EXPECT_EQ(e.kind(), CoreError::Kind::Conversion);
        EXPECT_NE(std::string(e.what()).find("line 30"), std::string::npos) << e.what();
    }
}

TEST(DxfReaderTest, CrLfAndCommaDecimals) {
    std::string text =
        "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nLINE\r\n10\r\n1,5\r\n20\r\n0\r\n11\r\n2\r\n21\r\n0\r\n0\r\nEOF\r\n";
    auto figs = ReadAll(text);
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_EQ(figs[0].Contour[0].X, 150.0);
}

TEST(DxfReaderTest, OcsAxes) {
    TConvOCS2WCS c;
    auto p = c.OcsToWcs(1, 2, 3);
    EXPECT_EQ(p, (TConvOCS2WCS::Vec{1, 2, 3}));
    c.SetExtrusionXYZ(0, 0, -1);
    p = c.OcsToWcs(1, 2, 3);
    EXPECT_EQ(p, (TConvOCS2WCS::Vec{-1, 2, -3}));
    c.SetExtrusionXYZ(1, 0, 0);  // Ax = Wz x N = (0, 1, 0), Ay = N x Ax = (0, 0, 1)
    p = c.OcsToWcs(1, 2, 3);
    EXPECT_NEAR(p[0], 3, 1e-12);
    EXPECT_NEAR(p[1], 1, 1e-12);
    EXPECT_NEAR(p[2], 2, 1e-12);
}

TEST(DxfReaderTest, EllipticalArcRunsCounterClockwiseThroughTwoPi) {
    // Major axis 10 along X, minor 5: from 3/2 pi to 1/2 pi runs through 0 (the right half).
    auto ellipse = [](const char* t0, const char* t1) {
        return Pairs({{0, "ELLIPSE"},
                      {8, "0"},
                      {10, "0"},
                      {20, "0"},
                      {30, "0"},
                      {11, "10"},
                      {21, "0"},
                      {31, "0"},
                      {40, "0.5"},
                      {41, t0},
                      {42, t1}});
    };
    auto figs = ReadAll(Dxf(ellipse("4.71238898038469", "1.5707963267948966")));
    ASSERT_EQ(figs.size(), 1u);
    const auto& c = figs[0].Contour;
    EXPECT_NEAR(c.front().Y, -500.0, 1e-6);
    EXPECT_NEAR(c.back().Y, 500.0, 1e-6);
    for (auto& p : c) EXPECT_GT(p.X, -1e-6);
    EXPECT_NEAR(figs[0].MaxX, 1000.0, 1e-6);
    // The same arc written the other way round is the left half; an end on the start a whole one.
    figs = ReadAll(Dxf(ellipse("1.5707963267948966", "4.71238898038469") + ellipse("1", "1")));
    ASSERT_EQ(figs.size(), 2u);
    EXPECT_NEAR(figs[0].MinX, -1000.0, 1e-6);
    EXPECT_LT(figs[0].MaxX, 1e-6);
    EXPECT_FALSE(figs[1].Open);
    EXPECT_NEAR(figs[1].MinX, -1000.0, 0.2);
    EXPECT_NEAR(figs[1].MaxX, 1000.0, 0.2);
    // Parameters written with whole turns in them go round once, not once per turn.
    figs = ReadAll(
        Dxf(ellipse("0", "6.283185307179586") + ellipse("0", "12.566370614359172") + ellipse("281743.8980384", "0")));
    ASSERT_EQ(figs.size(), 3u);
    EXPECT_EQ(figs[1].Contour.size(), figs[0].Contour.size());
    EXPECT_LE(figs[2].Contour.size(), figs[0].Contour.size());
}

TEST(DxfReaderTest, AnEntityTheFileEndsInsideIsLeftOutWithAWarning) {
    const std::string head = Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + Line(0, 0, 1, 1);
    const std::string poly = Pairs({{0, "POLYLINE"},
                                    {8, "0"},
                                    {66, "1"},
                                    {70, "0"},
                                    {0, "VERTEX"},
                                    {10, "5"},
                                    {20, "5"},
                                    {0, "VERTEX"},
                                    {10, "9"},
                                    {20, "5"}});
    // Cut in a value, after a whole group, in the vertices of a polyline (with and without the
    // group 0 of a next vertex), in a lightweight polyline.
    for (const std::string& tail : {Line(2, 2, 310, 0).substr(0, 40), Line(2, 2, 310, 0).substr(0, 37), poly,
                                    poly + "0\n", LwPoly(0, {{0, 0, kNoBulge}, {4, 0, kNoBulge}})}) {
        DxfReader r{DrawingText(head + tail)};
        const std::vector<tfigura> figs = ReadAll(head + tail, &r);
        ASSERT_EQ(figs.size(), 1u) << tail;
        EXPECT_EQ(figs[0].Contour.size(), 2u);
        ASSERT_EQ(r.Warnings.size(), 1u) << tail;
        EXPECT_NE(r.Warnings[0].find(" left out: the file ends inside it"), std::string::npos) << r.Warnings[0];
    }
    // A whole file gives no warning.
    DxfReader whole{DrawingText(Dxf(Line(0, 0, 1, 1) + poly + Pairs({{0, "SEQEND"}})))};
    EXPECT_EQ(ReadAll(Dxf(Line(0, 0, 1, 1) + poly + Pairs({{0, "SEQEND"}})), &whole).size(), 2u);
    EXPECT_TRUE(whole.Warnings.empty());
}

TEST(DxfReaderTest, MeshesAreLeftOutWithAWarning) {
    auto mesh = [](int flags) {
        std::string s = Pairs({{0, "POLYLINE"},
                               {8, "0"},
                               {66, "1"},
                               {10, "0"},
                               {20, "0"},
                               {30, "0"},
                               {70, std::to_string(flags)},
                               {71, "2"},
                               {72, "2"}});
        for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {10, 0}, {0, 10}, {10, 10}})
            s += Pairs({{0, "VERTEX"},
                        {8, "0"},
                        {10, std::to_string(x)},
                        {20, std::to_string(y)},
                        {30, "1"},
                        {70, flags == 16 ? "64" : "192"}});
        return s + Pairs({{0, "SEQEND"}, {8, "0"}});
    };
    DxfReader r{DrawingText(Dxf(mesh(16) + mesh(64) + Line(0, 0, 1, 1)))};
    std::vector<tfigura> figs;
    while (!r.EndOfFile) {
        tfigura f;
        r.ReadFigure(f);
        if (f.Valid) figs.push_back(std::move(f));
    }
    ASSERT_EQ(figs.size(), 1u);  // the line after them
    EXPECT_EQ(figs[0].Contour.size(), 2u);
    ASSERT_EQ(r.Warnings.size(), 2u);
    EXPECT_EQ(r.Warnings[0], "DXF line 12: POLYLINE left out: it is a 3-D polygon mesh");
    EXPECT_NE(r.Warnings[1].find(": POLYLINE left out: it is a polyface mesh"), std::string::npos) << r.Warnings[1];
}
