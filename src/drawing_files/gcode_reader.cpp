#include "drawing_files/gcode_reader.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "model/core_error.h"
#include "model/geometry.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

constexpr double kPi = std::numbers::pi;

bool NumberChar(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-'; }
bool Blank(char c) { return c == ' ' || c == '\t'; }

// The number of the word whose letter stands at `pos`: from after the blanks that may follow the
// letter up to the first character that is no part of a number. `end` gets where it stops.
std::string_view WordNumber(const std::string& line, std::size_t pos, std::size_t& end) {
    std::size_t from = pos + 1;
    while (from < line.size() && Blank(line[from])) ++from;
    end = from;
    while (end < line.size() && NumberChar(line[end])) ++end;
    return std::string_view(line.data() + from, end - from);
}

// The words of a line without its comments: "(...)" anywhere and everything after ';'.
void StripComments(const std::string& line, std::string& words) {
    words.clear();
    bool inParen = false;
    for (char c : line) {
        if (inParen) {
            if (c == ')') inParen = false;
            continue;
        }
        if (c == '(') {
            inParen = true;
            continue;
        }
        if (c == ';') break;
        words.push_back(c);
    }
}

}  // namespace

GcodeReader::GcodeReader(DrawingText text, const GcodeLimits& limits)
    : owned_(std::make_unique<DrawingText>(std::move(text))), text_(owned_.get()), limits_(limits) {
    ResetReaderState();
}

GcodeReader::GcodeReader(DrawingText* shared, const GcodeLimits& limits) : text_(shared), limits_(limits) {
    ResetReaderState();
}

void GcodeReader::ResetReaderState() {
    GcodeMode = -1;
    GcodePrevMode = -1;
    GcodeFeed = 0.0;
    GcodePower = 0.0;
    GcodePrevPoint = {};
    GcodeTarget = {};
    GcodeCentre = {};
    GcodeModeChanged = false;
    GcodeUnitScale = 1.0;  // every program starts in millimetres
    GcodeLine.clear();
    lineKept_ = false;
}

void GcodeReader::Fail(const std::string& what) const {
    throw CoreError::conversion("G-code line " + std::to_string(text_->LineNumber()) + ": " + what);
}

int GcodeReader::TakeGcodeWord(char letter, std::string& line, double& value) const {
    std::size_t pos = line.find(letter);
    if (pos == std::string::npos) return -1;
    std::size_t end = pos;
    std::string_view number = WordNumber(line, pos, end);
    if (!ParseDrawingReal(number, value)) Fail(std::string("the word ") + letter + " has no valid number");
    line.erase(pos, end - pos);
    return static_cast<int>(pos) + 1;
}

void GcodeReader::TakeGWords(std::string& words) {
    // Every G word in the order written, taken out in one pass over the line (taking them one
    // by one from the front would go over a long line once for each of its words).
    std::string rest;
    std::size_t from = 0;
    for (std::size_t pos; (pos = words.find('G', from)) != std::string::npos;) {
        rest.append(words, from, pos - from);
        std::size_t end = pos;
        std::string_view number = WordNumber(words, pos, end);
        double v = 0.0;
        if (!ParseDrawingReal(number, v)) Fail("the word G has no valid number");
        from = end;
        GcodeWordValue = v;
        if (!(std::fabs(v) < 2147483647.0))
            throw CoreError::range("G-code line " + std::to_string(text_->LineNumber()) + ": G word out of range");
        std::int32_t m = RoundTo<std::int32_t>(v, "G word");
        GcodeMode = m;
        if (m >= 0 && m <= 3) {
            if (m != GcodePrevMode) GcodeModeChanged = true;
        } else if (m == 20) {
            GcodeUnitScale = 25.4;
        } else if (m == 21) {
            GcodeUnitScale = 1.0;
        } else {
            GcodeMode = GcodePrevMode;
        }
    }
    if (from == 0) return;  // no G word: the line stays as it is
    rest.append(words, from);
    words.swap(rest);
}

void GcodeReader::AddGcodeVertex(const tpunkt& mm) {
    Budget.Take(1.0, "G-code", text_->LineNumber());
    tpunkt p{mm.X * 100.0, mm.Y * 100.0, mm.Z * 100.0};
    figure_->Contour.push_back({p.X, p.Y, 0.0});
    figure_->ToolPath3D.push_back(p);
    if (figure_->ToolPath3D.size() > 1) {
        double dx = p.X - LastVertex.X, dy = p.Y - LastVertex.Y, dz = p.Z - LastVertex.Z;
        double d = std::sqrt(dz * dz + (dx * dx + dy * dy)) / 100.0;
        if (figure_->RapidFigure)
            figure_->RapidLength += d;
        else
            figure_->CutLength += d;
    }
    LastVertex = p;
}

void GcodeReader::StartFigure(bool rapid) {
    figure_->RapidFigure = rapid;
    figure_->Layer = rapid ? 3 : 2;
}

bool GcodeReader::OpenArcRun() {
    tfigura& f = *figure_;
    if (f.Contour.empty() || f.RapidFigure) {
        if (!f.Contour.empty()) {
            // An arc is never cut at travel speed: the rapid run ends here and the arc opens a
            // feed figure of its own.
            EndOfFigure = true;
            return false;
        }
        StartFigure(false);
        AddGcodeVertex(GcodePrevPoint);
    }
    return true;
}

void GcodeReader::StraightInArcMode() {
    if (!OpenArcRun()) return;
    AddGcodeVertex(GcodeTarget);
    figure_->Feed = Clamp(GcodeFeed, limits_.MaxWorkSpeed, limits_.MinFeed);
}

void GcodeReader::Arc() {
    tfigura& f = *figure_;
    if (!OpenArcRun()) return;
    const tpunkt& c = GcodeCentre;
    double a1 = SegmentAngle(c, GcodePrevPoint);
    double a2 = SegmentAngle(c, GcodeTarget);
    double w;
    if (GcodeMode == 3) {
        w = a2 - a1;
        if (w < 0.0) w += 2.0 * kPi;
    } else {
        w = a1 - a2;
        if (w < 0.0) w += 2.0 * kPi;
        w = -w;
    }
    double r = (Distance2D(c, GcodePrevPoint) + Distance2D(c, GcodeTarget)) / 2.0;
    if (GcodePrevPoint.X == GcodeTarget.X && GcodePrevPoint.Y == GcodeTarget.Y && r > 0.0)
        w = GcodeMode == 3 ? 2.0 * kPi : -2.0 * kPi;  // end on start about a centre: a full turn
    double circ = 2.0 * kPi * r;
    double s = Clamp(circ / 180.0, 5.0, 0.25);
    double full = std::fabs(RoundHalfEven(circ / s));
    if (!(full <= kMaxArcPoints))
        throw CoreError::range("G-code line " + std::to_string(text_->LineNumber()) + ": arc needs too many points");
    if (full < 12.0) full = 12.0;
    std::int64_t n = static_cast<std::int64_t>(RoundHalfEven(std::fabs(full * w / (2.0 * kPi))));
    if (n < 3) n = 3;
    Budget.Need(static_cast<double>(n), "G-code", text_->LineNumber());
    double z = GcodePrevPoint.Z;
    for (std::int64_t i = 1; i < n; ++i) {
        double a = a1 + static_cast<double>(i) * w / static_cast<double>(n);
        AddGcodeVertex({c.X + r * std::cos(a), c.Y + r * std::sin(a), z});
    }
    AddGcodeVertex(GcodeTarget);
    f.Feed = Clamp(GcodeFeed, limits_.MaxWorkSpeed, limits_.MinFeed);
}

void GcodeReader::ReadFigure(tfigura& figure) {
    figure_ = &figure;
    figure.CutLength = 0.0;
    figure.RapidLength = 0.0;
    EndOfFigure = false;
    std::string words;
    while (!EndOfFigure && !EndOfFile) {
        if (!lineKept_) {
            std::string_view l;
            if (!text_->ReadLine(l)) {
                EndOfFile = true;
                break;
            }
            GcodeLine.assign(l);
        }
        lineKept_ = false;
        EndOfFile = text_->Exhausted();
        // The line is taken apart on a copy, so that a line that opens the next figure is read
        // again from scratch, with all its words.
        StripComments(GcodeLine, words);
        GcodeModeChanged = false;
        TakeGWords(words);
        double v = 0.0;
        bool arcWord = false;  // the line names an end point or a centre in the plane
        bool zWord = false;
        if (TakeGcodeWord('S', words, v) > 0) GcodePower = Clamp(v, limits_.PowerMax, limits_.PowerMin);
        if (TakeGcodeWord('X', words, v) > 0) GcodeTarget.X = v * GcodeUnitScale, arcWord = true;
        if (TakeGcodeWord('Y', words, v) > 0) GcodeTarget.Y = v * GcodeUnitScale, arcWord = true;
        if (TakeGcodeWord('Z', words, v) > 0) GcodeTarget.Z = v * GcodeUnitScale, zWord = true;
        if (TakeGcodeWord('I', words, v) > 0) GcodeCentre.X = v * GcodeUnitScale, arcWord = true;
        if (TakeGcodeWord('J', words, v) > 0) GcodeCentre.Y = v * GcodeUnitScale, arcWord = true;
        if (TakeGcodeWord('F', words, v) > 0)
            GcodeFeed = Clamp(v * GcodeUnitScale, limits_.MaxWorkSpeed, limits_.MinFeed);

        if (GcodeMode == 0 || GcodeMode == 1) {
            if (GcodeModeChanged && GcodePrevMode != 2 && GcodePrevMode != 3) {
                if (!figure.Contour.empty())
                    EndOfFigure = true;  // this line opens the next figure
                else
                    StartFigure(GcodeMode == 0);
            }
            if (!EndOfFigure) {
                AddGcodeVertex(GcodeTarget);
                figure.Feed = Clamp(GcodeFeed, limits_.MaxWorkSpeed, limits_.MinFeed);
            }
        } else if ((GcodeMode == 2 || GcodeMode == 3) && arcWord) {
            Arc();
        } else if ((GcodeMode == 2 || GcodeMode == 3) && zWord) {
            // Z alone names no point in the plane: the tool goes straight down or up.
            StraightInArcMode();
        }
        // A line of M, S or F words only, a comment or a blank line names no end point: in G2
        // or G3 it is no arc (taken as one, it would make a full circle nobody programmed).
        if (EndOfFigure) {
            lineKept_ = true;
        } else {
            GcodeLine.clear();
            GcodePrevPoint = GcodeTarget;
            GcodePrevMode = GcodeMode;
        }
    }
    if (lineKept_) EndOfFile = false;  // the kept line still has to open its figure
    CompleteReadFigure(figure);
    figure_ = nullptr;
}

}  // namespace vellisk
