#include "drawing_window/bezier_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/geometry.h"
#include "model/numeric.h"
#include "settings/settings.h"

namespace vellisk {

namespace {

constexpr double kCornerCos = 0.87;  // a vertex bends less than about 30 degrees
constexpr double kLegRatio = 3.0;    // neighbouring legs may differ up to this factor
constexpr double kRunToleranceMm = 0.05;

// The point may stay inside a run: a gentle bend between legs of similar length. The length
// ratios are only looked at after the angle (a zero leg gives the angle test's -1 first).
bool SmoothVertex(const tpunkt& a, const tpunkt& b, const tpunkt& c) {
    if (!(VertexAngleCos(a, b, c) > kCornerCos)) return false;
    const double ab = Distance2D(a, b), bc = Distance2D(b, c);
    return ab / bc < kLegRatio && bc / ab < kLegRatio;
}

tpunkt Flat(const tpunkt& p) { return {p.X, p.Y, 0.0}; }

// Least-squares cubic through the run's points with fixed ends: the points get chord-length
// parameters, the two control points solve the normal equations, and each parameter is then
// moved to the foot of its point on the curve (Newton steps) before fitting again. Returns the
// largest distance of an inner point from the curve at its parameter (a bound of its distance
// from the curve).
double FitCubic(const std::vector<tpunkt>& path, std::size_t s, std::size_t q, BezierSegmentRecord& seg) {
    const std::size_t m = q - s + 1;
    std::vector<double> t(m, 0.0);
    for (std::size_t k = 1; k < m; ++k) t[k] = t[k - 1] + Distance2D(path[s + k - 1], path[s + k]);
    const double total = t[m - 1];
    const tpunkt a = seg.P0, b = seg.P3;
    // A run that does not move: the control points at the thirds of the chord.
    seg.P1 = {a.X + (b.X - a.X) / 3.0, a.Y + (b.Y - a.Y) / 3.0, 0.0};
    seg.P2 = {a.X + 2.0 * (b.X - a.X) / 3.0, a.Y + 2.0 * (b.Y - a.Y) / 3.0, 0.0};
    if (!(total > 0.0)) return 0.0;
    for (double& v : t) v /= total;
    t[m - 1] = 1.0;

    auto at = [&](double u, double& x, double& y, double& dx, double& dy, double& ddx, double& ddy) {
        const double v = 1.0 - u;
        x = v * v * v * a.X + 3 * v * v * u * seg.P1.X + 3 * v * u * u * seg.P2.X + u * u * u * b.X;
        y = v * v * v * a.Y + 3 * v * v * u * seg.P1.Y + 3 * v * u * u * seg.P2.Y + u * u * u * b.Y;
        dx = 3 * v * v * (seg.P1.X - a.X) + 6 * v * u * (seg.P2.X - seg.P1.X) + 3 * u * u * (b.X - seg.P2.X);
        dy = 3 * v * v * (seg.P1.Y - a.Y) + 6 * v * u * (seg.P2.Y - seg.P1.Y) + 3 * u * u * (b.Y - seg.P2.Y);
        ddx = 6 * v * (seg.P2.X - 2 * seg.P1.X + a.X) + 6 * u * (b.X - 2 * seg.P2.X + seg.P1.X);
        ddy = 6 * v * (seg.P2.Y - 2 * seg.P1.Y + a.Y) + 6 * u * (b.Y - 2 * seg.P2.Y + seg.P1.Y);
    };
    double deviation = 0.0;
    constexpr int kRounds = 4;
    for (int round = 0; round < kRounds; ++round) {
        double c11 = 0, c12 = 0, c22 = 0, rx1 = 0, rx2 = 0, ry1 = 0, ry2 = 0;
        for (std::size_t k = 0; k < m; ++k) {
            const double u = t[k], v = 1.0 - u;
            const double b0 = v * v * v, b1 = 3 * v * v * u, b2 = 3 * v * u * u, b3 = u * u * u;
            const double ex = path[s + k].X - b0 * a.X - b3 * b.X;
            const double ey = path[s + k].Y - b0 * a.Y - b3 * b.Y;
            c11 += b1 * b1;
            c12 += b1 * b2;
            c22 += b2 * b2;
            rx1 += b1 * ex;
            rx2 += b2 * ex;
            ry1 += b1 * ey;
            ry2 += b2 * ey;
        }
        const double det = c11 * c22 - c12 * c12;
        if (!(std::fabs(det) > 1e-12 * (c11 * c22 + 1e-300))) break;
        seg.P1 = {(rx1 * c22 - rx2 * c12) / det, (ry1 * c22 - ry2 * c12) / det, 0.0};
        seg.P2 = {(c11 * rx2 - c12 * rx1) / det, (c11 * ry2 - c12 * ry1) / det, 0.0};
        deviation = 0.0;
        for (std::size_t k = 1; k + 1 < m; ++k) {
            double x, y, dx, dy, ddx, ddy;
            at(t[k], x, y, dx, dy, ddx, ddy);
            const double px = path[s + k].X, py = path[s + k].Y;
            if (round + 1 < kRounds) {
                const double num = (x - px) * dx + (y - py) * dy;
                const double den = dx * dx + dy * dy + (x - px) * ddx + (y - py) * ddy;
                if (den > 0.0) t[k] = std::clamp(t[k] - num / den, 0.0, 1.0);
                at(t[k], x, y, dx, dy, ddx, ddy);
            }
            deviation = std::max(deviation, std::hypot(x - px, y - py));
        }
    }
    return deviation;
}

}  // namespace

tpunkt MoveControlPoint(const tpunkt& p, double angle, double step) {
    return {p.X + step * std::cos(angle), p.Y + step * std::sin(angle), p.Z};
}

double BezierMaxDeviation(const BezierSegmentRecord& segment, const std::vector<tpunkt>& path, std::size_t s,
                          std::size_t q) {
    CurveState curve;
    double worst = 0.0;
    for (std::size_t k = s + 1; k < q; ++k) worst = std::max(worst, curve.DistanceToCubic(Flat(path[k]), segment));
    return worst;
}

double PrzyblizSegment(const std::vector<tpunkt>& path, std::size_t s, std::size_t q, BezierSegmentRecord& segment) {
    segment = BezierSegmentRecord{};
    const tpunkt a = Flat(path[s]), b = Flat(path[q]);
    segment.P0 = a;
    segment.P3 = b;
    if (q - s == 1) {
        segment.P1 = {a.X + (b.X - a.X) / 3.0, a.Y + (b.Y - a.Y) / 3.0, 0.0};
        segment.P2 = {a.X + 2.0 * (b.X - a.X) / 3.0, a.Y + 2.0 * (b.Y - a.Y) / 3.0, 0.0};
        segment.Straight = true;
        return 0.0;
    }
    if (q - s == 2) {
        segment.P1 = segment.P2 = Flat(path[s + 1]);
        return 0.0;
    }
    return FitCubic(path, s, q, segment);
}

void PrzyblizFigure(tfigura& figure, ProjectKind kind) {
    // An offset path's plan points are read as 3-D points from a room each thread keeps.
    thread_local std::vector<tpunkt> room;
    LargeRoomGiveBack giveBack(room);
    const std::vector<tpunkt>& path = CuttingPath(figure, room);
    const std::size_t n = path.size();
    if (n < 2) return;
    const double runTolerance = MmToUnits(kind, kRunToleranceMm);
    BezierSegmentRecord fitted;
    // The run from s grows point by point while the vertex it reaches is smooth and the fit
    // stays within the tolerance. The run end is found by doubling and then halving the run
    // instead of refitting at every point: a longer run of a smooth stretch never fits better
    // than a shorter one, so this gives the same runs at a fraction of the fits.
    std::size_t s = 0;
    while (s + 1 < n) {
        // The first vertex from s + 1 on where the run must end whatever the fit: a corner, a
        // leg-ratio break, or the last point.
        std::size_t c = s + 1;
        while (c < n - 1 && SmoothVertex(path[c - 1], path[c], path[c + 1])) ++c;
        // Runs of up to three points always fit; look for the first longer one that does not.
        std::size_t pass = s + 2 < c ? s + 2 : c - 1;
        std::size_t fail = 0;
        BezierSegmentRecord passFit;
        bool passFitted = false;
        std::size_t step = 1;
        while (pass + 1 <= c - 1 && pass + 1 > s + 2) {
            std::size_t t = std::min(pass + step, c - 1);
            BezierSegmentRecord trial;
            if (PrzyblizSegment(path, s, t, trial) <= runTolerance) {
                pass = t;
                passFit = trial;
                passFitted = true;
                if (t == c - 1) break;
                step *= 2;
            } else {
                fail = t;
                break;
            }
        }
        if (fail != 0) {
            while (fail - pass > 1) {
                const std::size_t mid = pass + (fail - pass) / 2;
                BezierSegmentRecord trial;
                if (PrzyblizSegment(path, s, mid, trial) <= runTolerance) {
                    pass = mid;
                    passFit = trial;
                    passFitted = true;
                } else {
                    fail = mid;
                }
            }
            // The run ends before the point that spoilt the fit; the path goes on smoothly.
            if (!passFitted) PrzyblizSegment(path, s, pass, passFit);
            fitted = passFit;
            fitted.SmoothJoin = true;
            figure.BezierSegments.push_back(fitted);
            s = pass;
            continue;
        }
        PrzyblizSegment(path, s, c, fitted);
        if (c >= n - 1) {
            // The last run: smooth when the path closes without a corner.
            fitted.SmoothJoin = n > 2 && VertexAngleCos(path[c - 1], path[0], path[1]) > kCornerCos;
        } else if (!(VertexAngleCos(path[c - 1], path[c], path[c + 1]) > kCornerCos)) {
            fitted.SmoothJoin = false;
        } else {
            fitted.SmoothJoin = true;
            fitted.RatioBreak = true;
        }
        figure.BezierSegments.push_back(fitted);
        s = c;
    }
}

void Wygladz(tfigura& figure) {
    auto& segs = figure.BezierSegments;
    const std::size_t count = segs.size();
    if (count == 0) return;
    constexpr double pi = std::numbers::pi;
    for (std::size_t i = 0; i <= count; ++i) {
        BezierSegmentRecord& A = segs[i % count];
        BezierSegmentRecord& B = segs[(i + 1) % count];
        if (!A.SmoothJoin || !(VertexAngleCos(A.P2, B.P0, B.P1) > kCornerCos)) continue;
        if (A.Straight && !B.Straight) {
            B.P1 = MoveControlPoint(B.P0, SegmentAngle(A.P2, A.P3), Distance2D(B.P0, B.P1));
        } else if (!A.Straight && B.Straight) {
            A.P2 = MoveControlPoint(A.P3, SegmentAngle(B.P1, B.P0), Distance2D(A.P3, A.P2));
        } else if (!A.Straight && !B.Straight) {
            double c = SegmentAngle(A.P2, A.P3);
            double d = SegmentAngle(B.P0, B.P1);
            if (c >= 3.0 * pi / 2.0 && d < pi / 2.0) c -= 2.0 * pi;
            if (c < pi / 2.0 && d >= 3.0 * pi / 2.0) d -= 2.0 * pi;
            const double m = (c + d) / 2.0;
            A.P2 = MoveControlPoint(A.P3, m + pi, Distance2D(A.P3, A.P2));
            B.P1 = MoveControlPoint(B.P0, m, Distance2D(B.P0, B.P1));
        }
    }
}

void DobierzU(tfigura& figure, double maxChord) {
    CurveState curve;
    constexpr double kSmallestStep = 1e-9;  // bounds the search on a damaged segment
    for (BezierSegmentRecord& seg : figure.BezierSegments) {
        double step = 0.1;
        if (maxChord > 0.0 && std::isfinite(maxChord)) {
            curve.SetBezierCubic(seg.P0, seg.P1, seg.P2, seg.P3, step);
            double t = 0.0;
            tpunkt previous = seg.P0;
            do {
                tpunkt p;
                curve.CubicPointAt(p, t);
                if (Distance3D(previous, p) > maxChord && step > kSmallestStep) {
                    step *= 0.9;
                    t = step;
                    previous = seg.P0;
                } else {
                    t += step;
                    previous = p;
                }
            } while (t < 1.0);
        }
        seg.ParameterStep = static_cast<float>(step);
        seg.Length = curve.CubicLength(seg);
    }
}

void UtworzSpiraleBezier(tfigura& figure, const Settings& settings, const BezierMachine& machine, double depthMm) {
    figure.RampedBezierPath.clear();
    const double top = settings.Number(setting::MaterialThickness) + settings.Number(setting::AboveTable);
    double depth = top - depthMm;
    const double pitch = settings.Number(setting::SpiralPitch);
    double h = pitch >= 100.0 ? depth : top;
    const bool reversedLaser = machine.Laser && machine.ZReversed;
    if (reversedLaser) {
        // The same height as the straight moves of this machine are sent at.
        h = depth = RoundHalfEven(MmToUnits(machine.kind, -settings.Number(setting::MaterialThickness)));
    }
    figure.CutLength = figure.PolishLength = figure.ExtraLength = 0.0;
    const auto& segs = figure.BezierSegments;
    if (figure.Open || segs.empty()) return;
    auto units = [&](double mm) { return reversedLaser ? mm : MmToUnits(machine.kind, mm); };

    std::size_t i = 0;
    if (!machine.Laser) {
        // A ramp that cannot descend (no pitch, or a path without length) goes down at once.
        if (!(pitch > 0.0) || !(figure.PathLength > 0.0)) h = std::min(h, depth);
        const double start = h;
        double travelled = 0.0;
        while (h > depth) {
            BezierSegmentRecord copy = segs[i];
            copy.P0.Z = units(h);
            travelled += copy.Length;
            h = std::max(start - pitch * travelled / figure.PathLength, depth);
            copy.P3.Z = units(h);
            copy.P1.Z = copy.P2.Z = (copy.P0.Z + copy.P3.Z) / 2.0;
            figure.RampedBezierPath.push_back(copy);
            i = (i + 1) % segs.size();
        }
    }
    for (std::size_t k = 0; k < segs.size(); ++k) {
        BezierSegmentRecord copy = segs[(i + k) % segs.size()];
        copy.P0.Z = copy.P1.Z = copy.P2.Z = copy.P3.Z = units(h);
        figure.RampedBezierPath.push_back(copy);
    }
}

void PrzyblizBezier(std::span<tfigura* const> figures, const Settings& settings, const BezierMachine& machine,
                    const BezierHooks& hooks) {
    for (tfigura* f : figures) f->BezierSegments.clear();
    const double chord =
        machine.StepsX > 0.0 ? MmToUnits(machine.kind, 0.01 / machine.StepsX) : std::numeric_limits<double>::infinity();
    const bool layered = settings.Choice(setting::ProjectType) == 1;
    for (tfigura* f : figures) {
        PrzyblizFigure(*f, machine.kind);
        Wygladz(*f);
        DobierzU(*f, chord);
        if (hooks.FigureDone) hooks.FigureDone();
        double length = 0.0;
        for (const BezierSegmentRecord& seg : f->BezierSegments) length += seg.Length;
        f->PathLength = length;
        const double depth =
            layered && hooks.LayerDepth ? hooks.LayerDepth(f->Layer) : settings.Number(setting::MillingDepth);
        UtworzSpiraleBezier(*f, settings, machine, depth);
    }
}

}  // namespace vellisk
