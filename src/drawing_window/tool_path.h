#pragma once
// The last step of preparing a drawing for cutting: for every figure the roughing/finishing
// path, the cutting path and the 3-D tool path with its ramped plunge, then the job's start
// height and its totals.
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "model/figure.h"
#include "model/geometry_types.h"
#include "settings/cut_heights.h"

namespace vellisk {

class Settings;
class Notifier;
class MachineContext;
struct JobValues;

// What one preparation run needs besides the settings: the project kind and the machine's
// process-wide values, taken at the moment of the call.
struct ToolPathMachine {
    ProjectKind kind = KindHpgl;
    double PlungePitch = 100.0;  // mm of depth per lap of the ramp; 100 or more: no ramp
    bool ZReversed = false;
    bool Firmware550 = false;
};

// The machine values of a preparation run, from the machine context and the job's values at the
// moment of the call.
ToolPathMachine ToolPathMachineOf(const MachineContext& ctx, const JobValues& job, ProjectKind kind);

// The settings a preparation run reads, taken once per run: the heights and passes the job
// writer reads too, and the engraving at the drawing's own heights.
struct ToolPathSettings : CutHeights {
    bool EngraveAtHeights = false;  // grawer3d
};
ToolPathSettings ToolPathSettingsOf(const Settings& settings);

// What the 3-D paths of a preparation run were made from. A figure's 3-D path is not kept (it
// is many times the job it becomes): the job writer has it made again, figure by figure, from
// the figure's cutting path and this record, and gets the same points.
struct ToolPathRecipe {
    ToolPathSettings settings;
    ToolPathMachine machine;
    double maxFigureZ = 0.0;
    // The depth of every layer the run asked for, as the layer table gave it then.
    std::vector<std::pair<std::int32_t, double>> layerDepths;
    // The depth the run took for `layer`; null when it asked for none.
    const double* LayerDepth(std::int32_t layer) const {
        for (const auto& [l, depth] : layerDepths)
            if (l == layer) return &depth;
        return nullptr;
    }
};

// The drawing window's values that the preparation reads and writes.
struct ToolPathWindow {
    double BoundsMinX = 0.0;
    double BoundsMinY = 0.0;
    std::int32_t SelectedFigure = -1;
    bool EngraveAtHeights = false;
    double TotalCutLength = 0.0;     // mm
    double TotalRapidLength = 0.0;   // mm
    double TotalPolishLength = 0.0;  // mm
    double JobStartZ = 0.0;          // mm; the caller keeps it as the process-wide start height
    ToolPathRecipe Recipe;           // written by the run: what its 3-D paths are made from
};

struct ToolPathHooks {
    // Depth in mm of a layer of a multi-layer project; a missing hook means depth 0.
    std::function<double(std::int32_t layer)> LayerDepth;
    // Called once per figure while the paths are offset (keeps a front end responsive).
    std::function<void()> Yield;
    // Bezier smoothing of the tool paths, run when the controller takes Bezier segments and
    // smoothing is switched on.
    std::function<void()> Smooth;
    // The cutting order when it holds hatch lines besides the figures: its number of entries, and
    // entry k lent as a record for `use` (the figure's own, or a hatch line in a reused record
    // that it is kept from again after the call). Without it the cutting order is `figures`.
    std::size_t Entries = 0;
    std::function<void(std::size_t k, const std::function<void(tfigura&)>& use)> Entry;
};

// One figure's 3-D tool path from its CutPath/PolishPath. `maxFigureZ` is the largest contour
// height of the drawing (engraving at heights), computed once per run by MaxFigureZ.
void BuildToolPath3D(tfigura& figure, const ToolPathSettings& settings, const ToolPathMachine& machine,
                     double maxFigureZ, bool& engraveAtHeights, const ToolPathHooks& hooks = {});

// The 3-D path of a figure whose path is made on demand (ToolPathOnDemand), into `path`, as
// the run that `recipe` describes made it. The figure is not changed.
void MakeToolPath3D(std::vector<tpunkt>& path, const tfigura& figure, const ToolPathRecipe& recipe);

// The largest Z of every contour point of every figure, never below 0.
double MaxFigureZ(std::span<tfigura* const> figures);

// The cutting-path vertex nearest to a polishing-path vertex (the first of equals).
std::int32_t NearestPathPoint(const tfigura& figure, std::int32_t polishIndex);

// Builds every path, the start height and the totals. The 3-D paths are measured and then let
// go: each figure is marked ToolPathOnDemand and window.Recipe says how to make its path again. G-code and bitmap projects are left
// untouched: their tool paths are the file's own moves.
void AddOutline(std::span<tfigura* const> figures, ToolPathWindow& window, const Settings& settings,
                const ToolPathMachine& machine, Notifier& notifier, const ToolPathHooks& hooks = {});

// Repeats direction, order and tool paths after a change of layers or settings, without
// reloading (nesting and ordering keys stay). The steps that belong to the loaded project are
// passed in; nothing happens for G-code and bitmap projects.
struct RepreparationSteps {
    std::function<void()> JakiKierunekAll;  // recompute every figure's direction
    std::function<void()> UstawKierunek;    // apply the direction rules
    std::function<void()> UstawKolejnosc;   // apply the cutting order
    std::function<void()> AddOutline;       // rebuild the tool paths
};
void PrzeliczPoWaznejZmianie(ProjectKind kind, const Settings& settings, const RepreparationSteps& steps);

}  // namespace vellisk
