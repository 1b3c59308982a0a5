#pragma once
// The plane geometry that loading, nesting and ordering use: point comparisons, distances,
// direction angles, segment crossings and the ray-crossing half of the point-in-contour test.
// Kept in its own namespace until the drawing model's geometry module takes them over.
#include <cmath>
#include <numbers>

#include "model/geometry_types.h"

namespace vellisk::loadgeom {

// X and Y exactly equal (Z ignored).
inline bool SamePoint(const tpunkt& p, const tpunkt& q) { return p.X == q.X && p.Y == q.Y; }

// Both coordinates less than 2 drawing units apart (Z ignored).
inline bool NearPoint(const tpunkt& p, const tpunkt& q) {
    return std::fabs(p.X - q.X) < 2.0 && std::fabs(p.Y - q.Y) < 2.0;
}

inline double Distance2D(const tpunkt& p, const tpunkt& q) {
    const double dx = q.X - p.X, dy = q.Y - p.Y;
    return std::sqrt(dx * dx + dy * dy);
}

inline double Distance2DInt(const TIntPoint2D& p, const TIntPoint2D& q) {
    const double dx = static_cast<double>(q.X) - static_cast<double>(p.X);
    const double dy = static_cast<double>(q.Y) - static_cast<double>(p.Y);
    return std::sqrt(dx * dx + dy * dy);
}

// Direction of the vector p -> q in radians, in [0, 2 pi). A vector with no X part points up
// only when q lies above p; otherwise (also for two equal points) it points down.
inline double SegmentAngle(const tpunkt& p, const tpunkt& q) {
    const double dx = q.X - p.X, dy = q.Y - p.Y;
    if (dx == 0.0) return q.Y > p.Y ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2;
    const double a = std::atan(dy / dx);
    if (dx < 0.0) return a + std::numbers::pi;
    if (dy >= 0.0) return a;
    return a + 2 * std::numbers::pi;
}

inline tprosta LineOfSegment(const todcinek& s) {
    tprosta l;
    if (SamePoint(s.start, s.end)) {
        l.degenerate = true;
    } else if (std::fabs(s.start.X - s.end.X) < 0.0001) {
        l.vertical = true;
        l.slope = 2147483647.0;
        l.intercept = s.start.X;
    } else {
        l.slope = (s.end.Y - s.start.Y) / (s.end.X - s.start.X);
        l.intercept = s.start.Y - l.slope * s.start.X;
    }
    return l;
}

inline void OrderSegmentByX(todcinek& s) {
    if (s.start.X > s.end.X) std::swap(s.start, s.end);
}

// Whether two segments meet (ends included), and where (X, Y). Collinear overlapping segments
// meet in the middle of their overlap.
inline bool SegmentIntersection(todcinek s1, todcinek s2, tpunkt& point) {
    point = tpunkt{};
    OrderSegmentByX(s1);
    OrderSegmentByX(s2);
    const tprosta l1 = LineOfSegment(s1), l2 = LineOfSegment(s2);
    if (l1.degenerate || l2.degenerate) return false;
    auto inX = [](const todcinek& s, double x) { return x >= s.start.X && x <= s.end.X; };
    auto inY = [](const todcinek& s, double y) {
        const double lo = std::fmin(s.start.Y, s.end.Y), hi = std::fmax(s.start.Y, s.end.Y);
        return y >= lo && y <= hi;
    };
    double x = 0.0, y = 0.0;
    if (l1.vertical && l2.vertical) {
        if (l1.intercept != l2.intercept) return false;
        const double lo1 = std::fmin(s1.start.Y, s1.end.Y), hi1 = std::fmax(s1.start.Y, s1.end.Y);
        const double lo2 = std::fmin(s2.start.Y, s2.end.Y), hi2 = std::fmax(s2.start.Y, s2.end.Y);
        y = (std::fmax(lo1, lo2) + std::fmin(hi1, hi2)) / 2;
        if (!(y >= lo1 && y <= hi1 && y >= lo2 && y <= hi2)) return false;
        point.X = l1.intercept;
        point.Y = y;
        return true;
    }
    if (l1.vertical) {
        x = l1.intercept;
        if (!inX(s2, x)) return false;
        y = l2.slope * x + l2.intercept;
    } else if (l2.vertical) {
        x = l2.intercept;
        if (!inX(s1, x)) return false;
        y = l1.slope * x + l1.intercept;
    } else {
        if (l1.slope == l2.slope) {
            if (l1.intercept != l2.intercept) return false;
            x = (std::fmax(s1.start.X, s2.start.X) + std::fmin(s1.end.X, s2.end.X)) / 2;
        } else {
            x = (l2.intercept - l1.intercept) / (l1.slope - l2.slope);
        }
        y = l1.slope * x + l1.intercept;
    }
    if (!inX(s1, x) || !inX(s2, x)) return false;
    if (l1.vertical && !inY(s1, y)) return false;
    if (l2.vertical && !inY(s2, y)) return false;
    for (int guard = 0; guard < 400 && (std::fabs(x) >= 21474836.0 || std::fabs(y) >= 21474836.0); ++guard) {
        x /= 10;
        y /= 10;
    }
    point.X = x;
    point.Y = y;
    return true;
}

// The ray-crossing test: when the point's X lies in the segment's half-open X span (its start X
// included, its end X not), the segment's Y at that X minus the point's Y.
inline bool CrossingOffset(const todcinek& s, const tpunkt& p, double& offset) {
    offset = 0.0;
    const bool span = (s.start.X <= p.X && p.X < s.end.X) || (s.end.X < p.X && p.X <= s.start.X);
    if (!span) return false;
    const tprosta l = LineOfSegment(s);
    if (l.vertical || l.degenerate) return false;
    offset = l.slope * p.X + l.intercept - p.Y;
    return true;
}

// The same with the open span: the point's X strictly between the end X values.
inline bool CrossingOffsetOpen(const todcinek& s, const tpunkt& p, double& offset) {
    offset = 0.0;
    const bool span = (s.start.X < p.X && p.X < s.end.X) || (s.end.X < p.X && p.X < s.start.X);
    if (!span) return false;
    const tprosta l = LineOfSegment(s);
    if (l.vertical || l.degenerate) return false;
    offset = l.slope * p.X + l.intercept - p.Y;
    return true;
}

}  // namespace vellisk::loadgeom
