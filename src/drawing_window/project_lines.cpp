// The cutting order of a hatched project: figure records and compact hatch lines side by side,
// and the records readers are lent for a line, one at a time in a reused record.
#include <algorithm>
#include <utility>

#include "drawing_window/bezier_fit.h"
#include "drawing_window/project.h"
#include "drawing_window/tool_path.h"
#include "model/core_error.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

// The entry at position i; a position outside the list throws.
std::uint32_t CheckedEntry(const Project& p, std::int32_t i) {
    if (i < 0 || i >= p.Count())
        throw CoreError::range("figure " + std::to_string(i) + " of " + std::to_string(p.Count()));
    return p.EntryAt(i);
}

bool TurnedRound(const HatchLine& line, const tfigura& f) {
    if (f.Contour.size() != 2) return false;
    const tpunkt& a = f.Contour[0];
    return a.X == line.X1 && a.Y == line.Y1 && !(line.X0 == line.X1 && line.Y0 == line.Y1);
}

}  // namespace

tfigura& Project::Figure(std::int32_t i) {
    const std::uint32_t e = CheckedEntry(*this, i);
    if (e & kLineEntry) throw CoreError::range("entry " + std::to_string(i) + " is a hatch line");
    return *Figures[e];
}

const tfigura& Project::Figure(std::int32_t i) const { return const_cast<Project&>(*this).Figure(i); }

tfigura* Project::Record(std::int32_t i) const {
    const std::uint32_t e = CheckedEntry(*this, i);
    return (e & kLineEntry) ? nullptr : Figures[e].get();
}

HatchLine& Project::Line(std::int32_t i) {
    const std::uint32_t e = CheckedEntry(*this, i);
    if (!(e & kLineEntry)) throw CoreError::range("entry " + std::to_string(i) + " is a figure");
    return Lines[e & ~kLineEntry];
}

const HatchLine& Project::Line(std::int32_t i) const { return const_cast<Project&>(*this).Line(i); }

std::int32_t Project::PositionOf(const tfigura* record) const {
    for (std::int32_t k = 0; k < Count(); ++k)
        if (!IsLine(k) && Figures[EntryAt(k)].get() == record) return k;
    return -1;
}

void Project::KeepRecordsInCuttingOrder() {
    std::vector<std::unique_ptr<tfigura>> records;
    records.reserve(Figures.size());
    for (std::uint32_t& e : Sequence) {
        if (e & kLineEntry) continue;
        records.push_back(std::move(Figures[e]));
        e = static_cast<std::uint32_t>(records.size() - 1);
    }
    Figures.swap(records);
}

void Project::FillLineRecord(const HatchLine& line, tfigura& f, bool polishPath) const {
    // Every value is set afresh; the lists keep their room.
    std::vector<tpunkt> contour = std::move(f.Contour), polish = std::move(f.PolishPath), path = std::move(f.ToolPath3D);
    std::vector<PlanPoint> cut = std::move(f.CutPath);
    std::vector<std::uint16_t> profile = std::move(f.SpeedProfile);
    std::vector<BezierSegmentRecord> segments = std::move(f.BezierSegments), ramped = std::move(f.RampedBezierPath);
    f = tfigura{};
    f.Contour = std::move(contour);
    f.CutPath = std::move(cut);
    f.PolishPath = std::move(polish);
    f.ToolPath3D = std::move(path);
    f.SpeedProfile = std::move(profile);
    f.BezierSegments = std::move(segments);
    f.RampedBezierPath = std::move(ramped);
    f.CutPath.clear();
    f.PolishPath.clear();
    f.ToolPath3D.clear();
    f.SpeedProfile.clear();
    f.BezierSegments.clear();
    f.RampedBezierPath.clear();

    const tpunkt p{line.X0, line.Y0, 0.0}, q{line.X1, line.Y1, 0.0};
    f.Contour.assign({p, q});
    licz_parametry(f);
    f.CutPath.assign({PlanOf(p), PlanOf(q)});
    if (polishPath) f.PolishPath.assign({p, q});
    f.Open = true;
    f.ToCut = line.ToCut;
    f.HatchLine = true;
    f.Direction = 0;
    f.Layer = line.Layer;
    f.Index = line.Index;
    if (!Figures.empty()) {
        f.OriginX = Figures[0]->OriginX;
        f.OriginY = Figures[0]->OriginY;
    }
    f.CutLength = line.CutLength;
    f.PolishLength = line.PolishLength;
    f.StartIndex = 0;
    f.Level = line.Level;
    f.HatchOwner = line.HatchOwner;
    f.Parent = line.Parent;
    if (line.Prepared) {
        f.ToolPathOnDemand = true;
    } else {
        const tpunkt& a = line.PathTurned ? q : p;
        const tpunkt& b = line.PathTurned ? p : q;
        f.ToolPath3D.assign({{a.X, a.Y, line.Depth}, {b.X, b.Y, line.Depth}});
    }
}

const tfigura& Project::View(std::int32_t i, tfigura& room, bool withSegments) const {
    const std::uint32_t e = CheckedEntry(*this, i);
    if (!(e & kLineEntry)) return *Figures[e];
    const HatchLine& line = Lines[e & ~kLineEntry];
    FillLineRecord(line, room, line.Prepared && recipe_ && recipe_->settings.Polish);
    if (withSegments && line.Smoothed) {
        // The segments were fitted to the line as it ran when it was smoothed.
        auto turn = [&room] {
            std::reverse(room.Contour.begin(), room.Contour.end());
            std::reverse(room.CutPath.begin(), room.CutPath.end());
        };
        if (line.SmoothTurned) turn();
        PrzyblizFigure(room, static_cast<vellisk::ProjectKind>(ProjectKind));
        Wygladz(room);
        if (line.SmoothTurned) turn();
    }
    return room;
}

void Project::Lend(std::int32_t i, const std::function<void(tfigura&)>& use) {
    const std::uint32_t e = CheckedEntry(*this, i);
    if (!(e & kLineEntry)) {
        use(*Figures[e]);
        return;
    }
    HatchLine& line = Lines[e & ~kLineEntry];
    thread_local tfigura room;
    FillLineRecord(line, room, line.Prepared && recipe_ && recipe_->settings.Polish);
    use(room);
    line.ToCut = room.ToCut;
    if (TurnedRound(line, room)) {
        std::swap(line.X0, line.X1);
        std::swap(line.Y0, line.Y1);
        if (!line.Prepared) line.PathTurned = !line.PathTurned;
        if (line.Smoothed) line.SmoothTurned = !line.SmoothTurned;
    }
}

void Project::WithEntryPath(std::int32_t i, const std::function<void(tfigura&)>& use) {
    const std::uint32_t e = CheckedEntry(*this, i);
    if (!(e & kLineEntry)) {
        WithToolPath(*Figures[e], use);
        return;
    }
    const HatchLine& line = Lines[e & ~kLineEntry];
    thread_local tfigura room;
    FillLineRecord(line, room, line.Prepared && recipe_ && recipe_->settings.Polish);
    WithToolPath(room, use);
}

}  // namespace vellisk
