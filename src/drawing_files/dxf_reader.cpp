#include "drawing_files/dxf_reader.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/core_error.h"
#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

constexpr double kPi = std::numbers::pi;

bool GroupIs(std::string_view line, std::string_view code) { return TrimBlanks(line) == code; }

}  // namespace

// ---- line access ------------------------------------------------------------------------------

DxfReader::DxfReader(DrawingText text) : owned_(std::make_unique<DrawingText>(std::move(text))), text_(owned_.get()) {}

DxfReader::DxfReader(DrawingText* shared) : text_(shared) {}

bool DxfReader::NextLine() {
    CodeParity = static_cast<std::uint8_t>(1 - CodeParity);
    bool got = text_->ReadLine(line_);
    EndOfFile = text_->Exhausted();
    if (CodeParity == 0) {
        codeZero_ = GroupIs(line_, "0");
        nameAllowed_ = false;
    } else {
        nameAllowed_ = codeZero_;
        codeZero_ = false;
    }
    return got;
}

void DxfReader::Fail(const std::string& what) const {
    throw CoreError::conversion("DXF line " + std::to_string(text_->LineNumber()) + ": " + what);
}

void DxfReader::ReadRealLine(double& value) {
    if (!NextLine() || !text_->LastLineTerminated()) return;
    std::string_view t = TrimBlanks(line_);
    if (t.empty()) return;
    if (!ParseDrawingReal(t, value)) Fail("\"" + std::string(t.substr(0, 40)) + "\" is not a number");
}

void DxfReader::ReadIntLine(std::int32_t& value) {
    if (!NextLine() || !text_->LastLineTerminated()) return;
    std::string_view t = TrimBlanks(line_);
    if (t.empty()) return;
    if (!ParseDrawingInt(t, value)) Fail("\"" + std::string(t.substr(0, 40)) + "\" is not an integer");
}

void DxfReader::ReadDxfColour() {
    std::int32_t c = CurrentPen;
    ReadIntLine(c);
    CurrentPen = c;
    figure_->Layer = c;
}

bool DxfReader::ReadNumberGroup(int code, std::initializer_list<NumberGroup> groups) {
    if (code == 62) {
        ReadDxfColour();
        return true;
    }
    for (const NumberGroup& g : groups) {
        if (g.code == code) {
            ReadRealLine(*g.value);
            return true;
        }
    }
    return false;
}

template <typename Handler>
void DxfReader::ScanGroups(Handler&& handle, bool haveCode) {
    // An entity ends where the next group 0 begins; a text that ends first ends inside it.
    for (;;) {
        if (!haveCode && !NextLine()) {
            cutOff_ = true;
            return;
        }
        haveCode = false;
        std::string_view t = TrimBlanks(line_);
        std::int32_t code = -1;
        if (!ParseDrawingInt(t, code)) code = -1;
        if (code == 0) return;
        if (!handle(code)) {
            if (!NextLine()) {  // the value is passed over
                cutOff_ = true;
                return;
            }
        }
    }
}

void DxfReader::ScanNumberGroups(std::initializer_list<NumberGroup> groups) {
    ScanGroups([&](int code) { return ReadNumberGroup(code, groups); });
}

// ---- entity loop --------------------------------------------------------------------------------

void DxfReader::ReadFigure(tfigura& figure) {
    figure_ = &figure;
    figure.Layer = CurrentPen;
    EndOfFigure = false;
    last_ = {2147483647.0, 2147483647.0, 0.0};
    pts_.clear();
    while (!EndOfFigure && !EndOfFile) {
        if (reuseLine_) {
            reuseLine_ = false;
        } else {
            NextLine();
        }
        const std::string_view l = line_;
        if (l == "ENTITIES") {
            DxfEntitiesFound = true;
            CodeParity = 1;
        }
        if (!DxfEntitiesFound) continue;
        if (l == "$LTSCALE") {
            NextLine();
            ReadRealLine(DxfLtScale);
            NextLine();
            continue;
        }
        // Entity names count only where they stand as the value of a group code 0, so that a
        // text or layer called "LINE" is not taken for an entity.
        if (!nameAllowed_) continue;
        const std::string entity(l);
        const std::int64_t entityLine = text_->LineNumber();
        cutOff_ = false;
        if (l == "LINE") {
            ReadLineEntity();
        } else if (l == "SPLINE") {
            ReadSpline();
        } else if (l == "CIRCLE") {
            ReadCircle();
        } else if (l == "ELLIPSE") {
            ReadEllipse();
        } else if (l == "ARC") {
            ReadArc();
        } else if (l == "POLYLINE") {
            ReadPolyline(false);
        } else if (l == "LWPOLYLINE") {
            NextLine();
            if (line_ == "  2") continue;
            ReadPolyline(true);
        } else {
            continue;
        }
        EndOfFigure = true;
        if (cutOff_) {
            // Half an entity is not the entity: a LINE without its end would run to the origin.
            figure.Contour.clear();
            pts_.clear();
            Warnings.push_back("DXF line " + std::to_string(entityLine) + ": " + entity +
                               " left out: the file ends inside it");
        }
    }
    EndOfFile = text_->Exhausted() && !reuseLine_;
    CompleteReadFigure(figure);
    figure_ = nullptr;
}

void DxfReader::ReadLineEntity() {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    ScanNumberGroups({{10, &x1}, {20, &y1}, {11, &x2}, {21, &y2}});
    Emit(x1, y1, 0.0);
    Emit(x2, y2, 0.0);
    FlushPoints(nullptr);
}

void DxfReader::ReadCircle() {
    double cx = 0, cy = 0, r = 0;
    ScanNumberGroups({{10, &cx}, {20, &cy}, {40, &r}});
    double c = 2.0 * kPi * r;
    double s = Clamp(c / 192.0, 5.0, 0.25);
    std::int64_t n = std::max<std::int64_t>(PointCount(c / s + 0.5, "circle"), 16);
    for (std::int64_t i = 0; i < n; ++i) {
        double a = static_cast<double>(i) * 2.0 * kPi / static_cast<double>(n);
        Emit(cx + r * std::cos(a), cy + r * std::sin(a), 0.0);
    }
    Emit(pts_.front().X, pts_.front().Y, 0.0);  // the point at 2 pi is the first one: closed
    FlushPoints(nullptr);
}

void DxfReader::ReadArc() {
    double cx = 0, cy = 0, r = 0, a0 = 0, a1 = 0;
    ScanNumberGroups({{10, &cx}, {20, &cy}, {40, &r}, {50, &a0}, {51, &a1}});
    arcR_ = r;
    arcA0_ = a0 * 2.0 * kPi / 360.0;
    arcA1_ = a1 * 2.0 * kPi / 360.0;
    arcW_ = arcA1_ - arcA0_;
    if (arcW_ < 0.0) arcW_ += 2.0 * kPi;
    AddArc(cx, cy, 0.0);
    FlushPoints(nullptr);
}

void DxfReader::ReadEllipse() {
    double cx = 0, cy = 0, mx = 0, my = 0, ratio = 0, t0 = 0, t1 = 0;
    ScanNumberGroups({{10, &cx}, {20, &cy}, {11, &mx}, {21, &my}, {40, &ratio}, {41, &t0}, {42, &t1}});
    // An elliptical arc runs counter-clockwise from its start parameter to its end parameter,
    // through 2 pi when the end is at or below the start (as an ARC runs through 0 degrees);
    // it never goes round more than once, whatever turns the parameters are written with.
    double sweep = std::fmod(t1 - t0, 2.0 * kPi);
    if (sweep <= 0.0) sweep += 2.0 * kPi;
    t1 = t0 + sweep;
    double a = std::sqrt(mx * mx + my * my);
    double b = ratio * a;
    double rot = VectorAngle({cx, cy}, {cx + mx, cy + my});
    double length = std::fabs(t1 - t0) * a;
    double s = Clamp(length / 192.0, 5.0, 0.25);
    std::int64_t n = std::max<std::int64_t>(PointCount(length / s + 0.5, "ellipse"), 16);
    double cr = std::cos(rot), sr = std::sin(rot);
    for (std::int64_t i = 0; i <= n; ++i) {
        double t = t0 + (t1 - t0) * static_cast<double>(i) / static_cast<double>(n);
        double u = a * std::cos(t), v = b * std::sin(t);
        Emit(cx + u * cr - v * sr, cy + u * sr + v * cr, 0.0);
    }
    // A full ellipse ends exactly where it starts, so that it counts as closed.
    if (std::fabs(std::fabs(t1 - t0) - 2.0 * kPi) < 1e-9) pts_.back() = pts_.front();
    FlushPoints(nullptr);
}

void DxfReader::ReadSpline() {
    std::int64_t startLine = text_->LineNumber();
    std::int32_t degree = 0, knotCount = 0, controlCount = 0;
    std::vector<double> knots;
    std::vector<tpunkt> control;
    double weight = 0, fx = 0, fy = 0;
    bool controlOpen = false;
    ScanGroups([&](int code) {
        switch (code) {
            case 71: ReadIntLine(degree); return true;
            case 72: ReadIntLine(knotCount); return true;
            case 73: ReadIntLine(controlCount); return true;
            case 40: {
                double k = 0;
                ReadRealLine(k);
                if (knots.size() <= static_cast<std::size_t>(kMaxEntityPoints)) knots.push_back(k);
                return true;
            }
            case 10:
                if (control.size() > static_cast<std::size_t>(kMaxEntityPoints))
                    Fail("SPLINE has too many control points");
                control.push_back({});
                controlOpen = true;
                ReadRealLine(control.back().X);
                return true;
            case 20:
                if (!controlOpen) return false;
                ReadRealLine(control.back().Y);
                controlOpen = false;
                return true;
            // Weights do not change the flattening; fit points are not used.
            default: return ReadNumberGroup(code, {{41, &weight}, {11, &fx}, {21, &fy}});
        }
    });
    auto skip = [&](const std::string& why) {
        Warnings.push_back("DXF line " + std::to_string(startLine) + ": SPLINE skipped: " + why);
    };
    std::size_t n = control.size();
    if (n == 0) {
        skip("it has no control points");
        return;
    }
    double len = 0.0;
    for (std::size_t i = 1; i < n; ++i) len += Distance2D(control[i - 1], control[i]);
    double s = Clamp(len / (static_cast<double>(n) * 192.0), 5.0, 0.25);
    double m = std::max(len / s, 4.0);
    double dt = std::min(1.0 / m, 0.25);
    if (!(1.0 / dt <= kMaxEntityPoints)) {
        skip("it is too large to flatten");
        return;
    }
    std::int64_t k = std::max<std::int64_t>(static_cast<std::int64_t>(RoundHalfEven(1.0 / dt)), 4);
    dt = 1.0 / static_cast<double>(k);
    PointCount(static_cast<double>(k), "SPLINE");  // the drawing's budget, before the work
    bool bezierChain = knotCount % 4 == 0 && controlCount % 4 == 0 &&
                       std::int64_t{knotCount} == std::int64_t{controlCount} + 4 && knotCount != 12;
    if (bezierChain) {
        if (n <= 3) return;
        dt = static_cast<double>(n) * dt;
        Emit(control[0].X, control[0].Y, 0.0);
        tpunkt pt;
        for (std::size_t j = 1; j <= n / 4; ++j) {
            curve_.InitBernsteinCurve(3, dt);
            while (curve_.NextBernsteinPoint(pt, control, (j - 1) * 4)) Emit(pt.X, pt.Y, 0.0);
        }
        Emit(control[n - 1].X, control[n - 1].Y, 0.0);
        FlushPoints(nullptr);
        return;
    }
    constexpr int kMaxDegree = 30;
    if (degree < 1 || degree > kMaxDegree) {
        skip("degree " + std::to_string(degree) + " is not 1 to " + std::to_string(kMaxDegree));
        return;
    }
    try {
        curve_.InitBSpline(degree, static_cast<int>(n) - 1, knots, dt);
    } catch (const CoreError& e) {
        skip(e.what());
        return;
    }
    Emit(control[0].X, control[0].Y, 0.0);
    tpunkt pt;
    while (curve_.NextBSplinePoint(pt, control)) Emit(pt.X, pt.Y, 0.0);
    Emit(control[n - 1].X, control[n - 1].Y, 0.0);
    FlushPoints(nullptr);
}

void DxfReader::ReadPolyline(bool lightweight) {
    const std::int64_t startLine = text_->LineNumber();
    TConvOCS2WCS conv;
    std::int32_t flags = 0;
    TConvOCS2WCS::Vec extrusion{0.0, 0.0, 1.0};
    std::vector<Vertex> verts;
    const std::initializer_list<NumberGroup> header{{210, &extrusion[0]}, {220, &extrusion[1]}, {230, &extrusion[2]}};
    auto headerGroup = [&](int code) {
        if (code != 70) return ReadNumberGroup(code, header);
        ReadIntLine(flags);
        return true;
    };
    if (lightweight) {
        // The vertices follow the header as groups 10, 20 and 42 of the entity itself.
        ScanGroups(
            [&](int code) {
                switch (code) {
                    case 10:
                        if (verts.size() > static_cast<std::size_t>(kMaxEntityPoints))
                            Fail("LWPOLYLINE has too many vertices");
                        verts.push_back({});
                        ReadRealLine(verts.back().x);
                        return true;
                    case 20:
                        if (verts.empty()) return false;
                        ReadRealLine(verts.back().y);
                        return true;
                    case 42:
                        if (verts.empty()) return false;
                        ReadRealLine(verts.back().bulge);
                        return true;
                    default: return headerGroup(code);
                }
            },
            true);
    } else {
        ScanGroups(headerGroup);
        bool ended = false;
        while (!EndOfFile) {
            NextLine();
            ended = true;
            if (line_ == "SEQEND") break;
            if (line_ != "VERTEX") {
                reuseLine_ = true;  // a polyline without its SEQEND: the entity loop goes on here
                break;
            }
            ended = false;
            if (verts.size() > static_cast<std::size_t>(kMaxEntityPoints)) Fail("POLYLINE has too many vertices");
            Vertex v;
            ScanGroups([&](int code) {
                if (code != 70) return ReadNumberGroup(code, {{10, &v.x}, {20, &v.y}, {30, &v.z}, {42, &v.bulge}});
                ReadIntLine(v.flags);
                return true;
            });
            verts.push_back(v);
        }
        if (!ended) cutOff_ = true;
    }
    if (!lightweight && (flags & (16 | 64)) != 0) {
        // A 3-D polygon mesh or a polyface mesh: a surface, not a contour to cut.
        Warnings.push_back("DXF line " + std::to_string(startLine) + ": POLYLINE left out: it is a " +
                           ((flags & 64) != 0 ? "polyface mesh" : "3-D polygon mesh"));
        return;
    }
    if (std::isfinite(extrusion[0] + extrusion[1] + extrusion[2]) &&
        (extrusion[0] != 0.0 || extrusion[1] != 0.0 || extrusion[2] != 0.0))
        conv.SetExtrusion(extrusion);
    // A bulge of 0 (written by many programs on every vertex) is a straight edge.
    for (Vertex& v : verts) v.hasBulge = std::fabs(v.bulge) >= 1e-12;
    bool closed = (flags & 1) != 0;

    if (!verts.empty() && (flags & 6) != 0) {
        // Fitted polyline: spline-fit ones are drawn through their fit vertices (flag 8), the
        // frame (flag 16) is left out; curve-fit ones through all their vertices.
        std::vector<tpunkt> fit, all;
        for (const Vertex& v : verts) {
            if ((v.flags & 16) == 0) all.push_back({v.x, v.y, 0.0});
            if ((v.flags & 8) != 0) fit.push_back({v.x, v.y, 0.0});
        }
        if (all.empty())
            for (const Vertex& v : verts) all.push_back({v.x, v.y, 0.0});
        const std::vector<tpunkt>& V = ((flags & 4) != 0 && !fit.empty()) ? fit : all;
        int m = static_cast<int>(V.size());
        if (m <= 3) {
            for (const tpunkt& p : V) Emit(p.X, p.Y, 0.0);
        } else {
            Emit(V[0].X, V[0].Y, 0.0);
            if (m == 4) {
                AddSplineFitSpan(V, 0, 0, 3);
            } else if (closed) {
                AddSplineFitSpan(V, 0, 0, 2);
                for (int e = 1; e <= m - 4; ++e) {
                    AddSplineFitSpan(V, e, 1, 2);
                    Emit(V[e + 2].X, V[e + 2].Y, 0.0);
                }
                AddSplineFitSpan(V, m - 3, 1, 3);
            } else {
                AddSplineFitSpan(V, 0, 0, 2);
                for (int e = 1; e <= m - 5; ++e) {
                    AddSplineFitSpan(V, e, 1, 2);
                    Emit(V[e + 2].X, V[e + 2].Y, 0.0);
                }
                AddSplineFitSpan(V, m - 4, 1, 3);
            }
            const tpunkt& end = closed ? V[0] : V[m - 1];
            Emit(end.X, end.Y, 0.0);
        }
    } else if (!verts.empty()) {
        for (std::size_t i = 0; i < verts.size(); ++i) {
            if (i > 0 && verts[i - 1].hasBulge) AddBulgeArc(verts[i - 1], verts[i]);
            if (!verts[i].hasBulge) Emit(verts[i].x, verts[i].y, verts[i].z);
        }
        const Vertex& lastV = verts.back();
        if (closed) {
            if (lastV.hasBulge) AddBulgeArc(lastV, verts.front());
            if (!pts_.empty() && (pts_.back().X != pts_.front().X || pts_.back().Y != pts_.front().Y))
                Emit(pts_.front().X, pts_.front().Y, pts_.front().Z);
        } else if (lastV.hasBulge) {
            Emit(lastV.x, lastV.y, lastV.z);
        }
    }
    FlushPoints(&conv);
}

}  // namespace vellisk
