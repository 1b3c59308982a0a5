#include "drawing_files/drawing_text.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

#include "model/core_error.h"

namespace vellisk {

DrawingText DrawingText::FromFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CoreError::io("Cannot open the file : " + path.string());
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw CoreError::io("Cannot read the file : " + path.string());
    return DrawingText(std::move(bytes));
}

bool DrawingText::ReadLine(std::string_view& line) {
    if (pos_ >= bytes_.size()) {
        line = {};
        terminated_ = false;
        return false;
    }
    const char* data = bytes_.data();
    std::size_t n = bytes_.size();
    std::size_t start = pos_;
    std::size_t i = start;
    while (i < n && data[i] != '\n' && data[i] != '\r') ++i;
    line = std::string_view(data + start, i - start);
    terminated_ = i < n;
    if (i < n) {
        // One line end: CR LF counts once, as does a lone CR or a lone LF.
        if (data[i] == '\r' && i + 1 < n && data[i + 1] == '\n') ++i;
        ++i;
    }
    pos_ = i;
    ++lineNumber_;
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
    return s.substr(b, e - b);
}

bool ParseDrawingReal(std::string_view text, double& value) {
    if (text.empty() || text.size() > 64) return false;
    char buf[65] = {};
    std::size_t n = 0;
    for (char ch : text) {
        if (ch == ',') ch = '.';
        bool ok = (ch >= '0' && ch <= '9') || ch == '.' || ch == '+' || ch == '-' || ch == 'e' ||
                  ch == 'E';
        if (!ok) return false;
        buf[n++] = ch;
    }
    const char* first = buf;
    const char* last = buf + n;
    bool negative = false;
    if (*first == '+' || *first == '-') {
        negative = *first == '-';
        ++first;
    }
    if (first == last || *first == '+' || *first == '-') return false;
    double v = 0.0;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(v)) return false;
    value = negative ? -v : v;
    return true;
}

bool ParseDrawingInt(std::string_view text, std::int32_t& value) {
    if (text.empty()) return false;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+') ++first;
    if (first == last || *first == '+') return false;
    std::int32_t v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last) return false;
    value = v;
    return true;
}

void CompleteReadFigure(tfigura& f) {
    if (f.Contour.empty()) {
        f.Valid = false;
        return;
    }
    double maxX = -1.7e308, maxY = -1.7e308, minX = 1.7e308, minY = 1.7e308;
    std::int32_t start = 0;
    for (std::size_t i = 0; i < f.Contour.size(); ++i) {
        const tpunkt& p = f.Contour[i];
        if (p.X > maxX) maxX = p.X;
        if (p.Y > maxY) maxY = p.Y;
        if (p.X < minX) minX = p.X;
        if (p.Y < minY) {
            minY = p.Y;
            start = static_cast<std::int32_t>(i);
        }
    }
    f.StartIndex = start;
    f.Width = maxX - minX;
    f.Height = maxY - minY;
    f.MinX = minX;
    f.MinY = minY;
    f.MaxX = maxX;
    f.MaxY = maxY;
    f.CentreX = (minX + maxX) / 2.0;
    f.CentreY = (minY + maxY) / 2.0;
    f.Level = 0;
    f.Parent = nullptr;
    const tpunkt& first = f.Contour.front();
    const tpunkt& last = f.Contour.back();
    f.Open = last.X != first.X || last.Y != first.Y || f.Contour.size() < 3;
    bool valid = false;
    for (std::size_t i = 1; i < f.Contour.size() && !valid; ++i)
        valid = f.Contour[i].X != f.Contour[i - 1].X || f.Contour[i].Y != f.Contour[i - 1].Y;
    f.Valid = valid;
}

}  // namespace vellisk
