// Loading a drawing: the clean-up of the import, bounds and origin, the layer table, failures.
#include <gtest/gtest.h>

#include <random>

#include "drawing_window/project_io.h"
#include "model/geometry.h"
#include "machine_link/machine_context.h"
#include "project_test_support.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using test::FigureSpec;
using test::ListInput;
using test::Rect;

class ProjectLoad : public ::testing::Test, public test::MachineRig {
protected:
    void SetUp() override { env.Lang.Language = kLangEnglish; }
    LoadResult Load(std::vector<FigureSpec> figs, int kind = KindHpgl) {
        project = std::make_unique<Project>(kind, settings, ctx, env, jobValues, notifier);
        ListInput input(std::move(figs));
        auto r = project->Load("drawing.plt", input);
        EXPECT_FALSE(input.open);
        return r;
    }
    std::vector<std::pair<double, double>> Points(std::int32_t i) const {
        std::vector<std::pair<double, double>> v;
        for (const auto& p : project->Figure(i).Contour) v.emplace_back(p.X, p.Y);
        return v;
    }
    using Pts = std::vector<std::pair<double, double>>;

    Settings settings;
    test::RecordingNotifier notifier;
    std::unique_ptr<Project> project;
};

TEST_F(ProjectLoad, OpenPathTouchingAnEarlierOneIsJoinedToIt) {
    settings.SetFlag("Auto_kolejnosc", false);
    Load({{{{0, 0}, {100, 0}}}, {{{101, 1}, {200, 0}}}});
    ASSERT_EQ(project->Count(), 1);
    EXPECT_EQ(Points(0), (Pts{{0, 0}, {101, 1}, {200, 0}}));
    EXPECT_TRUE(project->Figure(0).Open);
    EXPECT_EQ(CuttingPath(project->Figure(0)).size(), 3u);

    settings.SetFlag("auto_add", false);
    Load({{{{0, 0}, {100, 0}}}, {{{101, 1}, {200, 0}}}});
    EXPECT_EQ(project->Count(), 2);
}

TEST_F(ProjectLoad, EndsTwoUnitsApartStaySeparate) {
    settings.SetFlag("Auto_kolejnosc", false);
    Load({{{{0, 0}, {100, 0}}}, {{{102, 0}, {200, 0}}}});
    EXPECT_EQ(project->Count(), 2);
    Load({{{{0, 0}, {100, 0}}}, {{{101.99, 1.99}, {200, 0}}}});
    EXPECT_EQ(project->Count(), 1);
}

TEST_F(ProjectLoad, EachJoinRuleKeepsThePointsInPathOrder) {
    settings.SetFlag("Auto_kolejnosc", false);
    settings.SetFlag("crosstopoint", false);
    // 1: the new path's end meets the kept one's start.
    Load({{{{10, 0}, {20, 0}, {30, 0}}}, {{{0, 0}, {10, 1}}}});
    EXPECT_EQ(Points(0), (Pts{{0, 0}, {10, 1}, {20, 0}, {30, 0}}));
    // 2: end meets end.
    Load({{{{30, 0}, {20, 0}, {10, 0}}}, {{{0, 0}, {10, 1}}}});
    EXPECT_EQ(Points(0), (Pts{{0, 0}, {10, 1}, {20, 0}, {30, 0}}));
    // 3: start meets start: the kept path, reversed, goes in front.
    Load({{{{10, 0}, {20, 0}, {30, 0}}}, {{{10, 1}, {0, 5}}}});
    EXPECT_EQ(Points(0), (Pts{{30, 0}, {20, 0}, {10, 1}, {0, 5}}));
    // 4: start meets end.
    Load({{{{30, 0}, {20, 0}, {10, 0}}}, {{{10, 1}, {0, 5}}}});
    EXPECT_EQ(Points(0), (Pts{{30, 0}, {20, 0}, {10, 1}, {0, 5}}));
    // Pieces of one outline read in any order close into one figure.
    Load({{{{0, 0}, {100, 0}}}, {{{100, 100}, {0, 100}}}, {{{100, 0}, {100, 100}}}, {{{0, 100}, {0, 0}}}});
    ASSERT_EQ(project->Count(), 1);
    EXPECT_FALSE(project->Figure(0).Open);
    EXPECT_EQ(project->Figure(0).Contour.size(), 5u);
}

TEST_F(ProjectLoad, DuplicatesDroppedOnlyWhenAskedAndOnlyInTheSameOrder) {
    settings.SetFlag("Auto_kolejnosc", false);
    Load({Rect(0, 0, 100, 100), Rect(0, 0, 100, 100)});
    EXPECT_EQ(project->Count(), 1);
    FigureSpec reversed = Rect(0, 0, 100, 100);
    std::reverse(reversed.points.begin(), reversed.points.end());
    Load({Rect(0, 0, 100, 100), reversed});
    EXPECT_EQ(project->Count(), 2);
    settings.SetFlag("auto_remove", false);
    Load({Rect(0, 0, 100, 100), Rect(0, 0, 100, 100)});
    EXPECT_EQ(project->Count(), 2);
}

TEST_F(ProjectLoad, CrossingLinesBecomeOneDrillingPoint) {
    settings.SetFlag("Auto_kolejnosc", false);
    Load({Rect(500, 500, 600, 600), {{{0, 0}, {100, 100}}}, {{{0, 100}, {100, 0}}}});
    ASSERT_EQ(project->Count(), 2);
    const tfigura& point = project->Figure(1);
    EXPECT_TRUE(point.PointFigure);
    EXPECT_EQ(Points(1), (Pts{{50, 50}, {50, 50}}));
    EXPECT_TRUE(point.Open);
    settings.SetFlag("crosstopoint", false);
    Load({{{{0, 0}, {100, 100}}}, {{{0, 100}, {100, 0}}}});
    EXPECT_EQ(project->Count(), 2);
}

TEST_F(ProjectLoad, NearlyClosedOutlineCountsAsClosed) {
    settings.SetFlag("Auto_kolejnosc", false);
    Load({{{{0, 0}, {100, 0}, {100, 100}, {1.5, 1.5}}}, {{{200, 0}, {300, 0}}}});
    ASSERT_EQ(project->Count(), 2);
    EXPECT_FALSE(project->Figure(0).Open);
    EXPECT_TRUE(project->Figure(1).Open);
}

TEST_F(ProjectLoad, BoundsOriginIndexAndLayerTable) {
    settings.SetFlag("Auto_kolejnosc", false);
    const auto r = Load({Rect(10.4, 20.6, 110, 120.5, 2), Rect(-30.5, 5, 0, 15, 3)});
    EXPECT_EQ(r.status, LoadStatus::Ok);
    EXPECT_EQ(r.figuresRead, 2);
    EXPECT_EQ(project->Bounds.MinX, -30);  // halves to even
    EXPECT_EQ(project->Bounds.MinY, 5);
    EXPECT_EQ(project->Bounds.MaxX, 110);
    EXPECT_EQ(project->Bounds.MaxY, 120);
    EXPECT_DOUBLE_EQ(project->ProjectWidth, 140);
    EXPECT_DOUBLE_EQ(project->ProjectCentreX, 40);
    EXPECT_DOUBLE_EQ(project->ProjectCentreY, 62.5);
    for (std::int32_t i = 0; i < project->Count(); ++i) {
        const tfigura& f = project->Figure(i);
        EXPECT_EQ(f.Index, i);
        EXPECT_DOUBLE_EQ(f.OriginX, -30);
        EXPECT_DOUBLE_EQ(f.OriginY, 5);
        EXPECT_TRUE(f.ToCut);
        EXPECT_FALSE(project->ToolPathOf(f).empty());
    }
    EXPECT_EQ(project->DrawingFigureCount, 2);
    EXPECT_EQ(project->SelectedFigure, -1);
    // A single-layer project has its layer table too, for a later switch to layers.
    ASSERT_TRUE(project->Layers);
    EXPECT_EQ(project->Layers->LayerCount(), 2);
    EXPECT_EQ(notifier.busyDepth, 0);
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(ProjectLoad, LargerThanTheWorkAreaIsSaidAndStaysLoaded) {
    ctx.WorkAreaX = 250;
    ctx.WorkAreaY = 200;
    settings.SetNumber("skala", 150);
    const auto r = Load({Rect(0, 0, 8000, 4000)});
    EXPECT_TRUE(r.exceedsWorkArea);
    EXPECT_EQ(r.status, LoadStatus::Ok);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, "Project size is bigger than the machine work area ");
    EXPECT_EQ(notifier.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(project->Count(), 1);
    settings.SetNumber("skala", 100);
    notifier.messages.clear();
    EXPECT_FALSE(Load({Rect(0, 0, 8000, 4000)}).exceedsWorkArea);
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(ProjectLoad, OpenFailuresKeepNothing) {
    project = std::make_unique<Project>(KindDxf, settings, ctx, env, jobValues, notifier);
    ListInput locked({Rect(0, 0, 1, 1)}, 32);
    auto r = project->Load("a.dxf", locked);
    EXPECT_EQ(r.status, LoadStatus::FileLocked);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, "File is used by another program");
    EXPECT_EQ(notifier.messages[0].caption, "");
    ListInput missing({Rect(0, 0, 1, 1)}, 2);
    r = project->Load("a.dxf", missing);
    EXPECT_EQ(r.status, LoadStatus::CannotOpen);
    EXPECT_EQ(notifier.messages.back().text.rfind("Cannot open the file :", 0), 0u);
    EXPECT_EQ(project->Count(), 0);
    EXPECT_EQ(notifier.busyDepth, 0);
}

TEST_F(ProjectLoad, ReaderErrorClosesTheFileAndKeepsNoHalfProject) {
    project = std::make_unique<Project>(KindHpgl, settings, ctx, env, jobValues, notifier);
    ListInput input({Rect(0, 0, 10, 10), Rect(20, 0, 30, 10), Rect(40, 0, 50, 10)});
    input.failAt = 2;
    const auto r = project->Load("broken.plt", input);
    EXPECT_EQ(r.status, LoadStatus::ReaderError);
    EXPECT_EQ(input.closed, 1);
    EXPECT_EQ(project->Count(), 0);
    EXPECT_EQ(notifier.busyDepth, 0);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].text.find("broken.plt, line 21"), std::string::npos);
    EXPECT_NE(notifier.messages[0].text.find("1.5x"), std::string::npos);
    EXPECT_EQ(notifier.statuses.back(), "");
}

TEST_F(ProjectLoad, EmptyDrawingIsAnEmptyProject) {
    const auto r = Load({});
    EXPECT_EQ(r.status, LoadStatus::Ok);
    EXPECT_EQ(project->Count(), 0);
    EXPECT_EQ(project->Bounds.MaxX, 0);
    EXPECT_DOUBLE_EQ(project->ProjectWidth, 0);
    EXPECT_FALSE(project->HasFrame);
    // The window opens, and the operator hears that there is nothing to cut.
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, "The drawing has no figures");
    EXPECT_EQ(notifier.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(r.message, "The drawing has no figures");
}

// DXF files that end too soon, read from disk: the figures before the cut stay, the entity the
// file ends inside is left out with a warning naming it; a file cut inside its blocks has none.
TEST_F(ProjectLoad, DxfCutOffInsideAnEntityKeepsWhatCameBefore) {
    auto pairs = [](std::initializer_list<const char*> lines) {
        std::string s;
        for (const char* l : lines) s += std::string(l) + "\n";
        return s;
    };
    const std::string entities = pairs({"0", "SECTION", "2", "ENTITIES"});
    const std::string circle = pairs({"0", "CIRCLE", "8", "0", "10", "50", "20", "50", "40", "10"});
    const std::string cutLine = pairs({"0", "LINE", "8", "0", "10", "100", "20", "100", "11"}) + "31";
    const std::string cutBlocks = pairs({"0", "SECTION", "2", "BLOCKS", "0", "BLOCK", "8", "0"});
    test::TempDir dir;
    auto load = [&](const std::string& name, const std::string& text) {
        test::WriteFileBytes(dir / name, text);
        notifier.messages.clear();
        project = std::make_unique<Project>(KindDxf, settings, ctx, env, jobValues, notifier);
        auto input = MakeDrawingInput(ctx, settings);
        return project->Load((dir / name).string(), *input);
    };
    LoadResult r = load("cut.dxf", entities + circle + circle + cutLine);
    EXPECT_EQ(r.status, LoadStatus::Ok);
    EXPECT_EQ(project->Count(), 1) << "the circle (twice, one a duplicate), no line to the origin";
    EXPECT_LE(project->Bounds.MaxX, 6000 + 1);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0], "DXF line 26: LINE left out: the file ends inside it");
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, r.warnings[0]);
    EXPECT_EQ(notifier.messages[0].kind, MessageKind::Warning);

    r = load("blocks.dxf", cutBlocks);
    EXPECT_EQ(r.status, LoadStatus::Ok);
    EXPECT_EQ(project->Count(), 0);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, "The drawing has no figures");
}

TEST_F(ProjectLoad, InvalidFiguresAreDroppedButGcodeKeepsEverything) {
    settings.SetFlag("Auto_kolejnosc", false);
    Load({{{{5, 5}, {5, 5}}}, Rect(0, 0, 10, 10)});
    EXPECT_EQ(project->Count(), 1);
    Load({{{{5, 5}, {5, 5}}}, Rect(0, 0, 10, 10), Rect(0, 0, 10, 10)}, KindGcode);
    EXPECT_EQ(project->Count(), 3);
}

// The load's look-up structures give the same project as walking the whole list for every
// figure, as the clean-up rules are written.
TEST_F(ProjectLoad, IndexedCleanUpMatchesThePlainWalk) {
    settings.SetFlag("Auto_kolejnosc", false);
    settings.SetFlag("Auto_kierunek", false);
    settings.SetFlag("doOutline", false);  // the contours as cleaned up, not thinned by the offset
    settings.SetFlag("polerowanie", false);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, 40);
    std::uniform_int_distribution<int> len(2, 4);
    for (int round = 0; round < 30; ++round) {
        std::vector<FigureSpec> figs;
        for (int k = 0; k < 60; ++k) {
            FigureSpec s;
            const int n = len(rng);
            for (int p = 0; p < n; ++p) s.points.emplace_back(coord(rng) * 1.5, coord(rng) * 1.5);
            figs.push_back(s);
            if (k % 7 == 0) figs.push_back(s);  // a duplicate now and then
        }
        Load(figs);
        std::vector<Pts> indexed;
        for (std::int32_t i = 0; i < project->Count(); ++i) indexed.push_back(Points(i));

        Project plain(KindHpgl, settings, ctx, env, jobValues, notifier);
        for (const FigureSpec& s : figs) {
            auto f = std::make_unique<tfigura>();
            for (auto [x, y] : s.points) f->Contour.push_back({x, y, 0});
            CompleteReadFigure(*f);
            if (!f->Valid) continue;
            plain.JoinOpenPaths(*f);
            if (plain.IsDuplicateFigure(*f)) continue;
            Project::licz_parametry(*f);
            f->PointFigure = false;
            if (f->Contour.size() == 2 && plain.CrossingLinesToPoint(*f)) Project::licz_parametry(*f);
            plain.Figures.push_back(std::move(f));
        }
        ASSERT_EQ(plain.Count(), project->Count()) << "round " << round;
        for (std::int32_t i = 0; i < plain.Count(); ++i) {
            Pts p;
            for (const auto& q : plain.Figure(i).Contour) p.emplace_back(q.X, q.Y);
            EXPECT_EQ(p, indexed[static_cast<std::size_t>(i)]) << "round " << round << " figure " << i;
        }
    }
}

}  // namespace
}  // namespace vellisk

#include "drawing_window/project_io.h"

namespace vellisk {
namespace {

// An HPGL plate read by the program's reader: two parts, each with a hole; the holes are found
// inside their parts, go the other way round and are cut first.
TEST(ProjectLoadHpgl, PlateWithHolesThroughTheReader) {
    test::TempDir tmp;
    test::WriteFileBytes(tmp / "plate.plt",
                         "IN;SP1;PU0,0;PD4000,0,4000,4000,0,4000,0,0;PU1000,1000;PD2000,1000,2000,2000,1000,2000,"
                         "1000,1000;PU6000,0;PD10000,0,10000,4000,6000,4000,6000,0;PU7000,1000;PD8000,1000,8000,2000,"
                         "7000,2000,7000,1000;PU0,0;SP0;");
    Settings settings;
    test::MachineRig machine;
    SilentNotifier notifier;
    Project p(KindHpgl, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    auto input = MakeDrawingInput(machine.ctx, settings);
    ASSERT_EQ(p.Load((tmp / "plate.plt").string(), *input).status, LoadStatus::Ok);
    ASSERT_EQ(p.Count(), 4);
    EXPECT_EQ(p.MaxNestingLevel, 1);
    EXPECT_FALSE(p.HasFrame);
    for (std::int32_t i = 0; i < 4; ++i) {
        const tfigura& f = p.Figure(i);
        EXPECT_EQ(f.Level, i % 2 == 0 ? 1 : 0) << i;  // each hole directly before its part
        EXPECT_EQ(f.Direction, f.Level == 0 ? -1 : 1) << i;
        if (f.Level == 1) {
            EXPECT_EQ(f.Parent, &p.Figure(i + 1));
        }
    }
    EXPECT_GT(p.TotalCutLength, 0.0);
    // A change of settings repeats direction, order and tool paths, not the nesting.
    settings.SetChoice("out_dir", 1);
    p.PrzeliczPoWaznejZmianie();
    for (std::int32_t i = 0; i < 4; ++i) EXPECT_EQ(p.Figure(i).Direction, p.Figure(i).Level == 0 ? 1 : -1);
    EXPECT_EQ(p.MaxNestingLevel, 1);
}

}  // namespace
}  // namespace vellisk
