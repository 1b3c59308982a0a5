#include "settings/number_text.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <system_error>

namespace vellisk {

char LocaleDecimalSeparator() {
    const std::lconv* lc = std::localeconv();
    if (lc && lc->decimal_point && lc->decimal_point[0] != '\0') return lc->decimal_point[0];
    return '.';
}

namespace {

std::string WithSeparator(std::string s, char sep) {
    for (char& c : s)
        if (c == '.') c = sep;
    return s;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::string FormatPlainNumber(double value, char sep) {
    if (!std::isfinite(value)) return "0";
    if (value == 0) value = 0;  // no "-0"
    char buf[400];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc()) return "0";
    return WithSeparator(std::string(buf, p), sep);
}

std::string FormatGeneralNumber(double value, char sep) {
    if (!std::isfinite(value) || value == 0) return "0";
    // the value rounded to 15 significant digits, as "d.dddddddddddddde[+-]x"
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    if (ec != std::errc()) return "0";
    const std::string_view sci(buf, static_cast<std::size_t>(p - buf));
    const std::size_t e = sci.find('e');
    const bool negative = sci.front() == '-';
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c >= '0' && c <= '9') digits.push_back(c);
    int exponent = 0;
    std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    // plain notation: the point goes after digit number exponent + 1
    std::string out;
    const int whole = exponent + 1;
    if (whole <= 0) {
        out = "0" + std::string(1, sep) + std::string(static_cast<std::size_t>(-whole), '0') + digits;
    } else if (static_cast<std::size_t>(whole) >= digits.size()) {
        out = digits + std::string(static_cast<std::size_t>(whole) - digits.size(), '0');
    } else {
        out = digits.substr(0, static_cast<std::size_t>(whole)) + sep + digits.substr(static_cast<std::size_t>(whole));
    }
    return negative ? "-" + out : out;
}

std::string FormatFixedNumber(double value, int decimals, char sep) {
    if (!std::isfinite(value)) value = 0;
    if (decimals < 0) decimals = 0;
    if (decimals > 20) decimals = 20;
    char buf[400];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return "0";
    std::string s(buf, p);
    // a value that rounds to zero is shown without a sign
    if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return WithSeparator(std::move(s), sep);
}

std::optional<double> ParseNumberText(std::string_view text, char sep) {
    std::string_view s = Trim(text);
    if (s.empty()) return std::nullopt;
    // One pass: check the form and write it in "." form for the conversion ("5." as "5",
    // ".5" as "0.5").
    char small[128];
    std::string large;
    char* out = small;
    if (s.size() + 2 > sizeof small) {
        large.resize(s.size() + 2);
        out = large.data();
    }
    std::size_t n = 0, i = 0;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        i = 1;
    }
    bool digits = false, point = false, pendingPoint = false, exponent = false, exponentDigits = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            if (exponent) {
                exponentDigits = true;
            } else {
                if (pendingPoint) {
                    if (!digits) out[n++] = '0';
                    out[n++] = '.';
                    pendingPoint = false;
                }
                digits = true;
            }
            out[n++] = c;
        } else if (c == sep) {
            if (exponent || point) return std::nullopt;
            point = pendingPoint = true;
        } else if (c == 'e' || c == 'E') {
            if (exponent || !digits) return std::nullopt;
            exponent = true;
            pendingPoint = false;
            out[n++] = 'e';
        } else if ((c == '+' || c == '-') && exponent && out[n - 1] == 'e') {
            out[n++] = c;  // a sign only right after the exponent
        } else {
            return std::nullopt;
        }
    }
    if (!digits || (exponent && !exponentDigits)) return std::nullopt;
    double v = 0;
    auto [p, ec] = std::from_chars(out, out + n, v, std::chars_format::general);
    if (ec != std::errc() || p != out + n || !std::isfinite(v)) return std::nullopt;
    return negative ? -v : v;
}

std::optional<double> ParseLeadingNumber(std::string_view value, char sep) {
    std::size_t n = 0;
    while (n < value.size() &&
           ((value[n] >= '0' && value[n] <= '9') || value[n] == '+' || value[n] == '-' || value[n] == sep))
        ++n;
    // the prefix has no blanks and no exponent, so the whole-text reading decides alone
    return ParseNumberText(value.substr(0, n), sep);
}

std::optional<long long> ParseIntegerText(std::string_view text) {
    std::string_view s = Trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.front() < '0' || s.front() > '9') return std::nullopt;  // no second sign
    long long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return negative ? -v : v;
}

}  // namespace vellisk
