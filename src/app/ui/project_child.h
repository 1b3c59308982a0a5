#pragma once
// The drawing child of a bitmap on a laser machine: the picture loaded as a bitmap project, shown
// fitted to the window, with the job drawing that job control burns from. Vector drawings have
// the drawing window's child (mdi_drawing_child.h).
#include <memory>

#include "app/ui/drawing_child.h"

namespace vellisk {
class ConfigDialog;
class JobDrawing;
struct JobValues;
class Notifier;
struct ProgramEnvironment;
class RasterProject;
class Settings;
}  // namespace vellisk

namespace vellisk::ui {

class ProjectView;

class ProjectChild : public DrawingChild {
public:
    ProjectChild(int kind, Settings& settings, const ProgramEnvironment& env, JobValues& job, Notifier& notifier,
                 ConfigDialog* config);
    ~ProjectChild() override;

    QWidget* Widget() override;
    int ProjectKind() const override { return kind_; }
    int Zoom() const override { return zoom_; }
    void SetZoom(int zoom) override { zoom_ = zoom; }
    bool Load(const QString& file) override;
    // A bitmap is burnt, never saved as a job file, and has no tool paths to prepare again.
    void Save(const QString&, int) override {}
    void Reprepare() override {}
    void Simulate() override {}
    void Repaint() override;
    JobDrawing* Job() override { return job_.get(); }

private:
    int kind_;
    int zoom_ = 1;
    Settings& settings_;
    const ProgramEnvironment& env_;
    JobValues& jobValues_;
    Notifier& notifier_;
    ConfigDialog* config_;
    std::unique_ptr<RasterProject> raster_;
    std::unique_ptr<JobDrawing> job_;
    ProjectView* view_ = nullptr;
};

}  // namespace vellisk::ui
