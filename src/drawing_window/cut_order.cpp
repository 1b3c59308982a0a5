// Cut direction of every closed figure and the cutting order of the figure list.
#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "model/geometry.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace vellisk {

std::int32_t Project::ContourDirection(std::int32_t i) {
    tfigura& f = Figure(i);
    if (f.Open) return 0;
    const std::int32_t v = LowestPointIndex(f);
    const auto n = static_cast<std::int32_t>(f.Contour.size());
    if (n == 0) return 0;
    std::int32_t next = v + 1;
    if (next > n - 1) next = 1;
    if (n <= 1) next = 0;
    std::int32_t prev = v - 1;
    if (prev < 0) prev = n - 2;
    if (next == prev || next == v || prev < 0 || next >= n) return 0;
    const double pi = std::numbers::pi;
    auto angle = [&](std::int32_t k) {
        double a = SegmentAngle(f.Contour[static_cast<std::size_t>(v)], f.Contour[static_cast<std::size_t>(k)]);
        if (a > pi) a -= 2 * pi;
        return a;
    };
    const double toNext = angle(next), toPrev = angle(prev);
    if (toNext > toPrev) return 1;
    if (toNext < toPrev) return -1;
    return 0;
}

std::int32_t Project::JakiKierunek(std::int32_t i) {
    if (i < 0) {
        // A hatch line is open: its direction is 0 for good.
        for (std::int32_t k = 0; k < Count(); ++k)
            if (tfigura* f = Record(k)) f->Direction = ContourDirection(k);
        return 0;
    }
    if (IsLine(i)) return 0;
    const std::int32_t d = ContourDirection(i);
    Figure(i).Direction = d;
    return d;
}

void Project::ReverseFigureLists(std::int32_t i) {
    Lend(i, [](tfigura& f) {
        if (f.Contour.size() < 2) return;
        std::reverse(f.Contour.begin(), f.Contour.end());
        std::reverse(f.CutPath.begin(), f.CutPath.end());
    });
}

void Project::OdwrocKierunek(std::int32_t i) {
    if (i < 0) {
        for (std::int32_t k = 0; k < Count(); ++k) OdwrocKierunek(k);
        return;
    }
    ReverseFigureLists(i);
    JakiKierunek(i);
}

void Project::ReverseByLevelParity(int parity, std::int32_t wanted) {
    const int m = settings_.Flag(setting::CutNegative) ? 1 : 0;
    for (std::int32_t i = 0; i < Count(); ++i) {
        const tfigura* record = Record(i);
        if (!record) continue;  // a hatch line is open
        const tfigura& f = *record;
        if ((f.Level + m) % 2 != parity || f.Open) continue;
        if (JakiKierunek(i) != wanted) OdwrocKierunek(i);
    }
}

void Project::UstawKierunek() {
    notifier_.Status(env_.Text(TextId::FixingCutDirection));
    const int out = settings_.Choice(setting::OuterDirection);
    const int in = settings_.Choice(setting::InnerDirection);
    const std::int32_t outer = out == 1 ? 1 : out == 2 ? -1 : 0;
    if (outer != 0) ReverseByLevelParity(0, outer);
    if (in == 0) {
        if (outer != 0) ReverseByLevelParity(1, outer);
    } else if (outer != 0) {
        ReverseByLevelParity(1, -outer);
    } else {
        // Outer figures keep their drawn direction; each inner figure goes against the figure
        // that encloses it.
        const int m = settings_.Flag(setting::CutNegative) ? 1 : 0;
        for (std::int32_t i = 0; i < Count(); ++i) {
            const tfigura* record = Record(i);
            if (!record) continue;  // a hatch line is open
            const tfigura& f = *record;
            if ((f.Level + m) % 2 != 1 || f.Open || f.Parent == nullptr) continue;
            const std::int32_t parentDir = f.Parent->Direction;
            if (parentDir == 0) continue;
            if (JakiKierunek(i) != -parentDir) OdwrocKierunek(i);
        }
    }
    notifier_.Status("");
}

namespace {

int Sign(double a, double b, int weight) { return a < b ? -weight : a > b ? weight : 0; }

// What the order comparators read of a figure, side by side in one array: sorting these rather
// than the figures themselves keeps a large drawing's sort in the cache.
struct OrderFields {
    tfigura* figure;      // null for a hatch line
    std::uint32_t entry;  // the entry of the cutting order
    double OrderKey, MinX, MinY, Value;
    std::int32_t Index, Level, OrderKey2, OrderKey3, HatchOwner;
    bool HatchLine;
};

bool SameFigure(const tfigura& a, const tfigura& b) { return &a == &b; }
bool SameFigure(const OrderFields& a, const OrderFields& b) { return a.entry == b.entry; }

// Stable sort of the figure list by `less` over the figures' order fields (the same order a
// stable sort of the list itself gives).
template <typename Less>
void StableSortFigures(std::vector<std::unique_ptr<tfigura>>& figures, Less less) {
    std::vector<OrderFields> fields;
    fields.reserve(figures.size());
    for (auto& p : figures) {
        const tfigura& f = *p;
        fields.push_back({p.get(), static_cast<std::uint32_t>(fields.size()), f.OrderKey, f.MinX, f.MinY, f.Value,
                          f.Index, f.Level, f.OrderKey2, f.OrderKey3, f.HatchOwner, f.HatchLine});
    }
    std::stable_sort(fields.begin(), fields.end(), less);
    for (auto& p : figures) static_cast<void>(p.release());  // owned again just below, in the new order
    for (std::size_t k = 0; k < fields.size(); ++k) figures[k].reset(fields[k].figure);
}

// Stable sort of a project's cutting order, figures and hatch lines, by `less` over their order
// fields. A hatch line's order key is never compared (hatch lines come before every figure).
template <typename Less>
void StableSortEntries(Project& project, Less less) {
    if (project.Sequence.empty()) {
        StableSortFigures(project.Figures, less);
        return;
    }
    std::vector<OrderFields> fields;
    fields.reserve(project.Sequence.size());
    for (std::uint32_t e : project.Sequence) {
        if (!(e & kLineEntry)) {
            tfigura& f = *project.Figures[e];
            fields.push_back({&f, e, f.OrderKey, f.MinX, f.MinY, f.Value, f.Index, f.Level, f.OrderKey2, f.OrderKey3,
                              f.HatchOwner, f.HatchLine});
        } else {
            const HatchLine& l = project.Lines[e & ~kLineEntry];
            fields.push_back({nullptr, e, 0.0, std::min(l.X0, l.X1), std::min(l.Y0, l.Y1), 0.0, l.Index, l.Level, 0, 0,
                              l.HatchOwner, true});
        }
    }
    std::stable_sort(fields.begin(), fields.end(), less);
    for (std::size_t k = 0; k < fields.size(); ++k) project.Sequence[k] = fields[k].entry;
    project.KeepRecordsInCuttingOrder();
}

// The settings the comparators read, taken once per sort.
struct OrderRules {
    int orderFig = 0;
    int orderGlobal = 0;
    bool layered = false;
    double splitY = 0.0;
};

template <typename F>
int CutOrder(const F& a, const F& b, const OrderRules& r) {
    const double OrderSplitY = r.splitY;
    int ta = 0;
    switch (r.orderFig) {
        case 0: ta = Sign(a.Index, b.Index, 1); break;
        case 1: ta = -Sign(a.Level, b.Level, 4); break;
        case 2: ta = Sign(a.Level, b.Level, 4); break;
        default: break;
    }
    int tb = 0;
    auto minYDown = [&] { return -Sign(a.MinY, b.MinY, 2); };
    switch (r.orderGlobal) {
        case 0: tb = Sign(a.Index, b.Index, 1); break;
        case 1: tb = Sign(a.OrderKey2, b.OrderKey2, 2); break;
        case 2: tb = -Sign(a.OrderKey2, b.OrderKey2, 2); break;
        case 3: tb = a.MinX != b.MinX ? -Sign(a.MinX, b.MinX, 2) : minYDown(); break;
        case 4: tb = a.MinX != b.MinX ? Sign(a.MinX, b.MinX, 2) : minYDown(); break;
        case 5: {
            const bool aLow = a.MinY < OrderSplitY, bLow = b.MinY < OrderSplitY;
            if (aLow != bLow)
                tb = aLow ? -2 : 2;
            else if (a.MinX != b.MinX)
                tb = aLow ? Sign(a.MinX, b.MinX, 2) : -Sign(a.MinX, b.MinX, 2);
            else
                tb = minYDown();
            break;
        }
        default: break;
    }
    if (tb == 0 && r.layered) tb = Sign(a.Value, b.Value, 2);
    return ta + tb;
}

template <typename F>
int NestedOrder(const F& a, const F& b, const OrderRules& r) {
    const double OrderSplitY = r.splitY;
    if (a.HatchLine != b.HatchLine) return a.HatchLine ? -1 : 1;
    if (a.HatchLine) {
        if (a.HatchOwner != b.HatchOwner) return Sign(a.HatchOwner, b.HatchOwner, 1);
        return Sign(a.Index, b.Index, 1);
    }
    if (a.OrderKey != b.OrderKey) return Sign(a.OrderKey, b.OrderKey, 1);
    if (SameFigure(a, b)) return 0;
    switch (r.orderGlobal) {
        case 0: return Sign(a.Index, b.Index, 1);
        case 1: return Sign(a.OrderKey3, b.OrderKey3, 1);
        case 2: return -Sign(a.OrderKey3, b.OrderKey3, 1);
        case 3: return -Sign(a.MinX, b.MinX, 1);
        case 4: return Sign(a.MinX, b.MinX, 1);
        case 5: {
            const bool aLow = a.MinY < OrderSplitY, bLow = b.MinY < OrderSplitY;
            if (aLow != bLow) return aLow ? -1 : 1;
            if (a.MinX != b.MinX) return aLow ? Sign(a.MinX, b.MinX, 1) : -Sign(a.MinX, b.MinX, 1);
            return -Sign(a.MinY, b.MinY, 1);
        }
        default: return 0;
    }
}

OrderRules RulesOf(const Settings& s, double splitY) {
    return {s.Choice(setting::FigureOrder), s.Choice(setting::GlobalOrder), s.Choice(setting::ProjectType) == 1,
            splitY};
}

}  // namespace

int Project::CompareCutOrder(const tfigura& a, const tfigura& b) const {
    return CutOrder(a, b, RulesOf(settings_, OrderSplitY));
}

int Project::CompareNestedOrder(const tfigura& a, const tfigura& b) const {
    return NestedOrder(a, b, RulesOf(settings_, OrderSplitY));
}

void Project::BuildNestedOrderKeys() {
    // The keys are positions in the cutting order (a hatch line's key is never read).
    auto positionsAsKeys = [this] {
        for (std::int32_t k = 0; k < Count(); ++k)
            if (tfigura* f = Record(k)) f->OrderKey = static_cast<double>(k);
    };
    positionsAsKeys();
    OrderSplitY = ProjectCentreY;
    const int rule = settings_.Choice(setting::FigureOrder);
    if (rule < 0 || rule > 2 || Count() == 0) return;
    // The keys are list positions again after every level, so one step of 1/N places a nested
    // figure between its parent and the figure before it (or, for outer-first, keeps up to N
    // siblings apart before the next figure) without running out of precision at depth.
    const double a = 1.0 / static_cast<double>(Count());
    const OrderRules rules = RulesOf(settings_, OrderSplitY);
    auto cmp = [&rules](const OrderFields& x, const OrderFields& y) { return NestedOrder(x, y, rules) < 0; };
    for (std::int32_t level = 1; level <= MaxNestingLevel; ++level) {
        for (std::int32_t k = 0; k < Count(); ++k) {
            tfigura* record = Record(k);
            if (!record) continue;
            tfigura& f = *record;
            if (f.Level != level || f.Parent == nullptr) continue;
            f.OrderKey = rule == 2 ? f.Parent->OrderKey + static_cast<double>(k) * a : f.Parent->OrderKey - a;
        }
        StableSortEntries(*this, cmp);
        positionsAsKeys();
    }
}

void Project::UstawKolejnosc() {
    BusyCursor busy(notifier_);
    notifier_.Status(env_.Text(TextId::FixingCutSequence));
    OrderSplitY = ProjectCentreY;
    const OrderRules rules = RulesOf(settings_, OrderSplitY);
    StableSortEntries(*this,
                      [&rules](const OrderFields& x, const OrderFields& y) { return CutOrder(x, y, rules) < 0; });
    if (settings_.Flag(setting::AllInOneFigure)) {
        BuildNestedOrderKeys();
        const OrderRules nested = RulesOf(settings_, OrderSplitY);
        StableSortEntries(
            *this, [&nested](const OrderFields& x, const OrderFields& y) { return NestedOrder(x, y, nested) < 0; });
    }
    notifier_.Status("");
}

}  // namespace vellisk
