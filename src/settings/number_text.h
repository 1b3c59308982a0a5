#pragma once
// Numbers as the operator sees and types them, and as the settings files hold them: with the
// locale's decimal separator, passed in explicitly (the C library's conversions are never used,
// because the drawing formats need "." whatever the locale says).
#include <optional>
#include <string>
#include <string_view>

namespace vellisk {

// The decimal separator of the process's current locale ("." in the "C" locale).
char LocaleDecimalSeparator();

// The shortest plain decimal text that reads back as the same double: no exponent, no trailing
// zeros, "-" for negatives (12.5, 0.00001, 100000000000000000000).
std::string FormatPlainNumber(double value, char decimalSeparator);

// The general form a number field shows: at most 15 significant digits (the last rounded),
// plain notation, no trailing zeros (0.118110236220472 for 3 mm in inches). The stored value
// keeps its full precision; only the text is shortened.
std::string FormatGeneralNumber(double value, char decimalSeparator);

// The value with a fixed number of decimals (rounded to nearest, halves to even on the exact
// binary value).
std::string FormatFixedNumber(double value, int decimals, char decimalSeparator);

// A whole text as a number: optional blanks, an optional sign, digits with at most one
// separator, an optional exponent, optional blanks. Anything else (also the other separator,
// an empty text or a value too large for a double) gives no value.
std::optional<double> ParseNumberText(std::string_view text, char decimalSeparator);

// The leading number of a settings-file value: the longest prefix made only of '+', '-',
// digits and the separator, converted. No value when that prefix is not a number ("", "-",
// "1-2", "1,,2").
std::optional<double> ParseLeadingNumber(std::string_view value, char decimalSeparator);

// A whole text as a decimal integer (blanks around it allowed).
std::optional<long long> ParseIntegerText(std::string_view text);

}  // namespace vellisk
