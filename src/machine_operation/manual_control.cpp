// The panel's hands-on controls: jog keys and buttons, Ctrl fine speed, keypad 5 and +/-, the
// spindle button and laser pulse, the speed and power bars, homing, project zero and the
// buttons that open the machine dialogs.
#include <algorithm>
#include <cmath>

#include "machine_link/commands.h"
#include "machine_operation/control_panel.h"
#include "machine_operation/machine_moves.h"
#include "model/geometry.h"
#include "model/numeric.h"
#include "settings/settings.h"

namespace vellisk {

using namespace std::chrono_literals;

std::uint16_t ControlPanel::JogKeyOf(PanelControl b) {
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

bool ControlPanel::IsJogKey(std::uint16_t key) {
    return key == kKeyPageUp || key == kKeyPageDown || (key >= kKeyLeft && key <= kKeyDown) ||
           (key >= kKeyNumpad1 && key <= kKeyNumpad9 && key != kKeyNumpad5);
}

// A key acts only while its button is enabled: while a job runs, the keyboard moves nothing.
bool ControlPanel::KeyAllowed(std::uint16_t key) const {
    switch (key) {
        case kKeyPageUp: return Enabled(PanelControl::ToolUp);
        case kKeyPageDown: return Enabled(PanelControl::ToolDown);
        case kKeyInsert:
        case kKeyNumpad0: return Enabled(PanelControl::Spindle);
        case kKeyNumpadPlus:
        case kKeyNumpadMinus: return Enabled(PanelControl::SpeedBox);
        default: return IsJogKey(key) ? Enabled(PanelControl::JogUp) : true;
    }
}

bool ControlPanel::LinkAnswers(TextId caption) {
    if (layer_.ReadStatus() || !layer_.TimedOut()) return true;
    notifier_.Message(ctx_.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok, ctx_.Text(caption));
    return false;
}

bool ControlPanel::WaitForStatusClear(std::uint16_t bits, TextId caption) {
    // A controller that keeps answering with the bits set for this long is taken as not
    // responding to the operator: the panel must not stand still for ever.
    Stopwatch limit(clock_, kStatusWaitLimit);
    while (layer_.ReadStatus() && (ctx_.PlotState.Status & bits)) {
        if (limit.Expired()) {
            notifier_.Message(ctx_.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok, ctx_.Text(caption));
            return false;
        }
        clock_.Sleep(1ms);
    }
    return true;
}

void ControlPanel::StartJogKey(std::uint16_t key) {
    if (!WaitForStatusClear(kStatusBusy, TextId::PanelMouseKeyDown)) {
        ctx_.JogActive = false;
        return;
    }
    layer_.ReadPosition();
    layer_.JogToLimit(key);
}

void ControlPanel::LaserPulse() {
    layer_.SendCommand(LaserTimeCommand(static_cast<std::int32_t>(RoundHalfEven(pulseMs_))));
    layer_.SendCommand(PadPacket("SLP"));
}

void ControlPanel::ToggleSpindleNow() {
    // A spindle whose state could not be read is not switched.
    if (!layer_.ReadStatus()) return;
    layer_.ToggleSpindle();
    (void)layer_.ReadStatus();  // the button shows what the machine says now, or what it said
    view_->SetSpindleDown((ctx_.PlotState.Status & kStatusSpindleOn) != 0);
}

void ControlPanel::SendSpeed(std::int32_t mmPerMin) {
    layer_.SetSpeed(static_cast<std::int32_t>(ctx_.SpeedToTimer(mmPerMin)));
}

void ControlPanel::KeyDown(std::uint16_t key) {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    keyRepeat_ = key == lastKey_;
    lastKey_ = key;
    const tplotparams& p = ctx_.PlotParams;
    if (key == kKeyCtrl && !keyRepeat_ && !ctrlHeld_) {
        // Fine mode: a tenth of the speed, never below the slowest feed the machine takes.
        ctrlHeld_ = true;
        savedSpeed_ = p.DirectSpeedBar ? speedBar_.position : SpeedBarToSpeed(speedBar_.position);
        SendSpeed(std::max<std::int32_t>(savedSpeed_ / 10, p.MinFeed));
    }
    if (ctx_.JogActive || !KeyAllowed(key)) return;
    if (IsJogKey(key)) {
        ctx_.JogActive = true;
        StartJogKey(key);
    } else if (key == kKeyInsert || key == kKeyNumpad0) {
        if (p.Laser)
            LaserPulse();
        else
            ToggleSpindleNow();
    } else if (key == kKeyNumpad5) {
        layer_.StopMotion();
    } else if (key == kKeyNumpadPlus || key == kKeyNumpadMinus) {
        SpeedKey(key == kKeyNumpadPlus);
    }
}

void ControlPanel::KeyUp(std::uint16_t key) {
    if (key == kKeyCtrl) {
        if (ctrlHeld_) SendSpeed(savedSpeed_);
        ctrlHeld_ = false;
        lastKey_ = 0;
    } else if (IsJogKey(key) && ctx_.JogActive) {
        // Only the release of a key that started a jog stops the machine.
        ctx_.JogActive = false;
        layer_.StopMotion();
    }
}

void ControlPanel::SpeedKey(bool plus) {
    const tplotparams& p = ctx_.PlotParams;
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

void ControlPanel::ButtonDown(PanelControl button) {
    const std::uint16_t key = JogKeyOf(button);
    if (key == 0 && button != PanelControl::Stop) return;
    if (!Enabled(button)) return;
    // During a burn STOP only asks the burn to pause; the burn thread has the link.
    if (!LinkFree()) {
        if (key == 0 && ctx_.BurnRunning.load()) ctx_.BurnStopRequested = true;
        return;
    }
    const ActionScope action(inAction_);
    // A controller that does not answer is told, and the button acts all the same.
    LinkAnswers(TextId::PanelMouseKeyDown);
    if (key != 0) {
        StartJogKey(key);
    } else if ((ctx_.PlotState.Status & kStatusRunningFromMemory) == 0) {
        if (ctx_.BurnRunning.load())
            ctx_.BurnStopRequested = true;
        else
            layer_.StopMotion();
    }
}

void ControlPanel::ButtonUp(PanelControl button) {
    if (JogKeyOf(button) == 0) return;
    layer_.StopMotion();
    // The mouse jog is over: the keyboard may jog again.
    ctx_.JogActive = false;
}

void ControlPanel::StopClick() {
    if (ctx_.BurnRunning.load()) ctx_.BurnStopRequested = true;
    stopRequest_ = true;
    // A wait for the machine that runs now (a go-to of START, homing) ends at once.
    layer_.EndWaits();
}

void ControlPanel::SpindleClick() {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    if (!Enabled(PanelControl::Spindle)) return;
    if (ctx_.PlotParams.Laser && ctx_.ModelCode != "PRV")
        LaserPulse();
    else
        ToggleSpindleNow();
}

void ControlPanel::PulseFieldExit(double ms) {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    pulseMs_ = ms;
    layer_.SendCommand(LaserTimeCommand(static_cast<std::int32_t>(RoundHalfEven(ms))));
}

// ---- bars --------------------------------------------------------------------------------

bool ControlPanel::SetSpeedPosition(std::int32_t p) {
    if (!speedBar_.MoveTo(p)) return false;
    view_->ShowSpeedBar(speedBar_);
    VScrollChange();
    return true;
}

void ControlPanel::SetPowerPosition(std::int32_t p) {
    if (!powerBar_.MoveTo(p)) return;
    view_->ShowPowerBar(powerBar_);
    PScrollChange();
}

void ControlPanel::SpeedBarMoved(std::int32_t position) {
    if (!Enabled(PanelControl::SpeedBox) || !LinkFree()) {
        view_->ShowSpeedBar(speedBar_);
        return;
    }
    SetSpeedPosition(position);
}

void ControlPanel::PowerBarMoved(std::int32_t position) {
    if (!Enabled(PanelControl::PowerBox) || !LinkFree()) {
        view_->ShowPowerBar(powerBar_);
        return;
    }
    SetPowerPosition(position);
}

void ControlPanel::VScrollChange() {
    // The handler moves the bar itself (rounding, limits), which runs it again: only the
    // outermost run sends, and only when the operator moved the bar. A bar that shows the
    // machine's own speed sends nothing: during a job the speed set in force changes from figure
    // to figure, and a speed sent back would land in whichever set is in force at that moment.
    ++speedChangeDepth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{speedChangeDepth_};
    const bool send = speedChangeDepth_ == 1 && !showingMachineSpeed_;
    const tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    const std::int32_t pos = speedBar_.position;
    auto label = [&](double shown) {
        view_->SetText(PanelText::SpeedLabel, Fixed(MmToUnit(ctx_.LengthUnit, shown), 0));
    };
    if (p.DirectSpeedBar) {
        const double d = s.SpeedSet == 3 && p.StepsZ != 0 ? p.StepsZ : 1.0;
        auto rounded = [&](std::int32_t step) {
            return RoundToStep(static_cast<std::int32_t>(RoundHalfEven(pos / d)), step);
        };
        struct Band { std::int32_t below, step, large, small; };
        static constexpr Band kBands[] = {{1000, 10, 100, 10}, {5000, 100, 1000, 100},
                                          {10000, 500, 1000, 500}, {30001, 1000, 2000, 1000}};
        if (pos < 100) {
            label(pos / d);
            speedBar_.largeChange = 10;
            speedBar_.smallChange = 1;
        } else {
            for (const Band& b : kBands) {
                if (pos < b.below) {
                    label(rounded(b.step));
                    speedBar_.largeChange = b.large;
                    speedBar_.smallChange = b.small;
                    break;
                }
            }
        }
        view_->ShowSpeedBar(speedBar_);
        if (send) SendSpeed(pos);
        return;
    }

    const double d = s.SpeedSet == 3 && !p.ArmController && p.StepsZ != 0 ? p.StepsZ : 1.0;
    const std::int32_t v = SpeedBarToSpeed(pos);
    struct Band { std::int32_t below, step, large, small; };
    static constexpr Band kBands[] = {{100, 0, 10, 1},      {1000, 10, 10, 1},    {5000, 100, 10, 1},
                                      {10000, 500, 10, 5},  {20000, 1000, 20, 10}, {50001, 2000, 40, 20}};
    std::int32_t step = 0;
    for (const Band& b : kBands) {
        if (v < b.below) {
            step = b.step;
            speedBar_.largeChange = b.large;
            speedBar_.smallChange = b.small;
            break;
        }
    }
    const std::int32_t v2 = step ? RoundToStep(v, step) : v;
    const double shown = step == 0 ? v
                         : p.ArmController
                             ? v2
                             : RoundToStep(static_cast<std::int32_t>(RoundHalfEven(v / d)), step);
    std::int32_t np = SpeedToSpeedBar(v2);
    if (SpeedBarToSpeed(np) < p.MinFeed) np = SpeedToSpeedBar(p.MinFeed);
    SetSpeedPosition(np);
    label(shown);
    if (s.SpeedSet == 1 && settings_.Flag(setting::Smoothing) && SpeedBarToSpeed(speedBar_.position) > p.MaxSmoothSpeed)
        SetSpeedPosition(SpeedToSpeedBar(p.MaxSmoothSpeed));
    view_->ShowSpeedBar(speedBar_);
    if (send) SendSpeed(SpeedBarToSpeed(speedBar_.position));
}

void ControlPanel::PScrollLabel() {
    const std::int32_t pos = powerBar_.position;
    std::string text;
    if (ctx_.PlotParams.Laser)
        text = pos >= 996 ? "100" : Fixed(pos / 10.0, 1);
    else if (ctx_.ArmLink)
        text = std::to_string(pos * 100);
    else
        text = std::to_string(pos);
    view_->SetText(PanelText::PowerLabel, text);
}

void ControlPanel::PScrollChange() {
    const std::int32_t pos = powerBar_.position;
    tplotstate& s = ctx_.PlotState;
    if (ctx_.PlotParams.Laser)
        s.SpindleValue = static_cast<std::uint16_t>(RoundHalfEven(pos * 256.0 / 1000.0));
    else if (ctx_.ArmLink)
        s.SpindleValue = static_cast<std::uint16_t>(std::max(0, pos));
    else
        s.SpindleValue = static_cast<std::uint16_t>(RoundHalfEven(pos * 255.0 / 100.0));
    PScrollLabel();
    if (!refreshing_) layer_.SendSpindleValue();
}

void ControlPanel::PowerBarScrolled() {
    // The laser's power in per cent; on a spindle the change handler writes the label.
    if (!ctx_.PlotParams.Laser) return;
    const std::int32_t v = ctx_.PlotState.SpindleValue;
    view_->SetText(PanelText::PowerLabel,
                   powerBar_.position == 1000 ? "100" : Fixed(std::trunc(v * 1000.0 / 256.0) / 10.0, 1));
}

// ---- homing ------------------------------------------------------------------------------

void ControlPanel::HomeClick() {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    const tplotparams& p = ctx_.PlotParams;
    if (!LinkAnswers(TextId::PanelHomeCaption)) return;
    const std::string caption = ctx_.Text(TextId::PanelHomeCaption);
    if (ctx_.PlotState.Status & (kStatusBusy | kStatusRunningFromMemory)) {
        notifier_.Message(ctx_.Text(TextId::PanelHomeImpossible), MessageKind::Error, Buttons::Ok, caption);
        return;
    }
    BusyCursor cursor(notifier_);
    if (ctx_.ModelCode.find("HYG") != std::string::npos) {
        if (p.ZReversed) layer_.SendCommand("B4");
        layer_.SendCommand("B1");
        if (!layer_.WaitWhileBusy()) return;  // STOP or a lost link ends the homing
    }
    layer_.SendCommand("B7");
    if (!layer_.WaitWhileBusy()) return;
    layer_.SendCommand("B4");
    if (!layer_.WaitWhileBusy()) return;
    layer_.ReadMachineInfo();
    if (ctx_.PlotState.Model.empty() || ctx_.PlotState.Model[0] != '$') return;

    // Touch-off: up 10 mm, then down in five steps of 0.2 mm at a slow feed.
    auto zMove = [&](std::int32_t dz) {
        layer_.SendCommand(DialogMove(ctx_, 1, 0, 0, dz));
        return static_cast<bool>(layer_.WaitWhileBusy());
    };
    layer_.ReadSpeeds();
    SendSpeed(2000);
    if (!zMove(static_cast<std::int32_t>(RoundHalfEven(p.StepsZ * 1000)))) return;
    layer_.ReadSpeeds();
    SendSpeed(100);
    for (int i = 0; i < 5; ++i) {
        clock_.Sleep(100ms);
        if (!zMove(-static_cast<std::int32_t>(RoundHalfEven(p.StepsZ * 20)))) return;
    }
    layer_.ReadSpeeds();
    SendSpeed(2000);
    layer_.SendCommand("B4");
    (void)layer_.WaitWhileBusy();  // the last move: nothing follows it
}

// ---- project zero ------------------------------------------------------------------------

void ControlPanel::SetZeroClick() {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    if (!Enabled(PanelControl::SetZero)) return;
    StopTimer();
    {
        BusyCursor cursor(notifier_);
        if (!WaitForStatusClear(kStatusBusy, TextId::PanelHomeCaption)) {
            StartTimer();
            return;
        }
    }
    double x = 0, y = 0;
    if (hooks_.basePoints && hooks_.basePoints(x, y)) {
        tplotstate& s = ctx_.PlotState;
        s.BaseX = x * 100;
        s.BaseY = y * 100;
        layer_.SendBaseXY();
        if (hooks_.activeDrawing) {
            if (const auto drawing = hooks_.activeDrawing()) {
                const double scale = settings_.Number(setting::Scale);
                const double sx = scale * UnitsToMm(drawing->kind, drawing->width) / 100;
                const double sy = scale * UnitsToMm(drawing->kind, drawing->height) / 100;
                const double D = settings_.Number(setting::ToolDiameter),
                             P = settings_.Number(setting::PolishThickness);
                auto warn = [&](TextId id) { notifier_.Message(ctx_.Text(id), MessageKind::Error, Buttons::Ok, ""); };
                if (sx + D + 2 * P > ctx_.WorkAreaX || sy + D + 2 * P > ctx_.WorkAreaY)
                    warn(TextId::PanelProjectTooBig);
                else if (sx + s.BaseX / 100 + D / 2 + P > ctx_.WorkAreaX || sy + s.BaseY / 100 + D / 2 + P > ctx_.WorkAreaY)
                    warn(TextId::PanelZeroOutOfArea);
                if (s.BaseX / 100 < D / 2 + P || s.BaseY / 100 < D / 2 + P) warn(TextId::PanelZeroOutOfAreaAllow);
            }
        }
    }
    StartTimer();
}

// ---- dialogs -----------------------------------------------------------------------------

void ControlPanel::MoveClick() {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    if (Enabled(PanelControl::Move) && hooks_.moveDialog) hooks_.moveDialog();
}

void ControlPanel::OutputsClick() {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    if (hooks_.outputsDialog) hooks_.outputsDialog();
}

void ControlPanel::ToolLengthClick() {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    if (!Enabled(PanelControl::ToolLength)) return;
    if (!LinkAnswers(TextId::PanelToolLengthCaption)) return;
    if (ctx_.PlotState.Status & (kStatusBusy | kStatusRunningFromMemory)) {
        notifier_.Message(ctx_.Text(TextId::PanelStopBeforeMeasure), MessageKind::Error, Buttons::Ok,
                          ctx_.Text(TextId::PanelMeasurement));
        return;
    }
    layer_.ReadBase();
    if (hooks_.toolLengthDialog) hooks_.toolLengthDialog();
}

void ControlPanel::InverterClick() {
    if (!LinkFree()) return;
    const ActionScope action(inAction_);
    if (!ctx_.ArmLink || !hooks_.loadInverter) return;
    BusyCursor cursor(notifier_);
    hooks_.loadInverter();
}

}  // namespace vellisk
