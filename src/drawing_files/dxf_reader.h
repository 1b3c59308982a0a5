#pragma once
// Reading an ASCII DXF (R12 entities) figure by figure: lines in pairs of group code and value;
// after the ENTITIES marker each known entity (LINE, ARC, CIRCLE, ELLIPSE, SPLINE, POLYLINE,
// LWPOLYLINE) becomes one figure, with arcs, circles, ellipses, bulges and splines flattened into
// points. Values are millimetres (or inches when $LTSCALE marks an inch drawing); points are
// stored in drawing units (100 per mm). The colour number is the figure's layer.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drawing_files/drawing_text.h"
#include "drawing_files/ocs_to_wcs.h"
#include "model/curves.h"
#include "model/figure.h"

namespace vellisk {

class DxfReader {
public:
    // Upper bound of the points one entity may produce; a larger one is an error, not a hang.
    static constexpr double kMaxEntityPoints = 4.0e6;

    explicit DxfReader(DrawingText text);
    // Reads from a text that the caller owns and keeps alive while the reader is used.
    explicit DxfReader(DrawingText* shared);

    // Reads the next figure into `figure` (a fresh one); sets EndOfFile when the text is used
    // up. Throws CoreError (conversion or range) naming the line when the file is malformed.
    void ReadFigure(tfigura& figure);

    bool EndOfFile = false;
    bool EndOfFigure = false;
    std::int32_t CurrentPen = 0;
    std::uint8_t CodeParity = 1;
    bool DxfEntitiesFound = false;
    double DxfLtScale = 1.0;
    // Entities left out with a reason the operator should hear of (a broken spline, ...).
    std::vector<std::string> Warnings;
    PointBudget Budget;  // the points the whole load may produce

    std::int64_t LineNumber() const { return text_->LineNumber(); }

private:
    struct Vertex {
        double x = 0, y = 0, z = 0;
        double bulge = 0;
        bool hasBulge = false;
        std::int32_t flags = 0;
    };

    bool NextLine();
    void ReadRealLine(double& value);
    void ReadIntLine(std::int32_t& value);
    void ReadDxfColour();
    // A group whose value is a number kept in `value`.
    struct NumberGroup {
        int code;
        double* value;
    };
    // Reads the value of group `code` when it is the colour (62) or one of `groups`; false when
    // it is neither, so that the caller passes it over.
    bool ReadNumberGroup(int code, std::initializer_list<NumberGroup> groups);
    // Walks the group pairs of one entity up to its closing group code 0 (left as the current
    // line). `handle` gets each code and may read its value; a value it leaves is passed over.
    // With `haveCode` the current line already is the first group code.
    template <typename Handler>
    void ScanGroups(Handler&& handle, bool haveCode = false);
    // Walks an entity whose groups of interest are all numbers (and its colour).
    void ScanNumberGroups(std::initializer_list<NumberGroup> groups);
    [[noreturn]] void Fail(const std::string& what) const;

    void AddPoint3D(double x, double y, double z);
    // Flattening goes to the scratch list `pts_` (file units, object coordinates) first.
    void Emit(double x, double y, double z) { pts_.push_back({x, y, z}); }
    void AddArc(double cx, double cy, double z, const tpunkt* start = nullptr, const tpunkt* end = nullptr);
    void AddBulgeArc(const Vertex& a, const Vertex& b);
    void AddSplineFitSpan(const std::vector<tpunkt>& v, int a, int from, int to);
    std::int64_t PointCount(double value, const char* what) const;
    void FlushPoints(TConvOCS2WCS* conv);

    void ReadLineEntity();
    void ReadCircle();
    void ReadArc();
    void ReadEllipse();
    void ReadSpline();
    void ReadPolyline(bool lightweight);

    std::unique_ptr<DrawingText> owned_;  // the text when the reader has its own
    DrawingText* text_ = nullptr;         // the text read (its own or a shared one)
    std::string_view line_;
    tfigura* figure_ = nullptr;
    bool codeZero_ = false;     // the last group code line read was 0
    bool nameAllowed_ = false;  // the current line is the value of a group code 0
    bool reuseLine_ = false;    // the entity loop looks at the current line again
    bool cutOff_ = false;       // the text ended inside the entity being read
    tpunkt last_;
    // Arc in hand for AddArc.
    double arcR_ = 0, arcA0_ = 0, arcA1_ = 0, arcW_ = 0;
    std::vector<tpunkt> pts_;
    CurveState curve_;
};

}  // namespace vellisk
