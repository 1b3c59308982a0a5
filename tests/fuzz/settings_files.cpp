// Feeds arbitrary bytes to the readers of the configuration files: as a "Quarnell.cfg" record,
// as a settings file with either decimal separator and as an IP address file. None may crash;
// whatever they accept must leave every setting finite and within its range, and a record that
// decodes must encode and decode again to the same state. A number field's text of each value
// (15 significant digits) reads back within rounding of the value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/edit_field.h"
#include "settings/number_text.h"
#include "settings/settings.h"
#include "settings/settings_files.h"

namespace {

void CheckSettings(const vellisk::Settings& s) {
    for (const auto& name : s.Names()) {
        const double v = s.Number(name);
        if (!std::isfinite(v)) __builtin_trap();
        const double lo = s.Minimum(name), hi = s.Maximum(name);
        if (lo < hi && (v < lo || v > hi)) __builtin_trap();
        for (char sep : {'.', ','}) {
            const auto shown = vellisk::ReadFieldText(vellisk::FormatFieldValue(v, {}, sep), sep);
            if (!shown || std::fabs(*shown - v) > 1e-14 * std::fabs(v)) __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vellisk;
    const std::span<const std::uint8_t> bytes(data, size);
    GlobalState g;
    std::string problem;
    if (DecodeGlobalState(bytes, &g, &problem)) {
        const auto rec = EncodeGlobalState(g);
        GlobalState back;
        if (!DecodeGlobalState(rec, &back, &problem) || !(back == g)) __builtin_trap();
    }
    // The whole fields of any bytes: strings within their fields, a finite start height; a
    // record that decodes salvages to itself.
    const GlobalState salvaged = SalvageGlobalState(bytes);
    if (salvaged.OpenDir.size() > kFolderCapacity || salvaged.SaveDir.size() > kFolderCapacity ||
        salvaged.SettingsPath.size() > kSettingsPathCapacity || !std::isfinite(salvaged.StartZ))
        __builtin_trap();
    if (DecodeGlobalState(bytes, &g, &problem) && !(salvaged == g)) __builtin_trap();

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (char sep : {'.', ','}) {
        Settings s;
        const auto report = ApplySettingsText(s, text, sep);
        if (report.lines.size() > size || report.missing.size() > Settings::Definitions().size()) __builtin_trap();
        CheckSettings(s);
        // what was read is written and read back the same
        const std::string again = SettingsFileText(s, sep);
        Settings t;
        if (!ApplySettingsText(t, again, sep).Clean() || SettingsFileText(t, sep) != again) __builtin_trap();
    }
    Settings ip;
    const std::string ipBefore = PlotterIpText(ip);
    // all four octets or none
    if (!ApplyIpFileText(ip, text) && PlotterIpText(ip) != ipBefore) __builtin_trap();
    CheckSettings(ip);
    (void)IpFileText(ip);
    (void)PlotterIpText(ip);
    return 0;
}
