#pragma once
// What the control panel's three parts (the link pump, manual control and the display) share:
// the program's machine context, settings, command layer and links, the window, job control's
// commands, the dialogs the panel opens, the panel's timer, and the one question asked before
// the panel talks to the machine on the operator's behalf. The control panel owns it; each
// part holds a reference.
#include <chrono>
#include <functional>
#include <optional>

#include "machine_link/command_layer.h"
#include "machine_link/machine_context.h"
#include "machine_operation/job_panel.h"
#include "machine_operation/panel_view.h"
#include "model/lang_texts.h"
#include "platform/clock.h"
#include "platform/notifier.h"
#include "platform/scoped_flag.h"

namespace vellisk {

class LptTransport;
class TfUsb;
class TfEthernet;
class TTransArm;
class Settings;

// The links the program has; any may be missing (null).
struct PanelLinks {
    LptTransport* lpt = nullptr;
    TfUsb* usb = nullptr;  // null when the program runs without USB ("95")
    TfEthernet* eth = nullptr;
};

// The active drawing as project zero's checks need it.
struct PanelDrawing {
    int kind = 1;                  // project kind (drawing units)
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

struct PanelShared {
    // Longest wait for the controller to become idle (or to stop its job) before an action.
    static constexpr std::chrono::seconds kStatusWaitLimit{10};

    PanelShared(MachineContext& c, const ProgramEnvironment& e, const JobValues& j, Settings& s, CommandLayer& l,
                PanelLinks k, TTransArm& t, Notifier& n, Clock& clk)
        : ctx(c),
          env(e),
          job(j),
          settings(s),
          layer(l),
          links(k),
          streamer(t),
          notifier(n),
          clock(clk),
          view(&nullView) {}
    PanelShared(const PanelShared&) = delete;
    PanelShared& operator=(const PanelShared&) = delete;

    MachineContext& ctx;
    const ProgramEnvironment& env;
    const JobValues& job;  // the start height a held job goes back to
    Settings& settings;
    CommandLayer& layer;
    PanelLinks links;
    TTransArm& streamer;
    Notifier& notifier;
    Clock& clock;
    PanelView* view;
    NullPanelView nullView;
    PanelJobCommands* jobs = nullptr;
    PanelHooks hooks;
    // An action of the panel talks to the machine (its waits keep the window alive, and the
    // operator's input arrives meanwhile).
    bool inAction = false;
    // STOP was pressed: the next status refresh holds a job that runs from the machine's memory.
    bool stopRequest = false;
    // The panel's timer: whether it runs and how often (the window's timer follows).
    bool timerOn = false;
    int interval = 100;  // the pump's normal interval

    bool UsbPresent();
    bool TcpConnected() const;
    // The job state as job control keeps it (without job control: from the burn's flags).
    JobState JobStateNow() const;
    // Whether a bitmap burn has the link now (the timer's status refresh waits).
    bool BurnHasLink() const;
    // The one question before the panel talks to the machine on the operator's behalf: job
    // control leaves the link free (no burn or transfer has it, no job command waits) and no
    // other action of the panel is still waiting for the machine.
    bool LinkFree() const { return !inAction && (!jobs || jobs->GuiMayUseLink()); }
    // An action of the panel takes the link when it is free and holds it while it runs; one
    // that got nothing (false) does not talk to the machine.
    ScopedFlag TakeLink() { return ScopedFlag(inAction, LinkFree()); }

    void SetInterval(int ms);
    void StopTimer();
    void StartTimer();

    // ReadStatus; false (after the message "No communication" with the caption) when the
    // parallel port's reply did not come in time.
    bool LinkAnswers(TextId caption);
    // ReadStatus until the bits are clear or the controller stops answering; false (after the
    // message with the caption) when it keeps them set past kStatusWaitLimit.
    bool WaitForStatusClear(std::uint16_t bits, TextId caption);
};

}  // namespace vellisk
