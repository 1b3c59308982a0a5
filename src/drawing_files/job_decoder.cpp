#include "drawing_files/job_decoder.h"

#include <bit>
#include <charconv>
#include <cmath>

#include "model/numeric.h"
#include "model/core_error.h"

namespace vellisk {

namespace {

std::string Number(double v) {
    char buf[64];
    if (v == std::trunc(v) && std::fabs(v) < 1e15) {
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v));
        return std::string(buf, r.ptr);
    }
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

std::string DecodedCommand::Text() const {
    std::string s = name;
    for (double v : operands) {
        s += ' ';
        s += Number(v);
    }
    return s;
}

std::vector<DecodedCommand> DecodeJob(std::string_view bytes, std::span<const std::uint8_t> lengths) {
    std::vector<DecodedCommand> out;
    const bool arm = lengths.size() > 1 && lengths[1] == 15;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto letter = static_cast<std::uint8_t>(bytes[at]);
        const int index = (letter & 0xDF) - 0x40;
        if (index < 0 || static_cast<std::size_t>(index) >= lengths.size())
            throw CoreError::conversion("byte " + std::to_string(letter) + " at offset " + std::to_string(at) +
                                        " is not a command");
        const std::size_t len = lengths[index];
        if (len == 0 || at + len > bytes.size())
            throw CoreError::conversion("command '" + std::string(1, static_cast<char>(letter)) + "' at offset " +
                                        std::to_string(at) + " is cut short");
        const std::string_view c = bytes.substr(at, len);
        DecodedCommand d;
        d.offset = at;
        const char upper = static_cast<char>(letter & 0xDF);
        if (upper == 'S' && len == 16) {
            // A packet: its text is the leading letters.
            std::size_t t = 0;
            while (t < 3 && t < c.size() && std::isalpha(static_cast<unsigned char>(c[t]))) ++t;
            d.name = std::string(c.substr(0, t));
            const std::string_view kind = std::string_view(d.name).substr(0, std::min<std::size_t>(3, d.name.size()));
            if (kind == "sWA" || kind == "sWB" || kind == "sWC" || kind == "sWD") {
                for (int i = 0; i < 3; ++i)
                    d.operands.push_back(static_cast<std::int32_t>(LittleEndianAt(c, 3 + 4 * i, 4)));
            } else if (kind == "sWU") {
                d.operands.push_back(std::bit_cast<float>(LittleEndianAt(c, 3, 4)));
            } else if (kind == "sWL" || kind == "sWG" || kind == "SLT") {
                d.operands.push_back(static_cast<std::int32_t>(LittleEndianAt(c, 3, 4)));
            } else if (d.name == "SP") {
                d.operands.push_back(static_cast<std::int32_t>(LittleEndianAt(c, 2, 4)));
            }
        } else {
            d.name = std::string(1, static_cast<char>(letter));
            switch (upper) {
                case 'A':
                    if (len >= 14) {
                        d.operands.push_back(static_cast<std::uint8_t>(c[1]));
                        for (int i = 0; i < 4; ++i) d.operands.push_back(LittleEndianAt(c, 2 + 3 * i, 3));
                        if (len == 15) d.operands.push_back(static_cast<std::uint8_t>(c[14]));
                        break;
                    }
                    [[fallthrough]];
                case 'V':
                    if (upper == 'V' && len >= 4) {
                        d.operands.push_back(static_cast<std::uint8_t>(c[1]));
                        d.operands.push_back(LittleEndianAt(c, 2, arm && len >= 6 ? 4 : 2));
                        break;
                    }
                    [[fallthrough]];
                case 'L':
                    if (upper == 'L' && len == 3) {
                        d.operands.push_back(LittleEndianAt(c, 1, 2));
                        break;
                    }
                    [[fallthrough]];
                default:
                    for (std::size_t i = 1; i < len; ++i) d.operands.push_back(static_cast<std::uint8_t>(c[i]));
            }
        }
        out.push_back(std::move(d));
        at += len;
    }
    return out;
}

std::string JobListing(std::string_view bytes, std::span<const std::uint8_t> lengths) {
    std::string s;
    for (const DecodedCommand& d : DecodeJob(bytes, lengths)) {
        s += d.Text();
        s += '\n';
    }
    return s;
}

}  // namespace vellisk
