#pragma once
// What the job writer and the speed profile need to know about the connected machine: the
// values of its parameter set, the link, and the controller's speed conversions and ramp
// tables. The program fills it from the machine context at the moment of a save; tests fill it
// by hand or from a parameter set.
#include <cstdint>
#include <functional>
#include <string>

namespace vellisk {

struct JobMachine {
    // Parameter set of the machine model.
    std::int32_t Multiplier = 3;
    double StepsX = 0.9794150511187;  // motor steps per 0.01 mm
    double StepsY = 0.9794150511187;
    double StepsZ = 5.3333333333333;  // 0: the machine has no Z axis
    std::uint16_t MaxSpeed = 2000;
    std::uint16_t MaxZSpeed = 180;
    std::uint16_t MinFeed = 12;
    std::int32_t AccelFactor = 1200;
    std::int32_t AccelFactorAlt = 2400;
    bool ArmController = false;
    bool Laser = false;
    bool ZReversed = false;

    // Link and process-wide values.
    bool ArmLink = false;
    bool Firmware550 = false;
    std::string ModelCode = "BKT";
    double SpindleScale = 1.0;
    double JobStartZ = 20.0;     // mm
    double PlungePitch = 100.0;  // mm per lap; 100 or more: no ramped plunge
    double GcodePower = 0.0;     // spindle value S of the G-code project being written

    // Speed conversions and ramp look-ups of the controller.
    std::function<std::uint32_t(std::int32_t feed)> SpeedToTimer;
    std::function<std::uint16_t(std::int32_t index)> RampTimerAt;
    std::function<std::int32_t(std::int32_t timer)> RampIndexOfTimer;
};

}  // namespace vellisk
