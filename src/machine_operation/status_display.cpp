// The panel's status display: after the link part of the refresh, the state is read and shown
// (actual speed, speed caption and bar, power caption and bar, coordinates), and the controls
// are enabled as the machine's state allows.
#include <algorithm>
#include <climits>
#include <cstdio>

#include "machine_link/trans_arm.h"
#include "machine_operation/control_panel.h"
#include "model/numeric.h"
#include "settings/settings.h"

namespace vellisk {

std::string ControlPanel::Fixed(double v, int decimals) const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

void ControlPanel::ShowStatus() {
    const bool answered = layer_.PollStatus();
    if (layer_.TimedOut()) {
        if (ctx_.ArmLink) SetInterval(kIntervalIdleArm);
        view_->Close();
        return;
    }
    // A newer controller that gave no status this time: keep the last display rather than
    // show the zeros of a missing reply.
    if (!answered) return;
    tplotstate& s = ctx_.PlotState;
    layer_.ReadPosition();
    if (ctx_.ArmLink) layer_.ReadBase();
    layer_.ReadSpeeds();
    layer_.ReadToolState();

    ShowActualSpeed();
    ShowSpeedCaption();
    ShowSpeedBarFromStatus();

    refreshing_ = true;
    ShowPower();
    if (ctx_.ArmLink && !ctx_.PlotParams.Laser) {
        SetPowerPosition(s.SpindleValue);
        view_->SetText(PanelText::PowerLabel, std::to_string(powerBar_.position * 100));
    }
    refreshing_ = false;

    ShowCoordinates();
    ShowJobEnd();

    // During a burn the controls follow the job state: they come back only once the burn has
    // paused (a burn asked to pause still sends the rest of its line).
    const JobState job = JobStateNow();
    const bool burn = job == JobState::Burning || job == JobState::BurnPausing;
    EnableMotionControls(job == JobState::BurnPaused || ((s.Status & kStatusRunningFromMemory) == 0 && !burn));
    EnableSpeedPower(!burn);
    view_->SetText(PanelText::LinkErrors, std::to_string(ctx_.UsbRetryCount) + "/" + std::to_string(ctx_.UsbErrorCount));
}

// A job that ran from the machine's memory and is neither held nor still being sent has ended.
void ControlPanel::ShowJobEnd() {
    if (ctx_.PlotState.Status & kStatusRunningFromMemory) {
        jobRunning_ = true;
    } else if (jobRunning_ && !ctx_.JobHeld && !streamer_.Streaming()) {
        jobRunning_ = false;
        notifier_.Status(ctx_.Text(TextId::PanelJobEnded));
    }
}

void ControlPanel::ShowActualSpeed() {
    const tplotstate& s = ctx_.PlotState;
    if (s.ExtraSpeed <= 0) return;
    std::int64_t v = s.ExtraSpeed;
    if (!ctx_.PlotParams.ArmController && (s.Status & kStatusRunningFromMemory)) v *= ctx_.PlotParams.Multiplier;
    const std::int32_t speed = ctx_.TimerToSpeed(static_cast<std::int32_t>(std::min<std::int64_t>(v, INT32_MAX)));
    view_->ShowActualSpeed(std::clamp(speed, 1, 20000));
    view_->SetText(PanelText::ActualSpeed, std::to_string(speed));
}

void ControlPanel::ShowSpeedCaption() {
    TextId name;
    switch (ctx_.PlotState.SpeedSet) {
        case 0: name = TextId::PanelDisplacementSpeed; break;
        case 1: name = TextId::PanelWorkSpeed; break;
        case 2: name = TextId::PanelSpeed; break;
        case 3: name = TextId::PanelDrillSpeed; break;
        default: return;
    }
    view_->SetText(PanelText::SpeedBox, ctx_.Text(name) + " [" + UnitName(ctx_.LengthUnit) + "/min]");
}

void ControlPanel::ShowSpeedBarFromStatus() {
    const tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (p.DirectSpeedBar) {
        std::int32_t max = speedBar_.max;
        if (s.SpeedSet == 1) {
            const char first = s.Model.empty() ? '\0' : s.Model[0];
            const bool smoothFamily = first == 'N' || first == 'H' || first == 'J' || first == 'L' ||
                                      first == 'P' || first == 'T';
            if (smoothFamily)
                max = settings_.Flag(setting::Smoothing) ? p.MaxSmoothSpeed : p.MaxWorkSpeed;
            else
                max = 3000 / std::max(1, p.Multiplier);
        } else if (s.SpeedSet <= 3) {
            max = p.MaxSpeed;
        }
        // A range change alone sends nothing; the position set below does.
        if (max != speedBar_.max) {
            speedBar_.SetRange(speedBar_.min, max);
            view_->ShowSpeedBar(speedBar_);
        }
        if (s.Speed != 0) ShowMachineSpeed(ctx_.TimerToSpeed(s.Speed));
    } else if (s.Speed != 0) {
        ShowMachineSpeed(SpeedToSpeedBar(ctx_.TimerToSpeed(s.Speed)));
    }
}

// The bar follows the controller's speed and sends nothing: only the operator's move of the bar
// writes a speed.
void ControlPanel::ShowMachineSpeed(std::int32_t position) {
    showingMachineSpeed_ = true;
    SetSpeedPosition(position);
    showingMachineSpeed_ = false;
}

void ControlPanel::ShowPowerCaption() {
    const tplotstate& s = ctx_.PlotState;
    const bool percent = !ctx_.ArmLink || ctx_.PlotParams.Laser;
    TextId id;
    switch (s.OutputIndex) {
        case 1: id = percent ? TextId::PanelWorkPower : TextId::PanelWorkRotation; break;
        case 2: id = percent ? TextId::PanelPowerPercent : TextId::PanelRotation; break;
        case 3: id = percent ? TextId::PanelIdlePower : TextId::PanelPolishRotation; break;
        default: return;
    }
    view_->SetText(PanelText::PowerBox, ctx_.Text(id));
}

void ControlPanel::ShowPower() {
    const tplotstate& s = ctx_.PlotState;
    const bool on = (s.Status & kStatusSpindleOn) != 0;
    if (s.OutputIndex == lastOutputIndex_ && s.SpindleValue == lastSpindleValue_ && on == lastSpindleOn_) return;
    ShowPowerCaption();
    const std::int32_t v = s.SpindleValue;
    if (ctx_.PlotParams.Laser)
        SetPowerPosition(v * 1000 / 256);
    else if (!ctx_.ArmLink)
        SetPowerPosition(static_cast<std::int32_t>(RoundHalfEven(v * 100.0 / 255.0)));
    else
        SetPowerPosition(v);
    lastOutputIndex_ = s.OutputIndex;
    lastSpindleValue_ = s.SpindleValue;
    lastSpindleOn_ = on;
    view_->SetSpindleDown(on);
}

void ControlPanel::ShowCoordinates() {
    const tplotstate& s = ctx_.PlotState;
    const int unit = ctx_.LengthUnit;
    const int dec = ctx_.PositionDecimals();
    auto show = [&](PanelText t, double hundredths) {
        view_->SetText(t, Fixed(MmToUnit(unit, hundredths / 100.0), dec));
    };
    const double z = ctx_.PlotParams.ZReversed ? s.PosZ - s.BaseZ : s.BaseZ + s.PosZ;
    show(PanelText::MachineX, s.PosX);
    show(PanelText::MachineY, s.PosY);
    show(PanelText::MachineZ, z);
    show(PanelText::ProjectX, s.PosX - s.BaseX);
    show(PanelText::ProjectY, s.PosY - s.BaseY);
    show(PanelText::ProjectZ, z);
}

}  // namespace vellisk
