// Feeds arbitrary bytes as the Ethernet controller's replies: the identity parse and the status
// record must read only the bytes received and never crash, whatever the controller sends. The
// same bytes, cut into a command and its echo, go through the rule that decides whether an echo
// is good: a good echo is exactly the command with its first letter upper-cased.
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
        if (id->Producer != "DRANHOLT" || id->Model.size() != 8 || id->ProductionDate.size() != 8) __builtin_trap();
    }
    static vellisk::MachineContext ctx;
    ctx.PlotParams.Multiplier = 2;
    ctx.PlotParams.StepsX = ctx.PlotParams.StepsY = 3.0;
    ctx.PlotParams.StepsZ = size % 2 ? 0.0 : 1.5;
    ctx.SpindleScale = size % 3 ? 1.0 : 0.25;
    try {
        vellisk::ApplyStatusRecord(ctx, std::span<const std::uint8_t>(data, size));
    } catch (const vellisk::CoreError&) {}
    if (ctx.PlotState.OutputIndex > 5) __builtin_trap();

    const std::size_t cut = size ? data[0] % (size + 1) : 0;
    const std::string_view command = text.substr(0, cut), echo = text.substr(cut);
    const bool trailing = size % 5 == 0;
    const int r = vellisk::EchoResult(command, echo, trailing);
    if (r == vellisk::kLinkOk) {
        if (trailing || echo.size() != command.size() || echo.substr(1) != command.substr(1)) __builtin_trap();
        const char c = command[0];
        const char e = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (echo[0] != e) __builtin_trap();
    } else if (r != vellisk::kEthNoEcho && r != vellisk::kEthEchoLength && r != vellisk::kEthEchoDiffers) {
        __builtin_trap();
    }
    if (r == vellisk::kEthNoEcho && !echo.empty()) __builtin_trap();
    return 0;
}
