#pragma once
// The project of one drawing window: the figures in cutting order, the drawing's bounds and
// centre, the layer table, the selection and the totals of the prepared job. Loading reads a
// drawing figure by figure, cleans the import up (open paths joined, duplicates dropped,
// crossing line pairs turned into drilling points), works out the nesting tree, the ordering
// keys, the cut directions and the cut order, and prepares the tool paths. Saving hands a
// range of figures to a writer. The window shows what this object says through the notifier.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "drawing_window/hatch_lines.h"
#include "model/figure.h"
#include "model/geometry_types.h"
#include "model/layers.h"

namespace vellisk {

class Settings;
class MachineContext;
struct JobValues;
struct ProgramEnvironment;
class Notifier;
struct ToolPathRecipe;

// What loading needs of a drawing reader.
class DrawingInput {
public:
    virtual ~DrawingInput() = default;
    // 0 when the file is open; Thpgl::kFileInUse (32) when another program holds it; any other
    // value: cannot open.
    virtual int OpenInput(const std::string& path, int kind) = 0;
    // Reads the next figure into a fresh figure: contour, layer and value, bounding box, start
    // point, Valid and Open. Throws CoreError on a malformed file.
    virtual void ReadFigure(tfigura& figure) = 0;
    virtual bool EndOfFile() const = 0;
    virtual void CloseInput() = 0;
    // Where in the file the reader stands ("line 12"), for the message of a failed read.
    virtual std::string Where() const { return {}; }
    // Entities left out with a reason the operator should hear of.
    virtual std::vector<std::string> Warnings() const { return {}; }
    // The laser power a G-code program asked for (its writer needs it again).
    virtual double GcodePower() const { return 0.0; }
};

// The program's reader for every kind of drawing.
std::unique_ptr<DrawingInput> MakeDrawingInput(MachineContext& ctx, const Settings& settings);

// Lends entry k of a run of the cutting order as a record with its 3-D path for the call `use`.
using EntryLender = std::function<void(std::size_t k, const std::function<void(tfigura&)>& use)>;

// What saving needs of a writer: an HPGL file or the machine job "out.cnx".
class FigureWriter {
public:
    virtual ~FigureWriter() = default;
    virtual void OpenOutput(const std::string& path, int kind) = 0;
    virtual void WriteLayerSettings(double speed, double power, double rest) = 0;
    virtual void WriteFigure(tfigura& figure) = 0;
    // Writes `count` entries of the cutting order in order, entry k lent as a record with its 3-D
    // path by `lend` (which may run for several entries at once): the output of WriteFigure one
    // figure after the other.
    virtual void WriteEntries(std::size_t count, const EntryLender& lend) {
        for (std::size_t k = 0; k < count; ++k) lend(k, [&](tfigura& g) { WriteFigure(g); });
    }
    virtual void CloseOutput() = 0;
};

enum class LoadStatus {
    Ok,
    FileLocked,  // another program holds the file
    CannotOpen,
    ReaderError,  // the file could not be read to its end; nothing is kept
};

struct LoadResult {
    LoadStatus status = LoadStatus::Ok;
    bool exceedsWorkArea = false;  // the project stays loaded
    std::int32_t figuresRead = 0;  // figures the reader gave, kept or not
    std::string message;           // what was shown to the operator (empty when nothing)
    std::vector<std::string> warnings;
};

struct ProjectBounds {
    std::int32_t MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
};

class Project {
public:
    // The settings, the machine context, the environment, the job's values and the notifier are
    // the program's; the project keeps references to them and reads the settings at the moment
    // it needs them.
    Project(int kind, const Settings& settings, MachineContext& ctx, const ProgramEnvironment& env, JobValues& job,
            Notifier& notifier);
    ~Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    // --- the project ---
    int ProjectKind;
    std::vector<std::unique_ptr<tfigura>> Figures;  // the figure records, in their cutting order
    // The hatch lines, kept compactly (see hatch_lines.h).
    std::vector<HatchLine> Lines;
    // The cutting order of a project with hatch lines: entries of Figures and, with kLineEntry, of
    // Lines. Empty while there are no hatch lines: the cutting order is then Figures itself.
    std::vector<std::uint32_t> Sequence;
    ProjectBounds Bounds;
    double ProjectWidth = 0.0, ProjectHeight = 0.0;
    double ProjectCentreX = 0.0, ProjectCentreY = 0.0;
    std::int32_t MaxNestingLevel = 0;
    std::int32_t SelectedFigure = -1;
    double TotalCutLength = 0.0, TotalRapidLength = 0.0, TotalPolishLength = 0.0;  // mm
    double TotalExtraLength = 0.0;                                                 // mm
    std::unique_ptr<tWarstwy> Layers;
    double GcodeMaxZ = 0.0;  // mm
    double GcodePower = 0.0;
    std::int32_t DrawingFigureCount = 0;
    bool HasFrame = false;
    bool EngraveAtHeights = false;
    // The Y that splits the drawing into a lower and an upper band for the mixed route.
    double OrderSplitY = 0.0;
    // The window's own status bar (the figure count); the notifier's status is the main frame's.
    std::function<void(const std::string&)> WindowStatus;

    // Every figure record (hatch lines have none), in cutting order.
    std::vector<tfigura*> FigurePointers() const;
    // Entries of the cutting order, figures and hatch lines.
    std::int32_t Count() const {
        return static_cast<std::int32_t>(Sequence.empty() ? Figures.size() : Sequence.size());
    }
    // The entry at position i of the cutting order.
    std::uint32_t EntryAt(std::int32_t i) const {
        return Sequence.empty() ? static_cast<std::uint32_t>(i) : Sequence[static_cast<std::size_t>(i)];
    }
    bool IsLine(std::int32_t i) const { return (EntryAt(i) & kLineEntry) != 0; }
    // The record of the figure at position i; a hatch line there has none (CoreError): such
    // readers go through View or Lend.
    tfigura& Figure(std::int32_t i);
    const tfigura& Figure(std::int32_t i) const;
    // The record at position i, or null for a hatch line.
    tfigura* Record(std::int32_t i) const;
    HatchLine& Line(std::int32_t i);
    const HatchLine& Line(std::int32_t i) const;
    // The entry at position i as a figure record: the figure's own, or the hatch line filled into
    // `room` (with its Bezier segments when asked and it has them). Positions outside the list
    // throw CoreError.
    const tfigura& View(std::int32_t i, tfigura& room, bool withSegments = false) const;
    // Runs `use` on the entry at position i as a record it may change: the figure's own, or a
    // hatch line filled into a reused record whose cut flag and direction are kept afterwards.
    void Lend(std::int32_t i, const std::function<void(tfigura&)>& use);
    // The record of a hatch line as a whole figure of its own would be, in `room` (its lists'
    // room is reused); with `polishPath` it has the roughing path of a finishing pass.
    void FillLineRecord(const HatchLine& line, tfigura& room, bool polishPath) const;
    // Position of a figure record in the cutting order, or -1.
    std::int32_t PositionOf(const tfigura* record) const;
    // After the cutting order was changed: the records of Figures put in their new order again.
    void KeepRecordsInCuttingOrder();

    // --- loading ---
    // Loads a drawing into this empty project. Messages (cannot open, cannot read, larger than
    // the work area) are shown through the notifier and also returned. On any failure the
    // project is left empty and the window should close.
    LoadResult Load(const std::string& name, DrawingInput& input);

    // Clean-up steps of the load; `figure` is the one just read and not yet in the list.
    void JoinOpenPaths(tfigura& figure);
    bool IsDuplicateFigure(const tfigura& figure) const;
    bool CrossingLinesToPoint(tfigura& figure);
    static void licz_parametry(tfigura& figure);
    // The figure is cut along its contour as it stands; its finishing path is a copy of it.
    static void CopyContourToPaths(tfigura& figure);

    // --- nesting, frame and ordering keys ---
    void co_w_czym();
    bool FigureInsideFigure(std::int32_t i, std::int32_t j) const;
    bool SamePointList(std::int32_t i, std::int32_t j) const;
    // Figure i is the frame: the only figure at level 0 of a project of several figures. When
    // the load found both automatic direction and order off, no figure is the frame.
    bool framka(std::int32_t i) const;
    // The index of the frame, or -1.
    std::int32_t FrameIndex() const;
    void ustal_dist();
    tpunkt ScaleYToAspect(const tpunkt& p) const;
    static bool LezyWewnatrz(const tfigura& f, const tfigura& c);

    // --- cut direction and cut order ---
    std::int32_t JakiKierunek(std::int32_t i);
    std::int32_t ContourDirection(std::int32_t i);
    void ReverseFigureLists(std::int32_t i);
    void OdwrocKierunek(std::int32_t i);
    void ReverseByLevelParity(int parity, std::int32_t wanted);
    void UstawKierunek();
    void UstawKolejnosc();
    void BuildNestedOrderKeys();
    int CompareCutOrder(const tfigura& a, const tfigura& b) const;
    int CompareNestedOrder(const tfigura& a, const tfigura& b) const;

    // --- tool paths ---
    // Cutting, polishing and 3-D paths and the totals; the job's start height goes to the
    // machine context.
    void AddOutline();
    // Direction, order and tool paths again after a change of settings or layers.
    void PrzeliczPoWaznejZmianie();
    // The layer table, made from the figures when the project has none yet.
    tWarstwy& EnsureLayers();
    // Runs `use` on the entry at position i lent its 3-D path, as WithToolPath does.
    void WithEntryPath(std::int32_t i, const std::function<void(tfigura&)>& use);
    // Runs `use` with the figure's 3-D path in its ToolPath3D: the kept path, or one made for
    // the call from the last preparation when the figure's path is made on demand; a made path
    // is let go after the call. Saving writes every figure through here, for several figures
    // at once on as many threads.
    void WithToolPath(tfigura& figure, const std::function<void(tfigura&)>& use);
    // A copy of the figure's 3-D path, kept or made on demand.
    std::vector<tpunkt> ToolPathOf(const tfigura& figure) const;

    // --- saving ---
    // Writes figures first..last (inclusive). A single figure of a larger project is written
    // whatever its flags; a range (also the whole of a one-figure project) skips figures not to
    // be cut and, when frames are left out, the frame. Indexes outside the list throw CoreError.
    void Save(const std::string& name, std::int32_t first, std::int32_t last, FigureWriter& writer);
    // The selected figure alone, whatever its flags; false (nothing written) without a selection.
    bool Save_selected(const std::string& name, FigureWriter& writer);
    // From the selected figure to the last; false without a selection.
    bool Save_from_selected(const std::string& name, FigureWriter& writer);

private:
    struct LoadIndex;
    void Clear();
    void SaveRange(const std::string& name, std::int32_t first, std::int32_t last, bool single, FigureWriter& writer);
    void WindowText(const std::string& text) const {
        if (WindowStatus) WindowStatus(text);
    }
    std::unique_ptr<tfigura> TakeKept(std::size_t position);
    void KeepFigure(std::unique_ptr<tfigura> figure);
    bool Multilayer() const;

    const Settings& settings_;
    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    JobValues& job_;
    Notifier& notifier_;
    // The load found the nesting asked for (automatic direction, or automatic order with an
    // object-in-object rule); without it no figure counts as the frame.
    bool frameRule_ = false;
    std::unique_ptr<LoadIndex> index_;  // look-up structures while loading
    // What the last preparation made its 3-D paths from.
    std::unique_ptr<ToolPathRecipe> recipe_;
};

}  // namespace vellisk
