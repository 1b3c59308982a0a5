#pragma once
// What the drawing window does, without the window: it holds the project of one drawing and this
// window's own view (zoom, scroll place, the picture's arithmetic), picks the figure under a
// click and says so in the window's status bar, drags a figure's start point, switches a figure
// on or off for cutting, repeats the preparation after a change, and plans the simulated tool's
// walk pixel by pixel. The Qt window shows it and forwards the operator's input.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drawing_window/project.h"
#include "drawing_window/view_math.h"

namespace vellisk {

class Settings;
class MachineContext;
class Notifier;

// What the engine needs of its window.
class DrawingWindowView {
public:
    virtual ~DrawingWindowView() = default;
    virtual void SetWindowStatus(const std::string& text) = 0;  // the window's own status bar
    virtual void RepaintAll() = 0;
    virtual void RepaintRect(const PixelRect& rect) = 0;
    // The popup item "Figure to cut": enabled and checked.
    virtual void SetFigureToCutItem(bool enabled, bool checked) = 0;
};

// One step of the simulated tool: the pixel it stands on and how long the step lasts.
struct SimulationStep {
    enum Kind { Travel, Cut, Drill };
    Kind kind = Travel;
    PixelPoint at;
    int delayMs = 1;  // 1 ms a pixel of travel, 2 ms a pixel of cutting
    int radius = 0;   // Drill: the radius of this ring of the drilling mark
    std::int32_t figure = -1;
    std::int32_t point = -1;  // the cutting-path point this step reaches (last step of a move), else -1
};

// The simulated walk of a job: travel to each figure to be cut, every point of its cutting path
// in turn, then back to the drawing's corner. Steps are made as they are asked for, so a walk
// of millions of points needs no list of them.
class SimulationWalk {
public:
    SimulationWalk(const Project& project, const ViewTransform& view, bool leaveOutFrame);
    // The next step; false at the end.
    bool Next(SimulationStep& step);

private:
    bool StartNextMove();
    bool Takes(std::int32_t i) const;

    const Project& project_;
    ViewTransform view_;
    mutable tfigura room_;  // the record of a hatch line being looked at
    std::int32_t frame_ = -1;
    std::int32_t figure_ = -1;
    std::int32_t point_ = -1;  // next cutting-path point; -1 before the travel to the figure
    bool done_ = false;
    bool homeBound_ = false;
    double penX_ = 0.0, penY_ = 0.0;
    std::vector<SimulationStep> steps_;  // the steps of the move under way
    std::size_t next_ = 0;
};

class DrawingWindow {
public:
    DrawingWindow(int kind, const Settings& settings, MachineContext& ctx, const ProgramEnvironment& env,
                  JobValues& job, Notifier& notifier);

    void SetView(DrawingWindowView* view) { view_ = view; }
    Project& project() { return *project_; }
    const Project& project() const { return *project_; }

    // The file's load; false when nothing could be loaded (the window should close).
    bool Load(const std::string& path);

    // --- view ---
    int Zoom() const { return zoom_; }
    // 1 to 10; values outside are brought into that range. Returns the zoom in force.
    int SetZoom(int zoom);
    ViewOptions& Options() { return options_; }
    const ViewOptions& Options() const { return options_; }
    // The view for a client area of cw x ch pixels at the current zoom (kept as this window's own).
    const ViewTransform& Layout(int cw, int ch);
    const ViewTransform& View() const { return transform_; }
    // Scroll places as fractions of their ranges; a range of 0 counts as the middle.
    void UpdateScrollRatios(int hPos, int hRange, int vPos, int vRange);
    double ScrollRatioX() const { return ratioX_; }
    double ScrollRatioY() const { return ratioY_; }
    // The zoom one step lower after a picture that could not be made; false at zoom 1.
    bool ZoomDownAfterFailedPicture();

    // --- input ---
    void MouseDown(int x, int y);                 // picking
    void MouseMove(int x, int y, bool leftHeld);  // drags the selected figure's start point
    void MouseUp();
    void ToggleFigureToCut();  // the popup's "Figure to cut"
    void LayersConfirmed();    // the layer dialog ended with OK
    // Direction, order and tool paths again (after a change of settings or layers).
    void Reprepare();

    // --- selection ---
    std::int32_t SelectedFigure() const { return project_->SelectedFigure; }
    bool FigureToCutEnabled() const { return figureToCutEnabled_; }
    const std::string& WindowStatus() const { return status_; }
    PixelRect SelectionRect() const { return selectionRect_; }

    // --- simulation ---
    bool LeaveOutFrame() const;
    std::unique_ptr<SimulationWalk> StartSimulation();

private:
    void ClearSelection();
    void Status(const std::string& text);
    std::string PickStatus(std::int32_t i) const;

    const Settings& settings_;
    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    std::unique_ptr<Project> project_;
    DrawingWindowView* view_ = nullptr;
    ViewOptions options_;
    ViewTransform transform_;
    int zoom_ = 1;
    double ratioX_ = 0.5, ratioY_ = 0.5;
    bool figureToCutEnabled_ = false;
    std::string status_;
    PixelRect selectionRect_;
};

}  // namespace vellisk
