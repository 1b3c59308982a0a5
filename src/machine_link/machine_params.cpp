#include "machine_link/machine_params.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "model/numeric.h"

namespace vellisk {

namespace {

constexpr tplotparams Set(double tick, std::int32_t mult, double steps, double stepsZ, std::uint16_t maxSpeed,
                          std::uint16_t maxWork, std::uint16_t maxTravel, std::uint16_t maxZ, std::uint16_t maxSmooth,
                          std::uint16_t minFeed, std::int32_t powerMax, std::int32_t powerMin, std::uint8_t link,
                          std::uint8_t direct, std::int32_t accel, std::uint8_t arm, std::int32_t rampDiv,
                          std::uint8_t laser, std::uint8_t zrev, std::int32_t mmDec, std::int32_t speedBarMax) {
    // Both horizontal axes take the same steps; the smoothing factor and the run-up are the same
    // for every model.
    return {.TimerTickUs = tick,
            .Multiplier = mult,
            .StepsX = steps,
            .StepsY = steps,
            .StepsZ = stepsZ,
            .MaxSpeed = maxSpeed,
            .MaxWorkSpeed = maxWork,
            .MaxTravelSpeed = maxTravel,
            .MaxZSpeed = maxZ,
            .MaxSmoothSpeed = maxSmooth,
            .MinFeed = minFeed,
            .PowerMax = powerMax,
            .PowerMin = powerMin,
            .LinkKind = link,
            .DirectSpeedBar = direct,
            .AccelFactor = accel,
            .AccelFactorAlt = 2400,
            .ArmController = arm,
            .RampDivisor = rampDiv,
            .Laser = laser,
            .ZReversed = zrev,
            .MmDecimals = mmDec,
            .SpeedBarMax = speedBarMax,
            .RunUpFactor = 0};
}

constexpr double kStepsLpt = 0.9794150511187;
constexpr double kStepsUsb = 0.9796599048814797;

// clang-format off
constexpr std::array<tplotparams, kModelParamSetCount> kSets = {
    //  tick  mult steps       stepsZ           max    work   travel  maxZ  smooth minF pMax  pMin lnk dir accel arm div las zr dec bar
    Set(0.75,   3, kStepsLpt,  5.3333333333333,  2000,  1000,  1000,   180,  2000,  12, 24000, 3000, 0, 1, 1200, 0,  1, 0, 0, 2, 340),  // 0 BKT
    Set(0.75,   3, kStepsLpt,  5.3333333333333,  1800,  1000,  1000,   180,  2000,  12, 24000, 3000, 0, 1, 1200, 0,  1, 0, 0, 2, 340),  // 1 DKT
    Set(0.75,   3, kStepsLpt,  1.5,              1000,  1000,  1000,   660,   500,  12, 24000, 3000, 0, 1, 1200, 0,  1, 0, 0, 2, 340),  // 2 FKT
    Set(0.75,   3, kStepsLpt,  1.5,              1000,  1000,  1000,   660,   500,  12, 24000, 3000, 0, 1, 1200, 0,  1, 0, 0, 2, 340),  // 3 "VW "
    Set(0.75,   3, kStepsLpt,  1.5,              2000,  1000,  1000,   660,  2000,  12, 24000, 3000, 0, 1, 1200, 0,  1, 0, 0, 2, 340),  // 4 4KT
    Set(0.75,   1, kStepsLpt,  4.5,              2500,  2500,  2500,   660,  2000,  12, 24000, 3000, 0, 1, 1200, 0,  1, 0, 0, 2, 340),  // 5 HKT
    Set(0.75,   1, kStepsLpt,  4.5,              2500,  2500,     0,   660,  2000,  12, 24000, 3000, 0, 1, 1200, 0,  1, 0, 0, 2, 340),  // 6 JKT
    Set(0.75,   2, kStepsLpt,  2.0,              1500,  1000,  1000,   660,  2000,  12, 24000, 3000, 0, 1, 1200, 0,  1, 0, 0, 2, 340),  // 7 27W
    Set(0.8,    1, kStepsUsb,  4.5,              2500,  2500,  2500,   500,  2500, 100, 24000, 3000, 1, 1, 1200, 0,  1, 0, 0, 2, 340),  // 8 LKT, LKV
    Set(0.8,    1, kStepsUsb,  1.0,             16000,  8000, 16000,  3000,  5000, 100, 24000, 3000, 1, 0, 1200, 0,  1, 0, 0, 2, 340),  // 9 NKT
    Set(0.8,    1, kStepsUsb,  1.0,             16000,  8000, 16000,  3000,  5000, 100, 24000, 3000, 1, 0, 1200, 0,  1, 0, 0, 2, 340),  // 10 NKV
    Set(0.8,    1, kStepsUsb,  kStepsUsb,       16000,  8000, 16000,  3000,  5000, 100, 24000, 3000, 1, 0, 1200, 0,  1, 0, 0, 2, 340),  // 11 NkV
    Set(0.8,    1, kStepsUsb,  kStepsUsb,       16000,  8000, 16000, 20000,  5000, 100, 24000, 3000, 1, 0, 1200, 0,  1, 0, 0, 2, 340),  // 12 NkV507
    Set(0.0125, 1, 9.787690635367657, 10.0,     16000,  8000, 16000,  3000,  1000,   1, 24000, 3000, 1, 0,  800, 1, 10, 0, 0, 3, 340),  // 13 NKV "484"
    Set(0.8,    1, kStepsUsb,  1.0,             16000,  8000, 16000,  6000,  5000, 100, 24000, 3000, 1, 0, 1200, 0,  1, 0, 0, 2, 340),  // 14 NZS, NZV
    Set(0.8,    1, kStepsUsb,  2.4975,           2500,  2500,  2500,  3000,  2500, 100, 24000, 3000, 1, 1, 1200, 0,  1, 0, 0, 2, 340),  // 15 LkV
    Set(0.0125, 2, 10.0,       10.0,            15000, 15000, 15000, 15000,  4000,   1, 24000, 3000, 1, 0,  600, 1,  2, 0, 0, 3, 340),  // 16 PRV
    Set(0.0125, 2, 10.0,       10.0,             5000,  5000,  5000,  7000,   500,   1, 24000, 3000, 1, 0,  800, 1,  3, 0, 0, 3, 230),  // 17 "NWB 17"
    Set(0.0125, 2, 10.0,       10.0,             5000,  5000,  5000,  5000,   500,   1, 24000, 3000, 1, 0,  800, 1,  3, 0, 0, 3, 230),  // 18 "NWB 21"
    Set(0.0125, 2, 10.0,       10.0,             5000,  5000,  5000,  5000,   500,   1, 24000, 3000, 1, 0,  800, 1,  3, 0, 0, 3, 230),  // 19 "NWB 23"
    Set(0.0125, 1, 10.0,       0.0,             26000, 26000, 26000, 16000,  1000,   1,   100,    0, 1, 0, 1200, 1,  3, 1, 0, 3, 440),  // 20 HYG64
    Set(0.0125, 1, 2.5196850393700787, 0.0,     26000, 26000, 26000, 16000,  1000,   2,   100,    0, 1, 0, 3000, 1,  1, 1, 0, 3, 440),  // 21 HYG17
    Set(0.0125, 1, 2.3703703703703702, 0.0,     25000, 25000, 25000, 16000,  1000,   2,   100,    0, 1, 0, 3000, 1,  1, 1, 0, 3, 440),  // 22 HYG17C
    Set(0.0125, 1, 2.5196850393700787, 7.89,    50000, 50000, 50000,  4000,  1000,   2,   100,    0, 1, 0, 4000, 1,  1, 1, 1, 3, 680),  // 23 HYG09
};
// clang-format on

struct CodeEntry {
    std::string_view code;
    int set;
};

// Compared in this order; LKT and LKV share a set.
constexpr CodeEntry kCodes[] = {
    {"BKT", 0},     {"DKT", 1},     {"FKT", 2},    {"VW ", 3},     {"4KT", 4},     {"HKT", 5},
    {"JKT", 6},     {"LKT", 8},     {"LKV", 8},    {"27W", 7},     {"NKT", 9},     {"NKV", 10},
    {"NkV", 11},    {"NkV507", 12}, {"LkV", 15},   {"PRV", 16},    {"NWB 17", 17}, {"NWB 21", 18},
    {"NWB 23", 19}, {"HYG64", 20},  {"HYG17", 21}, {"HYG17C", 22}, {"HYG09", 23},
};

// A ramp table is fixed by its first entries and by anchor entries further on. Between two
// consecutive anchors (ia, va) and (ib, vb) the step period follows the power law
// v(i) = va * (ia / i)^p with p = ln(va / vb) / ln(ib / ia), which passes through both anchors and
// falls monotonically, like the square-root law of a constant acceleration.
std::vector<std::uint16_t> BuildRamp(std::size_t count, std::initializer_list<std::uint16_t> first,
                                     std::initializer_list<std::pair<std::size_t, std::uint16_t>> anchors) {
    std::vector<std::uint16_t> t(count, 0);
    std::copy(first.begin(), first.end(), t.begin());
    std::size_t ia = first.size() - 1;
    double va = t[ia];
    for (const auto& [ib, vbRaw] : anchors) {
        const double vb = vbRaw;
        const double p = std::log(va / vb) / std::log(static_cast<double>(ib) / static_cast<double>(ia));
        for (std::size_t i = ia + 1; i < ib; ++i) {
            const double v = va * std::pow(static_cast<double>(ia) / static_cast<double>(i), p);
            t[i] = static_cast<std::uint16_t>(std::clamp(RoundHalfEven(v), vb, va));
        }
        t[ib] = vbRaw;
        ia = ib;
        va = vb;
    }
    // Never rising, even where rounding of neighbours could disagree.
    for (std::size_t i = 1; i < count; ++i) t[i] = std::min(t[i], t[i - 1]);
    return t;
}

}  // namespace

const std::array<tplotparams, kModelParamSetCount>& ModelParamSets() { return kSets; }

int ModelSetIndex(std::string_view modelCode) {
    for (const auto& e : kCodes)
        if (e.code == modelCode) return e.set;
    return -1;
}

bool UsesAltRampTable(int setIndex) { return setIndex >= 17 && setIndex <= 23; }

std::uint32_t SpeedToTimer(const tplotparams& p, std::int32_t feed) {
    if (feed < static_cast<std::int32_t>(p.MinFeed)) return 0xFFFF;
    const double v = static_cast<double>(CheckedMul<std::int32_t>(feed, 100, "feed")) / 60.0;
    const double dividend = p.ArmController ? 1000000.0 / p.StepsX : 1000000.0;
    return RoundTo<std::uint32_t>(dividend / v / p.TimerTickUs, "timer value");
}

std::int32_t TimerToSpeed(const tplotparams& p, std::int32_t timer) {
    if (timer <= 0) return p.MinFeed;
    const double dividend = p.ArmController ? 600000.0 / p.StepsX : 600000.0;
    return RoundTo<std::int32_t>(dividend / (static_cast<double>(timer) * p.TimerTickUs), "feed");
}

std::span<const std::uint16_t> RampTableLpt() {
    static const std::vector<std::uint16_t> t = BuildRamp(256, {8514, 4257, 3010, 2458, 2128, 1904, 1738, 1609},
                                                          {{64, 531}, {128, 375}, {192, 306}, {255, 265}});
    return t;
}

std::span<const std::uint16_t> RampTableUsb() {
    static const std::vector<std::uint16_t> t = BuildRamp(16000, {11288, 5644, 3991, 3258, 2822, 2524, 2304, 2133},
                                                          {{4000, 84}, {8000, 56}, {12000, 44}, {15999, 36}});
    return t;
}

std::span<const std::uint16_t> RampTableArmMain() {
    static const std::vector<std::uint16_t> t = BuildRamp(65536, {10234, 10234, 9213, 7668, 6875, 6282, 5840, 5488},
                                                          {{16384, 308}, {32768, 235}, {49152, 193}, {65535, 159}});
    return t;
}

std::span<const std::uint16_t> RampTableArmAlt() {
    static const std::vector<std::uint16_t> t =
        BuildRamp(65536, {40920, 40920, 28935, 23625, 20460, 18300, 16705, 15466},
                  {{16384, 320}, {32768, 226}, {49152, 185}, {65535, 159}});
    return t;
}

namespace {

// The table that ramp look-ups use for the link and set in force, and how many ramp indexes
// share one entry of it (the newer controller's divisor).
struct RampTableInForce {
    std::span<const std::uint16_t> table;
    std::int64_t indexesPerEntry = 1;
};

RampTableInForce TableInForce(const RampContext& r) {
    if (!r.ArmLink) return {RampTableLpt()};
    if (!r.ArmController) return {RampTableUsb()};
    return {r.ArmTable.empty() ? RampTableArmMain() : r.ArmTable,
            static_cast<std::int64_t>(std::max(r.RampDivisor, 0)) + 1};
}

}  // namespace

std::uint16_t RampTimerAt(const RampContext& r, std::int32_t index) {
    const RampTableInForce t = TableInForce(r);
    const auto last = static_cast<std::int64_t>(t.table.size()) - 1;
    const std::int64_t k = std::clamp<std::int64_t>(index / t.indexesPerEntry, 0, last);
    return t.table[static_cast<std::size_t>(k)];
}

std::int32_t RampIndexOfTimer(const RampContext& r, std::int32_t timer) {
    const RampTableInForce t = TableInForce(r);
    const auto scale = CheckedCast<std::int32_t>(t.indexesPerEntry, "ramp divisor");
    // The table falls with the index: the first entry not above the timer is found by bisection.
    auto it = std::partition_point(t.table.begin(), t.table.end(),
                                   [timer](std::uint16_t v) { return static_cast<std::int32_t>(v) > timer; });
    std::int32_t j = static_cast<std::int32_t>(it - t.table.begin());
    if (it == t.table.end()) j = static_cast<std::int32_t>(t.table.size()) - 1;
    return CheckedMul(j, scale, "ramp index");
}

}  // namespace vellisk
