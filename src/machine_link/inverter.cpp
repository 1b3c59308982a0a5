#include "machine_link/inverter.h"

#include <charconv>
#include <system_error>

#include "machine_link/command_layer.h"
#include "machine_link/commands.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "platform/whole_file.h"

namespace vellisk {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The next whitespace-separated integer of a line; a 16-bit value, signed or unsigned.
std::optional<std::uint16_t> NextInteger(std::string_view& line) {
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    line.remove_prefix(i);
    std::string_view digits = line;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (ec != std::errc() || end == digits.data()) return std::nullopt;
    // The number must end at a blank or the end of the line ("12abc" is not a number).
    if (end != digits.data() + digits.size() && !IsBlank(*end)) return std::nullopt;
    if (v < -32768 || v > 65535) return std::nullopt;
    line.remove_prefix(static_cast<std::size_t>(end - line.data()));
    return static_cast<std::uint16_t>(v & 0xFFFF);
}

}  // namespace

std::string InverterFileName(std::string_view modelCode) {
    return modelCode.size() >= 3 && modelCode[2] == 'V' ? "3g3MV.dat" : "3g3jv.dat";
}

std::optional<std::vector<InverterParameter>> ParseInverterParameters(std::string_view text, int* badLine) {
    std::vector<InverterParameter> params;
    int lineNo = 0;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        ++lineNo;
        bool blank = true;
        for (char c : line) blank = blank && IsBlank(c);
        if (blank) continue;
        const auto number = NextInteger(line);
        const auto value = number ? NextInteger(line) : std::nullopt;
        if (!number || !value) {
            if (badLine) *badLine = lineNo;
            return std::nullopt;
        }
        params.push_back({*number, *value});
    }
    return params;
}

int LoadInverterParameters(CommandLayer& layer, const ProgramEnvironment& env) {
    MachineContext& ctx = layer.Context();
    const std::string name = InverterFileName(ctx.ModelCode);
    const std::filesystem::path path = env.ProgramDir / name;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return 0;
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        layer.GetNotifier().Message(env.Text(TextId::InverterFileUnreadable) + " " + name, MessageKind::Error);
        return 0;
    }
    int badLine = 0;
    const auto params = ParseInverterParameters(text, &badLine);
    if (!params) {
        layer.GetNotifier().Message(env.Text(TextId::InverterFileBadLine) + " " + name + ", " +
                                        env.Text(TextId::InverterLine) + " " + std::to_string(badLine),
                                    MessageKind::Error);
        return 0;
    }
    BusyCursor busy(layer.GetNotifier());
    for (const InverterParameter& p : *params) {
        layer.SendCommand("[" + IntToBytes2(p.Number) + IntToBytes2(p.Value));
        // The controller forwards each parameter to the inverter; this paces it.
        layer.Delay().WaitMs(80);
    }
    return static_cast<int>(params->size());
}

}  // namespace vellisk
