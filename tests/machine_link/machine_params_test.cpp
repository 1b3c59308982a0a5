#include <gtest/gtest.h>

#include <cstdint>

#include "machine_link/machine_params.h"
#include "model/core_error.h"

using namespace vellisk;

TEST(ParameterSets, InvariantsAndSamples) {
    const auto& sets = ModelParamSets();
    for (int i = 0; i < kModelParamSetCount; ++i) {
        const tplotparams& p = sets[i];
        EXPECT_EQ(p.StepsY, p.StepsX) << i;
        EXPECT_EQ(p.AccelFactorAlt, 2400) << i;
        EXPECT_EQ(p.RunUpFactor, 0) << i;
        EXPECT_TRUE(p.Multiplier >= 1 && p.Multiplier <= 3) << i;
    }
    EXPECT_EQ(sets[0].MaxSpeed, 2000);
    EXPECT_EQ(sets[1].MaxSpeed, 1800);
    EXPECT_EQ(sets[6].MaxTravelSpeed, 0);
    EXPECT_EQ(sets[12].MaxZSpeed, 20000);
    EXPECT_DOUBLE_EQ(sets[13].StepsX, 9.787690635367657);
    EXPECT_EQ(sets[13].RampDivisor, 10);
    EXPECT_EQ(sets[16].RampDivisor, 2);
    EXPECT_EQ(sets[17].MaxZSpeed, 7000);
    EXPECT_EQ(sets[17].SpeedBarMax, 230);
    EXPECT_EQ(sets[20].Laser, 1);
    EXPECT_EQ(sets[20].StepsZ, 0.0);
    EXPECT_EQ(sets[22].MaxSpeed, 25000);
    EXPECT_EQ(sets[23].ZReversed, 1);
    EXPECT_EQ(sets[23].SpeedBarMax, 680);
    EXPECT_DOUBLE_EQ(sets[23].StepsZ, 7.89);
    for (int i = 0; i < kModelParamSetCount; ++i) {
        EXPECT_EQ(sets[i].LinkKind, i >= 8 ? 1 : 0) << i;
        EXPECT_EQ(sets[i].ArmController, (i == 13 || i >= 16) ? 1 : 0) << i;
    }
}

TEST(ParameterSets, CodesCaseSensitive) {
    EXPECT_EQ(ModelSetIndex("BKT"), 0);
    EXPECT_EQ(ModelSetIndex("VW "), 3);
    EXPECT_EQ(ModelSetIndex("VW"), -1);
    EXPECT_EQ(ModelSetIndex("LKT"), 8);
    EXPECT_EQ(ModelSetIndex("LKV"), 8);
    EXPECT_EQ(ModelSetIndex("27W"), 7);
    EXPECT_EQ(ModelSetIndex("NkV"), 11);
    EXPECT_EQ(ModelSetIndex("nkv"), -1);
    EXPECT_EQ(ModelSetIndex("NWB 21"), 18);
    EXPECT_EQ(ModelSetIndex("HYG17C"), 22);
    EXPECT_EQ(ModelSetIndex("NZS"), -1);  // chosen by the selection, not by the code table
}

TEST(SpeedConversion, SpeedToTimer) {
    const auto& s = ModelParamSets();
    EXPECT_EQ(SpeedToTimer(s[0], 1000), 800u);
    EXPECT_EQ(SpeedToTimer(s[16], 1000), 4800u);
    // At MinFeed the value is converted and no longer fits 16 bits.
    EXPECT_EQ(SpeedToTimer(s[0], 12), 66667u);
    EXPECT_EQ(SpeedToTimer(s[0], 11), 65535u);
    EXPECT_EQ(SpeedToTimer(s[0], -5), 65535u);
    EXPECT_EQ(SpeedToTimer(s[9], 99), 65535u);
    EXPECT_EQ(SpeedToTimer(s[9], 100), 7500u);  // 1e6 / 166.67 / 0.8
    // Newer controller at its MinFeed: ticks per motor step, far above 16 bits.
    EXPECT_EQ(SpeedToTimer(s[16], 1), 4800000u);
    // HYG17 at 3000 mm/min: 1e6 / 2.51969 / 5000 / 0.0125 = 6350.
    EXPECT_EQ(SpeedToTimer(s[21], 3000), 6350u);
    // feed x 100 must fit 32 bits.
    EXPECT_THROW(SpeedToTimer(s[0], 30000000), CoreError);
}

TEST(SpeedConversion, TimerToSpeed) {
    const auto& s = ModelParamSets();
    EXPECT_EQ(TimerToSpeed(s[0], 0), 12);
    EXPECT_EQ(TimerToSpeed(s[0], -3), 12);
    EXPECT_EQ(TimerToSpeed(s[9], 0), 100);
    EXPECT_EQ(TimerToSpeed(s[0], 800), 1000);
    EXPECT_EQ(TimerToSpeed(s[16], 4800), 1000);
    EXPECT_EQ(TimerToSpeed(s[9], 7500), 100);
    // 600000 / (1600 x 0.75) = 500 exactly; 600000 / (3 x 0.75) = 266666.67.
    EXPECT_EQ(TimerToSpeed(s[0], 1600), 500);
    EXPECT_EQ(TimerToSpeed(s[0], 3), 266667);
    // Round trip over the older sets.
    for (int feed : {100, 250, 1000, 2000})
        EXPECT_NEAR(TimerToSpeed(s[9], static_cast<std::int32_t>(SpeedToTimer(s[9], feed))), feed, 1);
}

TEST(RampTables, SizesAnchorsAndMonotony) {
    struct Expect {
        std::span<const std::uint16_t> t;
        std::size_t size;
        std::vector<std::uint16_t> first;
        std::vector<std::pair<std::size_t, std::uint16_t>> anchors;
    };
    const Expect all[] = {
        {RampTableLpt(),
         256,
         {8514, 4257, 3010, 2458, 2128, 1904, 1738, 1609},
         {{64, 531}, {128, 375}, {192, 306}, {255, 265}}},
        {RampTableUsb(),
         16000,
         {11288, 5644, 3991, 3258, 2822, 2524, 2304, 2133},
         {{4000, 84}, {8000, 56}, {12000, 44}, {15999, 36}}},
        {RampTableArmMain(),
         65536,
         {10234, 10234, 9213, 7668, 6875, 6282, 5840, 5488},
         {{16384, 308}, {32768, 235}, {49152, 193}, {65535, 159}}},
        {RampTableArmAlt(),
         65536,
         {40920, 40920, 28935, 23625, 20460, 18300, 16705, 15466},
         {{16384, 320}, {32768, 226}, {49152, 185}, {65535, 159}}},
    };
    for (const auto& e : all) {
        ASSERT_EQ(e.t.size(), e.size);
        for (std::size_t i = 0; i < e.first.size(); ++i) EXPECT_EQ(e.t[i], e.first[i]) << i;
        for (const auto& [i, v] : e.anchors) EXPECT_EQ(e.t[i], v) << i;
        for (std::size_t i = 1; i < e.t.size(); ++i) ASSERT_LE(e.t[i], e.t[i - 1]) << i;
    }
    // Close to the square-root law of constant acceleration near the start.
    EXPECT_NEAR(RampTableUsb()[16], 5644 / 4.0, 5644 / 4.0 * 0.15);
    EXPECT_NEAR(RampTableLpt()[16], 4257 / 4.0, 4257 / 4.0 * 0.15);
}

TEST(RampLookups, ParallelPortAndUsb) {
    RampContext lpt;
    EXPECT_EQ(RampTimerAt(lpt, 0), 8514);
    EXPECT_EQ(RampTimerAt(lpt, -4), 8514);
    EXPECT_EQ(RampTimerAt(lpt, 64), 531);
    EXPECT_EQ(RampTimerAt(lpt, 10000), 265);
    EXPECT_EQ(RampIndexOfTimer(lpt, 531), 64);
    EXPECT_EQ(RampIndexOfTimer(lpt, 100000), 0);
    EXPECT_EQ(RampIndexOfTimer(lpt, 10), 255);
    EXPECT_EQ(RampIndexOfTimer(lpt, 4257), 1);

    RampContext usb;
    usb.ArmLink = true;
    EXPECT_EQ(RampTimerAt(usb, 4000), 84);
    EXPECT_EQ(RampTimerAt(usb, 99999), 36);
    EXPECT_EQ(RampIndexOfTimer(usb, 5644), 1);
    EXPECT_EQ(RampIndexOfTimer(usb, 0), 15999);
    // The first index whose period is not above the timer.
    const auto t = RampTableUsb();
    const std::int32_t j = RampIndexOfTimer(usb, 100);
    EXPECT_LE(t[j], 100);
    EXPECT_GT(t[j - 1], 100);
}

TEST(RampLookups, NewerControllerScalesByDivisor) {
    RampContext arm;
    arm.ArmLink = true;
    arm.ArmController = true;
    arm.RampDivisor = 2;  // one entry covers three indices
    arm.ArmTable = RampTableArmMain();
    EXPECT_EQ(RampTimerAt(arm, 5), 10234);  // 5 div 3 = 1
    EXPECT_EQ(RampTimerAt(arm, 6), 9213);   // 6 div 3 = 2
    EXPECT_EQ(RampTimerAt(arm, 3 * 16384), 308);
    EXPECT_EQ(RampTimerAt(arm, 0x7FFFFFFF), 159);
    EXPECT_EQ(RampTimerAt(arm, -10), 10234);
    EXPECT_EQ(RampIndexOfTimer(arm, 9213), 6);  // j = 2, times 3
    EXPECT_EQ(RampIndexOfTimer(arm, 1), 65535 * 3);

    arm.ArmTable = RampTableArmAlt();
    arm.RampDivisor = 0;
    EXPECT_EQ(RampTimerAt(arm, 2), 28935);
    EXPECT_EQ(RampIndexOfTimer(arm, 40920), 0);

    // a divisor below zero is taken as none (no division by zero)
    arm.RampDivisor = -1;
    EXPECT_EQ(RampTimerAt(arm, 2), 28935);
    EXPECT_EQ(RampIndexOfTimer(arm, 28935), 2);
    arm.RampDivisor = 0x7FFFFFFF;
    EXPECT_EQ(RampTimerAt(arm, 0x7FFFFFFF), 40920);
    EXPECT_THROW(RampIndexOfTimer(arm, 28935), CoreError);
}
