#pragma once
// Numeric rules shared by every part of the program:
//  - "round" means to the nearest integer with halves to even (as the FPU does by default);
//    std::round (halves away from zero) must never be used for machine values;
//  - integer arithmetic that the machine relies on is overflow-checked;
//  - table indices are range-checked.
// A value out of range throws CoreError(Range).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "model/core_error.h"

namespace vellisk {

// Nearest integer, halves to even, as a double. Independent of the current FPU rounding mode.
inline double RoundHalfEven(double x) {
    // Computed explicitly so that the result does not depend on the current FPU rounding mode.
    // Below 2^52 the floor comes from a conversion to an integer (no library call; the writer
    // rounds every coordinate of a job this way); zeros keep their sign.
    if (x == 0.0) return x;
    double f = 0.0;
    if (std::fabs(x) < 4503599627370496.0) {
        f = static_cast<double>(static_cast<long long>(x));
        if (f > x) f -= 1.0;
    } else {
        f = std::floor(x);
    }
    double diff = x - f;
    if (diff < 0.5) return f;
    if (diff > 0.5) return f + 1.0;
    // exactly half: pick the even neighbour
    return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

// Rounds halves to even and checks that the result fits T; otherwise throws CoreError(Range).
template <typename T>
T RoundTo(double x, const char* what = "value") {
    static_assert(std::is_integral_v<T>);
    if (!std::isfinite(x)) throw CoreError::range(std::string(what) + " is not a finite number");
    double r = RoundHalfEven(x);
    if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max()))
        throw CoreError::range(std::string(what) + " out of range: " + std::to_string(x));
    return static_cast<T>(r);
}

// Truncation toward zero with the same range check.
template <typename T>
T TruncTo(double x, const char* what = "value") {
    static_assert(std::is_integral_v<T>);
    if (!std::isfinite(x)) throw CoreError::range(std::string(what) + " is not a finite number");
    double r = std::trunc(x);
    if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max()))
        throw CoreError::range(std::string(what) + " out of range: " + std::to_string(x));
    return static_cast<T>(r);
}

// Converts an integer to a narrower type, throwing when it does not fit.
template <typename To, typename From>
To CheckedCast(From v, const char* what = "value") {
    static_assert(std::is_integral_v<To> && std::is_integral_v<From>);
    if (!std::in_range<To>(v)) throw CoreError::range(std::string(what) + " out of range: " + std::to_string(v));
    return static_cast<To>(v);
}

// The result of an integer operation whose `overflows(a, b, &r)` tells when it does not fit.
template <typename T, typename Op>
T CheckedResult(T a, T b, const char* what, Op overflows) {
    T r;
    if (overflows(a, b, &r)) throw CoreError::range(std::string(what) + " overflows");
    return r;
}

template <typename T>
T CheckedAdd(T a, T b, const char* what = "sum") {
    return CheckedResult(a, b, what, [](T x, T y, T* r) { return __builtin_add_overflow(x, y, r); });
}

template <typename T>
T CheckedSub(T a, T b, const char* what = "difference") {
    return CheckedResult(a, b, what, [](T x, T y, T* r) { return __builtin_sub_overflow(x, y, r); });
}

template <typename T>
T CheckedMul(T a, T b, const char* what = "product") {
    return CheckedResult(a, b, what, [](T x, T y, T* r) { return __builtin_mul_overflow(x, y, r); });
}

// Range-checked element access for any container with size() and operator[].
template <typename C>
auto CheckedAt(C& c, std::int64_t i, const char* what = "index") -> decltype(c[0]) {
    if (i < 0 || static_cast<std::uint64_t>(i) >= static_cast<std::uint64_t>(c.size()))
        throw CoreError::range(std::string(what) + " " + std::to_string(i) + " out of range");
    return c[static_cast<std::size_t>(i)];
}

// The unsigned number stored little-endian in `size` bytes (at most 4) of `bytes` at `at`.
inline std::uint32_t LittleEndianAt(std::string_view bytes, std::size_t at, int size) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

}  // namespace vellisk
