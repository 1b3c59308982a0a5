#pragma once
// The controller's command bytes: operand encoders, the move encoders and the table of command
// lengths by which a job file is cut into commands. Every encoder is a pure function that returns
// a new byte string (std::string used as a byte container: any byte value, including 0, may
// occur). Multi-byte operands are little-endian, low byte first.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vellisk {

// 2 bytes: low, high. The value must fit 16 bits (signed or unsigned), else CoreError(Range).
std::string IntToBytes2(std::int32_t value);
// The low three bytes (two's complement; a negative value keeps its low 24 bits).
std::string IntToBytes3(std::int32_t value);
// 4 bytes.
std::string IntToBytes4(std::int32_t value);
std::string IntToBytes4(std::uint32_t value);
// The 4 bytes of an IEEE single as stored.
std::string SingleBytes(float value);
// The 12 bytes of a record of three 32-bit values as stored.
std::string RecordBytes(std::int32_t a, std::int32_t b, std::int32_t c);
// The bytes of a command written out one by one (each value's low 8 bits), e.g. {'F', 0}.
std::string Bytes(std::initializer_list<int> bytes);
// The text followed by zero bytes up to 16 bytes; 16 bytes or more are left unchanged.
std::string PadPacket(std::string_view text);

// Speed argument meaning "no speed limit" for the 15-byte move.
inline constexpr std::uint16_t kNoSpeedLimit = 65535;

// A move command and its step count N.
struct MoveCommand {
    std::string Bytes;  // empty when N <= 0: nothing is to be sent
    std::int32_t N = 0;
};

// The 14-byte move "A": direction byte, N, |dX|, |dY|, |dZ| (3 bytes each).
// N = round(length + 0.5) x factor, halves to even. A move whose N or distance does not fit
// 24 bits is refused with CoreError(Range).
MoveCommand EncodeMoveCommand(std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ);
// The 15-byte move of the newer controller: the 14 bytes plus a speed byte (speed >> 4, or 255
// above 4095).
MoveCommand EncodeMoveCommandEx(std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ,
                                std::uint16_t speed);
// As EncodeMoveCommandEx, but N is taken from dX and dY only (raster lines of a bitmap burn).
MoveCommand EncodePlanarMoveCommand(std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ,
                                    std::uint16_t speed);

// Appends the move command ("A" or its 15-byte form) for the given distances to `out` and
// returns its step count N; appends nothing when N <= 0. The same encoding and checks as the
// Encode...MoveCommand functions, without a text of its own.
std::int32_t AppendMoveCommand(std::string& out, std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ,
                               bool planar, bool withSpeed, std::uint16_t speed);

// The speed byte of the 15-byte move.
std::uint8_t MoveSpeedByte(std::uint16_t speed);

// "SLT" + 4-byte value, padded to 16 bytes.
std::string LaserTimeCommand(std::int32_t value);
// "SP" + 4-byte value, padded to 16 bytes.
std::string LaserPowerCommand(std::int32_t value);

// Whole length in bytes (command byte included) of each command of a job file, indexed by
// (command byte AND 0xDF) - 0x40 so that upper- and lower-case letters share an entry.
class CommandLengthTable {
public:
    static constexpr int kCount = 27;

    CommandLengthTable() { SetController(false); }

    // The lengths for the older controller (A 14, S 2, V 4) or the newer one (A 15, S 16, V 6).
    void SetController(bool armController);

    // Index of a command byte in the table, or -1 when the byte is not a command of the table.
    static int IndexOf(std::uint8_t commandByte);
    // Length of the command that starts with this byte, 0 when it is not a command of the table.
    std::uint8_t LengthOf(std::uint8_t commandByte) const;
    // Entry by index 0..26; CoreError(Range) outside.
    std::uint8_t operator[](int index) const;

    const std::array<std::uint8_t, kCount>& Entries() const { return len_; }

private:
    std::array<std::uint8_t, kCount> len_{};
};

}  // namespace vellisk
