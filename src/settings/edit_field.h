#pragma once
// The behaviour of the number edit fields that does not need a window: range limiting, the text
// a value is shown with, reading typed text back, the adaptive up/down step of length fields,
// the characters a length field accepts, and the on-screen keypad's text and placement.
#include <optional>
#include <string>
#include <string_view>

namespace vellisk {

// How a field writes its value: fixed decimals when both precision and digits are non-zero,
// otherwise the general form of at most 15 significant digits.
struct FieldFormat {
    int precision = 0;
    int digits = 0;
};

// The range rule of the fields (equal bounds: no range). Same as LimitToRange.
double ClampFieldValue(double value, double minimum, double maximum);

// The text of a value (already in the display unit).
std::string FormatFieldValue(double value, FieldFormat format, char decimalSeparator);

// The decimals a fixed length field shows in a display unit: 3 for millimetres and inches,
// 4 for feet; a field with 0 digits stays in the shortest form.
int UnitDigits(int digits, int unit);

// The value a field's text stands for, in the field's unit; no value when it cannot be read.
std::optional<double> ReadFieldText(std::string_view text, char decimalSeparator);

// The up/down step of a length field in millimetres: one tenth of the leading decimal place of
// the value as shown in the unit (0 shown gives 0.1 mm).
double AdjustIncrement(double shownValue, int unit);

// Whether a length field takes a typed character: '+', '-', digits, the decimal separator and
// control characters other than carriage return; nothing printable and no backspace while the
// field is disabled.
bool IsValidFieldChar(char32_t c, char decimalSeparator, bool enabled);

// The on-screen keypad's typed text.
class NumPadText {
public:
    explicit NumPadText(char decimalSeparator = '.') : sep_(decimalSeparator) {}
    void SetSeparator(char sep) { sep_ = sep; }
    char Separator() const { return sep_; }
    const std::string& Text() const { return text_; }

    void Digit(int d);  // appends "0".."9"
    void Point();       // appends the separator (also a second time)
    void Minus();       // puts "-" in front unless the text already starts with it
    void Clear();       // C
    void ClearEntry();  // CE: removes the last character

private:
    std::string text_;
    char sep_;
};

// Where the keypad opens for a field whose screen origin is (x, y): left of it when it would
// reach past the right screen edge, above it when it would reach past the bottom.
struct NumPadPosition {
    int left;
    int top;
};
NumPadPosition PlaceNumPad(int x, int y, int width, int height, int screenWidth, int screenHeight);

}  // namespace vellisk
