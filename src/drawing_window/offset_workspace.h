#pragma once
// The working buffers of one contour offset, kept from figure to figure (and one set for each
// thread that offsets), so that preparing a drawing of many small figures does not allocate for
// each of them: the path being built, the arc and index lists, the run boxes over the contour
// and a dense grid of the path's segments for the crossing search of long paths.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "drawing_window/run_boxes.h"
#include "model/geometry_types.h"

namespace vellisk {

// A uniform grid of ids by bounding box over a known extent, held in one array (the offset
// queries it for every path vertex, where the drawing-wide BoxGrid's hashed cells cost about a
// third more time). Entries are only ever added: a caller that moves a segment adds it again
// and checks the real geometry of every candidate. Boxes outside the grid are clamped to its
// border cells, for entries and queries alike. One grid serves figure after figure.
class DenseBoxGrid {
public:
    void Init(double minX, double minY, double maxX, double maxY, std::size_t items) {
        x0_ = minX;
        y0_ = minY;
        const double w = std::max(maxX - minX, 1.0), h = std::max(maxY - minY, 1.0);
        cell_ = std::max(std::sqrt(w * h / (4.0 * static_cast<double>(std::max<std::size_t>(items, 1)))), 1.0);
        nx_ = std::clamp(static_cast<int>(w / cell_) + 1, 1, 1024);
        ny_ = std::clamp(static_cast<int>(h / cell_) + 1, 1, 1024);
        cell_ = std::max(w / (nx_ - 0.5), h / (ny_ - 0.5));
        // The cells keep their room from the last figure: only their contents go.
        const std::size_t count = static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_);
        if (cells_.size() < count) cells_.resize(count);
        for (std::size_t k = 0; k < count; ++k) cells_[k].clear();
    }
    void Insert(int id, double minX, double minY, double maxX, double maxY) {
        Visit(minX, minY, maxX, maxY, [&](std::vector<int>& c) { c.push_back(id); });
    }
    // Calls f(id) for every id in the cells the box touches (an id may come more than once).
    template <class F>
    void Query(double minX, double minY, double maxX, double maxY, F f) const {
        const_cast<DenseBoxGrid*>(this)->Visit(minX, minY, maxX, maxY, [&](std::vector<int>& c) {
            for (int id : c) f(id);
        });
    }

private:
    int Col(double x) const {
        const double c = std::floor((x - x0_) / cell_);
        return static_cast<int>(std::clamp(c, 0.0, static_cast<double>(nx_ - 1)));
    }
    int Row(double y) const {
        const double c = std::floor((y - y0_) / cell_);
        return static_cast<int>(std::clamp(c, 0.0, static_cast<double>(ny_ - 1)));
    }
    template <class F>
    void Visit(double minX, double minY, double maxX, double maxY, F f) {
        if (!(minX <= maxX) || !(minY <= maxY)) return;
        const int c0 = Col(minX), c1 = Col(maxX), r0 = Row(minY), r1 = Row(maxY);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) f(cells_[static_cast<std::size_t>(r) * nx_ + c]);
    }
    double x0_ = 0, y0_ = 0, cell_ = 1;
    int nx_ = 1, ny_ = 1;
    std::vector<std::vector<int>> cells_;
};

// Buffers of one offset, kept from figure to figure so that preparing a drawing of many small
// figures does not allocate for each of them.
struct OffsetWorkspace {
    std::vector<tpunkt> path;
    std::vector<int> arcs;
    std::vector<int> newIndex;
    std::vector<char> onArc;
    struct Box {
        double minX, maxX, minY, maxY;
        int segment;
    };
    std::vector<Box> boxes;
    RunBoxes contourSegs;   // contour segments as the proximity test visits them
    RunBoxes contourVerts;  // contour vertices 0 .. n - 2
    DenseBoxGrid pathSegs;  // path segments, for the crossing search of long paths
    std::vector<int> mark;  // path segments already measured in one crossing search
};

inline OffsetWorkspace& Workspace() {
    thread_local OffsetWorkspace w;
    return w;
}

}  // namespace vellisk
