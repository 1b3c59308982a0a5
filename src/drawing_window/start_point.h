#pragma once
// The start point of a figure, chosen by the operator by dragging it along the outline: a
// closed figure starts at the chosen vertex (its point lists turned round), an open figure at
// either of its ends (the figure reversed). The chosen point is kept with the figure so that
// the tool also enters there after the paths are built again (tool offset, polishing pass).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/figure.h"
#include "model/geometry_types.h"

namespace vellisk {

// Index of the vertex nearest to p with distances rounded to whole drawing units; the first
// of equals wins. -1 for an empty list.
std::int32_t NearestVertexRounded(const std::vector<tpunkt>& list, const tpunkt& p);

// Turns a closed list (its last point repeating the first) round so that vertex k comes first,
// the last point again a copy of the first. A closed list whose ends are only near each other
// keeps every vertex and gets a copy of its new first point at the end.
void StartListAt(std::vector<tpunkt>& list, std::size_t k);
void StartListAt(std::vector<PlanPoint>& list, std::size_t k);

// Reverses an open figure's contour, cutting path and polishing path; StartIndex becomes
// (n - 1) minus the lowest point of the reversed contour. Fewer than 2 points: unchanged.
void ReverseOpenFigure(tfigura& figure);

// The drag of a figure's start point to the drawing point p. Closed figure: the cutting-path
// vertex nearest to p becomes the kept start, and every list starts at its vertex nearest to
// it. Open figure: reversed when p is nearest the cutting path's last point. Returns whether
// the figure changed.
bool DragStartPoint(tfigura& figure, const tpunkt& p);

// After the paths were built again: each list of a closed figure with a kept start begins at
// its vertex nearest to that point.
void KeepChosenStart(tfigura& figure);

}  // namespace vellisk
