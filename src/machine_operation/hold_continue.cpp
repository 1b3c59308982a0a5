// Hold and continue of a job that runs from the controller's memory. Hold stops it with "Q",
// remembers where the tool was, lifts the tool to the job's start height over that point and
// switches the spindle off; continue starts the spindle (with its spin-up time), goes back to
// the held point, selects the work speed and resumes with "K". During a bitmap burn both only
// pause or resume the burn.
#include "machine_link/commands.h"
#include "machine_operation/manual_control.h"
#include "model/numeric.h"
#include "settings/settings.h"

namespace vellisk {

using namespace std::chrono_literals;

void ManualControl::Hold() {
    tplotstate& s = s_.ctx.PlotState;
    const tplotparams& p = s_.ctx.PlotParams;
    if (!s_.LinkAnswers(TextId::PanelHoldCaption)) return;
    if (s_.ctx.BurnRunning.load()) {
        s_.ctx.BurnStopRequested = true;
        return;
    }
    if ((s.Status & kStatusRunningFromMemory) == 0) return;

    s_.layer.SendCommand("Q");
    // A wait ended by STOP or a lost link leaves the job as it is: nothing more is sent.
    if (s_.layer.WaitWhileBusy().Interrupted()) return;
    if (s_.ctx.ArmLink) {
        // A controller that does not stop its job is not parked: nothing more is sent.
        if (!s_.WaitForStatusClear(kStatusBusy | kStatusRunningFromMemory, TextId::PanelHoldCaption)) return;
        s_.clock.Sleep(100ms);
    }
    s_.layer.SendCommand(Bytes({'F', 0}));
    s_.clock.Sleep(100ms);
    if (s_.layer.WaitWhileBusy().Interrupted()) return;
    s_.layer.ReadPosition();
    s_.layer.ReadBase();
    heldX_ = s.PosX - s.BaseX;
    heldY_ = s.PosY - s.BaseY;
    heldZ_ = p.ZReversed ? s.PosZ - s.BaseZ : s.PosZ + s.BaseZ;
    if (s_.layer.MoveToPoint(heldX_ / 100, heldY_ / 100, s_.job.StartZ).kind == MoveResult::Stopped) return;
    if (s_.layer.WaitWhileBusy().Interrupted()) return;
    if (s_.ctx.ArmLink) s_.clock.Sleep(10ms);
    if (!p.Laser) s_.layer.SendCommand(Bytes({'R', 0, 2}));
    if (s_.ctx.ArmLink) s_.clock.Sleep(10ms);
    s_.layer.SendCommand(Bytes({'F', 2}));
    if (s_.ctx.ArmLink) s_.clock.Sleep(10ms);
    if (s_.ctx.ArmLink && !p.ArmController) s_.layer.SendCommand(Bytes({'S', 0}));
    s_.layer.SendCommand(Bytes({'R', 0, 2}));
    s_.ctx.JobHeld = true;
    s_.notifier.Status(s_.env.Text(TextId::PanelJobHeld));
}

void ManualControl::Continue() {
    tplotstate& s = s_.ctx.PlotState;
    const tplotparams& p = s_.ctx.PlotParams;
    if (!s_.LinkAnswers(TextId::PanelContinueCaption)) return;
    // During a burn only the burn goes on: the burn thread waits paused until it is woken.
    if (s_.ctx.BurnRunning.load()) {
        if (s_.ctx.BurnStopRequested.load()) {
            s_.ctx.BurnStopRequested = false;
            if (s_.hooks.resumeBurn) s_.hooks.resumeBurn();
        }
        return;
    }
    if (s.Status & (kStatusRunningFromMemory | kStatusBusy)) return;
    if (!s_.ctx.ArmLink && (s.Status & kStatusJobStored) == 0) return;
    if (!s_.ctx.JobHeld) return;

    if (s_.layer.WaitWhileBusy().Interrupted()) return;
    if (!s_.layer.ReadStatus()) return;  // still held
    s_.layer.ReadPosition();
    s_.layer.ReadBase();
    s_.layer.SendCommand(Bytes({'F', 0}));
    if (s_.ctx.ArmLink) s_.clock.Sleep(100ms);
    if (!p.Laser) {
        s_.layer.SendCommand(Bytes({'R', 1, 1}));
        s_.clock.SleepMs(RoundHalfEven(s_.settings.Number(setting::SpinUpTime) * 1000));
    }
    if (s_.layer.MoveToPoint(heldX_ / 100, heldY_ / 100, heldZ_ / 100).kind == MoveResult::Stopped) return;
    if (s_.layer.WaitWhileBusy().Interrupted()) return;  // still held
    if (p.Laser) s_.layer.SendCommand(Bytes({'R', 1, 1}));
    s_.layer.SendCommand(Bytes({'F', 1}));
    if (s_.layer.WaitWhileBusy().Interrupted()) return;
    s_.layer.SendCommand("K");
    s_.ctx.JobHeld = false;
    s_.notifier.Status("");
}

}  // namespace vellisk
