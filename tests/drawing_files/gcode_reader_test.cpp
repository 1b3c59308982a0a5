#include "drawing_files/gcode_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/core_error.h"

using namespace vellisk;

namespace {

GcodeLimits Wide() { return {1.0, 100000.0, 0.0, 1000.0}; }

std::vector<tfigura> ReadAll(const std::string& text, GcodeReader* out = nullptr, GcodeLimits limits = Wide()) {
    GcodeReader own{DrawingText(text), limits};
    GcodeReader& r = out ? *out : own;
    if (out) r = GcodeReader{DrawingText(text), limits};
    std::vector<tfigura> figs;
    int guard = 0;
    while (!r.EndOfFile && ++guard < 100000) {
        figs.emplace_back();
        r.ReadFigure(figs.back());
    }
    return figs;
}

}  // namespace

TEST(GcodeReaderTest, ExampleProgramGivesThreeFigures) {
    auto figs = ReadAll("G0 X0 Y0\nG1 Z-1\nG1 X10\nG1 Y10\nG0 Z5\nM30\n");
    ASSERT_EQ(figs.size(), 3u);
    EXPECT_TRUE(figs[0].RapidFigure);
    EXPECT_EQ(figs[0].Layer, 3);
    ASSERT_EQ(figs[0].ToolPath3D.size(), 1u);
    EXPECT_EQ(figs[0].ToolPath3D[0], (tpunkt{0, 0, 0}));

    EXPECT_FALSE(figs[1].RapidFigure);
    EXPECT_EQ(figs[1].Layer, 2);
    ASSERT_EQ(figs[1].ToolPath3D.size(), 3u);
    EXPECT_EQ(figs[1].ToolPath3D[0], (tpunkt{0, 0, -100}));
    EXPECT_EQ(figs[1].ToolPath3D[2], (tpunkt{1000, 1000, -100}));
    EXPECT_EQ(figs[1].Contour[2], (tpunkt{1000, 1000, 0}));
    EXPECT_DOUBLE_EQ(figs[1].CutLength, 20.0);
    EXPECT_EQ(figs[1].Feed, 1.0);  // no F yet: the machine's lowest feed

    // The figure opened by the mode change keeps its layer and its rapid flag.
    EXPECT_TRUE(figs[2].RapidFigure);
    EXPECT_EQ(figs[2].Layer, 3);
    ASSERT_EQ(figs[2].ToolPath3D.size(), 2u);  // M30 appends the point once more
    EXPECT_EQ(figs[2].ToolPath3D[0], (tpunkt{1000, 1000, 500}));
    EXPECT_EQ(figs[2].ToolPath3D[1], (tpunkt{1000, 1000, 500}));
    EXPECT_DOUBLE_EQ(figs[2].RapidLength, 0.0);
}

TEST(GcodeReaderTest, ModeChangeWithoutBlanksKeepsTheMove) {
    auto figs = ReadAll("G0X0Y0\nG1Z-1\nG1X10\n");
    ASSERT_EQ(figs.size(), 2u);
    ASSERT_EQ(figs[1].ToolPath3D.size(), 2u);
    EXPECT_EQ(figs[1].ToolPath3D[0], (tpunkt{0, 0, -100}));
}

TEST(GcodeReaderTest, LastLineChangingTheModeIsStillCarriedOut) {
    auto figs = ReadAll("G0 X0 Y0\nG1 X5 Y0");
    ASSERT_EQ(figs.size(), 2u);
    ASSERT_EQ(figs[1].ToolPath3D.size(), 1u);
    EXPECT_EQ(figs[1].ToolPath3D[0], (tpunkt{500, 0, 0}));
    EXPECT_EQ(figs[1].Layer, 2);
}

TEST(GcodeReaderTest, HalfCircleG2) {
    auto figs = ReadAll("G1 X0 Y0 F100\nG2 X10 Y0 I5 J0\n");
    ASSERT_EQ(figs.size(), 1u);
    const auto& c = figs[0].Contour;
    ASSERT_EQ(c.size(), 1u + 62u + 1u);
    // clockwise from (0,0) about (5,0): over the top, through (5,5)
    double maxY = 0;
    for (auto& p : c) maxY = std::max(maxY, p.Y);
    EXPECT_NEAR(maxY, 500, 0.2);
    EXPECT_EQ(c.back(), (tpunkt{1000, 0, 0}));
    EXPECT_NEAR(figs[0].CutLength, 5 * M_PI, 0.01);
    EXPECT_EQ(figs[0].Feed, 100.0);
}

TEST(GcodeReaderTest, FullCircleIsAFullTurn) {
    auto figs = ReadAll("G1 X10 Y0 F100\nG3 X10 Y0 I5 J0\n");
    ASSERT_EQ(figs.size(), 1u);
    double minX = 1e9;
    for (auto& p : figs[0].Contour) minX = std::min(minX, p.X);
    EXPECT_NEAR(minX, 0, 0.5);  // reaches the far side of the circle
    EXPECT_NEAR(figs[0].CutLength, 10 * M_PI, 0.05);
    EXPECT_EQ(figs[0].Contour.size(), 1u + 125u + 1u);
}

TEST(GcodeReaderTest, ArcAfterRapidRunIsCutAtTheFeed) {
    auto figs = ReadAll("G0 X0 Y0\nG2 X10 Y0 I5 J0 F200\nG1 X20\n");
    ASSERT_EQ(figs.size(), 2u);
    EXPECT_TRUE(figs[0].RapidFigure);
    EXPECT_EQ(figs[0].Contour.size(), 1u);
    EXPECT_FALSE(figs[1].RapidFigure);
    EXPECT_EQ(figs[1].Layer, 2);
    EXPECT_EQ(figs[1].Contour.front(), (tpunkt{0, 0, 0}));  // the arc starts where the rapid ended
    EXPECT_EQ(figs[1].Contour.back(), (tpunkt{2000, 0, 0}));
    EXPECT_EQ(figs[1].Feed, 200.0);
}

TEST(GcodeReaderTest, InchFeedsAndUnitsStartAfreshPerFile) {
    GcodeReader r{DrawingText(""), Wide()};
    auto figs = ReadAll("G20\nG1 X1 F10\n", &r);
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_DOUBLE_EQ(figs[0].Feed, 254.0);
    EXPECT_DOUBLE_EQ(figs[0].Contour[0].X, 2540.0);
    auto limited = ReadAll("G20\nG1 X1 F10\n", nullptr, {1.0, 200.0, 0.0, 100.0});
    EXPECT_DOUBLE_EQ(limited[0].Feed, 200.0);
    auto next = ReadAll("G1 X1 F10\n");
    EXPECT_DOUBLE_EQ(next[0].Contour[0].X, 100.0);
    EXPECT_DOUBLE_EQ(next[0].Feed, 10.0);
}

TEST(GcodeReaderTest, UnitWordAloneStopsMotionUntilTheNextMode) {
    auto figs = ReadAll("G21\nX10 Y10\nG1 X5\n");
    ASSERT_EQ(figs.size(), 1u);
    ASSERT_EQ(figs[0].Contour.size(), 1u);
    EXPECT_EQ(figs[0].Contour[0], (tpunkt{500, 1000, 0}));
}

TEST(GcodeReaderTest, CommentsAreNotWordsAndPowerIsLimited) {
    GcodeReader r{DrawingText(""), Wide()};
    auto figs = ReadAll("(TOOL X DIA 3)\nG1 X1 S5000 ; Y99 comment\n(X5) G1 X10 (Y7)\n", &r);
    ASSERT_EQ(figs.size(), 1u);
    ASSERT_EQ(figs[0].Contour.size(), 2u);
    EXPECT_EQ(figs[0].Contour[1], (tpunkt{1000, 0, 0}));
    EXPECT_EQ(r.GcodePower, 1000.0);
}

TEST(GcodeReaderTest, BlankLineRepeatsAndLowerCaseIsIgnored) {
    auto figs = ReadAll("G1 X1\n\ng1 x10\nG1 X2 X7\n");
    ASSERT_EQ(figs.size(), 1u);
    ASSERT_EQ(figs[0].Contour.size(), 4u);
    EXPECT_EQ(figs[0].Contour[1].X, 100.0);
    EXPECT_EQ(figs[0].Contour[2].X, 100.0);
    EXPECT_EQ(figs[0].Contour[3].X, 200.0);  // the first X of the line
}

TEST(GcodeReaderTest, BadWordNamesTheLineAndKeepsEarlierFigures) {
    GcodeReader r{DrawingText("G0 X0\nG1 X1\nG1 X\n"), Wide()};
    tfigura a;
    r.ReadFigure(a);
    EXPECT_EQ(a.Contour.size(), 1u);
    tfigura b;
    try {
        r.ReadFigure(b);
        FAIL() << "no error";
    } catch (const CoreError& e) {
        EXPECT_EQ(e.kind(), CoreError::Kind::Conversion);
        EXPECT_NE(std::string(e.what()).find("line 3"), std::string::npos) << e.what();
    }
    GcodeReader big{DrawingText("G99999999999 X1\n"), Wide()};
    tfigura c;
    EXPECT_THROW(big.ReadFigure(c), CoreError);
}

TEST(GcodeReaderTest, HugeArcIsAnErrorNotAHang) {
    GcodeReader r{DrawingText("G1 X0 Y0\nG2 X100000000 Y0 I50000000 J0\n"), Wide()};
    tfigura f;
    EXPECT_THROW(r.ReadFigure(f), CoreError);
}

TEST(GcodeReaderTest, EveryGWordOfALineCountsInOrderWithTheWordsAroundThem) {
    // The last unit word and the last motion word win; the words between them stay words.
    auto figs = ReadAll("G20X1G0G21Y2G17G1\n");
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_FALSE(figs[0].RapidFigure);
    ASSERT_EQ(figs[0].Contour.size(), 1u);
    EXPECT_EQ(figs[0].Contour[0], (tpunkt{100, 200, 0}));
    // A line of a great many G words (a damaged or generated file) is read like a short one.
    std::string line;
    for (int i = 0; i < 50000; ++i) line += i % 2 ? "G1 " : "G0 ";
    auto many = ReadAll(line + "X5\n");
    ASSERT_EQ(many.size(), 1u);
    EXPECT_FALSE(many[0].RapidFigure);
    EXPECT_EQ(many[0].Contour[0], (tpunkt{500, 0, 0}));
    EXPECT_THROW(ReadAll("G1 X1 G2.5.5 G\n"), CoreError);
}

TEST(GcodeReaderTest, BlanksMayStandBetweenALetterAndItsNumber) {
    auto figs = ReadAll("G 1 X 44.1002 Y\t-5\nX 10.5\n");
    ASSERT_EQ(figs.size(), 1u);
    ASSERT_EQ(figs[0].Contour.size(), 2u);
    EXPECT_NEAR(figs[0].Contour[0].X, 4410.02, 1e-9);
    EXPECT_EQ(figs[0].Contour[0].Y, -500.0);
    EXPECT_EQ(figs[0].Contour[1].X, 1050.0);
    EXPECT_FALSE(figs[0].RapidFigure);
    // A letter with blanks and no number after it is still a fault.
    EXPECT_THROW(ReadAll("G1 X \n"), CoreError);
}

TEST(GcodeReaderTest, OnlyLinesWithAnArcWordAddAnArc) {
    // The end of an ordinary program: M5, a comment and M30 while G2 is in force add nothing.
    auto figs = ReadAll("G1 X0 Y0 F100\nG2 X10 Y0 I5 J0\nM5\n(done)\nM30\n");
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_EQ(figs[0].Contour.size(), 64u);
    EXPECT_EQ(figs[0].Contour.back(), (tpunkt{1000, 0, 0}));
    // A full circle programmed as one line is still a whole circle.
    figs = ReadAll("G1 X0 Y0 F100\nG2 X0 Y0 I5 J0\n");
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_EQ(figs[0].Contour.size(), 1u + 126u);
    EXPECT_NEAR(figs[0].MaxX, 1000.0, 0.5);
    // Blank lines, comments, M, S and F lines inside an arc run add no points; the next arc
    // word goes on from where the last arc ended.
    figs = ReadAll("G1 X0 Y0\nG2 X10 Y0 I5 J0\n\n(pause)\nM3 S100\nF200\n; note\nG2 X0 Y0 I5 J0\n");
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_EQ(figs[0].Contour.size(), 1u + 63u + 63u);
    EXPECT_EQ(figs[0].Contour.back(), (tpunkt{0, 0, 0}));
    EXPECT_EQ(figs[0].Feed, 200.0);
}

TEST(GcodeReaderTest, AZOnlyLineInArcModeMovesStraight) {
    // The tool lifts after the half circle: one point straight above its end, no circle.
    auto figs = ReadAll("G1 X0 Y0 F100\nG2 X10 Y0 I5 J0\nZ5\nM30\n");
    ASSERT_EQ(figs.size(), 1u);
    EXPECT_EQ(figs[0].Contour.size(), 65u);
    EXPECT_EQ(figs[0].ToolPath3D.back(), (tpunkt{1000, 0, 500}));
    EXPECT_EQ(figs[0].ToolPath3D[63], (tpunkt{1000, 0, 0}));
    EXPECT_NEAR(figs[0].CutLength, 5.0 * 3.14159265 + 5.0, 0.01);
    // A plunge before the first arc, in G2 already, opens the feed run at the plunge.
    figs = ReadAll("G0 X0 Y0\nG2 Z-1\nX10 Y0 I5 J0\n");
    ASSERT_EQ(figs.size(), 2u);
    EXPECT_EQ(figs[1].ToolPath3D.front(), (tpunkt{0, 0, 0}));
    EXPECT_EQ(figs[1].ToolPath3D[1], (tpunkt{0, 0, -100}));
    EXPECT_EQ(figs[1].Contour.size(), 2u + 63u);
}
