// Developer tool: loads a drawing (HPGL, DXF or G-code, by its extension) as the drawing window
// loads it and prints, per figure in cutting order, the cutting-path and tool-path point counts
// and lengths, then the job's totals.
//   toolpath <drawing> [--diameter MM] [--depth MM] [--pitch MM] [--polish] [--no-outline]
//
// With --order the drawing (HPGL, DXF or G-code, by its extension) is loaded as the drawing
// window loads it: clean-up, nesting, ordering keys, directions, cutting order and tool paths;
// then one line per figure in cutting order gives its level, its parent (the parent's figure
// number, -1 for none), its direction, its start index and its ordering keys.
//   toolpath <drawing> --order [--set NAME=VALUE ...]
//
// With --info the drawing is loaded the same way and the project information form's lines are
// printed (size, cutting, polishing and rapid lengths, the time estimate). --hatch fills the
// closed figures with lines first, as the hatching dialog and the main frame do.
//   toolpath <drawing> [--order] [--info] [--hatch MM,DEG[,outline][,two-way]] [--set NAME=VALUE ...]
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "drawing_files/drawing_text.h"
#include "drawing_files/file_kind.h"
#include "drawing_window/project.h"
#include "drawing_window/project_info.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "model/core_error.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "tool_support.h"

namespace {

using namespace vellisk;

std::string Num(double v, int decimals = 3) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

double PlanLength(CutPathView path) {
    double s = 0;
    for (std::size_t i = 1; i < path.size(); ++i) s += std::hypot(path[i].X - path[i - 1].X, path[i].Y - path[i - 1].Y);
    return s;
}

// The information form's lines of a loaded project.
void PrintInfo(Project& project, const Settings& settings, const ProgramEnvironment& env, const std::string& drawing) {
    const ProjectInfo info = ComputeProjectInfo(project, settings, env, drawing, "(command line)");
    const std::pair<TextId, const std::string*> lines[] = {
        {TextId::InfoFilename, &info.FileName},   {TextId::InfoDiameter, &info.Diameter},
        {TextId::InfoScale, &info.Scale},         {TextId::InfoWidth, &info.Width},
        {TextId::InfoHeight, &info.Height},       {TextId::InfoCutting, &info.Cutting},
        {TextId::InfoPolishing, &info.Polishing}, {TextId::InfoDisplacement, &info.Displacement},
        {TextId::InfoApproximateTime, &info.Time}};
    for (const auto& [label, value] : lines) std::cout << env.Text(label) << ' ' << *value << '\n';
}

struct LoadOptions {
    bool order = false;
    bool info = false;
    std::optional<HatchOptions> hatch;
    double plungePitch = 100.0;  // mm per lap; 100 or more: no ramp
};

// The per-figure point counts and lengths of the prepared tool paths, in cutting order.
void PrintToolPaths(const Project& project, const JobValues& job) {
    auto mm = [&](double units) { return Num(UnitsToMm(project.ProjectKind, units)); };
    std::cout << "figure open level dir contour cut_points cut_mm tool_points cut_length_mm polish_length_mm\n";
    tfigura room;  // the record of a hatch line
    for (std::int32_t i = 0; i < project.Count(); ++i) {
        const tfigura& f = project.View(i, room);
        std::cout << f.Index << ' ' << (f.Open ? 1 : 0) << ' ' << f.Level << ' ' << f.Direction << ' '
                  << f.Contour.size() << ' ' << CuttingPath(f).size() << ' ' << mm(PlanLength(CuttingPath(f))) << ' '
                  << project.ToolPathOf(f).size() << ' ' << mm(f.CutLength) << ' ' << mm(f.PolishLength) << '\n';
    }
    std::cout << "total cut " << Num(project.TotalCutLength) << " mm, travel " << Num(project.TotalRapidLength)
              << " mm, finishing " << Num(project.TotalPolishLength) << " mm, start height " << Num(job.StartZ)
              << " mm\n";
}

// Loads the drawing as a project; prints it in cutting order, its information or its tool paths.
int PrintLoadOrder(const std::string& drawing, const Settings& settings, const LoadOptions& o) {
    ProgramEnvironment env;
    JobValues jobValues;
    MachineContext ctx;
    env.Lang.Language = kLangEnglish;
    jobValues.PlungePitch = o.plungePitch;
    tools::PrintingNotifier notifier("toolpath");
    const int kind = FileKindOf(drawing);
    Project project(kind, settings, ctx, env, jobValues, notifier);
    auto input = MakeDrawingInput(ctx, settings);
    const LoadResult r = project.Load(drawing, *input);
    for (const auto& w : r.warnings) std::cerr << "toolpath: " << w << '\n';
    if (r.status != LoadStatus::Ok) return 1;
    if (o.hatch && !tools::HatchProject(project, *o.hatch, settings, env, jobValues, notifier)) return 1;
    if (o.info) PrintInfo(project, settings, env, drawing);
    if (!o.order) {
        if (!o.info && !o.hatch) PrintToolPaths(project, jobValues);
        return 0;
    }
    std::cout << "figures read " << r.figuresRead << ", kept " << project.Count() << ", deepest level "
              << project.MaxNestingLevel << ", frame " << (project.HasFrame ? "yes" : "no") << '\n';
    std::cout << "order figure level parent direction start key2 key3 key open points\n";
    tfigura room;  // the record of a hatch line
    for (std::int32_t i = 0; i < project.Count(); ++i) {
        const tfigura& f = project.View(i, room);
        std::cout << i << ' ' << f.Index << ' ' << f.Level << ' ' << (f.Parent ? f.Parent->Index : -1) << ' '
                  << f.Direction << ' ' << f.StartIndex << ' ' << f.OrderKey2 << ' ' << f.OrderKey3 << ' '
                  << Num(f.OrderKey, 6) << ' ' << (f.Open ? 1 : 0) << ' ' << f.Contour.size() << '\n';
    }
    std::cout << "total cut " << Num(project.TotalCutLength) << " mm, travel " << Num(project.TotalRapidLength)
              << " mm\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: toolpath <drawing> [--diameter MM] [--depth MM] [--pitch MM] [--polish] "
                     "[--no-outline]\n"
                     "       toolpath <drawing> [--order] [--info] [--hatch MM,DEG[,outline][,two-way]] "
                     "[--set NAME=VALUE ...]\n";
        return 2;
    }
    Settings settings;
    auto number = [&](int& i) {
        double v = 0;
        if (i + 1 >= argc) throw CoreError::range(std::string(argv[i]) + " needs a value");
        const std::string s = argv[++i];
        if (!ParseDrawingReal(s, v)) throw CoreError::range("not a number: " + s);
        return v;
    };
    try {
        LoadOptions load;
        for (int i = 2; i < argc; ++i) {
            const std::string a = argv[i];
            if (a == "--order")
                load.order = true;
            else if (a == "--info")
                load.info = true;
            else if (a == "--hatch") {
                if (i + 1 >= argc) throw CoreError::range("--hatch needs SPACING,ANGLE");
                load.hatch = tools::ParseHatch(argv[++i]);
            } else if (a == "--set") {
                if (i + 1 >= argc) throw CoreError::range("--set needs NAME=VALUE");
                tools::SetFromText(settings, argv[++i]);
            } else if (a == "--diameter")
                settings.SetNumber("srednica", number(i));
            else if (a == "--depth")
                settings.SetNumber("Glebokosc", number(i));
            else if (a == "--pitch")
                load.plungePitch = number(i);
            else if (a == "--polish")
                settings.SetFlag("polerowanie", true);
            else if (a == "--no-outline")
                settings.SetFlag("doOutline", false);
            else
                throw CoreError::range("unknown option " + a);
        }
        return PrintLoadOrder(argv[1], settings, load);
    } catch (const CoreError& e) {
        std::cerr << "toolpath: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
