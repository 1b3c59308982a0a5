#pragma once
// Boxes over runs of consecutive items (the segments or vertices of a contour), a tree of them:
// a box over every 4 items, a box over every 8 of those, and so on up to a handful at the top.
// A contour's neighbouring segments lie side by side, so a question "is anything within this
// reach" skips whole runs by their boxes and measures single segments only where the contour
// comes near; a tool radius larger than the figure itself still skips most of it. Only a
// pre-selection: callers apply their exact test to what it hands them. Built into buffers that
// are kept from one contour to the next.
#include <algorithm>
#include <cstddef>
#include <vector>

#include "model/geometry_types.h"

namespace vellisk {

class RunBoxes {
public:
    struct Box {
        double minX, minY, maxX, maxY;
    };

    template <class BoxOf>
    void Build(int count, BoxOf boxOf) {
        count_ = count;
        boxes_.clear();
        levels_.clear();
        levels_.push_back(0);
        for (int i = 0; i < count; i += kLeaf) {
            Box b = boxOf(i);
            for (int k = i + 1; k < std::min(count, i + kLeaf); ++k) Grow(b, boxOf(k));
            boxes_.push_back(b);
        }
        // Each further level groups kFan boxes of the level below.
        while (boxes_.size() - levels_.back() > static_cast<std::size_t>(kFan)) {
            const std::size_t from = levels_.back(), to = boxes_.size();
            levels_.push_back(to);
            for (std::size_t k = from; k < to; k += kFan) {
                Box b = boxes_[k];
                for (std::size_t j = k + 1; j < std::min(to, k + kFan); ++j) Grow(b, boxes_[j]);
                boxes_.push_back(b);
            }
        }
    }

    // Calls test(i) for every item whose runs' boxes all lie within `reach` of the query box,
    // in item order, until test returns true; returns whether one did.
    template <class Test>
    bool Any(const Box& q, double reach, Test test) const {
        if (reach < 0.0 || count_ == 0) return false;
        const int top = static_cast<int>(levels_.size()) - 1;
        const std::size_t end = boxes_.size() - levels_[top];
        for (std::size_t k = 0; k < end; ++k)
            if (Visit(top, k, q, reach, test)) return true;
        return false;
    }

private:
    static constexpr int kLeaf = 4;  // items under a box of the lowest level
    static constexpr int kFan = 8;   // boxes under a box of a higher level

    // Box k of the given level (counted within the level).
    template <class Test>
    bool Visit(int level, std::size_t k, const Box& q, double reach, Test& test) const {
        if (Apart(boxes_[levels_[level] + k], q, reach)) return false;
        if (level == 0) {
            const int i0 = static_cast<int>(k) * kLeaf, i1 = std::min(count_, i0 + kLeaf);
            for (int i = i0; i < i1; ++i)
                if (test(i)) return true;
            return false;
        }
        const std::size_t below = levels_[level] - levels_[level - 1];
        const std::size_t j1 = std::min(below, (k + 1) * kFan);
        for (std::size_t j = k * kFan; j < j1; ++j)
            if (Visit(level - 1, j, q, reach, test)) return true;
        return false;
    }
    static void Grow(Box& b, const Box& o) {
        b.minX = std::min(b.minX, o.minX);
        b.minY = std::min(b.minY, o.minY);
        b.maxX = std::max(b.maxX, o.maxX);
        b.maxY = std::max(b.maxY, o.maxY);
    }
    // The boxes are more than `reach` apart (measured between their nearest points).
    static bool Apart(const Box& b, const Box& q, double reach) {
        const double dx = std::max({b.minX - q.maxX, q.minX - b.maxX, 0.0});
        const double dy = std::max({b.minY - q.maxY, q.minY - b.maxY, 0.0});
        return dx * dx + dy * dy > reach * reach;
    }

    int count_ = 0;
    std::vector<Box> boxes_;           // every level, the lowest first
    std::vector<std::size_t> levels_;  // where each level starts in boxes_
};

// The box of the segment a-b, as the run boxes hold it.
inline RunBoxes::Box SegmentBox(const tpunkt& a, const tpunkt& b) {
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

// The distance from x to the segment a-b lies beyond `reach`, measured plainly with a dot and a
// cross product: a candidate the boxes hand over is dropped without the full measurement (which
// also tells where the nearest place lies).
inline bool BeyondReach(const tpunkt& x, const tpunkt& a, const tpunkt& b, double reach) {
    const double ux = b.X - a.X, uy = b.Y - a.Y, vx = x.X - a.X, vy = x.Y - a.Y;
    const double len2 = ux * ux + uy * uy, along = ux * vx + uy * vy;
    double d2 = 0.0;
    if (along <= 0.0 || len2 == 0.0) {
        d2 = vx * vx + vy * vy;
    } else if (along >= len2) {
        const double wx = x.X - b.X, wy = x.Y - b.Y;
        d2 = wx * wx + wy * wy;
    } else {
        const double cross = ux * vy - uy * vx;
        d2 = cross * cross / len2;
    }
    return d2 > reach * reach;
}

}  // namespace vellisk
