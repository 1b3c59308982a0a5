#pragma once
// Display units of lengths. Lengths are kept and computed in millimetres; the operator may see
// them in millimetres, inches or feet.
#include <array>
#include <cstdint>
#include <string>

namespace vellisk {

inline constexpr std::int32_t kUnitMm = 0;
inline constexpr std::int32_t kUnitInch = 1;
inline constexpr std::int32_t kUnitFoot = 2;

// Names of the units indexed by the unit number: "mm", "in", "ft".
inline const std::array<std::string, 3> UnitNames = {"mm", "in", "ft"};

// The name of a unit; "mm" for a number outside 0..2.
const std::string& UnitName(std::int32_t unit);

// Millimetres to the unit and back; a unit number outside 0..2 gives 0.
double MmToUnit(std::int32_t unit, double x);
double UnitToMm(std::int32_t unit, double x);

// Decimals of lengths in dialogs and lists: the machine's decimals for millimetres, 3 for
// inches, 4 for feet (as millimetres for other numbers).
std::int32_t UnitDecimals(std::int32_t unit, std::int32_t mmDecimals);
// Decimals of the panel's position display: 1, 2, 3 (1 for other numbers).
std::int32_t PositionDecimals(std::int32_t unit);

// A length in mm shown in the unit with the dialog decimals (rounded halves to even on the
// exact value), with the given decimal separator (dialogs pass the locale's).
std::string FormatLength(std::int32_t unit, double mm, std::int32_t mmDecimals, char decimalSeparator = '.');

}  // namespace vellisk
