#pragma once
// Smoothing of tool paths for controllers that take curved moves (firmware 550 and later):
// every cutting path is split at its corners into runs of points, each run becomes one cubic
// Bezier segment within 0.05 mm of its points, the tangents at smooth joins are lined up, each
// segment gets the parameter step that keeps every chord of the sent curve within one motor
// step, and a descending copy (the ramped plunge, then a full lap at depth) is built for the
// job writer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "model/curves.h"
#include "model/figure.h"
#include "model/geometry_types.h"

namespace vellisk {

class Settings;

// The machine's values the smoothing reads, taken at the moment of the run.
struct BezierMachine {
    ProjectKind kind = KindHpgl;
    double StepsX = 1.0;  // motor steps per 0.01 mm
    bool Laser = false;
    bool ZReversed = false;
};

struct BezierHooks {
    // Depth in mm of a layer of a multi-layer project; a missing hook means the `Glebokosc` depth.
    std::function<double(std::int32_t layer)> LayerDepth;
    // Called after each figure (the window repaints).
    std::function<void()> FigureDone;
};

// The whole smoothing of every figure: segments, aligned tangents, parameter steps, lengths and
// the ramped copy.
void PrzyblizBezier(std::span<tfigura* const> figures, const Settings& settings, const BezierMachine& machine,
                    const BezierHooks& hooks = {});

// Splits the figure's cutting path into runs and appends one segment per run to BezierSegments.
void PrzyblizFigure(tfigura& figure, ProjectKind kind);

// Fits one cubic to path points s..q (ends fixed, heights 0) and returns a bound of the largest
// distance of an inner point from it: two points give a straight segment with its control
// points at the thirds, three points a segment with both control points on the middle one (0),
// longer runs a least-squares fit.
double PrzyblizSegment(const std::vector<tpunkt>& path, std::size_t s, std::size_t q, BezierSegmentRecord& segment);

// Largest distance of a path point strictly between s and q from the segment's curve.
double BezierMaxDeviation(const BezierSegmentRecord& segment, const std::vector<tpunkt>& path, std::size_t s,
                          std::size_t q);

// The point moved by `step` in the direction `angle` (radians).
tpunkt MoveControlPoint(const tpunkt& p, double angle, double step);

// Lines up the tangents at the smooth joins, the last segment paired with the first.
void Wygladz(tfigura& figure);

// Chooses every segment's parameter step (no chord longer than `maxChord` drawing units) and its
// length.
void DobierzU(tfigura& figure, double maxChord);

// Builds RampedBezierPath of a closed figure with segments; zeroes the figure's cut, polish and
// extra lengths. `depthMm` is the cutting depth setting (or the figure's layer depth).
void UtworzSpiraleBezier(tfigura& figure, const Settings& settings, const BezierMachine& machine, double depthMm);

}  // namespace vellisk
