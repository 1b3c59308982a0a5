#include "app/ui/mdi_drawing_child.h"

#include <QStatusBar>

namespace vellisk::ui {

MdiDrawingChild::MdiDrawingChild(int kind, const Settings& settings, MachineContext& ctx, const ProgramEnvironment& env,
                                 JobValues& job, Notifier& notifier, std::function<ViewOptions()> view)
    : settings_(settings),
      ctx_(ctx),
      jobValues_(job),
      notifier_(notifier),
      view_(std::move(view)),
      window_(new TMDIChild(kind, settings, ctx, env, job, notifier)) {
    if (view_) window_->SetViewOptions(view_());
}

MdiDrawingChild::~MdiDrawingChild() {
    // A window that never went into the frame (its drawing could not be loaded) goes with this.
    if (window_ && !window_->parent()) delete window_.data();
}

int MdiDrawingChild::ProjectKind() const { return window_ ? window_->ProjectKind() : 0; }
int MdiDrawingChild::Zoom() const { return window_ ? window_->Zoom() : 1; }

void MdiDrawingChild::SetZoom(int zoom) {
    if (window_) window_->SetZoom(zoom);
}

void MdiDrawingChild::UpdateScrollRatios() {
    if (window_) window_->UpdateScrollRatios();
}

bool MdiDrawingChild::Load(const QString& file) {
    if (!window_ || !window_->Load(file)) return false;
    job_ = std::make_unique<ProjectJobDrawing>(window_->project(), settings_, ctx_, jobValues_, notifier_);
    return true;
}

void MdiDrawingChild::Save(const QString& file, int outputKind) {
    if (!window_ || !job_ || window_->project().Count() == 0) return;
    job_->Save(file.toStdString(), 0, window_->project().Count() - 1, outputKind);
}

void MdiDrawingChild::Reprepare() {
    if (window_) window_->PrzeliczPoWaznejZmianie();
}

void MdiDrawingChild::Simulate() {
    if (window_) window_->StartSimulation();
}

void MdiDrawingChild::ShowViewHint(const QString& hint) {
    if (window_) window_->StatusBar()->showMessage(hint);
}

void MdiDrawingChild::Repaint() {
    if (!window_) return;
    if (view_) window_->SetViewOptions(view_());
    window_->iWektorowy()->update();
}

}  // namespace vellisk::ui
