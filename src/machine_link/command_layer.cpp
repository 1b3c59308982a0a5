#include "machine_link/command_layer.h"

#include <algorithm>
#include <limits>

#include "machine_link/commands.h"
#include "machine_link/lpt_transport.h"
#include "model/core_error.h"
#include "model/numeric.h"

namespace vellisk {

namespace {

using namespace std::chrono_literals;

// A link that is not there: it never answers.
class NoLink final : public Transport {
public:
    explicit NoLink(LinkKind kind) : kind_(kind) {}
    LinkKind Kind() const override { return kind_; }
    int Write(std::string_view) override {
        switch (kind_) {
            case LinkKind::ParallelPort: return kLinkTimedOut;
            case LinkKind::Usb: return kNoMachine;
            case LinkKind::Ethernet: return kEthNoEcho;
        }
        return kNoMachine;
    }
    bool TimedOut() const override { return kind_ == LinkKind::ParallelPort; }
    bool MachinePresent() override { return false; }

private:
    LinkKind kind_;
};

NoLink gNoLpt(LinkKind::ParallelPort);
NoLink gNoUsb(LinkKind::Usb);
NoLink gNoEth(LinkKind::Ethernet);

// Nearest integer, halves to even, as a 32-bit value (CoreError(Range) when it does not fit).
std::int32_t R32(double v, const char* what) { return RoundTo<std::int32_t>(v, what); }

std::int32_t Saturate32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::uint16_t SpindleOf(double raw, double scale) {
    if (!(scale > 0)) scale = 1.0;
    const double v = RoundHalfEven(raw / scale);
    return static_cast<std::uint16_t>(std::clamp(v, 0.0, 65535.0));
}

double PerSteps(std::int32_t steps, double stepsPerUnit) { return stepsPerUnit == 0 ? 0.0 : steps / stepsPerUnit; }

}  // namespace

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        if (offset + i < b.size()) v |= static_cast<std::uint32_t>(b[offset + i]) << (8 * i);
    return v;
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t offset) {
    std::uint16_t v = 0;
    for (int i = 0; i < 2; ++i)
        if (offset + i < b.size()) v = static_cast<std::uint16_t>(v | (b[offset + i] << (8 * i)));
    return v;
}

void KeepMachineKeys(MachineContext& ctx) {
    const auto keys = static_cast<std::uint8_t>((ctx.PlotState.RawStatus >> 8) & kMachineKeyBits);
    if (keys) ctx.PendingMachineKeys.fetch_or(keys);
}

bool ApplyStatusRecord(MachineContext& ctx, std::span<const std::uint8_t> r) {
    if (r.size() < kStatusRecordMinSize) return false;
    tplotstate& s = ctx.PlotState;
    const tplotparams& p = ctx.PlotParams;
    auto i32 = [&](std::size_t off) { return static_cast<std::int32_t>(Le32(r, off)); };
    s.OutputByte = r[3];
    s.RawStatus = i32(4);
    s.Status = static_cast<std::uint16_t>(s.RawStatus & 0xFF);
    KeepMachineKeys(ctx);
    s.StepX = i32(8);
    s.StepY = i32(12);
    s.StepZ = i32(16);
    s.BaseX = PerSteps(i32(24), p.StepsX);
    s.BaseY = PerSteps(i32(28), p.StepsY);
    s.BaseZ = PerSteps(i32(32), p.StepsZ);
    ctx.WorkAreaX = i32(40);
    ctx.WorkAreaY = i32(44);
    ctx.WorkAreaZ = i32(48);
    s.RunMinutes = i32(52);
    s.FileCount = i32(56);
    s.SpeedSet = r[62];
    for (int k = 0; k < 4; ++k) s.SetSpeeds[k] = Saturate32(static_cast<std::int64_t>(i32(64 + 4 * k)) * p.Multiplier);
    s.ExtraSpeed =
        static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(i32(80)) * p.Multiplier, 65535));
    s.OutputIndex = std::min<std::uint8_t>(r[90], 5);
    s.SpindleValue = SpindleOf(Le16(r, 92 + 2 * s.OutputIndex), ctx.SpindleScale);
    s.PosX = PerSteps(s.StepX, p.StepsX);
    s.PosY = PerSteps(s.StepY, p.StepsY);
    s.PosZ = PerSteps(s.StepZ, p.StepsZ);
    return true;
}

CommandLayer::CommandLayer(MachineContext& ctx, const ProgramEnvironment& env, const JobValues& job, Notifier& notifier,
                           Clock& clock)
    : ctx_(ctx), env_(env), job_(job), notifier_(notifier), clock_(clock), delay_(clock) {}

Transport& CommandLayer::Active() {
    if (!ctx_.ArmLink) return lpt_ ? *lpt_ : gNoLpt;
    if (ctx_.EthernetConnected.load()) return eth_ ? *eth_ : gNoEth;
    return usb_ ? *usb_ : gNoUsb;
}

namespace {
// Threads that asked for quiet (a worker that reports its own end).
thread_local int tQuietDepth = 0;
}  // namespace

CommandLayer::QuietScope::QuietScope() { ++tQuietDepth; }
CommandLayer::QuietScope::~QuietScope() { --tQuietDepth; }

void CommandLayer::NoCommunication(const std::string& caption) {
    if (tQuietDepth > 0) return;
    notifier_.Message(env_.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok, caption);
}

bool CommandLayer::TimedOut() {
    if (ctx_.ArmLink) return false;
    return Active().TimedOut();
}

int CommandLayer::WriteLocked(Transport& t, std::string_view command, std::string& message) {
    switch (t.Kind()) {
        case LinkKind::ParallelPort: {
            t.StartTimeout();
            const int r = t.Write(command);
            if (t.TimedOut()) {
                message = "wr ";
                return r == kLinkOk ? kLinkTimedOut : r;
            }
            return r;
        }
        case LinkKind::Ethernet:
            // Nothing is shown for a missing or wrong echo; the caller decides (the streamer
            // ends the job, other commands keep the link's silence).
            return t.Write(command);
        case LinkKind::Usb: {
            int r = t.Write(command);
            for (int retry = 0; r == kNoMachine && retry < 10; ++retry) {
                ++ctx_.UsbRetryCount;
                r = t.Write(command);
                clock_.Sleep(10ms);
            }
            if (r != kLinkOk && r != kNoMachine) message = std::to_string(r);
            return r;
        }
    }
    return kLinkOk;
}

int CommandLayer::SendCommand(std::string_view command) {
    if (command.empty()) return kLinkOk;
    std::string message;
    int r;
    {
        std::lock_guard<std::mutex> exchange(linkMutex_);
        r = WriteLocked(Active(), command, message);
    }
    if (!message.empty()) NoCommunication(message);
    return r;
}

bool CommandLayer::LptExchange(std::string_view command, std::uint8_t* reply, int n) {
    std::string message;
    {
        std::lock_guard<std::mutex> exchange(linkMutex_);
        Transport& t = Active();
        WriteLocked(t, command, message);
        if (message.empty()) {
            for (int i = 0; i < n; ++i) reply[i] = t.ReceiveByte();
            if (t.TimedOut()) message = "wr ";
        }
    }
    if (message.empty()) return true;
    NoCommunication(message);
    return false;
}

bool CommandLayer::ReadUsbString(int index, UsbStateString& s) {
    std::lock_guard<std::mutex> exchange(linkMutex_);
    const int r = Active().ReadString(index, s);
    if (r != 0) s.fill(0);
    return r == 0;
}

bool CommandLayer::ReadEthernetStatus() {
    std::vector<std::uint8_t> rec;
    {
        std::lock_guard<std::mutex> exchange(linkMutex_);
        if (!Active().ReadStatusRecord(rec)) return false;
    }
    return ApplyStatusRecord(ctx_, rec);
}

bool CommandLayer::ReadStatusOnce(bool quiet) {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    switch (t.Kind()) {
        case LinkKind::ParallelPort: {
            std::uint8_t b = 0;
            if (quiet) {
                std::lock_guard<std::mutex> exchange(linkMutex_);
                t.StartTimeout();
                t.SendByte('X');
                b = t.ReceiveByte();
                if (t.TimedOut()) {
                    s.Status = 0;
                    s.RawStatus = 0;
                    return false;
                }
            } else if (!LptExchange("X", &b, 1)) {
                s.Status = 0;
                return false;
            }
            s.Status = b;
            return true;
        }
        case LinkKind::Usb: {
            UsbStateString str;
            const bool ok = ReadUsbString(10, str);
            s.RawStatus = static_cast<std::int32_t>(Le32(str, 2));
            KeepMachineKeys(ctx_);
            if (!quiet) s.OutputByte = str[1];
            s.Status = static_cast<std::uint16_t>(s.RawStatus & 0xFF);
            return ok;
        }
        case LinkKind::Ethernet: return ReadEthernetStatus();
    }
    return false;
}

bool CommandLayer::ReadStatusAnswered(bool quiet) {
    // "Query again" is asked again at once; a controller that keeps saying so for longer than a
    // reply may take is taken as not answering.
    Stopwatch limit(clock_);
    for (;;) {
        const bool answered = ReadStatusOnce(quiet);
        if (!answered || (ctx_.PlotState.Status & kStatusNotReady) == 0) return answered;
        if (limit.Expired()) {
            if (!quiet) NoCommunication("wr ");
            ctx_.PlotState.Status = 0;
            return false;
        }
    }
}

bool CommandLayer::ReadStatus() { return ReadStatusAnswered(false); }

bool CommandLayer::PollStatus() { return ReadStatusAnswered(true); }

WaitResult CommandLayer::WaitWhileBusy(std::stop_token stop, Clock::Duration limit) {
    BusyCursor cursor(notifier_);
    // A short pause for the controller to take up the command just sent, on the clock: the
    // calibrated delay would first spend half a second calibrating, on whichever thread waits.
    delay_.WaitMs(1);
    // A newer controller that stops answering would leave the last (busy) status in place for
    // ever, or read as zeros (idle): a few failed status reads in a row end the wait with the
    // message. A link that goes away during the wait (the Ethernet link dropped itself, or the
    // active link changed) ends it at once: the machine may still be moving, and the link in
    // its place does not reach it.
    constexpr int kMissingRecordsLimit = 3;
    Transport* const link = &Active();
    const bool onKeepAliveThread = keepAlive_ && std::this_thread::get_id() == keepAliveThread_;
    const std::uint32_t stops = waitStops_.load();
    const Clock::Duration started = clock_.Now();
    int missing = 0;
    WaitResult ended;
    // Reads the status once; false when the wait is over (idle, or the message was shown).
    auto stillBusy = [&] {
        const bool answered = ReadStatus();
        if (&Active() != link) {
            NoCommunication("wr ");
            ended.kind = WaitResult::LinkGone;
            return false;
        }
        if (!answered) {
            // The parallel port has shown its message and reads idle; a newer controller's
            // failed read (zeros on USB) says nothing about the machine: ask again.
            if (link->Kind() == LinkKind::ParallelPort) {
                ended.kind = WaitResult::NoAnswer;
                return false;
            }
            if (++missing >= kMissingRecordsLimit) {
                NoCommunication("wr ");
                ended.kind = WaitResult::NoAnswer;
                return false;
            }
            return true;
        }
        missing = 0;
        return (ctx_.PlotState.Status & (kStatusBusy | kStatusNotReady)) != 0;
    };
    // The operator's STOP on the panel or at the machine, the caller's stop, the time limit. The
    // machine's STOP counts when it is pressed during the wait: a request still reported from
    // before (the hold it started waits here) does not end the wait.
    bool stopKeyClear = false;
    auto endedByCaller = [&] {
        if (stop.stop_requested()) {
            ended.kind = WaitResult::Stopped;
            return true;
        }
        const bool stopKey = (ctx_.PlotState.RawStatus & kRawPauseRequested) != 0;
        if (!stopKey) stopKeyClear = true;
        if (onKeepAliveThread && (waitStops_.load() != stops || (stopKey && stopKeyClear))) {
            ended.kind = WaitResult::Stopped;
            StopMotion();
            return true;
        }
        if (limit != Clock::Duration::max() && clock_.Now() - started >= limit) {
            ended.kind = WaitResult::TimeLimit;
            return true;
        }
        return false;
    };
    if (stop.stop_requested()) return {WaitResult::Stopped};
    if (!stillBusy()) return ended;
    for (;;) {
        if (endedByCaller()) return ended;
        clock_.Sleep(10ms);
        if (onKeepAliveThread) keepAlive_();
        if (endedByCaller()) return ended;
        if (!stillBusy()) return ended;
    }
}

void CommandLayer::ReadPosition() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (t.Kind() == LinkKind::ParallelPort) {
        std::uint8_t b[9];
        if (LptExchange("E", b, 9)) {
            s.StepX = Int24FromBytes(b[0], b[1], b[2]);
            s.StepY = Int24FromBytes(b[3], b[4], b[5]);
            s.StepZ = Int24FromBytes(b[6], b[7], b[8]);
        }
    } else if (t.Kind() == LinkKind::Usb) {
        UsbStateString str;
        ReadUsbString(10, str);
        s.StepX = static_cast<std::int32_t>(Le32(str, 6));
        s.StepY = static_cast<std::int32_t>(Le32(str, 10));
        s.StepZ = static_cast<std::int32_t>(Le32(str, 14));
    }
    s.PosX = PerSteps(s.StepX, p.StepsX);
    s.PosY = PerSteps(s.StepY, p.StepsY);
    s.PosZ = PerSteps(s.StepZ, p.StepsZ);
}

void CommandLayer::ReadBase() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (t.Kind() == LinkKind::Usb) {
        UsbStateString str;
        ReadUsbString(11, str);
        s.BaseX = PerSteps(static_cast<std::int32_t>(Le32(str, 2)), p.StepsX);
        s.BaseY = PerSteps(static_cast<std::int32_t>(Le32(str, 6)), p.StepsY);
        s.BaseZ = PerSteps(static_cast<std::int32_t>(Le32(str, 10)), p.StepsZ);
    } else if (t.Kind() == LinkKind::ParallelPort) {
        // On this link the base point is a whole number of 0.01 mm.
        std::uint8_t b[6];
        if (!LptExchange("Z", b, 6)) return;
        s.BaseX = RoundHalfEven(PerSteps(Int24FromBytes(b[0], b[1], b[2]), p.StepsX));
        s.BaseY = RoundHalfEven(PerSteps(Int24FromBytes(b[3], b[4], b[5]), p.StepsY));
        if (!LptExchange("O", b, 3)) return;
        s.BaseZ = RoundHalfEven(PerSteps(Int24FromBytes(b[0], b[1], b[2]), p.StepsZ));
    }
}

void CommandLayer::SendBaseXY() {
    const tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    const std::int32_t x = R32(s.BaseX * p.StepsX, "base point X");
    const std::int32_t y = R32(s.BaseY * p.StepsY, "base point Y");
    if (ctx_.ArmLink)
        SendCommand("U" + IntToBytes4(x) + IntToBytes4(y));
    else
        SendCommand("U" + IntToBytes3(x) + IntToBytes3(y));
    clock_.Sleep(10ms);
}

void CommandLayer::SendBaseZ() {
    const std::int32_t z = R32(ctx_.PlotState.BaseZ * ctx_.PlotParams.StepsZ, "base point Z");
    SendCommand("N" + (ctx_.ArmLink ? IntToBytes4(z) : IntToBytes3(z)));
}

void CommandLayer::ReadToolState() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    if (t.Kind() == LinkKind::Usb) {
        UsbStateString str;
        ReadUsbString(13, str);
        s.OutputIndex = std::min<std::uint8_t>(str[0], 5);
        s.SpindleValue = SpindleOf(Le16(str, 2 + 2 * s.OutputIndex), ctx_.SpindleScale);
    } else if (t.Kind() == LinkKind::ParallelPort) {
        std::uint8_t b[2];
        if (!LptExchange("J", b, 2)) return;
        s.OutputIndex = b[0];
        s.SpindleValue = SpindleOf(b[1], ctx_.SpindleScale);
    }
}

void CommandLayer::ReadSpeeds() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    const std::int64_t M = p.Multiplier;
    const double S = p.StepsX;
    if (t.Kind() == LinkKind::ParallelPort) {
        // Every reply starts with the controller's current speed set.
        auto ask = [&](int index, std::int32_t& value) {
            std::uint8_t b[3];
            if (!LptExchange(Bytes({'I', index}), b, 3)) return false;
            s.SpeedSet = b[0];
            value = b[1] | (b[2] << 8);
            return true;
        };
        std::int32_t v = 0;
        const bool setThreePlain = !s.Model.empty() && s.Model[0] == 'T';
        if (ask(1, v)) s.SetSpeeds[1] = Saturate32(v * M);
        if (ask(0, v)) s.SetSpeeds[0] = Saturate32(v * M);
        if (ask(2, v)) s.SetSpeeds[2] = v;
        if (ask(3, v)) s.SetSpeeds[3] = setThreePlain ? v : Saturate32(v * M);
        if (ask(255, v)) s.ExtraSpeed = v;
    } else if (t.Kind() == LinkKind::Usb) {
        UsbStateString str;
        ReadUsbString(12, str);
        s.SpeedSet = str[0];
        if (p.ArmController) {
            for (int k = 0; k < 4; ++k)
                s.SetSpeeds[k] = Saturate32(static_cast<std::int32_t>(Le32(str, 2 + 4 * k)) * M);
            s.ExtraSpeed =
                static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int32_t>(Le32(str, 18)) * M, 65535));
        } else {
            auto scaled = [&](std::size_t off, bool withM) {
                return R32(Le16(str, off) * (withM ? static_cast<double>(M) : 1.0) * S, "speed");
            };
            s.SetSpeeds[0] = scaled(2, true);
            s.SetSpeeds[1] = scaled(4, true);
            s.SetSpeeds[2] = scaled(6, false);
            s.SetSpeeds[3] = scaled(8, true);
            s.ExtraSpeed = scaled(12, true);
        }
    }
    if (s.SpeedSet <= 3) s.Speed = s.SetSpeeds[s.SpeedSet];
}

void CommandLayer::SetSpeed(std::int32_t speed) {
    // The speed set in force comes with the status; without an answer the last one known is used.
    (void)ReadStatus();
    const tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    if (s.SpeedSet > 3) return;
    const std::string head = Bytes({'V', s.SpeedSet});
    if (p.ArmController) {
        SendCommand(head + IntToBytes4(static_cast<std::int32_t>(speed / std::max(1, p.Multiplier))));
    } else {
        if (p.StepsX == 0) throw CoreError(CoreError::Kind::Range, "speed: no steps per 0.01 mm");
        const std::int32_t sv = R32(speed / p.StepsX, "speed");
        const std::int32_t v = s.SpeedSet == 2 ? sv : sv / std::max(1, p.Multiplier);
        if (v < 0 || v > 65535) throw CoreError(CoreError::Kind::Range, "speed out of range: " + std::to_string(v));
        SendCommand(head + IntToBytes2(v));
    }
    ReadSpeeds();
}

void CommandLayer::ToggleSpindle() {
    const bool on = (ctx_.PlotState.Status & kStatusSpindleOn) != 0;
    // The PRV model switches its spindle with packets; the others with "R".
    if (ctx_.ModelCode == "PRV") {
        SendCommand(PadPacket(on ? "SLC" : "SLS"));
    } else if (on) {
        SendCommand(Bytes({'R', 0, ctx_.PlotState.OutputIndex}));
    } else {
        SendCommand(Bytes({'R', 1, 2}));
    }
}

void CommandLayer::SendSpindleValue() {
    tplotstate& s = ctx_.PlotState;
    if (ctx_.PlotParams.Laser && s.SpindleValue >= 256) s.SpindleValue = 255;
    if (s.OutputIndex > 3) return;
    // The command carries one byte; a larger value is sent as the largest one.
    const int value = std::min<int>(s.SpindleValue, 255);
    SendCommand(Bytes({'T', s.OutputIndex, value}));
}

void CommandLayer::StopMotion() { SendCommand("Y"); }

void CommandLayer::ReadMachineInfo() {
    Transport& t = Active();
    tplotstate& s = ctx_.PlotState;
    switch (t.Kind()) {
        case LinkKind::Ethernet: {
            LinkIdentity id;
            std::unique_lock<std::mutex> exchange(linkMutex_);
            if (t.ReadIdentity(id)) {
                s.Producer = id.Producer;
                s.Model = id.Model;
                s.ProductionDate = id.ProductionDate;
            }
            break;
        }
        case LinkKind::Usb: {
            UsbStateString str;
            if (ReadUsbString(14, str) && t.MachinePresent()) {
                LinkIdentity id;
                std::unique_lock<std::mutex> exchange(linkMutex_);
                if (t.ReadIdentity(id)) {
                    s.Producer = id.Producer;
                    s.Model = id.Model;
                    s.ProductionDate = id.ProductionDate;
                }
                ctx_.WorkAreaX = static_cast<std::int32_t>(Le32(str, 2));
                ctx_.WorkAreaY = static_cast<std::int32_t>(Le32(str, 6));
                ctx_.WorkAreaZ = static_cast<std::int32_t>(Le32(str, 10));
                s.RunMinutes = static_cast<std::int32_t>(Le32(str, 14));
                s.FileCount = static_cast<std::int32_t>(Le32(str, 18));
            }
            if (ReadUsbString(15, str)) {
                if (str[3] == 'v')
                    ctx_.FirmwareVersion = 100 * (str[7] - '0') + 10 * (str[9] - '0') + (str[10] - '0');
                else
                    ctx_.FirmwareVersion = 300;
            }
            break;
        }
        case LinkKind::ParallelPort: {
            std::uint8_t b[8];
            auto text = [&](int which, std::string& out) {
                if (!LptExchange(Bytes({'H', which}), b, 8)) return false;
                out.assign(reinterpret_cast<const char*>(b), 8);
                return true;
            };
            if (!text(0, s.Producer) || !text(1, s.Model) || !text(2, s.ProductionDate)) return;
            if (!LptExchange(Bytes({'H', 4}), b, 5)) return;
            s.RunMinutes = Int24FromBytes(b[0], b[1], b[2]);
            s.FileCount = b[3] | (b[4] << 8);
            if (!LptExchange(Bytes({'H', 3}), b, 6)) return;
            ctx_.WorkAreaX = b[0] | (b[1] << 8);
            ctx_.WorkAreaY = b[2] | (b[3] << 8);
            ctx_.WorkAreaZ = b[4] | (b[5] << 8);
            break;
        }
    }
}

void CommandLayer::ShowFileWorkStatus() {
    const auto st = ctx_.PlotState.Status;
    if (st & kStatusRunningFromMemory)
        notifier_.Message(env_.Text(TextId::PlotterWorkingFromFile), MessageKind::Error);
    else if ((st & kStatusJobStored) == 0)
        notifier_.Message(env_.Text(TextId::NoFileToWork), MessageKind::Error);
}

MoveCommand CommandLayer::Move(std::int32_t factor, std::int32_t dx, std::int32_t dy, std::int32_t dz) const {
    return ctx_.PlotParams.ArmController ? EncodeMoveCommandEx(factor, dx, dy, dz, kNoSpeedLimit)
                                         : EncodeMoveCommand(factor, dx, dy, dz);
}

void CommandLayer::SendMove(std::int32_t factor, std::int32_t dx, std::int32_t dy, std::int32_t dz) {
    SendCommand(Move(factor, dx, dy, dz).Bytes);
}

MoveResult CommandLayer::MoveToPoint(double x, double y, double z, std::stop_token stop) {
    BusyCursor cursor(notifier_);
    // A wait ended by a stop or a lost link ends the go-to; a parallel port that did not answer
    // has said so and reads idle, and the go-to goes on as the controller allows.
    MoveResult ended{MoveResult::Missed};
    auto waited = [&] {
        const WaitResult w = WaitWhileBusy(stop);
        if (w.Interrupted()) ended.kind = MoveResult::Stopped;
        return w || (w.kind == WaitResult::NoAnswer && !ctx_.ArmLink);
    };
    const MoveResult missed{MoveResult::Missed};
    const MoveResult arrived{MoveResult::Arrived};
    tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    // A newer controller that does not answer reads as zeros (idle) and is found out by the
    // position checks; only the parallel port's silence is told here.
    if (!ReadStatus() && TimedOut()) {
        notifier_.Message(env_.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok,
                          env_.Text(TextId::MoveToStart));
        return missed;
    }
    if (s.Status & (kStatusRunningFromMemory | kStatusBusy)) return missed;
    ReadBase();
    ReadPosition();
    SendCommand(Bytes({'F', 0}));

    const std::int32_t tx = R32((x * 100 + s.BaseX) * p.StepsX, "target X");
    const std::int32_t ty = R32((y * 100 + s.BaseY) * p.StepsY, "target Y");
    const std::int32_t mult = p.Multiplier;
    // The move in X and Y, encoded before anything moves: a target the move command cannot
    // reach stops the go-to here. It is empty when the machine is there already.
    const MoveCommand travel = Move(mult, CheckedSub(tx, s.StepX, "move X"), CheckedSub(ty, s.StepY, "move Y"), 0);
    const bool travels = !travel.Bytes.empty();

    // Lift to the job's start height first.
    const double startZ = job_.StartZ * 100;
    if (!p.Laser && !p.ZReversed && startZ > s.BaseZ + s.PosZ && travels) {
        const double lift = RoundHalfEven(startZ) - (s.BaseZ + s.PosZ);
        const std::int32_t liftSteps = R32(lift * p.StepsZ, "lift");
        const std::int64_t expectZ = static_cast<std::int64_t>(s.StepZ) + liftSteps;
        SendMove(mult, 0, 0, liftSteps);
        if (!waited()) return ended;
        if (ctx_.ArmLink) {
            // Checked in whole steps: the height in 0.01 mm is rarely a whole number.
            ReadPosition();
            if (s.StepZ != expectZ) return missed;
        }
    }
    if (travels) {
        SendCommand(travel.Bytes);
        if (!waited()) return ended;
        if (ctx_.ArmLink) {
            ReadPosition();
            if (s.StepX != tx || s.StepY != ty) return missed;
        }
    }
    ReadPosition();
    const double zz = z * 100;
    const std::int32_t dZ = p.ZReversed ? R32(p.StepsZ * (zz + s.BaseZ) - s.StepZ, "move Z")
                                        : R32(zz * p.StepsZ - (p.StepsZ * s.BaseZ + s.StepZ), "move Z");
    if (dZ != 0) {
        SendMove(mult, 0, 0, dZ);
        if (!waited()) return ended;
        if (ctx_.ArmLink && !p.ZReversed) {
            ReadPosition();
            return RoundHalfEven(zz * p.StepsZ) == RoundHalfEven(p.StepsZ * s.BaseZ + s.StepZ) ? arrived : missed;
        }
    }
    return arrived;
}

void CommandLayer::JogToLimit(std::uint16_t key) {
    BusyCursor cursor(notifier_);
    // A machine that was not seen idle (STOP, a lost link) is not sent on a jog; a parallel
    // port that did not answer has said so and reads idle.
    if (const WaitResult w = WaitWhileBusy(); !w && w.kind != WaitResult::NoAnswer) {
        ctx_.JogActive = true;
        return;
    }
    const tplotstate& s = ctx_.PlotState;
    const tplotparams& p = ctx_.PlotParams;
    std::int32_t f = p.ArmController ? p.Multiplier : 1;
    const bool zFactorTwo =
        (!s.Model.empty() && s.Model[0] == '4') || ctx_.ModelCode == "VW " || ctx_.ModelCode == "BKT";
    const double areaX = ctx_.WorkAreaX * 100, areaY = ctx_.WorkAreaY * 100;
    double dX = 0, dY = 0, dZ = 0;
    auto diagonal = [&](double m, int sx, int sy) {
        m = RoundHalfEven(m);
        dX = sx * m;
        dY = sy * m;
        if (!ctx_.ArmLink) f = 2;
    };
    switch (key) {
        case kKeyPageUp:
            dZ = p.ZReversed ? s.BaseZ - s.PosZ : -s.PosZ;
            if (zFactorTwo) f = 2;
            break;
        case kKeyPageDown:
            dZ = p.ZReversed ? -s.PosZ : -(s.BaseZ + s.PosZ);
            if (zFactorTwo) f = 2;
            break;
        case kKeyLeft:
        case kKeyNumpad4: dX = -s.PosX; break;
        case kKeyRight:
        case kKeyNumpad6: dX = RoundHalfEven(areaX) - s.PosX; break;
        case kKeyUp:
        case kKeyNumpad8: dY = RoundHalfEven(areaY) - s.PosY; break;
        case kKeyDown:
        case kKeyNumpad2: dY = -s.PosY; break;
        case kKeyNumpad1: diagonal(std::min(s.PosY, s.PosX), -1, -1); break;
        case kKeyNumpad3: diagonal(std::min(s.PosY, areaX - s.PosX), 1, -1); break;
        case kKeyNumpad7: diagonal(std::min(areaY - s.PosY, s.PosX), -1, 1); break;
        case kKeyNumpad9: diagonal(std::min(areaY - s.PosY, areaX - s.PosX), 1, 1); break;
        default: break;
    }
    if (dX != 0 || dY != 0 || dZ != 0) {
        SendMove(f, R32(dX * p.StepsX, "jog X"), R32(dY * p.StepsY, "jog Y"), R32(dZ * p.StepsZ, "jog Z"));
        clock_.Sleep(10ms);
    }
    ctx_.JogActive = true;
}

}  // namespace vellisk
