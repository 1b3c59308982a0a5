#pragma once
// A drawing child holding the drawing's project: a vector drawing (HPGL, DXF, G-code) loaded and
// prepared as a project, or a bitmap on a laser machine, with the job drawing that job control
// writes "out.cnx" from. Its view shows the contours (fitted to the window, Y up, scaled by the
// zoom) and the entry points, or the picture. The frame's fallback until a fuller drawing
// window is wired in.
#include <functional>
#include <memory>

#include "app/ui/drawing_child.h"

namespace vellisk {
class ConfigDialog;
class JobDrawing;
class MachineContext;
class Notifier;
class Project;
class RasterProject;
class Settings;
}  // namespace vellisk

namespace vellisk::ui {

class ProjectView;

class ProjectChild : public DrawingChild {
public:
    // `showEntryPoints` tells whether the entry points are drawn (a view option of the frame).
    ProjectChild(int kind, Settings& settings, MachineContext& ctx, Notifier& notifier, ConfigDialog* config,
                 std::function<bool()> showEntryPoints);
    ~ProjectChild() override;

    QWidget* Widget() override;
    int ProjectKind() const override { return kind_; }
    int Zoom() const override { return zoom_; }
    void SetZoom(int zoom) override;
    bool Load(const QString& file) override;
    void Save(const QString& file, int outputKind) override;
    void Reprepare() override;
    void Simulate() override {}
    void Repaint() override;
    JobDrawing* Job() override { return job_.get(); }

    Project* VectorProject() const { return project_.get(); }

private:
    int kind_;
    int zoom_ = 1;
    Settings& settings_;
    MachineContext& ctx_;
    Notifier& notifier_;
    ConfigDialog* config_;
    std::function<bool()> showEntryPoints_;
    std::unique_ptr<Project> project_;
    std::unique_ptr<RasterProject> raster_;
    std::unique_ptr<JobDrawing> job_;
    ProjectView* view_ = nullptr;
};

}  // namespace vellisk::ui
