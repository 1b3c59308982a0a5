#include "drawing_files/hpgl.h"

#include <cerrno>
#include <cstdio>
#include <charconv>
#include <cmath>
#include <exception>

#include "drawing_files/dxf_reader.h"
#include "model/core_error.h"
#include "model/geometry.h"
#include "model/numeric.h"
#include "settings/number_text.h"

namespace vellisk {

namespace {

// A number token longer than this is no number any plotter writes; it is refused rather than
// kept growing.
constexpr std::size_t kMaxNumberToken = 64;

inline bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; }
inline char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Shown(const std::string& token) { return token.size() > 20 ? token.substr(0, 20) + "..." : token; }

std::string ShownNumber(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", v);  // digits and '.', whatever the locale
    return buf;
}

}  // namespace

Thpgl::Thpgl() = default;
Thpgl::~Thpgl() = default;

void Thpgl::Reset(std::int32_t kind, const DrawingReaderSettings& settings) {
    CloseInput();
    settings_ = settings;
    FileKind = kind;
    openError_.clear();
    closedWarnings_.clear();
    closedGcodePower_ = 0.0;
    CurrentChar = ' ';
    Mnemonic.clear();
    NumberToken = MnemonicToken = false;
    CurrentPoint = PreviousPoint = LastPosition = LastVertex = tpunkt{};
    Param1 = Param2 = 0.0;
    ParamCount = 0;
    Token.clear();
    PenDown = RelativeMode = false;
    CurrentPen = 0;
    CodeParity = 0;
    EndOfFile = EndOfFigure = false;
    atEnd_ = false;
    labelTerminator_ = '\x03';
    pendingError_.reset();
    hpglLine_ = tokenLine_ = commandLine_ = 1;
    prevCr_ = false;
}

int Thpgl::OpenInput(const std::filesystem::path& path, std::int32_t kind) { return OpenInput(path, kind, settings_); }

int Thpgl::OpenInput(const std::filesystem::path& path, std::int32_t kind, const DrawingReaderSettings& settings) {
    Reset(kind, settings);
    if (kind != KindHpgl && kind != KindDxf && kind != KindGcode) {
        openError_ = "No drawing reader for this kind of file: " + path.filename().string();
        EndOfFile = true;
        return EINVAL;
    }
    int rc = text_.Open(path, &openError_, settings.chunkBytes);
    if (rc != 0) {
        EndOfFile = true;
        return rc == kFileInUse ? kOpenFailed : rc;  // never mistaken for "used by another program"
    }
    try {
        StartReaders();
    } catch (const std::exception& e) {
        openError_ = e.what();
        text_.Close();
        EndOfFile = true;
        return kOpenFailed;
    }
    return 0;
}

void Thpgl::OpenText(std::string bytes, std::int32_t kind, const DrawingReaderSettings& settings) {
    Reset(kind, settings);
    text_ = DrawingText(std::move(bytes));
    StartReaders();
}

void Thpgl::StartReaders() {
    switch (FileKind) {
        case KindHpgl:
            hpglBudget_ = PointBudget(settings_.pointBudget);
            NextHpglChar();
            Mnemonic.clear();
            RelativeMode = false;
            Token.clear();
            CurrentPoint.X = CurrentPoint.Y = 0.0;
            LastPosition = PreviousPoint = CurrentPoint;
            CurrentPen = 0;
            EndOfFile = atEnd_;
            break;
        case KindDxf:
            dxf_ = std::make_unique<DxfReader>(&text_);
            dxf_->Budget = PointBudget(settings_.pointBudget);
            CurrentPen = 0;
            CodeParity = 1;
            EndOfFile = text_.Exhausted();
            break;
        case KindGcode:
            gcode_ = std::make_unique<GcodeReader>(&text_, settings_.gcode);
            gcode_->Budget = PointBudget(settings_.pointBudget);
            EndOfFile = text_.Exhausted();
            break;
        default: EndOfFile = true; break;
    }
    ClearPens();
}

void Thpgl::CloseInput() {
    if (dxf_) closedWarnings_ = dxf_->Warnings;
    if (gcode_) closedGcodePower_ = gcode_->GcodePower;
    dxf_.reset();
    gcode_.reset();
    text_.Close();
    atEnd_ = true;
}

void Thpgl::ClearPens() { PenTable.fill(TPenEntry{}); }

std::int64_t Thpgl::LineNumber() const { return FileKind == KindHpgl ? hpglLine_ : text_.LineNumber(); }

std::vector<std::string> Thpgl::Warnings() const { return dxf_ ? dxf_->Warnings : closedWarnings_; }

// ---- line readers ----------------------------------------------------------------------------

void Thpgl::ReadLine(std::string& text) {
    CodeParity = static_cast<std::uint8_t>(1 - CodeParity);
    std::string_view line;
    text_.ReadLine(line);
    text.assign(line);
}

bool Thpgl::ReadValueLine(std::string& text) {
    ReadLine(text);
    // A last line that the end of the file cut off, or an empty one, leaves the value.
    if (!text_.LastLineTerminated()) return false;
    text.assign(TrimBlanks(text));
    return !text.empty();
}

void Thpgl::FailLine(const std::string& text, const char* what) const {
    throw CoreError::conversion("line " + std::to_string(text_.LineNumber()) + ": \"" + Shown(text) + "\" " + what);
}

void Thpgl::ReadRealLine(double& value) {
    std::string text;
    if (ReadValueLine(text) && !ParseDrawingReal(text, value)) FailLine(text, "is not a number");
}

void Thpgl::ReadIntLine(std::int32_t& value) {
    std::string text;
    if (ReadValueLine(text) && !ParseDrawingInt(text, value)) FailLine(text, "is not an integer");
}

// ---- reading a figure --------------------------------------------------------------------------

void Thpgl::ReadFigure(tfigura& figure) {
    if (FileKind == KindHpgl) {
        ReadHpglFigure(figure);
    } else if (dxf_) {
        dxf_->ReadFigure(figure);
        EndOfFile = dxf_->EndOfFile;
        EndOfFigure = dxf_->EndOfFigure;
        CurrentPen = dxf_->CurrentPen;
        CodeParity = dxf_->CodeParity;
    } else if (gcode_) {
        gcode_->ReadFigure(figure);
        EndOfFile = gcode_->EndOfFile;
        EndOfFigure = gcode_->EndOfFigure;
        LastVertex = gcode_->LastVertex;
    } else {
        // Nothing open to read from (closed, or a kind without a reader).
        EndOfFile = true;
        CompleteReadFigure(figure);
    }
}

// ---- HPGL ------------------------------------------------------------------------------------

void Thpgl::FailHpgl(const std::string& what) const {
    throw CoreError::conversion("HPGL line " + std::to_string(hpglLine_) + ": " + what);
}

void Thpgl::NextHpglChar() {
    char c;
    if (!text_.GetChar(c)) {
        atEnd_ = true;
        CurrentChar = ' ';
        return;
    }
    // Lines are counted for messages: a CR, an LF or a CR LF pair ends one.
    if (c == '\n') {
        if (!prevCr_) ++hpglLine_;
        prevCr_ = false;
    } else if (c == '\r') {
        ++hpglLine_;
        prevCr_ = true;
    } else {
        prevCr_ = false;
    }
    CurrentChar = Upper(c);
}

void Thpgl::NextHpglToken() {
    NumberToken = false;
    MnemonicToken = false;
    tokenLine_ = hpglLine_;
    const char c = CurrentChar;
    if (IsLetter(c)) {
        // One or two letters; a third starts the next token (PDPU is PD then PU).
        Token.assign(1, c);
        MnemonicToken = true;
        NextHpglChar();
        if (!atEnd_ && IsLetter(CurrentChar)) {
            Token.push_back(CurrentChar);
            NextHpglChar();
        }
        if (Token == "LB") {
            // A label's text is lettering, not commands: it runs to the label terminator.
            while (!atEnd_ && CurrentChar != labelTerminator_) NextHpglChar();
            if (!atEnd_) NextHpglChar();
        } else if (Token == "DT") {
            // DT sets the label terminator to the character after it; DT alone restores ETX.
            if (atEnd_ || CurrentChar == ';') {
                labelTerminator_ = '\x03';
            } else {
                labelTerminator_ = CurrentChar;
                NextHpglChar();
            }
        }
    } else if (IsNumberChar(c)) {
        Token.assign(1, c);
        NumberToken = true;
        NextHpglChar();
        while (!atEnd_ && IsNumberChar(CurrentChar)) {
            if (Token.size() <= kMaxNumberToken) Token.push_back(CurrentChar);
            NextHpglChar();
        }
        if (Token.size() == 1 && Token[0] == '.') NumberToken = false;
    } else {
        NextHpglChar();  // a separator: ';', ',', blanks, line ends, anything else
    }
}

void Thpgl::SkipToHpglToken() {
    do {
        NextHpglToken();
    } while (!MnemonicToken && !NumberToken && !atEnd_);
}

double Thpgl::TokenAsNumber() const {
    // An optional sign, digits and at most one decimal point. Plotters and HPGL/2 programs write
    // decimals in any parameter (SR1.042,1.953; PA10.5,20.25), so a decimal point is fine; a
    // stray sign or a second point is a malformed number.
    if (Token == ".") return 0.0;
    if (Token.size() > kMaxNumberToken) FailHpgl("\"" + Shown(Token) + "\" is too long for a number");
    auto v = ParseNumberText(Token, '.');
    if (!v) FailHpgl("\"" + Shown(Token) + "\" is not a number");
    return *v;
}

void Thpgl::ParseHpglCommand() {
    // Only the parameters are read here; what they mean (a point, a pen, a width) is the
    // command's affair when it is carried out.
    ParamCount = 0;
    if (MnemonicToken) {
        Mnemonic = Token.substr(0, 2);
        commandLine_ = tokenLine_;
        SkipToHpglToken();
        if (!NumberToken) return;
        Param1 = FirstParameter();
    } else if (NumberToken) {
        // A further coordinate pair of the command in force.
        commandLine_ = tokenLine_;
        Param1 = TokenAsNumber();
    } else {
        SkipToHpglToken();
        return;
    }
    ParamCount = 1;
    SkipToHpglToken();
    if (!NumberToken) return;
    Param2 = TokenAsNumber();
    ParamCount = 2;
    SkipToHpglToken();
}

double Thpgl::FirstParameter() const {
    // The first parameter after a mnemonic is a decimal number. A token that is not one as a
    // whole (1-2) gives the number at its start, or 0 when none stands there.
    if (Token.size() > kMaxNumberToken) FailHpgl("\"" + Shown(Token) + "\" is not a number");
    const char* first = Token.data();
    const char* last = first + Token.size();
    bool negative = false;
    if (*first == '+' || *first == '-') {
        negative = *first == '-';
        ++first;
    }
    double v = 0.0;
    if (first < last && *first != '+' && *first != '-') {
        auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::fixed);
        if (ec == std::errc::result_out_of_range) FailHpgl("\"" + Shown(Token) + "\" is too large");
        if (ec != std::errc()) v = 0.0;
    }
    return negative ? -v : v;
}

void Thpgl::FailCommand(CoreError::Kind kind, const std::string& what) const {
    throw CoreError(kind, "HPGL line " + std::to_string(commandLine_) + ": " + what);
}

std::int32_t Thpgl::PenNumber(double value, const char* of) const {
    const double r = RoundHalfEven(value);
    if (!(r >= 0.0 && r < kPenCount))
        FailCommand(CoreError::Kind::Range, "pen " + ShownNumber(r) + " " + of + " is outside 0..1024");
    return static_cast<std::int32_t>(r);
}

double Thpgl::PenDepth(const char* where) const {
    if (CurrentPen < 0 || CurrentPen >= kPenCount)
        FailCommand(CoreError::Kind::Range, "pen " + std::to_string(CurrentPen) + " " + where + " is outside 0..1024");
    return PenTable[static_cast<std::size_t>(CurrentPen)].Depth;
}

void Thpgl::TakeTarget(bool relative) {
    PreviousPoint = LastPosition;
    CurrentPoint = LastPosition;
    if (ParamCount < 2) return;
    CurrentPoint.X = relative ? LastPosition.X + Param1 : Param1;
    CurrentPoint.Y = relative ? LastPosition.Y + Param2 : Param2;
}

void Thpgl::Append(tfigura& f, const tpunkt& p) {
    hpglBudget_.Take(1.0, "HPGL", commandLine_);
    f.Contour.push_back(p);
}

void Thpgl::DrawTo(tfigura& f) {
    auto& contour = f.Contour;
    if (!PenDown) {
        f.Layer = CurrentPen;
        f.Value = PenDepth("putting the pen down");
        Append(f, PreviousPoint);
    }
    PenDown = true;
    const std::size_t n = contour.size();
    const bool backToFirstOfTwo = n == 2 && SamePoint(CurrentPoint, contour[0]);
    const bool onLast = n > 0 && SamePoint(CurrentPoint, contour.back());
    if (!backToFirstOfTwo && !onLast) Append(f, CurrentPoint);
    LastPosition = CurrentPoint;
}

void Thpgl::ExecuteHpglCommand(tfigura& f) {
    const std::string& m = Mnemonic;
    if (m.empty()) return;
    auto& contour = f.Contour;
    if (m == "PA" || m == "PR" || m == "PD" || m == "PU") {
        // Absolute and relative mode are modal, as on a plotter: PR switches to relative
        // coordinates, PA back to absolute, and PU and PD keep the mode in force.
        if (m == "PA") RelativeMode = false;
        if (m == "PR") RelativeMode = true;
        TakeTarget(RelativeMode);
        if (m == "PD" || (m != "PU" && PenDown)) {
            DrawTo(f);
        } else {
            LastPosition = CurrentPoint;
            if (m == "PU" && PenDown) {
                PenDown = false;
                EndOfFigure = true;
                f.Layer = CurrentPen;
                f.Value = PenDepth("lifting the pen");
            }
        }
    } else if (m == "PW") {
        // PW width,pen sets one pen; PW width every pen; PW alone the default width 0.35 mm.
        const double depth = (ParamCount == 0 ? 0.35 : Param1) * settings_.mnoznikZ;
        if (ParamCount == 2)
            PenTable[static_cast<std::size_t>(PenNumber(Param2, "of PW"))].Depth = depth;
        else
            for (TPenEntry& pen : PenTable) pen.Depth = depth;
    } else if (m == "SP") {
        if (ParamCount == 0) {
            CurrentPen = 0;
        } else {
            const double r = RoundHalfEven(Param1);
            if (!(std::fabs(r) <= 2147483647.0))
                FailCommand(CoreError::Kind::Range, "pen number " + ShownNumber(Param1) + " is out of range");
            CurrentPen = static_cast<std::int32_t>(r);
        }
        if (PenDown) EndOfFigure = true;
    } else if (m == "C") {
        // The dialect's C and M take absolute pairs.
        TakeTarget(false);
        if (!PenDown && (contour.empty() || !SamePoint(LastPosition, contour.back()))) Append(f, LastPosition);
        PenDown = true;
        if (!contour.empty() && !SamePoint(LastPosition, contour.back())) Append(f, CurrentPoint);
        LastPosition = CurrentPoint;
    } else if (m == "M") {
        TakeTarget(false);
        if (PenDown) {
            PenDown = false;
            EndOfFigure = true;
        }
        LastPosition = CurrentPoint;
    }
    // IN, IP, SC, LT, LB and every other mnemonic: no effect, the pen stays where it is.
}

void Thpgl::ReadHpglFigure(tfigura& f) {
    if (pendingError_) {
        // The fault met while looking ahead past the end of the previous figure.
        CoreError e = *pendingError_;
        pendingError_.reset();
        EndOfFile = true;
        throw e;
    }
    f.Layer = CurrentPen;
    EndOfFigure = false;
    PenDown = false;  // every figure starts with the pen up
    for (;;) {
        // The command read last is carried out first: at the start of the next figure when it
        // was read as the previous one ended, and also when it is the last of the file.
        ExecuteHpglCommand(f);
        if (NoMoreCommands()) {
            EndOfFile = true;
            break;
        }
        try {
            ParseHpglCommand();
        } catch (const CoreError& e) {
            if (!EndOfFigure) throw;
            // The figure is complete: it is given now, and the fault with the next call.
            pendingError_ = e;
            break;
        }
        if (EndOfFigure) break;
    }
    CompleteReadFigure(f);
}

}  // namespace vellisk
