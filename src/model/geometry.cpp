#include "model/geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "model/core_error.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

constexpr double kPi = std::numbers::pi;

double LineAt(const tprosta& l, double x) { return l.slope * x + l.intercept; }

bool InClosed(double v, double a, double b) { return v >= std::min(a, b) && v <= std::max(a, b); }

// Middle of the overlap of the closed ranges [a0, a1] and [b0, b1] (each in either order).
double OverlapMiddle(double a0, double a1, double b0, double b1) {
    double lo = std::max(std::min(a0, a1), std::min(b0, b1));
    double hi = std::min(std::max(a0, a1), std::max(b0, b1));
    return (lo + hi) / 2.0;
}

// The shared decision of SegmentsIntersect and SegmentIntersection. `scaled` tells whether the
// point found may be brought in (all but the case of two vertical segments).
bool Intersect(const todcinek& in1, const todcinek& in2, tpunkt& point, bool& scaled) {
    todcinek s1 = in1, s2 = in2;
    OrderSegmentByX(s1);
    OrderSegmentByX(s2);
    const tprosta l1 = LineOfSegment(s1);
    const tprosta l2 = LineOfSegment(s2);
    scaled = false;
    if (l1.degenerate || l2.degenerate) return false;
    if (l1.vertical && l2.vertical) {
        if (l1.intercept != l2.intercept) return false;
        double y = OverlapMiddle(s1.start.Y, s1.end.Y, s2.start.Y, s2.end.Y);
        if (!InClosed(y, s1.start.Y, s1.end.Y) || !InClosed(y, s2.start.Y, s2.end.Y)) return false;
        point.X = l1.intercept;
        point.Y = y;
        return true;
    }
    double x = 0.0, y = 0.0;
    if (l1.vertical || l2.vertical) {
        const todcinek& other = l1.vertical ? s2 : s1;
        const tprosta& otherLine = l1.vertical ? l2 : l1;
        x = l1.vertical ? l1.intercept : l2.intercept;
        if (x < other.start.X || x > other.end.X) return false;
        y = LineAt(otherLine, x);
    } else {
        if (l1.slope == l2.slope) {
            if (l1.intercept != l2.intercept) return false;
            x = (std::max(s1.start.X, s2.start.X) + std::min(s1.end.X, s2.end.X)) / 2.0;
        } else {
            x = (l2.intercept - l1.intercept) / (l1.slope - l2.slope);
        }
        y = LineAt(l1, x);
    }
    if (!(x >= s1.start.X && x <= s1.end.X && x >= s2.start.X && x <= s2.end.X)) return false;
    if (l1.vertical && !InClosed(y, s1.start.Y, s1.end.Y)) return false;
    if (l2.vertical && !InClosed(y, s2.start.Y, s2.end.Y)) return false;
    point.X = x;
    point.Y = y;
    scaled = true;
    return true;
}

bool Crossing(const todcinek& seg, const tpunkt& point, double& offset, bool open) {
    offset = 0.0;
    const double x = point.X, x0 = seg.start.X, x1 = seg.end.X;
    bool applies = open ? ((x0 < x && x < x1) || (x1 < x && x < x0)) : ((x0 <= x && x < x1) || (x1 < x && x <= x0));
    if (!applies) return false;
    const tprosta l = LineOfSegment(seg);
    if (l.vertical || l.degenerate) return false;
    offset = LineAt(l, x) - point.Y;
    return true;
}

// PointSegmentDistance; the direction only when asked for.
double SegmentDistance(const tpunkt& p, const todcinek& seg, double tolerance, double* angle, std::int32_t& where) {
    const tprosta l = LineOfSegment(seg);
    if (l.degenerate) return Distance2D(p, seg.start);
    tprosta perp;
    if (l.vertical) {
        perp.slope = 0.0;
        perp.intercept = p.Y;
    } else if (l.slope != 0.0) {
        perp.slope = -1.0 / l.slope;
        perp.intercept = p.Y - perp.slope * p.X;
    } else {
        perp.vertical = true;
        perp.slope = kVerticalSlope;
        perp.intercept = p.X;
    }
    tpunkt foot;
    LinesIntersection(l, perp, seg, foot, todcinek{p, p});
    if (InClosed(foot.X, seg.start.X, seg.end.X) && InClosed(foot.Y, seg.start.Y, seg.end.Y)) {
        where = 0;
        if (angle) *angle = SegmentAngle(p, foot);
        return Distance2D(p, foot);
    }
    const double ds = Distance2D(p, seg.start);
    const double de = Distance2D(p, seg.end);
    const bool atEnd = de <= ds;
    const tpunkt& e = atEnd ? seg.end : seg.start;
    where = atEnd ? 2 : 1;
    if (Distance2D(foot, e) - tolerance > 1.0) where = 3;
    if (angle) *angle = SegmentAngle(p, e);
    return atEnd ? de : ds;
}

// Drawing units in a metre for the project kinds whose drawings are in units (0: none).
long double UnitsPerMetre(int kind) {
    switch (kind) {
        case KindHpgl: return 40000.0L;
        case KindDxf:
        case KindGcode: return 100000.0L;
        default: return 0.0L;
    }
}

}  // namespace

double UnitsToMm(int kind, double x) {
    if (kind == KindBitmap) return x;
    const long double perMetre = UnitsPerMetre(kind);
    return perMetre == 0.0L ? 0.0 : static_cast<double>(static_cast<long double>(x) * 1000.0L / perMetre);
}

double MmToUnits(int kind, double x) {
    if (kind == KindBitmap) return x;
    const long double perMetre = UnitsPerMetre(kind);
    return perMetre == 0.0L ? 0.0 : static_cast<double>(static_cast<long double>(x) * perMetre / 1000.0L);
}

bool NearPoint(const tpunkt& p, const tpunkt& q) { return std::fabs(p.X - q.X) < 2.0 && std::fabs(p.Y - q.Y) < 2.0; }

bool IsMultipleOf(std::int32_t a, std::int32_t b) {
    if (b == 0) throw CoreError::range("multiple of zero");
    if (b == -1) return true;  // INT32_MIN % -1 would overflow
    return a % b == 0;
}

std::int32_t Factorial(std::int32_t n) {
    if (n < 2) return 1;
    if (n > 12) throw CoreError::range("factorial of " + std::to_string(n) + " does not fit");
    std::int32_t r = 1;
    for (std::int32_t i = 2; i <= n; ++i) r = CheckedMul(r, i, "factorial");
    return r;
}

double IntPower(double x, std::int32_t n) {
    if (n == 0) return 1.0;
    if (n < 2) return x;
    double r = x;
    for (std::int32_t i = 1; i < n; ++i) r *= x;
    return r;
}

double Binomial(std::int32_t n, std::int32_t k) {
    if (n < 0 || n > 12 || k < 0 || k > n)
        throw CoreError::range("binomial coefficient out of range: " + std::to_string(n) + " over " +
                               std::to_string(k));
    return static_cast<double>(Factorial(n)) /
           (static_cast<double>(Factorial(k)) * static_cast<double>(Factorial(n - k)));
}

double Distance2DInt(const TIntPoint2D& p, const TIntPoint2D& q) {
    const double dx = static_cast<double>(q.X) - p.X, dy = static_cast<double>(q.Y) - p.Y;
    return std::sqrt(dx * dx + dy * dy);
}

double Distance3DInt(const TIntPoint3D& p, const TIntPoint3D& q) {
    const double dx = static_cast<double>(q.X) - p.X, dy = static_cast<double>(q.Y) - p.Y,
                 dz = static_cast<double>(q.Z) - p.Z;
    return std::sqrt(dz * dz + (dx * dx + dy * dy));
}

double SquaredDistance2D(const TPoint2D& p, const TPoint2D& q) {
    const double dx = q.X - p.X, dy = q.Y - p.Y;
    return dx * dx + dy * dy;
}

double VectorAngle(const TPoint2D& p, const TPoint2D& q) {
    const double dx = q.X - p.X, dy = q.Y - p.Y;
    if (dx == 0.0) return q.Y > p.Y ? kPi / 2.0 : 3.0 * kPi / 2.0;
    const double a = std::atan(dy / dx);
    if (dx < 0.0) return a + kPi;
    if (dy < 0.0) return a + 2.0 * kPi;
    return a;
}

double SegmentAngle(const tpunkt& p, const tpunkt& q) { return VectorAngle({p.X, p.Y}, {q.X, q.Y}); }

double VertexAngleCosFromSides(double g, double h, double k) {
    if (g == 0.0 || h == 0.0) return -1.0;
    const double r = -(g * g + h * h - k * k) / (2.0 * g * h);
    return std::clamp(r, -1.0, 1.0);
}

double VertexAngleCos(const tpunkt& a, const tpunkt& b, const tpunkt& c) {
    return VertexAngleCosFromSides(Distance3D(a, b), Distance3D(b, c), Distance3D(a, c));
}

void OrderSegmentByX(todcinek& s) {
    if (s.start.X > s.end.X) std::swap(s.start, s.end);
}

void OrderSegmentByY(todcinek& s) {
    if (s.start.Y > s.end.Y) std::swap(s.start, s.end);
}

bool SegmentsIntersect(const todcinek& s1, const todcinek& s2) {
    tpunkt p;
    bool scaled = false;
    return Intersect(s1, s2, p, scaled);
}

bool SegmentIntersection(const todcinek& s1, const todcinek& s2, tpunkt& point) {
    point = tpunkt{};
    tpunkt p;
    bool scaled = false;
    if (!Intersect(s1, s2, p, scaled)) return false;
    if (scaled) {
        while (std::isfinite(p.X) && std::isfinite(p.Y) &&
               (std::fabs(p.X) >= 21474836.0 || std::fabs(p.Y) >= 21474836.0)) {
            p.X /= 10.0;
            p.Y /= 10.0;
        }
    }
    point.X = p.X;
    point.Y = p.Y;
    return true;
}

void LinesIntersection(const tprosta& l1, const tprosta& l2, const todcinek& a, tpunkt& out, const todcinek& b) {
    if (l1.degenerate || l2.degenerate) return;
    if (l1.vertical && l2.vertical) {
        if (l1.intercept != l2.intercept) {
            out.X = 0.0;
            out.Y = 0.0;
            return;
        }
        out.X = l1.intercept;
        out.Y = OverlapMiddle(a.start.Y, a.end.Y, b.start.Y, b.end.Y);
        return;
    }
    if (l1.vertical) {
        out.X = l1.intercept;
        out.Y = LineAt(l2, out.X);
        return;
    }
    if (l2.vertical) {
        out.X = l2.intercept;
        out.Y = LineAt(l1, out.X);
        return;
    }
    if (l1.slope != l2.slope) {
        double s2 = l2.slope;
        if (l1.slope > kVerticalSlope || s2 > kVerticalSlope) s2 = kVerticalSlope;
        const double d = l1.slope - s2;
        if (std::fabs(d) < 0.005) {
            out = a.end;
            return;
        }
        out.X = std::min((l2.intercept - l1.intercept) / d, kVerticalSlope);
        out.Y = LineAt(l1, out.X);
        return;
    }
    if (l1.intercept != l2.intercept) {
        out = a.end;
        return;
    }
    out.X = OverlapMiddle(a.start.X, a.end.X, b.start.X, b.end.X);
    out.Y = LineAt(l1, out.X);
}

double PointSegmentDistance(const tpunkt& p, const todcinek& seg, double tolerance, double& angle,
                            std::int32_t& where) {
    return SegmentDistance(p, seg, tolerance, &angle, where);
}

double PointSegmentDistance(const tpunkt& p, const todcinek& seg, double tolerance, std::int32_t& where) {
    return SegmentDistance(p, seg, tolerance, nullptr, where);
}

bool CrossingOffset(const todcinek& seg, const tpunkt& point, double& offset) {
    return Crossing(seg, point, offset, false);
}

bool CrossingOffsetOpen(const todcinek& seg, const tpunkt& point, double& offset) {
    return Crossing(seg, point, offset, true);
}

std::string RemoveChar(char ch, std::string_view text) {
    std::string r;
    r.reserve(text.size());
    for (char c : text)
        if (c != ch) r.push_back(c);
    return r;
}

}  // namespace vellisk
