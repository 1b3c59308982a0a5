#include "machine_link/lpt_transfer.h"

#include <system_error>

#include "model/numeric.h"
#include "platform/whole_file.h"

namespace vellisk {

namespace {

std::int64_t Kilobytes(std::uintmax_t bytes) {
    return static_cast<std::int64_t>(RoundHalfEven(static_cast<double>(bytes) / 1024.0));
}

}  // namespace

Ttransmisja::Ttransmisja(MachineContext& ctx, const ProgramEnvironment& env, const JobValues& job, CommandLayer& layer,
                         Notifier& notifier)
    : ctx_(ctx), env_(env), job_(job), layer_(layer), notifier_(notifier) {}

void Ttransmisja::NoCommunication(TextId caption) {
    notifier_.Message(env_.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok, env_.Text(caption));
}

bool Ttransmisja::CheckSize(const std::filesystem::path& file) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec || size <= kMaxJobBytes) return true;  // a missing file is reported when it is opened
    notifier_.Message(env_.Text(TextId::PlotterBufferExceeded), MessageKind::Error, Buttons::Ok);
    return false;
}

void Ttransmisja::Activate() { Activate(env_.ProgramDir / "out.cnx"); }

void Ttransmisja::Activate(const std::filesystem::path& file) {
    opened_ = false;
    timedOut_ = false;
    sent_ = 0;
    ticks_ = 0;
    sentKb_ = 0;
    totalKb_ = 0;
    data_.clear();
    breakRequested_ = true;

    if (!layer_.ReadStatus() && layer_.TimedOut()) {
        NoCommunication(TextId::GetStateCaption);
        return;
    }
    if (ctx_.PlotState.Status & kStatusRunningFromMemory) {
        notifier_.Message(env_.Text(TextId::PlotterNotReadyForFile), MessageKind::Error, Buttons::Ok,
                          env_.Text(TextId::CuttingStartCaption));
        return;
    }
    if (!CheckSize(file)) return;
    if (!ReadWholeFile(file, &data_)) {
        notifier_.Message(env_.Text(TextId::JobFileCannotOpen) + "\n" + file.string(), MessageKind::Error, Buttons::Ok);
        return;
    }
    breakRequested_ = false;
    opened_ = true;
    // From here on the controller's memory no longer holds a whole job until this one is done.
    lastIncomplete_ = true;
    totalKb_ = Kilobytes(data_.size());
}

Ttransmisja::Result Ttransmisja::Tick() {
    if (!opened_) return Failed;
    Transport& t = layer_.Active();
    t.StartTimeout();
    const std::size_t limit = static_cast<std::size_t>(ticks_) * kBytesPerTick;
    while (!breakRequested_ && sent_ < data_.size() && sent_ <= limit) {
        t.SendByte(static_cast<std::uint8_t>(data_[sent_]));
        ++sent_;
        // Once the controller stops answering, the rest of the slice is not strobed blindly.
        if (layer_.TimedOut()) break;
    }
    if (layer_.TimedOut()) {
        timedOut_ = true;
        NoCommunication(TextId::CuttingStartCaption);
    }
    sentKb_ = Kilobytes(sent_);
    ++ticks_;
    if (!breakRequested_ && !timedOut_ && sent_ < data_.size()) return Running;
    if (breakRequested_ || timedOut_) return Failed;
    (void)layer_.ReadStatus();  // the display's status after the transfer; the file is sent
    lastIncomplete_ = false;
    return Done;
}

void Ttransmisja::Deactivate() {
    if (!opened_) return;
    opened_ = false;
    data_.clear();
    if (breakRequested_) {
        Transport& t = layer_.Active();
        t.StartTimeout();
        t.Write(std::string(20, '@'));
    }
}

void Ttransmisja::SendStart() {
    layer_.SendCommand("Pd");
    layer_.SendCommand("G");
}

void Ttransmisja::Repeat(const std::string& caption) {
    if (!layer_.ReadStatus() && layer_.TimedOut()) return;
    if (lastIncomplete_) {
        notifier_.Message(env_.Text(TextId::LastTransferIncomplete), MessageKind::Error, Buttons::Ok, caption);
        return;
    }
    if ((ctx_.PlotState.Status & kStatusJobStored) == 0) {
        notifier_.Message(env_.Text(TextId::NoFileToRepeat), MessageKind::Information, Buttons::OkCancel, caption);
        return;
    }
    BusyCursor cursor(notifier_);
    if (layer_.MoveToPoint(0, 0, job_.StartZ)) layer_.SendCommand("G");
}

}  // namespace vellisk
