#pragma once
// Hatching: fills the closed figures of a drawing with parallel straight lines at a chosen angle
// and spacing, each line an entry of its own in the cutting order, cut after the others
// (typically burnt by a laser to fill an area). The lines are added to the project for good, kept
// as two points and their owner; a second hatching adds more. With two-way cutting the whole figure list is then reordered so that each figure starts
// at the end nearest to where the previous one ended.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "drawing_window/hatch_lines.h"
#include "model/figure.h"
#include "model/geometry_types.h"
#include "model/hatch_options.h"

namespace vellisk {

class Project;
class Settings;
struct JobValues;
struct ProgramEnvironment;
class Notifier;

// The smallest spacing taken: a spacing of 0 would add lines without end.
inline constexpr double kMinHatchSpacingMm = 0.01;

// The most scan lines one hatching may take (a drawing 10 m across at 0.01 mm takes a million).
inline constexpr double kMaxHatchScanLines = 1.0e7;

// One crossing of a scan line with a figure's cutting path.
struct HatchCrossing {
    double X = 0.0;
    double Y = 0.0;
    std::int32_t Figure = 0;  // list position of the crossed figure
};

// One hatch line as the scan makes it: its two points (whole drawing units) and the list
// position of the figure that encloses it (-1: none).
struct HatchSegment {
    tpunkt Start;
    tpunkt End;
    std::int32_t Owner = -1;
};

// Crossings in the order X ascending, then Y ascending.
bool ComparePoints(const HatchCrossing& a, const HatchCrossing& b);

class Kreskowanie {
public:
    Kreskowanie(Project& project, const Settings& settings, const ProgramEnvironment& env, JobValues& job,
                Notifier& notifier);
    ~Kreskowanie();
    Kreskowanie(const Kreskowanie&) = delete;
    Kreskowanie& operator=(const Kreskowanie&) = delete;

    // The dialog's OK: hatches the project, marks the hatching done, orders the figures for
    // two-way cutting when asked, and without the outline option leaves the hatched outlines
    // uncut. A spacing below kMinHatchSpacingMm (or not a number) is refused with a message
    // before anything is added; false then. An empty project, a G-code drawing and a bitmap are
    // left alone (true).
    bool Run(const HatchOptions& options);

    // The scan lines over a drawing `height` x `width` (drawing units) at `spacingMm` and
    // `angle` (radians), each handed to DodajKreski; then the cutting and finishing totals.
    void Scan(double height, double width, double spacingMm, double angle);
    // One scan line from `start` to `end`, relative to the drawing's lower-left corner: its
    // crossings with the figures to hatch, paired into hatch lines appended to the project.
    void DodajKreski(const tpunkt& start, const tpunkt& end);

    // Told every scan line of Scan (relative to the lower-left corner), for tools and tests.
    std::function<void(const tpunkt& start, const tpunkt& end)> ScanLineSeen;

    // Scan lines given to DodajKreski by the last Scan, and hatch lines added.
    std::int64_t ScanLines() const { return scanLines_; }
    std::int64_t LinesAdded() const { return linesAdded_; }

private:
    struct Index;
    void BuildIndex(double angle);
    // The crossings of one scan line with the figures to hatch, sorted and paired: false when
    // there are none or an odd number. Reads only the figures present before this hatching, so
    // scan lines can be worked on side by side.
    bool Crossings(const tpunkt& start, const tpunkt& end, std::vector<HatchCrossing>& crossings) const;
    // The hatch line from crossing a to crossing b with its enclosing figure; `probe` is a
    // figure reused for the containment test.
    HatchSegment MakeLine(const HatchCrossing& a, const HatchCrossing& b, std::vector<std::uint32_t>& candidates,
                          tfigura& probe) const;
    // The hatch lines of one scan line, appended to `lines` (the buffers are reused).
    void MakeLines(const tpunkt& start, const tpunkt& end, std::vector<HatchCrossing>& crossings,
                   std::vector<std::uint32_t>& candidates, tfigura& probe, std::vector<HatchSegment>& lines) const;
    // The hatch line kept for a segment at list position `index`.
    HatchLine MakeHatchLine(const HatchSegment& segment, std::int32_t index) const;

    Project& project_;
    const Settings& settings_;
    const ProgramEnvironment& env_;
    JobValues& job_;
    Notifier& notifier_;
    std::unique_ptr<Index> index_;
    std::vector<HatchCrossing> crossings_;
    std::vector<std::uint32_t> candidates_;
    std::int32_t countBefore_ = 0;  // figures before this hatching
    double lineDepth_ = 0.0;        // cutting depth of the hatch lines, drawing units
    std::int64_t scanLines_ = 0;
    std::int64_t linesAdded_ = 0;
};

// Greedy nearest-neighbour order of the whole figure list for two-way cutting: after each
// figure comes the later figure whose first or second contour point lies nearest to its second
// contour point; a two-point figure reached by its second point is turned round first, a longer
// one reached so stays where it is.
void optymalizuj(std::vector<std::unique_ptr<tfigura>>& figures);
// The same order of the project's whole cutting order, figures and hatch lines.
void optymalizuj(Project& project);

// The nearest figure after position i to figure i's second contour point: its position, negated
// when it is reached by its second point; 0 when there is none.
std::int32_t najblizszy(const std::vector<std::unique_ptr<tfigura>>& figures, std::int32_t i);

// What the main frame does after the hatching dialog's OK: the tool paths again (unless the
// plunge is not ramped), and in a layer project the layer of the hatch lines. The window then
// repaints.
void AfterHatching(Project& project, const Settings& settings, const JobValues& job);

// The hatching dialog's OK: hatches the project with the operator's choices and, when it went
// through, keeps them as the job values' HatchChoices, which the dialog offers at its next showing.
// False: refused with a message (the dialog stays open).
bool HatchWithChoices(Project& project, const Settings& settings, const ProgramEnvironment& env, JobValues& job,
                      Notifier& notifier, const HatchOptions& chosen);

}  // namespace vellisk
