#include <gtest/gtest.h>

#include "model/length_unit.h"
#include "settings/edit_field.h"

using namespace vellisk;

TEST(EditField, AdaptiveStepIsATenthOfTheLeadingPlace) {
    EXPECT_DOUBLE_EQ(AdjustIncrement(0, kUnitMm), 0.1);
    EXPECT_DOUBLE_EQ(AdjustIncrement(5, kUnitMm), 0.1);
    EXPECT_DOUBLE_EQ(AdjustIncrement(57, kUnitMm), 1);
    EXPECT_DOUBLE_EQ(AdjustIncrement(-57, kUnitMm), 1);
    EXPECT_DOUBLE_EQ(AdjustIncrement(1234, kUnitMm), 100);
    EXPECT_DOUBLE_EQ(AdjustIncrement(0.5, kUnitMm), 0.01);
    EXPECT_DOUBLE_EQ(AdjustIncrement(0.05, kUnitMm), 0.001);
    EXPECT_DOUBLE_EQ(AdjustIncrement(2, kUnitInch), 2.54);  // 0.1 in
    EXPECT_DOUBLE_EQ(AdjustIncrement(3, kUnitFoot), 30.48);
    // far outside the usual values the step stays finite and positive
    EXPECT_DOUBLE_EQ(AdjustIncrement(1e12, kUnitMm), 1e11);
    EXPECT_GT(AdjustIncrement(1e-11, kUnitMm), 0);
    EXPECT_GT(AdjustIncrement(1e308, kUnitMm), 0);
}

TEST(EditField, FormatsClampsAndReads) {
    EXPECT_EQ(FormatFieldValue(0.118110236, {8, 3}, '.'), "0.118");
    EXPECT_EQ(FormatFieldValue(3, {8, 0}, ','), "3");  // general: shortest form
    EXPECT_EQ(FormatFieldValue(1.5, {0, 2}, ','), "1,5");
    // the general form has at most 15 significant digits, in plain notation
    EXPECT_EQ(FormatFieldValue(3 / 25.4, {0, 0}, '.'), "0.118110236220472");
    EXPECT_EQ(FormatFieldValue(2.9999999999999996, {0, 0}, '.'), "3");
    EXPECT_EQ(FormatFieldValue(-1234567.891234567891, {9, 0}, ','), "-1234567,89123457");
    EXPECT_EQ(FormatFieldValue(0.00001, {0, 0}, '.'), "0.00001");
    EXPECT_EQ(FormatFieldValue(1e20, {0, 0}, '.'), "100000000000000000000");
    EXPECT_EQ(FormatFieldValue(0.1 + 0.2, {0, 0}, '.'), "0.3");
    EXPECT_EQ(UnitDigits(2, kUnitMm), 3);
    EXPECT_EQ(UnitDigits(2, kUnitFoot), 4);
    EXPECT_EQ(UnitDigits(0, kUnitFoot), 0);
    EXPECT_EQ(ClampFieldValue(150, 0, 100), 100);
    EXPECT_EQ(ClampFieldValue(-1, 0, 0), -1);
    EXPECT_EQ(ReadFieldText("1,5", ','), 1.5);
    EXPECT_EQ(ReadFieldText("abc", ','), std::nullopt);
}

TEST(EditField, AcceptedCharacters) {
    for (char32_t c : {U'0', U'9', U'+', U'-', U',', char32_t(8), char32_t(3)})
        EXPECT_TRUE(IsValidFieldChar(c, ',', true)) << int(c);
    for (char32_t c : {U'a', U'.', U' ', U'\r', U'\u0105'}) EXPECT_FALSE(IsValidFieldChar(c, ',', true)) << int(c);
    EXPECT_FALSE(IsValidFieldChar(U'5', ',', false));
    EXPECT_FALSE(IsValidFieldChar(char32_t(8), ',', false));
    EXPECT_TRUE(IsValidFieldChar(char32_t(3), ',', false));  // copy still works
}

TEST(NumPad, TypingRules) {
    NumPadText pad(',');
    pad.Digit(1);
    pad.Point();
    pad.Digit(5);
    pad.Minus();
    EXPECT_EQ(pad.Text(), "-1,5");
    pad.Minus();
    EXPECT_EQ(pad.Text(), "-1,5");
    pad.Clear();
    pad.ClearEntry();
    EXPECT_EQ(pad.Text(), "");
    pad.Digit(1);
    pad.Digit(2);
    pad.ClearEntry();
    EXPECT_EQ(pad.Text(), "1");
    pad.Point();
    pad.Point();
    EXPECT_EQ(pad.Text(), "1,,");
}

TEST(NumPad, OpensLeftAndAboveNearTheScreenCorner) {
    auto p = PlaceNumPad(100, 100, 129, 111, 1920, 1080);
    EXPECT_EQ(p.left, 100);
    EXPECT_EQ(p.top, 100);
    p = PlaceNumPad(1900, 1050, 129, 111, 1920, 1080);
    EXPECT_EQ(p.left, 1900 - 129 - 5);
    EXPECT_EQ(p.top, 1050 - 111 + 5);
}
