#pragma once
// The project information form's numbers: file name, configuration, tool diameter, scale, size,
// the lengths of cutting, polishing and rapid moves and an estimate of the job time, worked out
// from a drawing window's project and the settings at the moment the form is shown. The form
// only shows the texts.
#include <cstdint>
#include <string>

namespace vellisk {

class Project;
class Settings;
struct ProgramEnvironment;

// A number with `digits` decimals when it has at most `precision` digits before the point,
// otherwise in exponent form with `precision` significant digits ("1.234568E+008").
std::string FormatFixedPrecision(double value, int precision, int digits, char separator = '.');

struct ProjectInfo {
    // The numbers (mm, minutes); `Available` is false when they cannot be worked out (a bitmap
    // project whose line pitch is not above zero).
    double WidthMm = 0.0, HeightMm = 0.0;
    double CuttingMm = 0.0, PolishingMm = 0.0, DisplacementMm = 0.0;
    double Minutes = 0.0;
    bool Available = true;

    // The value labels as the form shows them.
    std::string FileName, Configuration, Diameter, Scale, Width, Height;
    std::string Cutting, Polishing, Displacement, Time;
};

// Works the information out. A bitmap project's cutting and rapid totals are written into the
// project (they are known only from the settings). `separator`: the decimal separator shown.
ProjectInfo ComputeProjectInfo(Project& project, const Settings& settings, const ProgramEnvironment& env,
                               const std::string& fileName, const std::string& configuration, char separator = '.');

}  // namespace vellisk
