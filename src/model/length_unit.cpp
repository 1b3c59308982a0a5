#include "model/length_unit.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vellisk {

const std::string& UnitName(std::int32_t unit) {
    return unit >= 0 && unit <= 2 ? UnitNames[static_cast<std::size_t>(unit)] : UnitNames[0];
}

double MmToUnit(std::int32_t unit, double x) {
    switch (unit) {
        case kUnitMm: return x;
        case kUnitInch: return x / 25.4;
        case kUnitFoot: return x / 304.8;
        default: return 0;
    }
}

double UnitToMm(std::int32_t unit, double x) {
    switch (unit) {
        case kUnitMm: return x;
        case kUnitInch: return x * 25.4;
        case kUnitFoot: return x * 304.8;
        default: return 0;
    }
}

std::int32_t UnitDecimals(std::int32_t unit, std::int32_t mmDecimals) {
    switch (unit) {
        case kUnitInch: return 3;
        case kUnitFoot: return 4;
        default: return mmDecimals;
    }
}

std::int32_t PositionDecimals(std::int32_t unit) {
    switch (unit) {
        case kUnitInch: return 2;
        case kUnitFoot: return 3;
        default: return 1;
    }
}

std::string FormatLength(std::int32_t unit, double mm, std::int32_t mmDecimals, char decimalSeparator) {
    const double v = MmToUnit(unit, mm);
    const int decimals = std::max(0, std::min(UnitDecimals(unit, mmDecimals), 15));
    char buf[400];  // the largest double in fixed form with 15 decimals takes 326 characters
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return std::isfinite(v) ? std::string("0") : std::string("nan");
    std::string s(buf, ptr);
    if (s.find_first_not_of("-0.") == std::string::npos && !s.empty() && s[0] == '-') s.erase(0, 1);
    if (const auto dot = s.find('.'); dot != std::string::npos) s[dot] = decimalSeparator;
    return s;
}

}  // namespace vellisk
