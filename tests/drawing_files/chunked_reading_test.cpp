// A drawing read from disk in chunks, as the program reads it, gives exactly the figures of the
// same text read whole from memory: whatever the chunk size, and wherever a line end falls
// (in particular on the last byte of a chunk, and between the CR and the LF of a pair).
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "drawing_files/hpgl.h"
#include "model/core_error.h"
#include "support/generated_drawings.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

struct Reading {
    std::vector<tfigura> figures;
    std::string error;
};

Reading ReadAll(Thpgl& r) {
    Reading out;
    try {
        while (!r.EndOfFile) {
            tfigura f;
            r.ReadFigure(f);
            out.figures.push_back(std::move(f));
        }
    } catch (const CoreError& e) {
        out.error = e.what();
    }
    r.CloseInput();
    return out;
}

Reading FromMemory(const std::string& text, std::int32_t kind) {
    Thpgl r;
    r.OpenText(text, kind);
    return ReadAll(r);
}

Reading FromFile(const std::filesystem::path& path, std::int32_t kind, std::size_t chunk) {
    Thpgl r;
    DrawingReaderSettings settings;
    settings.chunkBytes = chunk;
    EXPECT_EQ(r.OpenInput(path, kind, settings), 0) << r.OpenError();
    return ReadAll(r);
}

bool SamePoints(const std::vector<tpunkt>& a, const std::vector<tpunkt>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].X != b[i].X || a[i].Y != b[i].Y || a[i].Z != b[i].Z) return false;
    return true;
}

void ExpectSame(const Reading& whole, const Reading& chunked, const std::string& what) {
    ASSERT_EQ(whole.error, chunked.error) << what;
    ASSERT_EQ(whole.figures.size(), chunked.figures.size()) << what;
    for (std::size_t i = 0; i < whole.figures.size(); ++i) {
        const tfigura& a = whole.figures[i];
        const tfigura& b = chunked.figures[i];
        ASSERT_TRUE(SamePoints(a.Contour, b.Contour) && SamePoints(a.ToolPath3D, b.ToolPath3D) && a.Layer == b.Layer &&
                    a.Valid == b.Valid && a.Open == b.Open && a.Value == b.Value && a.Feed == b.Feed &&
                    a.RapidFigure == b.RapidFigure)
            << what << ": figure " << i + 1 << " differs";
    }
}

// Pads lines with leading blanks (which every format passes over in the lines allowed by
// `paddable`) so that a line end falls exactly on every multiple of `chunk`. Returns how many
// chunk ends got one.
int PutLineEndsOnChunkEnds(std::string& text, std::size_t chunk, bool (*paddable)(std::string_view)) {
    int aligned = 0;
    for (std::size_t b = chunk; b < text.size(); b += chunk) {
        const std::size_t from = b - chunk;
        std::size_t e = text.rfind('\n', b - 1);
        if (e == std::string::npos || e < from) continue;
        if (e + 1 == b) {
            ++aligned;
            continue;
        }
        const std::size_t pad = b - (e + 1);
        for (;;) {
            const std::size_t lf = e == 0 ? std::string::npos : text.rfind('\n', e - 1);
            const std::size_t start = lf == std::string::npos ? 0 : lf + 1;
            if (start < from) break;
            std::string_view content(text.data() + start, e - start);
            if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
            if (paddable(content)) {
                text.insert(start, pad, ' ');
                ++aligned;
                break;
            }
            if (start == 0) break;
            e = start - 1;
        }
    }
    return aligned;
}

bool NumberLine(std::string_view s) {
    return !s.empty() && s.find_first_not_of(" 0123456789.-") == std::string_view::npos;
}
bool AnyLine(std::string_view) { return true; }

class ChunkedReadingTest : public ::testing::Test {
protected:
    void ExpectChunksReadAsWhole(std::string text, std::int32_t kind, bool (*paddable)(std::string_view)) {
        EXPECT_GT(PutLineEndsOnChunkEnds(text, 4096, paddable), 0);
        const auto path = dir_ / "drawing";
        test::WriteGenerated(path, text);
        const Reading whole = FromMemory(text, kind);
        EXPECT_EQ(whole.error, "");
        EXPECT_GT(whole.figures.size(), 10u);
        for (std::size_t chunk : {1, 2, 3, 7, 4096})
            ExpectSame(whole, FromFile(path, kind, chunk), "chunks of " + std::to_string(chunk));
    }

    test::TempDir dir_;
};

}  // namespace

TEST_F(ChunkedReadingTest, DxfReadInChunksGivesEveryFigureAsReadWhole) {
    ExpectChunksReadAsWhole(test::GeneratedDxf(60), KindDxf, NumberLine);
    ExpectChunksReadAsWhole(test::GeneratedDxf(60, "\r\n"), KindDxf, NumberLine);
}

TEST_F(ChunkedReadingTest, GcodeReadInChunksGivesEveryFigureAsReadWhole) {
    ExpectChunksReadAsWhole(test::GeneratedGcode(600), KindGcode, AnyLine);
}

TEST_F(ChunkedReadingTest, HpglReadInChunksGivesEveryFigureAsReadWhole) {
    ExpectChunksReadAsWhole(test::GeneratedHpgl(12, 60), KindHpgl, AnyLine);
}

// The generated drawing of 200,000 entities (about 42 MB) read from disk with the usual chunk
// gives all its figures, each as read from memory.
TEST_F(ChunkedReadingTest, LargeDxfReadFromDiskGivesEveryFigure) {
    const std::string text = test::GeneratedDxf(200000);
    const auto path = dir_ / "large.dxf";
    test::WriteGenerated(path, text);
    Thpgl disk, memory;
    ASSERT_EQ(disk.OpenInput(path, KindDxf), 0) << disk.OpenError();
    memory.OpenText(text, KindDxf);
    std::size_t figures = 0;
    while (!memory.EndOfFile) {
        ASSERT_FALSE(disk.EndOfFile) << "after " << figures << " figures";
        tfigura a, b;
        memory.ReadFigure(a);
        ASSERT_NO_THROW(disk.ReadFigure(b)) << "after " << figures << " figures";
        ASSERT_TRUE(SamePoints(a.Contour, b.Contour) && a.Layer == b.Layer && a.Valid == b.Valid)
            << "figure " << figures + 1 << " differs";
        figures += a.Valid ? 1 : 0;
    }
    EXPECT_TRUE(disk.EndOfFile);
    EXPECT_EQ(figures, 200000u);
}
