#pragma once
// The manual control panel: the operator's jog keys and buttons, the speed and power bars, the
// spindle and laser pulse, homing, project zero, hold and continue, and the display of the
// machine's coordinates, speed and power. It also owns the program's only periodic driver: on
// every timer event it wakes the Ethernet watch, takes up what the links have for the main
// thread (Ethernet texts, USB plug and unplug), feeds the job streamer while a job streams, and
// refreshes the status (every fifth event while streaming, not while a bitmap burn runs
// unpaused). The status refresh also turns the machine's own START, STOP and continue keys
// into job-control commands.
//
// The panel holds all of this without a window; its window (PanelView) only shows what it is
// told and passes the operator's input on. Everything runs on the GUI thread; the burn thread
// asks for a refresh through the GUI thread.
//
// Start-up: construct it with the program's machine context, settings, command layer, links,
// streamer, notifier and clock, call FormCreate once (it decides the link), attach the window,
// and switch the timer on (StartTimer). Job control joins it with SetJobCommands.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "machine_link/command_layer.h"
#include "machine_link/machine_context.h"
#include "machine_operation/job_panel.h"
#include "machine_operation/panel_view.h"
#include "machine_operation/speed_bar.h"
#include "platform/clock.h"
#include "platform/notifier.h"

namespace vellisk {

class LptTransport;
class TfUsb;
class TfEthernet;
class tEthernetCzuwanie;
class TTransArm;
class Settings;

// The links the program has; any may be missing (null).
struct PanelLinks {
    LptTransport* lpt = nullptr;
    TfUsb* usb = nullptr;        // null when the program runs without USB ("95")
    TfEthernet* eth = nullptr;
};

// What creation needs to know of the system.
struct PanelStartup {
    bool osIsNT = false;  // the parallel port may not be used here
};

// The active drawing as project zero's checks need it.
struct PanelDrawing {
    int kind = 1;              // project kind (drawing units)
    double width = 0, height = 0;  // in drawing units
};

// Dialogs and other windows the panel opens, and the burn it resumes; unset ones do nothing.
struct PanelHooks {
    // The base points dialog: true on OK with the project zero chosen, in mm.
    std::function<bool(double& xMm, double& yMm)> basePoints;
    std::function<std::optional<PanelDrawing>()> activeDrawing;
    std::function<void()> moveDialog;
    std::function<void()> outputsDialog;
    std::function<void()> toolLengthDialog;
    std::function<void()> loadInverter;
    // Wakes the paused bitmap burn thread.
    std::function<void()> resumeBurn;
};

class ControlPanel : public JobPanel {
public:
    static constexpr int kIntervalFast = 10;
    static constexpr int kIntervalNormal = 100;
    static constexpr int kIntervalIdleArm = 500;
    static constexpr int kIntervalNoLink = 3000;
    // Longest wait for the controller to become idle (or to stop its job) before an action.
    static constexpr std::chrono::seconds kStatusWaitLimit{10};

    ControlPanel(MachineContext& ctx, Settings& settings, CommandLayer& layer, PanelLinks links,
                 TTransArm& streamer, Notifier& notifier, Clock& clock = DefaultClock());
    ~ControlPanel() override;
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;

    // The window (null: none). The panel does not own it.
    void AttachView(PanelView* view);
    void SetJobCommands(PanelJobCommands* jobs) { jobs_ = jobs; }
    void SetHooks(PanelHooks hooks) { hooks_ = std::move(hooks); }

    // ---- life of the window ----
    // Creation: captions, the machine type ("typ.txt"), the link decision, the identity, the
    // parallel port's start.
    void FormCreate(const PanelStartup& startup);
    void FormActivate();
    void FormDeactivate();

    // ---- the timer ----
    void Timer1Timer();
    // The status refresh.
    void Tick();
    bool TimerRunning() const { return timerOn_; }
    int Interval() const { return interval_; }

    // ---- JobPanel ----
    void Hold() override { wstrzymaj(); }
    void Continue() override { kontynuuj(); }
    void EnableMotionControls(bool on) override;
    void EnableSpeedPower(bool on) override;
    void StopTimer() override;
    void StartTimer() override;
    void RefreshStatus() override { Tick(); }

    // ---- the operator's input (virtual key codes) ----
    void KeyDown(std::uint16_t key);
    void KeyUp(std::uint16_t key);
    // Left button down / up on a jog button, on STOP or on another button.
    void ButtonDown(PanelControl button);
    void ButtonUp(PanelControl button);
    void StopClick();
    void SpindleClick();
    void PulseFieldExit(double ms);
    void SpeedBarMoved(std::int32_t position);
    void PowerBarMoved(std::int32_t position);
    // Any scroll event of the power bar (before a change, or without one).
    void PowerBarScrolled();
    void HomeClick();
    void SetZeroClick();
    void MoveClick();
    void OutputsClick();
    void ToolLengthClick();
    void InverterClick();
    void CloseClick();
    // Whether the panel may be opened now (F5): false, after a message, when the newer
    // controller has no link.
    bool OpenAllowed();

    // setVerParam: the parameter set for the model string, then the speed bar's range.
    void setVerParam();

    // ---- what the window and the tests look at ----
    const BarState& SpeedBar() const { return speedBar_; }
    const BarState& PowerBar() const { return powerBar_; }
    bool Enabled(PanelControl c) const { return enabled_[static_cast<int>(c)]; }
    bool Visible(PanelControl c) const { return visible_[static_cast<int>(c)]; }
    std::int64_t TickCount() const { return ticks_; }
    std::int64_t StreamerTickCount() const { return streamerTicks_; }
    double HeldZ() const { return heldZ_; }

    // Key code of a jog button, 0 for other controls.
    static std::uint16_t JogKeyOf(PanelControl button);
    // Whether a key code is one of the jog keys.
    static bool IsJogKey(std::uint16_t key);

private:
    // Hold and continue of a job that runs from the controller's memory (or of a burn).
    void wstrzymaj();
    void kontynuuj();

    // ---- links ----
    bool UsbPresent();
    bool TcpConnected() const;
    // The job state as job control keeps it (without job control: from the burn's flags).
    JobState JobStateNow() const;
    // Whether a bitmap burn has the link now (the timer's status refresh waits).
    bool BurnHasLink() const;
    // The one question before the panel talks to the machine on the operator's behalf: job
    // control leaves the link free (no burn or transfer has it, no job command waits) and no
    // other action of the panel is still waiting for the machine.
    bool LinkFree() const { return !inAction_ && (!jobs_ || jobs_->GuiMayUseLink()); }
    // Marks an action of the panel that talks to the machine, for as long as it runs (its
    // waits keep the window alive, and the operator's input arrives meanwhile).
    struct ActionScope {
        explicit ActionScope(bool& flag) : flag_(flag) { flag_ = true; }
        ~ActionScope() { flag_ = false; }
        bool& flag_;
    };
    void SetInterval(int ms);
    void LinkCaption();
    void Captions();
    void UnitCaptions();
    // The machine's keys of the second status byte.
    void MachineKeys();

    // ---- status display ----
    void ShowStatus();
    void ShowActualSpeed();
    void ShowSpeedCaption();
    void ShowSpeedBarFromStatus();
    void ShowPower();
    void ShowCoordinates();
    void ShowJobEnd();
    void ShowPowerCaption();

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
    void SpeedKey(bool plus);
    void SendSpeed(std::int32_t mmPerMin);

    // ---- manual control ----
    // ReadStatus; false (after the message "No communication" with the caption) when the
    // parallel port's reply did not come in time.
    bool LinkAnswers(TextId caption);
    // ReadStatus until the bits are clear or the controller stops answering; false (after the
    // message with the caption) when it keeps them set past kStatusWaitLimit.
    bool WaitForStatusClear(std::uint16_t bits, TextId caption);
    void StartJogKey(std::uint16_t key);
    void LaserPulse();
    void ToggleSpindleNow();
    bool KeyAllowed(std::uint16_t key) const;
    void Show(PanelControl c, bool on);
    void Enable(PanelControl c, bool on);
    std::string Fixed(double v, int decimals) const;

    MachineContext& ctx_;
    Settings& settings_;
    CommandLayer& layer_;
    PanelLinks links_;
    TTransArm& streamer_;
    Notifier& notifier_;
    Clock& clock_;
    PanelView* view_;
    NullPanelView nullView_;
    PanelJobCommands* jobs_ = nullptr;
    PanelHooks hooks_;
    std::unique_ptr<tEthernetCzuwanie> ethernetWatch_;

    // Fields of the panel.
    std::uint16_t lastKey_ = 0;
    bool keyRepeat_ = false;
    std::int32_t savedSpeed_ = 0;
    bool ctrlHeld_ = false;  // the panel saw the Ctrl press that the release restores
    bool stopRequest_ = false;
    int tickDivider_ = 0;
    bool refreshing_ = false;
    bool showingMachineSpeed_ = false;  // the speed bar is set to the controller's own speed
    int speedChangeDepth_ = 0;          // runs of the speed bar's change handler in progress
    bool jobRunning_ = false;           // a job was seen running from the machine's memory
    double heldX_ = 0, heldY_ = 0, heldZ_ = 0;
    // The last power display.
    std::uint8_t lastOutputIndex_ = 255;
    std::int32_t lastSpindleValue_ = -1;
    bool lastSpindleOn_ = false;

    BarState speedBar_{10, 3000, 100, 10, 1};
    BarState powerBar_{0, 100, 50, 10, 1};
    std::array<bool, static_cast<int>(PanelControl::Count)> enabled_{};
    std::array<bool, static_cast<int>(PanelControl::Count)> visible_{};
    double pulseMs_ = 100;
    bool timerOn_ = false;
    int interval_ = kIntervalNormal;
    bool inTick_ = false;
    bool inTimer_ = false;
    bool inAction_ = false;  // an action of the panel talks to the machine  // the timer event runs (a message box inside it runs the timer again)
    std::int64_t ticks_ = 0;
    std::int64_t streamerTicks_ = 0;
};

}  // namespace vellisk
