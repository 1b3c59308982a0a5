// The DXF reader's points: flattening arcs, bulges and fitted spans into the scratch list, and
// passing the list to the figure in drawing units, within the entity's and the drawing's budget.
#include <cmath>
#include <numbers>

#include "drawing_files/dxf_reader.h"
#include "model/core_error.h"
#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

constexpr double kPi = std::numbers::pi;

}  // namespace

void DxfReader::AddPoint3D(double x, double y, double z) {
    if (std::fabs(DxfLtScale - 0.000394) < 1e-6) {
        x /= 0.03937;
        y /= 0.03937;
        z /= 0.03937;
    }
    tpunkt p{x * 100.0, y * 100.0, z * 100.0};
    if (p.X != last_.X || p.Y != last_.Y) figure_->Contour.push_back(p);
    last_ = p;
}

void DxfReader::FlushPoints(TConvOCS2WCS* conv) {
    const double count = static_cast<double>(pts_.size());
    Budget.Take(count, "DXF", text_->LineNumber());
    bool map = conv != nullptr && !conv->Identity();
    for (const tpunkt& p : pts_) {
        if (map) {
            auto w = conv->OcsToWcs(p.X, p.Y, p.Z);
            AddPoint3D(w[0], w[1], w[2]);
        } else {
            AddPoint3D(p.X, p.Y, p.Z);
        }
    }
    pts_.clear();
}

std::int64_t DxfReader::PointCount(double value, const char* what) const {
    // The points the entity holds already count too: a polyline of many bulges or fitted spans
    // must not pass the limit one piece at a time.
    if (!(value >= 0.0 && value + static_cast<double>(pts_.size()) <= kMaxEntityPoints))
        throw CoreError::range("DXF line " + std::to_string(text_->LineNumber()) + ": " + what +
                               " needs too many points");
    // ... and so do the points of the whole drawing.
    Budget.Need(value + static_cast<double>(pts_.size()), "DXF", text_->LineNumber());
    return static_cast<std::int64_t>(RoundHalfEven(value));
}

void DxfReader::AddArc(double cx, double cy, double z, const tpunkt* start, const tpunkt* end) {
    double s = Clamp(2.0 * kPi * arcR_ / 192.0, 5.0, 0.25);
    std::int64_t n = PointCount(std::fabs(arcR_ * arcW_) / s + 0.5, "arc");
    if (start)
        Emit(start->X, start->Y, z);
    else
        Emit(cx + arcR_ * std::cos(arcA0_), cy + arcR_ * std::sin(arcA0_), z);
    for (std::int64_t i = 1; i < n; ++i) {
        double a = arcA0_ + static_cast<double>(i) * arcW_ / static_cast<double>(n);
        Emit(cx + arcR_ * std::cos(a), cy + arcR_ * std::sin(a), z);
    }
    if (end)
        Emit(end->X, end->Y, z);
    else
        Emit(cx + arcR_ * std::cos(arcA1_), cy + arcR_ * std::sin(arcA1_), z);
}

void DxfReader::AddBulgeArc(const Vertex& a, const Vertex& b) {
    double q = 4.0 * std::atan(a.bulge);
    double h = q > 0.0 ? (kPi - q) / 2.0 : -(kPi + q) / 2.0;
    double f = VectorAngle({a.x, a.y}, {b.x, b.y});
    double c = std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y)) / 2.0;
    double d = h == kPi / 2.0 ? 2147483647.0 : c * std::tan(h);
    double r = std::sqrt(d * d + c * c);
    double p = f + h;
    double cx = a.x + r * std::cos(p), cy = a.y + r * std::sin(p);
    arcR_ = r;
    arcA0_ = p - kPi;
    arcA1_ = arcA0_ + q;
    arcW_ = q;
    // The arc's ends are the vertices themselves, not their recomputation from the centre, so
    // that rounding never leaves a stray point next to the following vertex.
    tpunkt from{a.x, a.y, a.z}, to{b.x, b.y, a.z};
    AddArc(cx, cy, a.z, &from, &to);
}

void DxfReader::AddSplineFitSpan(const std::vector<tpunkt>& v, int a, int from, int to) {
    std::size_t m = v.size();
    const tpunkt& p0 = v[a];
    const tpunkt& p1 = v[a + 1];
    const tpunkt& p2 = v[(a + 2) % m];
    const tpunkt& p3 = v[(a + 3) % m];
    double chord = Distance2D(p0, p1) + Distance2D(p1, p2) + Distance2D(p2, p3);
    if (!(chord > 0.25)) return;
    double s = Clamp(4.0 * chord / 192.0, 5.0, 0.25);
    double dt = s / chord;
    if (dt > 1.0) dt = 0.25;
    PointCount(1.0 / dt, "fitted polyline");
    curve_.FitCubicThrough4Points(p0, p1, p2, p3, from, dt);
    tpunkt pt;
    while (curve_.NextCubicPoint(pt, to)) Emit(pt.X, pt.Y, 0.0);
}

}  // namespace vellisk
