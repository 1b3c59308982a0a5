#include "model/figure.h"

namespace vellisk {

void StoreExact(std::vector<tpunkt>& kept, const std::vector<tpunkt>& built) {
    if (kept.capacity() >= built.size() && kept.capacity() - built.size() <= built.size() / 4) {
        kept.assign(built.begin(), built.end());
    } else {
        std::vector<tpunkt>(built.begin(), built.end()).swap(kept);
    }
}

void StoreFromBuffer(std::vector<tpunkt>& kept, std::vector<tpunkt>& buffer) {
    StoreExact(kept, buffer);
    GiveBackLargeRoom(buffer);
}

void StoreFromBuffer(std::vector<PlanPoint>& kept, std::vector<tpunkt>& buffer) {
    const std::size_t n = buffer.size();
    if (!(kept.capacity() >= n && kept.capacity() - n <= n / 4)) std::vector<PlanPoint>().swap(kept);
    kept.clear();
    kept.reserve(n);
    for (const tpunkt& p : buffer) kept.push_back(PlanOf(p));
    GiveBackLargeRoom(buffer);
}

const std::vector<tpunkt>& CuttingPath(const tfigura& figure, std::vector<tpunkt>& room) {
    if (figure.CutAlongContour) return figure.Contour;
    room.clear();
    room.reserve(figure.CutPath.size());
    for (const PlanPoint& p : figure.CutPath) room.push_back(p);
    return room;
}

std::int32_t LowestPointIndex(tfigura& figure) {
    std::int32_t best = 0;
    for (std::size_t i = 1; i < figure.Contour.size(); ++i)
        if (figure.Contour[i].Y < figure.Contour[static_cast<std::size_t>(best)].Y) best = static_cast<std::int32_t>(i);
    figure.StartIndex = best;
    return best;
}

void SetFigureExtents(tfigura& f) {
    double maxX = -1.7e308, maxY = -1.7e308, minX = 1.7e308, minY = 1.7e308;
    std::int32_t start = 0;
    for (std::size_t i = 0; i < f.Contour.size(); ++i) {
        const tpunkt& p = f.Contour[i];
        if (p.X > maxX) maxX = p.X;
        if (p.Y > maxY) maxY = p.Y;
        if (p.X < minX) minX = p.X;
        if (p.Y < minY) {
            minY = p.Y;
            start = static_cast<std::int32_t>(i);
        }
    }
    f.StartIndex = start;
    f.Width = maxX - minX;
    f.Height = maxY - minY;
    f.MinX = minX;
    f.MinY = minY;
    f.MaxX = maxX;
    f.MaxY = maxY;
    f.CentreX = (minX + maxX) / 2.0;
    f.CentreY = (minY + maxY) / 2.0;
    f.Level = 0;
    f.Parent = nullptr;
}

}  // namespace vellisk
