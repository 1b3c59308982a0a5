#pragma once
// Line-by-line and byte-by-byte access to a drawing file, read in chunks (or held in memory),
// shared by the HPGL, DXF and G-code readers, plus the completion every figure gets after it
// has been read and the number conversion of the drawing formats ('.' as decimal point
// whatever the locale).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/figure.h"

namespace vellisk {

class DrawingText {
public:
    DrawingText() = default;
    // A text held in memory.
    explicit DrawingText(std::string bytes);
    DrawingText(DrawingText&&) noexcept = default;
    DrawingText& operator=(DrawingText&&) noexcept = default;

    // Opens a file for reading in chunks, so that only the part in hand is held in memory;
    // throws CoreError(InputOutput) when it cannot be opened.
    static DrawingText FromFile(const std::filesystem::path& path);
    // The same without throwing: 0 when the file is open, else the reason (an errno value,
    // never 0). `message` gets the text of the failure. `chunk` is the number of bytes read at
    // a time (tests read with tiny chunks to put line ends on every chunk boundary).
    int Open(const std::filesystem::path& path, std::string* message = nullptr, std::size_t chunk = kChunk);
    // Closes the file (the text is then empty).
    void Close();

    // Next line without its line end (a CR, an LF or a CR LF pair). Returns false when nothing
    // is left, leaving an empty line. The view is valid until the next ReadLine or GetChar:
    // a line that ends on the last byte in hand pulls in the next chunk before it is handed
    // out, so Exhausted() never has to load a chunk over it.
    bool ReadLine(std::string_view& line);
    // Next byte; false when nothing is left.
    bool GetChar(char& c) {
        if (pos_ < end_ || Fill()) {
            c = buf_[pos_++];
            return true;
        }
        return false;
    }
    // Whether every byte has been read.
    bool Exhausted() { return pos_ >= end_ && !Fill(); }
    // Whether the last line read ended with a line end (false when the end of the file cut it).
    bool LastLineTerminated() const { return terminated_; }
    // Number of the last line read, counting from 1.
    std::int64_t LineNumber() const { return lineNumber_; }
    // Size of the whole text in bytes (of the file when it is read in chunks).
    std::size_t Size() const { return size_; }

    // Bytes read in one chunk from a file.
    static constexpr std::size_t kChunk = 256 * 1024;

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    // Moves the unread bytes to the front and reads the next chunk behind them (growing the
    // buffer when a single line fills it). False when nothing more could be read.
    bool Fill();

    std::unique_ptr<std::FILE, FileCloser> file_;
    std::string path_;
    std::string buf_;
    std::size_t pos_ = 0;  // next byte to read in buf_
    std::size_t end_ = 0;  // bytes held in buf_
    std::size_t size_ = 0;
    std::size_t chunk_ = kChunk;  // bytes asked of the file at a time
    std::int64_t lineNumber_ = 0;
    bool terminated_ = false;
};

// The points one load of a drawing may produce in all, counted before they are made (as a
// flattened arc, circle or spline needs them): 20,000,000 points are about 480 MB of contour,
// which no real job comes near. A drawing that needs more ends with a range error naming the
// line, and the figures read before it stand.
class PointBudget {
public:
    static constexpr double kLoadPoints = 20'000'000;

    explicit PointBudget(double limit = kLoadPoints) : limit_(limit > 0 ? limit : kLoadPoints) {}
    // Whether `more` points still fit.
    bool Fits(double more) const { return more >= 0.0 && used_ + more <= limit_; }
    // Throws the range error "<format> line <line>: the drawing needs more than N points" when
    // `more` points do not fit; counts nothing.
    void Need(double more, const char* format, std::int64_t line) const {
        if (!Fits(more)) Fail(format, line);
    }
    // Counts `count` points, or throws as Need does when they do not fit.
    void Take(double count, const char* format, std::int64_t line) {
        Need(count, format, line);
        used_ += count;
    }
    // The end of the message for a drawing past the budget.
    std::string Exceeded() const;

private:
    [[noreturn]] void Fail(const char* format, std::int64_t line) const;

    double limit_;
    double used_ = 0.0;
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
