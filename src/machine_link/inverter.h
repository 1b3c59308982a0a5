#pragma once
// The spindle inverter's parameters, loaded through the controller. The controller forwards
// each parameter sent with the "[" command to the frequency inverter that drives the spindle.
// The list comes from a text file in the program folder: "3g3MV.dat" for the models whose
// third letter is V, "3g3jv.dat" for the others; one parameter a line, its number and its value
// as decimal integers, then any comment.
//
// The whole file is checked before anything goes out: half a parameter list in the inverter is
// worse than none, so a line that does not hold two 16-bit integers is reported with its line
// number and nothing of that file is sent. Blank lines are skipped. A missing file does nothing.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellisk {

class CommandLayer;
struct ProgramEnvironment;

struct InverterParameter {
    std::uint16_t Number = 0;
    std::uint16_t Value = 0;
};

// The parameter file for a model code.
std::string InverterFileName(std::string_view modelCode);

// The parameters of a file's text, or the 1-based number of the first line that is not a
// parameter line (in `badLine`).
std::optional<std::vector<InverterParameter>> ParseInverterParameters(std::string_view text, int* badLine);

// Reads the file for the machine's model from ProgramDir and sends every parameter, 80 ms apart.
// Returns the number of parameters sent.
int LoadInverterParameters(CommandLayer& layer, const ProgramEnvironment& env);

}  // namespace vellisk
