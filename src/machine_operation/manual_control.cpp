// The panel's hands-on controls: jog keys and buttons, Ctrl fine speed, keypad 5 and +/-, the
// spindle button and laser pulse, homing, project zero and the buttons that open the machine
// dialogs. The bars are in manual_bars.cpp, hold and continue in hold_continue.cpp.
#include "machine_operation/manual_control.h"

#include <algorithm>
#include <cmath>

#include "machine_link/commands.h"
#include "machine_operation/machine_moves.h"
#include "model/geometry.h"
#include "model/numeric.h"
#include "settings/settings.h"

namespace vellisk {

using namespace std::chrono_literals;

ManualControl::ManualControl(PanelShared& shared, PanelDisplay& display) : s_(shared), display_(display) {}

void ManualControl::ForgetKeys() {
    s_.ctx.JogActive = false;
    keyRepeat_ = false;
    lastKey_ = 0;
    ctrlHeld_ = false;
}

void ManualControl::LoadPulseTime() {
    pulseMs_ = s_.settings.Number(setting::LaserPulseTime);
    s_.view->ShowPulseTime(pulseMs_);
}

void ManualControl::SavePulseTime() { s_.settings.SetNumber(setting::LaserPulseTime, pulseMs_); }

void ManualControl::ShowPulseTime() { s_.view->ShowPulseTime(pulseMs_); }

std::uint16_t ManualControl::JogKeyOf(PanelControl b) {
    switch (b) {
        case PanelControl::JogUpLeft: return kKeyNumpad7;
        case PanelControl::JogUp: return kKeyNumpad8;
        case PanelControl::JogUpRight: return kKeyNumpad9;
        case PanelControl::JogLeft: return kKeyNumpad4;
        case PanelControl::JogRight: return kKeyNumpad6;
        case PanelControl::JogDownLeft: return kKeyNumpad1;
        case PanelControl::JogDown: return kKeyNumpad2;
        case PanelControl::JogDownRight: return kKeyNumpad3;
        case PanelControl::ToolUp: return kKeyPageUp;
        case PanelControl::ToolDown: return kKeyPageDown;
        default: return 0;
    }
}

bool ManualControl::IsJogKey(std::uint16_t key) {
    return key == kKeyPageUp || key == kKeyPageDown || (key >= kKeyLeft && key <= kKeyDown) ||
           (key >= kKeyNumpad1 && key <= kKeyNumpad9 && key != kKeyNumpad5);
}

// A key acts only while its button is enabled: while a job runs, the keyboard moves nothing.
bool ManualControl::KeyAllowed(std::uint16_t key) const {
    switch (key) {
        case kKeyPageUp: return display_.Enabled(PanelControl::ToolUp);
        case kKeyPageDown: return display_.Enabled(PanelControl::ToolDown);
        case kKeyInsert:
        case kKeyNumpad0: return display_.Enabled(PanelControl::Spindle);
        case kKeyNumpadPlus:
        case kKeyNumpadMinus: return display_.Enabled(PanelControl::SpeedBox);
        default: return IsJogKey(key) ? display_.Enabled(PanelControl::JogUp) : true;
    }
}

void ManualControl::StartJogKey(std::uint16_t key) {
    if (!s_.WaitForStatusClear(kStatusBusy, TextId::PanelMouseKeyDown)) {
        s_.ctx.JogActive = false;
        return;
    }
    s_.layer.ReadPosition();
    s_.layer.JogToLimit(key);
}

void ManualControl::LaserPulse() {
    s_.layer.SendCommand(LaserTimeCommand(static_cast<std::int32_t>(RoundHalfEven(pulseMs_))));
    s_.layer.SendCommand(PadPacket("SLP"));
}

void ManualControl::ToggleSpindleNow() {
    // A spindle whose state could not be read is not switched.
    if (!s_.layer.ReadStatus()) return;
    s_.layer.ToggleSpindle();
    (void)s_.layer.ReadStatus();  // the button shows what the machine says now, or what it said
    s_.view->SetSpindleDown((s_.ctx.PlotState.Status & kStatusSpindleOn) != 0);
}

void ManualControl::SendSpeed(std::int32_t mmPerMin) {
    s_.layer.SetSpeed(static_cast<std::int32_t>(s_.ctx.SpeedToTimer(mmPerMin)));
}

void ManualControl::KeyDown(std::uint16_t key) {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    keyRepeat_ = key == lastKey_;
    lastKey_ = key;
    const tplotparams& p = s_.ctx.PlotParams;
    if (key == kKeyCtrl && !keyRepeat_ && !ctrlHeld_) {
        // Fine mode: a tenth of the speed, never below the slowest feed the machine takes.
        ctrlHeld_ = true;
        savedSpeed_ = p.DirectSpeedBar ? speedBar_.position : SpeedBarToSpeed(speedBar_.position);
        SendSpeed(std::max<std::int32_t>(savedSpeed_ / 10, p.MinFeed));
    }
    if (s_.ctx.JogActive || !KeyAllowed(key)) return;
    if (IsJogKey(key)) {
        s_.ctx.JogActive = true;
        StartJogKey(key);
    } else if (key == kKeyInsert || key == kKeyNumpad0) {
        if (p.Laser)
            LaserPulse();
        else
            ToggleSpindleNow();
    } else if (key == kKeyNumpad5) {
        s_.layer.StopMotion();
    } else if (key == kKeyNumpadPlus || key == kKeyNumpadMinus) {
        SpeedKey(key == kKeyNumpadPlus);
    }
}

void ManualControl::KeyUp(std::uint16_t key) {
    if (key == kKeyCtrl) {
        if (ctrlHeld_) SendSpeed(savedSpeed_);
        ctrlHeld_ = false;
        lastKey_ = 0;
    } else if (IsJogKey(key) && s_.ctx.JogActive) {
        // Only the release of a key that started a jog stops the machine.
        s_.ctx.JogActive = false;
        s_.layer.StopMotion();
    }
}

void ManualControl::SpeedKey(bool plus) {
    const tplotparams& p = s_.ctx.PlotParams;
    if (p.DirectSpeedBar) {
        // A bar that moved sends through its change handler; one at its end sends here.
        if (!SetSpeedPosition(DirectSpeedStep(speedBar_.position, plus, p.MaxSpeed))) SendSpeed(speedBar_.position);
        return;
    }
    std::int32_t pos = speedBar_.position + (plus ? 1 : -1);
    if (plus && SpeedBarToSpeed(pos) > p.MaxSpeed) pos = SpeedToSpeedBar(p.MaxSpeed);
    if (!plus && SpeedBarToSpeed(pos) < p.MinFeed) pos = SpeedToSpeedBar(p.MinFeed);
    SetSpeedPosition(pos);
}

// ---- mouse -------------------------------------------------------------------------------

void ManualControl::ButtonDown(PanelControl button) {
    const std::uint16_t key = JogKeyOf(button);
    if (key == 0 && button != PanelControl::Stop) return;
    if (!display_.Enabled(button)) return;
    // During a burn STOP only asks the burn to pause; the burn thread has the link.
    const ScopedFlag action = s_.TakeLink();
    if (!action) {
        if (key == 0 && s_.ctx.BurnRunning.load()) s_.ctx.BurnStopRequested = true;
        return;
    }
    // A controller that does not answer is told, and the button acts all the same.
    s_.LinkAnswers(TextId::PanelMouseKeyDown);
    if (key != 0) {
        StartJogKey(key);
    } else if ((s_.ctx.PlotState.Status & kStatusRunningFromMemory) == 0) {
        if (s_.ctx.BurnRunning.load())
            s_.ctx.BurnStopRequested = true;
        else
            s_.layer.StopMotion();
    }
}

void ManualControl::ButtonUp(PanelControl button) {
    if (JogKeyOf(button) == 0) return;
    // A press refused while an action or the burn had the link started nothing to stop.
    if (s_.LinkFree()) s_.layer.StopMotion();
    // The mouse jog is over: the keyboard may jog again.
    s_.ctx.JogActive = false;
}

void ManualControl::StopClick() {
    if (s_.ctx.BurnRunning.load()) s_.ctx.BurnStopRequested = true;
    s_.stopRequest = true;
    // A wait for the machine that runs now (a go-to of START, homing) ends at once.
    s_.layer.EndWaits();
}

void ManualControl::SpindleClick() {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    if (!display_.Enabled(PanelControl::Spindle)) return;
    if (s_.ctx.PlotParams.Laser && s_.ctx.ModelCode != "PRV")
        LaserPulse();
    else
        ToggleSpindleNow();
}

void ManualControl::PulseFieldExit(double ms) {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    pulseMs_ = ms;
    s_.layer.SendCommand(LaserTimeCommand(static_cast<std::int32_t>(RoundHalfEven(ms))));
}

// ---- homing ------------------------------------------------------------------------------

void ManualControl::HomeClick() {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    const tplotparams& p = s_.ctx.PlotParams;
    if (!s_.LinkAnswers(TextId::PanelHomeCaption)) return;
    const std::string caption = s_.env.Text(TextId::PanelHomeCaption);
    if (s_.ctx.PlotState.Status & (kStatusBusy | kStatusRunningFromMemory)) {
        s_.notifier.Message(s_.env.Text(TextId::PanelHomeImpossible), MessageKind::Error, Buttons::Ok, caption);
        return;
    }
    BusyCursor cursor(s_.notifier);
    if (s_.ctx.ModelCode.find("HYG") != std::string::npos) {
        if (p.ZReversed) s_.layer.SendCommand("B4");
        s_.layer.SendCommand("B1");
        if (!s_.layer.WaitWhileBusy()) return;  // STOP or a lost link ends the homing
    }
    s_.layer.SendCommand("B7");
    if (!s_.layer.WaitWhileBusy()) return;
    s_.layer.SendCommand("B4");
    if (!s_.layer.WaitWhileBusy()) return;
    s_.layer.ReadMachineInfo();
    if (s_.ctx.PlotState.Model.empty() || s_.ctx.PlotState.Model[0] != '$') return;

    // Touch-off: up 10 mm, then down in five steps of 0.2 mm at a slow feed.
    auto zMove = [&](std::int32_t dz) {
        s_.layer.SendCommand(DialogMove(s_.ctx, 1, 0, 0, dz));
        return static_cast<bool>(s_.layer.WaitWhileBusy());
    };
    s_.layer.ReadSpeeds();
    SendSpeed(2000);
    if (!zMove(static_cast<std::int32_t>(RoundHalfEven(p.StepsZ * 1000)))) return;
    s_.layer.ReadSpeeds();
    SendSpeed(100);
    for (int i = 0; i < 5; ++i) {
        s_.clock.Sleep(100ms);
        if (!zMove(-static_cast<std::int32_t>(RoundHalfEven(p.StepsZ * 20)))) return;
    }
    s_.layer.ReadSpeeds();
    SendSpeed(2000);
    s_.layer.SendCommand("B4");
    (void)s_.layer.WaitWhileBusy();  // the last move: nothing follows it
}

// ---- project zero ------------------------------------------------------------------------

void ManualControl::SetZeroClick() {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    if (!display_.Enabled(PanelControl::SetZero)) return;
    s_.StopTimer();
    {
        BusyCursor cursor(s_.notifier);
        if (!s_.WaitForStatusClear(kStatusBusy, TextId::PanelHomeCaption)) {
            s_.StartTimer();
            return;
        }
    }
    double x = 0, y = 0;
    if (s_.hooks.basePoints && s_.hooks.basePoints(x, y)) {
        tplotstate& s = s_.ctx.PlotState;
        s.BaseX = x * 100;
        s.BaseY = y * 100;
        s_.layer.SendBaseXY();
        if (s_.hooks.activeDrawing) {
            if (const auto drawing = s_.hooks.activeDrawing()) {
                const double scale = s_.settings.Number(setting::Scale);
                const double sx = scale * UnitsToMm(drawing->kind, drawing->width) / 100;
                const double sy = scale * UnitsToMm(drawing->kind, drawing->height) / 100;
                const double D = s_.settings.Number(setting::ToolDiameter),
                             P = s_.settings.Number(setting::PolishThickness);
                auto warn = [&](TextId id) {
                    s_.notifier.Message(s_.env.Text(id), MessageKind::Error, Buttons::Ok, "");
                };
                if (sx + D + 2 * P > s_.ctx.WorkAreaX || sy + D + 2 * P > s_.ctx.WorkAreaY)
                    warn(TextId::PanelProjectTooBig);
                else if (sx + s.BaseX / 100 + D / 2 + P > s_.ctx.WorkAreaX ||
                         sy + s.BaseY / 100 + D / 2 + P > s_.ctx.WorkAreaY)
                    warn(TextId::PanelZeroOutOfArea);
                if (s.BaseX / 100 < D / 2 + P || s.BaseY / 100 < D / 2 + P) warn(TextId::PanelZeroOutOfAreaAllow);
            }
        }
    }
    s_.StartTimer();
}

// ---- dialogs -----------------------------------------------------------------------------

void ManualControl::MoveClick() {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    if (display_.Enabled(PanelControl::Move) && s_.hooks.moveDialog) s_.hooks.moveDialog();
}

void ManualControl::OutputsClick() {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    if (s_.hooks.outputsDialog) s_.hooks.outputsDialog();
}

void ManualControl::ToolLengthClick() {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    if (!display_.Enabled(PanelControl::ToolLength)) return;
    if (!s_.LinkAnswers(TextId::PanelToolLengthCaption)) return;
    if (s_.ctx.PlotState.Status & (kStatusBusy | kStatusRunningFromMemory)) {
        s_.notifier.Message(s_.env.Text(TextId::PanelStopBeforeMeasure), MessageKind::Error, Buttons::Ok,
                            s_.env.Text(TextId::PanelMeasurement));
        return;
    }
    s_.layer.ReadBase();
    if (s_.hooks.toolLengthDialog) s_.hooks.toolLengthDialog();
}

void ManualControl::InverterClick() {
    const ScopedFlag action = s_.TakeLink();
    if (!action) return;
    if (!s_.ctx.ArmLink || !s_.hooks.loadInverter) return;
    BusyCursor cursor(s_.notifier);
    s_.hooks.loadInverter();
}

}  // namespace vellisk
