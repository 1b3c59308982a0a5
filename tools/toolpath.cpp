// Developer tool: reads a DXF drawing, prepares its tool paths and prints, per figure, the
// cutting-path and tool-path point counts and lengths, then the job's totals.
//   toolpath <drawing.dxf> [--diameter MM] [--depth MM] [--pitch MM] [--polish] [--no-outline]
// Nesting here is a plain point-in-contour count and the sense comes from the signed area.
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
#include "machine_link/machine_context.h"
#include "drawing_files/dxf_reader.h"
#include "model/geometry.h"
#include "drawing_window/tool_path.h"
#include "model/core_error.h"
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

bool Inside(const tpunkt& p, const std::vector<tpunkt>& c) {
    bool in = false;
    for (std::size_t i = 0, j = c.size() - 1; i < c.size(); j = i++) {
        if ((c[i].Y > p.Y) != (c[j].Y > p.Y) &&
            p.X < (c[j].X - c[i].X) * (p.Y - c[i].Y) / (c[j].Y - c[i].Y) + c[i].X)
            in = !in;
    }
    return in;
}

double PlanLength(const std::vector<tpunkt>& path) {
    double s = 0;
    for (std::size_t i = 1; i < path.size(); ++i) s += std::hypot(path[i].X - path[i - 1].X, path[i].Y - path[i - 1].Y);
    return s;
}

// The information form's lines of a loaded project.
void PrintInfo(Project& project, const Settings& settings, const MachineContext& ctx, const std::string& drawing) {
    const ProjectInfo info = ComputeProjectInfo(project, settings, ctx, drawing, "(command line)");
    const std::pair<TextId, const std::string*> lines[] = {
        {TextId::InfoFilename, &info.FileName},      {TextId::InfoDiameter, &info.Diameter},
        {TextId::InfoScale, &info.Scale},            {TextId::InfoWidth, &info.Width},
        {TextId::InfoHeight, &info.Height},          {TextId::InfoCutting, &info.Cutting},
        {TextId::InfoPolishing, &info.Polishing},    {TextId::InfoDisplacement, &info.Displacement},
        {TextId::InfoApproximateTime, &info.Time}};
    for (const auto& [label, value] : lines) std::cout << ctx.Text(label) << ' ' << *value << '\n';
}

struct LoadOptions {
    bool order = false;
    bool info = false;
    std::optional<HatchOptions> hatch;
};

// Loads the drawing as a project; prints it in cutting order and/or its information.
int PrintLoadOrder(const std::string& drawing, const Settings& settings, const LoadOptions& o) {
    MachineContext ctx;
    ctx.Lang.Language = kLangEnglish;
    tools::PrintingNotifier notifier("toolpath");
    const int kind = FileKindOf(drawing);
    Project project(kind, settings, ctx, notifier);
    auto input = MakeDrawingInput(ctx, settings);
    const LoadResult r = project.Load(drawing, *input);
    for (const auto& w : r.warnings) std::cerr << "toolpath: " << w << '\n';
    if (r.status != LoadStatus::Ok) return 1;
    if (o.hatch && !tools::HatchProject(project, *o.hatch, settings, ctx, notifier)) return 1;
    if (o.info) PrintInfo(project, settings, ctx, drawing);
    if (!o.order) return 0;
    std::cout << "figures read " << r.figuresRead << ", kept " << project.Count() << ", deepest level "
              << project.MaxNestingLevel << ", frame " << (project.HasFrame ? "yes" : "no") << '\n';
    std::cout << "order figure level parent direction start key2 key3 key open points\n";
    for (std::int32_t i = 0; i < project.Count(); ++i) {
        const tfigura& f = project.Figure(i);
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
        std::cerr << "usage: toolpath <drawing.dxf> [--diameter MM] [--depth MM] [--pitch MM] [--polish] "
                     "[--no-outline]\n"
                     "       toolpath <drawing> [--order] [--info] [--hatch MM,DEG[,outline][,two-way]] "
                     "[--set NAME=VALUE ...]\n";
        return 2;
    }
    Settings settings;
    ToolPathMachine machine;
    machine.kind = KindDxf;
    machine.PlungePitch = 100.0;
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
            if (a == "--order") load.order = true;
            else if (a == "--info") load.info = true;
            else if (a == "--hatch") {
                if (i + 1 >= argc) throw CoreError::range("--hatch needs SPACING,ANGLE");
                load.hatch = tools::ParseHatch(argv[++i]);
            }
            else if (a == "--set") {
                if (i + 1 >= argc) throw CoreError::range("--set needs NAME=VALUE");
                tools::SetFromText(settings, argv[++i]);
            } else if (a == "--diameter") settings.SetNumber("srednica", number(i));
            else if (a == "--depth") settings.SetNumber("Glebokosc", number(i));
            else if (a == "--pitch") machine.PlungePitch = number(i);
            else if (a == "--polish") settings.SetFlag("polerowanie", true);
            else if (a == "--no-outline") settings.SetFlag("doOutline", false);
            else throw CoreError::range("unknown option " + a);
        }
        if (load.order || load.info || load.hatch) return PrintLoadOrder(argv[1], settings, load);
        DxfReader reader(DrawingText::FromFile(argv[1]));
        std::vector<tfigura> figures;
        while (!reader.EndOfFile) {
            tfigura f;
            reader.ReadFigure(f);
            if (!f.Contour.empty()) figures.push_back(std::move(f));
        }
        std::vector<tfigura*> order;
        for (auto& f : figures) {
            if (!f.Open) {
                double area = 0;
                for (std::size_t i = 0; i + 1 < f.Contour.size(); ++i)
                    area += f.Contour[i].X * f.Contour[i + 1].Y - f.Contour[i + 1].X * f.Contour[i].Y;
                f.Direction = area > 0 ? -1 : 1;
                for (const auto& g : figures) {
                    if (&g != &f && !g.Open && g.Contour.size() > 2 && Inside(f.Contour[0], g.Contour)) ++f.Level;
                }
            }
            order.push_back(&f);
        }
        ToolPathWindow window;
        if (!figures.empty()) {
            window.BoundsMinX = figures[0].MinX;
            window.BoundsMinY = figures[0].MinY;
            for (const auto& f : figures) {
                window.BoundsMinX = std::min(window.BoundsMinX, f.MinX);
                window.BoundsMinY = std::min(window.BoundsMinY, f.MinY);
            }
        }
        SilentNotifier notifier;
        AddOutline(order, window, settings, machine, notifier);
        auto mm = [&](double units) { return Num(UnitsToMm(machine.kind, units)); };
        std::cout << "figure open level dir contour cut_points cut_mm tool_points cut_length_mm polish_length_mm\n";
        for (std::size_t i = 0; i < figures.size(); ++i) {
            const tfigura& f = figures[i];
            std::cout << i << ' ' << (f.Open ? 1 : 0) << ' ' << f.Level << ' ' << f.Direction << ' '
                      << f.Contour.size() << ' ' << f.CutPath.size() << ' ' << mm(PlanLength(f.CutPath)) << ' '
                      << f.ToolPath3D.size() << ' ' << mm(f.CutLength) << ' ' << mm(f.PolishLength) << '\n';
        }
        std::cout << "total cut " << Num(window.TotalCutLength) << " mm, travel " << Num(window.TotalRapidLength)
                  << " mm, finishing " << Num(window.TotalPolishLength) << " mm, start height "
                  << Num(window.JobStartZ) << " mm\n";
    } catch (const CoreError& e) {
        std::cerr << "toolpath: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
