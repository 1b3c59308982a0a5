// The command layer's moves: the go-to relative to the base point, lifted to the job's start
// height first, and the jog to the edge of the working area.
#include <algorithm>

#include "machine_link/command_layer.h"
#include "machine_link/commands.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

using namespace std::chrono_literals;

// Nearest integer, halves to even, as a 32-bit value (CoreError(Range) when it does not fit).
std::int32_t R32(double v, const char* what) { return RoundTo<std::int32_t>(v, what); }

}  // namespace

MoveCommand CommandLayer::Move(std::int32_t factor, std::int32_t dx, std::int32_t dy, std::int32_t dz) const {
    return ctx_.PlotParams.ArmController ? EncodeMoveCommandEx(factor, dx, dy, dz, kNoSpeedLimit)
                                         : EncodeMoveCommand(factor, dx, dy, dz);
}

void CommandLayer::SendMove(std::int32_t factor, std::int32_t dx, std::int32_t dy, std::int32_t dz) {
    SendCommand(Move(factor, dx, dy, dz).Bytes);
}

MoveResult CommandLayer::MoveToPoint(double x, double y, double z, std::stop_token stop) {
    BusyCursor cursor(notifier_);
    // A wait ended by a stop or a lost link ends the go-to; a parallel port that did not answer
    // has said so and reads idle, and the go-to goes on as the controller allows.
    MoveResult ended{MoveResult::Missed};
    auto waited = [&] {
        const WaitResult w = WaitWhileBusy(stop);
        if (w.Interrupted()) ended.kind = MoveResult::Stopped;
        return w || (w.kind == WaitResult::NoAnswer && !ctx_.ArmLink);
    };
    const MoveResult missed{MoveResult::Missed};
    const MoveResult arrived{MoveResult::Arrived};
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    // A newer controller that does not answer reads as zeros (idle) and is found out by the
    // position checks; only the parallel port's silence is told here.
    if (!ReadStatus() && TimedOut()) {
        notifier_.Message(env_.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok,
                          env_.Text(TextId::MoveToStart));
        return missed;
    }
    if (s.Status & (kStatusRunningFromMemory | kStatusBusy)) return missed;
    ReadBase();
    ReadPosition();
    SendCommand(Bytes({'F', 0}));

    const std::int32_t tx = R32((x * 100 + s.BaseX) * p.StepsX, "target X");
    const std::int32_t ty = R32((y * 100 + s.BaseY) * p.StepsY, "target Y");
    const std::int32_t mult = p.Multiplier;
    // The move in X and Y, encoded before anything moves: a target the move command cannot
    // reach stops the go-to here. It is empty when the machine is there already.
    const MoveCommand travel = Move(mult, CheckedSub(tx, s.StepX, "move X"), CheckedSub(ty, s.StepY, "move Y"), 0);
    const bool travels = !travel.Bytes.empty();

    // Lift to the job's start height first.
    const double startZ = job_.StartZ * 100;
    if (!p.Laser && !p.ZReversed && startZ > s.BaseZ + s.PosZ && travels) {
        const double lift = RoundHalfEven(startZ) - (s.BaseZ + s.PosZ);
        const std::int32_t liftSteps = R32(lift * p.StepsZ, "lift");
        const std::int64_t expectZ = static_cast<std::int64_t>(s.StepZ) + liftSteps;
        SendMove(mult, 0, 0, liftSteps);
        if (!waited()) return ended;
        if (ctx_.ArmLink) {
            // Checked in whole steps: the height in 0.01 mm is rarely a whole number.
            ReadPosition();
            if (s.StepZ != expectZ) return missed;
        }
    }
    if (travels) {
        SendCommand(travel.Bytes);
        if (!waited()) return ended;
        if (ctx_.ArmLink) {
            ReadPosition();
            if (s.StepX != tx || s.StepY != ty) return missed;
        }
    }
    ReadPosition();
    const double zz = z * 100;
    const std::int32_t dZ = p.ZReversed ? R32(p.StepsZ * (zz + s.BaseZ) - s.StepZ, "move Z")
                                        : R32(zz * p.StepsZ - (p.StepsZ * s.BaseZ + s.StepZ), "move Z");
    if (dZ != 0) {
        SendMove(mult, 0, 0, dZ);
        if (!waited()) return ended;
        if (ctx_.ArmLink && !p.ZReversed) {
            ReadPosition();
            return RoundHalfEven(zz * p.StepsZ) == RoundHalfEven(p.StepsZ * s.BaseZ + s.StepZ) ? arrived : missed;
        }
    }
    return arrived;
}

void CommandLayer::JogToLimit(std::uint16_t key) {
    BusyCursor cursor(notifier_);
    // A machine that was not seen idle (STOP, a lost link) is not sent on a jog; a parallel
    // port that did not answer has said so and reads idle.
    if (const WaitResult w = WaitWhileBusy(); !w && w.kind != WaitResult::NoAnswer) {
        ctx_.JogActive = true;
        return;
    }
    const tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    std::int32_t f = p.ArmController ? p.Multiplier : 1;
    const bool zFactorTwo =
        (!s.Model.empty() && s.Model[0] == '4') || ctx_.ModelCode == "VW " || ctx_.ModelCode == "BKT";
    const double areaX = ctx_.WorkAreaX * 100, areaY = ctx_.WorkAreaY * 100;
    double dX = 0, dY = 0, dZ = 0;
    auto diagonal = [&](double m, int sx, int sy) {
        m = RoundHalfEven(m);
        dX = sx * m;
        dY = sy * m;
        if (!ctx_.ArmLink) f = 2;
    };
    switch (key) {
        case kKeyPageUp:
            dZ = p.ZReversed ? s.BaseZ - s.PosZ : -s.PosZ;
            if (zFactorTwo) f = 2;
            break;
        case kKeyPageDown:
            dZ = p.ZReversed ? -s.PosZ : -(s.BaseZ + s.PosZ);
            if (zFactorTwo) f = 2;
            break;
        case kKeyLeft:
        case kKeyNumpad4: dX = -s.PosX; break;
        case kKeyRight:
        case kKeyNumpad6: dX = RoundHalfEven(areaX) - s.PosX; break;
        case kKeyUp:
        case kKeyNumpad8: dY = RoundHalfEven(areaY) - s.PosY; break;
        case kKeyDown:
        case kKeyNumpad2: dY = -s.PosY; break;
        case kKeyNumpad1: diagonal(std::min(s.PosY, s.PosX), -1, -1); break;
        case kKeyNumpad3: diagonal(std::min(s.PosY, areaX - s.PosX), 1, -1); break;
        case kKeyNumpad7: diagonal(std::min(areaY - s.PosY, s.PosX), -1, 1); break;
        case kKeyNumpad9: diagonal(std::min(areaY - s.PosY, areaX - s.PosX), 1, 1); break;
        default: break;
    }
    if (dX != 0 || dY != 0 || dZ != 0) {
        SendMove(f, R32(dX * p.StepsX, "jog X"), R32(dY * p.StepsY, "jog Y"), R32(dZ * p.StepsZ, "jog Z"));
        clock_.Sleep(10ms);
    }
    ctx_.JogActive = true;
}

}  // namespace vellisk
