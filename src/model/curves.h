#pragma once
// Curves turned into points and measured: the cubic through four points used for fitted
// polylines, n-degree Bezier curves and B-splines used for drawing splines, and the cubic Bezier
// segments of smoothed tool paths (point at a parameter, distance of a point, length).
// One CurveState holds the current curve; its operations work on it one curve at a time.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/figure.h"
#include "model/geometry_types.h"

namespace vellisk {

// Polynomial coefficients of one axis: a t^3 + b t^2 + c t (the constant term is the origin).
struct CubicCoefficients {
    double a = 0.0;
    double b = 0.0;
    double c = 0.0;
};

using Triple = std::array<double, 3>;

// Determinant of the 3 x 3 matrix with the given columns.
double Det3(const Triple& c1, const Triple& c2, const Triple& c3);
// Solution of the system with columns c1, c2, c3 and right-hand side rhs by Cramer's rule;
// (0, 0, 0) when the determinant is exactly 0.
void SolveCramer3(const Triple& c1, const Triple& c2, const Triple& c3, Triple& x, const Triple& rhs);

// Binomial coefficient n over k (n up to 12); defined with the plane geometry helpers.
double Binomial(std::int32_t n, std::int32_t k);

class CurveState {
public:
    static constexpr int kMaxKnots = 501;
    static constexpr int kMaxBernsteinDegree = 12;

    std::int32_t Degree = 0;
    CubicCoefficients CoefX, CoefY, CoefZ;
    double T = 0.0;
    double Step = 0.0;
    std::array<tpunkt, 4> FitPoints{};
    std::array<double, 4> FitParams{};
    tpunkt Origin;
    tpunkt EndPoint;
    std::int32_t LastIndex = 0;
    std::int32_t Order = 0;
    std::array<double, kMaxKnots> Knots{};

    // Cubic through four points, walked from FitParams[index] on in steps of `step`.
    void FitCubicThrough4Points(const tpunkt& p0, const tpunkt& p1, const tpunkt& p2, const tpunkt& p3, int index,
                                double step);
    // Next point of the fitted cubic; false once the parameter passes FitParams[index].
    bool NextCubicPoint(tpunkt& point, int index);

    // Bezier curve of degree n (0..12) over n + 1 control points, t = step, 2 step, ... below 1.
    void InitBernsteinCurve(int n, double step);
    // Next point over controlPoints[first .. first + Degree]; X and Y only, Z left as given.
    bool NextBernsteinPoint(tpunkt& point, const std::vector<tpunkt>& controlPoints, std::size_t first);

    // B-spline of the given degree over control points 0..n with knots 0..n + degree + 1; the
    // valid span is walked in round(1 / step) equal steps. Throws CoreError(Range) when the
    // degree, the counts or the knot vector cannot make a curve.
    void InitBSpline(int degree, int n, const std::vector<double>& knots, double step);
    // Next point of the B-spline (X and Y; Z left as given); false at the end of the span.
    bool NextBSplinePoint(tpunkt& point, const std::vector<tpunkt>& controlPoints);
    // Cox-de Boor basis N(i, k, t) over the current knots.
    double BSplineBasis(int i, int k, double t) const;

    // Cubic Bezier segment in polynomial form.
    void SetBezierCubic(const tpunkt& p0, const tpunkt& p1, const tpunkt& p2, const tpunkt& p3, double step);
    // Control points of the current cubic.
    void CubicToBezier(BezierSegmentRecord& segment) const;
    // Point at t; false when it lies within 0.01 of the end point in X and Y, or when t >= 1.
    bool CubicPointAt(tpunkt& point, double t) const;
    // Plane distance of p from the segment's curve (search by halving the parameter step).
    double DistanceToCubic(const tpunkt& p, const BezierSegmentRecord& segment);
    // Length of the segment's curve by refining a polyline until it stops growing.
    double CubicLength(const BezierSegmentRecord& segment);

private:
    tpunkt CubicAt(double t) const;
    std::int64_t bsplineStepsLeft_ = 0;  // guards the walk against a step lost in rounding
    mutable std::vector<double> basis_;  // scratch table of the basis functions
};

}  // namespace vellisk
