#pragma once
// The machine context: the state of the connected machine that the program's parts share
// (machine-state record, parameter set in force, model code, link flags, command-length table,
// ramp table in force, working area). The program creates one at start-up beside its environment
// (folder, language, unit) and the values of the job in hand, and passes it to whoever needs the
// machine; each test creates its own, so nothing carries over from one test to the next. Flags that the bitmap burn thread and the Ethernet watch share with
// the main thread are atomics; everything else belongs to the main thread.
#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>

#include "machine_link/commands.h"
#include "machine_link/machine_params.h"

namespace vellisk {

class Notifier;
struct ProgramEnvironment;

// The state of the machine as the controller's replies report it.
struct tplotstate {
    std::uint16_t Status = 0;                      // low byte: bit 0 busy, 1 job from memory, 2 spindle/laser on,
                                                   // 3 not ready, 5 job in memory
    std::int32_t RawStatus = 0;                    // whole status word of a USB or Ethernet reply
    std::int32_t StepX = 0, StepY = 0, StepZ = 0;  // position in motor steps
    double PosX = 0, PosY = 0, PosZ = 0;           // position in 0.01 mm
    std::uint8_t SpeedSet = 0;                     // current speed set 0..3
    std::int32_t Speed = 0;                        // speed of the current speed set
    std::array<std::int32_t, 4> SetSpeeds{};
    std::int32_t ExtraSpeed = 0;   // the fifth value of the speed reply
    std::uint8_t OutputIndex = 0;  // current output (tool) 0..5
    std::uint16_t SpindleValue = 0;
    double BaseX = 0, BaseY = 0, BaseZ = 0;  // base point (project zero) in 0.01 mm
    std::string Producer = "Dranholt";
    std::string Model = "Brak danych";  // first three characters: the model code
    std::string ProductionDate = "Brak danych";
    std::int32_t RunMinutes = 0;
    std::int32_t FileCount = 0;
    std::uint8_t OutputByte = 0;  // output states, one bit each
};

class MachineContext {
public:
    // Start-up values: the machine-state defaults first, then the parameter unit's start
    // (model "BKT", set 0 in force).
    MachineContext();

    MachineContext(const MachineContext&) = delete;
    MachineContext& operator=(const MachineContext&) = delete;

    // --- machine state and model ---
    tplotstate PlotState;
    tplotparams PlotParams;  // the set in force, calibrated
    int SelectedSet = 0;     // index of the set in force (uncalibrated in ModelParamSets)
    std::string ModelCode = "BKT";
    bool ArmLink = false;  // controller on USB or Ethernet
    bool Firmware550 = false;
    CommandLengthTable CommandLengths;
    std::span<const std::uint16_t> RampTableArm;  // newer controller's table in force
    std::int32_t FirmwareVersion = 0;             // from the USB link; 0 until read
    bool OsIsNT = false;                          // the parallel port may not be used

    // --- link and command layer ---
    std::atomic<bool> EthernetConnected{false};
    bool StreamFeeding = false;
    // The machine's START, STOP and continue keys (and the overload bit that comes with STOP), in
    // the bits of the status word's key byte, from every status reply since the control panel
    // last took them: whoever reads a reply (the panel, the streamer, a wait, the burn thread),
    // its keys reach the panel once.
    std::atomic<std::uint8_t> PendingMachineKeys{0};
    std::int32_t UsbRetryCount = 0;
    std::int32_t UsbErrorCount = 0;
    bool JogActive = false;
    bool JobHeld = false;
    std::string PlotterIP;  // dotted IPv4 address text of the Ethernet controller

    // --- working area ---
    double WorkAreaX = 5000.0, WorkAreaY = 3000.0, WorkAreaZ = 500.0;  // mm
    double SpindleScale = 1.0;

    // --- bitmap burn ---
    std::atomic<bool> BurnRunning{false};
    std::atomic<bool> BurnStopRequested{false};

    // Where ramp look-ups go for the set and link in force.
    RampContext Ramp() const;
    std::uint16_t RampTimerAt(std::int32_t index) const { return vellisk::RampTimerAt(Ramp(), index); }
    std::int32_t RampIndexOfTimer(std::int32_t timer) const { return vellisk::RampIndexOfTimer(Ramp(), timer); }
    std::uint32_t SpeedToTimer(std::int32_t feed) const { return vellisk::SpeedToTimer(PlotParams, feed); }
    std::int32_t TimerToSpeed(std::int32_t timer) const { return vellisk::TimerToSpeed(PlotParams, timer); }
};

// Picks the parameter set for the model text in PlotState.Model, applies the calibration of
// "kalibracja.txt" in the program's folder, and sets the link, the command lengths, the ramp table and
// Firmware550 to match. A calibration file that cannot be read as three numbers is reported
// through the notifier and ignored.
void SelectMachineModel(MachineContext& ctx, const ProgramEnvironment& env, Notifier& notifier);

}  // namespace vellisk
