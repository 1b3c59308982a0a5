#pragma once
// Small pieces shared by the machine dialogs: lengths in millimetres to motor steps, the raw
// "A" move in the form the controller in use takes, and waits that notice a lost link.
#include <cstdint>
#include <string>

#include "machine_link/command_layer.h"
#include "machine_operation/user_interrupt.h"

namespace vellisk {

// A length in mm on an axis with `stepsPer001` motor steps per 0.01 mm, in whole steps.
std::int32_t MmToSteps(double mm, double stepsPer001);

// The move of this controller generation: the 15-byte move without speed limit on the newer
// controller (factor `Multiplier`), else the 14-byte move with `olderFactor`.
std::string DialogMove(const MachineContext& ctx, std::int32_t olderFactor, std::int32_t dx, std::int32_t dy,
                       std::int32_t dz);

// Sends a command; false when the link did not take it.
bool Send(CommandLayer& layer, const std::string& command);

// WaitWhileBusy; false when the controller stopped answering meanwhile.
bool WaitIdle(CommandLayer& layer);

// ReadStatus until the busy bit clears; false when the controller does not answer or the
// operator gives up waiting (a key or a click).
bool WaitForIdleStatus(CommandLayer& layer, UserInterrupt& interrupt);

}  // namespace vellisk
