// Reads every drawing written by other programs in ../shared/testdata in place: none may crash or
// hang; each gives figures or a clear error. Prints per file the figure count and bounding box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
        std::printf("%-45s %6zu figures  box (%.2f, %.2f) - (%.2f, %.2f)%s%s\n", file.filename().c_str(), o.figures,
                    o.minX, o.minY, o.maxX, o.maxY, o.error.empty() ? "" : "  then: ", o.error.c_str());
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

// The figure count, point count and box of every shared drawing, read the way the drawing
// window reads it, against the listing kept in tests/data/shared_drawings.txt. A reader change
// that alters any of them shows here and must be explained. VELLISK_WRITE_LISTING=<file>
// writes the listing as read now (to see or to take over the change).
namespace {

std::string ListingLine(const std::filesystem::path& file, std::int32_t kind) {
    Thpgl r;
    if (r.OpenInput(file, kind) != 0) return "cannot open: " + r.OpenError();
    std::size_t figures = 0, points = 0, calls = 0;
    const std::size_t maxCalls = 2 * std::filesystem::file_size(file) + 2;
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    std::string error;
    try {
        while (!r.EndOfFile && ++calls <= maxCalls) {
            tfigura f;
            r.ReadFigure(f);
            // The window keeps HPGL and DXF figures by their Valid flag, G-code runs as read.
            if (kind == KindGcode ? f.Contour.empty() : !f.Valid) continue;
            if (figures == 0) {
                minX = f.MinX, minY = f.MinY, maxX = f.MaxX, maxY = f.MaxY;
            } else {
                minX = std::min(minX, f.MinX), minY = std::min(minY, f.MinY);
                maxX = std::max(maxX, f.MaxX), maxY = std::max(maxY, f.MaxY);
            }
            ++figures;
            points += f.Contour.size();
        }
    } catch (const CoreError& e) {
        error = e.what();
    }
    std::size_t warnings = r.Warnings().size();
    r.CloseInput();
    char buf[256];
    std::snprintf(buf, sizeof buf, "%zu figures, %zu points, box (%.2f, %.2f) - (%.2f, %.2f)", figures, points, minX,
                  minY, maxX, maxY);
    std::string line = buf;
    if (warnings > 0) line += ", " + std::to_string(warnings) + " left out";
    if (!error.empty()) line += "; stops: " + error;
    return line;
}

}  // namespace

TEST(SharedDrawingsTest, FiguresAndBoxesMatchTheListing) {
    auto root = test::SharedTestData();
    if (root.empty() || !std::filesystem::exists(root / "dxf")) GTEST_SKIP() << "no shared drawings";
    std::string now;
    const std::pair<const char*, std::int32_t> folders[] = {{"dxf", KindDxf}, {"gcode", KindGcode}, {"hpgl", KindHpgl}};
    for (auto [folder, kind] : folders)
        for (auto& file : FilesIn(root / folder))
            now += std::string(folder) + "/" + file.filename().string() + ": " + ListingLine(file, kind) + "\n";
    if (const char* out = std::getenv("VELLISK_WRITE_LISTING")) test::WriteFileBytes(out, now);
    const std::filesystem::path listing = test::ProjectTestData() / "shared_drawings.txt";
    ASSERT_TRUE(std::filesystem::exists(listing)) << "tests/data/shared_drawings.txt is missing";
    const std::string kept = test::ReadFileBytes(listing);
    // Line by line, so that a failure names the drawings that changed.
    auto lines = [](const std::string& s) {
        std::vector<std::string> v;
        std::size_t b = 0;
        for (std::size_t e; (e = s.find('\n', b)) != std::string::npos; b = e + 1) v.push_back(s.substr(b, e - b));
        return v;
    };
    auto a = lines(kept), b = lines(now);
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i)
        EXPECT_EQ(i < a.size() ? a[i] : "", i < b.size() ? b[i] : "") << "listing line " << i + 1;
}
