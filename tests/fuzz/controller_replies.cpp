// Feeds arbitrary bytes as the Ethernet controller's replies: the identity parse and the status
// record must read only the bytes received and never crash, whatever the controller sends.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "machine_link/command_layer.h"
#include "machine_link/ethernet_link.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto id = vellisk::ParseIdentityReply(text)) {
        if (id->Producer != "DRANHOLT" || id->Model.size() != 8 || id->ProductionDate.size() != 8)
            __builtin_trap();
    }
    static vellisk::MachineContext ctx;
    ctx.PlotParams.Multiplier = 2;
    ctx.PlotParams.StepsX = ctx.PlotParams.StepsY = 3.0;
    ctx.PlotParams.StepsZ = size % 2 ? 0.0 : 1.5;
    ctx.SpindleScale = size % 3 ? 1.0 : 0.25;
    try {
        vellisk::ApplyStatusRecord(ctx, std::span<const std::uint8_t>(data, size));
    } catch (const vellisk::CoreError&) {
    }
    if (ctx.PlotState.OutputIndex > 5) __builtin_trap();
    return 0;
}
