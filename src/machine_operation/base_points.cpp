#include "machine_operation/base_points.h"

#include <cmath>
#include <cstdio>

#include "model/length_unit.h"
#include "platform/whole_file.h"
#include "settings/number_text.h"

namespace vellisk {
namespace {

constexpr std::size_t kValueWidth = 9;

// Fixed format with 3 decimals after rounding to 8 significant digits.
std::string FixedValue(double v, char sep) {
    if (v != 0 && std::isfinite(v)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.7e", v);
        v = std::strtod(buf, nullptr);
    }
    std::string t = FormatFixedNumber(v, 3, sep);
    if (t.size() < kValueWidth) t.insert(0, kValueWidth - t.size(), ' ');
    return t;
}

std::optional<double> ValueAfter(std::string_view line, std::string_view key, char sep, std::size_t* keyPos) {
    const std::size_t k = line.find(key);
    if (k == std::string_view::npos) return std::nullopt;
    *keyPos = k;
    return ParseNumberText(line.substr(k + key.size(), kValueWidth), sep);
}

}  // namespace

std::string BasePointLine(const BasePoint& p, std::int32_t unit, char sep) {
    return "X=" + FixedValue(MmToUnit(unit, p.xMm), sep) + "   Y=" + FixedValue(MmToUnit(unit, p.yMm), sep) + " " +
           p.remark.substr(0, kBaseRemarkLength);
}

std::optional<BasePoint> ParseBasePointLine(std::string_view line, std::int32_t unit, char sep) {
    std::size_t xAt = 0, yAt = 0;
    const auto x = ValueAfter(line, "X=", sep, &xAt);
    const auto y = ValueAfter(line, "Y=", sep, &yAt);
    if (!x || !y) return std::nullopt;
    BasePoint p{UnitToMm(unit, *x), UnitToMm(unit, *y), {}};
    const std::size_t r = yAt + 12;
    if (r < line.size()) p.remark = std::string(line.substr(r, kBaseRemarkLength));
    return p;
}

BasePointsDialog::BasePointsDialog(CommandLayer& layer, const ProgramEnvironment& env, char decimalSeparator)
    : layer_(layer), env_(env), sep_(decimalSeparator) {
    const MachineContext& ctx = layer_.Context();
    lines = {"X=1000.00   Y=1000.00  Punkt taki sobie"};
    const auto path = env_.ProgramDir / "base.txt";
    std::string text;
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (exists && !ReadWholeFile(path, &text)) {
        // The operator's points are somewhere in it: the file is left alone, and kept aside
        // before a changed list replaces it.
        unreadable_ = true;
        layer_.GetNotifier().Message(env_.Text(TextId::BaseFileUnreadable) + "\n" + path.string(), MessageKind::Error);
    } else if (exists) {
        lines.clear();
        std::string_view rest = text;
        while (!rest.empty()) {
            const std::size_t nl = rest.find('\n');
            std::string_view line = rest.substr(0, nl);
            rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            lines.emplace_back(line);
        }
    }
    maxX = ctx.WorkAreaX;
    maxY = ctx.WorkAreaY;
}

void BasePointsDialog::Activate() {
    const tplotstate& s = layer_.Context().PlotState;
    x = s.BaseX / 100;
    y = s.BaseY / 100;
}

void BasePointsDialog::TakeMachinePosition() {
    layer_.ReadPosition();
    const tplotstate& s = layer_.Context().PlotState;
    x = s.PosX / 100;
    y = s.PosY / 100;
}

bool BasePointsDialog::CopySelected() {
    if (selected < 0) return false;
    const auto p = ParseBasePointLine(lines[static_cast<std::size_t>(selected)], env_.LengthUnit, sep_);
    if (!p) {
        layer_.GetNotifier().Message(
            env_.Text(TextId::BasePointUnreadable) + "\n" + lines[static_cast<std::size_t>(selected)],
            MessageKind::Error);
        return false;
    }
    x = p->xMm;
    y = p->yMm;
    remark = p->remark;
    return true;
}

void BasePointsDialog::Add() {
    lines.push_back(BasePointLine({x, y, remark}, env_.LengthUnit, sep_));
    selected = static_cast<int>(lines.size()) - 1;
    changed_ = true;
}

void BasePointsDialog::RemoveSelected() {
    if (selected < 0) return;
    lines.erase(lines.begin() + selected);
    selected = -1;
    changed_ = true;
}

bool BasePointsDialog::Save() {
    const auto path = env_.ProgramDir / "base.txt";
    std::error_code ec;
    // An unchanged list is not written back: the file holds it already, or holds points that
    // could not be read. A missing file is created with the list as it stands.
    if (!changed_ && (std::filesystem::exists(path, ec) || ec)) return true;
    if (unreadable_) {
        const auto kept = KeepAside(path);
        if (!kept) {
            layer_.GetNotifier().Message(env_.Text(TextId::DamagedFileNotReplaced) + "\n" + path.string(),
                                         MessageKind::Error);
            return false;
        }
        unreadable_ = false;
        layer_.GetNotifier().Message(env_.Text(TextId::DamagedFileKeptAs) + "\n" + kept->string(),
                                     MessageKind::Information);
    }
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    std::string why;
    if (WriteWholeFile(path, text, &why)) {
        changed_ = false;
        return true;
    }
    layer_.GetNotifier().Message(why, MessageKind::Error);
    return false;
}

}  // namespace vellisk
