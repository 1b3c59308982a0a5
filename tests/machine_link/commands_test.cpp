#include <gtest/gtest.h>

#include "support/test_support.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "machine_link/commands.h"
#include "model/core_error.h"

using namespace vellisk;

namespace {

using test::B;

}  // namespace

TEST(OperandEncoders, LittleEndianWidths) {
    EXPECT_EQ(IntToBytes2(0x1234), B({0x34, 0x12}));
    EXPECT_EQ(IntToBytes2(65535), B({0xFF, 0xFF}));
    EXPECT_EQ(IntToBytes2(-1), B({0xFF, 0xFF}));
    EXPECT_THROW(IntToBytes2(65536), CoreError);
    EXPECT_THROW(IntToBytes2(-32769), CoreError);

    EXPECT_EQ(IntToBytes3(-1), B({0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(IntToBytes3(0x123456), B({0x56, 0x34, 0x12}));
    EXPECT_EQ(IntToBytes3(0x7A123456), B({0x56, 0x34, 0x12}));  // low 24 bits only
    EXPECT_EQ(IntToBytes3(0), B({0, 0, 0}));

    EXPECT_EQ(IntToBytes4(0x01020304), B({4, 3, 2, 1}));
    EXPECT_EQ(IntToBytes4(-2), B({0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(IntToBytes4(std::uint32_t{0xFFFFFFFF}), B({0xFF, 0xFF, 0xFF, 0xFF}));

    EXPECT_EQ(SingleBytes(1.0f), B({0x00, 0x00, 0x80, 0x3F}));
    EXPECT_EQ(RecordBytes(1, -1, 0x0A0B0C0D), B({1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x0D, 0x0C, 0x0B, 0x0A}));
}

TEST(OperandEncoders, PadPacketFillsToSixteenBytes) {
    EXPECT_EQ(PadPacket("SLC"), std::string("SLC") + std::string(13, '\0'));
    EXPECT_EQ(PadPacket("SLS").size(), 16u);
    const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
    EXPECT_EQ(PadPacket(twenty), twenty);
    const std::string sixteen = "0123456789abcdef";
    EXPECT_EQ(PadPacket(sixteen), sixteen);
    EXPECT_EQ(PadPacket(std::string(3, '\0')), std::string(16, '\0'));
}

TEST(LaserPackets, TimeAndPower) {
    EXPECT_EQ(LaserTimeCommand(0x01020304), std::string("SLT") + B({4, 3, 2, 1}) + std::string(9, '\0'));
    EXPECT_EQ(LaserPowerCommand(255), std::string("SP") + B({0xFF, 0, 0, 0}) + std::string(10, '\0'));
}

TEST(MoveEncoder, ThreeFourZero) {
    MoveCommand m = EncodeMoveCommand(1, 3, 4, 0);
    EXPECT_EQ(m.N, 6);  // 5.5 rounds to 6
    EXPECT_EQ(m.Bytes, B({'A', 0x04, 6, 0, 0, 3, 0, 0, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(m.Bytes.size(), 14u);
}

TEST(MoveEncoder, HalvesToEvenAndDirections) {
    MoveCommand m = EncodeMoveCommand(1, -2, 0, 0);
    EXPECT_EQ(m.N, 2);  // 2.5 rounds to 2
    EXPECT_EQ(m.Bytes, B({'A', 0x07, 2, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeMoveCommand(1, 3, 0, 0).N, 4);   // 3.5 rounds to 4
    EXPECT_EQ(EncodeMoveCommand(1, 1, 1, 0).N, 2);   // 1.414 + 0.5 -> ceiling
    EXPECT_EQ(EncodeMoveCommand(3, 3, 4, 0).N, 18);  // factor applies after rounding

    // Every component positive: direction byte 0; negative ones set their bit.
    EXPECT_EQ(static_cast<std::uint8_t>(EncodeMoveCommand(1, 1, 1, 1).Bytes[1]), 0);
    EXPECT_EQ(static_cast<std::uint8_t>(EncodeMoveCommand(1, 5, -5, 5).Bytes[1]), 2);
    EXPECT_EQ(static_cast<std::uint8_t>(EncodeMoveCommand(1, 0, 0, -7).Bytes[1]), 7);

    // Magnitudes go out as 3-byte values.
    MoveCommand big = EncodeMoveCommand(1, -0x10000, 0x20000, -300);
    EXPECT_EQ(big.Bytes.substr(5, 9), B({0, 0, 1, 0, 0, 2, 0x2C, 1, 0}));
}

TEST(MoveEncoder, ZeroLengthSendsNothing) {
    MoveCommand m = EncodeMoveCommand(1, 0, 0, 0);
    EXPECT_TRUE(m.Bytes.empty());
    // N = round(0.5) = 0: nothing even with a factor.
    EXPECT_TRUE(EncodeMoveCommandEx(3, 0, 0, 0, 100).Bytes.empty());
    // Factor 0 makes N 0.
    EXPECT_TRUE(EncodeMoveCommand(0, 10, 0, 0).Bytes.empty());
}

TEST(MoveEncoder, SpeedByteOfTheLongForm) {
    EXPECT_EQ(MoveSpeedByte(4095), 255);
    EXPECT_EQ(MoveSpeedByte(4096), 255);
    EXPECT_EQ(MoveSpeedByte(65535), 255);
    EXPECT_EQ(MoveSpeedByte(160), 10);
    EXPECT_EQ(MoveSpeedByte(15), 0);

    MoveCommand m = EncodeMoveCommandEx(2, 3, 4, 0, 160);
    EXPECT_EQ(m.N, 12);
    EXPECT_EQ(m.Bytes, B({'A', 0x04, 12, 0, 0, 3, 0, 0, 4, 0, 0, 0, 0, 0, 10}));
    EXPECT_EQ(EncodeMoveCommandEx(1, 3, 4, 0, kNoSpeedLimit).Bytes.back(), static_cast<char>(255));
}

TEST(MoveEncoder, PlanarCountsXYOnly) {
    MoveCommand m = EncodePlanarMoveCommand(1, 3, 4, 100, 160);
    EXPECT_EQ(m.N, 6);
    EXPECT_EQ(m.Bytes, B({'A', 0x00, 6, 0, 0, 3, 0, 0, 4, 0, 0, 100, 0, 0, 10}));
    EXPECT_EQ(EncodeMoveCommandEx(1, 3, 4, 100, 160).N, 101);  // 100.12 + 0.5
    EXPECT_TRUE(EncodePlanarMoveCommand(1, 0, 0, 50, 0).Bytes.empty());
}

TEST(MoveEncoder, StepCountOverflowIsARangeError) {
    EXPECT_THROW(EncodeMoveCommand(1000, 0x7FFFFFFF, 0x7FFFFFFF, 0), CoreError);
}

TEST(MoveEncoder, MovesBeyondThreeBytesAreRefusedNotCut) {
    // The longest distance that fits: N = 0xFFFFFE + 0.5 rounds to even 0xFFFFFE.
    const MoveCommand longest = EncodeMoveCommand(1, -0xFFFFFE, 0, 0);
    EXPECT_EQ(longest.N, 0xFFFFFE);
    EXPECT_EQ(longest.Bytes.substr(5, 3), B({0xFE, 0xFF, 0xFF}));
    // One step more on any axis, or a factor that pushes N past 24 bits: cut to 24 bits these
    // would be short moves in the wrong place.
    EXPECT_THROW(EncodeMoveCommand(1, 0x1000000, 0, 0), CoreError);
    EXPECT_THROW(EncodeMoveCommandEx(1, 0, -0x1000000, 0, kNoSpeedLimit), CoreError);
    EXPECT_THROW(EncodePlanarMoveCommand(1, 10, 0, 0x1000000, 0), CoreError);
    EXPECT_THROW(EncodeMoveCommand(2, 0x900000, 0, 0), CoreError);
    EXPECT_THROW(EncodeMoveCommand(1, std::numeric_limits<std::int32_t>::min(), 0, 0), CoreError);
}

TEST(CommandLengthTable, OlderAndNewerController) {
    CommandLengthTable t;
    const std::vector<int> older = {1, 14, 2, 1, 1, 1, 2, 1, 2, 2, 1, 1, 3, 1, 4, 1, 2, 1, 3, 2, 3, 7, 4, 1, 1, 1, 1};
    for (int i = 0; i < CommandLengthTable::kCount; ++i) EXPECT_EQ(t[i], older[i]) << i;
    EXPECT_EQ(t.LengthOf('a'), 14);
    EXPECT_EQ(t.LengthOf('A'), 14);
    EXPECT_EQ(t.LengthOf('@'), 1);
    EXPECT_EQ(t.LengthOf('u'), 7);
    EXPECT_EQ(t.LengthOf('z'), 1);
    EXPECT_EQ(t.LengthOf('['), 0);  // not a command of the table
    EXPECT_EQ(t.LengthOf('0'), 0);
    EXPECT_EQ(t.LengthOf(0xC1), 0);
    EXPECT_EQ(CommandLengthTable::IndexOf('s'), 19);
    EXPECT_THROW(t[27], CoreError);

    t.SetController(true);
    EXPECT_EQ(t.LengthOf('a'), 15);
    EXPECT_EQ(t.LengthOf('s'), 16);
    EXPECT_EQ(t.LengthOf('v'), 6);
    EXPECT_EQ(t.LengthOf('u'), 7);

    t.SetController(false);
    EXPECT_EQ(t.LengthOf('a'), 14);
    EXPECT_EQ(t.LengthOf('s'), 2);
    EXPECT_EQ(t.LengthOf('v'), 4);
}
