#pragma once
// Reads a machine job file back as commands, cut with the controller's command-length table,
// for tests and for people: one command a line, its letter (or packet text) and operands as
// numbers.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellisk {

struct DecodedCommand {
    std::size_t offset = 0;  // byte offset in the file
    std::string name;        // command letter, or the text of a 16-byte packet ("sLS", "sWB")
    std::vector<double> operands;
    std::string Text() const;  // "a 4 6 3 4 0", "sWU 0.0125", ...
};

// Cuts `bytes` into commands. `lengths` is the 27-entry command-length table (index
// (letter AND 0xDF) - 0x40). Throws CoreError(Conversion) at a byte that is no command or a
// command cut short by the end of the file.
std::vector<DecodedCommand> DecodeJob(std::string_view bytes, std::span<const std::uint8_t> lengths);

// The decoded file as text, one command a line.
std::string JobListing(std::string_view bytes, std::span<const std::uint8_t> lengths);

}  // namespace vellisk
