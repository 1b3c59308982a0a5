#pragma once
// A uniform grid of bounding boxes: finds the boxes that may touch a given box without looking
// at every box. Only a pre-selection: callers still apply their exact test to what it returns.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vellisk {

class BoxGrid {
public:
    // A box covering more than `maxCells` cells is kept in one list that every query returns.
    explicit BoxGrid(double cell, std::int64_t maxCells = 4096) : cell_(cell > 0 ? cell : 1.0), maxCells_(maxCells) {}

    void Insert(std::uint32_t id, double minX, double minY, double maxX, double maxY) {
        Range r;
        if (!RangeOf(minX, minY, maxX, maxY, r) || r.Cells() > maxCells_) {
            big_.push_back(id);
            return;
        }
        for (std::int64_t y = r.y0; y <= r.y1; ++y)
            for (std::int64_t x = r.x0; x <= r.x1; ++x) cells_[Key(x, y)].push_back(id);
    }

    void Remove(std::uint32_t id, double minX, double minY, double maxX, double maxY) {
        Range r;
        if (!RangeOf(minX, minY, maxX, maxY, r) || r.Cells() > maxCells_) {
            Drop(big_, id);
            return;
        }
        for (std::int64_t y = r.y0; y <= r.y1; ++y)
            for (std::int64_t x = r.x0; x <= r.x1; ++x) {
                auto it = cells_.find(Key(x, y));
                if (it != cells_.end()) Drop(it->second, id);
            }
    }

    // Every id whose box may touch the given box (ids can repeat).
    template <typename F>
    void Query(double minX, double minY, double maxX, double maxY, F&& visit) const {
        for (std::uint32_t id : big_) visit(id);
        Range r;
        if (!RangeOf(minX, minY, maxX, maxY, r)) {
            for (const auto& [key, ids] : cells_)
                for (std::uint32_t id : ids) visit(id);
            return;
        }
        if (r.Cells() > static_cast<std::int64_t>(cells_.size())) {
            for (const auto& [key, ids] : cells_) {
                const std::int64_t x = static_cast<std::int32_t>(key >> 32);
                const std::int64_t y = static_cast<std::int32_t>(key & 0xFFFFFFFFu);
                if (x >= r.x0 && x <= r.x1 && y >= r.y0 && y <= r.y1)
                    for (std::uint32_t id : ids) visit(id);
            }
            return;
        }
        for (std::int64_t y = r.y0; y <= r.y1; ++y)
            for (std::int64_t x = r.x0; x <= r.x1; ++x) {
                auto it = cells_.find(Key(x, y));
                if (it == cells_.end()) continue;
                for (std::uint32_t id : it->second) visit(id);
            }
    }

    // The sorted distinct ids of Query.
    std::vector<std::uint32_t> Candidates(double minX, double minY, double maxX, double maxY) const {
        std::vector<std::uint32_t> ids;
        Query(minX, minY, maxX, maxY, [&](std::uint32_t id) { ids.push_back(id); });
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        return ids;
    }

private:
    struct Range {
        std::int64_t x0, y0, x1, y1;
        std::int64_t Cells() const { return (x1 - x0 + 1) * (y1 - y0 + 1); }
    };
    static constexpr double kLimit = 1.0e9;  // cell coordinates beyond this share the edge cells

    std::int64_t CellOf(double v) const {
        const double c = std::floor(v / cell_);
        return static_cast<std::int64_t>(std::clamp(c, -kLimit, kLimit));
    }
    bool RangeOf(double minX, double minY, double maxX, double maxY, Range& r) const {
        if (!(std::isfinite(minX) && std::isfinite(minY) && std::isfinite(maxX) && std::isfinite(maxY))) return false;
        if (minX > maxX || minY > maxY) return false;
        r = {CellOf(minX), CellOf(minY), CellOf(maxX), CellOf(maxY)};
        return true;
    }
    static std::uint64_t Key(std::int64_t x, std::int64_t y) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(x))) << 32) |
               static_cast<std::uint32_t>(static_cast<std::int32_t>(y));
    }
    static void Drop(std::vector<std::uint32_t>& v, std::uint32_t id) {
        auto it = std::find(v.begin(), v.end(), id);
        if (it != v.end()) {
            *it = v.back();
            v.pop_back();
        }
    }

    double cell_;
    std::int64_t maxCells_;
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells_;
    std::vector<std::uint32_t> big_;
};

}  // namespace vellisk
