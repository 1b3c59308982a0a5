#pragma once
// One figure of a drawing: a closed or open polyline, a single point or a hatch line, with all
// that the tool-path preparation attaches to it. Point lists are contiguous vectors: a tool
// path can reach millions of points.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/geometry_types.h"

namespace vellisk {

// One cubic Bezier segment of a smoothed tool path.
struct BezierSegmentRecord {
    tpunkt P0;
    tpunkt P1;
    tpunkt P2;
    tpunkt P3;
    float ParameterStep = 0.0f;  // increment of the curve parameter t
    double Length = 0.0;         // curve length in drawing units
    bool Straight = false;       // the segment replaces a single straight path step
    bool SmoothJoin = false;     // the path goes on from P3 without a corner (no stop after it)
    bool RatioBreak = false;     // the run ended by the length-ratio rule, not at an angle
};

// The members are grouped by size, so that a figure (millions of them in a hatched drawing)
// carries no padding.
class tfigura {
public:
    double Value = 0.0;          // layer value from the drawing (HPGL pen depth)
    std::int32_t Direction = 0;  // +1 / -1 for a closed contour's sense, 0 for an open one
    std::int32_t Layer = 0;      // pen, colour, G-code 2 feed / 3 rapid, hatch 1
    std::int32_t Index = 0;      // number of the figure in the project
    std::int32_t Speed = 0;      // own feed in mm/min; readers leave 0
    double OrderKey = 0.0;
    double Width = 0.0;
    double Height = 0.0;
    std::int32_t StartIndex = 0;  // index in Contour of the start point
    std::int32_t Level = 0;       // nesting depth
    double MinX = 0.0, MinY = 0.0, MinZ = 0.0;
    double MaxX = 0.0, MaxY = 0.0, MaxZ = 0.0;
    double OriginX = 0.0, OriginY = 0.0;
    double CentreX = 0.0, CentreY = 0.0, CentreZ = 0.0;
    std::vector<tpunkt> Contour;              // as read from the file
    std::vector<PlanPoint> CutPath;           // offset by the tool radius (a path in the plan);
                                              // empty when the figure is cut along its contour
    std::vector<tpunkt> PolishPath;           // roughing path of a job with a finishing pass; empty without one
                                              // (the roughing path is then the Contour itself)
    std::vector<tpunkt> ToolPath3D;           // the 3-D tool path the writer sends; empty while the
                                              // path is made on demand (ToolPathOnDemand)
    std::vector<std::uint16_t> SpeedProfile;  // one step period per ToolPath3D point, 65535 = stop
    std::vector<BezierSegmentRecord> BezierSegments;
    std::vector<BezierSegmentRecord> RampedBezierPath;
    tfigura* Parent = nullptr;  // enclosing figure in the nesting tree
    std::int32_t OrderKey2 = 0;
    std::int32_t OrderKey3 = 0;
    double CutLength = 0.0;
    double RapidLength = 0.0;
    double PolishLength = 0.0;
    double ExtraLength = 0.0;
    double PathLength = 0.0;
    double Feed = 0.0;
    // Where the operator dragged the start of a closed figure; every rebuild of the paths starts
    // each point list at its vertex nearest to it.
    tpunkt ChosenStart;
    std::int32_t HatchOwner = 0;
    bool StartChosen = false;
    bool Valid = false;
    bool Open = false;
    bool ToCut = false;
    bool PointFigure = false;
    bool RapidFigure = false;
    bool FrameFigure = false;
    bool HatchLine = false;
    // The figure is cut along its contour as it stands (an open figure, or a closed one when the
    // path is not offset): CutPath is not kept as a copy, CuttingPath reads Contour with its Z.
    bool CutAlongContour = false;
    // The prepared 3-D path is not kept: the project makes it again from CutPath when the job
    // is written (it is several times the size of the job it becomes).
    bool ToolPathOnDemand = false;
};

// A read-only look at the path the tool's centre follows: its points read as 3-D points (a plan
// point of CutPath has Z = 0.0, a contour point its own Z).
class CutPathView {
public:
    explicit CutPathView(const std::vector<tpunkt>& points) : points_(points.data()), size_(points.size()) {}
    explicit CutPathView(const std::vector<PlanPoint>& points) : plan_(points.data()), size_(points.size()) {}
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    tpunkt operator[](std::size_t i) const { return points_ ? points_[i] : tpunkt(plan_[i]); }
    tpunkt front() const { return (*this)[0]; }
    tpunkt back() const { return (*this)[size_ - 1]; }

private:
    const tpunkt* points_ = nullptr;
    const PlanPoint* plan_ = nullptr;
    std::size_t size_ = 0;
};

// The path the tool's centre follows in plan: the figure's CutPath, or its Contour when the
// figure is cut along it.
inline CutPathView CuttingPath(const tfigura& figure) {
    return figure.CutAlongContour ? CutPathView(figure.Contour) : CutPathView(figure.CutPath);
}

// The cutting path as a list of 3-D points: the Contour itself, or CutPath's plan points copied
// into `room` (with Z = 0.0) and `room` returned. For readers that walk the path many times.
const std::vector<tpunkt>& CuttingPath(const tfigura& figure, std::vector<tpunkt>& room);

// Calls use(list) with the cutting path's own list: Contour (std::vector<tpunkt>) or CutPath
// (std::vector<PlanPoint>), so that a loop over it reads the points without a copy.
template <class Use>
decltype(auto) WithCuttingPath(const tfigura& figure, Use&& use) {
    if (figure.CutAlongContour) return use(figure.Contour);
    return use(figure.CutPath);
}

// Points a reused room may keep between figures: a very long path's room is given back.
constexpr std::size_t kKeptRoomPoints = 1 << 16;

// Gives back the memory of a room a thread keeps from figure to figure when a
// very long path made it large.
template <class T>
void GiveBackLargeRoom(std::vector<T>& room) {
    if (room.capacity() > kKeptRoomPoints) std::vector<T>().swap(room);
}

// Calls GiveBackLargeRoom on a room at the end of a scope.
template <class T>
class LargeRoomGiveBack {
public:
    explicit LargeRoomGiveBack(std::vector<T>& room) : room_(room) {}
    ~LargeRoomGiveBack() { GiveBackLargeRoom(room_); }
    LargeRoomGiveBack(const LargeRoomGiveBack&) = delete;
    LargeRoomGiveBack& operator=(const LargeRoomGiveBack&) = delete;

private:
    std::vector<T>& room_;
};

// Makes a figure's cutting path its contour as it stands, without a copy.
inline void UseContourAsCutPath(tfigura& figure) {
    figure.CutAlongContour = true;
    std::vector<PlanPoint>().swap(figure.CutPath);
}

// The figure has a 3-D tool path, kept or made on demand.
inline bool HasToolPath(const tfigura& figure) { return figure.ToolPathOnDemand || !figure.ToolPath3D.empty(); }

// Copies a point list built in a reused buffer into a figure's list, held at (about) its exact
// size: the old list's room is reused when it is not much larger than needed.
void StoreExact(std::vector<tpunkt>& kept, const std::vector<tpunkt>& built);

// StoreExact from a buffer kept from figure to figure; a buffer that a very long list made
// larger than 65,536 points then gives its room back.
void StoreFromBuffer(std::vector<tpunkt>& kept, std::vector<tpunkt>& buffer);

// StoreFromBuffer into a list of plan points: a path built in the plan (every Z = 0) is kept
// without its Z, at (about) its exact size.
void StoreFromBuffer(std::vector<PlanPoint>& kept, std::vector<tpunkt>& buffer);

// Index of the first point of Contour with the smallest Y (a later point wins only when strictly
// lower); stored in StartIndex and returned. An empty contour gives 0.
std::int32_t LowestPointIndex(tfigura& figure);

// The figure's extremes (MinX, MinY, MaxX, MaxY), Width, Height, centre and StartIndex (the
// first point with the lowest Y) from a contour that is not empty; Level 0, no Parent.
void SetFigureExtents(tfigura& figure);

}  // namespace vellisk
