#pragma once
// The bitmap burn of a laser machine: a grey picture burnt line by line in a worker thread so
// that the program stays alive. Before the thread starts, every raster line is worked out as one
// laser power byte per pixel (PrepareLines, on the GUI thread). For each line the thread sends
// the power bytes, moves to the line start on the left or the right, and sends the run-up, the
// raster move that fires the bytes and the run-out; the next line goes the other way unless
// one-way burning is set. Between lines it pauses when asked (the panel's STOP, the hold
// command, the machine's STOP key) and the control panel's display is refreshed on the GUI
// thread while the thread waits.
//
// The burn ends on the first command the link could not deliver, on a status that does not
// come, and when the active link changes (the controller gone, or another connection in its
// place): a raster line shifted by one missing command is spoilt, and a new connection has not
// had the burn's start. It then sends nothing more and says so once, on the GUI thread, only
// while the burn has not been ended from there (closing the window says nothing more).
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing_window/raster_project.h"
#include "platform/worker_thread.h"

namespace vellisk {

class MachineContext;
class CommandLayer;
struct ProgramEnvironment;
class JobPanel;
struct tplotparams;

// One raster line: a power byte per pixel (the two leading values are always 0).
struct tLinia {
    std::int32_t Reserved1 = 0, Reserved2 = 0;
    std::vector<std::uint8_t> Power;
};

// The commands of one line, as they go out: `data` before the controller's busy wait ("SBD"
// with the packet count, then the power bytes in packets of up to 15), `moves` after the move
// to the line start ("F"#1, "SA" + run-up factor, run-up, "SBS", raster, run-out).
struct BurnLineCommands {
    std::vector<std::string> data;
    std::vector<std::string> moves;
};

// What one line's moves need: steps of the picture width and of half a pitch, the run-up in X
// steps, the Y feed of the run-out, and the machine's multiplier and run-up factor.
struct BurnLineGeometry {
    std::int32_t WidthSteps = 0;
    std::int32_t HalfPitchSteps = 0;
    std::int32_t RunUpSteps = 0;
    std::int32_t FeedSteps = 0;
    std::int32_t Multiplier = 1;
    std::int32_t RunUpFactor = 0;
    std::int32_t PixelsPerLine = 0;
};

BurnLineCommands BuildBurnLine(const tLinia& line, bool forward, const BurnLineGeometry& g);

// Run-up in X motor steps for a work-speed timer value of the machine in force: the ramp index
// of the timer (per multiplier) times the run-up factor plus one.
std::int32_t RunUpSteps(const MachineContext& ctx, std::int32_t timer);
// The run-up in mm.
double RunUpDistance(const MachineContext& ctx, std::int32_t timer);

// The laser's idle power as a byte: round(percent x 255 / 100), held to 0..255.
std::uint8_t IdlePowerByte(double percent);

class tBMPThread : public WorkerThread {
public:
    static constexpr std::int32_t kMaxPixelsPerLine = 16380;
    static constexpr std::size_t kPacketBytes = 15;

    // `panel` (may be null) is refreshed on the GUI thread through the dispatcher.
    tBMPThread(MachineContext& ctx, const ProgramEnvironment& env, CommandLayer& layer, JobPanel* panel);
    ~tBMPThread() override;

    // --- filled by the burn command before PrepareLines ---
    const RasterPicture* Child = nullptr;  // the picture burnt (read only by PrepareLines)
    double HeightMm = 0.0, WidthMm = 0.0;
    double BlackPower = 0.0, WhitePower = 0.0;  // % for grey 0 and 255
    double Pitch = 0.0;                         // line and pixel pitch, mm
    bool OneWay = false;                        // every line left to right
    double IdlePower = 0.0;                     // laser idle power, %
    double StartZ = 0.0;                        // the job's start height, mm

    // --- worked out by PrepareLines ---
    std::vector<tLinia> Lines;
    std::int32_t LineCount = 0;
    std::int32_t PixelsPerLine = 0;

    // The burn ended because the link failed (one message was given).
    bool LinkLost() const { return linkLost_.load(); }

    // Builds the lines from the picture. A pitch that is not positive, a missing picture or a
    // power outside the byte range throws CoreError(Range) and leaves no lines.
    void PrepareLines();
    double SamplePixelPower(std::int32_t i, std::int32_t l) const;
    void FreeLines() { Lines.clear(); }

protected:
    void Execute() override;

private:
    // Sends one command; false (and the burn is over) when it did not reach the machine.
    bool Send(const std::string& command);
    // A status read; false (and the burn is over) when the controller did not answer.
    bool ReadStatus();
    // Waits for idle; false when the wait did not end idle (the burn is over).
    bool WaitIdle();
    // The link failed: nothing more is sent; one message on the GUI thread.
    void Fail();
    void RefreshPanel();
    void EndSequence();

    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    CommandLayer& layer_;
    JobPanel* panel_;
    double base_ = 0.0, slope_ = 0.0;
    const void* link_ = nullptr;  // the link the burn started on
    std::atomic<bool> linkLost_{false};
};

}  // namespace vellisk
