#include "drawing_files/drawing_text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "model/core_error.h"
#include "settings/number_text.h"

namespace vellisk {

DrawingText::DrawingText(std::string bytes) : buf_(std::move(bytes)) {
    end_ = buf_.size();
    size_ = buf_.size();
}

int DrawingText::Open(const std::filesystem::path& path, std::string* message, std::size_t chunk) {
    Close();
    std::error_code dirError;
    if (std::filesystem::is_directory(path, dirError)) {
        if (message) *message = "Cannot open the file : " + path.string() + " (a folder)";
        return EISDIR;
    }
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        int code = errno != 0 ? errno : EIO;
        if (message) *message = "Cannot open the file : " + path.string() + " (" + std::strerror(code) + ")";
        return code;
    }
    file_.reset(f);
    path_ = path.string();
    std::error_code ec;
    auto size = std::filesystem::file_size(path, ec);
    size_ = ec ? 0 : static_cast<std::size_t>(size);
    chunk_ = chunk > 0 ? chunk : kChunk;
    buf_.assign(chunk_, '\0');
    return 0;
}

DrawingText DrawingText::FromFile(const std::filesystem::path& path) {
    DrawingText text;
    std::string message;
    if (text.Open(path, &message) != 0) throw CoreError::io(message);
    return text;
}

void DrawingText::Close() {
    file_.reset();
    buf_.clear();
    buf_.shrink_to_fit();
    pos_ = end_ = size_ = 0;
    lineNumber_ = 0;
    terminated_ = false;
}

bool DrawingText::Fill() {
    if (!file_) return false;
    if (pos_ > 0) {
        std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    // Always a whole chunk, so that chunk ends fall on fixed places of the file; the buffer
    // doubles when the unread rest (a long line) leaves no room for one.
    if (buf_.size() - end_ < chunk_) buf_.resize(std::max(end_ + chunk_, buf_.size() * 2));
    std::size_t got = std::fread(buf_.data() + end_, 1, chunk_, file_.get());
    if (got == 0) {
        if (std::ferror(file_.get())) throw CoreError::io("Cannot read the file : " + path_);
        file_.reset();  // the end: nothing more to read
        return false;
    }
    end_ += got;
    return true;
}

bool DrawingText::ReadLine(std::string_view& line) {
    if (pos_ >= end_ && !Fill()) {
        line = {};
        terminated_ = false;
        return false;
    }
    // Offsets from pos_, which a refill may move.
    std::size_t i = 0;
    for (;;) {
        const char* data = buf_.data() + pos_;
        std::size_t n = end_ - pos_;
        while (i < n && data[i] != '\n' && data[i] != '\r') ++i;
        if (i < n || !Fill()) break;
    }
    std::size_t n = end_ - pos_;
    terminated_ = i < n;
    std::size_t next = i;
    if (i < n) {
        // One line end: CR LF counts once, as does a lone CR or a lone LF. Whenever the line end
        // is the last byte in hand, the next chunk is pulled in now, while pos_ still marks the
        // line's start (so the refill keeps the line): after this, bytes remain in hand or the
        // file is done, and nothing loads a chunk over the line until the next read.
        next = i + 1;
        if (next == n) {
            Fill();
            n = end_ - pos_;
        }
        if (buf_[pos_ + i] == '\r' && next < n && buf_[pos_ + next] == '\n') {
            ++next;
            if (next == n) {
                Fill();
                n = end_ - pos_;
            }
        }
    }
    line = std::string_view(buf_.data() + pos_, i);
    pos_ += next;
    ++lineNumber_;
    return true;
}

std::string PointBudget::Exceeded() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "the drawing needs more than %.0f points", limit_);
    return buf;
}

void PointBudget::Fail(const char* format, std::int64_t line) const {
    throw CoreError::range(std::string(format) + " line " + std::to_string(line) + ": " + Exceeded());
}

std::string_view TrimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
    return s.substr(b, e - b);
}

bool ParseDrawingReal(std::string_view text, double& value) {
    if (text.empty() || text.size() > 64) return false;
    char buf[64];
    for (std::size_t i = 0; i < text.size(); ++i) buf[i] = text[i] == ',' ? '.' : text[i];
    std::string_view dotted(buf, text.size());
    if (TrimBlanks(dotted).size() != dotted.size()) return false;  // the caller trims
    auto v = ParseNumberText(dotted, '.');
    if (!v) return false;
    value = *v;
    return true;
}

bool ParseDrawingInt(std::string_view text, std::int32_t& value) {
    if (TrimBlanks(text).size() != text.size()) return false;
    auto v = ParseIntegerText(text);
    if (!v || *v < INT32_MIN || *v > INT32_MAX) return false;
    value = static_cast<std::int32_t>(*v);
    return true;
}

void CompleteReadFigure(tfigura& f) {
    if (f.Contour.empty()) {
        f.Valid = false;
        return;
    }
    SetFigureExtents(f);
    const tpunkt& first = f.Contour.front();
    const tpunkt& last = f.Contour.back();
    f.Open = last.X != first.X || last.Y != first.Y || f.Contour.size() < 3;
    bool valid = false;
    for (std::size_t i = 1; i < f.Contour.size() && !valid; ++i)
        valid = f.Contour[i].X != f.Contour[i - 1].X || f.Contour[i].Y != f.Contour[i - 1].Y;
    f.Valid = valid;
}

}  // namespace vellisk
