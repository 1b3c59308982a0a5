#include "machine_operation/move_dialog.h"

#include <algorithm>
#include <chrono>

#include "machine_operation/machine_moves.h"
#include "model/numeric.h"
#include "platform/whole_file.h"
#include "settings/number_text.h"

namespace vellisk {

using namespace std::chrono_literals;

MoveDialog::MoveDialog(CommandLayer& layer, const ProgramEnvironment& env, const Settings& settings)
    : layer_(layer), env_(env), settings_(settings) {}

bool MoveDialog::Execute(UserInterrupt& interrupt) {
    if (!WaitForIdleStatus(layer_, interrupt)) return false;
    MachineContext& ctx = layer_.Context();
    const tplotstate& s = ctx.PlotState;
    const tplotparams& p = ctx.PlotParams;
    double dX = 0, dY = 0, dZ = 0;
    std::int32_t stepsX = 0;
    if (mode == ToMachine || mode == ToProject) {
        double tx = mode == ToMachine ? x : x + s.BaseX / 100;
        double ty = mode == ToMachine ? y : y + s.BaseY / 100;
        double tz = z;
        tx = std::min(std::max(tx, 0.0), ctx.WorkAreaX);
        ty = std::min(std::max(ty, 0.0), ctx.WorkAreaY);
        tz = std::min(std::max(tz, 0.0), s.BaseZ / 100);
        if (mode == ToMachine) {
            x = tx;
            y = ty;
            z = tz;
        }
        dX = tx - s.PosX / 100;
        dY = ty - s.PosY / 100;
        dZ = tz - (s.BaseZ + s.PosZ) / 100;
        stepsX = MmToSteps(dX, p.StepsX);
    } else {
        dX = x;
        dY = y;
        dZ = z;
        if (dX < 0 && dX + s.PosX / 100 < 0) dX = -s.PosX / 100;
        if (dX > 0 && dX + s.PosX / 100 > ctx.WorkAreaX) dX = ctx.WorkAreaX - s.PosX / 100;
        if (dY < 0 && dY + s.PosY / 100 < 0) dY = -s.PosY / 100;
        if (dY > 0 && dY + s.PosY / 100 > ctx.WorkAreaY) dY = ctx.WorkAreaY - s.PosY / 100;
        if (dZ < 0 && dZ + s.PosZ / 100 < 0) dZ = -s.PosZ / 100;
        if (dZ > 0 && dZ + s.PosZ / 100 > s.BaseZ / 100) dZ = (s.BaseZ - s.PosZ) / 100;
        // The absolute target in steps less the step position: no drift from rounding.
        stepsX = RoundTo<std::int32_t>((dX * 100 + s.PosX) * p.StepsX, "move steps") - s.StepX;
    }
    const std::int32_t stepsY = MmToSteps(dY, p.StepsY);
    const std::int32_t stepsZ = withoutZ ? 0 : MmToSteps(dZ, p.StepsZ);
    Send(layer_, DialogMove(ctx, p.Multiplier, stepsX, stepsY, stepsZ));
    return true;
}

namespace {

// A move of d mm from pos on an axis of 0..limit mm, shortened to end inside it; never turned
// the other way.
double InsideArea(double d, double pos, double limit) {
    if (d > 0) return std::max(0.0, std::min(d, limit - pos));
    if (d < 0) return std::min(0.0, std::max(d, -pos));
    return 0.0;
}

}  // namespace

bool MoveDialog::MoveEnds(UserInterrupt& interrupt) {
    MachineContext& ctx = layer_.Context();
    for (;;) {
        if (!layer_.ReadStatus()) return false;
        // The machine's STOP key ends the test here (the panel need not hold anything).
        const bool stopKey = ((ctx.PlotState.RawStatus >> 8) & kMachineKeyStop) != 0;
        if (stopKey) ctx.PendingMachineKeys.fetch_and(static_cast<std::uint8_t>(~kMachineKeyStop));
        if (stopKey || interrupt.Poll()) {
            layer_.StopMotion();
            return false;
        }
        if ((ctx.PlotState.Status & kStatusBusy) == 0) return true;
        layer_.GetClock().Sleep(10ms);
    }
}

void MoveDialog::MotionTest(UserInterrupt& interrupt) {
    MachineContext& ctx = layer_.Context();
    if (!WaitForIdleStatus(layer_, interrupt)) return;
    layer_.ReadPosition();
    const tplotstate& s = ctx.PlotState;
    const tplotparams& p = ctx.PlotParams;
    // Both ends of the back-and-forth stay inside the work area the controller reports.
    const double dx = InsideArea(x, s.PosX / 100, ctx.WorkAreaX);
    const double dy = InsideArea(y, s.PosY / 100, ctx.WorkAreaY);
    const double dz = withoutZ ? 0.0 : InsideArea(z, s.PosZ / 100, ctx.WorkAreaZ);
    const std::int32_t sx = MmToSteps(dx, p.StepsX), sy = MmToSteps(dy, p.StepsY), sz = MmToSteps(dz, p.StepsZ);
    if (sx == 0 && sy == 0 && sz == 0) return;
    const std::string forth = DialogMove(ctx, 1, sx, sy, sz);
    const std::string back = DialogMove(ctx, 1, -sx, -sy, -sz);
    // Each move is waited for twice (the busy bit may show only after the first reply); a key,
    // a click or the machine's STOP key ends the test at once, mid-move.
    for (;;) {
        if (!Send(layer_, forth) || !MoveEnds(interrupt) || !MoveEnds(interrupt)) return;
        if (!Send(layer_, back) || !MoveEnds(interrupt) || !MoveEnds(interrupt)) return;
    }
}

void MoveDialog::HeaterTest(UserInterrupt& interrupt) {
    const double pause = RoundHalfEven(settings_.Number(setting::SpinUpTime) * 1000);
    const std::string on("R\x01\x02", 3), off("R\x00\x02", 3);
    for (;;) {
        if (!Send(layer_, on) || !WaitIdle(layer_)) return;
        layer_.GetClock().SleepMs(pause);
        if (!Send(layer_, off) || !WaitIdle(layer_)) return;
        layer_.GetClock().SleepMs(pause);
        if (interrupt.Poll()) return;
    }
}

void MoveDialog::LaserTest(UserInterrupt& interrupt) {
    auto powerByte = [](double percent) {
        return static_cast<char>(RoundTo<std::uint8_t>(percent * 255 / 100, "laser power"));
    };
    const std::string work = std::string("T\x01", 2) + powerByte(settings_.Number(setting::WorkPower));
    const std::string idle = std::string("T\x03", 2) + powerByte(settings_.Number(setting::LaserIdlePower));
    if (!Send(layer_, work) || !Send(layer_, idle)) return;
    const double pulse = RoundHalfEven(settings_.Number(setting::LaserPulseTime));
    for (;;) {
        if (!Send(layer_, std::string("R\x01\x01", 3)) || !Send(layer_, PadPacket("SLS"))) return;
        layer_.GetClock().SleepMs(pulse);
        if (!Send(layer_, std::string("R\x01\x03", 3))) return;
        layer_.GetClock().SleepMs(1000);
        if (interrupt.Poll()) return;
    }
}

bool MoveDialog::NearGrid40(std::int32_t v) {
    const std::int32_t m = ((v + 20) / 40) * 40;
    return std::abs(v - m) < 5;
}

std::string MoveDialog::ScanLine(double x, double y, double z) {
    std::string line;
    for (double v : {x, y, z}) {
        std::string t = FormatFixedNumber(v, 2, '.');
        if (t.size() < 8) t.insert(0, 8 - t.size(), ' ');
        line += t;
    }
    return line;
}

void MoveDialog::MoveTo(double tx, double ty, double zt, std::int32_t factor) {
    MachineContext& ctx = layer_.Context();
    const tplotstate& s = ctx.PlotState;
    const tplotparams& p = ctx.PlotParams;
    Send(layer_, DialogMove(ctx, factor, MmToSteps(tx - s.PosX / 100, p.StepsX), MmToSteps(ty - s.PosY / 100, p.StepsY),
                            MmToSteps(zt - (s.BaseZ + s.PosZ) / 100, p.StepsZ)));
}

bool MoveDialog::ScanRun(UserInterrupt& interrupt, std::string& lines, double dx, double dy, double zt) {
    MachineContext& ctx = layer_.Context();
    const tplotstate& s = ctx.PlotState;
    double X = 0, Y = 20.0, dir = 1;
    MoveTo(X, Y, zt, ctx.PlotParams.Multiplier);
    if (!WaitIdle(layer_)) return false;
    bool stop = interrupt.Poll();
    while (X + dx <= ctx.WorkAreaX && !stop) {
        layer_.ReadPosition();
        if (!NearGrid40(RoundTo<std::int32_t>(Y, "scan row"))) {
            MoveTo(X, Y, zt, 1);
            if (!WaitIdle(layer_)) return false;
            if (!Send(layer_, "W") || !WaitIdle(layer_)) return false;
            layer_.ReadPosition();
            layer_.GetClock().Sleep(200ms);
            lines += ScanLine(X, Y, (s.BaseZ + s.PosZ) / 100) + "\r\n";
            Send(layer_, DialogMove(ctx, 1, 0, 0, MmToSteps(zt - (s.BaseZ + s.PosZ) / 100, ctx.PlotParams.StepsZ)));
            if (!WaitIdle(layer_)) return false;
        }
        Y += dir * dy;
        if (Y > ctx.WorkAreaY || Y < 0) {
            dir = -dir;
            Y += dir * dy;
            X += dx;
        }
        stop = interrupt.Poll();
    }
    return true;
}

bool MoveDialog::Scan(UserInterrupt& interrupt) {
    MachineContext& ctx = layer_.Context();
    // A spacing of zero or below would never leave the work area's grid (or leave it at once
    // the wrong way): refused like empty fields.
    if (x <= 0 || y <= 0 || z == 0) {
        layer_.GetNotifier().Message(env_.Text(TextId::PutTheParameters), MessageKind::Error, Buttons::Ok, "scan");
        return false;
    }
    if (!WaitForIdleStatus(layer_, interrupt)) return false;
    layer_.ReadPosition();
    std::string lines;
    const bool linkKept = ScanRun(interrupt, lines, x, y, z);
    // The points probed so far are kept whatever ended the scan, with the program's other files
    // (the current folder of a program started from the desktop is "/" or the home folder).
    if (std::string why; !WriteWholeFile(env_.ProgramDir / "scan.txt", lines, &why))
        layer_.GetNotifier().Message(why, MessageKind::Error);
    if (!linkKept) return true;
    layer_.ReadPosition();
    const tplotstate& s = ctx.PlotState;
    const tplotparams& p = ctx.PlotParams;
    Send(layer_, DialogMove(ctx, p.Multiplier, MmToSteps(-s.PosX / 100, p.StepsX), MmToSteps(-s.PosY / 100, p.StepsY),
                            MmToSteps(-s.PosZ / 100, p.StepsZ)));
    return true;
}

}  // namespace vellisk
