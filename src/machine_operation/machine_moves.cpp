#include "machine_operation/machine_moves.h"

#include <chrono>

#include "model/numeric.h"

namespace vellisk {

std::int32_t MmToSteps(double mm, double stepsPer001) {
    return RoundTo<std::int32_t>(mm * stepsPer001 * 100.0, "move steps");
}

std::string DialogMove(const MachineContext& ctx, std::int32_t olderFactor, std::int32_t dx, std::int32_t dy,
                       std::int32_t dz) {
    if (ctx.PlotParams.ArmController)
        return EncodeMoveCommandEx(ctx.PlotParams.Multiplier, dx, dy, dz, kNoSpeedLimit).Bytes;
    return EncodeMoveCommand(olderFactor, dx, dy, dz).Bytes;
}

bool Send(CommandLayer& layer, const std::string& command) {
    return command.empty() || layer.SendCommand(command) == 0;
}

bool WaitIdle(CommandLayer& layer) { return static_cast<bool>(layer.WaitWhileBusy()); }

bool WaitForIdleStatus(CommandLayer& layer, UserInterrupt& interrupt) {
    using namespace std::chrono_literals;
    for (;;) {
        if (!layer.ReadStatus()) return false;
        if ((layer.Context().PlotState.Status & kStatusBusy) == 0) return true;
        if (interrupt.Poll()) return false;
        layer.GetClock().Sleep(10ms);
    }
}

}  // namespace vellisk
