#pragma once
// The control panel's link pump, the program's only periodic driver. On every timer event it
// wakes the Ethernet watch, takes up what the links have for the main thread (Ethernet texts,
// USB plug and unplug), feeds the job streamer while a job streams, and refreshes the status
// (every fifth event while streaming, not while a bitmap burn runs unpaused). The status
// refresh holds a job after STOP, watches the link, turns the machine's own START, STOP and
// continue keys into job-control commands, polls the machine's state and has manual control
// and the display show it.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "machine_operation/manual_control.h"
#include "machine_operation/panel_display.h"
#include "machine_operation/panel_shared.h"

namespace vellisk {

class tEthernetCzuwanie;

class LinkPump {
public:
    static constexpr int kIntervalFast = 10;
    static constexpr int kIntervalNormal = 100;
    static constexpr int kIntervalIdleArm = 500;
    static constexpr int kIntervalNoLink = 3000;

    LinkPump(PanelShared& shared, PanelDisplay& display, ManualControl& manual);
    ~LinkPump();
    LinkPump(const LinkPump&) = delete;
    LinkPump& operator=(const LinkPump&) = delete;

    void Timer1Timer();
    // The status refresh.
    void Tick();

    // Once per connection of the newer controller (USB machine plugged in, Ethernet connected):
    // the machine's identity is read and its model put in force before anything is made for it,
    // so that a job is never written with the step sizes of the start-up default. The timer asks
    // once per connection (a controller that does not answer would hold the window for the
    // identity's whole time limit on every event); `askAgain` asks again until the machine has
    // named itself (before a job).
    void IdentifyMachine(bool askAgain);
    // The machine has just named itself (here, or at the panel's creation or activation): its
    // model is put in force and kept in "typ.txt" when the file names another one or is missing.
    void TakeIdentity();
    // The model "typ.txt" in the program folder names (its first line); none without the file.
    std::optional<std::string> KeptMachineType() const;

    std::int64_t TickCount() const { return ticks_; }
    std::int64_t StreamerTickCount() const { return streamerTicks_; }

private:
    std::filesystem::path MachineTypeFile() const;
    // Keeps the model in force in "typ.txt" (written whole).
    void KeepMachineType();
    // The machine's keys of the second status byte.
    void MachineKeys();
    void ShowStatus();

    PanelShared& s_;
    PanelDisplay& display_;
    ManualControl& manual_;
    std::unique_ptr<tEthernetCzuwanie> ethernetWatch_;
    int tickDivider_ = 0;
    bool inTick_ = false;
    bool inTimer_ = false;     // the timer event runs (a message box inside it runs the timer again)
    bool identified_ = false;  // the machine on the link now has named itself
    bool asked_ = false;       // its identity was asked for on this connection
    std::int64_t ticks_ = 0;
    std::int64_t streamerTicks_ = 0;
};

}  // namespace vellisk
