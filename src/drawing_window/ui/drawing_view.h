#pragma once
// A plain view of a drawing's contours: each figure's contour as a polyline, scaled to fit the
// window, Y up. The full drawing window (tool paths, start points, selection) replaces it later.
#include <QWidget>
#include <vector>

#include "model/figure.h"

namespace vellisk::ui {

class DrawingView : public QWidget {
    Q_OBJECT
public:
    DrawingView(std::vector<tfigura> figures, QWidget* parent = nullptr);

    const std::vector<tfigura>& Figures() const { return figures_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<tfigura> figures_;
    double minX_ = 0, minY_ = 0, maxX_ = 1, maxY_ = 1;
};

}  // namespace vellisk::ui
