// Nesting tree, frame, ordering keys, cut directions and cut order of loaded drawings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

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

class Prepared : public test::ProjectFixture {
protected:
    void SetUp() override {
        settings.SetFlag("Auto_kolejnosc", false);
        settings.SetFlag("Auto_kierunek", false);
    }
    // The figure read as the k-th kept one.
    tfigura& ByIndex(std::int32_t k) {
        for (auto& f : project->Figures)
            if (f->Index == k) return *f;
        throw std::runtime_error("no figure");
    }
    std::int32_t PositionOf(const tfigura* f) const {
        for (std::int32_t i = 0; i < project->Count(); ++i)
            if (project->Figures[static_cast<std::size_t>(i)].get() == f) return i;
        return -1;
    }
    std::vector<std::int32_t> Order() const {
        std::vector<std::int32_t> v;
        for (const auto& f : project->Figures) v.push_back(f->Index);
        return v;
    }
};

TEST_F(Prepared, NestedSquaresInAnyFileOrder) {
    const std::vector<FigureSpec> squares = {Rect(0, 0, 300, 300), Rect(50, 50, 250, 250), Rect(100, 100, 200, 200)};
    std::vector<int> perm{0, 1, 2};
    do {
        std::vector<FigureSpec> figs;
        for (int k : perm) figs.push_back(squares[static_cast<std::size_t>(k)]);
        Load(figs);
        // Index k is the k-th figure of the file; its size tells which square it is.
        auto square = [&](int which) -> tfigura& {
            return ByIndex(static_cast<std::int32_t>(std::find(perm.begin(), perm.end(), which) - perm.begin()));
        };
        EXPECT_EQ(square(0).Level, 0);
        EXPECT_EQ(square(1).Level, 1);
        EXPECT_EQ(square(2).Level, 2);
        EXPECT_EQ(square(2).Parent, &square(1));
        EXPECT_EQ(square(1).Parent, &square(0));
        EXPECT_EQ(square(0).Parent, nullptr);
        EXPECT_EQ(project->MaxNestingLevel, 2);
    } while (std::next_permutation(perm.begin(), perm.end()));
}

TEST_F(Prepared, ContainmentNeedsAStrictlyLargerBoxAndACrossingCount) {
    settings.SetFlag("auto_remove", false);
    Load({Rect(0, 0, 100, 100),
          Rect(0, 0, 100, 100),
          Rect(0, 10, 50, 50),
          Rect(200, 0, 300, 100),
          {{{210, 10}, {290, 90}}},
          Rect(400, 0, 500, 100)});
    EXPECT_EQ(ByIndex(0).Level, 0);  // identical figures: neither inside the other
    EXPECT_EQ(ByIndex(1).Level, 0);
    EXPECT_EQ(ByIndex(2).Level, 0);                   // shares the container's MinX
    EXPECT_EQ(ByIndex(4).Parent, &ByIndex(3));        // an open path inside a rectangle
    EXPECT_FALSE(project->FigureInsideFigure(3, 4));  // an open path is nobody's parent
    // An L-shaped container whose box holds the square but whose outline does not.
    Load({{{{0, 0}, {100, 0}, {100, 20}, {20, 20}, {20, 100}, {0, 100}, {0, 0}}}, Rect(50, 50, 60, 60)});
    EXPECT_EQ(ByIndex(1).Level, 0);
    // A test point on the outline moves on to the next point: the inner square touches the
    // container's top edge with its first point only.
    Load({{{{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}}}, {{{50, 100}, {60, 90}, {50, 80}, {40, 90}, {50, 100}}}});
    EXPECT_FALSE(project->FigureInsideFigure(1, 0));  // boxes are not strictly inside
    Load({{{{0, 0}, {100, 0}, {100, 100}, {50, 100}, {50, 101}, {0, 101}, {0, 0}}},
          {{{50, 100}, {60, 90}, {50, 80}, {40, 90}, {50, 100}}}});
    EXPECT_TRUE(project->FigureInsideFigure(1, 0));
}

TEST_F(Prepared, FrameIsTheOnlyOuterFigureOfSeveral) {
    Load({Rect(0, 0, 1000, 1000), Rect(10, 10, 20, 20), Rect(100, 100, 200, 200), Rect(300, 300, 400, 400)});
    EXPECT_FALSE(project->framka(0));  // both automatic settings off: no frame
    EXPECT_FALSE(project->HasFrame);
    EXPECT_EQ(ByIndex(2).Level, 1);  // but the nesting is there
    settings.SetFlag("Auto_kierunek", true);
    Load({Rect(0, 0, 1000, 1000), Rect(10, 10, 20, 20), Rect(100, 100, 200, 200), Rect(300, 300, 400, 400)});
    EXPECT_TRUE(project->HasFrame);
    EXPECT_TRUE(ByIndex(0).FrameFigure);
    for (int k = 1; k < 4; ++k) EXPECT_FALSE(ByIndex(k).FrameFigure);
    Load({Rect(0, 0, 1000, 1000)});
    EXPECT_FALSE(project->framka(0));  // a single figure is never the frame
    settings.SetFlag("Auto_kierunek", false);
    settings.SetFlag("Auto_kolejnosc", true);
    settings.SetChoice("order_fig", 0);
    Load({Rect(0, 0, 1000, 1000), Rect(10, 10, 20, 20)});
    EXPECT_FALSE(project->HasFrame);
    settings.SetChoice("order_fig", 2);
    Load({Rect(0, 0, 1000, 1000), Rect(10, 10, 20, 20)});
    EXPECT_TRUE(project->HasFrame);
}

TEST_F(Prepared, RingKeysOrderByAngleWithinARing) {
    settings.SetChoice("out_dir", 0);
    // A centred 2000 x 2000 drawing; two small figures at the same distance from the centre,
    // the first points at 0.625 turn (225 degrees) and at 0.5 turn (180 degrees).
    const double c = 1000, r = 300;
    const double d = r / std::numbers::sqrt2;
    Load({Rect(0, 0, 2000, 2000),
          {{{c - d, c - d}, {c - d + 1, c - d}, {c - d + 1, c - d + 1}, {c - d, c - d}}},
          {{{c - r, c}, {c - r + 1, c}, {c - r + 1, c + 1}, {c - r, c}}}});
    EXPECT_LT(ByIndex(2).OrderKey2, ByIndex(1).OrderKey2);
    // Nested figures also carry keys inside their parent; top-level ones keep 0.
    EXPECT_GT(ByIndex(1).OrderKey3, 0);
    EXPECT_EQ(ByIndex(0).OrderKey3, 0);
}

TEST_F(Prepared, FlatDrawingAndTinyFiguresGiveKeysWithoutFailing) {
    Load({{{{0, 0}, {100, 0}}}, {{{200, 0}, {300, 0}}}});
    EXPECT_DOUBLE_EQ(project->ScaleYToAspect(tpunkt{5, 0, 0}).Y, 2147483647.0);
    // Many figures in a drawing a few units wide: the ring width stays at least one unit.
    std::vector<FigureSpec> figs;
    for (int k = 0; k < 80; ++k) figs.push_back({{{0, 0}, {0.01 * k + 0.01, 0.005}}});
    settings.SetFlag("auto_add", false);
    settings.SetFlag("crosstopoint", false);
    Load(figs);
    EXPECT_EQ(project->Count(), 80);
    // A hole in a parent under 3 units across.
    Load({Rect(0, 0, 2, 2), Rect(0.5, 0.5, 1.5, 1.5)});
    EXPECT_EQ(ByIndex(1).Level, 1);
}

TEST_F(Prepared, SquareDirectionBothWays) {
    settings.SetFlag("Auto_kierunek", false);
    Load({{{{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}}},
          {{{100, 0}, {110, 0}, {110, 10}, {100, 10}, {100, 0}}},
          {{{200, 5}, {210, 0}, {220, 0}, {220, 10}, {200, 5}}},
          {{{300, 0}, {310, 5}, {300, 0}}}});
    EXPECT_EQ(ByIndex(0).Direction, 1);
    EXPECT_EQ(ByIndex(0).StartIndex, 0);
    EXPECT_EQ(ByIndex(1).Direction, -1);
    EXPECT_EQ(ByIndex(1).StartIndex, 0);
    EXPECT_EQ(ByIndex(2).StartIndex, 1);  // lowest Y shared: the first of them
    EXPECT_EQ(ByIndex(3).Direction, 0);   // going there and back: no sense
}

TEST_F(Prepared, DirectionRules) {
    const std::vector<FigureSpec> drawing = {
        {{{0, 0}, {0, 100}, {100, 100}, {100, 0}, {0, 0}}},    // outer, +1 as drawn
        {{{10, 10}, {10, 20}, {20, 20}, {20, 10}, {10, 10}}},  // hole, +1 as drawn
        {{{200, 0}, {300, 0}, {300, 50}}},                     // open
    };
    settings.SetFlag("Auto_kierunek", true);
    settings.SetChoice("out_dir", 0);
    settings.SetChoice("in_dir", 0);
    Load(drawing);
    EXPECT_EQ(ByIndex(0).Direction, 1);
    EXPECT_EQ(ByIndex(1).Direction, 1);
    EXPECT_EQ(ByIndex(2).Direction, 0);

    settings.SetChoice("out_dir", 1);
    settings.SetChoice("in_dir", 1);
    Load(drawing);
    EXPECT_EQ(ByIndex(0).Direction, 1);
    EXPECT_EQ(ByIndex(1).Direction, -1);
    settings.SetFlag("negatyw", true);
    Load(drawing);
    EXPECT_EQ(ByIndex(0).Direction, -1);
    EXPECT_EQ(ByIndex(1).Direction, 1);
    EXPECT_EQ(ByIndex(2).Contour.front().X, 200);  // an open figure is never turned
    settings.SetFlag("negatyw", false);

    settings.SetChoice("out_dir", 2);
    settings.SetChoice("in_dir", 0);
    Load(drawing);
    EXPECT_EQ(ByIndex(0).Direction, -1);
    EXPECT_EQ(ByIndex(1).Direction, -1);
    // The reversed figure's start is the lowest point of the turned contour.
    EXPECT_EQ(ByIndex(0).Contour[static_cast<std::size_t>(ByIndex(0).StartIndex)].Y, 0);

    // Outer kept as drawn, inner against its parent; a second run changes nothing.
    settings.SetChoice("out_dir", 0);
    settings.SetChoice("in_dir", 1);
    Load(drawing);
    EXPECT_EQ(ByIndex(0).Direction, 1);
    EXPECT_EQ(ByIndex(1).Direction, -1);
    project->UstawKierunek();
    EXPECT_EQ(ByIndex(1).Direction, -1);
}

TEST_F(Prepared, EveryGlobalOrder) {
    settings.SetFlag("Auto_kolejnosc", true);
    settings.SetFlag("WszystkieWjednej", false);
    settings.SetChoice("order_fig", 0);
    // Four squares: two in the lower half, two in the upper half of a 1000 x 1000 drawing.
    const std::vector<FigureSpec> drawing = {Rect(600, 100, 700, 200), Rect(100, 800, 200, 900),
                                             Rect(100, 100, 200, 200), Rect(600, 800, 700, 900),
                                             Rect(0, 0, 10, 10),       Rect(990, 990, 1000, 1000)};
    auto order = [&](int global) {
        settings.SetChoice("Order_global", global);
        Load(drawing);
        return Order();
    };
    EXPECT_EQ(order(0), (std::vector<std::int32_t>{0, 1, 2, 3, 4, 5}));
    // From the centre outwards and back (six figures make one ring: by angle alone).
    auto centreOut = order(1);
    for (std::size_t k = 1; k < centreOut.size(); ++k)
        EXPECT_LE(ByIndex(centreOut[k - 1]).OrderKey2, ByIndex(centreOut[k]).OrderKey2);
    auto outsideIn = order(2);
    for (std::size_t k = 1; k < outsideIn.size(); ++k)
        EXPECT_GE(ByIndex(outsideIn[k - 1]).OrderKey2, ByIndex(outsideIn[k]).OrderKey2);
    EXPECT_NE(outsideIn, centreOut);
    // From the right: MinX descending, equal MinX by MinY descending.
    EXPECT_EQ(order(3), (std::vector<std::int32_t>{5, 3, 0, 1, 2, 4}));
    // From the left: MinX ascending, equal MinX by MinY descending.
    EXPECT_EQ(order(4), (std::vector<std::int32_t>{4, 1, 2, 3, 0, 5}));
    // Mixed: the lower band from left to right, then the upper band from right to left.
    EXPECT_EQ(order(5), (std::vector<std::int32_t>{4, 2, 0, 5, 3, 1}));
}

TEST_F(Prepared, LevelsBeforeTheGlobalKeyAndLayerValuesBreakTies) {
    settings.SetFlag("Auto_kolejnosc", true);
    settings.SetFlag("WszystkieWjednej", false);
    settings.SetChoice("Order_global", 4);
    settings.SetChoice("order_fig", 1);
    Load({Rect(0, 0, 100, 100), Rect(10, 10, 20, 20), Rect(200, 0, 300, 100), Rect(210, 10, 220, 20)});
    EXPECT_EQ(Order(), (std::vector<std::int32_t>{1, 3, 0, 2}));
    settings.SetChoice("order_fig", 2);
    Load({Rect(0, 0, 100, 100), Rect(10, 10, 20, 20), Rect(200, 0, 300, 100), Rect(210, 10, 220, 20)});
    EXPECT_EQ(Order(), (std::vector<std::int32_t>{0, 2, 1, 3}));
    // A layer project: equal keys go by the layer value (depth), smaller first.
    settings.SetChoice("order_fig", 0);
    settings.SetChoice("Order_global", 3);
    settings.SetChoice("ProjektType", 1);
    FigureSpec deep = Rect(0, 0, 10, 10, 2), shallow = Rect(0, 0, 10, 10, 1), other = Rect(0, 0, 10, 10, 3);
    deep.value = 3.0;
    shallow.value = 1.0;
    other.value = 2.0;
    deep.points[2].first += 0.5;  // not duplicates of each other
    other.points[2].second += 0.5;
    Load({deep, shallow, other});
    EXPECT_EQ(Order(), (std::vector<std::int32_t>{1, 2, 0}));
}

TEST_F(Prepared, AllObjectsOfOneFigureTogetherHolesDirectlyBeforeTheirParents) {
    settings.SetFlag("Auto_kolejnosc", true);
    settings.SetFlag("WszystkieWjednej", true);
    settings.SetChoice("order_fig", 1);
    settings.SetChoice("Order_global", 4);
    // Two plates far apart, each with a hole; from the left the holes would otherwise go first.
    Load({Rect(0, 0, 100, 100), Rect(1000, 0, 1100, 100), Rect(1010, 10, 1020, 20), Rect(10, 10, 20, 20)});
    EXPECT_EQ(Order(), (std::vector<std::int32_t>{3, 0, 2, 1}));
    settings.SetChoice("order_fig", 2);
    Load({Rect(0, 0, 100, 100), Rect(1000, 0, 1100, 100), Rect(1010, 10, 1020, 20), Rect(10, 10, 20, 20)});
    EXPECT_EQ(Order(), (std::vector<std::int32_t>{0, 3, 1, 2}));
}

TEST_F(Prepared, DeepNestingKeepsEveryHoleBeforeItsParent) {
    settings.SetFlag("Auto_kolejnosc", true);
    settings.SetFlag("WszystkieWjednej", true);
    settings.SetChoice("order_fig", 1);
    settings.SetChoice("Order_global", 1);
    // 40 stacks of 8 squares, each inside the one before: 320 figures, 8 levels.
    std::vector<FigureSpec> figs;
    for (int s = 0; s < 40; ++s) {
        const double x = (s % 8) * 1000.0, y = (s / 8) * 1000.0;
        for (int k = 0; k < 8; ++k) figs.push_back(Rect(x + 10 * k, y + 10 * k, x + 400 - 10 * k, y + 400 - 10 * k));
    }
    Load(figs);
    EXPECT_EQ(project->MaxNestingLevel, 7);
    for (std::int32_t i = 0; i < project->Count(); ++i) {
        const tfigura& f = project->Figure(i);
        if (f.Parent) {
            EXPECT_EQ(PositionOf(f.Parent), i + 1) << "figure " << f.Index;
        }
    }
}

TEST_F(Prepared, HatchLinesFirstGroupedByTheirFigure) {
    settings.SetFlag("Auto_kolejnosc", true);
    Load({Rect(0, 0, 100, 100), Rect(200, 0, 300, 100)});
    auto hatch = [&](std::int32_t owner, std::int32_t index) {
        auto f = std::make_unique<tfigura>();
        f->HatchLine = true;
        f->HatchOwner = owner;
        f->Index = index;
        f->Open = true;
        f->Contour = {{0, 0, 0}, {1, 0, 0}};
        project->Figures.push_back(std::move(f));
    };
    hatch(1, 2);
    hatch(0, 3);
    hatch(1, 4);
    project->UstawKolejnosc();
    const auto order = Order();
    EXPECT_EQ(std::vector<std::int32_t>(order.begin(), order.begin() + 3), (std::vector<std::int32_t>{3, 2, 4}));
}

// The nesting found with the grid matches a pass over every pair.
TEST_F(Prepared, NestingMatchesTheWholeListWalk) {
    std::vector<FigureSpec> figs;
    for (int k = 0; k < 60; ++k) {
        const double x = (k * 37) % 500, y = (k * 53) % 500, s = 20 + (k * 29) % 300;
        figs.push_back(Rect(x, y, x + s, y + s));
    }
    settings.SetFlag("auto_remove", false);
    Load(figs);
    const std::int32_t n = project->Count();
    std::vector<tfigura*> parent(static_cast<std::size_t>(n));
    std::vector<std::int32_t> level(static_cast<std::size_t>(n));
    // The passes as written, over every pair.
    for (bool changed = true; changed;) {
        changed = false;
        for (std::int32_t j = 0; j < n; ++j)
            for (std::int32_t i = 0; i < n; ++i) {
                if (!project->FigureInsideFigure(i, j)) continue;
                tfigura* pj = &project->Figure(j);
                const auto ui = static_cast<std::size_t>(i);
                auto levelOf = [&](tfigura* f) { return level[static_cast<std::size_t>(PositionOf(f))]; };
                if (parent[ui] && !(levelOf(pj) > levelOf(parent[ui]))) continue;
                parent[ui] = pj;
                level[ui] = levelOf(pj) + 1;
                for (bool again = true; again;) {  // levels of everything below
                    again = false;
                    for (std::int32_t k = 0; k < n; ++k) {
                        const auto uk = static_cast<std::size_t>(k);
                        if (parent[uk] && level[uk] != levelOf(parent[uk]) + 1) {
                            level[uk] = levelOf(parent[uk]) + 1;
                            again = true;
                        }
                    }
                }
                changed = true;
            }
    }
    for (std::int32_t i = 0; i < n; ++i) {
        EXPECT_EQ(project->Figure(i).Parent, parent[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(project->Figure(i).Level, level[static_cast<std::size_t>(i)]) << i;
    }
}

}  // namespace
}  // namespace vellisk

namespace vellisk {
namespace {

// Outer rings come after inner ones, whatever the angle.
TEST(RingKeys, OuterRingsAfterInnerOnes) {
    Settings settings;
    test::MachineRig machine;
    SilentNotifier notifier;
    settings.SetFlag("Auto_kolejnosc", true);
    settings.SetFlag("WszystkieWjednej", false);
    settings.SetChoice("order_fig", 0);
    settings.SetChoice("Order_global", 1);
    std::vector<test::FigureSpec> figs;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) figs.push_back(test::Rect(x * 100, y * 100, x * 100 + 50, y * 100 + 50));
    Project p(KindHpgl, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    test::ListInput input(figs);
    p.Load("grid.plt", input);
    double lastDistance = -1;
    int rises = 0;
    for (const auto& f : p.Figures) {
        const double d = std::hypot(f->CentreX - p.ProjectCentreX, f->CentreY - p.ProjectCentreY);
        if (d > lastDistance + 150) ++rises;
        lastDistance = std::max(lastDistance, d);
    }
    EXPECT_EQ(p.Figures.front()->CentreX > 300 && p.Figures.front()->CentreX < 700, true);
    EXPECT_GE(rises, 2);
    for (std::size_t k = 1; k < p.Figures.size(); ++k) EXPECT_LE(p.Figures[k - 1]->OrderKey2, p.Figures[k]->OrderKey2);
}

}  // namespace
}  // namespace vellisk

namespace vellisk {
namespace {

tfigura Poly(std::vector<std::pair<double, double>> pts) {
    tfigura f;
    for (auto [x, y] : pts) f.Contour.push_back({x, y, 0});
    Project::licz_parametry(f);
    return f;
}

// The hatch-line test: bounds may touch, the first two points must lie inside, the outline's
// ends do not count as crossings.
TEST(HatchContainment, LezyWewnatrz) {
    const tfigura square = Poly({{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}});
    EXPECT_TRUE(Project::LezyWewnatrz(Poly({{10, 50}, {90, 50}}), square));
    EXPECT_FALSE(Project::LezyWewnatrz(Poly({{0, 50}, {100, 50}}), square));  // ends on the outline
    EXPECT_FALSE(Project::LezyWewnatrz(Poly({{10, 50}, {110, 50}}), square));
    EXPECT_TRUE(Project::LezyWewnatrz(Poly({{50, 50}}), square));
    const tfigura ring =
        Poly({{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}, {40, 40}, {40, 60}, {60, 60}, {60, 40}, {40, 40}});
    EXPECT_FALSE(Project::LezyWewnatrz(Poly({{45, 50}, {55, 50}}), ring));
}

}  // namespace
}  // namespace vellisk
