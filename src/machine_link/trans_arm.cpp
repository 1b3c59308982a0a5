#include "machine_link/trans_arm.h"

#include <cstdio>

#include "machine_link/commands.h"
#include "model/core_error.h"
#include "model/numeric.h"
#include "platform/whole_file.h"

namespace vellisk {

namespace {

// Walks the commands of `data` once; `last` is left at the offset of the last whole command.
JobFileFault WalkCommands(std::string_view data, const CommandLengthTable& lengths, std::size_t& last) {
    std::size_t pos = 0;
    while (pos < data.size()) {
        const auto b = static_cast<std::uint8_t>(data[pos]);
        const std::size_t len = lengths.LengthOf(b);
        if (len == 0) return {JobFileFault::BadCommandByte, pos, b};
        if (len > data.size() - pos) return {JobFileFault::CutShort, pos, b};
        last = pos;
        pos += len;
    }
    return {};
}

}  // namespace

JobFileFault CheckJobFile(std::string_view data, const CommandLengthTable& lengths) {
    std::size_t last = 0;
    return WalkCommands(data, lengths, last);
}

JobFileFault CheckWholeJob(std::string_view data, const MachineContext& ctx) {
    if (data.empty()) return {JobFileFault::Empty, 0, 0};
    std::size_t last = 0;
    const JobFileFault fault = WalkCommands(data, ctx.CommandLengths, last);
    if (fault.kind != JobFileFault::None) return fault;
    const std::string end = ctx.PlotParams.ArmController ? PadPacket("SE") : std::string("f\x02", 2);
    if (data.substr(last) != end) return {JobFileFault::NoEndCommand, last, static_cast<std::uint8_t>(data[last])};
    return {};
}

namespace {

std::string FaultText(const JobFileFault& fault, const ProgramEnvironment& env) {
    switch (fault.kind) {
        case JobFileFault::Empty: return env.Text(TextId::JobFileEmpty);
        case JobFileFault::NoEndCommand: return env.Text(TextId::JobFileNoEnd);
        default: break;
    }
    char detail[64];
    std::snprintf(detail, sizeof detail, "%zu (0x%02X)", fault.offset, static_cast<unsigned>(fault.byte));
    const TextId what =
        fault.kind == JobFileFault::BadCommandByte ? TextId::JobFileBadCommand : TextId::JobFileCutShort;
    return env.Text(what) + "\n" + env.Text(TextId::JobFileOffset) + " " + detail;
}

}  // namespace

bool JobFileReadyToStream(const std::filesystem::path& file, const MachineContext& ctx, const ProgramEnvironment& env,
                          Notifier& notifier) {
    std::string data;
    if (!ReadWholeFile(file, &data)) {
        notifier.Message(env.Text(TextId::JobFileCannotOpen) + "\n" + file.string(), MessageKind::Error, Buttons::Ok);
        return false;
    }
    const JobFileFault fault = CheckWholeJob(data, ctx);
    if (fault.kind == JobFileFault::None) return true;
    notifier.Message(FaultText(fault, env), MessageKind::Error, Buttons::Ok);
    return false;
}

TTransArm::TTransArm(MachineContext& ctx, const ProgramEnvironment& env, CommandLayer& layer, Notifier& notifier)
    : ctx_(ctx), env_(env), layer_(layer), notifier_(notifier) {}

bool TTransArm::start() { return start(env_.ProgramDir / "out.cnx"); }

bool TTransArm::start(const std::filesystem::path& file) {
    streaming_ = false;
    std::string data;
    if (!ReadWholeFile(file, &data))
        throw CoreError(CoreError::Kind::InputOutput, "cannot read the job file " + file.string());
    const JobFileFault fault = CheckJobFile(data, ctx_.CommandLengths);
    if (fault.kind != JobFileFault::None) {
        Damaged(fault);
        return false;
    }
    data_ = std::move(data);
    pos_ = 0;
    commandsSent_ = 0;
    link_ = &layer_.Active();
    streaming_ = true;
    return true;
}

void TTransArm::stop() {
    lastText_ = "Transmisja zakonczona";
    notifier_.Status(lastText_);
    data_.clear();
    data_.shrink_to_fit();
    pos_ = 0;
    streaming_ = false;
    // A stream stopped in the middle of a slice is not feeding any more: the panel's status
    // refresh and the machine's keys come back.
    ctx_.StreamFeeding = false;
}

void TTransArm::Abandon() {
    streaming_ = false;
    ctx_.StreamFeeding = false;
    data_.clear();
    pos_ = 0;
}

void TTransArm::Damaged(const JobFileFault& fault) {
    Abandon();
    notifier_.Message(FaultText(fault, env_), MessageKind::Error, Buttons::Ok);
}

void TTransArm::LinkLost(int code) {
    // A job's moves are relative: with one command missing every later cut would be shifted, and
    // the rest of the job would only be lost command by command. The stream ends here.
    Abandon();
    // The command layer has shown a USB error code itself; a missing machine, an Ethernet echo
    // that was missing, short or different, and a link that went away are shown here.
    const bool shownByLayer = code != kNoMachine && code != kEthNoEcho && code != kEthEchoLength &&
                              code != kEthEchoDiffers && code != kLinkGone;
    if (!shownByLayer) notifier_.Message(env_.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok);
}

void TTransArm::ShowProgress(bool withSpinner) {
    static const char* const kSpinner[4] = {"--", "\\", "|", "/"};
    const double p = data_.empty() ? 100.0 : RoundHalfEven(static_cast<double>(pos_) * 100.0 / data_.size());
    lastText_ = "przeslano " + std::to_string(static_cast<int>(p)) + "% ";
    if (withSpinner) lastText_ += kSpinner[spinner_];
    // A held job's status bar says so (and how to go on) until the job continues.
    if (!ctx_.JobHeld) notifier_.Status(lastText_);
}

void TTransArm::Tick() {
    if (!streaming_) return;
    if (pos_ >= data_.size()) {
        ctx_.StreamFeeding = false;
        stop();
        return;
    }
    layer_.PollStatus();
    if (&layer_.Active() != link_) {
        // The link of the job went away (the Ethernet link dropped itself): the commands would
        // go to another link, or nowhere.
        LinkLost(kLinkGone);
        return;
    }
    if (ctx_.PlotState.RawStatus & kRawBufferFull) {
        if (ctx_.StreamFeeding) ShowProgress(false);
        ctx_.StreamFeeding = false;
        return;
    }
    if (!ctx_.StreamFeeding) layer_.Active().StartTimeout();
    ctx_.StreamFeeding = true;

    const char* const data = data_.data();
    const std::size_t size = data_.size();
    const CommandLengthTable& lengths = ctx_.CommandLengths;
    for (int i = 0; i < kCommandsPerTick && pos_ < size; ++i) {
        const auto letter = static_cast<std::uint8_t>(data[pos_]);
        const std::size_t len = lengths.LengthOf(letter);
        // The file was checked at the start; the table may not change under a running job.
        if (len == 0 || len > size - pos_) {
            Damaged({len == 0 ? JobFileFault::BadCommandByte : JobFileFault::CutShort, pos_, letter});
            return;
        }
        ++commandsSent_;
        int r = layer_.SendCommand(std::string_view(data + pos_, len));
        pos_ += len;
        if (r == kLinkOk && commandsSent_ == kStartAfterCommands) r = layer_.SendCommand("G");
        if (r != kLinkOk) {
            LinkLost(r);
            return;
        }
    }
    spinner_ = static_cast<std::uint8_t>((spinner_ + 1) % 4);
    ShowProgress(true);
}

}  // namespace vellisk
