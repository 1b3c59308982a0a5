// The project's tool paths (prepared for every figure, the 3-D path made again as each figure
// is written) and the saving of the job: the whole drawing, a range, the selected figure or
// from it, with the layer settings between figures on a layered laser job.
#include <functional>

#include "drawing_window/bezier_fit.h"
#include "drawing_window/project.h"
#include "drawing_window/tool_path.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "model/program_environment.h"
#include "platform/notifier.h"
#include "settings/settings.h"

namespace vellisk {

void Project::AddOutline() {
    ToolPathWindow window;
    window.BoundsMinX = Bounds.MinX;
    window.BoundsMinY = Bounds.MinY;
    window.SelectedFigure = SelectedFigure;
    window.EngraveAtHeights = EngraveAtHeights;
    window.TotalCutLength = TotalCutLength;
    window.TotalRapidLength = TotalRapidLength;
    window.TotalPolishLength = TotalPolishLength;
    window.JobStartZ = job_.StartZ;
    ToolPathHooks hooks;
    hooks.LayerDepth = [this](std::int32_t layer) { return EnsureLayers().GetDepth(layer); };
    const auto figures = FigurePointers();
    hooks.Smooth = [&] {
        BezierMachine machine;
        machine.kind = static_cast<vellisk::ProjectKind>(ProjectKind);
        machine.StepsX = ctx_.PlotParams.StepsX;
        machine.Laser = ctx_.PlotParams.Laser != 0;
        machine.ZReversed = ctx_.PlotParams.ZReversed != 0;
        BezierHooks bezier;
        bezier.LayerDepth = hooks.LayerDepth;
        PrzyblizBezier(figures, settings_, machine, bezier);
        // A hatch line's segments are fitted again from its two points where they are shown;
        // the smoothing leaves its lengths at 0 as it does a figure's.
        for (HatchLine& line : Lines) {
            line.Smoothed = true;
            line.SmoothTurned = false;
            line.CutLength = line.PolishLength = 0.0;
        }
    };
    tfigura room;  // a hatch line's record while its path is measured
    if (!Sequence.empty()) {
        hooks.Entries = Sequence.size();
        const bool polish = settings_.Flag(setting::Polishing);
        hooks.Entry = [this, &room, polish](std::size_t k, const std::function<void(tfigura&)>& use) {
            const std::uint32_t e = Sequence[k];
            if (!(e & kLineEntry)) {
                use(*Figures[e]);
                return;
            }
            HatchLine& line = Lines[e & ~kLineEntry];
            FillLineRecord(line, room, polish);
            use(room);
            line.CutLength = room.CutLength;
            line.PolishLength = room.PolishLength;
            line.Prepared = room.ToolPathOnDemand;
            line.PathTurned = false;
        };
    }
    vellisk::AddOutline(figures, window, settings_,
                        ToolPathMachineOf(ctx_, job_, static_cast<vellisk::ProjectKind>(ProjectKind)), notifier_,
                        hooks);
    if (!recipe_) recipe_ = std::make_unique<ToolPathRecipe>();
    *recipe_ = std::move(window.Recipe);
    SelectedFigure = window.SelectedFigure;
    EngraveAtHeights = window.EngraveAtHeights;
    TotalCutLength = window.TotalCutLength;
    TotalRapidLength = window.TotalRapidLength;
    TotalPolishLength = window.TotalPolishLength;
    if (ProjectKind != KindGcode && ProjectKind != KindBitmap) job_.StartZ = window.JobStartZ;
}

void Project::WithToolPath(tfigura& f, const std::function<void(tfigura&)>& use) {
    if (!f.ToolPathOnDemand || !recipe_) {
        use(f);
        return;
    }
    // The room a path and its speed profile are built in, kept from figure to figure by each
    // thread that writes figures.
    thread_local std::vector<tpunkt> pathRoom;
    thread_local std::vector<std::uint16_t> profileRoom;
    MakeToolPath3D(pathRoom, f, *recipe_);
    // The made path and a speed profile's room are lent to the figure for the call.
    struct Lend {
        tfigura& f;
        Lend(tfigura& figure) : f(figure) {
            f.ToolPath3D.swap(pathRoom);
            f.SpeedProfile.swap(profileRoom);
        }
        ~Lend() {
            f.ToolPath3D.swap(pathRoom);
            f.SpeedProfile.swap(profileRoom);
            f.ToolPath3D.clear();
            f.SpeedProfile.clear();
            pathRoom.clear();
            profileRoom.clear();
            // The room of one very long path is given back.
            GiveBackLargeRoom(pathRoom);
            GiveBackLargeRoom(profileRoom);
        }
    } lend(f);
    use(f);
}

std::vector<tpunkt> Project::ToolPathOf(const tfigura& f) const {
    if (!f.ToolPathOnDemand || !recipe_) return f.ToolPath3D;
    std::vector<tpunkt> path;
    MakeToolPath3D(path, f, *recipe_);
    return path;
}

void Project::PrzeliczPoWaznejZmianie() {
    RepreparationSteps steps;
    steps.JakiKierunekAll = [this] { JakiKierunek(-1); };
    steps.UstawKierunek = [this] { UstawKierunek(); };
    steps.UstawKolejnosc = [this] { UstawKolejnosc(); };
    steps.AddOutline = [this] { AddOutline(); };
    vellisk::PrzeliczPoWaznejZmianie(static_cast<vellisk::ProjectKind>(ProjectKind), settings_, steps);
}

// ---------------------------------------------------------------------------------------------
// Saving

void Project::Save(const std::string& name, std::int32_t first, std::int32_t last, FigureWriter& writer) {
    // The whole of a one-figure project is a range like any other: its flags count.
    const bool single = first == last && !(first == 0 && Count() == 1);
    SaveRange(name, first, last, single, writer);
}

bool Project::Save_selected(const std::string& name, FigureWriter& writer) {
    if (SelectedFigure < 0 || SelectedFigure >= Count()) return false;
    SaveRange(name, SelectedFigure, SelectedFigure, true, writer);
    return true;
}

bool Project::Save_from_selected(const std::string& name, FigureWriter& writer) {
    if (SelectedFigure < 0 || SelectedFigure >= Count()) return false;
    Save(name, SelectedFigure, Count() - 1, writer);
    return true;
}

void Project::SaveRange(const std::string& name, std::int32_t first, std::int32_t last, bool single,
                        FigureWriter& writer) {
    if (last >= first && (first < 0 || last >= Count()))
        throw CoreError::range("figures " + std::to_string(first) + ".." + std::to_string(last) + " of " +
                               std::to_string(Count()));
    struct StatusClear {
        Notifier& n;
        ~StatusClear() { n.Status(""); }
    } clear{notifier_};
    notifier_.Status(env_.Text(TextId::SavingFile) + name);
    BusyCursor busy(notifier_);
    writer.OpenOutput(name, ProjectKind);
    const double rest = settings_.Flag(setting::LaserSoftStart) ? settings_.Number(setting::LaserIdlePower) : 0.0;
    const bool laser = ctx_.PlotParams.Laser != 0;
    const bool layered = Multilayer();
    auto layerSettings = [&](std::int32_t layer) {
        tWarstwy& layers = EnsureLayers();
        writer.WriteLayerSettings(layers.GetSpeed(layer), layers.GetPower(layer), rest);
    };
    // The layer and cut flag of the entry at position i.
    auto layerOf = [this](std::int32_t i) { return IsLine(i) ? std::int32_t{Line(i).Layer} : Figure(i).Layer; };
    auto toCut = [this](std::int32_t i) { return IsLine(i) ? Line(i).ToCut : Figure(i).ToCut; };
    if (single) {
        if (laser && layered) layerSettings(layerOf(first));
        WithEntryPath(first, [&](tfigura& g) { writer.WriteFigure(g); });
    } else {
        const bool noFrame = settings_.Flag(setting::SkipFrame);
        const std::int32_t frame = noFrame ? FrameIndex() : -1;
        // The entries between two layer settings go to the writer together.
        std::vector<std::int32_t> run;
        auto writeRun = [&] {
            writer.WriteEntries(run.size(), [this, &run](std::size_t k, const std::function<void(tfigura&)>& use) {
                WithEntryPath(run[k], use);
            });
            run.clear();
        };
        for (std::int32_t i = first; i <= last; ++i) {
            const bool cut = toCut(i);
            const bool leftOut = noFrame && i == frame;
            if (layered && !leftOut && cut && laser) {
                writeRun();
                layerSettings(layerOf(i));
            }
            if (ProjectKind == KindGcode || (cut && !leftOut)) run.push_back(i);
        }
        writeRun();
    }
    writer.CloseOutput();
}

}  // namespace vellisk
