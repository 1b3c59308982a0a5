#include "drawing_window/ui/drawing_painter.h"

#include <QPainter>
#include <QPolygon>
#include <cmath>

#include "model/numeric.h"

namespace vellisk::ui {

namespace {

QColor ToQColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

// The contour on the picture. A point that lies within half the pen's width of the point drawn
// before adds nothing that can be seen under the round pen and is left out (with a one-pixel
// pen: a point on the same pixel); the last point is always drawn.
void ContourPolygon(const tfigura& f, const ViewTransform& view, int penWidth, QPolygon& out) {
    out.clear();
    const std::size_t n = f.Contour.size();
    const long long within = penWidth >= 2 ? static_cast<long long>(penWidth) * penWidth / 4 : 0;
    int lastX = 0, lastY = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const tpunkt& p = f.Contour[k];
        const int x = static_cast<int>(std::lrint(view.PixelX(p.X)));
        const int y = static_cast<int>(std::lrint(view.PixelY(p.Y)));
        if (k > 0) {
            const long long dx = x - lastX, dy = y - lastY;
            if (dx * dx + dy * dy <= within && k + 1 < n) continue;
            if (dx == 0 && dy == 0) continue;
        }
        out.append(QPoint(x, y));
        lastX = x;
        lastY = y;
    }
}

}  // namespace

void PaintDrawing(QPainter& painter, const QRect& exposed, const DrawingWindow& window,
                  const std::vector<SimulationMark>& marks) {
    painter.fillRect(exposed, PictureBackground());
    const Project& project = window.project();
    const ViewTransform& view = window.View();
    if (!view.HasPicture()) return;
    painter.setRenderHint(QPainter::Antialiasing, false);
    const ViewOptions& options = window.Options();
    const int p = view.PenWidth;
    const std::int32_t count = project.Count();
    const std::int32_t frame = window.LeaveOutFrame() ? project.FrameIndex() : -1;
    const bool gcode = project.ProjectKind == KindGcode;
    const PixelRect area{exposed.left(), exposed.top(), exposed.right(), exposed.bottom()};
    QPolygon polygon;
    tfigura room;  // the record of a hatch line being drawn
    tfigura box;   // a hatch line's box alone, to pass by the lines outside the area at once
    const int reach = 2 * std::max(p, 2) + 2;
    for (std::int32_t i = 0; i < count; ++i) {
        if (project.IsLine(i) && !view.FigureRect(LineBox(project.Line(i), box), reach).Intersects(area)) continue;
        const tfigura& f = project.View(i, room);
        if (f.Contour.empty()) continue;
        if (!view.FigureRect(f, reach).Intersects(area)) continue;
        const FigurePen pen = PenOfFigure(f, i, count, options, project.ProjectKind, project.SelectedFigure == i);
        // A hatch line is drawn as wide as the tool cuts it (p is the tool's radius on screen less
        // one pixel): lines closer than that on screen then fill their area as the tool does,
        // where thinner lines would leave rows of white between them that no cut leaves.
        const int width = f.HatchLine ? 2 * p + 1 : p;
        QPen qpen(ToQColor(pen.colour), width, pen.dotted ? Qt::DotLine : Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(qpen);
        painter.setBrush(Qt::NoBrush);
        if (options.Punktywej && HasToolPath(f) && i != frame && !gcode && !CuttingPath(f).empty()) {
            const int r = std::max(p, 2);
            QPen entry = qpen;
            entry.setColor(Qt::yellow);
            entry.setStyle(Qt::SolidLine);
            painter.setPen(entry);
            painter.setBrush(Qt::white);
            const PixelPoint c = view.Pixel(CuttingPath(f).front());
            painter.drawEllipse(QPoint(c.x, c.y), r, r);
            painter.setBrush(Qt::NoBrush);
            painter.setPen(qpen);
        }
        ContourPolygon(f, view, p, polygon);
        if (polygon.size() >= 2) painter.drawPolyline(polygon);
    }
    // Handles of the smoothed paths.
    for (std::int32_t i = 0; i < count; ++i) {
        // A smoothed hatch line's segments are fitted again when it is shown: only for the lines
        // whose box comes near the area.
        if (project.IsLine(i) &&
            (!project.Line(i).Smoothed || !view.FigureRect(LineBox(project.Line(i), box), 1000).Intersects(area)))
            continue;
        const tfigura& f = project.View(i, room, true);
        if (f.BezierSegments.empty()) continue;
        if (!view.FigureRect(f, 1000).Intersects(area)) continue;
        for (const BezierSegmentRecord& s : f.BezierSegments) {
            const PixelPoint p0 = view.Pixel(s.P0), p1 = view.Pixel(s.P1), p2 = view.Pixel(s.P2), p3 = view.Pixel(s.P3);
            painter.setPen(QPen(Qt::red, 1));
            painter.drawLine(p0.x, p0.y, p1.x, p1.y);
            painter.setPen(QPen(Qt::blue, 1));
            painter.drawLine(p3.x, p3.y, p2.x, p2.y);
        }
    }
    if (!marks.empty()) {
        // The simulated tool's marks in yellow, merged with what lies below.
        painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        painter.setPen(QPen(Qt::yellow, 1));
        for (const SimulationMark& m : marks) {
            if (m.x + m.radius < area.left || m.x - m.radius > area.right || m.y + m.radius < area.top ||
                m.y - m.radius > area.bottom)
                continue;
            painter.setBrush(m.filled ? QBrush(Qt::yellow) : QBrush(Qt::NoBrush));
            painter.drawEllipse(QPoint(m.x, m.y), m.radius, m.radius);
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setBrush(Qt::NoBrush);
    }
}

QImage RenderWindowPicture(DrawingWindow& window, QSize client) {
    QImage image(client, QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(PictureBackground());
    const ViewTransform& view = window.Layout(client.width(), client.height());
    if (!view.HasPicture()) return image;
    const int hRange = std::max(0, view.ImageWidth - client.width());
    const int vRange = std::max(0, view.ImageHeight - client.height());
    const int sx = static_cast<int>(RoundHalfEven(hRange * window.ScrollRatioX()));
    const int sy = static_cast<int>(RoundHalfEven(vRange * window.ScrollRatioY()));
    QPainter painter(&image);
    painter.translate(-sx, -sy);
    const QRect exposed =
        QRect(sx, sy, client.width(), client.height()) & QRect(0, 0, view.ImageWidth, view.ImageHeight);
    painter.setClipRect(exposed);
    PaintDrawing(painter, exposed, window);
    return image;
}

}  // namespace vellisk::ui
