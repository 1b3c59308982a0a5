#include "settings/edit_field.h"

#include <cmath>

#include "model/length_unit.h"
#include "settings/number_text.h"
#include "settings/settings.h"

namespace vellisk {

double ClampFieldValue(double value, double minimum, double maximum) { return LimitToRange(value, minimum, maximum); }

std::string FormatFieldValue(double value, FieldFormat format, char sep) {
    if (format.precision != 0 && format.digits != 0) return FormatFixedNumber(value, format.digits, sep);
    return FormatGeneralNumber(value, sep);
}

int UnitDigits(int digits, int unit) {
    if (digits == 0) return 0;
    return unit == kUnitFoot ? 4 : 3;
}

std::optional<double> ReadFieldText(std::string_view text, char sep) { return ParseNumberText(text, sep); }

double AdjustIncrement(double shownValue, int unit) {
    double v = std::fabs(shownValue);
    if (!std::isfinite(v) || v == 0) return 0.1;
    double step;
    if (v >= 1) {
        int k = 0;
        while (v >= 10 && k < 300) {
            v /= 10;
            ++k;
        }
        step = std::pow(10.0, k) / 10;
    } else {
        int k = 0;
        while (v < 10 && k < 300) {
            v *= 10;
            ++k;
        }
        step = 1 / std::pow(10.0, k);
    }
    const double mm = UnitToMm(unit, step);
    return mm > 0 ? mm : step;
}

bool IsValidFieldChar(char32_t c, char sep, bool enabled) {
    if (c == U'\r') return false;
    if (!enabled && (c == 8 || c >= 32)) return false;
    if (c < 32) return true;
    return c == U'+' || c == U'-' || (c >= U'0' && c <= U'9') || c == static_cast<unsigned char>(sep);
}

void NumPadText::Digit(int d) {
    if (d >= 0 && d <= 9) text_.push_back(static_cast<char>('0' + d));
}
void NumPadText::Point() { text_.push_back(sep_); }
void NumPadText::Minus() {
    if (text_.empty() || text_.front() != '-') text_.insert(text_.begin(), '-');
}
void NumPadText::Clear() { text_.clear(); }
void NumPadText::ClearEntry() {
    if (!text_.empty()) text_.pop_back();
}

NumPadPosition PlaceNumPad(int x, int y, int width, int height, int screenWidth, int screenHeight) {
    NumPadPosition p{x, y};
    if (x + width > screenWidth) p.left = x - width - 5;
    if (y + height > screenHeight) p.top = y - height + 5;
    return p;
}

}  // namespace vellisk
