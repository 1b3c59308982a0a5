#include "model/curves.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/core_error.h"
#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

double Poly(const CubicCoefficients& k, double t, double origin) {
    return k.a * t * t * t + k.b * t * t + k.c * t + origin;
}

}  // namespace

double Det3(const Triple& c1, const Triple& c2, const Triple& c3) {
    // Columns c1, c2, c3: expansion along the first row.
    return c1[0] * (c2[1] * c3[2] - c3[1] * c2[2]) - c2[0] * (c1[1] * c3[2] - c3[1] * c1[2]) +
           c3[0] * (c1[1] * c2[2] - c2[1] * c1[2]);
}

void SolveCramer3(const Triple& c1, const Triple& c2, const Triple& c3, Triple& x, const Triple& rhs) {
    double d = Det3(c1, c2, c3);
    if (d == 0.0) {
        x = {0.0, 0.0, 0.0};
        return;
    }
    x[0] = Det3(rhs, c2, c3) / d;
    x[1] = Det3(c1, rhs, c3) / d;
    x[2] = Det3(c1, c2, rhs) / d;
}

// ---- cubic through four points ------------------------------------------------------------

void CurveState::FitCubicThrough4Points(const tpunkt& p0, const tpunkt& p1, const tpunkt& p2, const tpunkt& p3,
                                        int index, double step) {
    if (index < 0 || index > 3) throw CoreError::range("fit parameter index out of range");
    FitPoints = {p0, p1, p2, p3};
    double d1 = Distance3D(p0, p1), d2 = Distance3D(p1, p2), d3 = Distance3D(p2, p3);
    double len = d1 + d2 + d3;
    CoefX = CoefY = CoefZ = {};
    if (len > 0.0 && std::isfinite(len)) {
        FitParams = {0.0, d1 / len, (d1 + d2) / len, 1.0};
        Triple c1, c2, c3;
        for (int i = 0; i < 3; ++i) {
            double t = FitParams[i + 1];
            c1[i] = t * t * t;
            c2[i] = t * t;
            c3[i] = t;
        }
        Triple rx = {p1.X - p0.X, p2.X - p0.X, p3.X - p0.X};
        Triple ry = {p1.Y - p0.Y, p2.Y - p0.Y, p3.Y - p0.Y};
        Triple x;
        SolveCramer3(c1, c2, c3, x, rx);
        CoefX = {x[0], x[1], x[2]};
        SolveCramer3(c1, c2, c3, x, ry);
        CoefY = {x[0], x[1], x[2]};
    } else {
        // Coincident points: no chord to measure, the cubic collapses to its first point.
        FitParams = {0.0, 0.0, 0.0, 1.0};
    }
    Origin = p0;
    EndPoint = p3;
    T = FitParams[index];
    Step = step;
}

tpunkt CurveState::CubicAt(double t) const {
    return {Poly(CoefX, t, Origin.X), Poly(CoefY, t, Origin.Y), Poly(CoefZ, t, Origin.Z)};
}

bool CurveState::NextCubicPoint(tpunkt& point, int index) {
    if (index < 0 || index > 3) throw CoreError::range("fit parameter index out of range");
    T += Step;
    if (!(T <= FitParams[index])) return false;  // also ends a walk with a broken step
    point = CubicAt(T);
    return true;
}

// ---- n-degree Bezier ----------------------------------------------------------------------

void CurveState::InitBernsteinCurve(int n, double step) {
    if (n < 0 || n > kMaxBernsteinDegree) throw CoreError::range("Bezier degree out of range: " + std::to_string(n));
    Degree = n;
    Step = step;
    T = 0.0;
}

bool CurveState::NextBernsteinPoint(tpunkt& point, const std::vector<tpunkt>& controlPoints, std::size_t first) {
    T += Step;
    if (!(T < 1.0) || !(Step > 0.0)) return false;
    if (first + static_cast<std::size_t>(Degree) >= controlPoints.size())
        throw CoreError::range("Bezier control point index out of range");
    double x = 0.0, y = 0.0;
    for (int i = 0; i <= Degree; ++i) {
        double b = Binomial(Degree, i) * std::pow(T, i) * std::pow(1.0 - T, Degree - i);
        x += controlPoints[first + i].X * b;
        y += controlPoints[first + i].Y * b;
    }
    point.X = x;
    point.Y = y;
    return true;
}

// ---- B-spline -------------------------------------------------------------------------------

void CurveState::InitBSpline(int degree, int n, const std::vector<double>& knots, double step) {
    if (degree < 1 || n < degree)
        throw CoreError::range("B-spline of degree " + std::to_string(degree) + " with " + std::to_string(n + 1) +
                               " control points");
    std::int64_t k = std::int64_t{degree} + 1;
    std::int64_t needed = std::int64_t{n} + k + 1;
    if (needed > kMaxKnots)
        throw CoreError::range("B-spline needs " + std::to_string(needed) + " knots, at most " +
                               std::to_string(kMaxKnots));
    if (static_cast<std::int64_t>(knots.size()) < needed)
        throw CoreError::range("B-spline needs " + std::to_string(needed) + " knots, " + std::to_string(knots.size()) +
                               " given");
    for (std::int64_t i = 0; i < needed; ++i) {
        if (!std::isfinite(knots[i]) || (i > 0 && knots[i] < knots[i - 1]))
            throw CoreError::range("B-spline knots are not ascending");
    }
    if (!(step > 0.0)) throw CoreError::range("B-spline step must be positive");
    std::int32_t count = RoundTo<std::int32_t>(1.0 / step, "B-spline step count");
    if (count < 1) throw CoreError::range("B-spline step count out of range");
    LastIndex = n;
    Order = static_cast<std::int32_t>(k);
    for (std::int64_t i = 0; i < needed; ++i) Knots[i] = knots[i];
    T = Knots[k - 1];
    Step = (Knots[n + 1] - Knots[k - 1]) / count;
    bsplineStepsLeft_ = count;
}

double CurveState::BSplineBasis(int i, int k, double t) const {
    if (i < 0 || k < 1 || std::int64_t{i} + k >= kMaxKnots) throw CoreError::range("B-spline basis index out of range");
    // Bottom-up Cox-de Boor: row j holds N(i + m, j, t) for m = 0 .. k - j.
    basis_.assign(static_cast<std::size_t>(k), 0.0);
    for (int m = 0; m < k; ++m) {
        int a = i + m;
        basis_[m] = (Knots[a] <= t && t < Knots[a + 1]) ? 1.0 : 0.0;
    }
    for (int j = 2; j <= k; ++j) {
        for (int m = 0; m + j <= k; ++m) {
            int a = i + m;
            double left = 0.0, right = 0.0;
            double nl = basis_[m], nr = basis_[m + 1];
            if (t - Knots[a] != 0.0 && nl != 0.0) left = (t - Knots[a]) / (Knots[a + j - 1] - Knots[a]) * nl;
            if (Knots[a + j] - t != 0.0 && nr != 0.0) right = (Knots[a + j] - t) / (Knots[a + j] - Knots[a + 1]) * nr;
            basis_[m] = left + right;
        }
    }
    return basis_[0];
}

bool CurveState::NextBSplinePoint(tpunkt& point, const std::vector<tpunkt>& controlPoints) {
    if (!(T < Knots[LastIndex + 1]) || bsplineStepsLeft_ <= 0) return false;
    if (controlPoints.size() <= static_cast<std::size_t>(LastIndex))
        throw CoreError::range("B-spline control point index out of range");
    // Only the k basis functions over the knot span that holds T can differ from 0; they are
    // computed bottom-up with the same formula as BSplineBasis, the others are exactly 0.
    const int k = Order;
    const double* first = Knots.data() + (k - 1);
    const double* last = Knots.data() + LastIndex + 2;
    int span = static_cast<int>(std::upper_bound(first, last, T) - Knots.data()) - 1;
    basis_.assign(static_cast<std::size_t>(k) + 1, 0.0);
    const int base = span - k + 1;  // basis_[m] holds N(base + m, j, T)
    basis_[k - 1] = 1.0;
    for (int j = 2; j <= k; ++j) {
        for (int m = k - j; m < k; ++m) {
            int a = base + m;
            double left = 0.0, right = 0.0;
            double nl = basis_[m], nr = basis_[m + 1];
            if (nl != 0.0 && T - Knots[a] != 0.0) left = (T - Knots[a]) / (Knots[a + j - 1] - Knots[a]) * nl;
            if (nr != 0.0 && Knots[a + j] - T != 0.0) right = (Knots[a + j] - T) / (Knots[a + j] - Knots[a + 1]) * nr;
            basis_[m] = left + right;
        }
    }
    double x = 0.0, y = 0.0;
    for (int m = 0; m < k; ++m) {
        double b = basis_[m];
        if (b == 0.0) continue;
        x += controlPoints[base + m].X * b;
        y += controlPoints[base + m].Y * b;
    }
    point.X = x;
    point.Y = y;
    T += Step;
    --bsplineStepsLeft_;
    return true;
}

// ---- cubic Bezier segments ----------------------------------------------------------------

void CurveState::SetBezierCubic(const tpunkt& p0, const tpunkt& p1, const tpunkt& p2, const tpunkt& p3, double step) {
    auto axis = [](double q0, double q1, double q2, double q3) {
        CubicCoefficients k;
        k.c = 3.0 * (q1 - q0);
        k.b = 3.0 * (q2 - q1) - k.c;
        k.a = q3 - q0 - k.c - k.b;
        return k;
    };
    CoefX = axis(p0.X, p1.X, p2.X, p3.X);
    CoefY = axis(p0.Y, p1.Y, p2.Y, p3.Y);
    CoefZ = axis(p0.Z, p1.Z, p2.Z, p3.Z);
    Origin = p0;
    EndPoint = p3;
    Step = step;
    T = 0.0;
}

void CurveState::CubicToBezier(BezierSegmentRecord& segment) const {
    segment.P0 = Origin;
    segment.P1 = {Origin.X + CoefX.c / 3.0, Origin.Y + CoefY.c / 3.0, Origin.Z + CoefZ.c / 3.0};
    segment.P2 = {segment.P1.X + (CoefX.b + CoefX.c) / 3.0, segment.P1.Y + (CoefY.b + CoefY.c) / 3.0,
                  segment.P1.Z + (CoefZ.b + CoefZ.c) / 3.0};
    segment.P3 = EndPoint;
}

bool CurveState::CubicPointAt(tpunkt& point, double t) const {
    point = CubicAt(t);
    if (std::fabs(point.X - EndPoint.X) < 0.01 && std::fabs(point.Y - EndPoint.Y) < 0.01) return false;
    return t < 1.0;
}

double CurveState::DistanceToCubic(const tpunkt& p, const BezierSegmentRecord& segment) {
    SetBezierCubic(segment.P0, segment.P1, segment.P2, segment.P3, 0.01);
    auto sq = [&](double t) {
        tpunkt q = CubicAt(t);
        double dx = q.X - p.X, dy = q.Y - p.Y;
        return dx * dx + dy * dy;
    };
    double t = 0.5, h = 0.25, best = 2147483647.0, change = 0.0;
    do {
        double dPlus = sq(t + h), dMinus = sq(t - h);
        if (dPlus <= dMinus) {
            t += h;
            change = std::fabs(best - dPlus);
            best = dPlus;
        } else {
            t -= h;
            change = std::fabs(best - dMinus);
            best = dMinus;
        }
        h /= 2.0;
    } while (!(change < 0.000001 || h < 0.000000001));
    return std::sqrt(best);
}

double CurveState::CubicLength(const BezierSegmentRecord& segment) {
    SetBezierCubic(segment.P0, segment.P1, segment.P2, segment.P3, Step);
    double len = Distance3D(segment.P0, segment.P3);
    if (len == 0.0 || !std::isfinite(len)) return len == 0.0 ? 0.0 : len;
    double previous;
    do {
        previous = len;
        double h = 1.0 / previous;
        len = 0.0;
        tpunkt last = segment.P0;
        // The walk counts samples so that the parameter never drifts from accumulated rounding.
        double samples = std::floor(1.0 / h);
        if (samples > 1e8) return previous;  // a curve this long is measured well enough
        for (double s = 0.0; s <= samples; s += 1.0) {
            double t = s * h;
            if (t > 1.0) break;
            tpunkt q = CubicAt(t);
            len += Distance3D(last, q);
            last = q;
        }
    } while (len > previous);
    return previous;
}

}  // namespace vellisk
