// The panel's display: captions, coordinates, actual speed, the speed set's and the output's
// captions, the end of a stored job, and the controls enabled as the machine's state allows.
#include "machine_operation/panel_display.h"

#include <algorithm>
#include <climits>

#include "machine_link/trans_arm.h"
#include "model/numeric.h"
#include "settings/number_text.h"

namespace vellisk {

PanelDisplay::PanelDisplay(PanelShared& shared) : s_(shared) {
    enabled_.fill(true);
    visible_.fill(true);
}

// ---- captions ----------------------------------------------------------------------------

void PanelDisplay::UnitCaptions() {
    const ProgramEnvironment& env = s_.env;
    const std::string unit = " [" + UnitName(env.LengthUnit) + "]";
    s_.view->SetText(PanelText::MachineBox, env.Text(TextId::PanelMachineCoordinates) + unit);
    s_.view->SetText(PanelText::ProjectBox, env.Text(TextId::PanelProjectCoordinates) + unit);
    s_.view->SetText(PanelText::SpeedBox, env.Text(TextId::PanelSpeed) + " [" + UnitName(env.LengthUnit) + "/min]");
}

void PanelDisplay::Captions() {
    const ProgramEnvironment& env = s_.env;
    PanelView& view = *s_.view;
    view.SetCaption(env.Text(TextId::PanelManualControl));
    UnitCaptions();
    view.SetText(PanelText::PowerBox, env.Text(TextId::PanelRotationsPercent));
    view.SetText(PanelText::HomeButton, env.Text(TextId::PanelHome));
    view.SetText(PanelText::SetZeroButton, env.Text(TextId::PanelSetProjectHome));
    view.SetText(PanelText::MoveButton, env.Text(TextId::PanelMoveButton));
    view.SetText(PanelText::ToolLengthButton, env.Text(TextId::PanelToolLength));
    view.SetText(PanelText::CloseButton, env.Text(TextId::PanelCloseButton));
    view.SetText(PanelText::OutputsButton, env.Text(TextId::PanelOutputs));
    view.SetText(PanelText::StopButton, env.Text(TextId::PanelStopButton));
    view.SetText(PanelText::SpeedBarHint, env.Text(TextId::PanelSpeedBarHint));
    view.SetText(PanelText::PowerBarHint, env.Text(TextId::PanelSpindleBarHint));
    view.SetText(PanelText::ToolUpHint, env.Text(TextId::PanelToolUpHint));
    view.SetText(PanelText::ToolDownHint, env.Text(TextId::PanelToolDownHint));
    view.SetText(PanelText::SpindleHint, env.Text(TextId::PanelSpindleHint));
    view.SetText(PanelText::PulseLabel, env.Text(TextId::PanelImpulseTime));
}

void PanelDisplay::LinkCaption() {
    if (s_.UsbPresent())
        s_.view->SetCaption(s_.env.Text(TextId::PanelConnectedUsb));
    else if (s_.ctx.EthernetConnected.load())
        s_.view->SetCaption(s_.env.Text(TextId::PanelConnectedEthernet));
    else
        s_.view->SetCaption(s_.env.Text(TextId::PanelNotConnected));
}

void PanelDisplay::ShowControls() {
    for (int i = 0; i < static_cast<int>(PanelControl::Count); ++i) {
        s_.view->SetEnabled(static_cast<PanelControl>(i), enabled_[i]);
        s_.view->SetVisible(static_cast<PanelControl>(i), visible_[i]);
    }
}

// ---- the machine's state -----------------------------------------------------------------

void PanelDisplay::ShowLinkErrors() {
    s_.view->SetText(PanelText::LinkErrors,
                     std::to_string(s_.ctx.UsbRetryCount) + "/" + std::to_string(s_.ctx.UsbErrorCount));
}

// A job that ran from the machine's memory and is neither held nor still being sent has ended.
void PanelDisplay::ShowJobEnd() {
    if (s_.ctx.PlotState.Status & kStatusRunningFromMemory) {
        jobRunning_ = true;
    } else if (jobRunning_ && !s_.ctx.JobHeld && !s_.streamer.Streaming()) {
        jobRunning_ = false;
        s_.notifier.Status(s_.env.Text(TextId::PanelJobEnded));
    }
}

void PanelDisplay::ShowActualSpeed() {
    const MachineContext& ctx = s_.ctx;
    const tplotstate& s = ctx.PlotState;
    if (s.ExtraSpeed <= 0) return;
    std::int64_t v = s.ExtraSpeed;
    if (!ctx.PlotParams.ArmController && (s.Status & kStatusRunningFromMemory)) v *= ctx.PlotParams.Multiplier;
    const std::int32_t speed = ctx.TimerToSpeed(static_cast<std::int32_t>(std::min<std::int64_t>(v, INT32_MAX)));
    s_.view->ShowActualSpeed(std::clamp(speed, 1, 20000));
    s_.view->SetText(PanelText::ActualSpeed, std::to_string(speed));
}

void PanelDisplay::ShowSpeedCaption() {
    const MachineContext& ctx = s_.ctx;
    TextId name;
    switch (ctx.PlotState.SpeedSet) {
        case 0: name = TextId::PanelDisplacementSpeed; break;
        case 1: name = TextId::PanelWorkSpeed; break;
        case 2: name = TextId::PanelSpeed; break;
        case 3: name = TextId::PanelDrillSpeed; break;
        default: return;
    }
    s_.view->SetText(PanelText::SpeedBox, s_.env.Text(name) + " [" + UnitName(s_.env.LengthUnit) + "/min]");
}

void PanelDisplay::ShowPowerCaption() {
    const MachineContext& ctx = s_.ctx;
    const bool percent = !ctx.ArmLink || ctx.PlotParams.Laser;
    TextId id;
    switch (ctx.PlotState.OutputIndex) {
        case 1: id = percent ? TextId::PanelWorkPower : TextId::PanelWorkRotation; break;
        case 2: id = percent ? TextId::PanelPowerPercent : TextId::PanelRotation; break;
        case 3: id = percent ? TextId::PanelIdlePower : TextId::PanelPolishRotation; break;
        default: return;
    }
    s_.view->SetText(PanelText::PowerBox, s_.env.Text(id));
}

void PanelDisplay::ShowCoordinates() {
    const MachineContext& ctx = s_.ctx;
    const tplotstate& s = ctx.PlotState;
    const int unit = s_.env.LengthUnit;
    const int dec = s_.env.PositionDecimals();
    const char sep = LocaleDecimalSeparator();
    auto show = [&](PanelText t, double hundredths) {
        // A position that rounds to zero shows as "0.0", never "-0.0".
        s_.view->SetText(t, FormatFixedNumber(MmToUnit(unit, hundredths / 100.0), dec, sep));
    };
    const double z = ctx.PlotParams.ZReversed ? s.PosZ - s.BaseZ : s.BaseZ + s.PosZ;
    show(PanelText::MachineX, s.PosX);
    show(PanelText::MachineY, s.PosY);
    show(PanelText::MachineZ, z);
    show(PanelText::ProjectX, s.PosX - s.BaseX);
    show(PanelText::ProjectY, s.PosY - s.BaseY);
    show(PanelText::ProjectZ, z);
}

// ---- enabling ----------------------------------------------------------------------------

void PanelDisplay::EnableMotionControls(bool on) {
    for (PanelControl c : {PanelControl::JogUpLeft, PanelControl::JogUp, PanelControl::JogUpRight,
                           PanelControl::JogLeft, PanelControl::JogRight, PanelControl::JogDownLeft,
                           PanelControl::JogDown, PanelControl::JogDownRight, PanelControl::Spindle,
                           PanelControl::SetZero, PanelControl::Move, PanelControl::ToolLength, PanelControl::Home})
        Enable(c, on);
    const bool z = on && (!s_.ctx.PlotParams.Laser || s_.ctx.PlotParams.ZReversed);
    Enable(PanelControl::ToolUp, z);
    Enable(PanelControl::ToolDown, z);
}

void PanelDisplay::EnableSpeedPower(bool on) {
    Enable(PanelControl::SpeedBox, on);
    Enable(PanelControl::PowerBox, on);
}

void PanelDisplay::Enable(PanelControl c, bool on) {
    bool& e = enabled_[static_cast<int>(c)];
    if (e == on) return;
    e = on;
    s_.view->SetEnabled(c, on);
}

void PanelDisplay::Show(PanelControl c, bool on) {
    bool& v = visible_[static_cast<int>(c)];
    if (v == on) return;
    v = on;
    s_.view->SetVisible(c, on);
}

}  // namespace vellisk
