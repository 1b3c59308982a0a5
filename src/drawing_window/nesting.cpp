// Nesting tree, frame and ordering keys of a loaded drawing.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "drawing_window/box_grid.h"
#include "model/geometry.h"
#include "drawing_window/project.h"
#include "model/numeric.h"
#include "settings/settings.h"

namespace vellisk {

bool Project::SamePointList(std::int32_t i, std::int32_t j) const {
    const auto& a = Figure(i).Contour;
    const auto& b = Figure(j).Contour;
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (!SamePoint(a[k], b[k])) return false;
    return true;
}

namespace {

// Counts the container's edges above and below the point, the closing edge running from its
// first to its last point.
template <typename Crossing>
void CountCrossings(const std::vector<tpunkt>& c, const tpunkt& p, Crossing crossing, int& above, int& below) {
    above = 0;
    below = 0;
    if (c.empty()) return;
    auto edge = [&](const tpunkt& a, const tpunkt& b) {
        double t = 0.0;
        if (!crossing(todcinek{a, b}, p, t)) return;
        if (t > 0)
            ++above;
        else if (t < 0)
            ++below;
    };
    for (std::size_t m = 0; m + 1 < c.size(); ++m) edge(c[m], c[m + 1]);
    edge(c.front(), c.back());
}

bool BoxStrictlyInside(const tfigura& in, const tfigura& c) {
    return c.MinX < in.MinX && c.MaxX > in.MaxX && c.MinY < in.MinY && c.MaxY > in.MaxY;
}

}  // namespace

bool Project::FigureInsideFigure(std::int32_t i, std::int32_t j) const {
    if (i == j) return false;
    const tfigura& in = Figure(i);
    const tfigura& c = Figure(j);
    if (c.Open) return false;
    if (!BoxStrictlyInside(in, c)) return false;
    if (SamePointList(i, j)) return false;
    bool belowOdd = false;
    for (std::size_t k = 0; k < in.Contour.size(); ++k) {
        int above = 0, below = 0;
        CountCrossings(c.Contour, in.Contour[k], CrossingOffset, above, below);
        belowOdd = (below % 2) == 1;
        // On the outline (the parities differ): try the next point.
        if ((above % 2) != (below % 2)) continue;
        return belowOdd;
    }
    return belowOdd;
}

void Project::co_w_czym() {
    const std::size_t n = Figures.size();
    for (auto& f : Figures) {
        f->Level = 0;
        f->Parent = nullptr;
    }
    MaxNestingLevel = 0;
    if (n == 0) return;

    // Every pair (container j, figure i inside it), containers in list order and the figures
    // inside each in list order. Only figures whose boxes meet are looked at.
    // Cells about twice the size of a typical figure.
    std::vector<double> sizes;
    sizes.reserve(n);
    for (const auto& f : Figures) sizes.push_back(std::max(f->Width, f->Height));
    std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(n / 2), sizes.end());
    double cell = sizes[n / 2] * 2;
    if (!std::isfinite(cell) || cell < 1.0) cell = 1.0;
    PackedBoxGrid grid;
    {
        std::vector<PackedBoxGrid::Box> boxes;
        boxes.reserve(n);
        for (const auto& f : Figures) boxes.push_back({f->MinX, f->MinY, f->MaxX, f->MaxY});
        grid.Build(boxes, cell);
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;  // (j, i)
    std::vector<std::uint32_t> inside;
    std::vector<std::uint32_t> seen(n, 0);
    std::uint32_t stamp = 0;
    for (std::size_t j = 0; j < n; ++j) {
        const tfigura& c = *Figures[j];
        if (c.Open) continue;
        ++stamp;
        inside.clear();
        grid.Query(c.MinX, c.MinY, c.MaxX, c.MaxY, [&](std::uint32_t i) {
            if (seen[i] == stamp) return;
            seen[i] = stamp;
            if (BoxStrictlyInside(*Figures[i], c)) inside.push_back(i);
        });
        std::sort(inside.begin(), inside.end());
        for (std::uint32_t i : inside)
            if (FigureInsideFigure(static_cast<std::int32_t>(i), static_cast<std::int32_t>(j)))
                pairs.emplace_back(static_cast<std::uint32_t>(j), i);
    }

    // Children lists for the level updates; an entry whose figure has moved on is stale.
    std::vector<std::vector<std::uint32_t>> children(n);
    auto setSubtree = [&](std::uint32_t root) {
        std::vector<std::uint32_t> stack{root};
        while (!stack.empty()) {
            const std::uint32_t p = stack.back();
            stack.pop_back();
            tfigura* pf = Figures[p].get();
            for (std::uint32_t k : children[p]) {
                tfigura& kf = *Figures[k];
                if (kf.Parent != pf) continue;
                kf.Level = pf->Level + 1;
                MaxNestingLevel = std::max(MaxNestingLevel, kf.Level);
                stack.push_back(k);
            }
        }
        MaxNestingLevel = std::max(MaxNestingLevel, Figures[root]->Level);
    };
    // Each change moves a figure to a deeper container, so the passes end; the bound is a guard.
    for (std::size_t pass = 0; pass <= n + 1; ++pass) {
        bool changed = false;
        for (const auto& [j, i] : pairs) {
            tfigura& fi = *Figures[i];
            tfigura* fj = Figures[j].get();
            if (fi.Parent != nullptr && !(fj->Level > fi.Parent->Level)) continue;
            fi.Parent = fj;
            children[j].push_back(i);
            fi.Level = fj->Level + 1;
            setSubtree(i);
            changed = true;
        }
        if (!changed) break;
    }
}

std::int32_t Project::FrameIndex() const {
    if (!frameRule_ || Count() < 2) return -1;
    // Hatch lines count among the figures; their level is never 0.
    std::int32_t found = -1;
    for (std::int32_t i = 0; i < Count(); ++i) {
        const tfigura* f = Record(i);
        if (!f || f->Level != 0) continue;
        if (found >= 0) return -1;
        found = i;
    }
    return found;
}

bool Project::framka(std::int32_t i) const { return i >= 0 && FrameIndex() == i; }

tpunkt Project::ScaleYToAspect(const tpunkt& p) const {
    tpunkt r;
    r.X = p.X;
    r.Y = ProjectHeight == 0.0 ? 2147483647.0 : p.Y * ProjectWidth / ProjectHeight;
    return r;
}

void Project::ustal_dist() {
    const std::size_t n = Figures.size();
    if (n == 0) return;
    const bool clockwiseOuter = settings_.Choice(setting::OuterDirection) == 1;
    const double turn = 2 * std::numbers::pi;
    const double diagonal = Distance2DInt({Bounds.MinX, Bounds.MinY}, {Bounds.MaxX, Bounds.MaxY});
    const auto R = RoundTo<std::int32_t>(diagonal / 2 + 1, "ring radius");
    // Ring width, at least one unit.
    const auto W =
        std::max<std::int32_t>(1, RoundTo<std::int32_t>(R / (std::sqrt(static_cast<double>(n)) / 4), "ring width"));
    const std::int32_t sixR = CheckedMul<std::int32_t>(6, R, "ordering key");
    const tpunkt centre{ProjectCentreX, ProjectCentreY, 0.0};
    const tpunkt A = ScaleYToAspect(centre);
    for (auto& fp : Figures) {
        tfigura& f = *fp;
        const tpunkt B = ScaleYToAspect(tpunkt{f.CentreX, f.CentreY, 0.0});
        const auto key = RoundTo<std::int32_t>(Distance2D(A, B), "ordering key");
        const auto ring = TruncTo<std::int32_t>(static_cast<double>(key) / W, "ring");
        double t = f.Contour.empty() ? 0.375 : SegmentAngle(A, ScaleYToAspect(f.Contour[0])) / turn + 0.375;
        if (t > 1) t -= 1;
        if (clockwiseOuter) t = 1 - t;
        const std::int32_t ringPart = CheckedMul<std::int32_t>(CheckedAdd<std::int32_t>(ring, 1, "ring"),
                                                               CheckedMul<std::int32_t>(8, R, "key"), "ordering key");
        f.OrderKey2 = RoundTo<std::int32_t>((1 + t) * sixR + ringPart, "ordering key");
    }
    for (auto& fp : Figures) {
        tfigura& f = *fp;
        if (f.Level <= 0 || f.Parent == nullptr) continue;
        const tfigura& q = *f.Parent;
        const auto R1 =
            RoundTo<std::int32_t>(std::sqrt(q.Width * q.Width + q.Height * q.Height) / 2 + 1, "ring radius");
        const auto W1 = std::max<std::int32_t>(1, RoundTo<std::int32_t>(R1 / 4.0, "ring width"));
        const tpunkt qc{q.CentreX, q.CentreY, 0.0};
        const auto key = RoundTo<std::int32_t>(Distance2D(qc, tpunkt{f.CentreX, f.CentreY, 0.0}), "ordering key");
        const auto ring = TruncTo<std::int32_t>(static_cast<double>(key) / W1, "ring");
        double t = f.Contour.empty() ? 0.375 : SegmentAngle(qc, f.Contour[0]) / turn + 0.375;
        if (t > 1) t -= 1;
        if (clockwiseOuter && f.Level % 2 == 0) t = 1 - t;
        const std::int32_t twoR = CheckedMul<std::int32_t>(2, R1, "ordering key");
        const std::int32_t ringPart = CheckedMul<std::int32_t>(CheckedAdd<std::int32_t>(ring, 1, "ring"),
                                                               CheckedMul<std::int32_t>(4, R1, "key"), "ordering key");
        f.OrderKey3 = RoundTo<std::int32_t>((1 + t) * twoR + ringPart, "ordering key");
    }
}

bool Project::LezyWewnatrz(const tfigura& f, const tfigura& c) {
    if (!(f.MinX >= c.MinX && f.MaxX <= c.MaxX && f.MinY >= c.MinY && f.MaxY <= c.MaxY)) return false;
    if (f.Contour.empty()) return false;
    const std::size_t tests = f.Contour.size() == 1 ? 1 : 2;
    for (std::size_t k = 0; k < tests; ++k) {
        int above = 0, below = 0;
        CountCrossings(c.Contour, f.Contour[k], CrossingOffsetOpen, above, below);
        if (below % 2 != 1) return false;
    }
    return true;
}

}  // namespace vellisk
