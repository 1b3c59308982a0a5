#pragma once
// The control panel's two bars as the operator sees them: the speed bar, which shows either the
// speed itself (direct mode) or an index on a stretched scale (scaled mode), and the spindle or
// laser power bar. Here are the scale conversions, the rounding of a speed to the step of its
// band, the keypad +/- step, and a bar model that clamps its position to its range and says
// when the position really changed (only then does the panel send anything).
#include <cstdint>

namespace vellisk {

// Scaled speed bar: index to speed (0..99 as is, then steps of 10 up to 990, then of 100).
// Anything outside 0..1000 gives 0.
std::int32_t SpeedBarToSpeed(std::int32_t p);
// Its inverse (rounded, halves to even); anything outside 0..99999 gives 0.
std::int32_t SpeedToSpeedBar(std::int32_t v);

// x rounded to a multiple of s as the panel does it: ((x + s div 2) div s) * s.
std::int32_t RoundToStep(std::int32_t x, std::int32_t s);

// Keypad + / - in direct mode: the new bar position before the bar clamps it (steps of 100
// from 1000 up, of 10 from 100, of 1 from 10; never above maxSpeed on +, never below 10 on -).
std::int32_t DirectSpeedStep(std::int32_t position, bool plus, std::int32_t maxSpeed);

// A scroll bar's state: range, position and the page and arrow steps.
struct BarState {
    std::int32_t min = 0, max = 100, position = 0;
    std::int32_t largeChange = 10, smallChange = 1;

    std::int32_t Clamp(std::int32_t p) const { return p < min ? min : (p > max ? max : p); }
    // Moves to p (clamped); true when the position changed.
    bool MoveTo(std::int32_t p) {
        const std::int32_t c = Clamp(p);
        if (c == position) return false;
        position = c;
        return true;
    }
    // A new range; the position is clamped into it without counting as a move.
    void SetRange(std::int32_t lo, std::int32_t hi) {
        min = lo;
        max = hi < lo ? lo : hi;
        position = Clamp(position);
    }
};

}  // namespace vellisk
