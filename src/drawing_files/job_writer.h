#pragma once
// The writer of a saved project: the machine job file "out.cnx" (a bare sequence of binary
// controller commands, lower-case letters) or an HPGL text file, chosen by the save's output
// kind. One writer serves one save: OpenOutput (header), WriteLayerSettings / WriteFigure for
// every figure in cutting order, CloseOutput (trailer). Out-of-range values throw
// CoreError(Range) and failed writes CoreError(InputOutput); the save then ends and the sink
// keeps no file that looks complete.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "drawing_files/job_machine.h"
#include "drawing_files/job_sink.h"
#include "model/figure.h"
#include "model/geometry_types.h"
#include "settings/cut_heights.h"
#include "settings/settings.h"

namespace vellisk {

// The output kinds of the save dialog's filter list (its filter index).
enum JobOutputKind : int {
    OutputHpgl = 1,         // HPGL text export
    OutputStream = 4,       // machine job of an ordinary project
    OutputGcodeStream = 5,  // machine job of a G-code project
};

// Extents of the moves of the job being written (mm), read by the job start's checks.
struct JobExtents {
    tpunkt Min;
    tpunkt Max;
    // Before the first move: any move widens them.
    void Reset() {
        Max = {-2147483647.0, -2147483647.0, -2147483647.0};
        Min = {2147483647.0, 2147483647.0, 2147483647.0};
    }
    // Widened to take in the moves of `other` as well.
    void Take(const JobExtents& other) {
        Max = {std::max(Max.X, other.Max.X), std::max(Max.Y, other.Max.Y), std::max(Max.Z, other.Max.Z)};
        Min = {std::min(Min.X, other.Min.X), std::min(Min.Y, other.Min.Y), std::min(Min.Z, other.Min.Z)};
    }
};

// The settings a job is written with, taken when an output opens (once per job); the heights and
// passes are those the tool-path preparation reads.
struct JobWriterSettings : CutHeights {
    double TravelSpeed = 0.0;         // przespeed, mm/min
    double WorkSpeed = 0.0;           // WorkSpeed, mm/min
    double PolishSpeed = 0.0;         // Polerspeed, mm/min
    double WorkPower = 0.0;           // work_power, percent
    double PolishPower = 0.0;         // poler_power, percent
    bool LaserSoftStart = false;      // LaserMiekkiStart
    double LaserIdlePower = 0.0;      // SpoczynkowaMocLasera, percent
    double SpinUpTime = 0.0;          // CzasRozruchu, s
    bool FlyingStart = false;         // LotnyStart
    double LaserPulseTime = 0.0;      // CzasImpulsu, ms
    double AboveMaterial = 0.0;       // nadmat, mm
    double Scale = 0.0;               // skala, percent
    bool Smoothing = false;           // wygladzanie
    double DrillFeed = 0.0;           // wiercenie_posuw, mm/min
    double DrillRetract = 0.0;        // wiercenie_cofanie, mm/min
    double DrillPeck = 0.0;           // Skok_wiercenia, mm
    bool OilWhileCutting = false;     // PodczasCiecia
    bool OilWhileTravelling = false;  // PodczasPrzestawczych
    bool OilWhileDrilling = false;    // PodczasWiercenia
    bool OilBeforeDrilling = false;   // PrzedWierceniem
    bool AllInOneFigure = false;      // WszystkieWjednej, HPGL export: one pen for all
};
JobWriterSettings JobWriterSettingsOf(const Settings& settings);

// Lends figure k of a run, with its 3-D path, for the call `use`; may run for several figures at
// once.
using IndexLender = std::function<void(std::size_t k, const std::function<void(tfigura&)>& use)>;

class JobWriter {
public:
    // `machine` is read at every call, as it stands then; `settings` at OpenOutput.
    JobWriter(JobSink& sink, const JobMachine& machine, const Settings& settings);

    // Starts the output of a project of `fileKind` (drawing units) as `outputKind`; writes the
    // header of a machine job and resets the stream position and the extents for every kind.
    void OpenOutput(int fileKind, int outputKind);
    // Speed and power of the next figures of a laser layer project.
    void WriteLayerSettings(double speed, double power, double rest);
    // Writes one figure (its speed profile is built and freed here).
    void WriteFigure(tfigura& figure);
    // Writes `count` figures in order, each lent with its 3-D path by `lend` for its turn: the
    // bytes of WriteFigure one figure after the other. The commands of a large job are made a
    // batch of figures at a time on every core and joined in figure order.
    void WriteFigures(std::size_t count, const IndexLender& lend);
    // Writes the trailer of a machine job and stores the file.
    void CloseOutput();

    // The move from the stream position to (X, Y, Z) mm, with step-count factor k and speed
    // argument s; empty when it has no steps. Advances the stream position and the extents.
    std::string EncodeMoveTo(std::int32_t k, std::uint16_t s, double X, double Y, double Z);
    // The same move appended to `out`; false (nothing appended) when it has no steps.
    bool AppendMoveTo(std::string& out, std::int32_t k, std::uint16_t s, double X, double Y, double Z);

    const TIntPoint3D& StreamPosition() const { return position_; }
    double StreamStartZ() const { return streamStartZ_; }
    const JobExtents& Extents() const { return extents_; }
    const tpunkt& JobExtentMin() const { return extents_.Min; }
    const tpunkt& JobExtentMax() const { return extents_.Max; }
    int OutputKind() const { return outputKind_; }
    int FileKind() const { return fileKind_; }

private:
    struct FigureCommands;
    // A writer for a part of the figures of `whole`'s job, into its own sink.
    JobWriter(JobSink& sink, const JobWriter& whole);
    void MakeFigureCommands(tfigura& f, FigureCommands& made, std::string& room);
    void JoinFigureCommands(std::size_t k, FigureCommands& made, const IndexLender& lend);
    bool IsStream() const { return outputKind_ == OutputStream || outputKind_ == OutputGcodeStream; }
    std::int32_t TravelFactor() const;
    // Commands collect in the output buffer and go to the sink in large pieces; every public
    // call hands its commands over before it returns (or throws).
    void Emit(std::string_view bytes) { out_.append(bytes); }
    void HandOver();
    void HandOverSome() {
        if (out_.size() >= kHandOverSize) HandOver();
    }
    template <typename F>
    void Writing(F&& write);
    void Move(std::int32_t k, std::uint16_t s, double X, double Y, double Z);

    // Command builders (append to `out`).
    void AppendSpeed(std::string& out, int set, double feed, bool zFeed) const;
    static void AppendPower(std::string& out, int output, double value);
    static void AppendPause(std::string& out, int ms);
    static void AppendOutputs(std::string& out, int state, int output);
    static void AppendMode(std::string& out, int set);
    static void AppendSmoothing(std::string& out, int on);
    static void AppendSpeedIndex(std::string& out, std::uint16_t value);
    void AppendLubrication(std::string& out, bool on) const;

    void Pause(int ms);
    void Mode(int set);
    void Outputs(int state, int output);
    void Speed(int set, double feed, bool zFeed);
    void Packet(std::string_view text);
    void Lubrication(bool on);
    // Widens the job's extents by a point of the stream (in steps).
    void Extend(const TIntPoint3D& steps);

    double SafeZ() const;
    double MachineX(const tfigura& f, double x) const;
    double MachineY(const tfigura& f, double y) const;
    double MachineZ(double z) const;

    void WriteTrailer();
    void WriteStreamFigure(tfigura& f);
    void WriteGcodeFigure(tfigura& f);
    void WriteHpglFigure(const tfigura& f);
    void WriteDrilling(const tfigura& f, double X0, double Y0, double& Xe, double& Ye);
    void WriteContour(tfigura& f, double X0, double Y0, double& Xe, double& Ye);
    void WriteBezierPath(const tfigura& f, double& Xe, double& Ye);
    void WriteVertexPath(const tfigura& f, double rampLength, double& Xe, double& Ye);
    void WriteHpglPath(const std::vector<tpunkt>& path, std::int32_t layer, bool contour, bool skipRepeats);

    JobSink& sink_;
    const JobMachine& m_;
    const Settings& source_;
    JobWriterSettings settings_;
    int fileKind_ = KindHpgl;
    int outputKind_ = 0;
    std::int32_t currentPen_ = 0;
    TIntPoint3D position_;
    double streamStartZ_ = 0.0;
    JobExtents extents_;
    std::string cmd_;
    static constexpr std::size_t kHandOverSize = 1 << 16;
    std::string out_;
    // Where the next move's command goes, once it is asked for by markFirstMove_ (in the bytes
    // of the part writer of a batch: those handed to its sink and those still in out_).
    bool markFirstMove_ = false;
    std::size_t firstMoveAt_ = 0;
    std::size_t handedOver_ = 0;
};

}  // namespace vellisk
