#pragma once
// A uniform grid of bounding boxes: finds the boxes that may touch a given box without looking
// at every box. Only a pre-selection: callers still apply their exact test to what it returns.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory_resource>
#include <unordered_map>
#include <vector>

namespace vellisk {

class BoxGrid {
public:
    // A box covering more than `maxCells` cells is kept in one list that every query returns.
    explicit BoxGrid(double cell, std::int64_t maxCells = 4096) : cell_(cell > 0 ? cell : 1.0), maxCells_(maxCells) {}
    BoxGrid(const BoxGrid&) = delete;
    BoxGrid& operator=(const BoxGrid&) = delete;

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
    using Ids = std::pmr::vector<std::uint32_t>;
    static void Drop(Ids& v, std::uint32_t id) {
        auto it = std::find(v.begin(), v.end(), id);
        if (it != v.end()) {
            *it = v.back();
            v.pop_back();
        }
    }

    double cell_;
    std::int64_t maxCells_;
    // The cells and their lists (hundreds of thousands of small blocks for a big drawing) come
    // from a pool of the grid's own: when the grid goes, its memory goes back in large blocks
    // that any later allocation can use, instead of as small blocks that only lists of the
    // same size could.
    std::pmr::unsynchronized_pool_resource pool_;
    std::pmr::unordered_map<std::uint64_t, Ids> cells_{&pool_};
    Ids big_{&pool_};
};

// A grid of boxes filled once and then only queried, with every cell's ids in one array (no
// allocation per cell or per box). Boxes and queries beyond the grid are held to its border
// cells; a box that is not finite, or covers very many cells, is returned by every query.
class PackedBoxGrid {
public:
    struct Box {
        double minX, minY, maxX, maxY;
    };

    void Build(const std::vector<Box>& boxes, double cell) {
        big_.clear();
        ids_.clear();
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (const Box& b : boxes) {
            if (!Finite(b)) continue;
            x0 = std::min(x0, b.minX);
            y0 = std::min(y0, b.minY);
            x1 = std::max(x1, b.maxX);
            y1 = std::max(y1, b.maxY);
        }
        if (x0 > x1) x0 = y0 = x1 = y1 = 0.0;
        double w = std::max(x1 - x0, 1.0), h = std::max(y1 - y0, 1.0);
        if (!std::isfinite(w) || !std::isfinite(h)) w = h = cell = 1.0;  // one cell holds all
        // At most about four cells per box.
        const double items = static_cast<double>(std::max<std::size_t>(boxes.size(), 1));
        cell_ = std::max({cell > 0.0 ? cell : 1.0, std::sqrt(w * h / (4.0 * items)), std::max(w, h) / 65536.0});
        x0_ = x0;
        y0_ = y0;
        nx_ = static_cast<std::int64_t>(w / cell_) + 1;
        ny_ = static_cast<std::int64_t>(h / cell_) + 1;
        start_.assign(static_cast<std::size_t>(nx_ * ny_ + 1), 0);
        auto cells = [&](const Box& b, auto on) {
            const std::int64_t c0 = Col(b.minX), c1 = Col(b.maxX), r0 = Row(b.minY), r1 = Row(b.maxY);
            for (std::int64_t r = r0; r <= r1; ++r)
                for (std::int64_t c = c0; c <= c1; ++c) on(static_cast<std::size_t>(r * nx_ + c));
        };
        auto spread = [&](const Box& b) {
            return Finite(b) && b.minX <= b.maxX && b.minY <= b.maxY &&
                   (Col(b.maxX) - Col(b.minX) + 1) * (Row(b.maxY) - Row(b.minY) + 1) <= kMaxCells;
        };
        for (const Box& b : boxes)
            if (spread(b)) cells(b, [&](std::size_t k) { ++start_[k + 1]; });
        for (std::size_t k = 1; k < start_.size(); ++k) start_[k] += start_[k - 1];
        ids_.resize(start_.back());
        std::vector<std::uint32_t> fill(start_.begin(), start_.end() - 1);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (spread(boxes[i]))
                cells(boxes[i], [&](std::size_t k) { ids_[fill[k]++] = static_cast<std::uint32_t>(i); });
            else
                big_.push_back(static_cast<std::uint32_t>(i));
        }
    }

    // Every id whose box may touch the given box (ids can repeat).
    template <typename F>
    void Query(double minX, double minY, double maxX, double maxY, F&& visit) const {
        for (std::uint32_t id : big_) visit(id);
        if (!Finite(Box{minX, minY, maxX, maxY})) {
            for (std::uint32_t id : ids_) visit(id);
            return;
        }
        if (minX > maxX || minY > maxY) return;
        const std::int64_t c0 = Col(minX), c1 = Col(maxX), r0 = Row(minY), r1 = Row(maxY);
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c) {
                const std::size_t k = static_cast<std::size_t>(r * nx_ + c);
                for (std::uint32_t i = start_[k]; i < start_[k + 1]; ++i) visit(ids_[i]);
            }
    }

private:
    static constexpr std::int64_t kMaxCells = 4096;
    static bool Finite(const Box& b) {
        return std::isfinite(b.minX) && std::isfinite(b.minY) && std::isfinite(b.maxX) && std::isfinite(b.maxY);
    }
    std::int64_t Col(double x) const {
        const double c = std::floor((x - x0_) / cell_);
        return static_cast<std::int64_t>(std::clamp(c, 0.0, static_cast<double>(nx_ - 1)));
    }
    std::int64_t Row(double y) const {
        const double c = std::floor((y - y0_) / cell_);
        return static_cast<std::int64_t>(std::clamp(c, 0.0, static_cast<double>(ny_ - 1)));
    }

    double x0_ = 0.0, y0_ = 0.0, cell_ = 1.0;
    std::int64_t nx_ = 1, ny_ = 1;
    std::vector<std::uint32_t> start_;
    std::vector<std::uint32_t> ids_;
    std::vector<std::uint32_t> big_;
};

}  // namespace vellisk
