#include "machine_link/commands.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "model/numeric.h"

namespace vellisk {

namespace {

constexpr std::int64_t kMax24 = 0xFFFFFF;

void AppendLittleEndian(std::string& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
}

std::string LittleEndian(std::uint32_t v, int bytes) {
    std::string out;
    out.reserve(static_cast<std::size_t>(bytes));
    AppendLittleEndian(out, v, bytes);
    return out;
}

MoveCommand Encode(std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ, bool planar, bool withSpeed,
                   std::uint16_t speed) {
    MoveCommand m;
    m.N = AppendMoveCommand(m.Bytes, factor, dX, dY, dZ, planar, withSpeed, speed);
    return m;
}

}  // namespace

std::int32_t AppendMoveCommand(std::string& out, std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ,
                               bool planar, bool withSpeed, std::uint16_t speed) {
    const double x = dX, y = dY, z = dZ;
    const double length = planar ? std::sqrt(x * x + y * y) : std::sqrt(x * x + y * y + z * z);
    const std::int32_t n =
        CheckedMul(RoundTo<std::int32_t>(length + 0.5, "move step count"), factor, "move step count");
    if (n <= 0) return n;
    // The step count and the three distances travel in 3 bytes each: a longer move cannot be
    // told to the controller (cut to 24 bits it would go somewhere else).
    for (const std::int64_t v : {std::int64_t{n}, std::int64_t{dX}, std::int64_t{dY}, std::int64_t{dZ}}) {
        if (std::abs(v) > kMax24)
            throw CoreError::range("move too long for the controller: " + std::to_string(v) + " steps");
    }
    std::uint8_t dir = 0;
    if (dX <= 0) dir |= 1;
    if (dY <= 0) dir |= 2;
    if (dZ <= 0) dir |= 4;
    auto mag = [](std::int32_t v) { return static_cast<std::uint32_t>(v < 0 ? -v : v); };  // within 24 bits here
    out.push_back('A');
    out.push_back(static_cast<char>(dir));
    AppendLittleEndian(out, static_cast<std::uint32_t>(n), 3);
    AppendLittleEndian(out, mag(dX), 3);
    AppendLittleEndian(out, mag(dY), 3);
    AppendLittleEndian(out, mag(dZ), 3);
    if (withSpeed) out.push_back(static_cast<char>(MoveSpeedByte(speed)));
    return n;
}

std::string IntToBytes2(std::int32_t value) {
    if (value < -32768 || value > 65535)
        throw CoreError::range("16-bit command operand out of range: " + std::to_string(value));
    return LittleEndian(static_cast<std::uint32_t>(value), 2);
}

std::string IntToBytes3(std::int32_t value) { return LittleEndian(static_cast<std::uint32_t>(value), 3); }

std::string IntToBytes4(std::int32_t value) { return LittleEndian(static_cast<std::uint32_t>(value), 4); }

std::string IntToBytes4(std::uint32_t value) { return LittleEndian(value, 4); }

std::string SingleBytes(float value) { return LittleEndian(std::bit_cast<std::uint32_t>(value), 4); }

std::string RecordBytes(std::int32_t a, std::int32_t b, std::int32_t c) {
    return IntToBytes4(a) + IntToBytes4(b) + IntToBytes4(c);
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s.push_back(static_cast<char>(b & 0xFF));
    return s;
}

std::string PadPacket(std::string_view text) {
    std::string out(text);
    if (out.size() < 16) out.resize(16, '\0');
    return out;
}

std::uint8_t MoveSpeedByte(std::uint16_t speed) { return speed > 4095 ? 255 : static_cast<std::uint8_t>(speed >> 4); }

MoveCommand EncodeMoveCommand(std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ) {
    return Encode(factor, dX, dY, dZ, false, false, 0);
}

MoveCommand EncodeMoveCommandEx(std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ,
                                std::uint16_t speed) {
    return Encode(factor, dX, dY, dZ, false, true, speed);
}

MoveCommand EncodePlanarMoveCommand(std::int32_t factor, std::int32_t dX, std::int32_t dY, std::int32_t dZ,
                                    std::uint16_t speed) {
    return Encode(factor, dX, dY, dZ, true, true, speed);
}

std::string LaserTimeCommand(std::int32_t value) { return PadPacket("SLT" + IntToBytes4(value)); }

std::string LaserPowerCommand(std::int32_t value) { return PadPacket("SP" + IntToBytes4(value)); }

void CommandLengthTable::SetController(bool armController) {
    //                 @  A   B  C  D  E  F  G  H  I  J  K  L  M  N  O  P  Q  R  S  T  U  V  W  X  Y  Z
    len_ = {1, 14, 2, 1, 1, 1, 2, 1, 2, 2, 1, 1, 3, 1, 4, 1, 2, 1, 3, 2, 3, 7, 4, 1, 1, 1, 1};
    if (armController) {
        len_[IndexOf('A')] = 15;
        len_[IndexOf('S')] = 16;
        len_[IndexOf('V')] = 6;
    }
}

int CommandLengthTable::IndexOf(std::uint8_t commandByte) {
    const int i = static_cast<int>(commandByte & 0xDF) - 0x40;
    return i >= 0 && i < kCount ? i : -1;
}

std::uint8_t CommandLengthTable::LengthOf(std::uint8_t commandByte) const {
    const int i = IndexOf(commandByte);
    return i < 0 ? 0 : len_[static_cast<std::size_t>(i)];
}

std::uint8_t CommandLengthTable::operator[](int index) const { return CheckedAt(len_, index, "command length index"); }

}  // namespace vellisk
