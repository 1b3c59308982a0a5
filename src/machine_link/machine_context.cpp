#include "machine_link/machine_context.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

#include "model/program_environment.h"
#include "platform/notifier.h"
#include "platform/whole_file.h"

namespace vellisk {

MachineContext::MachineContext() : PlotParams(ModelParamSets()[0]), RampTableArm(RampTableArmMain()) {
    // The parameter unit starts after the machine-state defaults and names the default model.
    PlotState.Model = "BKT";
}

RampContext MachineContext::Ramp() const {
    RampContext r;
    r.ArmLink = ArmLink;
    r.ArmController = PlotParams.ArmController != 0;
    r.RampDivisor = PlotParams.RampDivisor;
    r.ArmTable = RampTableArm;
    return r;
}

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlankOrControl(s[b])) ++b;
    while (e > b && IsBlankOrControl(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Three factors, one per line (X, Y, Z): each number is read after any blanks and line ends,
// and the rest of its line is skipped. Nothing when the text does not hold three numbers.
std::optional<std::array<double, 3>> ParseCalibration(const std::string& text) {
    std::array<double, 3> f{};
    std::size_t pos = 0;
    for (double& value : f) {
        while (pos < text.size() && IsBlankOrControl(text[pos])) ++pos;
        std::size_t end = pos;
        while (end < text.size() && !IsBlankOrControl(text[end])) ++end;
        if (end == pos) return std::nullopt;
        const char* first = text.data() + pos;
        const char* last = text.data() + end;
        if (*first == '+') ++first;
        auto [ptr, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || ptr != last || !std::isfinite(value)) return std::nullopt;
        // The rest of the line is skipped.
        pos = text.find('\n', end);
        if (pos == std::string::npos) pos = text.size();
    }
    return f;
}

}  // namespace

void SelectMachineModel(MachineContext& ctx, const ProgramEnvironment& env, Notifier& notifier) {
    const std::string& model = ctx.PlotState.Model;

    // 1-3: the model code; the HYG family is named by the whole trimmed text, the NWB family by
    // its first six characters.
    std::string code = model.substr(0, std::min<std::size_t>(3, model.size()));
    if (code == "HYG") {
        code = Trim(model);
    } else if (code == "NWB" && model.size() >= 6) {
        code += model.substr(3, 3);
    }
    ctx.ModelCode = code;

    // 4-7: the set; a code that matches nothing keeps the set in force.
    int set = ModelSetIndex(code);
    const std::string suffix = model.size() >= 8 ? model.substr(4, 3) : std::string();
    if (code == "NKV" && suffix == "484") set = 13;
    if (code == "NZS" || code == "NZV") set = 14;
    if (set >= 0) ctx.SelectedSet = set;

    // The calibration always applies to a fresh copy of the set, never to a calibrated one.
    tplotparams p = ModelParamSets()[static_cast<std::size_t>(ctx.SelectedSet)];
    ctx.RampTableArm = UsesAltRampTable(ctx.SelectedSet) ? RampTableArmAlt() : RampTableArmMain();

    // 8: calibration factors X, Y, Z, each limited to 0.6..1.4.
    const std::filesystem::path calib = env.ProgramDir / "kalibracja.txt";
    std::error_code ec;
    if (std::filesystem::exists(calib, ec)) {
        std::string text;
        const auto factors = ReadWholeFile(calib, &text) ? ParseCalibration(text) : std::nullopt;
        if (factors) {
            auto clamp = [](double v) { return std::clamp(v, 0.6, 1.4); };
            p.StepsX /= clamp((*factors)[0]);
            p.StepsY /= clamp((*factors)[1]);
            p.StepsZ /= clamp((*factors)[2]);
        } else {
            notifier.Message(env.Text(TextId::CalibrationFileUnreadable) + "\n" + calib.string(), MessageKind::Warning);
        }
    }
    ctx.PlotParams = p;

    // 9-11: the link, the command lengths of the controller generation and the firmware level.
    ctx.ArmLink = p.LinkKind != 0 || ctx.OsIsNT;
    ctx.CommandLengths.SetController(p.ArmController != 0);
    ctx.Firmware550 = ctx.FirmwareVersion >= 550;
}

}  // namespace vellisk
