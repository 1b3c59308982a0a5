#pragma once
// The main frame's drawing child made of the drawing window TMDIChild: the frame's zoom bar,
// view menu, configuration changes, simulation and save go to the window and its project; job
// control writes the job from the window's project. (Bitmaps have their own child.)
#include <functional>
#include <memory>

#include <QPointer>

#include "app/frame_rules.h"
#include "app/job_drawing.h"
#include "app/ui/drawing_child.h"
#include "drawing_window/ui/tmdichild.h"

namespace vellisk::ui {

class MdiDrawingChild : public DrawingChild {
public:
    // `view` gives the frame's view options at the moment of a repaint.
    MdiDrawingChild(int kind, const Settings& settings, MachineContext& ctx, const ProgramEnvironment& env,
                    JobValues& job, Notifier& notifier, std::function<ViewOptions()> view);
    ~MdiDrawingChild() override;

    TMDIChild* Window() const { return window_; }

    QWidget* Widget() override { return window_; }
    int ProjectKind() const override;
    int Zoom() const override;
    void SetZoom(int zoom) override;
    void UpdateScrollRatios() override;
    bool Load(const QString& file) override;
    void Save(const QString& file, int outputKind) override;
    void Reprepare() override;
    void Simulate() override;
    void ShowViewHint(const QString& hint) override;
    void Repaint() override;
    JobDrawing* Job() override { return job_.get(); }

private:
    const Settings& settings_;
    MachineContext& ctx_;
    JobValues& jobValues_;
    Notifier& notifier_;
    std::function<ViewOptions()> view_;
    QPointer<TMDIChild> window_;
    std::unique_ptr<JobDrawing> job_;  // what job control writes "out.cnx" from
};

}  // namespace vellisk::ui
