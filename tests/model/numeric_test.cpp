#include <gtest/gtest.h>

#include <cstdint>

#include "model/figure.h"
#include "model/numeric.h"

using namespace vellisk;

TEST(Numeric, RoundsHalvesToEven) {
    EXPECT_EQ(RoundHalfEven(0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(1.5), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(-0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5001), 3.0);
    EXPECT_EQ(RoundTo<std::int32_t>(12.5), 12);
    EXPECT_EQ(RoundTo<std::int32_t>(13.5), 14);
}

TEST(Numeric, RangeChecks) {
    EXPECT_THROW(RoundTo<std::uint16_t>(65535.6), CoreError);
    EXPECT_EQ(RoundTo<std::uint16_t>(65535.4), 65535);
    EXPECT_THROW(RoundTo<std::int32_t>(1e300), CoreError);
    EXPECT_THROW(CheckedAdd<std::int32_t>(INT32_MAX, 1), CoreError);
    EXPECT_THROW(CheckedCast<std::uint8_t>(256), CoreError);
    std::vector<int> v{1, 2, 3};
    EXPECT_THROW(CheckedAt(v, 3), CoreError);
    EXPECT_EQ(CheckedAt(v, 2), 3);
}

TEST(Figure, LowestPointIndexTakesFirstOfEqualLows) {
    tfigura f;
    EXPECT_EQ(LowestPointIndex(f), 0);
    f.Contour = {{0, 5, 0}, {1, 4, 0}, {2, 3, 0}, {3, 1, 0}, {4, 2, 0}, {5, 2, 0}, {6, 3, 0}, {7, 1, 0}};
    EXPECT_EQ(LowestPointIndex(f), 3);
    EXPECT_EQ(f.StartIndex, 3);
}
