#include <gtest/gtest.h>

#include "model/length_unit.h"

using namespace vellisk;

TEST(LengthUnit, Conversions) {
    EXPECT_DOUBLE_EQ(MmToUnit(kUnitMm, 12.5), 12.5);
    EXPECT_DOUBLE_EQ(MmToUnit(kUnitInch, 25.4), 1.0);
    EXPECT_DOUBLE_EQ(MmToUnit(kUnitFoot, 304.8), 1.0);
    EXPECT_DOUBLE_EQ(UnitToMm(kUnitFoot, 1.0), 304.8);
    EXPECT_DOUBLE_EQ(UnitToMm(kUnitInch, 2.0), 50.8);
    for (int unit : {-1, 3, 100}) {
        EXPECT_EQ(MmToUnit(unit, 17.0), 0.0);
        EXPECT_EQ(UnitToMm(unit, 17.0), 0.0);
    }
}

TEST(LengthUnit, NamesAndDecimals) {
    EXPECT_EQ(UnitName(kUnitMm), "mm");
    EXPECT_EQ(UnitName(kUnitInch), "in");
    EXPECT_EQ(UnitName(kUnitFoot), "ft");
    EXPECT_EQ(UnitName(7), "mm");
    EXPECT_EQ(UnitDecimals(kUnitMm, 3), 3);
    EXPECT_EQ(UnitDecimals(kUnitInch, 2), 3);
    EXPECT_EQ(UnitDecimals(kUnitFoot, 2), 4);
    EXPECT_EQ(UnitDecimals(9, 2), 2);
    EXPECT_EQ(PositionDecimals(kUnitMm), 1);
    EXPECT_EQ(PositionDecimals(kUnitInch), 2);
    EXPECT_EQ(PositionDecimals(kUnitFoot), 3);
    EXPECT_EQ(PositionDecimals(-1), 1);
}

TEST(LengthUnit, Formatting) {
    EXPECT_EQ(FormatLength(kUnitMm, 12.345678, 2), "12.35");
    EXPECT_EQ(FormatLength(kUnitMm, 12.0, 3), "12.000");
    EXPECT_EQ(FormatLength(kUnitInch, 25.4, 2), "1.000");
    EXPECT_EQ(FormatLength(kUnitFoot, 304.8, 2), "1.0000");
    EXPECT_EQ(FormatLength(kUnitMm, -0.001, 2), "0.00");
    EXPECT_EQ(FormatLength(kUnitMm, -1.5, 1), "-1.5");
    // a huge length is written out, not shown as 0
    const std::string huge = FormatLength(kUnitMm, -1e300, 15);
    EXPECT_EQ(huge.substr(0, 3), "-10");
    EXPECT_EQ(huge.size(), 1 + 301 + 1 + 15u);
}

TEST(LengthUnit, LocaleSeparator) { EXPECT_EQ(FormatLength(kUnitInch, 50.8, 2, ','), "2,000"); }
