#pragma once
// Moving a closed contour sideways by the tool radius: the path of the tool's centre, with the
// corners joined by crossing points, arcs or bisector points and the loops cut out that a radius
// larger than the local feature size leaves on the path.
#include <cstdint>
#include <functional>

#include "model/figure.h"

namespace vellisk {

struct OffsetOptions {
    std::int32_t radius = 0;  // drawing units, already rounded by the caller
    bool negative = false;    // `negatyw`: cut the negative (swaps inside and outside)
    // Runs the loop search over every path vertex even when no vertex is flagged (the result
    // is the same; for checking the shortcut).
    bool alwaysSearch = false;
};

// Rebuilds figure.CutPath from figure.Contour (closed figures only; an open figure is left
// untouched). Contour is thinned in place: points closer than 3 units to their predecessor go.
void OffsetContour(tfigura& figure, const OffsetOptions& options);

// Side of the path: +1 left of the direction of travel, -1 right.
int OffsetSide(const tfigura& figure, bool negative);

}  // namespace vellisk
