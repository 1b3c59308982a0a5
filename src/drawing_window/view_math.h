#pragma once
// The drawing window's picture arithmetic, free of any window: the drawing fitted into the
// window and zoomed (drawing units to pixels and back), the tool-wide pen, the picture's size,
// each figure's colour by the view options, the figure under a click, and the pixel steps of
// the simulated tool.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "drawing_window/view_options.h"
#include "model/figure.h"
#include "model/geometry_types.h"

namespace vellisk {

// The view menu's colour and marker options are ViewOptions (Kierunek: by cut direction,
// Kolejnosc: by cutting order, Warstwy: by layer, Punktywej: entry points).

struct Rgb {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A colour value as the colour tables hold it: red + green * 256 + blue * 65536.
Rgb RgbOfColorValue(std::int32_t value);

struct PixelPoint {
    int x = 0, y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Intersects(const PixelRect& o) const {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
};

// One window's view: where the drawing's MinX/MinY lie on the picture, pixels per drawing unit,
// the pen width and the picture's size.
struct ViewTransform {
    int OriginX = 5;
    int OriginY = 5;
    double Scale = 0.0;
    int PenWidth = 1;   // the tool radius on screen less one pixel, at least 1
    double MinX = 0.0;  // the drawing's bounds
    double MinY = 0.0;
    int ImageWidth = 0;  // the picture; 0 x 0 when there is nothing to paint
    int ImageHeight = 0;
    bool TooLarge = false;  // the picture at this zoom would be larger than a window can hold

    bool HasPicture() const { return ImageWidth > 0 && ImageHeight > 0 && Scale > 0.0; }
    double PixelX(double X) const { return (X - MinX) * Scale + OriginX; }
    double PixelY(double Y) const { return OriginY - (Y - MinY) * Scale; }
    PixelPoint Pixel(const tpunkt& p) const;
    tpunkt Point(double x, double y) const;
    // The figure's bounding box on the picture, grown by `grow` pixels on every side.
    PixelRect FigureRect(const tfigura& f, int grow) const;
};

// The view of a drawing of the given size and kind in a client area of cw x ch pixels at a zoom
// (1 = the whole drawing fitted). `toolDiameterMm` and `scalePercent` are the `srednica` and
// `skala` settings. A view that cannot be worked out (tiny window, empty drawing, damaged
// settings) has no picture.
ViewTransform ComputeView(int cw, int ch, double minX, double minY, double width, double height, int kind,
                          double toolDiameterMm, double scalePercent, int zoom);

// The largest picture side the window can hold.
constexpr int kMaxPictureSide = 16'000'000;

// The pen of figure i of `count`: colour and whether it is dotted (not to be cut).
struct FigurePen {
    Rgb colour;
    bool dotted = false;
};
FigurePen PenOfFigure(const tfigura& f, std::int32_t i, std::int32_t count, const ViewOptions& options, int kind,
                      bool selected);

// The figure under a click: the last in list order with a contour segment less than 3 pixels
// from (x, y); -1 for none.
std::int32_t PickFigure(const std::vector<const tfigura*>& figures, const ViewTransform& view, int x, int y);
// The same over `count` figures, figure i given by `at` (a reference valid until the next call).
std::int32_t PickFigure(std::int32_t count, const std::function<const tfigura&(std::int32_t)>& at,
                        const ViewTransform& view, int x, int y);

// Pixel steps of an animated travel move from (x0, y0) to (x1, y1) and of an animated cut
// between whole pixels, one per pixel of the way.
std::vector<PixelPoint> RapidMoveSteps(double x0, double y0, double x1, double y1);
std::vector<PixelPoint> CutMoveSteps(int x0, int y0, int x1, int y1);

}  // namespace vellisk
