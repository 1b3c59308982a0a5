// Hold and continue of a job that runs from the controller's memory. Hold stops it with "Q",
// remembers where the tool was, lifts the tool to the job's start height over that point and
// switches the spindle off; continue starts the spindle (with its spin-up time), goes back to
// the held point, selects the work speed and resumes with "K". During a bitmap burn both only
// pause or resume the burn.
#include "machine_link/commands.h"
#include "machine_operation/control_panel.h"
#include "model/numeric.h"
#include "settings/settings.h"

namespace vellisk {

using namespace std::chrono_literals;

void ControlPanel::wstrzymaj() {
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (!LinkAnswers(TextId::PanelHoldCaption)) return;
    if (ctx_.BurnRunning.load()) {
        ctx_.BurnStopRequested = true;
        return;
    }
    if ((s.Status & kStatusRunningFromMemory) == 0) return;

    layer_.SendCommand("Q");
    // A wait ended by STOP or a lost link leaves the job as it is: nothing more is sent.
    if (layer_.WaitWhileBusy().Interrupted()) return;
    if (ctx_.ArmLink) {
        // A controller that does not stop its job is not parked: nothing more is sent.
        if (!WaitForStatusClear(kStatusBusy | kStatusRunningFromMemory, TextId::PanelHoldCaption)) return;
        clock_.Sleep(100ms);
    }
    layer_.SendCommand(Bytes({'F', 0}));
    clock_.Sleep(100ms);
    if (layer_.WaitWhileBusy().Interrupted()) return;
    layer_.ReadPosition();
    layer_.ReadBase();
    heldX_ = s.PosX - s.BaseX;
    heldY_ = s.PosY - s.BaseY;
    heldZ_ = p.ZReversed ? s.PosZ - s.BaseZ : s.PosZ + s.BaseZ;
    if (layer_.MoveToPoint(heldX_ / 100, heldY_ / 100, ctx_.JobStartZ).kind == MoveResult::Stopped) return;
    if (layer_.WaitWhileBusy().Interrupted()) return;
    if (ctx_.ArmLink) clock_.Sleep(10ms);
    if (!p.Laser) layer_.SendCommand(Bytes({'R', 0, 2}));
    if (ctx_.ArmLink) clock_.Sleep(10ms);
    layer_.SendCommand(Bytes({'F', 2}));
    if (ctx_.ArmLink) clock_.Sleep(10ms);
    if (ctx_.ArmLink && !p.ArmController) layer_.SendCommand(Bytes({'S', 0}));
    layer_.SendCommand(Bytes({'R', 0, 2}));
    ctx_.JobHeld = true;
    notifier_.Status(ctx_.Text(TextId::PanelJobHeld));
}

void ControlPanel::kontynuuj() {
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (!LinkAnswers(TextId::PanelContinueCaption)) return;
    // During a burn only the burn goes on: the burn thread waits paused until it is woken.
    if (ctx_.BurnRunning.load()) {
        if (ctx_.BurnStopRequested.load()) {
            ctx_.BurnStopRequested = false;
            if (hooks_.resumeBurn) hooks_.resumeBurn();
        }
        return;
    }
    if (s.Status & (kStatusRunningFromMemory | kStatusBusy)) return;
    if (!ctx_.ArmLink && (s.Status & kStatusJobStored) == 0) return;
    if (!ctx_.JobHeld) return;

    if (layer_.WaitWhileBusy().Interrupted()) return;
    if (!layer_.ReadStatus()) return;  // still held
    layer_.ReadPosition();
    layer_.ReadBase();
    layer_.SendCommand(Bytes({'F', 0}));
    if (ctx_.ArmLink) clock_.Sleep(100ms);
    if (!p.Laser) {
        layer_.SendCommand(Bytes({'R', 1, 1}));
        clock_.SleepMs(RoundHalfEven(settings_.Number(setting::SpinUpTime) * 1000));
    }
    if (layer_.MoveToPoint(heldX_ / 100, heldY_ / 100, heldZ_ / 100).kind == MoveResult::Stopped) return;
    if (layer_.WaitWhileBusy().Interrupted()) return;  // still held
    if (p.Laser) layer_.SendCommand(Bytes({'R', 1, 1}));
    layer_.SendCommand(Bytes({'F', 1}));
    if (layer_.WaitWhileBusy().Interrupted()) return;
    layer_.SendCommand("K");
    ctx_.JobHeld = false;
    notifier_.Status("");
}

}  // namespace vellisk
