#pragma once
// The manual control panel: the operator's jog keys and buttons, the speed and power bars, the
// spindle and laser pulse, homing, project zero, hold and continue, and the display of the
// machine's coordinates, speed and power. It also owns the program's only periodic driver, the
// timer's link pump (see link_pump.h).
//
// The panel is a façade over three parts that share one PanelShared: the link pump, manual
// control (manual_control.h) and the display (panel_display.h). It holds all of this without a
// window; its window (PanelView) only shows what it is told and passes the operator's input on.
// Everything runs on the GUI thread; the burn thread asks for a refresh through the GUI thread.
//
// Start-up: construct it with the program's machine context, settings, command layer, links,
// streamer, notifier and clock, call FormCreate once (it decides the link), attach the window,
// and switch the timer on (StartTimer). Job control joins it with SetJobCommands.
#include <chrono>
#include <cstdint>

#include "machine_operation/job_panel.h"
#include "machine_operation/link_pump.h"
#include "machine_operation/manual_control.h"
#include "machine_operation/panel_display.h"
#include "machine_operation/panel_shared.h"
#include "machine_operation/panel_view.h"
#include "machine_operation/speed_bar.h"

namespace vellisk {

// What creation needs to know of the system.
struct PanelStartup {
    bool osIsNT = false;  // the parallel port may not be used here
};

class ControlPanel : public JobPanel {
public:
    static constexpr int kIntervalFast = LinkPump::kIntervalFast;
    static constexpr int kIntervalNormal = LinkPump::kIntervalNormal;
    static constexpr int kIntervalIdleArm = LinkPump::kIntervalIdleArm;
    static constexpr int kIntervalNoLink = LinkPump::kIntervalNoLink;
    // Longest wait for the controller to become idle (or to stop its job) before an action.

    ControlPanel(MachineContext& ctx, const ProgramEnvironment& env, const JobValues& job, Settings& settings,
                 CommandLayer& layer, PanelLinks links, TTransArm& streamer, Notifier& notifier,
                 Clock& clock = DefaultClock());
    ~ControlPanel() override;
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;

    // The window (null: none). The panel does not own it.
    void AttachView(PanelView* view);
    void SetJobCommands(PanelJobCommands* jobs) { shared_.jobs = jobs; }
    void SetHooks(PanelHooks hooks) { shared_.hooks = std::move(hooks); }

    // ---- life of the window ----
    // Creation: captions, the machine type ("typ.txt"), the link decision, the identity, the
    // parallel port's start.
    void FormCreate(const PanelStartup& startup);
    void FormActivate();
    void FormDeactivate();

    // ---- the timer ----
    void Timer1Timer() { pump_.Timer1Timer(); }
    // The status refresh.
    void Tick() { pump_.Tick(); }
    bool TimerRunning() const { return shared_.timerOn; }
    int Interval() const { return shared_.interval; }

    // ---- JobPanel ----
    void Hold() override { manual_.Hold(); }
    void Continue() override { manual_.Continue(); }
    void EnableMotionControls(bool on) override { display_.EnableMotionControls(on); }
    void EnableSpeedPower(bool on) override { display_.EnableSpeedPower(on); }
    void StopTimer() override { shared_.StopTimer(); }
    void StartTimer() override { shared_.StartTimer(); }
    void RefreshStatus() override { pump_.Tick(); }
    void IdentifyMachine() override { pump_.IdentifyMachine(true); }

    // ---- the operator's input (virtual key codes) ----
    void KeyDown(std::uint16_t key) { manual_.KeyDown(key); }
    void KeyUp(std::uint16_t key) { manual_.KeyUp(key); }
    // Left button down / up on a jog button, on STOP or on another button.
    void ButtonDown(PanelControl button) { manual_.ButtonDown(button); }
    void ButtonUp(PanelControl button) { manual_.ButtonUp(button); }
    void StopClick() { manual_.StopClick(); }
    void SpindleClick() { manual_.SpindleClick(); }
    void PulseFieldExit(double ms) { manual_.PulseFieldExit(ms); }
    void SpeedBarMoved(std::int32_t position) { manual_.SpeedBarMoved(position); }
    void PowerBarMoved(std::int32_t position) { manual_.PowerBarMoved(position); }
    // Any scroll event of the power bar (before a change, or without one).
    void PowerBarScrolled() { manual_.PowerBarScrolled(); }
    void HomeClick() { manual_.HomeClick(); }
    void SetZeroClick() { manual_.SetZeroClick(); }
    void MoveClick() { manual_.MoveClick(); }
    void OutputsClick() { manual_.OutputsClick(); }
    void ToolLengthClick() { manual_.ToolLengthClick(); }
    void InverterClick() { manual_.InverterClick(); }
    void CloseClick() { shared_.view->Close(); }
    // Whether the panel may be opened now (F5): false, after a message, when the newer
    // controller has no link.
    bool OpenAllowed();

    // ---- what the window and the tests look at ----
    const BarState& SpeedBar() const { return manual_.SpeedBar(); }
    const BarState& PowerBar() const { return manual_.PowerBar(); }
    bool Enabled(PanelControl c) const { return display_.Enabled(c); }
    bool Visible(PanelControl c) const { return display_.Visible(c); }
    std::int64_t TickCount() const { return pump_.TickCount(); }
    std::int64_t StreamerTickCount() const { return pump_.StreamerTickCount(); }
    double HeldZ() const { return manual_.HeldZ(); }

    // Key code of a jog button, 0 for other controls.
    static std::uint16_t JogKeyOf(PanelControl button) { return ManualControl::JogKeyOf(button); }
    // Whether a key code is one of the jog keys.
    static bool IsJogKey(std::uint16_t key) { return ManualControl::IsJogKey(key); }

private:
    // Declared in this order: the pump (with the Ethernet watch thread) goes first.
    PanelShared shared_;
    PanelDisplay display_;
    ManualControl manual_;
    LinkPump pump_;
};

}  // namespace vellisk
