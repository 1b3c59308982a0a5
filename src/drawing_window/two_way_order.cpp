// Two-way cutting order of a hatched drawing: the figure list is walked from the front, and
// after each figure comes the later figure whose first or second contour point lies nearest to
// where it ended. The nearest end is looked up in a grid of the figures' end points.
#include <algorithm>
#include <array>
#include <cmath>

#include "drawing_window/hatching.h"
#include "drawing_window/project.h"
#include "model/geometry.h"

namespace vellisk {

namespace {

const tpunkt* FirstPoint(const tfigura& f) { return f.Contour.empty() ? nullptr : &f.Contour[0]; }
const tpunkt* SecondPoint(const tfigura& f) {
    if (f.Contour.empty()) return nullptr;
    return f.Contour.size() >= 2 ? &f.Contour[1] : &f.Contour[0];
}

void TurnRound(tfigura& f) {
    std::reverse(f.Contour.begin(), f.Contour.end());
    std::reverse(f.CutPath.begin(), f.CutPath.end());
    std::reverse(f.ToolPath3D.begin(), f.ToolPath3D.end());
}

// The end points of figure records, by their number at the start.
struct RecordEnds {
    std::vector<const tfigura*> byId;
    bool Has(std::uint32_t id) const { return !byId[id]->Contour.empty(); }
    tpunkt First(std::uint32_t id) const { return *FirstPoint(*byId[id]); }
    tpunkt Second(std::uint32_t id) const { return *SecondPoint(*byId[id]); }
};

// The end points of the entries of a project's cutting order (figures and hatch lines), by their
// position at the start.
struct EntryEnds {
    const Project& project;
    std::vector<std::uint32_t> byId;
    bool Has(std::uint32_t id) const {
        const std::uint32_t e = byId[id];
        return (e & kLineEntry) || !project.Figures[e]->Contour.empty();
    }
    tpunkt First(std::uint32_t id) const {
        const std::uint32_t e = byId[id];
        if (!(e & kLineEntry)) return *FirstPoint(*project.Figures[e]);
        const HatchLine& l = project.Lines[e & ~kLineEntry];
        return {l.X0, l.Y0, 0.0};
    }
    tpunkt Second(std::uint32_t id) const {
        const std::uint32_t e = byId[id];
        if (!(e & kLineEntry)) return *SecondPoint(*project.Figures[e]);
        const HatchLine& l = project.Lines[e & ~kLineEntry];
        return {l.X1, l.Y1, 0.0};
    }
};

// The nearest later figure by its first or second point, found in a grid of those points. It
// answers as the plain search over every later figure does, ties included: the earlier
// position, and of one figure its first point, wins.
template <typename Ends>
class NearestEnds {
public:
    NearestEnds(const Ends& ends, std::size_t n) : ends_(ends) {
        pos_.resize(n);
        at_.resize(n);
        flipped_.assign(n, false);
        liveAt_.assign(n, -1);
        cellOf_.resize(n);
        bool any = false;
        for (std::size_t i = 0; i < n; ++i) {
            pos_[i] = static_cast<std::int32_t>(i);
            at_[i] = static_cast<std::uint32_t>(i);
            const auto id = static_cast<std::uint32_t>(i);
            if (!ends_.Has(id)) continue;
            for (const tpunkt& p : {ends_.First(id), ends_.Second(id)}) {
                if (!std::isfinite(p.X) || !std::isfinite(p.Y)) continue;
                if (!any) minX_ = maxX_ = p.X, minY_ = maxY_ = p.Y, any = true;
                minX_ = std::min(minX_, p.X);
                maxX_ = std::max(maxX_, p.X);
                minY_ = std::min(minY_, p.Y);
                maxY_ = std::max(maxY_, p.Y);
            }
        }
        const double w = maxX_ - minX_, h = maxY_ - minY_;
        cell_ = std::max(std::sqrt(std::max(w * h, 1.0) / static_cast<double>(std::max<std::size_t>(n, 1))), 1.0);
        cell_ = std::max({cell_, w / 2048.0, h / 2048.0});
        cols_ = static_cast<std::int64_t>(w / cell_) + 1;
        rows_ = static_cast<std::int64_t>(h / cell_) + 1;
        cells_.resize(static_cast<std::size_t>(cols_ * rows_));
        for (std::size_t i = 0; i < n; ++i) Add(static_cast<std::uint32_t>(i));
    }

    void Remove(std::uint32_t id) {
        if (liveAt_[id] < 0) return;
        for (std::uint8_t slot = 0; slot < 2; ++slot) {
            auto& c = cells_[cellOf_[id][slot]];
            for (std::size_t k = 0; k < c.size(); ++k)
                if (c[k].id == id && c[k].slot == slot) {
                    c[k] = c.back();
                    c.pop_back();
                    break;
                }
        }
        const auto k = static_cast<std::size_t>(liveAt_[id]);
        live_[k] = live_.back();
        liveAt_[live_[k]] = static_cast<std::int32_t>(k);
        live_.pop_back();
        liveAt_[id] = -1;
    }

    std::uint32_t IdAt(std::int32_t position) const { return at_[static_cast<std::size_t>(position)]; }
    void Swap(std::int32_t p, std::int32_t q) {
        std::swap(at_[static_cast<std::size_t>(p)], at_[static_cast<std::size_t>(q)]);
        pos_[at_[static_cast<std::size_t>(p)]] = p;
        pos_[at_[static_cast<std::size_t>(q)]] = q;
    }
    void Flip(std::uint32_t id) { flipped_[id] = !flipped_[id]; }

    // Position of the nearest live figure, negated when reached by its second point; 0: none.
    std::int32_t Nearest(const tpunkt& P) const {
        Best best;
        if (live_.empty()) return 0;
        const std::int64_t cx = std::clamp<std::int64_t>(CellX(P.X), 0, cols_ - 1);
        const std::int64_t cy = std::clamp<std::int64_t>(CellY(P.Y), 0, rows_ - 1);
        std::size_t visited = 0;
        const std::int64_t maxRing = std::max(cols_, rows_);
        for (std::int64_t r = 0; r <= maxRing; ++r) {
            for (std::int64_t y = cy - r; y <= cy + r; ++y) {
                if (y < 0 || y >= rows_) continue;
                const bool edgeRow = y == cy - r || y == cy + r;
                for (std::int64_t x = cx - r; x <= cx + r; x += edgeRow ? 1 : 2 * r) {
                    if (x >= 0 && x < cols_) {
                        for (const Item& it : cells_[static_cast<std::size_t>(y * cols_ + x)])
                            Consider(it.id, it.slot, P, best);
                        ++visited;
                    }
                    if (!edgeRow && r == 0) break;
                }
            }
            if (best.pos >= 0) {
                // Every point not yet seen lies outside the cells within r of the centre cell.
                const double bound = std::min({P.X - (minX_ + (cx - r) * cell_), minX_ + (cx + r + 1) * cell_ - P.X,
                                               P.Y - (minY_ + (cy - r) * cell_), minY_ + (cy + r + 1) * cell_ - P.Y});
                if (best.d < bound) break;
            }
            if (visited > 4 * live_.size() + 64) {
                // Few figures left, far apart: look at each of them.
                for (std::uint32_t id : live_) {
                    Consider(id, 0, P, best);
                    Consider(id, 1, P, best);
                }
                break;
            }
        }
        if (best.pos < 0) return 0;
        return best.second ? -best.pos : best.pos;
    }

private:
    struct Item {
        std::uint32_t id;
        std::uint8_t slot;  // 0: the point that was first at the start, 1: the second
    };
    struct Best {
        double d = 0.0;
        std::int32_t pos = -1;
        bool second = false;
    };

    std::int64_t CellX(double x) const {
        if (!std::isfinite(x)) return 0;
        return static_cast<std::int64_t>(std::clamp(std::floor((x - minX_) / cell_), -1.0, static_cast<double>(cols_)));
    }
    std::int64_t CellY(double y) const {
        if (!std::isfinite(y)) return 0;
        return static_cast<std::int64_t>(std::clamp(std::floor((y - minY_) / cell_), -1.0, static_cast<double>(rows_)));
    }

    void Add(std::uint32_t id) {
        if (!ends_.Has(id)) return;
        liveAt_[id] = static_cast<std::int32_t>(live_.size());
        live_.push_back(id);
        std::uint8_t slot = 0;
        for (const tpunkt& p : {ends_.First(id), ends_.Second(id)}) {
            const std::size_t cell =
                static_cast<std::size_t>(std::clamp<std::int64_t>(CellY(p.Y), 0, rows_ - 1) * cols_ +
                                         std::clamp<std::int64_t>(CellX(p.X), 0, cols_ - 1));
            cells_[cell].push_back({id, slot});
            cellOf_[id][slot] = cell;
            ++slot;
        }
    }

    void Consider(std::uint32_t id, std::uint8_t slot, const tpunkt& P, Best& best) const {
        const bool second = (slot == 1) != flipped_[id];
        const tpunkt q = second ? ends_.Second(id) : ends_.First(id);
        const double d = Distance2D(q, P);
        const std::int32_t pos = pos_[id];
        if (best.pos < 0 || d < best.d ||
            (d == best.d && (pos < best.pos || (pos == best.pos && !second && best.second)))) {
            best.d = d;
            best.pos = pos;
            best.second = second;
        }
    }

    const Ends& ends_;  // the end points of the figures by their number at the start
    std::vector<std::int32_t> pos_;     // position of each figure (by its number at the start)
    std::vector<std::uint32_t> at_;     // figure at each position
    std::vector<bool> flipped_;
    std::vector<std::uint32_t> live_;
    std::vector<std::int32_t> liveAt_;
    std::vector<std::array<std::size_t, 2>> cellOf_;  // cells of a live figure's points, by slot
    std::vector<std::vector<Item>> cells_;
    double minX_ = 0.0, maxX_ = 0.0, minY_ = 0.0, maxY_ = 0.0, cell_ = 1.0;
    std::int64_t cols_ = 1, rows_ = 1;
};

}  // namespace

std::int32_t najblizszy(const std::vector<std::unique_ptr<tfigura>>& figures, std::int32_t i) {
    const auto n = static_cast<std::int32_t>(figures.size());
    if (i < 0 || i >= n) return 0;
    const tpunkt* P = SecondPoint(*figures[static_cast<std::size_t>(i)]);
    if (!P) return 0;
    std::int32_t result = 0;
    double best = 0.0;
    for (std::int32_t j = i + 1; j < n; ++j) {
        const tfigura& f = *figures[static_cast<std::size_t>(j)];
        const tpunkt* a = FirstPoint(f);
        if (!a) continue;
        const double d1 = Distance2D(*a, *P);
        if (result == 0 || d1 < best) best = d1, result = j;
        const double d2 = Distance2D(*SecondPoint(f), *P);
        if (d2 < best) best = d2, result = -j;
    }
    return result;
}

void optymalizuj(std::vector<std::unique_ptr<tfigura>>& figures) {
    const auto n = static_cast<std::int32_t>(figures.size());
    if (n < 2) return;
    RecordEnds records;
    records.byId.reserve(figures.size());
    for (const auto& f : figures) records.byId.push_back(f.get());
    NearestEnds<RecordEnds> ends(records, figures.size());
    for (std::int32_t i = 0; i < n - 1; ++i) {
        ends.Remove(ends.IdAt(i));
        const tpunkt* P = SecondPoint(*figures[static_cast<std::size_t>(i)]);
        if (!P) continue;
        const std::int32_t r = ends.Nearest(*P);
        if (r == 0) continue;
        std::int32_t k = r;
        if (r < 0) {
            k = -r;
            tfigura& f = *figures[static_cast<std::size_t>(k)];
            if (f.Contour.size() != 2) continue;
            TurnRound(f);
            ends.Flip(ends.IdAt(k));
        }
        std::swap(figures[static_cast<std::size_t>(i + 1)], figures[static_cast<std::size_t>(k)]);
        ends.Swap(i + 1, k);
    }
}

void optymalizuj(Project& project) {
    if (project.Sequence.empty()) {
        optymalizuj(project.Figures);
        return;
    }
    std::vector<std::uint32_t>& order = project.Sequence;
    const auto n = static_cast<std::int32_t>(order.size());
    if (n < 2) return;
    EntryEnds entries{project, order};
    NearestEnds<EntryEnds> ends(entries, order.size());
    for (std::int32_t i = 0; i < n - 1; ++i) {
        ends.Remove(ends.IdAt(i));
        if (!entries.Has(ends.IdAt(i))) continue;
        const tpunkt P = entries.Second(ends.IdAt(i));
        const std::int32_t r = ends.Nearest(P);
        if (r == 0) continue;
        std::int32_t k = r;
        if (r < 0) {
            k = -r;
            const std::uint32_t e = order[static_cast<std::size_t>(k)];
            if (e & kLineEntry) {
                HatchLine& l = project.Lines[e & ~kLineEntry];
                std::swap(l.X0, l.X1);
                std::swap(l.Y0, l.Y1);
                // The line's Bezier segments stay as they were fitted.
                if (l.Smoothed) l.SmoothTurned = !l.SmoothTurned;
            } else {
                tfigura& f = *project.Figures[e];
                if (f.Contour.size() != 2) continue;
                TurnRound(f);
            }
            ends.Flip(ends.IdAt(k));
        }
        std::swap(order[static_cast<std::size_t>(i + 1)], order[static_cast<std::size_t>(k)]);
        ends.Swap(i + 1, k);
    }
    project.KeepRecordsInCuttingOrder();
}

}  // namespace vellisk
