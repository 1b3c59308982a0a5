#include "drawing_window/hatching.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "drawing_window/box_grid.h"
#include "drawing_window/project.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "model/numeric.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "platform/parallel_for.h"
#include "platform/prefault.h"
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

    template <class Point>
    double D(const Point& p) const {
        return nx * p.X + ny * p.Y;
    }
};

Kreskowanie::Kreskowanie(Project& project, const Settings& settings, const ProgramEnvironment& env, JobValues& job,
                         Notifier& notifier)
    : project_(project), settings_(settings), env_(env), job_(job), notifier_(notifier) {}

Kreskowanie::~Kreskowanie() = default;

bool Kreskowanie::Run(const HatchOptions& options) {
    if (!(options.SpacingMm >= kMinHatchSpacingMm) || !std::isfinite(options.SpacingMm) ||
        !std::isfinite(options.AngleDeg)) {
        notifier_.Message(env_.Text(TextId::HatchSpacingTooSmall), MessageKind::Error, Buttons::Ok, "");
        return false;
    }
    // A G-code drawing is the machine's own moves (no cutting paths to cross, totals in mm) and a
    // bitmap has no figures: there is nothing to hatch.
    if (project_.Count() == 0 || project_.ProjectKind == KindGcode || project_.ProjectKind == KindBitmap)
        return true;
    // A spacing far below the drawing's size (a damaged drawing of enormous extent) would add
    // lines for hours: refused like a spacing of nothing.
    const int kind = project_.ProjectKind;
    const double reach = std::hypot(project_.ProjectWidth, project_.ProjectHeight) +
                         4 * MmToUnits(kind, settings_.Number(setting::ToolDiameter));
    if (!(reach / MmToUnits(kind, options.SpacingMm) <= kMaxHatchScanLines)) {
        notifier_.Message(env_.Text(TextId::HatchTooManyLines), MessageKind::Error, Buttons::Ok, "");
        return false;
    }
    Scan(project_.ProjectHeight, project_.ProjectWidth, options.SpacingMm, options.AngleDeg * kPi / 180.0);
    job_.HatchingDone = true;
    if (options.TwoWay) optymalizuj(project_);
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
        const tfigura* record = project_.Record(i);
        if (!record) continue;  // a hatch line
        const tfigura& f = *record;
        if (f.HatchLine || f.Open || CuttingPath(f).empty()) continue;
        if (noFrame && (project_.framka(i) || f.Level == 0)) continue;
        double a = 0.0, b = 0.0;
        WithCuttingPath(f, [&](const auto& path) {
            a = b = ix.D(path[0]);
            for (const auto& p : path) {
                const double d = ix.D(p);
                a = std::min(a, d);
                b = std::max(b, d);
            }
        });
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
        double minX, minY, maxX, maxY;
        if (const tfigura* f = project_.Record(i)) {
            minX = f->MinX, minY = f->MinY, maxX = f->MaxX, maxY = f->MaxY;
        } else {
            const HatchLine& l = project_.Line(i);
            minX = std::min(l.X0, l.X1), maxX = std::max(l.X0, l.X1);
            minY = std::min(l.Y0, l.Y1), maxY = std::max(l.Y0, l.Y1);
        }
        boxes.push_back({minX, minY, maxX, maxY});
        size += (maxX - minX) + (maxY - minY);
    }
    ix.boxes.Build(boxes, std::max(size / (2.0 * std::max(n, 1)), 1.0));
}

void Kreskowanie::Scan(double a, double b, double spacingMm, double angle) {
    scanLines_ = linesAdded_ = 0;
    if (project_.Count() == 0 || !std::isfinite(angle)) return;
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
    // core, each piece finding its own hatch lines as two points and an owner; the lines are then
    // kept, again on every core, in scan order, so the cutting order is the same as from one scan
    // line after the other. Running out of memory in either step leaves the project as it was.
    const std::size_t pieces = scan.size() < 64 ? 1 : std::min<std::size_t>(scan.size() / 16, 8 * ParallelThreads());
    std::vector<std::vector<HatchSegment>> made(pieces);
    ParallelFor(scan.size(), pieces, [&](std::size_t k, std::size_t begin, std::size_t end) {
        std::vector<HatchCrossing> crossings;
        std::vector<std::uint32_t> candidates;
        tfigura probe;
        for (std::size_t i = begin; i < end; ++i)
            MakeLines(scan[i].first, scan[i].second, crossings, candidates, probe, made[k]);
    });
    scanLines_ = static_cast<std::int64_t>(scan.size());
    std::vector<std::size_t> offset(pieces + 1, static_cast<std::size_t>(countBefore_));
    for (std::size_t k = 0; k < pieces; ++k) offset[k + 1] = offset[k] + made[k].size();
    const std::size_t added = offset[pieces] - offset[0];
    const std::size_t linesBefore = project_.Lines.size();
    std::vector<std::uint32_t>& sequence = project_.Sequence;
    try {
        // Both lists at their exact size: a hatching adds millions of lines.
        std::vector<HatchLine> lines;
        lines.reserve(linesBefore + added);
        PrefaultForWriting(lines.data(), lines.capacity() * sizeof(HatchLine));
        lines = project_.Lines;
        lines.resize(linesBefore + added);
        std::vector<std::uint32_t> order;
        order.reserve(offset[pieces]);
        PrefaultForWriting(order.data(), order.capacity() * sizeof(std::uint32_t));
        if (sequence.empty())
            for (std::size_t i = 0; i < project_.Figures.size(); ++i) order.push_back(static_cast<std::uint32_t>(i));
        else
            order = sequence;
        order.resize(offset[pieces]);
        ParallelFor(pieces, pieces, [&](std::size_t, std::size_t begin, std::size_t end) {
            for (std::size_t k = begin; k < end; ++k) {
                for (std::size_t j = 0; j < made[k].size(); ++j) {
                    const std::size_t at = offset[k] + j, line = linesBefore + (at - offset[0]);
                    lines[line] = MakeHatchLine(made[k][j], static_cast<std::int32_t>(at));
                    order[at] = static_cast<std::uint32_t>(line) | kLineEntry;
                }
                std::vector<HatchSegment>().swap(made[k]);
            }
        });
        if (added > 0) {
            project_.Lines.swap(lines);
            sequence.swap(order);
        }
    } catch (...) {
        index_.reset();
        throw;
    }
    linesAdded_ += static_cast<std::int64_t>(added);
    index_.reset();

    double cut = 0.0, polish = 0.0;
    for (std::int32_t i = 0; i < project_.Count(); ++i) {
        if (const tfigura* fig = project_.Record(i)) {
            cut += fig->CutLength;
            polish += fig->PolishLength;
        } else {
            const HatchLine& l = project_.Line(i);
            cut += l.CutLength;
            polish += l.PolishLength;
        }
    }
    project_.TotalCutLength = UnitsToMm(kind, RoundHalfEven(cut));
    project_.TotalPolishLength = UnitsToMm(kind, RoundHalfEven(polish));
}

void Kreskowanie::DodajKreski(const tpunkt& start, const tpunkt& end) {
    if (project_.Count() == 0) return;
    if (!index_) {
        countBefore_ = project_.Count();
        const double dx = end.X - start.X, dy = end.Y - start.Y;
        BuildIndex(std::atan2(dy, dx));
    }
    ++scanLines_;
    std::vector<HatchSegment> lines;
    tfigura probe;
    MakeLines(start, end, crossings_, candidates_, probe, lines);
    for (const HatchSegment& line : lines) {
        if (project_.Sequence.empty())
            for (std::size_t i = 0; i < project_.Figures.size(); ++i)
                project_.Sequence.push_back(static_cast<std::uint32_t>(i));
        project_.Lines.push_back(MakeHatchLine(line, project_.Count()));
        project_.Sequence.push_back(static_cast<std::uint32_t>(project_.Lines.size() - 1) | kLineEntry);
        ++linesAdded_;
    }
}

void Kreskowanie::MakeLines(const tpunkt& start, const tpunkt& end, std::vector<HatchCrossing>& crossings,
                            std::vector<std::uint32_t>& candidates, tfigura& probe,
                            std::vector<HatchSegment>& lines) const {
    if (!Crossings(start, end, crossings)) return;
    for (std::size_t j = 0; j + 1 < crossings.size(); j += 2)
        lines.push_back(MakeLine(crossings[j], crossings[j + 1], candidates, probe));
}

bool Kreskowanie::Crossings(const tpunkt& start, const tpunkt& end, std::vector<HatchCrossing>& crossings) const {
    crossings.clear();
    const tfigura& first = *project_.Figures[0];
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
        WithCuttingPath(*project_.Record(static_cast<std::int32_t>(i)), [&](const auto& path) {
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
        });
    }
    if (crossings.empty() || crossings.size() % 2 != 0) return false;
    std::sort(crossings.begin(), crossings.end(), ComparePoints);
    return true;
}

HatchSegment Kreskowanie::MakeLine(const HatchCrossing& a, const HatchCrossing& b,
                                   std::vector<std::uint32_t>& candidates, tfigura& probe) const {
    HatchSegment line;
    line.Start = {RoundHalfEven(a.X), RoundHalfEven(a.Y), 0.0};
    line.End = {RoundHalfEven(b.X), RoundHalfEven(b.Y), 0.0};
    // The containment test reads the line's box and its two points.
    probe.Contour.assign({line.Start, line.End});
    SetFigureExtents(probe);

    // The enclosing figure: the first figure present before this hatching, in list order, that
    // holds the line (a hatch line of an earlier hatching counts by its own owner).
    candidates.clear();
    // A figure that holds the line holds its first point: the cell of that point has them all.
    index_->boxes.Query(line.Start.X, line.Start.Y, line.Start.X, line.Start.Y,
                        [&](std::uint32_t id) { candidates.push_back(id); });
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    std::int32_t level = -1;
    for (std::uint32_t id : candidates) {
        if (static_cast<std::int32_t>(id) >= countBefore_) break;
        // A hatch line never holds another: its contour and its closing edge are the same.
        const tfigura* record = project_.Record(static_cast<std::int32_t>(id));
        if (!record) continue;
        const tfigura& c = *record;
        if (c.HatchOwner > level && Project::LezyWewnatrz(probe, c)) {
            level = c.Level + 1;
            line.Owner = static_cast<std::int32_t>(id);
        }
    }
    return line;
}

HatchLine Kreskowanie::MakeHatchLine(const HatchSegment& segment, std::int32_t index) const {
    HatchLine line;
    line.X0 = segment.Start.X;
    line.Y0 = segment.Start.Y;
    line.X1 = segment.End.X;
    line.Y1 = segment.End.Y;
    line.Depth = lineDepth_;
    line.CutLength = Distance2D(segment.Start, segment.End);
    line.Layer = project_.ProjectKind == KindDxf ? 0 : 1;
    line.Index = index;
    if (segment.Owner >= 0) {
        tfigura& c = project_.Figure(segment.Owner);
        line.Parent = &c;
        line.Level = c.Level + 1;
        line.HatchOwner = segment.Owner;
    }
    return line;
}

void AfterHatching(Project& project, const Settings& settings, const JobValues& job) {
    if (job.PlungePitch < 100.0) project.AddOutline();
    if (settings.Choice(setting::ProjectType) == 1 && project.Layers)
        project.Layers->AddDefaultLayer(project.ProjectKind);
}

bool HatchWithChoices(Project& project, const Settings& settings, const ProgramEnvironment& env, JobValues& job,
                      Notifier& notifier, const HatchOptions& chosen) {
    Kreskowanie hatching(project, settings, env, job, notifier);
    if (!hatching.Run(chosen)) return false;
    job.HatchChoices = chosen;
    return true;
}

}  // namespace vellisk
