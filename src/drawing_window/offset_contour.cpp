// Contour offset by the tool radius.
#include "drawing_window/offset_contour.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "drawing_window/offset_workspace.h"
#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kBig = kVerticalSlope;

inline int RingNext(int i, int n) { return i + 1 > n - 2 ? 0 : i + 1; }
inline int RingPrev(int i, int n) { return i - 1 < 0 ? n - 2 : i - 1; }

class ContourOffsetter {
public:
    ContourOffsetter(tfigura& f, double r, int side, bool alwaysSearch, OffsetWorkspace& w)
        : f_(f), c_(f.Contour), p_(w.path), r_(r), side_(side), alwaysSearch_(alwaysSearch), arcs_(w.arcs), w_(w) {}

    void Run();

private:
    int n() const { return static_cast<int>(c_.size()); }
    int m() const { return static_cast<int>(p_.size()); }
    int PNext(int i) const { return RingNext(i, m()); }
    int PPrev(int i) const { return RingPrev(i, m()); }

    // The segment a -> b moved sideways by the radius; `angle` is its SegmentAngle.
    todcinek OffsetSegment(const tpunkt& a, const tpunkt& b, double angle) const {
        const double ang = angle + side_ * kPi / 2;
        const double dx = r_ * std::cos(ang), dy = r_ * std::sin(ang);
        todcinek s{a, b};
        s.start.X += dx;
        s.start.Y += dy;
        s.end.X += dx;
        s.end.Y += dy;
        return s;
    }

    tprosta OffsetLine(const tpunkt& a, const tpunkt& b, double ang) const {
        tprosta l = LineOfSegment(a, b);
        if (l.vertical) {
            l.intercept += ang < kPi ? -side_ * r_ : side_ * r_;
        } else if (!l.degenerate) {
            const double shift = side_ * r_ * std::sqrt(l.slope * l.slope + 1);
            l.intercept += (ang <= kPi / 2 || ang >= 3 * kPi / 2) ? shift : -shift;
        }
        return l;
    }

    void Append(const tpunkt& pt) {
        if (!p_.empty() && Distance2D(p_.back(), pt) <= 3.0) return;
        tpunkt q{pt.X, pt.Y, 0.0};
        p_.push_back(q);
    }

    void AddArcJoin(const tpunkt& c, const tpunkt& p, const tpunkt& q) {
        const double a = SegmentAngle(c, p);
        double sweep = SegmentAngle(c, q) - a;
        if (side_ < 0 && sweep < 0) sweep += 2 * kPi;
        if (side_ > 0 && sweep > 0) sweep -= 2 * kPi;
        const int steps = static_cast<int>(std::fabs(RoundHalfEven(sweep / (2 * kPi) * 128)));
        for (int k = 1; k < steps; ++k) {
            const double ang = a + sweep * k / steps;
            tpunkt pt{c.X + RoundHalfEven(r_ * std::cos(ang)), c.Y + RoundHalfEven(r_ * std::sin(ang)), 0.0};
            if (p_.empty() || Distance2D(p_.back(), pt) > 3.0) {
                p_.push_back(pt);
                arcs_.push_back(m() - 1);
            }
        }
    }

    bool TooClose(double d) const { return d - r_ < tol_; }
    // Beyond this distance from a segment's box no distance measured to the segment can count as
    // too close (the point-to-segment distance measures to a point of that box; one unit is kept
    // in hand for rounding).
    double Reach() const { return r_ + tol_ + 1.0; }
    bool SegmentCrossesContour(const tpunkt& a, const tpunkt& b) const {
        const todcinek s{a, b};
        // A crossing found lies in both segments' X ranges exactly; in Y one unit is kept in
        // hand for the rounding of steep lines.
        RunBoxes::Box q = SegmentBox(a, b);
        q.minY -= 1.0;
        q.maxY += 1.0;
        // The segments are those from each vertex to the next: the visited segments but the
        // last, which runs from the closing point back to vertex n - 2, and then the one from
        // the closing point to the first (nothing when the two are the same point).
        const int last = n() - 1;
        if (last >= 0 && SegmentsIntersect(s, todcinek{c_[last], c_[0]})) return true;
        return w_.contourSegs.Any(q, 0.0, [&](int i) { return i != last && SegmentsIntersect(s, VisitSegment(i)); });
    }

    // Visiting segment i of the contour runs from vertex i back to vertex prev(i).
    todcinek VisitSegment(int i) const { return todcinek{c_[i], c_[RingPrev(i, n())]}; }

    bool VertexInSight(const tpunkt& x, const tpunkt& v) const {
        // The vertex counts when the way to it crosses no contour edge; the way stops just short
        // of the vertex, whose own edges always touch it.
        const double dv = Distance2D(x, v);
        if (dv < 0.02) return true;
        const double t = 1.0 - 0.01 / dv;
        const tpunkt ref{x.X + (v.X - x.X) * t, x.Y + (v.Y - x.Y) * t, 0.0};
        return !SegmentCrossesContour(x, ref);
    }

    // Only the runs of segments within reach of the point are measured. The vertex case asks
    // for the segment visited before (none before the first), whatever its box.
    bool PointNearContour(const tpunkt& x) const {
        const double reach = Reach();
        return w_.contourSegs.Any(SegmentBox(x, x), reach, [&](int i) {
            const todcinek seg = VisitSegment(i);
            if (BeyondReach(x, seg.start, seg.end, reach)) return false;
            int where = -1;
            if (!TooClose(PointSegmentDistance(x, seg, r_, where))) return false;
            if (where == 0) return true;
            if (where != 2 || i == 0) return false;
            int prevWhere = -1;
            return TooClose(PointSegmentDistance(x, VisitSegment(i - 1), r_, prevWhere)) && prevWhere == 1 &&
                   VertexInSight(x, c_[RingPrev(i, n())]);
        });
    }

    // A contour vertex too close to the path segment a -> b; the vertex number is compared with
    // the two path indices as numbers.
    bool ContourNearSegment(int a, int b) const {
        const todcinek s{p_[a], p_[b]};
        const double reach = Reach();
        return w_.contourVerts.Any(SegmentBox(s.start, s.end), reach, [&](int k) {
            if (k == a || k == b || BeyondReach(c_[k], s.start, s.end, reach)) return false;
            int where = -1;
            return TooClose(PointSegmentDistance(c_[k], s, r_, where));
        });
    }

    // A path segment a -> b measured against the other path segments.
    struct Probe {
        todcinek s;
        tprosta line;
        double minX, maxX, minY, maxY;
        int a, b;
    };
    Probe ProbeOf(int a, int b) const {
        Probe q{todcinek{p_[a], p_[b]}, LineOfSegment(p_[a], p_[b]), 0, 0, 0, 0, a, b};
        q.minX = std::min(q.s.start.X, q.s.end.X);
        q.maxX = std::max(q.s.start.X, q.s.end.X);
        q.minY = std::min(q.s.start.Y, q.s.end.Y);
        q.maxY = std::max(q.s.start.Y, q.s.end.Y);
        return q;
    }
    // How far along the probe path segment i crosses it; below zero when it does not.
    double CrossingDistance(const Probe& q, int i) const {
        const int ni = PNext(i);
        if (i == q.a || i == q.b || ni == q.a || ni == q.b) return -1.0;
        const todcinek& s = q.s;
        const todcinek t{p_[i], p_[ni]};
        if (SamePoint(s.start, t.start) || SamePoint(s.start, t.end) || SamePoint(s.end, t.start) ||
            SamePoint(s.end, t.end))
            return -1.0;
        // Segments whose X ranges (or, beyond rounding, Y ranges) are apart cannot meet.
        if (std::max(t.start.X, t.end.X) < q.minX || std::min(t.start.X, t.end.X) > q.maxX ||
            std::max(t.start.Y, t.end.Y) < q.minY - 1e-6 || std::min(t.start.Y, t.end.Y) > q.maxY + 1e-6)
            return -1.0;
        if (!SegmentsIntersect(s, t)) return -1.0;
        tpunkt x = s.end;
        LinesIntersection(q.line, LineOfSegment(t.start, t.end), s, x, t);
        return Distance2D(s.start, x);
    }

    bool FindPathCrossing(int a, int b, int& found) const {
        const Probe q = ProbeOf(a, b);
        double best = kBig;
        bool any = false;
        const int count = m();
        if (indexed_) {
            // The same answer as the plain walk below: the nearest crossing, and of equally
            // near ones the first met walking backwards from a.
            ++stamp_;
            const int ring = count - 1;
            int bestBack = ring + 1;
            w_.pathSegs.Query(q.minX, q.minY - 1e-6, q.maxX, q.maxY + 1e-6, [&](int i) {
                if (i >= ring || i == a || w_.mark[i] == stamp_) return;
                w_.mark[i] = stamp_;
                const double d = CrossingDistance(q, i);
                if (!(d >= 0.0 && d < kBig)) return;
                const int backKey = ((a - i) % ring + ring) % ring;
                if (d < best || (d == best && any && backKey < bestBack)) {
                    best = d;
                    found = i;
                    any = true;
                    bestBack = backKey;
                }
            });
            return any;
        }
        int i = PPrev(a);
        for (int guard = 0; i != a && guard < count; ++guard, i = PPrev(i)) {
            const double d = CrossingDistance(q, i);
            if (d >= 0.0 && d < best) {
                best = d;
                found = i;
                any = true;
            }
        }
        return any;
    }

    // True when no vertex of the path is flagged: no vertex too close to the contour, no
    // contour vertex too close to a path segment, no two path segments crossing. The loop
    // removal then has nothing to do. Answers "don't know" (false) for paths it does not judge.
    bool PathIsClean();

    int Flags(int i) const {
        int flags = 0;
        if (PointNearContour(p_[i])) flags |= 1;
        if (ContourNearSegment(PPrev(i), i)) flags |= 8;
        int dummy = 0;
        if (FindPathCrossing(PPrev(i), i, dummy)) flags |= 16;
        return flags;
    }

    void ThinContour();
    void ThinPath(int& startIndex);
    // Returns false when the path was closed early and the operation must stop.
    bool RemoveLoops(int start, long long& budget);
    void Close() {
        if (!p_.empty()) p_.back() = p_.front();
    }

    tfigura& f_;
    std::vector<tpunkt>& c_;
    std::vector<tpunkt>& p_;
    double r_;
    int side_;
    bool alwaysSearch_;
    double tol_ = -3.0;
    std::vector<int>& arcs_;
    OffsetWorkspace& w_;

    // The contour's run boxes, for every proximity question of this offset.
    void IndexContour() {
        w_.contourSegs.Build(n(), [&](int i) {
            const todcinek sg = VisitSegment(i);
            return SegmentBox(sg.start, sg.end);
        });
        w_.contourVerts.Build(std::max(n() - 1, 0), [&](int k) { return SegmentBox(c_[k], c_[k]); });
    }
    // A grid of the path's segments for the crossing search of a long path (the answers are
    // those of the plain walk).
    void IndexPath() {
        indexed_ = m() > 48;
        if (!indexed_) return;
        double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
        for (const auto* list : {&c_, &p_})
            for (const tpunkt& q : *list) {
                minX = std::min(minX, q.X);
                minY = std::min(minY, q.Y);
                maxX = std::max(maxX, q.X);
                maxY = std::max(maxY, q.Y);
            }
        w_.pathSegs.Init(minX, minY, maxX, maxY, static_cast<std::size_t>(m()));
        for (int i = 0; i + 1 < m(); ++i) IndexPathSegment(i);
        w_.mark.assign(static_cast<std::size_t>(m()), 0);
        stamp_ = 0;
    }
    void IndexPathSegment(int i) {
        const tpunkt& u = p_[i];
        const tpunkt& w = p_[PNext(i)];
        w_.pathSegs.Insert(i, std::min(u.X, w.X), std::min(u.Y, w.Y), std::max(u.X, w.X), std::max(u.Y, w.Y));
    }
    // A moved path point: both segments that meet there are indexed again.
    void PathPointMoved(int k) {
        if (!indexed_ || k >= m() - 1) return;
        IndexPathSegment(k);
        IndexPathSegment(PPrev(k));
    }

    bool indexed_ = false;
    mutable int stamp_ = 0;
};

void ContourOffsetter::ThinContour() {
    if (c_.size() < 3) return;
    // In place: a kept point never lies ahead of the point being read.
    std::size_t kept = 1;
    for (std::size_t i = 1; i + 1 < c_.size(); ++i) {
        if (Distance2D(c_[kept - 1], c_[i]) >= 3.0) c_[kept++] = c_[i];
    }
    c_[kept++] = c_.back();
    c_.resize(kept);
}

void ContourOffsetter::ThinPath(int& startIndex) {
    const int count = m();
    if (count < 3) return;
    // newIndex[t]: where original point t (or the kept point it merged into) ends up.
    std::vector<int>& newIndex = w_.newIndex;
    newIndex.resize(static_cast<std::size_t>(count));
    int kept = 1;
    newIndex[0] = 0;
    for (int i = 1; i + 1 < count; ++i) {
        if (Distance2D(p_[kept - 1], p_[i]) >= 3.0) p_[kept++] = p_[i];
        newIndex[i] = kept - 1;
    }
    p_[kept++] = p_.back();
    newIndex[count - 1] = kept - 1;
    auto remap = [&](int idx) { return idx >= 0 && idx < count ? newIndex[idx] : idx; };
    startIndex = remap(startIndex);
    for (int& a : arcs_) a = remap(a);
    p_.resize(static_cast<std::size_t>(kept));
}

bool ContourOffsetter::PathIsClean() {
    const int count = m();
    const int ring = count - 1;  // path vertices 0 .. count - 2; the last point closes the ring
    if (ring < 3) return false;
    for (const tpunkt& q : p_)
        if (!std::isfinite(q.X) || !std::isfinite(q.Y)) return false;
    tol_ = -3.0;  // the stricter of the two tolerances the loop removal uses
    for (int i = 0; i < ring; ++i) {
        if (PointNearContour(p_[i]) || ContourNearSegment(PPrev(i), i)) return false;
    }
    // Crossings: only segments whose boxes meet can cross. A sweep over the boxes sorted by
    // their left edge finds every such pair; each is judged as the loop removal judges it, in
    // both roles.
    auto& boxes = w_.boxes;
    boxes.clear();
    for (int i = 0; i < ring; ++i) {
        const tpunkt& u = p_[i];
        const tpunkt& v = p_[PNext(i)];
        boxes.push_back({std::min(u.X, v.X), std::max(u.X, v.X), std::min(u.Y, v.Y), std::max(u.Y, v.Y), i});
    }
    std::sort(boxes.begin(), boxes.end(), [](const auto& x, const auto& y) {
        return x.minX < y.minX || (x.minX == y.minX && x.segment < y.segment);
    });
    constexpr double kSlack = 1.0;  // far wider than the search's own rounding allowance
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        const auto& bk = boxes[k];
        std::optional<Probe> qk;  // made for the first box that meets this one
        for (std::size_t l = k + 1; l < boxes.size() && boxes[l].minX <= bk.maxX; ++l) {
            const auto& bl = boxes[l];
            if (bl.maxY < bk.minY - kSlack || bl.minY > bk.maxY + kSlack) continue;
            // Segments that share a vertex never count as crossing (the search skips them in
            // both roles), and neighbours' boxes always meet: no need to measure them.
            const int ka = bk.segment, kb = PNext(ka), la = bl.segment, lb = PNext(la);
            if (la == ka || la == kb || lb == ka || lb == kb) continue;
            if (!qk) qk = ProbeOf(bk.segment, PNext(bk.segment));
            const Probe ql = ProbeOf(bl.segment, PNext(bl.segment));
            const double dk = CrossingDistance(*qk, bl.segment);
            const double dl = CrossingDistance(ql, bk.segment);
            if ((dk >= 0.0 && dk < kBig) || (dl >= 0.0 && dl < kBig)) return false;
        }
    }
    return true;
}

bool ContourOffsetter::RemoveLoops(int start, long long& budget) {
    const int count = m();
    int j = start < 0 ? f_.StartIndex : start;
    if (j == count - 1) j = 0;
    if (j < 0 || j >= count) j = 0;
    tol_ = -3.0;
    for (int k = 0; k < count && Flags(j) != 0; ++k) j = PNext(j);
    const int j0 = j;
    do {
        if (--budget < 0) {
            Close();
            return false;
        }
        int h = PNext(j);
        int guard = 0;
        while (SamePoint(p_[h], p_[j]) && guard < count) {
            h = PNext(h);
            ++guard;
        }
        if (SamePoint(p_[h], p_[j])) {
            Close();
            return false;
        }
        bool changed = false;
        tol_ = -4.0;
        const int flags = Flags(h);
        if (flags != 0) {
            int found = 0;
            int mIdx = h;
            if (flags & (1 | 8)) mIdx = FindPathCrossing(j, h, found) ? PPrev(found) : h;
            if ((flags & 16) && !(flags & 1) && FindPathCrossing(j, h, found)) mIdx = PPrev(found);
            bool cleared = false;
            for (int rep = 0; rep < count; ++rep) {
                mIdx = PNext(mIdx);
                tpunkt x = p_[h];
                const todcinek jh{p_[j], p_[h]};
                if (FindPathCrossing(j, h, found)) {
                    SegmentIntersection(jh, todcinek{p_[found], p_[PNext(found)]}, x);
                    mIdx = found;
                } else {
                    const tprosta ljh = LineOfSegment(jh.start, jh.end);
                    const double aj = std::atan(ljh.slope);
                    for (int skip = 0; skip < count; ++skip) {
                        const tprosta lm = LineOfSegment(p_[mIdx], p_[PNext(mIdx)]);
                        if (!lm.degenerate && std::fabs(std::atan(lm.slope) - aj) >= 0.01) break;
                        mIdx = PNext(mIdx);
                    }
                    const todcinek sm{p_[mIdx], p_[PNext(mIdx)]};
                    LinesIntersection(ljh, LineOfSegment(sm.start, sm.end), jh, x, sm);
                }
                int k = PNext(j);
                for (int g = 0; g < count; ++g) {
                    if (!SamePoint(p_[k], x)) {
                        p_[k].X = x.X;
                        p_[k].Y = x.Y;
                        PathPointMoved(k);
                        changed = true;
                    }
                    if (k == mIdx) break;
                    k = PNext(k);
                }
                if (Flags(PNext(j)) == 0) {
                    cleared = true;
                    break;
                }
            }
            if (!cleared) {
                Close();
                return false;
            }
        }
        if (changed) {
            if (PPrev(j) != j0) j = PPrev(j);
        } else {
            j = PNext(j);
        }
    } while (j != j0);
    return true;
}

void ContourOffsetter::Run() {
    p_.clear();
    ThinContour();
    if (c_.empty()) return;
    arcs_.clear();
    tol_ = -3.0;
    int startIndex = 0;
    const int count = n();
    bool crossing = false;
    // One contour segment of the corner walk: its angle and its offset copy.
    struct Leg {
        int from = -1, to = -1;
        double angle = 0.0;
        todcinek offset;
    };
    const auto legOf = [&](int from, int to) {
        const double angle = SegmentAngle(c_[from], c_[to]);
        return Leg{from, to, angle, OffsetSegment(c_[from], c_[to], angle)};
    };
    Leg next;
    int j = 0;
    do {
        int h = RingNext(j, count);
        int guard = 0;
        while (SamePoint(c_[h], c_[j]) && guard < count) {
            h = RingNext(h, count);
            ++guard;
        }
        if (SamePoint(c_[h], c_[j])) {
            p_.clear();
            return;
        }
        int g = RingNext(h, count);
        guard = 0;
        while (SamePoint(c_[g], c_[h]) && guard < count) {
            g = RingNext(g, count);
            ++guard;
        }
        // Each contour segment is met twice, leaving one corner and entering the next: its angle
        // and offset are worked out once.
        if (next.from != j || next.to != h) next = legOf(j, h);
        const Leg in = next;
        next = legOf(h, g);
        const todcinek& a = in.offset;
        const todcinek& b = next.offset;
        double turn = next.angle - in.angle;
        if (turn < -kPi) turn += 2 * kPi;
        if (turn > kPi) turn -= 2 * kPi;
        if (std::fabs(turn) > 1.0) {
            tpunkt x;
            bool cross = false;
            if (SamePoint(a.end, b.start)) {
                cross = true;
                x = a.end;
            } else {
                cross = SegmentIntersection(a, b, x);
            }
            if (cross) {
                if (!crossing) Append(a.start);
                Append(x);
                crossing = true;
                if (j == 0 && !p_.empty()) p_.front() = tpunkt{x.X, x.Y, 0.0};
                if (j == f_.StartIndex) startIndex = m() - 1;
            } else {
                Append(a.end);
                if (j == f_.StartIndex) startIndex = m() - 1;
                AddArcJoin(c_[h], a.end, b.start);
                Append(b.start);
                crossing = false;
            }
        } else {
            const tprosta l = OffsetLine(c_[j], c_[h], in.angle);
            double beta = (in.angle + next.angle) / 2 + kPi / 2;
            if (beta > kPi) beta -= 2 * kPi;
            const tpunkt& ph = c_[h];
            tprosta bis;
            todcinek bisSeg{ph, ph};
            if (std::fabs(beta - kPi / 2) <= 1e-5 || std::fabs(beta + kPi / 2) <= 1e-5) {
                bis.vertical = true;
                bis.slope = kBig;
                bis.intercept = ph.X;
                bisSeg.end.Y = ph.Y + 1;
            } else {
                bis.slope = std::tan(beta);
                bis.intercept = ph.Y - bis.slope * ph.X;
                bisSeg.end.X = ph.X + 1;
                bisSeg.end.Y = RoundHalfEven(std::clamp(bis.slope * bisSeg.end.X + bis.intercept, -kBig, kBig));
            }
            tpunkt x = a.end;
            LinesIntersection(l, bis, a, x, bisSeg);
            Append(x);
            if (j == f_.StartIndex) startIndex = m() - 1;
        }
        j = RingNext(j, count);
    } while (j != 0);

    if (p_.empty()) return;
    Append(p_.front());
    if (m() < 2) {
        p_.push_back(p_.front());
    }
    ThinPath(startIndex);
    IndexContour();
    // Most contours (every convex figure well larger than the tool) give a path with nothing to
    // cut out: the loop removal would only walk it.
    if (!alwaysSearch_ && PathIsClean()) {
        Close();
        return;
    }
    IndexPath();

    // Clean start: a vertex whose neighbourhood is neither too close to the contour, nor
    // crossing the path, nor on an arc.
    const int pc = m();
    std::vector<char>& onArc = w_.onArc;
    onArc.assign(static_cast<std::size_t>(pc), 0);
    for (int a : arcs_)
        if (a >= 0 && a < pc) onArc[a] = 1;
    int s = std::clamp(startIndex, 0, pc - 1);
    int h = PNext(s);
    for (int steps = 0; steps < pc - 1 && (onArc[s] || onArc[h] || Flags(s) != 0 || Flags(h) != 0); ++steps) {
        s = PNext(s);
        h = PNext(s);
    }
    arcs_.clear();

    // The clean-up can never run for ever: a global cap ends it as the other early exits do.
    long long budget = 4LL * pc * pc + 1000;
    for (int pass = 0; pass < 2; ++pass) {
        if (!RemoveLoops(s, budget)) return;
    }
    Close();
}

}  // namespace

int OffsetSide(const tfigura& figure, bool negative) {
    int side = 1;
    const bool even = figure.Level % 2 == 0;
    if ((even && figure.Direction == -1) || (!even && figure.Direction == 1)) side = -1;
    if (negative) side = -side;
    return side;
}

void OffsetContour(tfigura& figure, const OffsetOptions& options) {
    if (figure.Open) return;
    OffsetWorkspace& w = Workspace();
    ContourOffsetter(figure, static_cast<double>(options.radius), OffsetSide(figure, options.negative),
                     options.alwaysSearch, w)
        .Run();
    // The path is built in the reused buffer and kept at its exact size.
    StoreFromBuffer(figure.CutPath, w.path);
    figure.CutAlongContour = false;
}

}  // namespace vellisk
