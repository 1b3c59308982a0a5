#pragma once
// The drawing reader: turns an HPGL, DXF R12 or G-code file into figures one figure at a time,
// reading the file in chunks (memory grows with the largest figure, not with the file).
//
//   Thpgl reader;
//   if (int rc = reader.OpenInput(path, kind); rc != 0) { ...report, stop... }
//   while (!reader.EndOfFile) { tfigura f; reader.ReadFigure(f); if (f.Valid) keep(f); }
//   reader.CloseInput();
//
// HPGL coordinates are taken as they stand (plotter units, 40 per mm); DXF and G-code are read
// by their own readers over the same line source. A malformed file throws CoreError out of
// ReadFigure (conversion or range, naming the line); the figures read before it stand.
#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drawing_files/drawing_text.h"
#include "drawing_files/gcode_reader.h"
#include "model/core_error.h"
#include "model/figure.h"
#include "model/geometry_types.h"

namespace vellisk {

class DxfReader;

// The settings the reader needs, taken when the file is opened.
struct DrawingReaderSettings {
    double mnoznikZ = 1.0;       // HPGL: pen depth multiplier (PW's width times this)
    GcodeLimits gcode;           // G-code: the machine's feed and power ranges
    std::size_t chunkBytes = 0;  // bytes read from the file at a time; 0 the usual chunk
    double pointBudget = 0.0;    // points the whole load may produce; 0 the usual budget
};

// One pen of the HPGL pen table.
struct TPenEntry {
    double Reserved = 0.0;
    double Depth = 0.0;  // depth of the pen's layer in mm, set by PW
};

class Thpgl {
public:
    static constexpr std::int32_t kPenCount = 1025;  // pens 0..1024
    // OpenInput's result when the file cannot be opened and the system gives no reason.
    static constexpr int kOpenFailed = 5;
    // The result that means "the file is used by another program" (kept apart from any
    // system error number).
    static constexpr int kFileInUse = 32;

    Thpgl();
    ~Thpgl();
    Thpgl(const Thpgl&) = delete;
    Thpgl& operator=(const Thpgl&) = delete;

    // Opens a drawing of the project kind (1 HPGL, 2 DXF, 3 G-code) and clears the pen table.
    // Returns 0, or non-zero when the file cannot be opened (OpenError() says why); never
    // throws for that.
    int OpenInput(const std::filesystem::path& path, std::int32_t kind);
    int OpenInput(const std::filesystem::path& path, std::int32_t kind, const DrawingReaderSettings& settings);
    // Reads a drawing held in memory (tests, tools).
    void OpenText(std::string bytes, std::int32_t kind, const DrawingReaderSettings& settings = {});
    // Fills the given fresh figure with the next figure of the file and completes it; it may be
    // left empty (Valid false). Sets EndOfFile when the file is used up.
    void ReadFigure(tfigura& figure);
    void CloseInput();

    // Line readers shared by the formats. ReadLine toggles CodeParity; a line end is a CR, an LF
    // or a CR LF pair. ReadRealLine accepts '.' or ',' as the decimal point; both leave the
    // value alone for an empty line or a last line cut off by the end of the file, and throw
    // CoreError(Conversion) for a malformed number.
    void ReadLine(std::string& text);
    void ReadRealLine(double& value);
    void ReadIntLine(std::int32_t& value);

    // Clears both reals of every pen.
    void ClearPens();

    const std::string& OpenError() const { return openError_; }
    // Number of the line in hand (from 1), for messages.
    std::int64_t LineNumber() const;
    // Entities the DXF reader left out, with the reason.
    std::vector<std::string> Warnings() const;
    // G-code: the laser power the program asked for (0 for other kinds; kept when closed).
    double GcodePower() const { return gcode_ ? gcode_->GcodePower : closedGcodePower_; }

    // ---- state (HPGL unless said otherwise) ----
    char CurrentChar = ' ';  // current character, upper-cased; a space at the end
    std::string Mnemonic;    // mnemonic of the command in force
    bool NumberToken = false;
    bool MnemonicToken = false;
    tpunkt CurrentPoint;   // where the command being carried out takes the pen
    tpunkt PreviousPoint;  // where the pen stood before that command
    tpunkt LastPosition;   // the pen's position: left by the last PA, PR, PU, PD, C or M
    double Param1 = 0.0;
    double Param2 = 0.0;
    std::int32_t ParamCount = 0;
    std::string Token;
    bool PenDown = false;
    bool RelativeMode = false;    // PR in force (until PA): pairs are offsets from the pen
    std::int32_t CurrentPen = 0;  // HPGL pen; DXF colour number
    std::int32_t FileKind = 0;
    tpunkt LastVertex;            // G-code: last vertex appended
    std::uint8_t CodeParity = 0;  // DXF: 0 after a group-code line, 1 after a value line
    std::array<TPenEntry, kPenCount> PenTable{};
    bool EndOfFile = false;
    bool EndOfFigure = false;

private:
    void Reset(std::int32_t kind, const DrawingReaderSettings& settings);
    void StartReaders();
    bool ReadValueLine(std::string& text);
    [[noreturn]] void FailLine(const std::string& text, const char* what) const;

    // HPGL
    void ReadHpglFigure(tfigura& figure);
    void NextHpglChar();
    void NextHpglToken();
    void SkipToHpglToken();
    void ParseHpglCommand();
    void ExecuteHpglCommand(tfigura& figure);
    // The command's target: its pair, measured from the pen in relative mode; no pair: the pen
    // stays where it is.
    void TakeTarget(bool relative);
    void DrawTo(tfigura& figure);
    void Append(tfigura& figure, const tpunkt& p);
    double PenDepth(const char* where) const;
    std::int32_t PenNumber(double value, const char* of) const;
    [[noreturn]] void FailCommand(CoreError::Kind kind, const std::string& what) const;
    double TokenAsNumber() const;
    double FirstParameter() const;
    [[noreturn]] void FailHpgl(const std::string& what) const;
    bool NoMoreCommands() const { return atEnd_ && !MnemonicToken && !NumberToken; }

    DrawingText text_;
    DrawingReaderSettings settings_;
    std::unique_ptr<DxfReader> dxf_;
    std::unique_ptr<GcodeReader> gcode_;
    std::string openError_;
    // What the DXF and G-code readers leave for the caller, kept when the file is closed.
    std::vector<std::string> closedWarnings_;
    double closedGcodePower_ = 0.0;
    bool atEnd_ = true;                      // HPGL: every character has been read
    std::int64_t hpglLine_ = 1;              // HPGL: line of the current character
    std::int64_t tokenLine_ = 1;             // HPGL: line where the current token starts
    std::int64_t commandLine_ = 1;           // HPGL: line where the command in force was written
    bool prevCr_ = false;                    // HPGL: the last character was a CR
    char labelTerminator_ = '\x03';          // HPGL: end of a label's text (ETX unless DT sets it)
    std::optional<CoreError> pendingError_;  // HPGL: fault found after the last figure ended
    PointBudget hpglBudget_;                 // HPGL: the points the whole load may produce
};

}  // namespace vellisk
