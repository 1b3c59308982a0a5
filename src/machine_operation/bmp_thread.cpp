#include "machine_operation/bmp_thread.h"

#include <algorithm>
#include <cmath>

#include "machine_link/command_layer.h"
#include "machine_link/commands.h"
#include "machine_link/machine_context.h"
#include "machine_operation/job_panel.h"
#include "model/core_error.h"
#include "model/numeric.h"
#include "model/program_environment.h"
#include "platform/notifier.h"

namespace vellisk {

namespace {

// Lines at y = 0, pitch, 2 x pitch, ... below the height, counted as whole multiples of the
// pitch (1.0 mm at 0.1 mm is 10 lines, not 11 from an accumulated sum).
std::int32_t LinesBelow(double heightMm, double pitch) {
    const double n = std::ceil(heightMm / pitch - 1e-9);
    return n > 0 ? RoundTo<std::int32_t>(n, "raster lines") : 0;
}

}  // namespace

BurnLineCommands BuildBurnLine(const tLinia& line, bool forward, const BurnLineGeometry& g) {
    BurnLineCommands out;
    const std::size_t n = line.Power.size();
    out.data.reserve(n / tBMPThread::kPacketBytes + 2);
    out.data.push_back("SBD" + IntToBytes4(static_cast<std::int32_t>(n / tBMPThread::kPacketBytes + 1)));
    std::string packet;
    packet.reserve(tBMPThread::kPacketBytes);
    for (std::size_t k = 0; k < n; ++k) {
        packet.push_back(static_cast<char>(forward ? line.Power[k] : line.Power[n - 1 - k]));
        if (packet.size() == tBMPThread::kPacketBytes) {
            out.data.push_back(packet);
            packet.clear();
        }
    }
    if (!packet.empty()) out.data.push_back(packet);

    const std::int32_t sign = forward ? 1 : -1;
    out.moves.push_back(Bytes({'F', 1}));
    out.moves.push_back("SA" + IntToBytes4(g.RunUpFactor));
    // A move of no steps is not sent at all (a slow work speed has no run-up).
    auto move = [&out](MoveCommand m) {
        if (!m.Bytes.empty()) out.moves.push_back(std::move(m.Bytes));
    };
    move(EncodeMoveCommandEx(g.Multiplier, sign * g.RunUpSteps, 0, 0, 1));
    out.moves.push_back("SBS");
    move(EncodePlanarMoveCommand(g.Multiplier, sign * g.WidthSteps, 0, g.PixelsPerLine, 1));
    move(EncodeMoveCommandEx(g.Multiplier, sign * (g.RunUpSteps + g.HalfPitchSteps), g.FeedSteps, 0, kNoSpeedLimit));
    return out;
}

std::int32_t RunUpSteps(const MachineContext& ctx, std::int32_t timer) {
    const tplotparams& p = ctx.PlotParams;
    return ctx.RampIndexOfTimer(timer / std::max(1, p.Multiplier)) * (p.RunUpFactor + 1);
}

double RunUpDistance(const MachineContext& ctx, std::int32_t timer) {
    const tplotparams& p = ctx.PlotParams;
    return p.StepsX > 0 ? RunUpSteps(ctx, timer) / 100.0 / p.StepsX : 0.0;
}

std::uint8_t IdlePowerByte(double percent) {
    const double v = RoundHalfEven(percent * 255.0 / 100.0);
    if (!(v > 0)) return 0;
    return v >= 255 ? 255 : static_cast<std::uint8_t>(v);
}

tBMPThread::tBMPThread(MachineContext& ctx, const ProgramEnvironment& env, CommandLayer& layer, JobPanel* panel)
    : ctx_(ctx), env_(env), layer_(layer), panel_(panel) {}

tBMPThread::~tBMPThread() { TerminateAndJoin(); }

void tBMPThread::PrepareLines() {
    FreeLines();
    if (!(Pitch > 0) || !std::isfinite(Pitch)) throw CoreError::range("line pitch of the picture out of range");
    if (!Child || Child->Empty()) throw CoreError::range("no picture to burn");
    base_ = BlackPower * 255.0 / 100.0;
    slope_ = (WhitePower * 255.0 / 100.0 - base_) / 255.0;
    PixelsPerLine = std::min(RoundTo<std::int32_t>(WidthMm / Pitch, "pixels per line") * 2, kMaxPixelsPerLine);
    if (PixelsPerLine < 0) PixelsPerLine = 0;
    LineCount = RoundTo<std::int32_t>(HeightMm / Pitch, "raster lines");
    const std::int32_t lines = LinesBelow(HeightMm, Pitch);
    std::vector<tLinia> out;
    out.reserve(static_cast<std::size_t>(lines));
    for (std::int32_t l = 0; l < lines; ++l) {
        tLinia line;
        line.Power.resize(static_cast<std::size_t>(PixelsPerLine));
        for (std::int32_t i = 0; i < PixelsPerLine; ++i) {
            const double v = RoundHalfEven(SamplePixelPower(i, l));
            if (!(v >= 0 && v <= 255)) throw CoreError::range("laser power of a pixel out of range");
            line.Power[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
        }
        out.push_back(std::move(line));
    }
    Lines = std::move(out);
}

double tBMPThread::SamplePixelPower(std::int32_t i, std::int32_t l) const {
    const std::int32_t w = Child->Width, h = Child->Height;
    const double xs = static_cast<double>(w) / (PixelsPerLine + 1);
    const double ys = static_cast<double>(h) / (LineCount + 1);
    std::int32_t x = static_cast<std::int32_t>(RoundHalfEven(i * xs)) + 1;
    if (x >= w) x = w - 1;
    std::int32_t r = h - static_cast<std::int32_t>(RoundHalfEven(l * ys)) - 1;
    if (r <= 0) r = 1;
    // A picture one pixel wide or high has no column or row 1: stay inside it.
    x = std::clamp(x, 0, w - 1);
    r = std::clamp(r, 0, h - 1);
    return Child->At(x, r) * slope_ + base_;
}

bool tBMPThread::Send(const std::string& command) {
    if (LinkLost() || Terminated()) return false;
    if (static_cast<const void*>(&layer_.Active()) != link_ || layer_.SendCommand(command) != kLinkOk) {
        Fail();
        return false;
    }
    return true;
}

bool tBMPThread::ReadStatus() {
    if (LinkLost()) return false;
    if (!layer_.ReadStatus() || static_cast<const void*>(&layer_.Active()) != link_) {
        Fail();
        return false;
    }
    return true;
}

bool tBMPThread::WaitIdle() {
    if (LinkLost()) return false;
    const WaitResult w = layer_.WaitWhileBusy(StopToken());
    if (w) return true;
    // Asked to end (the window closes): no message.
    if (w.kind != WaitResult::Stopped && w.kind != WaitResult::TimeLimit) Fail();
    return false;
}

void tBMPThread::Fail() {
    if (linkLost_.exchange(true) || Terminated()) return;
    // Given on the GUI thread while it waits for this burn; a burn ended from there (the window
    // closes) drops it.
    Notifier& notifier = layer_.GetNotifier();
    const std::string text = env_.Text(TextId::NoCommunication);
    Synchronize([&notifier, text] { notifier.Message(text, MessageKind::Error, Buttons::Ok, ""); });
}

void tBMPThread::RefreshPanel() {
    if (!panel_) return;
    JobPanel* panel = panel_;
    Synchronize([panel] { panel->RefreshStatus(); });
}

void tBMPThread::EndSequence() {
    if (LinkLost()) return;
    // After a stop asked from the GUI (the window closes) the machine is still told the burn is
    // over, without waiting for it.
    if (!Terminated() && !WaitIdle()) return;
    if (Terminated() && static_cast<const void*>(&layer_.Active()) != link_) return;
    auto send = [this](const std::string& c) {
        if (LinkLost()) return;
        if (static_cast<const void*>(&layer_.Active()) != link_ || layer_.SendCommand(c) != kLinkOk) linkLost_ = true;
    };
    send("SLC");
    send("SBE");
    send("SA" + IntToBytes4(ctx_.PlotParams.RampDivisor));
    send(Bytes({'F', 0}));
}

void tBMPThread::Execute() {
    ctx_.BurnRunning = true;
    ctx_.BurnStopRequested = false;
    // The layer shows nothing on this thread: the burn gives its one message itself.
    CommandLayer::QuietScope quiet;
    link_ = &layer_.Active();
    try {
        const tplotparams& p = ctx_.PlotParams;
        BurnLineGeometry g;
        g.WidthSteps = RoundTo<std::int32_t>(WidthMm * 100 * p.StepsX, "picture width");
        g.HalfPitchSteps = RoundTo<std::int32_t>(Pitch * 100 * p.StepsX / 2, "pitch");
        g.Multiplier = p.Multiplier;
        g.RunUpFactor = p.RunUpFactor;
        g.PixelsPerLine = PixelsPerLine;
        const std::string idle = Bytes({'T', 3, IdlePowerByte(IdlePower)});
        bool forward = true;
        Send("SBB");
        for (std::size_t j = 0; j < Lines.size() && !Terminated() && !LinkLost() && !ctx_.BurnStopRequested; ++j) {
            if (OneWay) forward = true;
            layer_.ReadSpeeds();
            g.RunUpSteps = RunUpSteps(ctx_, ctx_.PlotState.SetSpeeds[1]);
            const double runUpMm = RunUpDistance(ctx_, ctx_.PlotState.SetSpeeds[1]);
            // The run-up in steps is compared with the pitch in mm, as the controller's makers do.
            g.FeedSteps = g.RunUpSteps * 0.1 > Pitch ? RoundTo<std::int32_t>(Pitch * 100 * p.StepsY, "pitch") : 0;
            const BurnLineCommands line = BuildBurnLine(Lines[j], forward, g);
            for (const std::string& c : line.data)
                if (!Send(c)) break;

            if (ReadStatus()) {
                while ((ctx_.PlotState.Status & kStatusBusy) && !Terminated()) {
                    RefreshPanel();
                    layer_.GetClock().Sleep(Clock::Duration::zero());
                    if (!ReadStatus()) break;
                }
            }
            if (!Send(Bytes({'F', 0})) || !Send(idle) || !Send("SA" + IntToBytes4(p.RampDivisor))) break;
            layer_.GetClock().SleepMs(10);
            const double x = forward ? -runUpMm : WidthMm + runUpMm + Pitch / 2;
            // A go-to stopped on the way (the window closes, the link went) ends the burn; one
            // that did not arrive is looked at by a status read.
            const MoveResult moved = layer_.MoveToPoint(x, static_cast<double>(j) * Pitch, StartZ, StopToken());
            if (moved.kind == MoveResult::Stopped) {
                if (!Terminated()) Fail();
                break;
            }
            if (!moved && !ReadStatus()) break;
            if (!WaitIdle()) break;
            for (const std::string& c : line.moves)
                if (!Send(c)) break;
            if (LinkLost()) break;
            forward = !forward;

            if (!ReadStatus()) break;
            RefreshPanel();
            if (!ReadStatus()) break;
            // A pause is announced before the request is looked at, so that a continue given
            // while the pause sequence goes out is not lost.
            BeginPause();
            const bool stopKey = (ctx_.PlotState.RawStatus & kRawPauseRequested) != 0;
            if (ctx_.BurnStopRequested || stopKey) {
                // Paused by the STOP key, too: the flag tells the panel to keep polling.
                ctx_.BurnStopRequested = true;
                EndSequence();
                if (LinkLost()) break;
                PauseHere();
                if (Terminated()) break;
                if (!Send("SBB")) break;
            } else {
                CancelPause();
            }
        }
        EndSequence();
    } catch (const std::exception&) {
        // A value out of range (a damaged set or picture): the burn ends; the machine is told
        // the burn is over as far as the link allows. Nothing may leave the thread.
        try {
            EndSequence();
        } catch (const std::exception&) {}
    }
    FreeLines();
    ctx_.BurnRunning = false;
}

}  // namespace vellisk
