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

}  // namespace

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

}  // namespace vellisk
