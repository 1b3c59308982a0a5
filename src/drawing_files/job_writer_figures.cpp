// The commands of each figure of a machine job: the approach, the drilling or the cut along the
// 3-D path (vertex by vertex with the speed profile, or as Bezier packets), the lift back; the
// G-code program's own moves; and the figures of an HPGL export.
#include "drawing_files/job_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "drawing_files/speed_profile.h"
#include "machine_link/commands.h"
#include "model/core_error.h"
#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

std::string Padded(std::string text, char pad, std::size_t size = 16) {
    if (text.size() < size) text.append(size - text.size(), pad);
    return text;
}

}  // namespace

// ---- figures ------------------------------------------------------------------------------

double JobWriter::SafeZ() const {
    if (m_.ZReversed) return m_.JobStartZ;
    return settings_.Thickness + settings_.AboveTable + settings_.AboveMaterial;
}

double JobWriter::MachineX(const tfigura& f, double x) const {
    return settings_.Scale / 100.0 * UnitsToMm(fileKind_, x - f.OriginX);
}
double JobWriter::MachineY(const tfigura& f, double y) const {
    return settings_.Scale / 100.0 * UnitsToMm(fileKind_, y - f.OriginY);
}
double JobWriter::MachineZ(double z) const { return UnitsToMm(fileKind_, z); }

void JobWriter::WriteStreamFigure(tfigura& f) {
    if (f.ToolPath3D.size() < 2) return;
    const JobWriterSettings& s = settings_;
    const std::int32_t k = TravelFactor();
    BuildSpeedProfile(f, fileKind_, m_, s.Smoothing);
    const tpunkt& p0 = f.ToolPath3D[0];
    const double X0 = MachineX(f, p0.X), Y0 = MachineY(f, p0.Y);
    const double grubosc = s.Thickness, ponadStol = s.AboveTable;

    Pause(10);
    Mode(0);
    Lubrication(s.OilWhileTravelling);
    if (!m_.Laser) Outputs(1, 1);
    Move(k, kNoSpeedLimit, X0, Y0, SafeZ());
    Pause(10);
    if (f.PointFigure && s.OilBeforeDrilling) Lubrication(true);
    if (m_.ZReversed) {
        Move(k, kNoSpeedLimit, X0, Y0, m_.JobStartZ);
        Pause(10);
        Mode(1);
    } else {
        Move(k, kNoSpeedLimit, X0, Y0, grubosc + ponadStol + 1.0);
        Pause(10);
        Speed(3, s.DrillFeed, true);
        Mode(3);
        Move(k, kNoSpeedLimit, X0, Y0, grubosc + ponadStol);
        Pause(10);
        Mode(1);
    }

    double Xe = X0, Ye = Y0;
    if (f.PointFigure)
        WriteDrilling(f, X0, Y0, Xe, Ye);
    else
        WriteContour(f, X0, Y0, Xe, Ye);

    // Lift back to the safe height.
    Pause(2);
    Speed(3, s.DrillRetract, true);
    Mode(m_.Laser ? 0 : 3);
    Move(k, kNoSpeedLimit, Xe, Ye, SafeZ());
    Pause(10);
    Mode(0);
    if (!m_.Laser) Outputs(1, 1);
    if (!s.OilWhileTravelling) Lubrication(false);
    FreeSpeedProfile(f);
}

void JobWriter::WriteDrilling(const tfigura& f, double X0, double Y0, double& Xe, double& Ye) {
    const JobWriterSettings& s = settings_;
    if (m_.Laser) {
        const std::int32_t pulse = RoundTo<std::int32_t>(s.LaserPulseTime, "laser pulse time");
        Pause(1);
        Outputs(1, 1);
        Emit(LaserTimeCommand(pulse));
        Packet("sLP");
        Emit(LaserPowerCommand(pulse));
        Pause(1);
        Outputs(0, 1);
        Xe = X0;
        Ye = Y0;
        return;
    }
    const tpunkt& p1 = f.ToolPath3D[1];
    const double X = MachineX(f, p1.X), Y = MachineY(f, p1.Y);
    const double zEnd = MachineZ(p1.Z);
    double depth = m_.StepsZ == 0.0 ? 0.0 : m_.ZReversed ? m_.JobStartZ : s.Thickness + s.AboveTable;
    const double peck = s.DrillPeck;
    const double feed = s.DrillFeed, retract = s.DrillRetract;
    // Holes within the machine take at most tens of thousands of pecks; a bottom far beyond
    // (a damaged drawing) would write pecks without end before any move became too long.
    constexpr double kMaxPecks = 1.0e6;
    if (peck > 0.0 && (depth - zEnd) / peck > kMaxPecks)
        throw CoreError::range("hole too deep for the machine: " + std::to_string(depth - zEnd) + " mm");
    Lubrication(s.OilWhileDrilling);
    while (peck > 0.0 && depth - peck > zEnd) {
        depth -= peck;
        Pause(10);
        Speed(3, feed, true);
        Mode(3);
        Move(1, kNoSpeedLimit, X, Y, depth);
        Pause(10);
        Speed(3, retract, true);
        Mode(3);
        Move(1, kNoSpeedLimit, X, Y, depth + 0.5);
        Pause(10);
        Speed(3, feed, true);
        Mode(3);
        Move(1, kNoSpeedLimit, X, Y, depth);
    }
    Pause(10);
    Speed(3, feed, true);
    Mode(3);
    Move(1, kNoSpeedLimit, X, Y, zEnd);
    Pause(10);
    Xe = X;
    Ye = Y;
}

void JobWriter::WriteContour(tfigura& f, double X0, double Y0, double& Xe, double& Ye) {
    const JobWriterSettings& s = settings_;
    const bool smoothing = s.Smoothing;
    const bool olderSmoothing = m_.ArmLink && smoothing && !m_.ArmController;
    Lubrication(s.OilWhileCutting);
    if (m_.PlungePitch >= 100.0 && !s.Polish && !s.Multilayer && !m_.ZReversed) {
        double depth = s.Thickness + s.AboveTable - s.Depth;
        Pause(10);
        Speed(3, s.DrillFeed, true);
        Mode(3);
        Move(TravelFactor(), kNoSpeedLimit, X0, Y0, depth);
        Pause(10);
        Mode(1);
    }
    if (olderSmoothing) AppendSmoothing(out_, 1);
    if (!m_.Laser) Outputs(1, 1);
    if (m_.Laser && !s.FlyingStart) {
        Pause(1);
        Outputs(1, 1);
        Packet("sLS");
    }
    std::uint32_t workTimer = m_.SpeedToTimer(RoundTo<std::int32_t>(s.WorkSpeed, "work speed"));
    double rampLength = static_cast<double>(m_.RampIndexOfTimer(
                            static_cast<std::int32_t>(std::min<std::uint32_t>(workTimer, 0x7FFFFFFF)))) /
                        100.0 / m_.StepsX;
    rampLength = std::max(rampLength, 0.1);
    // Bezier packets exist only in the newer controller's command set. A figure without a ramped
    // curve (open paths, engraving strokes, hatch lines) is cut along its vertices.
    if (m_.ArmController && m_.Firmware550 && smoothing && !f.RampedBezierPath.empty())
        WriteBezierPath(f, Xe, Ye);
    else
        WriteVertexPath(f, rampLength, Xe, Ye);
    if (m_.Laser) {
        Pause(1);
        if (s.LaserSoftStart)
            Outputs(1, 3);
        else
            Packet("sLC");
    }
    if (olderSmoothing) AppendSmoothing(out_, 0);
}

void JobWriter::WriteBezierPath(const tfigura& f, double& Xe, double& Ye) {
    const double scale = settings_.Scale / 100.0;
    auto steps = [&](const tpunkt& p) {
        TIntPoint3D r;
        r.X = RoundTo<std::int32_t>(scale * UnitsToMm(fileKind_, p.X - f.OriginX) * 100.0 * m_.StepsX, "control point");
        r.Y = RoundTo<std::int32_t>(scale * UnitsToMm(fileKind_, p.Y - f.OriginY) * 100.0 * m_.StepsY, "control point");
        r.Z = RoundTo<std::int32_t>(UnitsToMm(fileKind_, p.Z) * 100.0 * m_.StepsZ, "control point");
        return r;
    };
    auto relative = [&](const TIntPoint3D& p) {
        return TIntPoint3D{CheckedSub(p.X, position_.X, "control point"), CheckedSub(p.Y, position_.Y, "control point"),
                           CheckedSub(p.Z, position_.Z, "control point")};
    };
    auto pointPacket = [](const std::string& name, const TIntPoint3D& p) {
        return Padded(name + RecordBytes(p.X, p.Y, p.Z), ' ');
    };
    auto valuePacket = [](const std::string& name, const std::string& v) { return Padded(name + v, ' '); };
    for (const BezierSegmentRecord& seg : f.RampedBezierPath) {
        // The curve stays inside its control polygon: its end and both control points bound
        // where the tool goes (the laser's early-start check reads these extents).
        const TIntPoint3D c1 = steps(seg.P1), c2 = steps(seg.P2);
        TIntPoint3D p1 = relative(c1);
        TIntPoint3D p2 = relative(c2);
        TIntPoint3D end = steps(seg.P3);
        Extend(c1);
        Extend(c2);
        Extend(end);
        TIntPoint3D p3 = relative(end);
        position_ = end;
        double u = static_cast<double>(seg.ParameterStep) * 0.8;
        if (!(u > 0.0)) throw CoreError::range("Bezier parameter step out of range");
        std::string out;
        out.reserve(8 * 16 + 5);
        out += pointPacket("sWA", TIntPoint3D{});
        out += pointPacket("sWB", p1);
        out += pointPacket("sWC", p2);
        out += pointPacket("sWD", p3);
        out += valuePacket("sWU", SingleBytes(static_cast<float>(u)));
        out += valuePacket("sWL", IntToBytes4(RoundTo<std::int32_t>(1.0 / u, "parameter steps")));
        out += valuePacket("sWG", IntToBytes4(seg.SmoothJoin ? 1 : 0));
        out += Padded("sWW", ' ');
        if (!seg.SmoothJoin) {
            AppendSpeedIndex(out, 0xFFFF);
            AppendPause(out, 100);
        }
        Emit(out);
        Xe = MachineX(f, seg.P3.X);
        Ye = MachineY(f, seg.P3.Y);
    }
}

void JobWriter::WriteVertexPath(const tfigura& f, double rampLength, double& Xe, double& Ye) {
    const JobWriterSettings& s = settings_;
    const std::int32_t k = TravelFactor();
    const bool flying = s.FlyingStart && m_.Laser;
    const bool softStart = s.LaserSoftStart;
    const bool polishSwitch = s.Polish;
    const double polishLevel = s.Thickness + s.AboveTable - s.Depth + s.PolishStart;
    const double reversedZ = m_.ZReversed ? RoundHalfEven(MmToUnits(fileKind_, m_.JobStartZ)) : 0.0;
    auto prepare = [&](const tpunkt& p) {
        tpunkt q{p.X - f.OriginX, p.Y - f.OriginY, p.Z};
        if (m_.ZReversed) q.Z = reversedZ;
        if (m_.StepsZ == 0.0) q.Z = 0.0;
        return q;
    };
    const double scale = s.Scale / 100.0;
    auto mx = [&](double x) { return scale * UnitsToMm(fileKind_, x); };

    std::uint16_t last = 65535;
    bool indexSet = true, runUp = false, laserPending = false, stopSeen = false, polishing = false;
    double dx = 0.0, dy = 0.0;
    const auto& path = f.ToolPath3D;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const tpunkt P = prepare(path[i]);
        const std::uint16_t v = f.SpeedProfile[i];
        const double X = mx(P.X), Y = mx(P.Y), Z = MachineZ(P.Z);
        if (flying && i > 0 && !runUp) {
            const tpunkt Q = prepare(path[i - 1]);
            double ddx = P.X - Q.X, ddy = P.Y - Q.Y;
            double l = std::sqrt(ddx * ddx + ddy * ddy);
            if (l > 0.0) {
                dx = ddx * rampLength / l;
                dy = ddy * rampLength / l;
                const double Xq = mx(Q.X), Yq = mx(Q.Y), Zq = MachineZ(Q.Z);
                Move(k, kNoSpeedLimit, Xq - dx, Yq - dy, Zq);
                Pause(100);
                Move(k, v, Xq, Yq, Zq);
                runUp = true;
                laserPending = true;
            }
        }
        if (polishSwitch && !polishing && MachineZ(P.Z) + 0.001 < polishLevel) {
            polishing = true;
            Speed(3, s.PolishSpeed, false);
            Pause(1);
            Mode(3);
            if (!m_.Laser) Outputs(1, 3);
        }
        if (!m_.ArmController) {
            // The move and its speed index go straight into the output.
            AppendMoveTo(out_, k, kNoSpeedLimit, X, Y, Z);
            if (v < 24) {
                if (indexSet) AppendSpeedIndex(out_, 1);
                last = 1;
                indexSet = false;
            } else if (v < 65535) {
                if (std::fabs(static_cast<double>(v) - last) / last > 0.1) {
                    AppendSpeedIndex(out_, v);
                    indexSet = true;
                    last = v;
                }
            } else {
                if (indexSet) AppendSpeedIndex(out_, 1);
                AppendPause(out_, 1);
                indexSet = false;
                // The controller's index is cleared now: the next vertex must send its limit.
                last = 1;
            }
            HandOverSome();
        } else {
            if (v < 24) {
                last = 1;
                indexSet = false;
            } else if (v < 65535) {
                indexSet = true;
                last = v;
            } else {
                last = 65535;
                stopSeen = true;
                indexSet = false;
            }
            Move(k, last, X, Y, Z);
            if (laserPending) {
                Outputs(1, 1);
                Packet("sLS");
                laserPending = false;
            }
            if (stopSeen) {
                stopSeen = false;
                if (flying && runUp) {
                    Move(k, kNoSpeedLimit, X + dx, Y + dy, Z);
                    if (softStart)
                        Outputs(1, 3);
                    else
                        Packet("sLC");
                    Pause(10);
                    runUp = false;
                } else {
                    Pause(10);
                }
            }
        }
        Xe = X;
        Ye = Y;
    }
}

void JobWriter::WriteGcodeFigure(tfigura& f) {
    if (f.ToolPath3D.empty()) return;
    const JobWriterSettings& s = settings_;
    const std::int32_t k = TravelFactor();
    const bool olderSmoothing = m_.ArmLink && s.Smoothing && !m_.ArmController;
    BuildSpeedProfile(f, fileKind_, m_, s.Smoothing);
    Pause(10);
    if (f.RapidFigure) {
        Mode(0);
    } else {
        Speed(1, f.Feed, false);
        Mode(1);
    }
    if (olderSmoothing) AppendSmoothing(out_, 1);
    const double scale = s.Scale;
    auto mm = [&](double c) { return UnitsToMm(fileKind_, RoundHalfEven(scale * c / 100.0)); };
    bool indexSet = true;
    for (std::size_t i = 0; i < f.ToolPath3D.size(); ++i) {
        const tpunkt& p = f.ToolPath3D[i];
        const std::uint16_t v = f.SpeedProfile[i];
        AppendMoveTo(out_, k, kNoSpeedLimit, mm(p.X), mm(p.Y), mm(p.Z));
        if (v < 24) {
            if (indexSet) AppendSpeedIndex(out_, 1);
            indexSet = false;
        } else if (v < 65535) {
            AppendSpeedIndex(out_, v);
            indexSet = true;
        } else {
            if (indexSet) AppendSpeedIndex(out_, 1);
            indexSet = false;
            AppendPause(out_, 10);
        }
        HandOverSome();
    }
    if (olderSmoothing) AppendSmoothing(out_, 0);
    Pause(20);
    FreeSpeedProfile(f);
}

// ---- HPGL export --------------------------------------------------------------------------

void JobWriter::WriteHpglPath(const std::vector<tpunkt>& path, std::int32_t layer, bool contour, bool skipRepeats) {
    if (path.size() < 2) return;
    std::string out;
    bool select = contour ? (layer != currentPen_ || currentPen_ == 0)
                          : (currentPen_ == 0 || (layer != currentPen_ && !settings_.AllInOneFigure));
    if (select) {
        out += "SP " + std::to_string(layer) + ";\r\n";
        currentPen_ = layer;
    }
    // Plotter units are 40 per mm: a DXF or G-code drawing (100 units per mm) is converted, so
    // that the exported drawing keeps its size; an HPGL drawing is written as it stands.
    const bool plotterUnits = fileKind_ == KindHpgl;
    auto coord = [plotterUnits](double v) {
        const double u = plotterUnits ? v : static_cast<double>(static_cast<long double>(v) * 40.0L / 100.0L);
        return std::to_string(RoundTo<std::int64_t>(u, "HPGL coordinate"));
    };
    out += "PA " + coord(path[0].X) + "," + coord(path[0].Y) + ";\r\n";
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (skipRepeats && path[i].X == path[i - 1].X && path[i].Y == path[i - 1].Y) continue;
        out += "PD " + coord(path[i].X) + "," + coord(path[i].Y) + ";\r\n";
    }
    out += "PU;\r\n";
    Emit(out);
}

void JobWriter::WriteHpglFigure(const tfigura& f) {
    WriteHpglPath(f.Contour, f.Layer, true, false);
    std::vector<tpunkt> room;
    WriteHpglPath(CuttingPath(f, room), f.Layer, false, true);
    WriteHpglPath(f.ToolPath3D, f.Layer, false, false);
}

}  // namespace vellisk
