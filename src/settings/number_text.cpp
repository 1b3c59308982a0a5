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

// Converts a text already in "." form; the whole text must be used.
std::optional<double> ConvertDot(std::string_view s) {
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.front() == '+' || s.front() == '-') return std::nullopt;
    const auto mantissaEnd = s.find_first_of("eE");
    if (s.substr(0, mantissaEnd).find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
    // from_chars refuses "5." and ".5" in some forms; both are fine numbers for the operator
    std::string t(s);
    if (t.front() == '.') t.insert(t.begin(), '0');
    if (t.size() >= 2 && t.back() == '.') t.pop_back();
    double v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
    if (ec != std::errc() || p != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
    return negative ? -v : v;
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
    std::string t;
    int separators = 0;
    for (char c : s) {
        if (c == sep) {
            ++separators;
            t.push_back('.');
        } else if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E') {
            t.push_back(c);
        } else {
            return std::nullopt;
        }
    }
    if (separators > 1) return std::nullopt;
    // a sign only at the start or right after the exponent
    for (size_t i = 0; i < t.size(); ++i)
        if ((t[i] == '+' || t[i] == '-') && i != 0 && t[i - 1] != 'e' && t[i - 1] != 'E')
            return std::nullopt;
    const auto e = t.find_first_of("eE");
    if (e != std::string::npos && (e == 0 || t.find('.', e) != std::string::npos)) return std::nullopt;
    return ConvertDot(t);
}

std::optional<double> ParseLeadingNumber(std::string_view value, char sep) {
    std::string t;
    int separators = 0;
    for (char c : value) {
        if (c == sep) {
            ++separators;
            t.push_back('.');
        } else if ((c >= '0' && c <= '9') || c == '+' || c == '-') {
            t.push_back(c);
        } else {
            break;
        }
    }
    if (t.empty() || separators > 1) return std::nullopt;
    for (size_t i = 1; i < t.size(); ++i)
        if (t[i] == '+' || t[i] == '-') return std::nullopt;
    if (t == "." || t == "+." || t == "-.") return std::nullopt;
    return ConvertDot(t);
}

std::optional<long long> ParseIntegerText(std::string_view text) {
    std::string_view s = Trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    long long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return negative ? -v : v;
}

}  // namespace vellisk
