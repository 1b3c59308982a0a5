#include "drawing_window/project.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <exception>
#include <limits>
#include <unordered_map>

#include "drawing_files/hpgl.h"
#include "drawing_window/box_grid.h"
#include "machine_link/job_values.h"
#include "model/geometry.h"
#include "drawing_window/tool_path.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "model/numeric.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace vellisk {

// Look-up structures over the kept figures while a drawing is read. Every kept figure has a
// sequence number; figures are only appended and removed while loading, so the list order is
// the order of the sequence numbers.
namespace {

// Sequence numbers of kept figures by a 64-bit shape key, several per key, in one open-addressed
// array (no allocation per figure).
class ShapeTable {
public:
    void Add(std::uint64_t key, std::uint32_t seq) {
        if ((used_ + 1) * 2 > slots_.size()) Grow();
        std::size_t i = Home(key);
        while (slots_[i].seq != kEmpty && slots_[i].seq != kRemoved) i = (i + 1) & (slots_.size() - 1);
        if (slots_[i].seq == kEmpty) ++used_;
        slots_[i] = {key, seq};
    }
    void Remove(std::uint64_t key, std::uint32_t seq) {
        if (slots_.empty()) return;
        for (std::size_t i = Home(key); slots_[i].seq != kEmpty; i = (i + 1) & (slots_.size() - 1))
            if (slots_[i].key == key && slots_[i].seq == seq) slots_[i].seq = kRemoved;
    }
    // Calls visit(seq) for every sequence number under `key` until it returns true.
    template <typename F>
    bool Any(std::uint64_t key, F visit) const {
        if (slots_.empty()) return false;
        for (std::size_t i = Home(key); slots_[i].seq != kEmpty; i = (i + 1) & (slots_.size() - 1))
            if (slots_[i].key == key && slots_[i].seq != kRemoved && visit(slots_[i].seq)) return true;
        return false;
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu, kRemoved = 0xFFFFFFFEu;
    struct Slot {
        std::uint64_t key = 0;
        std::uint32_t seq = kEmpty;
    };
    std::size_t Home(std::uint64_t key) const {
        return static_cast<std::size_t>((key ^ (key >> 29)) * 0xBF58476D1CE4E5B9ull >> 7) & (slots_.size() - 1);
    }
    void Grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.assign(std::max<std::size_t>(64, old.size() * 2), Slot{});
        used_ = 0;
        for (const Slot& s : old)
            if (s.seq != kEmpty && s.seq != kRemoved) Add(s.key, s.seq);
    }
    std::vector<Slot> slots_;
    std::size_t used_ = 0;  // slots not empty (removed ones included)
};

}  // namespace

struct Project::LoadIndex {
    std::vector<tfigura*> bySeq;       // nullptr once removed
    std::vector<std::uint32_t> seqAt;  // parallel to Figures
    BoxGrid ends{4.0};                 // end points of open figures with more than one point
    BoxGrid lines{256.0};              // figures of exactly two points
    ShapeTable shapes;                 // by point count and first point
    std::vector<std::uint32_t> cands;  // the joins' candidates, kept from figure to figure

    static std::uint64_t ShapeKey(const tfigura& f) {
        const tpunkt& p = f.Contour.front();
        auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v == 0.0 ? 0.0 : v); };
        std::uint64_t h = f.Contour.size() * 0x9E3779B97F4A7C15ull;
        h ^= bits(p.X) + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
        h ^= bits(p.Y) + 0x94D049BB133111EBull + (h << 6) + (h >> 2);
        return h;
    }
    static bool JoinsOthers(const tfigura& f) { return f.Open && f.Contour.size() > 1; }
    static void LineBox(const tfigura& f, double box[4]) {
        const tpunkt& a = f.Contour[0];
        const tpunkt& b = f.Contour[1];
        // Widened a little: the crossing test works on the lines through the segments.
        auto pad = [](double v) { return 1.0 + std::fabs(v) * 1e-9; };
        box[0] = std::fmin(a.X, b.X) - pad(a.X);
        box[1] = std::fmin(a.Y, b.Y) - pad(a.Y);
        box[2] = std::fmax(a.X, b.X) + pad(b.X);
        box[3] = std::fmax(a.Y, b.Y) + pad(b.Y);
    }

    // Calls on(grid, box) for each entry a figure has in the two grids.
    template <typename On>
    void ForEachGridEntry(const tfigura& f, On on) {
        if (JoinsOthers(f)) {
            for (const tpunkt* p : {&f.Contour.front(), &f.Contour.back()}) on(ends, p->X, p->Y, p->X, p->Y);
        }
        if (f.Contour.size() == 2) {
            double b[4];
            LineBox(f, b);
            on(lines, b[0], b[1], b[2], b[3]);
        }
    }
    void Add(tfigura* f, std::uint32_t seq) {
        ForEachGridEntry(
            *f, [seq](BoxGrid& g, double x0, double y0, double x1, double y1) { g.Insert(seq, x0, y0, x1, y1); });
        if (!f->Contour.empty()) shapes.Add(ShapeKey(*f), seq);
    }
    void Drop(tfigura* f, std::uint32_t seq) {
        ForEachGridEntry(
            *f, [seq](BoxGrid& g, double x0, double y0, double x1, double y1) { g.Remove(seq, x0, y0, x1, y1); });
        if (!f->Contour.empty()) shapes.Remove(ShapeKey(*f), seq);
        bySeq[seq] = nullptr;
    }
    std::size_t PositionOf(std::uint32_t seq) const {
        return static_cast<std::size_t>(std::lower_bound(seqAt.begin(), seqAt.end(), seq) - seqAt.begin());
    }
};

Project::Project(int kind, const Settings& settings, MachineContext& ctx, const ProgramEnvironment& env, JobValues& job,
                 Notifier& notifier)
    : ProjectKind(kind), settings_(settings), ctx_(ctx), env_(env), job_(job), notifier_(notifier) {}

Project::~Project() {
    if (Layers) Layers->Done();
}

std::vector<tfigura*> Project::FigurePointers() const {
    std::vector<tfigura*> v;
    v.reserve(Figures.size());
    for (const auto& f : Figures) v.push_back(f.get());
    return v;
}


bool Project::Multilayer() const { return settings_.Choice(setting::ProjectType) == 1; }

void Project::Clear() {
    Figures.clear();
    Lines.clear();
    Sequence.clear();
    Bounds = {};
    ProjectWidth = ProjectHeight = ProjectCentreX = ProjectCentreY = 0.0;
    MaxNestingLevel = 0;
    SelectedFigure = -1;
    TotalCutLength = TotalRapidLength = TotalPolishLength = TotalExtraLength = 0.0;
    Layers.reset();
    GcodeMaxZ = 0.0;
    DrawingFigureCount = 0;
    HasFrame = false;
    frameRule_ = false;
    index_.reset();
}

// ---------------------------------------------------------------------------------------------
// Clean-up of the import

void Project::licz_parametry(tfigura& f) {
    if (f.Contour.empty()) {
        f.Valid = false;
        return;
    }
    SetFigureExtents(f);
    f.Valid = true;
    f.Open = f.Contour.size() < 3 || !NearPoint(f.Contour.front(), f.Contour.back());
}

void Project::CopyContourToPaths(tfigura& f) {
    UseContourAsCutPath(f);
    f.PolishPath = f.Contour;
}

void Project::KeepFigure(std::unique_ptr<tfigura> figure) {
    tfigura* f = figure.get();
    Figures.push_back(std::move(figure));
    if (!index_) return;
    const auto seq = static_cast<std::uint32_t>(index_->bySeq.size());
    index_->bySeq.push_back(f);
    index_->seqAt.push_back(seq);
    index_->Add(f, seq);
}

std::unique_ptr<tfigura> Project::TakeKept(std::size_t position) {
    if (index_) {
        const std::uint32_t seq = index_->seqAt[position];
        index_->Drop(Figures[position].get(), seq);
        index_->seqAt.erase(index_->seqAt.begin() + static_cast<std::ptrdiff_t>(position));
    }
    std::unique_ptr<tfigura> f = std::move(Figures[position]);
    Figures.erase(Figures.begin() + static_cast<std::ptrdiff_t>(position));
    return f;
}

namespace {

// Which of the four ways of joining applies to kept figure k and the new figure n (1..4), or 0.
int JoinRule(const tfigura& n, const tfigura& k) {
    const tpunkt& nFirst = n.Contour.front();
    const tpunkt& nLast = n.Contour.back();
    if (NearPoint(nLast, k.Contour.front())) return 1;
    if (NearPoint(nLast, k.Contour.back())) return 2;
    if (NearPoint(nFirst, k.Contour.front())) return 3;
    if (NearPoint(nFirst, k.Contour.back())) return 4;
    return 0;
}

// Joins k (taken out of the list) to n.
void ApplyJoin(tfigura& n, tfigura& k, int rule) {
    auto& kp = k.Contour;
    switch (rule) {
        case 1:  // k's points 1 .. m-1 after n's end
            n.Contour.insert(n.Contour.end(), kp.begin() + 1, kp.end());
            break;
        case 2:  // k's points m-2 down to 0 after n's end
            n.Contour.insert(n.Contour.end(), kp.rbegin() + 1, kp.rend());
            break;
        case 3: {  // k's points 1 .. m-1 put in front one by one: n then begins with k's last point
            std::vector<tpunkt> front(kp.rbegin(), kp.rend() - 1);
            n.Contour.insert(n.Contour.begin(), front.begin(), front.end());
            break;
        }
        case 4: {  // k's points m-2 down to 0 put in front one by one: n then begins with k's first
            // The same points, built on k's list: a path read piece by piece in its own order
            // grows at its end instead of being copied for every piece.
            kp.pop_back();
            kp.insert(kp.end(), n.Contour.begin(), n.Contour.end());
            n.Contour = std::move(kp);
            break;
        }
        default: break;
    }
}

}  // namespace

void Project::JoinOpenPaths(tfigura& n) {
    if (!settings_.Flag(setting::ConnectNodes) || !n.Open || n.Contour.size() <= 1) return;
    if (!index_) {
        // Plain walk over the list (used when no load is running).
        bool joined = true;
        while (joined) {
            joined = false;
            const std::size_t count0 = Figures.size();
            for (std::size_t i = 0; i < count0; ++i) {
                if (i >= Figures.size()) break;
                if (!LoadIndex::JoinsOthers(*Figures[i])) continue;
                const int rule = JoinRule(n, *Figures[i]);
                if (rule == 0) continue;
                ApplyJoin(n, *TakeKept(i), rule);
                joined = true;
            }
        }
        return;
    }
    // The same walk, visiting only the figures whose ends lie near the new figure's ends. A
    // joined figure leaves the list and the one that moves into its place is passed over until
    // the next pass.
    LoadIndex& ix = *index_;
    for (;;) {
        bool joined = false;
        std::uint32_t from = 0;
        for (;;) {
            std::vector<std::uint32_t>& cands = ix.cands;
            cands.clear();
            for (const tpunkt* p : {&n.Contour.front(), &n.Contour.back()}) {
                ix.ends.Query(p->X - 2.0, p->Y - 2.0, p->X + 2.0, p->Y + 2.0,
                              [&](std::uint32_t id) { cands.push_back(id); });
            }
            std::sort(cands.begin(), cands.end());
            cands.erase(std::unique(cands.begin(), cands.end()), cands.end());
            std::uint32_t hit = 0;
            int rule = 0;
            for (std::uint32_t s : cands) {
                if (s < from) continue;
                const tfigura* k = ix.bySeq[s];
                if (!k || !LoadIndex::JoinsOthers(*k)) continue;
                rule = JoinRule(n, *k);
                if (rule != 0) {
                    hit = s;
                    break;
                }
            }
            if (rule == 0) break;
            const std::size_t pos = ix.PositionOf(hit);
            const bool last = pos + 1 >= ix.seqAt.size();
            const std::uint32_t next = last ? 0 : ix.seqAt[pos + 1];
            ApplyJoin(n, *TakeKept(pos), rule);
            joined = true;
            if (last) break;
            from = next + 1;
        }
        if (!joined) break;
    }
}

bool Project::IsDuplicateFigure(const tfigura& n) const {
    auto same = [&](const tfigura& k) {
        if (k.Contour.size() != n.Contour.size()) return false;
        for (std::size_t p = 0; p < k.Contour.size(); ++p)
            if (!SamePoint(k.Contour[p], n.Contour[p])) return false;
        return true;
    };
    if (index_ && !n.Contour.empty()) {
        return index_->shapes.Any(LoadIndex::ShapeKey(n), [&](std::uint32_t s) {
            const tfigura* k = index_->bySeq[s];
            return k && same(*k);
        });
    }
    for (const auto& k : Figures)
        if (same(*k)) return true;
    return false;
}

bool Project::CrossingLinesToPoint(tfigura& n) {
    if (n.Contour.size() != 2) return false;
    const todcinek ns{n.Contour[0], n.Contour[1]};
    auto crosses = [&](const tfigura& k, tpunkt& at) {
        if (k.Contour.size() != 2) return false;
        return SegmentIntersection(todcinek{k.Contour[0], k.Contour[1]}, ns, at);
    };
    std::size_t hitPos = Figures.size();
    tpunkt at;
    if (index_) {
        double b[4];
        LoadIndex::LineBox(n, b);
        for (std::uint32_t s : index_->lines.Candidates(b[0], b[1], b[2], b[3])) {
            const tfigura* k = index_->bySeq[s];
            if (k && crosses(*k, at)) {
                hitPos = index_->PositionOf(s);
                break;
            }
        }
    } else {
        for (std::size_t i = 0; i < Figures.size(); ++i)
            if (crosses(*Figures[i], at)) {
                hitPos = i;
                break;
            }
    }
    if (hitPos >= Figures.size()) return false;
    for (tpunkt& p : n.Contour) {
        p.X = at.X;
        p.Y = at.Y;
    }
    n.PointFigure = true;
    TakeKept(hitPos);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Loading

tWarstwy& Project::EnsureLayers() {
    if (!Layers) {
        const bool laser = ctx_.PlotParams.Laser != 0;
        double value = 0.0;
        std::int32_t speed = 0;
        if (!(ProjectKind == KindHpgl && !laser)) {
            value = laser ? settings_.Number(setting::WorkPower) : settings_.Number(setting::MillingDepth);
            speed = RoundTo<std::int32_t>(settings_.Number(setting::WorkSpeed), "work speed");
        }
        const auto figures = FigurePointers();
        Layers = std::make_unique<tWarstwy>(figures, ProjectKind, value, speed, laser);
    }
    return *Layers;
}

LoadResult Project::Load(const std::string& name, DrawingInput& input) {
    LoadResult result;
    Clear();
    notifier_.Status(env_.Text(TextId::OpeningFile) + name);
    BusyCursor busy(notifier_);

    const int opened = input.OpenInput(name, ProjectKind);
    if (opened != 0) {
        const bool locked = opened == Thpgl::kFileInUse;
        result.status = locked ? LoadStatus::FileLocked : LoadStatus::CannotOpen;
        result.message =
            locked ? env_.Text(TextId::FileUsedByAnotherProgram) : env_.Text(TextId::CannotOpenFile) + " " + name;
        notifier_.Status("");
        notifier_.Message(result.message, MessageKind::Error, Buttons::Ok, "");
        return result;
    }
    const std::string figuresText = env_.Text(TextId::NumberOfFigures);
    try {
        index_ = std::make_unique<LoadIndex>();
        const bool autoRemove = settings_.Flag(setting::RemoveOverlaps);
        const bool crossToPoint = settings_.Flag(setting::CrossMeansPoint);
        while (!input.EndOfFile()) {
            auto f = std::make_unique<tfigura>();
            input.ReadFigure(*f);
            ++result.figuresRead;
            WindowText(figuresText + std::to_string(result.figuresRead));
            if (ProjectKind == KindGcode) {
                KeepFigure(std::move(f));
                continue;
            }
            if (!f->Valid || f->Contour.empty()) continue;
            const std::size_t pointsRead = f->Contour.size();
            JoinOpenPaths(*f);
            if (autoRemove && IsDuplicateFigure(*f)) continue;
            // The clean-up looks only at the points and the open flag; the figure's box, centre
            // and start point and its path copies are worked out once reading is done, from the
            // same final points (a figure joined into a later one never needs them).
            f->Open = f->Contour.size() < 3 || !NearPoint(f->Contour.back(), f->Contour.front());
            f->PointFigure = false;
            if (f->Contour.size() == 2 && crossToPoint) CrossingLinesToPoint(*f);
            // The reader's list grew point by point: it is held at its size as it is kept, so that
            // the room it grew through serves the next figure instead of lying spread over all.
            // A path joined from pieces keeps its room until reading ends: the next piece mostly
            // grows it again, and a path held at its size would be copied whole for every piece.
            if (f->Contour.size() == pointsRead) f->Contour.shrink_to_fit();
            KeepFigure(std::move(f));
        }
        index_.reset();
        if (ProjectKind != KindGcode) {
            // The tool-path preparation at the end of the load builds the paths of every closed
            // figure of a plot or a DXF drawing afresh, and every finishing path: their copies
            // would be thrown away. An open figure is cut along its contour, read in place.
            const bool pathsRebuilt = ProjectKind == KindHpgl || ProjectKind == KindDxf;
            for (auto& f : Figures) {
                // The reader's list grew point by point; the figure keeps it at its size.
                f->Contour.shrink_to_fit();
                licz_parametry(*f);
                if (!pathsRebuilt)
                    CopyContourToPaths(*f);
                else if (f->Open)
                    UseContourAsCutPath(*f);
            }
        }
        result.warnings = input.Warnings();
        GcodePower = input.GcodePower();
        input.CloseInput();
    } catch (const std::exception& e) {
        index_.reset();
        const std::string where = input.Where();
        try {
            input.CloseInput();
        } catch (...) {}
        Clear();
        result.status = LoadStatus::ReaderError;
        result.message =
            env_.Text(TextId::DrawingCannotBeRead) + name + (where.empty() ? "" : ", " + where) + ": " + e.what();
        notifier_.Status("");
        notifier_.Message(result.message, MessageKind::Error, Buttons::Ok, "");
        return result;
    }

    try {
        // Bounds and origin.
        if (!Figures.empty()) {
            std::int32_t maxX = -2147483647, maxY = -2147483647, minX = 2147483647, minY = 2147483647;
            for (std::size_t i = 0; i < Figures.size(); ++i) {
                tfigura& f = *Figures[i];
                f.Index = static_cast<std::int32_t>(i);
                if (f.MaxX > maxX) maxX = RoundTo<std::int32_t>(f.MaxX, "drawing size");
                if (f.MaxY > maxY) maxY = RoundTo<std::int32_t>(f.MaxY, "drawing size");
                if (f.MinX < minX) minX = RoundTo<std::int32_t>(f.MinX, "drawing size");
                if (f.MinY < minY) minY = RoundTo<std::int32_t>(f.MinY, "drawing size");
            }
            Bounds = {minX, minY, maxX, maxY};
            ProjectWidth = static_cast<double>(maxX) - minX;
            ProjectHeight = static_cast<double>(maxY) - minY;
            ProjectCentreX = static_cast<double>(static_cast<std::int64_t>(minX) + maxX) / 2;
            ProjectCentreY = static_cast<double>(static_cast<std::int64_t>(minY) + maxY) / 2;
        }
        for (auto& f : Figures) {
            f->OriginX = Bounds.MinX;
            f->OriginY = Bounds.MinY;
            f->ToCut = true;
        }
        MaxNestingLevel = 0;
        SelectedFigure = -1;
        // The layer table is made for every project, so that switching to a layer project later
        // finds one.
        EnsureLayers();

        if (ProjectKind == KindGcode) {
            double maxZ = -2147483647.0;
            for (const auto& f : Figures)
                for (const tpunkt& p : f->ToolPath3D) maxZ = std::max(maxZ, p.Z);
            GcodeMaxZ = maxZ / 100;
            TotalCutLength = TotalRapidLength = 0.0;
            for (const auto& f : Figures) {
                TotalCutLength += f->CutLength;
                TotalRapidLength += f->RapidLength;
            }
            TotalPolishLength = 0.0;
            TotalExtraLength = 0.0;
        } else if (!Figures.empty()) {
            // The nesting is always worked out: a hole left at level 0 would be offset to the
            // wrong side.
            frameRule_ = settings_.Flag(setting::AutoDirection) ||
                         (settings_.Flag(setting::AutoOrder) && settings_.Choice(setting::FigureOrder) != 0);
            co_w_czym();
            ustal_dist();
            JakiKierunek(-1);
            if (settings_.Flag(setting::AutoDirection)) UstawKierunek();
            if (settings_.Flag(setting::AutoOrder)) UstawKolejnosc();
            AddOutline();
        }
        HasFrame = false;
        const std::int32_t frame = FrameIndex();
        for (std::int32_t i = 0; i < Count(); ++i) {
            Figures[static_cast<std::size_t>(i)]->FrameFigure = i == frame;
            if (i == frame) HasFrame = true;
        }
    } catch (const std::exception& e) {
        Clear();
        result.status = LoadStatus::ReaderError;
        result.message = env_.Text(TextId::DrawingCannotBeRead) + name + ": " + e.what();
        notifier_.Status("");
        notifier_.Message(result.message, MessageKind::Error, Buttons::Ok, "");
        return result;
    }

    WindowText(figuresText + std::to_string(Count()));
    notifier_.Status("");
    const double scale = settings_.Number(setting::Scale) / 100;
    if (UnitsToMm(ProjectKind, ProjectWidth) * scale > ctx_.WorkAreaX ||
        UnitsToMm(ProjectKind, ProjectHeight) * scale > ctx_.WorkAreaY) {
        result.exceedsWorkArea = true;
        result.message = env_.Text(TextId::ProjectBiggerThanWorkArea);
        notifier_.Message(result.message, MessageKind::Error, Buttons::Ok, "");
    }
    DrawingFigureCount = Count();
    // What the reader left out (entities it does not take, one the file ends inside) and a
    // drawing that gave nothing to cut are told on opening; the window opens all the same.
    std::string told;
    for (const std::string& w : result.warnings) told += (told.empty() ? "" : "\n") + w;
    if (Count() == 0) told += (told.empty() ? "" : "\n") + env_.Text(TextId::DrawingHasNoFigures);
    if (!told.empty()) {
        if (result.message.empty()) result.message = told;
        notifier_.Message(told, MessageKind::Warning, Buttons::Ok, name);
    }
    return result;
}

}  // namespace vellisk
