#include "drawing_window/project_info.h"

#include <cmath>
#include <cstdio>

#include "drawing_window/project.h"
#include "model/program_environment.h"
#include "model/geometry.h"
#include "model/length_unit.h"
#include "settings/number_text.h"
#include "settings/settings.h"

namespace vellisk {

std::string FormatFixedPrecision(double value, int precision, int digits, char separator) {
    if (!std::isfinite(value)) return FormatFixedNumber(0.0, digits, separator);
    if (precision < 1) precision = 1;
    if (std::fabs(value) < std::pow(10.0, precision)) return FormatFixedNumber(value, digits, separator);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", precision - 1, value);
    std::string s(buf);
    // Three exponent digits, the separator of the locale.
    const auto e = s.find('E');
    if (e != std::string::npos && s.size() - e == 4) s.insert(e + 2, "0");
    for (char& c : s)
        if (c == '.') c = separator;
    return s;
}

ProjectInfo ComputeProjectInfo(Project& project, const Settings& settings, const ProgramEnvironment& env,
                               const std::string& fileName, const std::string& configuration, char separator) {
    ProjectInfo info;
    const std::int32_t unit = env.LengthUnit;
    const double s = settings.Number(setting::Scale) / 100.0;
    const double N = project.Count();
    auto length = [&](double mm) {
        return FormatFixedPrecision(MmToUnit(unit, mm), 7, 2, separator) + " " + UnitName(unit);
    };
    info.FileName = fileName;
    info.Configuration = configuration;
    info.Scale = FormatFixedPrecision(settings.Number(setting::Scale), 7, 2, separator) + "%";
    const double workSpeed = settings.Number(setting::WorkSpeed), rapidSpeed = settings.Number(setting::TravelSpeed);

    if (project.ProjectKind == KindBitmap) {
        const double W = project.ProjectWidth, H = project.ProjectHeight;
        const double pitch = settings.Number(setting::BurnPitch);
        info.Diameter = "0";
        info.WidthMm = W;
        info.HeightMm = H;
        info.Width = length(W);
        info.Height = length(H);
        info.Polishing = "0";
        if (pitch > 0.0) {
            const double lines = H / pitch * W;
            project.TotalCutLength = lines;
            project.TotalRapidLength = settings.Flag(setting::BurnOneWay) ? lines + 2 * H : 2 * H;
            info.CuttingMm = project.TotalCutLength;
            info.DisplacementMm = project.TotalRapidLength * s;
            info.Minutes = project.TotalCutLength / workSpeed + project.TotalRapidLength / rapidSpeed;
        } else {
            // Without a line pitch the burn has no lines to count.
            info.Available = false;
        }
    } else {
        info.Diameter = length(settings.Number(setting::ToolDiameter));
        info.WidthMm = UnitsToMm(project.ProjectKind, project.ProjectWidth) * s;
        info.HeightMm = UnitsToMm(project.ProjectKind, project.ProjectHeight) * s;
        info.Width = length(info.WidthMm);
        info.Height = length(info.HeightMm);
        info.CuttingMm = project.TotalCutLength * s;
        info.PolishingMm = project.TotalPolishLength * s;
        info.DisplacementMm = project.TotalRapidLength * s;
        // Plunges and lifts: five times the depth (the allowance) down and up for every figure.
        const double plunge = settings.Number(setting::MillingDepth) * 2 * N * 5;
        const double lift = settings.Number(setting::AboveMaterial) * 2 * N * 5;
        info.Minutes = (project.TotalCutLength * s + plunge) / workSpeed +
                       project.TotalPolishLength * s / settings.Number(setting::PolishSpeed) +
                       (project.TotalRapidLength + lift) * s / rapidSpeed + N * 0.03;
        info.Polishing = length(info.PolishingMm);
    }
    if (info.Available) {
        info.Cutting = length(info.CuttingMm);
        info.Displacement = length(info.DisplacementMm);
        info.Time = FormatFixedPrecision(info.Minutes, 7, 0, separator) + env.Text(TextId::InfoMinutes);
    } else {
        info.Cutting = info.Displacement = info.Time = env.Text(TextId::InfoNotAvailable);
    }
    return info;
}

}  // namespace vellisk
