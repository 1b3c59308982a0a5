#pragma once
// What the control panel needs of its window: texts in its captions and labels, the two bars
// and the actual-speed bar, which buttons are enabled or shown, the spindle button's pressed
// state, whether the window is the active one, closing it, and whether the operator has input
// waiting (then the panel leaves its status traffic for a later timer event, so that the window
// stays responsive). The timer itself is the window's: the panel says when it runs and how
// often.
#include <cstdint>
#include <string>

#include "machine_operation/speed_bar.h"

namespace vellisk {

// The panel's buttons, fields and boxes that the panel switches on and off or shows and hides.
enum class PanelControl {
    JogUpLeft,     // kul (numeric pad 7)
    JogUp,         // ku (8)
    JogUpRight,    // kur (9)
    JogLeft,       // kl (4)
    JogRight,      // kr (6)
    JogDownLeft,   // kdl (1)
    JogDown,       // kd (2)
    JogDownRight,  // kdr (3)
    ToolUp,        // kzu (Page Up)
    ToolDown,      // kzd (Page Down)
    Stop,          // kstop
    Spindle,       // k_zalwyl
    Home,          // bazuj
    SetZero,       // setbaza
    Move,          // btnPrzesun
    ToolLength,    // pomiar
    Outputs,       // ButtonWyjscia
    Close,         // zamknij
    SpeedBox,      // Szybkosc: the speed bar and its label
    PowerBox,      // moc: the power bar and its label
    PulseField,    // CzasImpulsu with its two labels
    Count
};

// The panel's texts other than the window caption.
enum class PanelText {
    MachineBox,  // gbWspMaszyny caption
    ProjectBox,  // gbWspProjektu caption
    SpeedBox,    // Szybkosc caption
    PowerBox,    // moc caption
    MachineX,
    MachineY,
    MachineZ,  // wmx, wmy, wmz
    ProjectX,
    ProjectY,
    ProjectZ,     // wpx, wpy, wpz
    SpeedLabel,   // speedlabel
    PowerLabel,   // PowerLabel
    ActualSpeed,  // chwilowaLabel
    LinkErrors,   // UsbError
    PulseLabel,   // lCzasImpulsu
    // Button captions
    HomeButton,
    SetZeroButton,
    MoveButton,
    ToolLengthButton,
    CloseButton,
    OutputsButton,
    StopButton,
    // Hints
    SpeedBarHint,
    PowerBarHint,
    ToolUpHint,
    ToolDownHint,
    SpindleHint,
    Count
};

class PanelView {
public:
    virtual ~PanelView() = default;

    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetText(PanelText which, const std::string& text) = 0;
    virtual void ShowSpeedBar(const BarState& bar) = 0;
    virtual void ShowPowerBar(const BarState& bar) = 0;
    // The actual-speed bar (service panel), 1..20000.
    virtual void ShowActualSpeed(std::int32_t value) = 0;
    virtual void SetEnabled(PanelControl which, bool on) = 0;
    virtual void SetVisible(PanelControl which, bool on) = 0;
    // The spindle button shown pressed (spindle or laser on).
    virtual void SetSpindleDown(bool down) = 0;
    // The laser pulse time in ms as the field shows it.
    virtual void ShowPulseTime(double ms) = 0;

    // The panel is the active window.
    virtual bool IsActive() = 0;
    virtual void Close() = 0;
    // The operator's input arrived since the last status refresh and is still to be handled.
    virtual bool InputPending() = 0;

    // The timer on or off, and its interval in ms.
    virtual void TimerChanged(bool running, int intervalMs) = 0;
};

// A window that shows nothing (before the front end has made one, and for tests).
class NullPanelView : public PanelView {
public:
    void SetCaption(const std::string&) override {}
    void SetText(PanelText, const std::string&) override {}
    void ShowSpeedBar(const BarState&) override {}
    void ShowPowerBar(const BarState&) override {}
    void ShowActualSpeed(std::int32_t) override {}
    void SetEnabled(PanelControl, bool) override {}
    void SetVisible(PanelControl, bool) override {}
    void SetSpindleDown(bool) override {}
    void ShowPulseTime(double) override {}
    bool IsActive() override { return false; }
    void Close() override {}
    bool InputPending() override { return false; }
    void TimerChanged(bool, int) override {}
};

}  // namespace vellisk
