#pragma once
// The job transfer of the older controller on the parallel port. That controller takes a whole
// job into its memory before it runs it: the job file "out.cnx" goes over byte by byte, one
// kilobyte per tick of the transfer's own 1 ms timer (the first tick sends a single byte), with
// the reply stopwatch started once per tick. The operator may break off; the controller is then
// told to drop the partial job (twenty "@"). After a complete transfer "Pd" and "G" start the job.
//
// This is the core of the modal transfer dialog: the dialog calls Activate when it is shown,
// Tick on each timer tick until it gives a result, RequestBreak for its button and Deactivate
// when it closes.
//
// A transfer that timed out or was broken off leaves a partial job in the controller. The
// transfer remembers it, and Repeat then refuses to start the job held in the controller.
#include <cstdint>
#include <filesystem>
#include <string>

#include "machine_link/command_layer.h"
#include "machine_link/machine_context.h"
#include "model/lang_texts.h"
#include "platform/notifier.h"

namespace vellisk {

class Ttransmisja {
public:
    // The controller's job memory: 4095 kB. A larger job file is refused.
    static constexpr std::uintmax_t kMaxJobBytes = 4095u * 1024u;
    static constexpr std::size_t kBytesPerTick = 1024;

    enum Result : int { Running = 0, Done = 1, Failed = 2 };

    // `env` gives the job file's folder and the texts of the messages; `job` the height a
    // repeated job starts from.
    Ttransmisja(MachineContext& ctx, const ProgramEnvironment& env, const JobValues& job, CommandLayer& layer,
                Notifier& notifier);

    // False, after "Out of the plotter buffer size", when the file is larger than the
    // controller's memory.
    bool CheckSize(const std::filesystem::path& file);

    // The dialog is shown: checks the machine and opens ProgramDir + "out.cnx" (or `file`).
    // A machine that does not answer or runs a job, a missing or too large file: the message,
    // and the first Tick ends the transfer with Failed.
    void Activate();
    void Activate(const std::filesystem::path& file);
    // One tick: Running while there is more to send, else Done or Failed.
    Result Tick();
    void RequestBreak() { breakRequested_ = true; }
    // The dialog closes: lets the file go; after a break the controller drops the partial job.
    void Deactivate();

    // Starts the job just transferred: "Pd", then "G".
    void SendStart();
    // Repeat on the parallel port: runs the job held in the controller again when there is a
    // whole one. The caption is that of the operator's drawing (the open file's name).
    void Repeat(const std::string& caption);

    bool LastTransferIncomplete() const { return lastIncomplete_; }

    // Progress for the dialog.
    std::int64_t TotalKb() const { return totalKb_; }
    std::int64_t SentKb() const { return sentKb_; }
    std::int64_t Ticks() const { return ticks_; }
    std::size_t BytesSent() const { return sent_; }
    bool Opened() const { return opened_; }
    bool BreakRequested() const { return breakRequested_; }

private:
    void NoCommunication(TextId caption);

    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    const JobValues& job_;
    CommandLayer& layer_;
    Notifier& notifier_;
    std::string data_;
    bool opened_ = false;
    bool breakRequested_ = false;
    bool timedOut_ = false;
    bool lastIncomplete_ = false;
    std::size_t sent_ = 0;
    std::int64_t ticks_ = 0;
    std::int64_t totalKb_ = 0;
    std::int64_t sentKb_ = 0;
};

}  // namespace vellisk
