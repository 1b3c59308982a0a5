#include "drawing_window/view_math.h"

#include <algorithm>
#include <cmath>

#include "model/geometry.h"
#include "model/layers.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

int RoundInt(double v) {
    const double r = RoundHalfEven(v);
    if (!(r > -2e9 && r < 2e9)) return r < 0 ? -2'000'000'000 : 2'000'000'000;
    return static_cast<int>(r);
}

int Sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// Integer division truncated towards zero, as the window's pixel walk divides.
int Div(long long a, long long b) { return static_cast<int>(a / b); }

}  // namespace

Rgb RgbOfColorValue(std::int32_t v) { return {v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF}; }

PixelPoint ViewTransform::Pixel(const tpunkt& p) const { return {RoundInt(PixelX(p.X)), RoundInt(PixelY(p.Y))}; }

tpunkt ViewTransform::Point(double x, double y) const {
    return {(x - OriginX) / Scale + MinX, (OriginY - y) / Scale + MinY, 0.0};
}

PixelRect ViewTransform::FigureRect(const tfigura& f, int grow) const {
    return {RoundInt(PixelX(f.MinX)) - grow, RoundInt(PixelY(f.MaxY)) - grow, RoundInt(PixelX(f.MaxX)) + grow,
            RoundInt(PixelY(f.MinY)) + grow};
}

ViewTransform ComputeView(int cw, int ch, double minX, double minY, double width, double height, int kind,
                          double toolDiameterMm, double scalePercent, int zoom) {
    ViewTransform v;
    v.MinX = minX;
    v.MinY = minY;
    v.OriginX = 5;
    v.OriginY = ch - 5;
    if (!(width > 0.0 || height > 0.0)) return v;
    const double scale = scalePercent / 100.0;
    const double D = 2.0 * RoundHalfEven(MmToUnits(kind, toolDiameterMm / scale));
    const double s = std::min((cw - 10) / (D + width), (ch - 10) / (D + height)) * zoom;
    if (!(s > 0.0) || !std::isfinite(s) || !std::isfinite(D)) return v;
    v.Scale = s;
    v.OriginY = RoundInt((D + height) * s) + 5;
    const double pen = RoundHalfEven(MmToUnits(kind, (toolDiameterMm / 2.0) / scale) * s) - 1.0;
    const int p = pen < 1.0 ? 1 : static_cast<int>(std::min(pen, 100'000.0));
    v.PenWidth = p;
    v.OriginX += 2 * p;
    v.OriginY -= 2 * p;
    const double w = RoundHalfEven(width * s) + 1.0 + 4.0 * p + 10.0;
    const double h = RoundHalfEven(height * s) + 1.0 + 4.0 * p + 10.0;
    if (w > kMaxPictureSide || h > kMaxPictureSide) {
        v.Scale = 0.0;  // the window cannot hold such a picture
        v.TooLarge = true;
        return v;
    }
    v.ImageWidth = static_cast<int>(w);
    v.ImageHeight = static_cast<int>(h);
    return v;
}

FigurePen PenOfFigure(const tfigura& f, std::int32_t i, std::int32_t count, const ViewOptions& o, int kind,
                      bool selected) {
    FigurePen pen;
    if (o.Kierunek) {
        switch (f.Direction) {
            case -1: pen.colour = {255, 0, 0}; break;
            case 0: pen.colour = {255, 255, 0}; break;
            case 1: pen.colour = {0, 128, 0}; break;
            default: pen.colour = {255, 255, 255}; break;
        }
    }
    pen.dotted = !f.ToCut;
    if (o.Kolejnosc && count > 0) pen.colour = {0, static_cast<int>((static_cast<long long>(i) * 255) / count), 0};
    if (o.Warstwy) pen.colour = RgbOfColorValue(ColorOfIndex(f.Layer, kind));
    if (selected) pen.colour = {255, 255, 255};
    return pen;
}

std::int32_t PickFigure(const std::vector<const tfigura*>& figures, const ViewTransform& view, int x, int y) {
    return PickFigure(
        static_cast<std::int32_t>(figures.size()),
        [&](std::int32_t i) -> const tfigura& { return *figures[static_cast<std::size_t>(i)]; }, view, x, y);
}

std::int32_t PickFigure(std::int32_t count, const std::function<const tfigura&(std::int32_t)>& at,
                        const ViewTransform& view, int x, int y) {
    if (!(view.Scale > 0.0)) return -1;
    std::int32_t hit = -1;
    const tpunkt mouse{static_cast<double>(x), static_cast<double>(y), 0.0};
    const PixelRect click{x - 3, y - 3, x + 3, y + 3};
    for (std::int32_t i = 0; i < count; ++i) {
        const tfigura& f = at(i);
        if (f.Contour.size() < 2) continue;
        if (!view.FigureRect(f, 1).Intersects(click)) continue;
        PixelPoint a = view.Pixel(f.Contour[0]);
        for (std::size_t k = 1; k < f.Contour.size(); ++k) {
            const PixelPoint b = view.Pixel(f.Contour[k]);
            const todcinek seg{{double(a.x), double(a.y), 0.0}, {double(b.x), double(b.y), 0.0}};
            std::int32_t where = 0;
            if (PointSegmentDistance(mouse, seg, 5.0, where) < 3.0) {
                hit = i;
                break;
            }
            a = b;
        }
    }
    return hit;
}

std::vector<PixelPoint> RapidMoveSteps(double x0, double y0, double x1, double y1) {
    std::vector<PixelPoint> steps;
    const double dx = x1 - x0, dy = y1 - y0;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!std::isfinite(length)) return steps;
    const long long n = static_cast<long long>(RoundHalfEven(length));
    if (n < 1) return steps;
    const int sx = Sign(dx), sy = Sign(dy);
    steps.reserve(static_cast<std::size_t>(n));
    for (long long t = 1; t <= n; ++t) {
        const double x = (2.0 * t * dx + (n + 1) * sx) / (2.0 * n) + x0;
        const double y = (2.0 * t * dy + (n + 1) * sy) / (2.0 * n) + y0;
        steps.push_back({RoundInt(x), RoundInt(y)});
    }
    return steps;
}

std::vector<PixelPoint> CutMoveSteps(int x0, int y0, int x1, int y1) {
    std::vector<PixelPoint> steps;
    const long long dx = static_cast<long long>(x1) - x0, dy = static_cast<long long>(y1) - y0;
    const long long n = static_cast<long long>(RoundHalfEven(std::sqrt(double(dx * dx + dy * dy))));
    if (n <= 0) return steps;
    const int sx = Sign(double(dx)), sy = Sign(double(dy));
    steps.reserve(static_cast<std::size_t>(n));
    for (long long t = 1; t <= n; ++t)
        steps.push_back({x0 + Div(2 * t * dx + (n + 1) * sx, 2 * n), y0 + Div(2 * t * dy + (n + 1) * sy, 2 * n)});
    return steps;
}

}  // namespace vellisk
