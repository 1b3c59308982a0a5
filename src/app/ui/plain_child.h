#pragma once
// A drawing child that only shows the drawing's contours (no tool paths, no machine job): the
// frame's fallback when no full drawing window is wired in.
#include <memory>

#include "app/ui/drawing_child.h"

namespace vellisk::ui {

class DrawingView;

class PlainChild : public DrawingChild {
public:
    explicit PlainChild(int kind) : kind_(kind) {}
    QWidget* Widget() override;
    int ProjectKind() const override { return kind_; }
    int Zoom() const override { return zoom_; }
    void SetZoom(int zoom) override { zoom_ = zoom; }
    bool Load(const QString& file) override;
    void Save(const QString&, int) override {}
    void Reprepare(bool, bool) override {}
    void Simulate() override {}
    void Repaint() override;

private:
    int kind_;
    int zoom_ = 1;
    DrawingView* view_ = nullptr;
};

}  // namespace vellisk::ui
