#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "drawing_files/drawing_text.h"
#include "drawing_files/hpgl.h"
#include "model/core_error.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

std::vector<std::string> Lines(DrawingText& t) {
    std::vector<std::string> v;
    std::string_view l;
    while (t.ReadLine(l)) v.emplace_back(l);
    return v;
}

}  // namespace

TEST(DrawingText, ChunkBoundariesDoNotSplitOrMergeLines) {
    test::TempDir dir;
    const std::size_t chunk = DrawingText::kChunk;
    // A CR LF pair cut by the chunk boundary, a blank line, and a line longer than two chunks.
    std::string text(chunk - 1, 'a');
    text += "\r\n\nb\r";
    text += std::string(2 * chunk + 17, 'c');
    text += "\nlast";
    test::WriteFileBytes(dir / "t.txt", text);
    DrawingText file = DrawingText::FromFile(dir / "t.txt");
    EXPECT_EQ(file.Size(), text.size());
    auto lines = Lines(file);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], std::string(chunk - 1, 'a'));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "b");
    EXPECT_EQ(lines[3], std::string(2 * chunk + 17, 'c'));
    EXPECT_EQ(lines[4], "last");
    EXPECT_FALSE(file.LastLineTerminated());
    EXPECT_TRUE(file.Exhausted());
    // The same text in memory reads alike.
    DrawingText memory(text);
    EXPECT_EQ(Lines(memory), lines);
}

TEST(DrawingText, OpenFailuresAreReturned) {
    test::TempDir dir;
    DrawingText t;
    std::string why;
    EXPECT_NE(t.Open(dir / "none.dxf", &why), 0);
    EXPECT_NE(why.find("none.dxf"), std::string::npos);
    EXPECT_NE(t.Open(dir.path(), &why), 0);
    EXPECT_THROW(DrawingText::FromFile(dir / "none.dxf"), CoreError);
}

TEST(DrawingNumbers, DotAlwaysWhateverTheLocale) {
    // Under a locale with a decimal comma the drawing formats still read '.'.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    bool comma = std::setlocale(LC_NUMERIC, "pl_PL.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    double v = 0;
    EXPECT_TRUE(ParseDrawingReal("12.5", v));
    EXPECT_EQ(v, 12.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!comma) GTEST_LOG_(INFO) << "no locale with a decimal comma installed";

    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {{"5.", true, 5},      {".5", true, 0.5},   {"-.5", true, -0.5},      {"+3", true, 3},
                 {"1,25", true, 1.25}, {"1e3", true, 1000}, {"-2.5E-1", true, -0.25}, {"nan", false, 0},
                 {"inf", false, 0},    {"0x10", false, 0},  {"1.2.3", false, 0},      {"+-1", false, 0},
                 {"1e", false, 0},     {"1-2", false, 0},   {".", false, 0},          {"", false, 0},
                 {"1e999", false, 0},  {" 1", false, 0}};
    for (const Case& c : cases) {
        double r = -7;
        EXPECT_EQ(ParseDrawingReal(c.text, r), c.ok) << c.text;
        EXPECT_EQ(r, c.ok ? c.value : -7) << c.text;  // a refused text leaves the value
    }
    std::int32_t i = 0;
    EXPECT_TRUE(ParseDrawingInt("-2147483648", i));
    EXPECT_EQ(i, INT32_MIN);
    EXPECT_TRUE(ParseDrawingInt("+62", i));
    EXPECT_EQ(i, 62);
    EXPECT_FALSE(ParseDrawingInt("2147483648", i));
    EXPECT_FALSE(ParseDrawingInt("1.0", i));
    EXPECT_FALSE(ParseDrawingInt("+-1", i));
}

TEST(DrawingText, LineReadersOfTheReaderObject) {
    Thpgl r;
    r.OpenText("10\n1,5\n\n7.25\n 42 \nx\n3", KindDxf);
    std::string line;
    std::uint8_t parity = r.CodeParity;
    r.ReadLine(line);
    EXPECT_EQ(line, "10");
    EXPECT_NE(r.CodeParity, parity);
    double v = 0;
    r.ReadRealLine(v);
    EXPECT_EQ(v, 1.5);
    r.ReadRealLine(v);  // an empty line leaves the value
    EXPECT_EQ(v, 1.5);
    r.ReadRealLine(v);
    EXPECT_EQ(v, 7.25);
    std::int32_t n = 0;
    r.ReadIntLine(n);
    EXPECT_EQ(n, 42);
    EXPECT_THROW(r.ReadIntLine(n), CoreError);
    r.ReadIntLine(n);  // a last line cut off by the end of the file leaves the value
    EXPECT_EQ(n, 42);
}
