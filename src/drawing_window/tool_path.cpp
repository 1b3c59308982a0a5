// 3-D tool paths: ramped plunge along the contour, a lap at depth, the finishing pass.
#include "drawing_window/tool_path.h"

#include <algorithm>
#include <cmath>

#include "drawing_window/offset_contour.h"
#include "drawing_window/start_point.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "model/numeric.h"
#include "platform/notifier.h"
#include "platform/parallel_for.h"
#include "settings/settings.h"

namespace vellisk {
namespace {

inline double Plan(const tpunkt& p, const tpunkt& q) { return std::hypot(q.X - p.X, q.Y - p.Y); }
inline double Space(const tpunkt& p, const tpunkt& q) {
    const double dx = q.X - p.X, dy = q.Y - p.Y, dz = q.Z - p.Z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

inline int RingNextInPath(int i, int n) { return i + 1 > n - 2 ? 0 : i + 1; }
inline int RingPrevInPath(int i, int n) { return i - 1 < 0 ? n - 2 : i - 1; }

// Next index of a back-and-forth walk over an open path of `count` points.
inline int BounceIndex(int index, int count, int& direction) {
    const int next = index + direction;
    if (next > count - 1) {
        direction = -1;
        return std::max(count - 2, 0);
    }
    if (next < 0) {
        direction = 1;
        return 0;
    }
    return next;
}

double PlanLength(const std::vector<tpunkt>& path) {
    double sum = 0.0;
    for (std::size_t i = 1; i < path.size(); ++i) sum += Plan(path[i - 1], path[i]);
    return sum;
}

// Appends points to a tool path and adds each step's 3-D length to a chosen total.
class Emitter {
public:
    Emitter(std::vector<tpunkt>& out, int kind, bool engrave, double engraveOffset)
        : out_(out), kind_(kind), engrave_(engrave), offset_(engraveOffset) {}

    tpunkt At(const tpunkt& p, double heightMm) const {
        return tpunkt{p.X, p.Y, engrave_ ? p.Z + offset_ : MmToUnits(kind_, heightMm)};
    }
    void Start(const tpunkt& p, double heightMm) {
        last_ = At(p, heightMm);
        plan_ = p;
    }
    void Emit(const tpunkt& p, double heightMm, double& length) {
        const tpunkt q = At(p, heightMm);
        length += Space(last_, q);
        out_.push_back(q);
        last_ = q;
        plan_ = p;
    }
    const tpunkt& LastPlan() const { return plan_; }

private:
    std::vector<tpunkt>& out_;
    int kind_;
    bool engrave_;
    double offset_;
    tpunkt last_{};
    tpunkt plan_{};
};

}  // namespace

ToolPathMachine ToolPathMachineOf(const MachineContext& ctx, const JobValues& job, ProjectKind kind) {
    ToolPathMachine m;
    m.kind = kind;
    m.PlungePitch = job.PlungePitch;
    m.ZReversed = ctx.PlotParams.ZReversed != 0;
    m.Firmware550 = ctx.Firmware550;
    return m;
}

double MaxFigureZ(std::span<tfigura* const> figures) {
    double best = 0.0;
    for (const tfigura* f : figures) {
        for (const tpunkt& p : f->Contour) best = std::max(best, p.Z);
    }
    return best;
}

std::int32_t NearestPathPoint(const tfigura& figure, std::int32_t polishIndex) {
    if (polishIndex < 0 || polishIndex >= static_cast<std::int32_t>(figure.PolishPath.size())) return 0;
    const tpunkt& p = figure.PolishPath[static_cast<std::size_t>(polishIndex)];
    double best = 1.7e308;
    std::int32_t found = 0;
    WithCuttingPath(figure, [&](const auto& cut) {
        for (std::size_t k = 0; k < cut.size(); ++k) {
            const double d = Plan(cut[k], p);
            if (d < best) {
                best = d;
                found = static_cast<std::int32_t>(k);
            }
        }
    });
    return found;
}

ToolPathSettings ToolPathSettingsOf(const Settings& settings) {
    ToolPathSettings t;
    static_cast<CutHeights&>(t) = CutHeightsOf(settings);
    t.EngraveAtHeights = settings.Flag(setting::EngraveAtHeights);
    return t;
}

namespace {

// The lengths a 3-D path is measured by while it is built.
struct PathLengths {
    double Path = 0.0;
    double Cut = 0.0;
    double Polish = 0.0;
    double Extra = 0.0;
    void StoreIn(tfigura& f) const {
        f.PathLength = Path;
        f.CutLength = Cut;
        f.PolishLength = Polish;
        f.ExtraLength = Extra;
    }
};

// The 3-D path of one figure into `path` (cleared first), its lengths into `len`.
void BuildInto(std::vector<tpunkt>& path, PathLengths& len, const tfigura& f, const ToolPathSettings& settings,
               const ToolPathMachine& machine, double maxFigureZ, bool& engraveAtHeights, const ToolPathHooks& hooks) {
    const bool engrave = settings.EngraveAtHeights;
    engraveAtHeights = engrave;
    path.clear();
    const bool polish = settings.Polish;
    const double polerStart = settings.PolishStart;
    double top = settings.Thickness + settings.AboveTable;
    double depth = top - settings.Depth;
    if (settings.Multilayer) {
        depth = top - (hooks.LayerDepth ? hooks.LayerDepth(f.Layer) : 0.0);
    }
    const double engraveOffset = engrave ? MmToUnits(machine.kind, depth) - maxFigureZ : 0.0;
    // A pitch that gains no depth per lap would ramp for ever: it plunges straight down, as 100 does.
    const double pitch = machine.PlungePitch > 0.0 ? machine.PlungePitch : 100.0;
    const bool ramp = pitch < 100.0;
    if (!ramp) top = depth;
    double z = top;
    len = {};
    // An offset path is kept as plan points: it is read here as 3-D points (Z = 0) from a room
    // kept from figure to figure by each thread.
    thread_local std::vector<tpunkt> cutRoom;
    LargeRoomGiveBack giveBack(cutRoom);
    const std::vector<tpunkt>& cut = CuttingPath(f, cutRoom);
    if (cut.empty() || (polish ? f.PolishPath : f.Contour).empty()) return;

    Emitter out(path, machine.kind, engrave, engraveOffset);
    auto pointFigure = [&]() {
        out.Emit(cut[0], top, len.Extra);
        out.Emit(cut[0], depth, len.Extra);
    };

    if (!f.Open) {
        const std::vector<tpunkt>& r = polish ? f.PolishPath : cut;
        const int n = static_cast<int>(r.size());
        len.Path = PlanLength(r);
        out.Start(r.back(), top);
        if (len.Path == 0.0) {
            pointFigure();
            return;
        }
        const double floor = polish ? depth + polerStart : depth;
        // Advances past every point equal to the one just emitted; false after a whole lap of them.
        auto advance = [&](int& v) {
            const tpunkt& emitted = r[static_cast<std::size_t>(v)];
            for (int k = 0; k < n; ++k) {
                v = RingNextInPath(v, n);
                if (!SamePoint(r[static_cast<std::size_t>(v)], emitted)) return true;
            }
            return false;
        };
        int v = 0;
        double travelled = 0.0;
        for (;;) {
            travelled += Plan(out.LastPlan(), r[static_cast<std::size_t>(v)]);
            z = std::max(top - travelled * pitch / len.Path, floor);
            out.Emit(r[static_cast<std::size_t>(v)], z, len.Cut);
            if (!advance(v)) return;
            if (polish ? (z - depth - polerStart < 0.001) : (z - depth < 0.0001)) break;
        }
        // One full lap at the floor height.
        const int lapStart = v;
        do {
            if (!SamePoint(r[static_cast<std::size_t>(v)], out.LastPlan()) || path.empty()) {
                out.Emit(r[static_cast<std::size_t>(v)], z, len.Cut);
            }
            v = RingNextInPath(v, n);
        } while (v != lapStart);
        if (!polish) return;
        // Finishing pass along the cutting path at depth, starting next to where the lap ended.
        const int cn = static_cast<int>(cut.size());
        const int start = RingPrevInPath(NearestPathPoint(f, v), cn);
        if (start < 0 || start >= cn) return;
        int w = start;
        bool first = true;
        do {
            const tpunkt& p = cut[static_cast<std::size_t>(w)];
            if (first || !SamePoint(p, out.LastPlan())) out.Emit(p, depth, len.Polish);
            first = false;
            w = RingNextInPath(w, cn);
        } while (w != start);
        out.Emit(cut[static_cast<std::size_t>(start)], depth, len.Polish);
        return;
    }

    // Open figure: back and forth along the path.
    const std::vector<tpunkt>& c = cut;
    const int n = static_cast<int>(c.size());
    const int last = n - 1;
    len.Path = PlanLength(c);
    out.Start(c[0], top);
    if (len.Path == 0.0) {
        pointFigure();
        return;
    }
    int direction = 1;
    int v = 0;
    double travelled = 0.0;
    auto advance = [&]() {
        const tpunkt emitted = c[static_cast<std::size_t>(v)];
        for (int k = 0; k < 2 * n + 2; ++k) {
            v = BounceIndex(v, n, direction);
            if (!SamePoint(c[static_cast<std::size_t>(v)], emitted)) return;
        }
    };
    // Ramps down to `floor`, then walks at that height to the end it is heading away from.
    auto rampAndClose = [&](double floor, double& length) {
        while (z - floor > 0.0001) {
            travelled += Plan(out.LastPlan(), c[static_cast<std::size_t>(v)]);
            z = std::max(top - travelled * pitch / len.Path, floor);
            out.Emit(c[static_cast<std::size_t>(v)], z, length);
            advance();
        }
        const int target = direction > 0 ? 0 : last;
        for (int guard = 0; v != target && guard < 4 * n + 4; ++guard) {
            if (!SamePoint(c[static_cast<std::size_t>(v)], out.LastPlan())) {
                out.Emit(c[static_cast<std::size_t>(v)], floor, length);
            }
            v = BounceIndex(v, n, direction);
        }
        out.Emit(c[static_cast<std::size_t>(target)], floor, length);
        z = floor;
    };
    const double firstFloor = polish ? depth + polerStart : depth;
    if (!ramp) {
        for (const tpunkt& p : c) out.Emit(p, firstFloor, len.Cut);
    } else {
        rampAndClose(firstFloor, len.Cut);
    }
    if (!polish) return;
    if (!ramp) {
        for (int i = last; i >= 0; --i) out.Emit(c[static_cast<std::size_t>(i)], depth, len.Polish);
    } else {
        advance();
        rampAndClose(depth, len.Polish);
    }
}

// Gives every figure its cutting path (and its finishing pass's path) by `offset`, then runs
// `after` on each block of figures in their order. The figures are independent of each other: a
// large drawing is offset in blocks, each block on every core, and while one block is offset
// `after` runs on the block before, on one thread, one block after the other, while that
// block's paths are still in the processor's cache; the front end's yield runs between blocks,
// on the calling thread.
void OffsetEvery(std::span<tfigura* const> figures, std::int32_t& selected, const std::function<void()>& yield,
                 const std::function<void(tfigura&)>& offset,
                 const std::function<void(std::size_t begin, std::size_t end)>& after) {
    constexpr std::size_t kBlock = 4096;
    constexpr std::size_t kPiece = 64;
    std::function<void(std::size_t, std::size_t, std::size_t)> follow;
    if (after) follow = [&](std::size_t, std::size_t first, std::size_t size) { after(first, first + size); };
    ParallelBatches(
        figures.size(), kBlock, kPiece,
        [&](std::size_t, std::size_t first, std::size_t) {
            selected = static_cast<std::int32_t>(first);
            if (yield) yield();
        },
        [&](std::size_t, std::size_t, std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) offset(*figures[i]);
        },
        follow);
}

}  // namespace

void BuildToolPath3D(tfigura& f, const ToolPathSettings& settings, const ToolPathMachine& machine, double maxFigureZ,
                     bool& engraveAtHeights, const ToolPathHooks& hooks) {
    // Built in a buffer kept from figure to figure, then stored at its exact size.
    thread_local std::vector<tpunkt> path;
    PathLengths len;
    BuildInto(path, len, f, settings, machine, maxFigureZ, engraveAtHeights, hooks);
    len.StoreIn(f);
    StoreFromBuffer(f.ToolPath3D, path);
    f.ToolPathOnDemand = false;
}

void MakeToolPath3D(std::vector<tpunkt>& path, const tfigura& f, const ToolPathRecipe& recipe) {
    ToolPathHooks hooks;
    hooks.LayerDepth = [&](std::int32_t layer) {
        const double* depth = recipe.LayerDepth(layer);
        return depth ? *depth : 0.0;
    };
    bool engrave = false;
    PathLengths len;
    BuildInto(path, len, f, recipe.settings, recipe.machine, recipe.maxFigureZ, engrave, hooks);
}

void AddOutline(std::span<tfigura* const> figures, ToolPathWindow& window, const Settings& settings,
                const ToolPathMachine& machine, Notifier& notifier, const ToolPathHooks& hooks) {
    if (machine.kind == KindGcode || machine.kind == KindBitmap) return;
    // The totals add up each figure's lengths in cutting order.
    double rapid = 0.0, cut = 0.0, polishLength = 0.0;
    {
        BusyCursor busy(notifier);
        notifier.Status("Preparing the tool path");
        const double scale = settings.Number(setting::Scale) / 100.0;
        auto units = [&](double mm) {
            return RoundTo<std::int32_t>(MmToUnits(machine.kind, mm / scale), "tool radius");
        };
        const bool outline = settings.Flag(setting::AllowForDiameter);
        const bool polish = settings.Flag(setting::Polishing);
        const double toolRadius = settings.Number(setting::ToolDiameter) / 2.0;
        const double allowance = settings.Number(setting::PolishThickness);
        OffsetOptions polishOptions;
        polishOptions.radius = units(outline ? toolRadius + allowance : allowance);
        polishOptions.negative = settings.Flag(setting::CutNegative);
        OffsetOptions cutOptions = polishOptions;
        cutOptions.radius = units(toolRadius);

        // The cutting path, and before it the finishing pass's path, of one figure.
        auto offset = [&](tfigura& f) {
            if (polish) {
                OffsetContour(f, polishOptions);
                thread_local std::vector<tpunkt> room;
                StoreExact(f.PolishPath, CuttingPath(f, room));
                GiveBackLargeRoom(room);
            } else {
                // Without a finishing pass the roughing path is the contour itself: not stored twice.
                std::vector<tpunkt>().swap(f.PolishPath);
            }
            if (outline) {
                OffsetContour(f, cutOptions);
            } else {
                // Without the tool's allowance every figure is cut along its contour as it
                // stands, with its heights.
                UseContourAsCutPath(f);
            }
        };
        ToolPathRecipe& recipe = window.Recipe;
        recipe.settings = ToolPathSettingsOf(settings);
        recipe.machine = machine;
        recipe.maxFigureZ = recipe.settings.EngraveAtHeights ? MaxFigureZ(figures) : 0.0;
        recipe.layerDepths.clear();
        // The layer depths are taken as the run asks for them, so that a path made again later
        // has the depths of this run.
        ToolPathHooks runHooks = hooks;
        runHooks.LayerDepth = [&](std::int32_t layer) {
            if (const double* taken = recipe.LayerDepth(layer)) return *taken;
            const double depth = hooks.LayerDepth ? hooks.LayerDepth(layer) : 0.0;
            recipe.layerDepths.emplace_back(layer, depth);
            return depth;
        };
        // Each path is built, measured for the travel estimate (from each figure's end to the
        // next figure's start, plus from the park point to the last figure's start) and let go.
        bool havePrevious = false;
        tpunkt previousEnd{};
        const std::size_t count = hooks.Entry ? hooks.Entries : figures.size();
        auto prepare = [&](std::size_t i, tfigura& f) {
            // Each thread that measures has a room of its own, declared here so that the thread
            // makes it (and lets it go when it ends) itself.
            thread_local std::vector<tpunkt> path;
            LargeRoomGiveBack giveBack(path);
            window.SelectedFigure = static_cast<std::int32_t>(i);
            KeepChosenStart(f);  // the tool enters where the operator put the start
            PathLengths len;
            BuildInto(path, len, f, recipe.settings, machine, recipe.maxFigureZ, window.EngraveAtHeights, runHooks);
            len.StoreIn(f);
            cut += len.Cut;
            polishLength += len.Polish;
            std::vector<tpunkt>().swap(f.ToolPath3D);
            f.ToolPathOnDemand = !path.empty();
            if (path.empty()) {
                havePrevious = false;
                return;
            }
            if (havePrevious) rapid += Space(previousEnd, path.front());
            havePrevious = true;
            previousEnd = f.Open ? path.back() : path.front();
            if (i + 1 == count) {
                const tpunkt park{window.BoundsMinX, window.BoundsMinY, MmToUnits(machine.kind, 100.0)};
                rapid += Space(park, path.front());
            }
        };
        if (hooks.Entry) {
            // Hatch lines come between the figures in cutting order: every figure is offset
            // first, then every entry measured in that order.
            OffsetEvery(figures, window.SelectedFigure, hooks.Yield, offset, {});
            for (std::size_t i = 0; i < count; ++i) hooks.Entry(i, [&](tfigura& f) { prepare(i, f); });
        } else {
            OffsetEvery(figures, window.SelectedFigure, hooks.Yield, offset, [&](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) prepare(i, *figures[i]);
            });
        }
        window.SelectedFigure = -1;
        notifier.Status("");
    }

    window.JobStartZ = machine.ZReversed
                           ? -settings.Number(setting::MaterialThickness)
                           : settings.Number(setting::AboveTable) + settings.Number(setting::MaterialThickness) +
                                 settings.Number(setting::AboveMaterial);

    window.TotalCutLength = UnitsToMm(machine.kind, RoundHalfEven(cut));
    window.TotalRapidLength = UnitsToMm(machine.kind, RoundHalfEven(rapid));
    window.TotalPolishLength = UnitsToMm(machine.kind, RoundHalfEven(polishLength));

    if (machine.Firmware550 && settings.Flag(setting::Smoothing) && hooks.Smooth) hooks.Smooth();
}

void PrzeliczPoWaznejZmianie(ProjectKind kind, const Settings& settings, const RepreparationSteps& steps) {
    if (kind == KindGcode || kind == KindBitmap) return;
    if (steps.JakiKierunekAll) steps.JakiKierunekAll();
    if (settings.Flag(setting::AutoDirection) && steps.UstawKierunek) steps.UstawKierunek();
    if (settings.Flag(setting::AutoOrder) && steps.UstawKolejnosc) steps.UstawKolejnosc();
    if (steps.AddOutline) steps.AddOutline();
}

}  // namespace vellisk
