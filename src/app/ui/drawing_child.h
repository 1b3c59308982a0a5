#pragma once
// What the main frame needs of a drawing window: its project kind and zoom, loading and saving,
// the preparation again after a configuration change, the simulation and repainting. The
// drawing window's own class provides it; the frame keeps one per MDI child.
#include <QString>

class QWidget;

namespace vellisk {
class JobDrawing;
}

namespace vellisk::ui {

class DrawingChild {
public:
    virtual ~DrawingChild() = default;
    // The widget shown inside the MDI child.
    virtual QWidget* Widget() = 0;
    virtual int ProjectKind() const = 0;
    virtual int Zoom() const = 0;
    virtual void SetZoom(int zoom) = 0;
    // Keeps the scroll positions as fractions before the zoom changes.
    virtual void UpdateScrollRatios() {}
    // Loads the drawing (a bitmap for kind 4); false when nothing could be read (the window has
    // reported why).
    virtual bool Load(const QString& file) = 0;
    // Writes every figure to the file with the writer's output kind.
    virtual void Save(const QString& file, int outputKind) = 0;
    // Directions, the automatic cut directions and order (as the settings ask), and the tool
    // paths again.
    virtual void Reprepare() = 0;
    // Plays the cutting simulation once.
    virtual void Simulate() = 0;
    // The view option's hint in the window's own status bar, then a repaint.
    virtual void ShowViewHint(const QString& /*hint*/) {}
    virtual void Repaint() = 0;
    // What job control writes and starts the job from (null: nothing to start).
    virtual JobDrawing* Job() { return nullptr; }
};

}  // namespace vellisk::ui
