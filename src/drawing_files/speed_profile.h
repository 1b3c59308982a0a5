#pragma once
// The speed limit of every vertex of a figure's 3-D tool path: a controller step period
// (larger is slower), 65535 where the machine stops.
#include <cstdint>
#include <vector>

#include "drawing_files/job_machine.h"
#include "model/figure.h"

namespace vellisk {

inline constexpr std::uint16_t StopMarker = 65535;

// Rebuilds figure.SpeedProfile for figure.ToolPath3D (at least one point): stops at corners and
// at both ends, acceleration after and deceleration before each stop along the ramp table and,
// on a USB or Ethernet link, a limit by the local radius of gently bent runs.
// `fileKind` is the project kind (drawing units); `smoothing` is the `wygladzanie` setting.
// Throws CoreError(Range) when a running sum or ramp index leaves 32 bits.
void BuildSpeedProfile(tfigura& figure, int fileKind, const JobMachine& machine, bool smoothing);

// Gives the profile's memory back: a job's profiles are never all held at once.
inline void FreeSpeedProfile(tfigura& figure) { std::vector<std::uint16_t>().swap(figure.SpeedProfile); }

}  // namespace vellisk
