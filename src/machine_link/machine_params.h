#pragma once
// Machine model parameter sets, the controller's speed conversions and the acceleration ramp
// tables. One parameter set describes a machine model: the controller's timer tick, the motor
// steps per 0.01 mm of each axis, the speed and power limits, the link and controller generation
// and whether it is a laser.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace vellisk {

struct tplotparams {
    double TimerTickUs = 0;       // one controller timer tick in microseconds
    std::int32_t Multiplier = 1;  // speed and step multiplier (1, 2 or 3)
    double StepsX = 0;            // motor steps per 0.01 mm (divided by the calibration factor)
    double StepsY = 0;
    double StepsZ = 0;           // 0: the machine has no Z axis
    std::uint16_t MaxSpeed = 0;  // mm/min
    std::uint16_t MaxWorkSpeed = 0;
    std::uint16_t MaxTravelSpeed = 0;
    std::uint16_t MaxZSpeed = 0;
    std::uint16_t MaxSmoothSpeed = 0;
    std::uint16_t MinFeed = 0;  // below it SpeedToTimer gives 0xFFFF
    std::int32_t PowerMax = 0;  // spindle rpm or laser power %
    std::int32_t PowerMin = 0;
    std::uint8_t LinkKind = 0;        // 0 parallel port, 1 USB or Ethernet
    std::uint8_t DirectSpeedBar = 0;  // the panel's speed bar shows the speed itself
    std::int32_t AccelFactor = 0;     // speed factor K of the speed profile
    std::int32_t AccelFactorAlt = 0;  // the same while smoothing is on
    std::uint8_t ArmController = 0;   // newer controller generation
    std::int32_t RampDivisor = 0;     // ramp-table index divisor minus one (newer controller)
    std::uint8_t Laser = 0;
    std::uint8_t ZReversed = 0;
    std::int32_t MmDecimals = 2;
    std::int32_t SpeedBarMax = 0;
    std::int32_t RunUpFactor = 0;
};

inline constexpr int kModelParamSetCount = 24;

// The built-in parameter sets; set 0 (BKT) is the start-up default.
const std::array<tplotparams, kModelParamSetCount>& ModelParamSets();

// Set index for an exact (case-sensitive) model code of the table, -1 when none matches.
int ModelSetIndex(std::string_view modelCode);

// Whether a set belongs to a family that runs with the alternative ramp table (NWB, HYG).
bool UsesAltRampTable(int setIndex);

// Feed in mm/min to a controller timer value (step period in timer ticks). Below MinFeed: 0xFFFF.
std::uint32_t SpeedToTimer(const tplotparams& p, std::int32_t feed);
// Timer value to feed in mm/min; a timer <= 0 gives MinFeed.
std::int32_t TimerToSpeed(const tplotparams& p, std::int32_t timer);

// The ramp tables: step periods in timer ticks, non-increasing with the index (entry i is the
// step period after i steps of acceleration). Constant for the whole run.
std::span<const std::uint16_t> RampTableLpt();      // 256 entries, parallel-port controller
std::span<const std::uint16_t> RampTableUsb();      // 16000 entries, USB controller of the older kind
std::span<const std::uint16_t> RampTableArmMain();  // 65536 entries, newer controller
std::span<const std::uint16_t> RampTableArmAlt();   // 65536 entries, newer controller, NWB and HYG

// Where ramp look-ups go: the link, the set in force and the newer controller's table.
struct RampContext {
    bool ArmLink = false;
    bool ArmController = false;
    std::int32_t RampDivisor = 0;
    std::span<const std::uint16_t> ArmTable;  // the newer controller's table in force
};

// Step period at a ramp index (clamped to the table).
std::uint16_t RampTimerAt(const RampContext& r, std::int32_t index);
// First ramp index whose step period is not above the timer value (the last index when none).
std::int32_t RampIndexOfTimer(const RampContext& r, std::int32_t timer);

}  // namespace vellisk
