#pragma once
// Line-by-line access to a drawing file held in memory, shared by the DXF and G-code readers,
// plus the completion every figure gets after it has been read and the number conversion of
// the drawing formats ('.' as decimal point whatever the locale).
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "model/figure.h"

namespace vellisk {

class DrawingText {
public:
    DrawingText() = default;
    explicit DrawingText(std::string bytes) : bytes_(std::move(bytes)) {}

    // Reads the whole file; throws CoreError(InputOutput) when it cannot be read.
    static DrawingText FromFile(const std::filesystem::path& path);

    // Next line without its line end (a CR, an LF or a CR LF pair). Returns false when nothing
    // is left, leaving an empty line.
    bool ReadLine(std::string_view& line);
    bool Exhausted() const { return pos_ >= bytes_.size(); }
    // Whether the last line read ended with a line end (false when the end of the file cut it).
    bool LastLineTerminated() const { return terminated_; }
    // Number of the last line read, counting from 1.
    std::int64_t LineNumber() const { return lineNumber_; }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::string bytes_;
    std::size_t pos_ = 0;
    std::int64_t lineNumber_ = 0;
    bool terminated_ = false;
};

// Text trimmed of every character at or below the blank.
std::string_view TrimBlanks(std::string_view s);

// A real in the drawing formats: optional sign, digits, '.', exponent. Returns false for
// anything else (no "nan", "inf" or hexadecimal forms, no trailing text).
bool ParseDrawingReal(std::string_view text, double& value);
// A decimal integer with optional sign that fits 32 bits.
bool ParseDrawingInt(std::string_view text, std::int32_t& value);

// The completion every read figure receives: extremes, size, centre, start index, Open and
// Valid. An empty contour only clears Valid.
void CompleteReadFigure(tfigura& figure);

}  // namespace vellisk
