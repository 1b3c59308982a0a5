#include "drawing_window/ui/drawing_view.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <limits>

namespace vellisk::ui {

DrawingView::DrawingView(std::vector<tfigura> figures, QWidget* parent)
    : QWidget(parent), figures_(std::move(figures)) {
    double inf = std::numeric_limits<double>::infinity();
    double x0 = inf, y0 = inf, x1 = -inf, y1 = -inf;
    for (const auto& f : figures_)
        for (const auto& p : f.Contour) {
            x0 = std::min(x0, p.X);
            y0 = std::min(y0, p.Y);
            x1 = std::max(x1, p.X);
            y1 = std::max(y1, p.Y);
        }
    if (x0 <= x1 && y0 <= y1) {
        minX_ = x0;
        minY_ = y0;
        maxX_ = x1;
        maxY_ = y1;
    }
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setMinimumSize(200, 150);
}

void DrawingView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double margin = 10.0;
    double w = std::max(maxX_ - minX_, 1e-9);
    double h = std::max(maxY_ - minY_, 1e-9);
    double scale = std::min((width() - 2 * margin) / w, (height() - 2 * margin) / h);
    if (!(scale > 0)) return;
    auto map = [&](const tpunkt& p) {
        return QPointF(margin + (p.X - minX_) * scale, height() - margin - (p.Y - minY_) * scale);
    };
    painter.setPen(QPen(palette().color(QPalette::Text), 0));
    for (const auto& f : figures_) {
        if (f.Contour.empty()) continue;
        if (f.Contour.size() == 1) {
            painter.drawEllipse(map(f.Contour.front()), 2.0, 2.0);
            continue;
        }
        QPainterPath path(map(f.Contour.front()));
        for (std::size_t i = 1; i < f.Contour.size(); ++i) path.lineTo(map(f.Contour[i]));
        painter.drawPath(path);
    }
}

}  // namespace vellisk::ui
