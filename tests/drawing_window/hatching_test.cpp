// Hatching: where the scan lines lie, the hatch lines of squares (with and without a hole) at
// the usual angles, in HPGL and DXF units, the outline option, the two-way order, the refused
// spacing, a second hatching after a re-sort, the scan on all cores, and what follows the
// dialog's OK.
#include "drawing_window/hatching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numbers>
#include <random>
#include <set>
#include <tuple>

#include "drawing_window/project_io.h"
#include "drawing_window/start_point.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "project_test_support.h"
#include "settings/settings.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using test::Rect;
using Segment = std::tuple<double, double, double, double>;

class Hatching : public test::ProjectFixture {
protected:
    void SetUp() override {
        settings.SetFlag("doOutline", false);
        settings.SetFlag("Auto_kolejnosc", false);
    }
    bool Hatch(double spacing, double angle, bool outline = false, bool twoWay = false) {
        Kreskowanie k(*project, settings, env, jobValues, notifier);
        return k.Run({spacing, angle, outline, twoWay});
    }
    // The hatch lines in cutting order, each as the record of a figure of its own.
    std::vector<const tfigura*> Lines() const {
        std::vector<const tfigura*> v;
        for (std::int32_t i = 0; i < project->Count(); ++i)
            if (project->IsLine(i)) v.push_back(&project->View(i, rooms_.emplace_back()));
        return v;
    }
    mutable std::deque<tfigura> rooms_;
    // The hatch lines as segments, ends ordered, sorted.
    std::set<Segment> Segments() const {
        std::set<Segment> s;
        for (const tfigura* f : Lines()) {
            tpunkt a = f->Contour[0], b = f->Contour[1];
            if (std::tie(b.X, b.Y) < std::tie(a.X, a.Y)) std::swap(a, b);
            s.insert({a.X, a.Y, b.X, b.Y});
        }
        return s;
    }
};

TEST_F(Hatching, ScanLinesStandOffTheEdgesByTheMargin) {
    settings.SetNumber("srednica", 3.0);
    Load({Rect(0, 0, 400, 400)});
    Kreskowanie k(*project, settings, env, jobValues, notifier);
    std::vector<double> ys;
    k.ScanLineSeen = [&](const tpunkt& a, const tpunkt& b) {
        EXPECT_EQ(a.Y, b.Y);
        EXPECT_DOUBLE_EQ(a.X, -120.001);
        EXPECT_DOUBLE_EQ(b.X, 520.001);
        ys.push_back(a.Y);
    };
    k.Scan(400, 400, 1.0, 0.0);
    ASSERT_EQ(ys.size(), 14u);  // the series ends with the first line within a spacing below the top
    const double expected[] = {-120.001, -80.001, -40.001, -0.001, 39.999};
    for (int i = 0; i < 5; ++i) EXPECT_NEAR(ys[i], expected[i], 1e-9);
    EXPECT_NEAR(ys.back(), 399.999, 1e-9);
}

TEST_F(Hatching, SquareGivesLinesFortyUnitsApartFromSideToSide) {
    Load({Rect(0, 0, 400, 400)});
    ASSERT_TRUE(Hatch(1.0, 0.0));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 10u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const tfigura& f = *lines[i];
        EXPECT_EQ(f.Contour[0].X, 0.0);
        EXPECT_EQ(f.Contour[1].X, 400.0);
        EXPECT_EQ(f.Contour[0].Y, 40.0 * static_cast<double>(i + 1));
        EXPECT_EQ(f.Contour[1].Y, f.Contour[0].Y);
        EXPECT_TRUE(f.Open);
        EXPECT_TRUE(f.ToCut);
        EXPECT_EQ(f.Layer, 1);
        EXPECT_EQ(f.Index, static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(f.Parent, nullptr);  // its ends lie on the square's sides, not inside it
        EXPECT_EQ(f.Level, -1);
        EXPECT_EQ(f.CutLength, 400.0);
        ASSERT_EQ(f.ToolPath3D.size(), 2u);
        EXPECT_DOUBLE_EQ(f.ToolPath3D[0].Z,
                         MmToUnits(KindHpgl, settings.Number("grubosc") + settings.Number("ponad_stol") -
                                                 settings.Number("Glebokosc")));
    }
    EXPECT_TRUE(jobValues.HatchingDone);
    EXPECT_FALSE(project->Figure(0).ToCut);  // the outline is not cut without the option
    EXPECT_DOUBLE_EQ(project->TotalCutLength, UnitsToMm(KindHpgl, 1600.0 + 10 * 400.0));
}

TEST_F(Hatching, AnglesThatGiveTheSameLines) {
    Load({Rect(0, 0, 400, 400)});
    ASSERT_TRUE(Hatch(1.0, 90.0));
    const auto vertical = Segments();
    ASSERT_EQ(vertical.size(), 10u);
    for (const auto& [x0, y0, x1, y1] : vertical) {
        EXPECT_EQ(x0, x1);
        EXPECT_EQ(y0, 0.0);
        EXPECT_EQ(y1, 400.0);
    }
    auto again = [&](double angle) {
        Load({Rect(0, 0, 400, 400)});
        EXPECT_TRUE(Hatch(1.0, angle));
        return Segments();
    };
    EXPECT_EQ(again(-90.0), vertical);
    EXPECT_EQ(again(180.0), again(0.0));
    const auto diagonal = again(45.0);
    EXPECT_EQ(again(-135.0), diagonal);
    EXPECT_GT(diagonal.size(), 10u);
    for (const auto& [x0, y0, x1, y1] : diagonal) EXPECT_NEAR(y1 - y0, x1 - x0, 1.0);
}

TEST_F(Hatching, HoleStaysEmptyAndOutlineOptionKeepsOutlinesCut) {
    Load({Rect(0, 0, 400, 400), Rect(100, 100, 300, 300)});
    ASSERT_TRUE(Hatch(1.0, 0.0, true));
    int inBand = 0;
    for (const tfigura* f : Lines()) {
        const double y = f->Contour[0].Y;
        if (y > 100 && y < 300) {
            ++inBand;
            const double x0 = std::min(f->Contour[0].X, f->Contour[1].X),
                         x1 = std::max(f->Contour[0].X, f->Contour[1].X);
            EXPECT_TRUE(x1 <= 100 || x0 >= 300) << x0 << ".." << x1 << " at " << y;
        }
    }
    EXPECT_EQ(inBand, 2 * 5);  // lines at 120 .. 280, two per scan line
    EXPECT_TRUE(project->Figure(0).ToCut);
    EXPECT_TRUE(project->Figure(1).ToCut);
}

TEST_F(Hatching, EnclosingFigureIsTheFirstInListOrder) {
    settings.SetFlag("Auto_kierunek", true);
    Load({Rect(0, 0, 1000, 1000), Rect(100, 100, 900, 900), Rect(300, 300, 700, 700)});
    ASSERT_EQ(project->Figure(2).Level, 2);
    ASSERT_TRUE(Hatch(1.0, 0.0));
    int inside = 0;
    for (const tfigura* f : Lines()) {
        const double x0 = std::min(f->Contour[0].X, f->Contour[1].X);
        if (x0 == 300) {  // a line of the island: inside the outer square and the hole
            ++inside;
            EXPECT_EQ(f->Parent, project->Figures[0].get());
            EXPECT_EQ(f->Level, 1);
            EXPECT_EQ(f->HatchOwner, 0);
        } else {
            EXPECT_EQ(f->Parent, nullptr);
        }
    }
    EXPECT_EQ(inside, 10);
}

TEST_F(Hatching, TwoWayLinesAlternateFromTheNearestEnd) {
    Load({Rect(0, 0, 400, 400)});
    ASSERT_TRUE(Hatch(1.0, 0.0, false, true));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 10u);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const bool rightward = lines[i]->Contour[0].X < lines[i]->Contour[1].X;
        const bool before = lines[i - 1]->Contour[0].X < lines[i - 1]->Contour[1].X;
        EXPECT_NE(rightward, before);
        EXPECT_EQ(lines[i]->Contour[0].X, lines[i - 1]->Contour[1].X);
        EXPECT_EQ(lines[i]->CutPath[0].X, lines[i]->Contour[0].X);
        EXPECT_EQ(lines[i]->ToolPath3D[0].X, lines[i]->Contour[0].X);
    }
}

TEST_F(Hatching, DxfSpacingIsInMillimetres) {
    Load({Rect(0, 0, 1000, 1000)}, KindDxf);
    ASSERT_TRUE(Hatch(1.0, 0.0));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 10u);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i]->Contour[0].Y - lines[i - 1]->Contour[0].Y, 100.0);
    EXPECT_EQ(lines[0]->Layer, 0);
}

TEST_F(Hatching, SpacingBelowAHundredthIsRefusedBeforeAnythingIsAdded) {
    Load({Rect(0, 0, 400, 400)});
    EXPECT_FALSE(Hatch(0.0, 0.0));
    EXPECT_FALSE(Hatch(0.005, 45.0));
    EXPECT_EQ(project->Count(), 1);
    EXPECT_FALSE(jobValues.HatchingDone);
    EXPECT_TRUE(project->Figure(0).ToCut);
    ASSERT_EQ(notifier.messages.size(), 2u);
    EXPECT_NE(notifier.messages[0].text.find("0.01 mm"), std::string::npos);
    // A drawing of enormous extent (a damaged file) at a fine spacing would take hours.
    Load({Rect(0, 0, 400, 400), Rect(1.0e8, 1.0e8, 1.0e8 + 400, 1.0e8 + 400)});
    EXPECT_FALSE(Hatch(0.01, 0.0));
    EXPECT_EQ(project->Count(), 2);
    EXPECT_EQ(notifier.messages.back().text, LangText(TextId::HatchTooManyLines, kLangEnglish));
}

TEST_F(Hatching, TheDialogsChoicesAreKeptOnlyWhenTheHatchingWentThrough) {
    Load({Rect(0, 0, 400, 400)});
    EXPECT_FALSE(HatchWithChoices(*project, settings, env, jobValues, notifier, {0.0, 30.0, true, true}));
    EXPECT_DOUBLE_EQ(jobValues.HatchChoices.SpacingMm, HatchOptions{}.SpacingMm);
    EXPECT_TRUE(HatchWithChoices(*project, settings, env, jobValues, notifier, {2.0, 30.0, true, false}));
    EXPECT_EQ(jobValues.HatchChoices.SpacingMm, 2.0);
    EXPECT_EQ(jobValues.HatchChoices.AngleDeg, 30.0);
    EXPECT_TRUE(jobValues.HatchChoices.CutOutline);
    EXPECT_FALSE(jobValues.HatchChoices.TwoWay);
    EXPECT_GT(project->Count(), 1);
}

TEST_F(Hatching, GcodeDrawingIsLeftAlone) {
    Load({Rect(0, 0, 1000, 1000)}, KindGcode);
    const double cut = project->TotalCutLength;
    EXPECT_TRUE(Hatch(1.0, 0.0));
    EXPECT_EQ(project->Count(), 1);
    EXPECT_EQ(project->TotalCutLength, cut);
    EXPECT_TRUE(project->Figure(0).ToCut);
    EXPECT_FALSE(jobValues.HatchingDone);
}

TEST_F(Hatching, SecondHatchingAfterAResortHatchesEveryOriginalFigure) {
    settings.SetFlag("Auto_kolejnosc", true);
    Load({Rect(0, 0, 400, 400), Rect(1000, 0, 1400, 400)});
    ASSERT_TRUE(Hatch(1.0, 0.0, true));
    const auto first = Lines().size();
    ASSERT_EQ(first, 20u);
    project->UstawKolejnosc();
    ASSERT_TRUE(project->IsLine(0));  // the sort put hatch lines first
    ASSERT_TRUE(Hatch(1.0, 0.0, true));
    EXPECT_EQ(Lines().size(), 2 * first);
}

TEST_F(Hatching, ScanOnAllCoresGivesTheListOfOneScanLineAfterTheOther) {
    // Squares with holes and islands, hatched at 45 degrees with thousands of scan lines (worked
    // on side by side), against the same scan lines handed over one by one.
    std::vector<test::FigureSpec> figs;
    for (int i = 0; i < 6; ++i) {
        const double x = 5000.0 * i;
        figs.push_back(Rect(x, 0, x + 4000, 4000));
        figs.push_back(Rect(x + 1000, 1000, x + 3000, 3000));
        figs.push_back(Rect(x + 1500, 1500, x + 2500, 2500));
    }
    Load(figs);
    std::vector<std::pair<tpunkt, tpunkt>> scan;
    Kreskowanie all(*project, settings, env, jobValues, notifier);
    all.ScanLineSeen = [&](const tpunkt& a, const tpunkt& b) { scan.emplace_back(a, b); };
    all.Scan(project->ProjectHeight, project->ProjectWidth, 0.5, 0.25 * std::numbers::pi);
    ASSERT_GT(all.ScanLines(), 1000);
    auto parallel = std::move(project);

    Load(figs);
    Kreskowanie one(*project, settings, env, jobValues, notifier);
    for (const auto& [a, b] : scan) one.DodajKreski(a, b);
    ASSERT_EQ(all.LinesAdded(), one.LinesAdded());
    ASSERT_EQ(parallel->Count(), project->Count());
    for (std::int32_t i = 0; i < project->Count(); ++i) {
        tfigura pRoom, qRoom;
        const tfigura& p = parallel->View(i, pRoom);
        const tfigura& q = project->View(i, qRoom);
        ASSERT_EQ(p.Contour, q.Contour) << i;
        EXPECT_EQ(p.Index, i);
        EXPECT_EQ(p.HatchOwner, q.HatchOwner) << i;
        EXPECT_EQ(p.Level, q.Level) << i;
        EXPECT_EQ(p.Parent ? p.Parent->Index : -1, q.Parent ? q.Parent->Index : -1) << i;
    }
}

TEST_F(Hatching, AfterOkToolPathsAndTheLayerOfHatchLines) {
    Load({Rect(0, 0, 1000, 1000, 3)}, KindDxf);
    ASSERT_TRUE(Hatch(1.0, 0.0));
    AfterHatching(*project, settings, jobValues);  // no ramp: the paths stay as hatching made them
    EXPECT_EQ(Lines()[0]->ToolPath3D.size(), 2u);
    EXPECT_FALSE(project->Layers->Slot(0).Used);
    jobValues.PlungePitch = 0.5;
    AfterHatching(*project, settings, jobValues);
    EXPECT_GT(project->ToolPathOf(*Lines()[0]).size(), 2u);  // ramped now
    EXPECT_FALSE(project->Layers->Slot(0).Used);
    settings.SetChoice("ProjektType", 1);  // a layer project gets the layer of the hatch lines
    AfterHatching(*project, settings, jobValues);
    EXPECT_TRUE(project->Layers->Slot(0).Used);
    EXPECT_TRUE(project->Layers->Slot(3).Used);
}

// A hatched drawing saved as a machine job (the lines written on every core, each lent a record
// of its own) gives the job of the same figures and lines written as whole figures one after the
// other: lines whose paths a preparation made (two-way, turned round) and lines added after it.
TEST_F(Hatching, SavedJobIsTheJobOfEveryLineAsAFigureOfItsOwn) {
    Load({Rect(0, 0, 4000, 4000), Rect(1000, 1000, 3000, 3000)});
    ASSERT_TRUE(Hatch(1.0, 30.0, true, true));
    jobValues.PlungePitch = 0.5;
    AfterHatching(*project, settings, jobValues);
    ASSERT_TRUE(Hatch(2.0, 0.0, true));
    ASSERT_GT(project->Count(), 250);
    test::TempDir tmp;
    auto job = [&](const std::string& name, bool whole) {
        const std::string path = (tmp / name).string();
        JobFileWriter writer(ctx, jobValues, settings, OutputStream);
        if (!whole) {
            project->Save(path, 0, project->Count() - 1, writer);
        } else {
            writer.OpenOutput(path, project->ProjectKind);
            tfigura room;
            for (std::int32_t i = 0; i < project->Count(); ++i) {
                tfigura figure = project->View(i, room);
                project->WithToolPath(figure, [&](tfigura& g) { writer.WriteFigure(g); });
            }
            writer.CloseOutput();
        }
        return test::ReadFileBytes(tmp / name);
    };
    const std::string together = job("together.cnx", false);
    EXPECT_GT(together.size(), 10000u);
    EXPECT_EQ(together, job("whole.cnx", true));
}

// The Bezier segments of a smoothed hatch line (shown as handles) stay as they were fitted when
// the line is turned round afterwards, as a figure's do.
TEST_F(Hatching, SmoothedLineKeepsItsSegmentsWhenTurnedRound) {
    ctx.Firmware550 = true;
    settings.SetFlag("wygladzanie", true);
    jobValues.PlungePitch = 0.5;
    Load({Rect(0, 0, 400, 400)});
    ASSERT_TRUE(Hatch(1.0, 0.0));
    AfterHatching(*project, settings, jobValues);
    ASSERT_TRUE(project->IsLine(1));
    tfigura room;
    const tpunkt first = project->View(1, room).Contour[0], second = project->View(1, room).Contour[1];
    ASSERT_EQ(project->View(1, room, true).BezierSegments.size(), 1u);
    EXPECT_EQ(room.BezierSegments[0].P0.X, first.X);
    project->Lend(1, [](tfigura& f) { ReverseOpenFigure(f); });
    const tfigura& turned = project->View(1, room, true);
    EXPECT_EQ(turned.Contour[0].X, second.X);
    ASSERT_EQ(turned.BezierSegments.size(), 1u);
    EXPECT_EQ(turned.BezierSegments[0].P0.X, first.X);
    EXPECT_EQ(turned.BezierSegments[0].P3.X, second.X);
    EXPECT_TRUE(project->View(0, room, true).BezierSegments.size() > 0);  // the square's own
}

// The indexed nearest-end search orders a large list exactly as the plain search over every
// later figure does, ties (many equal distances on a small lattice) included.
TEST(HatchingOrder, OptymalizujMatchesThePlainSearch) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, 30), len(1, 4);
    auto make = [&] {
        std::vector<std::unique_ptr<tfigura>> v;
        for (int i = 0; i < 700; ++i) {
            auto f = std::make_unique<tfigura>();
            const int n = i % 7 == 0 ? len(rng) : 2;
            for (int k = 0; k < n; ++k) f->Contour.push_back({double(coord(rng)), double(coord(rng)), 0});
            f->CutPath = test::PlanPoints(f->Contour);
            f->Index = i;
            v.push_back(std::move(f));
        }
        v.push_back(std::make_unique<tfigura>());  // no points at all
        return v;
    };
    auto indexed = make();
    rng.seed(7);
    auto plain = make();
    optymalizuj(indexed);
    const auto n = static_cast<std::int32_t>(plain.size());
    for (std::int32_t i = 0; i < n - 1; ++i) {
        const std::int32_t r = najblizszy(plain, i);
        if (r == 0) continue;
        const std::int32_t k = r < 0 ? -r : r;
        if (r < 0) {
            if (plain[k]->Contour.size() != 2) continue;
            std::swap(plain[k]->Contour[0], plain[k]->Contour[1]);
            std::swap(plain[k]->CutPath[0], plain[k]->CutPath[1]);
        }
        std::swap(plain[i + 1], plain[k]);
    }
    for (std::int32_t i = 0; i < n; ++i) {
        ASSERT_EQ(indexed[i]->Index, plain[i]->Index) << "at " << i;
        ASSERT_EQ(indexed[i]->Contour.size() > 0 ? indexed[i]->Contour[0].X : -1,
                  plain[i]->Contour.size() > 0 ? plain[i]->Contour[0].X : -1);
    }
}

}  // namespace
}  // namespace vellisk
