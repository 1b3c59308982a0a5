#pragma once
// What job control and the control panel need of each other.
//
// The control panel owns the program's timer, parks and resumes the machine (hold and continue)
// and shows the machine's state. Job control starts jobs (START, Repeat, the selected-figure
// commands, the bitmap burn). Job control reaches the panel through `JobPanel`; the panel's
// timer turns the machine's own START, STOP and continue keys into job-control commands through
// `PanelJobCommands`. The program joins the two at start-up; tests put a recording fake on
// either side.
namespace vellisk {

// The one job state of the program, kept by job control. It says who has the machine link:
//   Idle              nothing runs; anyone on the GUI thread may talk to the machine;
//   Streaming         a job file streams on the panel's timer (the GUI thread, between ticks);
//   Held              a streamed or stored job is held (parked);
//   ParallelTransfer  the parallel-port transfer sends the job byte by byte;
//   Burning           the burn thread has the link;
//   BurnPausing       a pause was asked for; the burn thread still finishes its line;
//   BurnPaused        the burn thread waits for continue and leaves the link alone.
enum class JobState { Idle, Streaming, Held, ParallelTransfer, Burning, BurnPausing, BurnPaused };

// Whether the GUI thread may start an exchange with the machine in `state`: never while the
// burn thread or the parallel-port transfer has the link.
inline bool LinkFreeForGui(JobState state) {
    return state != JobState::Burning && state != JobState::BurnPausing && state != JobState::ParallelTransfer;
}

// What job control needs of the control panel.
class JobPanel {
public:
    virtual ~JobPanel() = default;
    // Parks a running job: "Q", the tool lifted and moved off, JobHeld set (the panel's hold).
    virtual void Hold() = 0;
    // Takes a held job back up: back to the held point, spindle or laser on, "K".
    virtual void Continue() = 0;
    // Jog, homing and move controls on or off (off while a job runs).
    virtual void EnableMotionControls(bool on) = 0;
    // Speed and power bars on or off (off while a burn runs unpaused).
    virtual void EnableSpeedPower(bool on) = 0;
    // The panel's timer off and on again (around the parallel-port transfer, which has its own).
    virtual void StopTimer() = 0;
    virtual void StartTimer() = 0;
    // One status refresh of the panel, as its timer does it; the burn asks for it between lines
    // (always on the GUI thread).
    virtual void RefreshStatus() = 0;
    // Before a job is made for the newer controller: the machine on the link names itself once
    // per connection, and its model is put in force.
    virtual void IdentifyMachine() {}
};

// What the control panel needs of job control: the commands behind the machine's own keys.
class PanelJobCommands {
public:
    virtual ~PanelJobCommands() = default;
    // The job state now.
    virtual JobState State() const { return JobState::Idle; }
    // The one question asked before every exchange on the GUI thread that is not part of a job
    // command: the state leaves the link free and no job command is running (one that waits for
    // the machine keeps the window alive, and nothing may start in between).
    virtual bool GuiMayUseLink() const { return LinkFreeForGui(State()); }
    virtual void Start1Click() = 0;        // START key (key byte 0x08)
    virtual void Wstrzymaj1Click() = 0;    // STOP key (0x10): hold the job or pause the burn
    virtual void Kontynuacja1Click() = 0;  // continue key (0x20)
};

}  // namespace vellisk
