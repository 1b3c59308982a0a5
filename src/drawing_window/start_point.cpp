#include "drawing_window/start_point.h"

#include <algorithm>
#include <limits>

#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

// The vertex nearest to p (exact distances, first of equals).
template <class Point>
std::size_t NearestVertex(const std::vector<Point>& list, const tpunkt& p) {
    std::size_t best = 0;
    double bestD = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < list.size(); ++k) {
        const double d = Distance2D(list[k], p);
        if (d < bestD) {
            bestD = d;
            best = k;
        }
    }
    return best;
}

template <class Point>
bool Repeated(const std::vector<Point>& list) {
    return list.size() >= 2 && SamePoint(list.front(), list.back());
}

template <class Point>
std::int32_t NearestRounded(const std::vector<Point>& list, const tpunkt& p) {
    std::int32_t best = -1;
    double bestD = 1.7e308;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const double d = RoundHalfEven(Distance2D(list[k], p));
        if (d < bestD) {
            bestD = d;
            best = static_cast<std::int32_t>(k);
        }
    }
    return best;
}

template <class Point>
void StartAt(std::vector<Point>& list, std::size_t k) {
    const std::size_t n = list.size();
    if (n < 2 || k == 0 || k >= n) return;
    if (Repeated(list)) {
        const std::size_t ring = n - 1;
        if (k % ring == 0) return;
        std::rotate(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(k % ring),
                    list.begin() + static_cast<std::ptrdiff_t>(ring));
        list[n - 1] = list[0];
    } else {
        std::rotate(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(k), list.end());
        list.push_back(list.front());
    }
}

// Turns the contour round to vertex k; StartIndex keeps naming the lowest vertex.
void StartContourAt(tfigura& f, std::size_t k) {
    if (k == 0 || k >= f.Contour.size()) return;
    const bool repeated = Repeated(f.Contour);
    const std::int32_t count = static_cast<std::int32_t>(f.Contour.size());
    StartListAt(f.Contour, k);
    if (repeated) {
        for (std::size_t step = 0; step < k; ++step)
            if (--f.StartIndex < 0) f.StartIndex = count - 2;
    } else {
        LowestPointIndex(f);
    }
}

}  // namespace

std::int32_t NearestVertexRounded(const std::vector<tpunkt>& list, const tpunkt& p) { return NearestRounded(list, p); }

void StartListAt(std::vector<tpunkt>& list, std::size_t k) { StartAt(list, k); }

void StartListAt(std::vector<PlanPoint>& list, std::size_t k) { StartAt(list, k); }

void ReverseOpenFigure(tfigura& f) {
    if (f.Contour.size() < 2) return;
    std::reverse(f.Contour.begin(), f.Contour.end());
    const std::int32_t n = static_cast<std::int32_t>(f.Contour.size());
    f.StartIndex = (n - 1) - LowestPointIndex(f);
    std::reverse(f.CutPath.begin(), f.CutPath.end());
    std::reverse(f.PolishPath.begin(), f.PolishPath.end());
}

bool DragStartPoint(tfigura& f, const tpunkt& p) {
    const CutPathView path = CuttingPath(f);
    const std::int32_t k = WithCuttingPath(f, [&](const auto& list) { return NearestRounded(list, p); });
    if (k < 0) return false;
    if (f.Open) {
        if (static_cast<std::size_t>(k) + 1 != path.size() || f.Contour.size() < 2) return false;
        ReverseOpenFigure(f);
        return true;
    }
    const tpunkt chosen = path[static_cast<std::size_t>(k)];
    const bool changed = !f.StartChosen || !SamePoint(f.ChosenStart, chosen);
    f.StartChosen = true;
    f.ChosenStart = chosen;
    KeepChosenStart(f);
    return changed;
}

void KeepChosenStart(tfigura& f) {
    if (!f.StartChosen || f.Open) return;
    if (!f.Contour.empty()) StartContourAt(f, NearestVertex(f.Contour, f.ChosenStart));
    if (!f.CutPath.empty()) StartListAt(f.CutPath, NearestVertex(f.CutPath, f.ChosenStart));
    if (!f.PolishPath.empty()) StartListAt(f.PolishPath, NearestVertex(f.PolishPath, f.ChosenStart));
}

}  // namespace vellisk
