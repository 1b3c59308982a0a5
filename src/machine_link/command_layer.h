#pragma once
// The command layer: the one door to the machine. Every command goes out through SendCommand,
// which picks the active link from the machine context (the parallel port unless ArmLink;
// Ethernet when ArmLink and EthernetConnected; USB otherwise), and the readers fill the machine
// state (ctx.PlotState and the working area) from the controller's replies: reply bytes on the
// parallel port, indexed strings on USB, the status record on Ethernet. On top of these: the
// wait until the machine is idle, the go-to relative to the base point and the jog to the edge of
// the working area.
//
// A link that is not there behaves like a controller that does not answer. A controller that
// stops answering ends every wait with the "No communication with the plotter" message (or
// silently for PollStatus), never with a hang; commands that wait show the hourglass and restore
// the cursor on every way out.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "machine_link/commands.h"
#include "machine_link/job_values.h"
#include "machine_link/machine_context.h"
#include "machine_link/transport.h"
#include "model/program_environment.h"
#include "platform/clock.h"
#include "platform/notifier.h"

namespace vellisk {

// Status byte bits.
inline constexpr std::uint16_t kStatusBusy = 0x01;
inline constexpr std::uint16_t kStatusRunningFromMemory = 0x02;
inline constexpr std::uint16_t kStatusSpindleOn = 0x04;
inline constexpr std::uint16_t kStatusNotReady = 0x08;
inline constexpr std::uint16_t kStatusJobStored = 0x20;
// Bits of the whole status word of the newer controller (its second byte).
inline constexpr std::int32_t kRawBufferFull = 0x0200;
inline constexpr std::int32_t kRawPauseRequested = 0x1000;
// The machine's keys in the key byte: START, STOP, continue, and the overload that comes with STOP.
inline constexpr std::uint8_t kMachineKeyStart = 0x08, kMachineKeyStop = 0x10, kMachineKeyContinue = 0x20,
                              kMachineKeyOverTorque = 0x40;
inline constexpr std::uint8_t kMachineKeyBits = 0x78;

// Windows-style virtual key codes of the jog keys.
inline constexpr std::uint16_t kKeyPageUp = 33, kKeyPageDown = 34, kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39,
                               kKeyDown = 40, kKeyNumpad1 = 97, kKeyNumpad2 = 98, kKeyNumpad3 = 99, kKeyNumpad4 = 100,
                               kKeyNumpad5 = 101, kKeyNumpad6 = 102, kKeyNumpad7 = 103, kKeyNumpad8 = 104,
                               kKeyNumpad9 = 105;
// The panel's other keys: Ctrl (fine speed), Insert and keypad 0 (spindle or laser pulse),
// keypad + and - (speed).
inline constexpr std::uint16_t kKeyCtrl = 17, kKeyInsert = 45, kKeyNumpad0 = 96, kKeyNumpadPlus = 107,
                               kKeyNumpadMinus = 109;

// How a wait for the machine ended. Every caller says what it does when the machine did not
// reach idle: the wait may end because the controller stopped answering or its link went away
// (the message has been shown, unless the thread asked for quiet), because the operator or the
// caller's stop token ended it, or because its time limit ran out.
struct [[nodiscard]] WaitResult {
    enum Kind { Idle, NoAnswer, LinkGone, Stopped, TimeLimit } kind = Idle;
    explicit operator bool() const { return kind == Idle; }
    // Stopped, out of time or without its link: the machine may still move, and the caller
    // sends nothing more of its sequence. (A controller that did not answer has been reported
    // and reads idle; callers go on as the link allows.)
    bool Interrupted() const { return kind == LinkGone || kind == Stopped || kind == TimeLimit; }
};

// How a go-to ended. Arrived: the machine is at the point. Missed: it did not go (busy, running
// a job from its memory, no answer) or did not arrive. Stopped: a wait on the way was stopped
// (STOP, the caller's stop token) or lost its link; the machine may still be moving.
struct [[nodiscard]] MoveResult {
    enum Kind { Arrived, Missed, Stopped } kind = Arrived;
    explicit operator bool() const { return kind == Arrived; }
};

class CommandLayer {
public:
    // `env` gives the texts of its messages; `job` the start height a go-to lifts to first.
    CommandLayer(MachineContext& ctx, const ProgramEnvironment& env, const JobValues& job, Notifier& notifier,
                 Clock& clock = DefaultClock());

    // The links; any may be absent (null). The layer does not own them.
    void SetParallelPort(Transport* t) { lpt_ = t; }
    void SetUsb(Transport* t) { usb_ = t; }
    void SetEthernet(Transport* t) { eth_ = t; }
    // The link in force now (a stand-in that never answers when that link is absent).
    Transport& Active();

    // Sends one command over the active link; an empty command sends nothing. Returns the link's
    // result (0 sent). Parallel port: starts the reply stopwatch; a time-out shows "No
    // communication with the plotter" (caption "wr "). USB: "no machine" is retried up to ten
    // times, 10 ms apart, silently; any other error code is shown as the caption of the same
    // message. Ethernet: the link's result (a missing, short or different echo) is returned
    // without a message.
    int SendCommand(std::string_view command);

    // The reply stopwatch of the parallel port has run out (never on the newer link).
    bool TimedOut();

    // Status into Status (and RawStatus, OutputByte on USB), repeated while the controller says
    // "query again". True when the controller answered; the caller says what it does when not.
    [[nodiscard]] bool ReadStatus();
    // The same without any message (the streamer's and the panel's poll).
    bool PollStatus();
    // Returns when the machine reports idle. A newer controller that stops answering (three
    // failed status reads in a row) or a link that goes away during the wait ends it with "No
    // communication with the plotter", never as idle. A stop asked through `stop` ends it at
    // once (the worker that waits is asked to end), and so does `limit`. On the thread that
    // set the keep-alive (the GUI thread) the operator's STOP (EndWaits) and the machine's STOP
    // key end it too; the machine is then told to stop moving.
    WaitResult WaitWhileBusy(std::stop_token stop = {}, Clock::Duration limit = Clock::Duration::max());
    // Ends the waits of the keep-alive thread that run now (the panel's STOP).
    void EndWaits() { ++waitStops_; }
    void ReadPosition();
    void ReadBase();
    void SendBaseXY();
    void SendBaseZ();
    void ReadToolState();
    void ReadSpeeds();
    // "V" for the current speed set with a controller timer value, then ReadSpeeds.
    void SetSpeed(std::int32_t speed);
    void ToggleSpindle();
    void SendSpindleValue();
    void StopMotion();
    // The machine's name, model and production date, its work area and running totals, as the
    // link in use gives them; true when the machine named itself.
    bool ReadMachineInfo();
    void ShowFileWorkStatus();
    // Go-to (mm) relative to the base point; false when the machine is busy, does not answer or
    // did not arrive (newer link), or when a wait on the way was stopped (`stop`, or STOP on the
    // keep-alive thread) or lost its link.
    MoveResult MoveToPoint(double x, double y, double z, std::stop_token stop = {});
    // One jog move towards the edge of the working area for a virtual key code.
    void JogToLimit(std::uint16_t key);

    // Called on every round of WaitWhileBusy's loop on the thread that sets it, so that the
    // front end can keep its window alive while the machine moves (the job state keeps
    // everything that uses the machine link from starting meanwhile). Waits of other threads
    // never call it.
    void SetKeepAlive(std::function<void()> keepAlive) {
        keepAlive_ = std::move(keepAlive);
        keepAliveThread_ = std::this_thread::get_id();
    }

    // While one lives, the layer shows no message on this thread: a worker that ends its job on
    // the first failure says so once itself (and not after its job has ended).
    class QuietScope {
    public:
        QuietScope();
        ~QuietScope();
        QuietScope(const QuietScope&) = delete;
        QuietScope& operator=(const QuietScope&) = delete;
    };

    // Sleeping and busy waits on the layer's clock.
    Clock& GetClock() { return clock_; }
    BusyDelay& Delay() { return delay_; }
    MachineContext& Context() { return ctx_; }
    Notifier& GetNotifier() { return notifier_; }

private:
    // Sends a command and receives `n` reply bytes on the parallel port. False (after the
    // message) when the exchange timed out.
    bool LptExchange(std::string_view command, std::uint8_t* reply, int n);
    bool ReadStatusOnce(bool quiet);
    // ReadStatusOnce until the controller no longer says "query again".
    bool ReadStatusAnswered(bool quiet);
    bool ReadUsbString(int index, UsbStateString& s);
    bool ReadEthernetStatus();
    // The producer, model and production date of the newer controller's identity request;
    // false when it gave none.
    bool ReadIdentity(Transport& t);
    // The move command of this controller generation (no speed limit on the newer one).
    MoveCommand Move(std::int32_t factor, std::int32_t dx, std::int32_t dy, std::int32_t dz) const;
    void SendMove(std::int32_t factor, std::int32_t dx, std::int32_t dy, std::int32_t dz);
    void NoCommunication(const std::string& caption);
    // Writes a command on `t` with the link held; `message` is set to the caption of the
    // message that is due (empty: none). The message goes out after the link is let go.
    int WriteLocked(Transport& t, std::string_view command, std::string& message);

    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    const JobValues& job_;
    Notifier& notifier_;
    Clock& clock_;
    BusyDelay delay_;
    Transport* lpt_ = nullptr;
    Transport* usb_ = nullptr;
    Transport* eth_ = nullptr;
    std::function<void()> keepAlive_;
    std::thread::id keepAliveThread_;
    std::atomic<std::uint32_t> waitStops_{0};
    // One exchange with the controller at a time (a command and its echo, a request and its
    // reply): the panel's timer, the burn thread and the dialogs' loops never interleave bytes.
    // No message box is shown while it is held.
    std::mutex linkMutex_;
};

// Stores the fields of the Ethernet status record in the machine state. A record shorter than
// kStatusRecordMinSize is ignored (false).
bool ApplyStatusRecord(MachineContext& ctx, std::span<const std::uint8_t> record);
// Adds the machine's keys of the status word just read to those the panel has still to take.
void KeepMachineKeys(MachineContext& ctx);

// Little-endian fields of a reply.
std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t offset);
std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t offset);

}  // namespace vellisk
