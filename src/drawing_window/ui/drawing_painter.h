#pragma once
// The drawing window's picture: every figure's contour with a pen as wide as the tool, in the
// colours of the view options, dotted when it is not to be cut, the selected figure in white,
// the entry points of the tool paths, the handles of smoothed paths and the marks the simulated
// tool left. Only the part of the picture that is asked for is painted, so a zoomed drawing
// costs no more than the window shows. The window and the render tool paint with this.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <vector>

#include "drawing_window/drawing_window.h"

class QPainter;

namespace vellisk::ui {

// The window's background (the button face colour).
inline QColor PictureBackground() { return QColor(240, 240, 240); }

// Marks the simulated tool left on the picture.
struct SimulationMark {
    int x = 0, y = 0;
    int radius = 0;
    bool filled = false;  // a ring of a drilling mark
};

// Paints the part `exposed` of the picture (picture coordinates) of the window's project.
void PaintDrawing(QPainter& painter, const QRect& exposed, const DrawingWindow& window,
                  const std::vector<SimulationMark>& marks = {});

// The window's client area of the given size as the window shows it: the picture laid out for
// that size at the window's zoom, scrolled to the window's scroll place.
QImage RenderWindowPicture(DrawingWindow& window, QSize client);

}  // namespace vellisk::ui
