#include "drawing_window/hatching.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "drawing_window/box_grid.h"
#include "drawing_window/project.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "model/numeric.h"
#include "platform/notifier.h"
#include "platform/parallel_for.h"
#include "settings/settings.h"

namespace vellisk {

namespace {

constexpr double kPi = std::numbers::pi;
// The crossings are worked out on coordinates divided by this and multiplied back.
constexpr double kCrossingScale = 40.0;
// Scan lines stand off the edges by this much, so that a side on whole units is never met at a
// vertex.
constexpr double kEdge = 0.001;

}  // namespace

bool ComparePoints(const HatchCrossing& a, const HatchCrossing& b) {
    if (a.X != b.X) return a.X < b.X;
    return a.Y < b.Y;
}

// Pre-selection of the figures a scan line can meet. Every figure is projected on the normal of
// the scan lines (distance d = -sin(angle) x + cos(angle) y); a line meets only figures whose
// range of d holds its own d. The ranges sit in buckets along d. The enclosing figures of the
// hatch lines are looked up in a grid of the figures' boxes.
struct Kreskowanie::Index {
    double nx = 0.0, ny = 1.0;  // normal of the scan lines
    double lo = 0.0, width = 1.0;
    std::vector<std::vector<std::uint32_t>> buckets;
    std::vector<double> dMin, dMax;  // per figure position (figures to hatch only)
    PackedBoxGrid boxes;             // every figure present before this hatching

    double D(const tpunkt& p) const { return nx * p.X + ny * p.Y; }
};

Kreskowanie::Kreskowanie(Project& project, const Settings& settings, MachineContext& ctx, Notifier& notifier)
    : project_(project), settings_(settings), ctx_(ctx), notifier_(notifier) {}

Kreskowanie::~Kreskowanie() = default;

bool Kreskowanie::Run(const HatchOptions& options) {
    if (!(options.SpacingMm >= kMinHatchSpacingMm) || !std::isfinite(options.SpacingMm) ||
        !std::isfinite(options.AngleDeg)) {
        notifier_.Message(ctx_.Env.Text(TextId::HatchSpacingTooSmall), MessageKind::Error, Buttons::Ok, "");
        return false;
    }
    // A G-code drawing is the machine's own moves (no cutting paths to cross, totals in mm) and a
    // bitmap has no figures: there is nothing to hatch.
    if (project_.Figures.empty() || project_.ProjectKind == KindGcode || project_.ProjectKind == KindBitmap)
        return true;
    // A spacing far below the drawing's size (a damaged drawing of enormous extent) would add
    // lines for hours: refused like a spacing of nothing.
    const int kind = project_.ProjectKind;
    const double reach = std::hypot(project_.ProjectWidth, project_.ProjectHeight) +
                         4 * MmToUnits(kind, settings_.Number(setting::ToolDiameter));
    if (!(reach / MmToUnits(kind, options.SpacingMm) <= kMaxHatchScanLines)) {
        notifier_.Message(ctx_.Env.Text(TextId::HatchTooManyLines), MessageKind::Error, Buttons::Ok, "");
        return false;
    }
    Scan(project_.ProjectHeight, project_.ProjectWidth, options.SpacingMm, options.AngleDeg * kPi / 180.0);
    ctx_.Job.HatchingDone = true;
    if (options.TwoWay) optymalizuj(project_.Figures);
    if (!options.CutOutline)
        for (auto& f : project_.Figures)
            if (!f->HatchLine && !f->Open) f->ToCut = false;
    return true;
}

void Kreskowanie::BuildIndex(double angle) {
    index_ = std::make_unique<Index>();
    Index& ix = *index_;
    lineDepth_ = MmToUnits(project_.ProjectKind, settings_.Number(setting::MaterialThickness) +
                                                     settings_.Number(setting::AboveTable) -
                                                     settings_.Number(setting::MillingDepth));
    ix.nx = -std::sin(angle);
    ix.ny = std::cos(angle);
    const std::int32_t n = project_.Count();
    ix.dMin.assign(static_cast<std::size_t>(n), 0.0);
    ix.dMax.assign(static_cast<std::size_t>(n), -1.0);

    // The figures to hatch: closed figures that are not hatch lines (wherever an earlier sort
    // put them), without the frame and the outermost figures when frames are left out.
    const bool noFrame = settings_.Flag(setting::SkipFrame);
    std::vector<std::uint32_t> hatched;
    double lo = 0.0, hi = 0.0, extent = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const tfigura& f = project_.Figure(i);
        if (f.HatchLine || f.Open || f.CutPath.empty()) continue;
        if (noFrame && (project_.framka(i) || f.Level == 0)) continue;
        double a = ix.D(f.CutPath[0]), b = a;
        for (const tpunkt& p : f.CutPath) {
            const double d = ix.D(p);
            a = std::min(a, d);
            b = std::max(b, d);
        }
        if (!std::isfinite(a) || !std::isfinite(b)) continue;
        ix.dMin[static_cast<std::size_t>(i)] = a - 1.0;
        ix.dMax[static_cast<std::size_t>(i)] = b + 1.0;
        if (hatched.empty()) lo = a, hi = b;
        lo = std::min(lo, a);
        hi = std::max(hi, b);
        extent += b - a;
        hatched.push_back(static_cast<std::uint32_t>(i));
    }
    if (!hatched.empty()) {
        // Buckets as wide as a figure on average, at most a million of them.
        ix.lo = lo - 2.0;
        const double range = hi - lo + 4.0;
        ix.width = std::max({extent / static_cast<double>(hatched.size()), range / 1.0e6, 1.0});
        ix.buckets.resize(static_cast<std::size_t>(range / ix.width) + 1);
        for (std::uint32_t i : hatched) {
            auto k0 = static_cast<std::size_t>((ix.dMin[i] - ix.lo) / ix.width);
            auto k1 = static_cast<std::size_t>((ix.dMax[i] - ix.lo) / ix.width);
            k0 = std::min(k0, ix.buckets.size() - 1);
            k1 = std::min(k1, ix.buckets.size() - 1);
            for (std::size_t k = k0; k <= k1; ++k) ix.buckets[k].push_back(i);
        }
    }

    std::vector<PackedBoxGrid::Box> boxes;
    boxes.reserve(static_cast<std::size_t>(n));
    double size = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const tfigura& f = project_.Figure(i);
        boxes.push_back({f.MinX, f.MinY, f.MaxX, f.MaxY});
        size += (f.MaxX - f.MinX) + (f.MaxY - f.MinY);
    }
    ix.boxes.Build(boxes, std::max(size / (2.0 * std::max(n, 1)), 1.0));
}

void Kreskowanie::Scan(double a, double b, double spacingMm, double angle) {
    scanLines_ = linesAdded_ = 0;
    if (project_.Figures.empty() || !std::isfinite(angle)) return;
    countBefore_ = project_.Count();
    const int kind = project_.ProjectKind;
    // Spacing and margin in the project's own drawing units.
    const double s = MmToUnits(kind, spacingMm);
    const double f = MmToUnits(kind, settings_.Number(setting::ToolDiameter));
    if (!(s > 0.0) || !std::isfinite(s)) return;

    angle = std::fmod(angle, 2.0 * kPi);
    while (angle > kPi / 2) angle -= kPi;
    while (angle < -kPi / 2) angle += kPi;
    BuildIndex(angle);

    std::vector<std::pair<tpunkt, tpunkt>> scan;
    auto line = [&](double x0, double y0, double x1, double y1) {
        const tpunkt start{x0, y0, 0.0}, end{x1, y1, 0.0};
        if (ScanLineSeen) ScanLineSeen(start, end);
        scan.emplace_back(start, end);
    };
    const double low = -f - kEdge;
    if (std::fabs(angle) < 0.001) {
        for (double y = low; y <= a + f; y += s) {
            line(low, y, b + f + kEdge, y);
            if (y > a - s && y < a) break;
        }
    } else if (kPi / 2 - std::fabs(angle) < 0.001) {
        for (double x = low; x <= b + f; x += s) {
            if (angle > 0)
                line(x, low, x, a + f + kEdge);
            else
                line(x, a + f + kEdge, x, low);
            if (x > b - s && x < b) break;
        }
    } else if (angle > 0) {
        const double m = std::tan(angle);
        const double step = s / std::cos(angle);
        for (double t = -(f + b) * m; t <= f + a; t += step) {
            double x0 = low, y0 = m * low + t;
            if (t < 0) {
                y0 = low;
                x0 = (y0 - t) / m;
            }
            double x1 = b + f + kEdge, y1 = m * x1 + t;
            if (y1 > a + f) {
                y1 = a + f + kEdge;
                x1 = (y1 - t) / m;
            }
            line(x0, y0, x1, y1);
        }
    } else {
        const double m = std::tan(angle);
        const double step = s / std::cos(angle);
        for (double t = a + 2 * f - b * m; t >= -f; t -= step) {
            double x0 = low, y0 = m * low + t;
            if (y0 > a + f) {
                y0 = a + f + kEdge;
                x0 = (y0 - t) / m;
            }
            double x1 = b + f + kEdge, y1 = m * x1 + t;
            if (y1 < 0) {
                y1 = low;
                x1 = (y1 - t) / m;
            }
            line(x0, y0, x1, y1);
        }
    }

    // The scan lines are independent of each other: they are worked on in pieces, on every
    // core, each piece making its own hatch lines; the pieces are then added in scan order, so
    // the figure list is the same as from one scan line after the other. A piece that runs out
    // of memory leaves the project as it was.
    const std::size_t pieces = scan.size() < 64 ? 1 : std::min<std::size_t>(scan.size() / 16, 8 * ParallelThreads());
    std::vector<std::vector<std::unique_ptr<tfigura>>> made(pieces);
    ParallelFor(scan.size(), pieces, [&](std::size_t k, std::size_t begin, std::size_t end) {
        std::vector<HatchCrossing> crossings;
        std::vector<std::uint32_t> candidates;
        for (std::size_t i = begin; i < end; ++i)
            MakeLines(scan[i].first, scan[i].second, crossings, candidates, made[k]);
    });
    scanLines_ = static_cast<std::int64_t>(scan.size());
    std::vector<std::size_t> offset(pieces + 1, project_.Figures.size());
    for (std::size_t k = 0; k < pieces; ++k) offset[k + 1] = offset[k] + made[k].size();
    project_.Figures.resize(offset[pieces]);
    ParallelFor(pieces, pieces, [&](std::size_t, std::size_t begin, std::size_t end) {
        for (std::size_t k = begin; k < end; ++k)
            for (std::size_t j = 0; j < made[k].size(); ++j) {
                made[k][j]->Index = static_cast<std::int32_t>(offset[k] + j);
                project_.Figures[offset[k] + j] = std::move(made[k][j]);
            }
    });
    linesAdded_ += static_cast<std::int64_t>(offset[pieces] - offset[0]);
    index_.reset();

    double cut = 0.0, polish = 0.0;
    for (const auto& fig : project_.Figures) {
        cut += fig->CutLength;
        polish += fig->PolishLength;
    }
    project_.TotalCutLength = UnitsToMm(kind, RoundHalfEven(cut));
    project_.TotalPolishLength = UnitsToMm(kind, RoundHalfEven(polish));
}

void Kreskowanie::DodajKreski(const tpunkt& start, const tpunkt& end) {
    if (project_.Figures.empty()) return;
    if (!index_) {
        countBefore_ = project_.Count();
        const double dx = end.X - start.X, dy = end.Y - start.Y;
        BuildIndex(std::atan2(dy, dx));
    }
    ++scanLines_;
    std::vector<std::unique_ptr<tfigura>> lines;
    MakeLines(start, end, crossings_, candidates_, lines);
    for (auto& line : lines) {
        line->Index = project_.Count();
        project_.Figures.push_back(std::move(line));
        ++linesAdded_;
    }
}

void Kreskowanie::MakeLines(const tpunkt& start, const tpunkt& end, std::vector<HatchCrossing>& crossings,
                            std::vector<std::uint32_t>& candidates,
                            std::vector<std::unique_ptr<tfigura>>& lines) const {
    if (!Crossings(start, end, crossings)) return;
    for (std::size_t j = 0; j + 1 < crossings.size(); j += 2)
        lines.push_back(MakeLine(crossings[j], crossings[j + 1], candidates));
}

bool Kreskowanie::Crossings(const tpunkt& start, const tpunkt& end, std::vector<HatchCrossing>& crossings) const {
    crossings.clear();
    const tfigura& first = project_.Figure(0);
    const tpunkt p0{start.X + first.OriginX, start.Y + first.OriginY, 0.0};
    const tpunkt p1{end.X + first.OriginX, end.Y + first.OriginY, 0.0};
    const Index& ix = *index_;
    const double d = (ix.D(p0) + ix.D(p1)) / 2;
    if (ix.buckets.empty()) return false;
    const double k = std::floor((d - ix.lo) / ix.width);
    if (!(k >= 0.0) || k >= static_cast<double>(ix.buckets.size())) return false;

    const todcinek scan{{p0.X / kCrossingScale, p0.Y / kCrossingScale, 0.0},
                        {p1.X / kCrossingScale, p1.Y / kCrossingScale, 0.0}};
    for (std::uint32_t i : ix.buckets[static_cast<std::size_t>(k)]) {
        if (d < ix.dMin[i] || d > ix.dMax[i]) continue;
        const std::vector<tpunkt>& path = CuttingPath(*project_.Figures[i]);
        double prev = ix.D(path[0]) - d;
        for (std::size_t j = 1; j < path.size(); ++j) {
            const double cur = ix.D(path[j]) - d;
            // A segment wholly on one side of the line cannot meet it.
            const bool apart = (prev > 0.01 && cur > 0.01) || (prev < -0.01 && cur < -0.01);
            prev = cur;
            if (apart) continue;
            const todcinek seg{{path[j - 1].X / kCrossingScale, path[j - 1].Y / kCrossingScale, 0.0},
                               {path[j].X / kCrossingScale, path[j].Y / kCrossingScale, 0.0}};
            tpunkt at;
            if (SegmentIntersection(scan, seg, at))
                crossings.push_back({at.X * kCrossingScale, at.Y * kCrossingScale, static_cast<std::int32_t>(i)});
        }
    }
    if (crossings.empty() || crossings.size() % 2 != 0) return false;
    std::sort(crossings.begin(), crossings.end(), ComparePoints);
    return true;
}

std::unique_ptr<tfigura> Kreskowanie::MakeLine(const HatchCrossing& a, const HatchCrossing& b,
                                               std::vector<std::uint32_t>& candidates) const {
    const int kind = project_.ProjectKind;
    const tfigura& first = project_.Figure(0);
    auto line = std::make_unique<tfigura>();
    tfigura& f = *line;
    const tpunkt p{RoundHalfEven(a.X), RoundHalfEven(a.Y), 0.0};
    const tpunkt q{RoundHalfEven(b.X), RoundHalfEven(b.Y), 0.0};
    f.Contour = {p, q};
    f.CutPath = f.Contour;
    const double z = lineDepth_;
    f.ToolPath3D = {{p.X, p.Y, z}, {q.X, q.Y, z}};
    Project::licz_parametry(f);
    f.Open = true;
    f.ToCut = true;
    f.HatchLine = true;
    f.Direction = 0;
    f.Layer = kind == KindDxf ? 0 : 1;
    f.OriginX = first.OriginX;
    f.OriginY = first.OriginY;
    f.CutLength = Distance2D(p, q);
    f.StartIndex = 0;

    // The enclosing figure: the first figure present before this hatching, in list order, that
    // holds the line (a hatch line of an earlier hatching counts by its own owner).
    f.Level = -1;
    f.HatchOwner = 0;
    candidates.clear();
    // A figure that holds the line holds its first point: the cell of that point has them all.
    index_->boxes.Query(p.X, p.Y, p.X, p.Y, [&](std::uint32_t id) { candidates.push_back(id); });
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (std::uint32_t id : candidates) {
        if (static_cast<std::int32_t>(id) >= countBefore_) break;
        tfigura& c = *project_.Figures[id];
        if (c.HatchOwner > f.Level && Project::LezyWewnatrz(f, c)) {
            f.Parent = &c;
            f.Level = c.Level + 1;
            f.HatchOwner = static_cast<std::int32_t>(id);
        }
    }
    return line;
}

// ---- two-way order ----------------------------------------------------------------------------

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

// The nearest later figure by its first or second point, found in a grid of those points. It
// answers as the plain search over every later figure does, ties included: the earlier
// position, and of one figure its first point, wins.
class NearestEnds {
public:
    explicit NearestEnds(const std::vector<std::unique_ptr<tfigura>>& figures) {
        const std::size_t n = figures.size();
        byId_.reserve(n);
        for (const auto& f : figures) byId_.push_back(f.get());
        pos_.resize(n);
        at_.resize(n);
        flipped_.assign(n, false);
        liveAt_.assign(n, -1);
        cellOf_.resize(n);
        bool any = false;
        for (std::size_t i = 0; i < n; ++i) {
            pos_[i] = static_cast<std::int32_t>(i);
            at_[i] = static_cast<std::uint32_t>(i);
            const tpunkt* a = FirstPoint(*figures[i]);
            if (!a) continue;
            const tpunkt* b = SecondPoint(*figures[i]);
            for (const tpunkt* p : {a, b}) {
                if (!std::isfinite(p->X) || !std::isfinite(p->Y)) continue;
                if (!any) minX_ = maxX_ = p->X, minY_ = maxY_ = p->Y, any = true;
                minX_ = std::min(minX_, p->X);
                maxX_ = std::max(maxX_, p->X);
                minY_ = std::min(minY_, p->Y);
                maxY_ = std::max(maxY_, p->Y);
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
        const tfigura& f = *byId_[id];
        const tpunkt* a = FirstPoint(f);
        if (!a) return;
        const tpunkt* b = SecondPoint(f);
        liveAt_[id] = static_cast<std::int32_t>(live_.size());
        live_.push_back(id);
        std::uint8_t slot = 0;
        for (const tpunkt* p : {a, b}) {
            const std::size_t cell =
                static_cast<std::size_t>(std::clamp<std::int64_t>(CellY(p->Y), 0, rows_ - 1) * cols_ +
                                         std::clamp<std::int64_t>(CellX(p->X), 0, cols_ - 1));
            cells_[cell].push_back({id, slot});
            cellOf_[id][slot] = cell;
            ++slot;
        }
    }

    void Consider(std::uint32_t id, std::uint8_t slot, const tpunkt& P, Best& best) const {
        const tfigura& f = *byId_[id];
        const bool second = (slot == 1) != flipped_[id];
        const tpunkt& q = second ? *SecondPoint(f) : *FirstPoint(f);
        const double d = Distance2D(q, P);
        const std::int32_t pos = pos_[id];
        if (best.pos < 0 || d < best.d ||
            (d == best.d && (pos < best.pos || (pos == best.pos && !second && best.second)))) {
            best.d = d;
            best.pos = pos;
            best.second = second;
        }
    }

    std::vector<const tfigura*> byId_;  // the figures by their number at the start
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
    NearestEnds ends(figures);
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

void AfterHatching(Project& project, const Settings& settings, const MachineContext& ctx) {
    if (ctx.Job.PlungePitch < 100.0) project.AddOutline();
    if (settings.Choice(setting::ProjectType) == 1 && project.Layers)
        project.Layers->AddDefaultLayer(project.ProjectKind);
}

bool HatchWithChoices(Project& project, const Settings& settings, MachineContext& ctx, Notifier& notifier,
                      const HatchOptions& chosen) {
    Kreskowanie hatching(project, settings, ctx, notifier);
    if (!hatching.Run(chosen)) return false;
    ctx.Job.HatchChoices = chosen;
    return true;
}

}  // namespace vellisk
