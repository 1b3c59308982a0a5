// Every reader stops a drawing that needs more points than one load may produce, with a range
// error naming the line, keeping the figures read before it. The tests lower the budget (a
// reader setting) so that reaching it costs little; the budget of a real load is 20,000,000.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drawing_files/hpgl.h"
#include "model/core_error.h"

using namespace vellisk;

namespace {

struct Reading {
    std::vector<tfigura> figures;  // the valid ones
    std::string error;
    CoreError::Kind kind = CoreError::Kind::InputOutput;
};

Reading ReadWithBudget(const std::string& text, std::int32_t kind, double budget) {
    Thpgl r;
    DrawingReaderSettings settings;
    settings.pointBudget = budget;
    r.OpenText(text, kind, settings);
    Reading out;
    try {
        while (!r.EndOfFile) {
            tfigura f;
            r.ReadFigure(f);
            if (!f.Contour.empty()) out.figures.push_back(std::move(f));
        }
    } catch (const CoreError& e) {
        out.error = e.what();
        out.kind = e.kind();
    }
    return out;
}

}  // namespace

TEST(PointBudgetTest, ALoadMayProduceTwentyMillionPoints) {
    EXPECT_EQ(PointBudget::kLoadPoints, 20'000'000);
    EXPECT_EQ(PointBudget().Exceeded(), "the drawing needs more than 20000000 points");
}

TEST(PointBudgetTest, GcodeArcPastTheBudgetEndsTheLoad) {
    // The 15 bytes "Y2", "Y6000000X5G3" ask for an arc of 3.8 million points.
    Reading r = ReadWithBudget("G1 X1\nX2\nG0 X0\nY2\nY6000000X5G3\n", KindGcode, 1'000'000);
    EXPECT_EQ(r.kind, CoreError::Kind::Range);
    EXPECT_EQ(r.error, "G-code line 5: the drawing needs more than 1000000 points");
    ASSERT_EQ(r.figures.size(), 2u);
    EXPECT_EQ(r.figures[0].Contour.size(), 2u);
    EXPECT_EQ(r.figures[1].Contour.size(), 2u);
    // The budget counts the whole load, not one arc: arcs that fit one by one add up.
    r = ReadWithBudget("G1 X10 Y0\nG3 X10 Y0 I5 J0\nG3 X10 Y0 I5 J0\nG3 X10 Y0 I5 J0\n", KindGcode, 300);
    EXPECT_EQ(r.error, "G-code line 4: the drawing needs more than 300 points");
}

TEST(PointBudgetTest, FarSplinePastTheBudgetEndsTheLoad) {
    std::string dxf =
        "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n10\n21\n0\n"
        "0\nSPLINE\n71\n3\n72\n8\n73\n4\n";
    for (const char* k : {"0", "0", "0", "0", "1", "1", "1", "1"}) dxf += std::string("40\n") + k + "\n";
    for (const char* p : {"0", "8750000", "0", "10"}) dxf += std::string("10\n") + p + "\n20\n0\n";
    dxf += "0\nLINE\n10\n0\n20\n0\n11\n5\n21\n5\n0\nENDSEC\n0\nEOF\n";
    Reading r = ReadWithBudget(dxf, KindDxf, 1'000'000);
    EXPECT_EQ(r.kind, CoreError::Kind::Range);
    EXPECT_NE(r.error.find("DXF line "), std::string::npos) << r.error;
    EXPECT_NE(r.error.find(": the drawing needs more than 1000000 points"), std::string::npos) << r.error;
    ASSERT_EQ(r.figures.size(), 1u);  // the line before the spline
    // Many small entities count up the same way.
    std::string lines = "0\nSECTION\n2\nENTITIES\n";
    for (int i = 0; i < 10; ++i) lines += "0\nLINE\n10\n0\n20\n" + std::to_string(i) + "\n11\n10\n21\n0\n";
    r = ReadWithBudget(lines, KindDxf, 9);
    EXPECT_EQ(r.kind, CoreError::Kind::Range);
    EXPECT_EQ(r.figures.size(), 4u);
}

TEST(PointBudgetTest, HpglPastTheBudgetEndsTheLoad) {
    Reading r = ReadWithBudget("PU0,0;PD1,0,2,0;PU;\nPD3,0,4,0,5,0,6,0;PU;", KindHpgl, 5);
    EXPECT_EQ(r.kind, CoreError::Kind::Range);
    EXPECT_EQ(r.error, "HPGL line 2: the drawing needs more than 5 points");
    ASSERT_EQ(r.figures.size(), 1u);
    EXPECT_EQ(r.figures[0].Contour.size(), 3u);
}
