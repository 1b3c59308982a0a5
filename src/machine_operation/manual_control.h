#pragma once
// The control panel's manual control: the operator's jog keys and buttons, Ctrl fine speed,
// keypad 5 and +/-, the spindle button and laser pulse, the speed and power bars (moved by the
// operator, or following the machine's own values), homing, project zero, hold and continue of
// a stored job, and the buttons that open the machine dialogs. Every action asks first whether
// the link is free, and marks itself as the panel's action while it talks to the machine.
#include <cstdint>

#include "machine_operation/panel_display.h"
#include "machine_operation/panel_shared.h"
#include "machine_operation/speed_bar.h"

namespace vellisk {

class ManualControl {
public:
    ManualControl(PanelShared& shared, PanelDisplay& display);

    // ---- the operator's input ----
    void KeyDown(std::uint16_t key);
    void KeyUp(std::uint16_t key);
    void ButtonDown(PanelControl button);
    void ButtonUp(PanelControl button);
    void StopClick();
    void SpindleClick();
    void PulseFieldExit(double ms);
    void SpeedBarMoved(std::int32_t position);
    void PowerBarMoved(std::int32_t position);
    void PowerBarScrolled();
    void HomeClick();
    void SetZeroClick();
    void MoveClick();
    void OutputsClick();
    void ToolLengthClick();
    void InverterClick();

    // Hold and continue of a job that runs from the controller's memory (or of a burn).
    void Hold();
    void Continue();

    // ---- the window's life ----
    // The keys are up and no jog runs (activation).
    void ForgetKeys();
    // The parameter set for the model string, then the speed bar's range.
    void SelectModel();
    // The power bar from the spindle value and the speed bar's range and position from the
    // speeds the machine reports (activation, after the tool state was read).
    void ShowMachineBars();
    // The next status shows the power display whether or not it changed.
    void ForgetPowerDisplay() { lastOutputIndex_ = 255; }
    // The pulse time from the settings, and back to them.
    void LoadPulseTime();
    void SavePulseTime();
    // Tells a newly attached window the bars and the pulse time.
    void ShowBars();
    void ShowPulseTime();

    // ---- the status refresh ----
    // The speed bar's range and position from the speed set and speed the machine reports.
    void ShowSpeedBarFromStatus();
    // The power caption, bar and spindle button from the output and spindle value reported.
    void ShowPowerFromStatus();

    const BarState& SpeedBar() const { return speedBar_; }
    const BarState& PowerBar() const { return powerBar_; }
    double HeldZ() const { return heldZ_; }

    // Key code of a jog button, 0 for other controls.
    static std::uint16_t JogKeyOf(PanelControl button);
    // Whether a key code is one of the jog keys.
    static bool IsJogKey(std::uint16_t key);

private:
    // ---- bars ----
    // Moves a bar; a real move runs its change handler as the operator's move does. The speed
    // bar's says whether it moved.
    bool SetSpeedPosition(std::int32_t p);
    // Shows the machine's own speed on the speed bar without sending it back.
    void ShowMachineSpeed(std::int32_t position);
    void SetPowerPosition(std::int32_t p);
    void VScrollChange();
    void PScrollChange();
    // PowerLabel for the bar's position, by machine kind.
    void PScrollLabel();
    void ShowPower();
    void SpeedKey(bool plus);
    void SendSpeed(std::int32_t mmPerMin);

    void StartJogKey(std::uint16_t key);
    void LaserPulse();
    void ToggleSpindleNow();
    bool KeyAllowed(std::uint16_t key) const;

    PanelShared& s_;
    PanelDisplay& display_;

    std::uint16_t lastKey_ = 0;
    bool keyRepeat_ = false;
    std::int32_t savedSpeed_ = 0;
    bool ctrlHeld_ = false;  // the panel saw the Ctrl press that the release restores
    bool refreshing_ = false;
    bool showingMachineSpeed_ = false;  // the speed bar is set to the controller's own speed
    bool speedChanging_ = false;        // the speed bar's change handler runs
    double heldX_ = 0, heldY_ = 0, heldZ_ = 0;
    // The last power display.
    std::uint8_t lastOutputIndex_ = 255;
    std::int32_t lastSpindleValue_ = -1;
    bool lastSpindleOn_ = false;

    BarState speedBar_{10, 3000, 100, 10, 1};
    BarState powerBar_{0, 100, 50, 10, 1};
    double pulseMs_ = 100;
};

}  // namespace vellisk
