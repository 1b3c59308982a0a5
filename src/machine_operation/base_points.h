#pragma once
// The base points dialog: the operator picks the project zero (base X, Y) by typing it, by
// taking the machine's position, or from a list of named points kept in "base.txt" in the
// program folder. The control panel stores and sends the chosen point on OK.
//
// "base.txt" holds one point a line: "X=", the X value padded to 9 characters, three blanks,
// "Y=", the Y value likewise, a blank and a remark of up to 28 characters. Values are written in
// the display unit in force when the line was added, with the locale's decimal separator, and
// read back in whatever unit is in force then (the file does not say which).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machine_link/command_layer.h"

namespace vellisk {

inline constexpr std::size_t kBaseRemarkLength = 28;

struct BasePoint {
    double xMm = 0, yMm = 0;
    std::string remark;
};

// One line of "base.txt" for a point (values converted to `unit`).
std::string BasePointLine(const BasePoint& p, std::int32_t unit, char decimalSeparator);
// The point of a line (values converted from `unit`), or nothing when a value cannot be read.
std::optional<BasePoint> ParseBasePointLine(std::string_view line, std::int32_t unit, char decimalSeparator);

class BasePointsDialog {
public:
    // Loads "base.txt" from ProgramDir when it exists (one that cannot be read is reported and
    // left as it is); the fields' limits are the work area as known now.
    BasePointsDialog(CommandLayer& layer, const ProgramEnvironment& env, char decimalSeparator);

    // The fields (mm) and the remark.
    double x = 0, y = 0;
    std::string remark;
    double maxX = 0, maxY = 0;

    std::vector<std::string> lines;
    int selected = -1;

    // The fields from the machine's base point.
    void Activate();
    // Takes the machine's position into the fields (the dialog then closes with OK).
    void TakeMachinePosition();
    void Select(int index) { selected = index >= 0 && index < static_cast<int>(lines.size()) ? index : -1; }
    bool LineActionsEnabled() const { return selected >= 0; }
    // Copies the selected line into the fields; false (after the message) when a value cannot be
    // read, the fields then stay as they were.
    bool CopySelected();
    // Adds the fields as a new line, selected.
    void Add();
    void RemoveSelected();
    // Writes the list to "base.txt" (at program exit) when it was changed, or when there is no
    // such file yet. A file that could not be read is kept aside (".bad") first, and not
    // replaced when it cannot be. False after a message when it fails.
    bool Save();

private:
    CommandLayer& layer_;
    const ProgramEnvironment& env_;
    char sep_;
    bool changed_ = false;     // a line was added or removed
    bool unreadable_ = false;  // "base.txt" is there but could not be read
};

}  // namespace vellisk
