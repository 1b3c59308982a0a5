// Reads every drawing written by other programs in ../shared/testdata in place: none may crash or
// hang; each gives figures or a clear error. Prints per file the figure count and bounding box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "drawing_files/dxf_reader.h"
#include "drawing_files/gcode_reader.h"
#include "drawing_files/hpgl.h"
#include "model/core_error.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

struct Outcome {
    std::size_t figures = 0;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    std::string error;
    std::vector<std::string> warnings;
};

template <typename Reader>
Outcome ReadEvery(Reader& r, std::size_t maxCalls) {
    Outcome o;
    std::size_t calls = 0;
    try {
        while (!r.EndOfFile) {
            if (++calls > maxCalls) {
                o.error = "reader did not reach the end of the file";
                break;
            }
            tfigura f;
            r.ReadFigure(f);
            if (!f.Valid) continue;
            ++o.figures;
            o.minX = std::min(o.minX, f.MinX);
            o.minY = std::min(o.minY, f.MinY);
            o.maxX = std::max(o.maxX, f.MaxX);
            o.maxY = std::max(o.maxY, f.MaxY);
        }
    } catch (const CoreError& e) {
        o.error = e.what();
    }
    return o;
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir) {
    std::vector<std::filesystem::path> files;
    for (auto& e : std::filesystem::directory_iterator(dir))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

void Report(const std::filesystem::path& file, const Outcome& o) {
    if (o.figures > 0)
        std::printf("%-45s %6zu figures  box (%.2f, %.2f) - (%.2f, %.2f)%s%s\n",
                    file.filename().c_str(), o.figures, o.minX, o.minY, o.maxX, o.maxY,
                    o.error.empty() ? "" : "  then: ", o.error.c_str());
    else
        std::printf("%-45s      0 figures  %s\n", file.filename().c_str(),
                    o.error.empty() ? "(nothing drawable)" : o.error.c_str());
    for (auto& w : o.warnings) std::printf("    %s\n", w.c_str());
}

}  // namespace

TEST(SharedDrawingsTest, EveryDxfFileReads) {
    auto dir = test::SharedTestData("dxf");
    if (dir.empty()) GTEST_SKIP() << "../shared/testdata/dxf is not there";
    for (auto& file : FilesIn(dir)) {
        DrawingText text = DrawingText::FromFile(file);
        std::size_t maxCalls = text.Size() + 2;
        DxfReader r{std::move(text)};
        Outcome o = ReadEvery(r, maxCalls);
        o.warnings = r.Warnings;
        Report(file, o);
        EXPECT_TRUE(o.figures > 0 || !o.error.empty() || r.EndOfFile) << file;
        EXPECT_EQ(o.error.find("did not reach"), std::string::npos) << file;
        if (!o.error.empty()) {
            EXPECT_NE(o.error.find("line "), std::string::npos) << o.error;
        }
    }
}

TEST(SharedDrawingsTest, EveryGcodeFileReads) {
    auto dir = test::SharedTestData("gcode");
    if (dir.empty()) GTEST_SKIP() << "../shared/testdata/gcode is not there";
    for (auto& file : FilesIn(dir)) {
        DrawingText text = DrawingText::FromFile(file);
        std::size_t maxCalls = 2 * text.Size() + 2;
        GcodeReader r{std::move(text), GcodeLimits{}};
        Outcome o = ReadEvery(r, maxCalls);
        Report(file, o);
        EXPECT_EQ(o.error.find("did not reach"), std::string::npos) << file;
        if (!o.error.empty()) {
            EXPECT_NE(o.error.find("line "), std::string::npos) << o.error;
        }
    }
}

TEST(SharedDrawingsTest, EveryHpglFileReads) {
    auto dir = test::SharedTestData("hpgl");
    if (dir.empty()) GTEST_SKIP() << "../shared/testdata/hpgl is not there";
    for (auto& file : FilesIn(dir)) {
        Thpgl r;
        ASSERT_EQ(r.OpenInput(file, KindHpgl), 0) << r.OpenError();
        Outcome o = ReadEvery(r, std::filesystem::file_size(file) + 2);
        r.CloseInput();
        Report(file, o);
        EXPECT_EQ(o.error, "") << file;
    }
}
