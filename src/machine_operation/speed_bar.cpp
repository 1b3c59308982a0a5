#include "machine_operation/speed_bar.h"

#include "model/numeric.h"

namespace vellisk {

std::int32_t SpeedBarToSpeed(std::int32_t p) {
    if (p >= 0 && p <= 99) return p;
    if (p >= 100 && p <= 189) return 10 * p - 900;
    if (p >= 190 && p <= 1000) return 100 * p - 18000;
    return 0;
}

std::int32_t SpeedToSpeedBar(std::int32_t v) {
    if (v >= 0 && v <= 99) return v;
    if (v >= 100 && v <= 999) return static_cast<std::int32_t>(RoundHalfEven((v + 900) / 10.0));
    if (v >= 1000 && v <= 99999) return static_cast<std::int32_t>(RoundHalfEven((v + 18000) / 100.0));
    return 0;
}

std::int32_t RoundToStep(std::int32_t x, std::int32_t s) {
    if (s <= 0) return x;
    return ((x + s / 2) / s) * s;
}

std::int32_t DirectSpeedStep(std::int32_t position, bool plus, std::int32_t maxSpeed) {
    std::int32_t b = 1000;
    while (b > 0 && b > position) b /= 10;
    const std::int32_t step = b / 10;
    if (plus) {
        const std::int32_t p = position + step;
        return p > maxSpeed ? maxSpeed : p;
    }
    const std::int32_t p = position - step;
    return p < 10 ? 10 : p;
}

}  // namespace vellisk
