#include "drawing_window/drawing_window.h"

#include <algorithm>
#include <cstdio>

#include "drawing_window/start_point.h"
#include "machine_link/machine_context.h"
#include "model/lang_texts.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace vellisk {

namespace {

// A number as the status bar shows it: no trailing zeros.
std::string NumberText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Simulation

SimulationWalk::SimulationWalk(const Project& project, const ViewTransform& view, bool leaveOutFrame)
    : project_(project), view_(view), frame_(leaveOutFrame ? project.FrameIndex() : -1) {
    penX_ = view.OriginX;
    penY_ = view.OriginY;
}

bool SimulationWalk::Takes(std::int32_t i) const {
    const tfigura& f = project_.View(i, room_);
    return HasToolPath(f) && !CuttingPath(f).empty() && f.ToCut && i != frame_;
}

bool SimulationWalk::Next(SimulationStep& step) {
    while (next_ >= steps_.size()) {
        if (!StartNextMove()) return false;
    }
    step = steps_[next_++];
    return true;
}

bool SimulationWalk::StartNextMove() {
    steps_.clear();
    next_ = 0;
    if (done_) return false;
    const std::int32_t count = project_.Count();
    auto nextFigure = [&](std::int32_t from) {
        std::int32_t i = from;
        while (i < count && !Takes(i)) ++i;
        return i;
    };
    auto travel = [&](double x, double y, std::int32_t figure) {
        for (const PixelPoint& p : RapidMoveSteps(penX_, penY_, x, y)) {
            SimulationStep s;
            s.kind = SimulationStep::Travel;
            s.at = p;
            s.delayMs = 1;
            s.figure = figure;
            steps_.push_back(s);
        }
        if (!steps_.empty()) {
            penX_ = steps_.back().at.x;
            penY_ = steps_.back().at.y;
        }
    };
    if (figure_ < 0) {
        figure_ = nextFigure(0);
        point_ = -1;
    }
    if (figure_ < count) {
        const tfigura& f = project_.View(figure_, room_);
        if (point_ < 0) {
            travel(view_.PixelX(CuttingPath(f)[0].X), view_.PixelY(CuttingPath(f)[0].Y), figure_);
            point_ = 0;
            return true;
        }
        if (static_cast<std::size_t>(point_) < CuttingPath(f).size()) {
            const PixelPoint from{static_cast<int>(penX_), static_cast<int>(penY_)};
            if (f.PointFigure) {
                for (int r = 1; r <= view_.PenWidth; ++r) {
                    SimulationStep s;
                    s.kind = SimulationStep::Drill;
                    s.at = from;
                    s.delayMs = 0;
                    s.radius = r;
                    s.figure = figure_;
                    steps_.push_back(s);
                }
            }
            const PixelPoint to = view_.Pixel(CuttingPath(f)[static_cast<std::size_t>(point_)]);
            for (const PixelPoint& p : CutMoveSteps(from.x, from.y, to.x, to.y)) {
                SimulationStep s;
                s.kind = SimulationStep::Cut;
                s.at = p;
                s.delayMs = 2;
                s.radius = view_.PenWidth;
                s.figure = figure_;
                steps_.push_back(s);
            }
            if (!steps_.empty() && steps_.back().kind == SimulationStep::Cut) steps_.back().point = point_;
            penX_ = to.x;  // the plain move onto the point itself
            penY_ = to.y;
            ++point_;
            return true;
        }
        figure_ = nextFigure(figure_ + 1);
        point_ = -1;
        return true;
    }
    if (!homeBound_) {
        homeBound_ = true;
        travel(view_.OriginX, view_.OriginY, -1);
        return true;
    }
    done_ = true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// The window

DrawingWindow::DrawingWindow(int kind, const Settings& settings, MachineContext& ctx, const ProgramEnvironment& env,
                             JobValues& job, Notifier& notifier)
    : settings_(settings),
      ctx_(ctx),
      env_(env),
      project_(std::make_unique<Project>(kind, settings, ctx, env, job, notifier)) {
    project_->WindowStatus = [this](const std::string& text) { Status(text); };
}

bool DrawingWindow::Load(const std::string& path) {
    auto input = MakeDrawingInput(ctx_, settings_);
    const LoadResult result = project_->Load(path, *input);
    ClearSelection();
    return result.status == LoadStatus::Ok;
}

int DrawingWindow::SetZoom(int zoom) {
    zoom_ = std::clamp(zoom, 1, 10);
    return zoom_;
}

bool DrawingWindow::ZoomDownAfterFailedPicture() {
    if (zoom_ <= 1) return false;
    --zoom_;
    return true;
}

const ViewTransform& DrawingWindow::Layout(int cw, int ch) {
    const Project& p = *project_;
    if (p.ProjectKind == KindBitmap) {
        transform_ = ViewTransform{};
        return transform_;
    }
    transform_ = ComputeView(cw, ch, p.Bounds.MinX, p.Bounds.MinY, p.ProjectWidth, p.ProjectHeight, p.ProjectKind,
                             settings_.Number(setting::ToolDiameter), settings_.Number(setting::Scale), zoom_);
    return transform_;
}

void DrawingWindow::UpdateScrollRatios(int hPos, int hRange, int vPos, int vRange) {
    ratioX_ = hRange > 0 ? static_cast<double>(hPos) / hRange : 0.5;
    ratioY_ = vRange > 0 ? static_cast<double>(vPos) / vRange : 0.5;
}

void DrawingWindow::Status(const std::string& text) {
    status_ = text;
    if (view_) view_->SetWindowStatus(text);
}

void DrawingWindow::ClearSelection() {
    project_->SelectedFigure = -1;
    figureToCutEnabled_ = false;
    if (view_) view_->SetFigureToCutItem(false, false);
}

std::string DrawingWindow::PickStatus(std::int32_t i) const {
    tfigura room;
    const tfigura& f = project_->View(i, room);
    std::int32_t parent = -1;
    if (f.Parent) parent = project_->PositionOf(f.Parent);
    std::string text =
        env_.Text(TextId::PickSelectedFigure) + std::to_string(i) + env_.Text(TextId::PickIn) + std::to_string(parent);
    if (settings_.Choice(setting::ProjectType) == 1) {
        tWarstwy& layers = project_->EnsureLayers();
        if (ctx_.PlotParams.Laser)
            text += " " + env_.Text(TextId::PickLaserPower) + "=" + NumberText(layers.GetPower(f.Layer)) + " , " +
                    env_.Text(TextId::PickSpeed) + "=" + std::to_string(layers.GetSpeed(f.Layer));
        else
            text += " " + env_.Text(TextId::PickDepth) + "=" + NumberText(layers.GetDepth(f.Layer));
    }
    return text;
}

void DrawingWindow::MouseDown(int x, int y) {
    Project& p = *project_;
    // A hatch line whose box lies away from the click is handed over without points (it cannot
    // be hit); the others are filled in a reused record.
    tfigura room, away;
    const PixelRect click{x - 4, y - 4, x + 4, y + 4};
    auto at = [&](std::int32_t i) -> const tfigura& {
        if (p.IsLine(i) && !transform_.FigureRect(LineBox(p.Line(i), room), 1).Intersects(click)) return away;
        return p.View(i, room);
    };
    const std::int32_t hit = PickFigure(p.Count(), at, transform_, x, y);
    p.SelectedFigure = hit;
    if (hit < 0) {
        Status("");
        ClearSelection();
    } else {
        Status(PickStatus(hit));
        const int grow = 2 * transform_.PenWidth + 2;
        const tfigura& f = p.View(hit, room);
        selectionRect_ = transform_.FigureRect(f, grow);
        figureToCutEnabled_ = true;
        if (view_) {
            view_->RepaintRect(selectionRect_);
            view_->SetFigureToCutItem(true, f.ToCut);
        }
    }
    if (view_) view_->RepaintAll();
}

void DrawingWindow::MouseMove(int x, int y, bool leftHeld) {
    Project& p = *project_;
    if (!leftHeld || p.SelectedFigure < 0 || p.SelectedFigure >= p.Count() || !(transform_.Scale > 0.0)) return;
    bool moved = false;
    p.Lend(p.SelectedFigure, [&](tfigura& f) { moved = DragStartPoint(f, transform_.Point(x, y)); });
    if (moved && view_) view_->RepaintRect(selectionRect_);
}

void DrawingWindow::MouseUp() { Status(""); }

void DrawingWindow::ToggleFigureToCut() {
    Project& p = *project_;
    if (!figureToCutEnabled_ || p.SelectedFigure < 0 || p.SelectedFigure >= p.Count()) return;
    bool toCut = false;
    p.Lend(p.SelectedFigure, [&](tfigura& f) { toCut = f.ToCut = !f.ToCut; });
    if (view_) {
        view_->SetFigureToCutItem(true, toCut);
        view_->RepaintAll();
    }
}

void DrawingWindow::Reprepare() {
    project_->PrzeliczPoWaznejZmianie();
    if (project_->SelectedFigure < 0) ClearSelection();
    if (view_) view_->RepaintAll();
}

void DrawingWindow::LayersConfirmed() {
    Project& p = *project_;
    tWarstwy& layers = p.EnsureLayers();
    for (auto& f : p.Figures) f->ToCut = layers.IsActive(f->Layer);
    for (HatchLine& line : p.Lines) line.ToCut = layers.IsActive(line.Layer);
    Reprepare();
}

bool DrawingWindow::LeaveOutFrame() const { return settings_.Flag(setting::SkipFrame); }

std::unique_ptr<SimulationWalk> DrawingWindow::StartSimulation() {
    const Project& p = *project_;
    if (p.ProjectKind == KindGcode || p.ProjectKind == KindBitmap || !transform_.HasPicture()) return nullptr;
    return std::make_unique<SimulationWalk>(p, transform_, LeaveOutFrame());
}

}  // namespace vellisk
