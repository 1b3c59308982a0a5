#pragma once
// Reading a G-code program figure by figure: a run of rapid moves (G0) or a run of feed moves
// (G1 with the arcs G2 and G3 flattened into it) makes one figure, with its contour, its 3-D
// tool path (the program carries its own Z), its cut and rapid lengths, its feed and its layer
// (2 feed, 3 rapid). Coordinates are absolute; I and J give the arc centre in absolute
// coordinates; G20/G21 choose inch or millimetre; S and F are limited to the machine's range.
// While G2 or G3 is in force, a line adds an arc only when it names an end or a centre (X, Y, Z,
// I or J); lines of other words, comments and blank lines add nothing.
#include <cstdint>
#include <memory>
#include <string>

#include "drawing_files/drawing_text.h"
#include "model/figure.h"

namespace vellisk {

// The machine's ranges for feed (mm/min) and spindle or laser value.
struct GcodeLimits {
    double MinFeed = 0.0;
    double MaxWorkSpeed = 1.0e9;
    double PowerMin = 0.0;
    double PowerMax = 1.0e9;
};

class GcodeReader {
public:
    // Upper bound of the points one arc may produce; a larger one is an error, not a hang.
    static constexpr double kMaxArcPoints = 4.0e6;

    GcodeReader(DrawingText text, const GcodeLimits& limits);
    // Reads from a text that the caller owns and keeps alive while the reader is used.
    GcodeReader(DrawingText* shared, const GcodeLimits& limits);

    // Starts a program afresh: no mode, feed and power 0, every point at the origin, millimetres.
    void ResetReaderState();

    // Reads the next figure into `figure` (a fresh one); sets EndOfFile when the program is used
    // up. Throws CoreError naming the line when a word has no number or a G word is out of range.
    void ReadFigure(tfigura& figure);

    // Takes the first upper-case `letter` word out of `line`: -1 when absent, else its value is
    // stored and the word deleted. Blanks may stand between the letter and its number. A letter
    // with no number after it throws CoreError.
    int TakeGcodeWord(char letter, std::string& line, double& value) const;

    bool EndOfFile = false;
    bool EndOfFigure = false;
    PointBudget Budget;  // the points the whole load may produce

    std::string GcodeLine;  // text of the line in hand (kept when it opens the next figure)
    bool GcodeModeChanged = false;
    double GcodeWordValue = 0.0;
    std::int32_t GcodePrevMode = -1;
    std::int32_t GcodeMode = -1;
    double GcodeFeed = 0.0;
    double GcodePower = 0.0;
    tpunkt GcodeCentre;
    tpunkt GcodePrevPoint;
    tpunkt GcodeTarget;
    double GcodeUnitScale = 1.0;
    tpunkt LastVertex;

    std::int64_t LineNumber() const { return text_->LineNumber(); }

private:
    // Takes every G word out of `words` and applies it (mode, units).
    void TakeGWords(std::string& words);
    void AddGcodeVertex(const tpunkt& mm);
    void StartFigure(bool rapid);
    // An arc's run: a feed figure, opened at the previous point when none is open; false when
    // a rapid run ends here instead (the line then opens the next figure).
    bool OpenArcRun();
    void Arc();
    // A line of G2/G3 that names only Z: a straight move down or up in the arc's run.
    void StraightInArcMode();
    [[noreturn]] void Fail(const std::string& what) const;

    std::unique_ptr<DrawingText> owned_;  // the text when the reader has its own
    DrawingText* text_ = nullptr;         // the text read (its own or a shared one)
    GcodeLimits limits_;
    tfigura* figure_ = nullptr;
    bool lineKept_ = false;  // GcodeLine opens the next figure and is read again from scratch
};

}  // namespace vellisk
