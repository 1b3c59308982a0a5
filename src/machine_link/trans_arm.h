#pragma once
// The job streamer of the newer controller (USB or Ethernet). The controller keeps a command
// buffer of limited size and reports when it is full, so the job file "out.cnx" goes out a
// slice at a time: on each tick of the control panel's timer the streamer polls the status and,
// while the buffer-full bit is clear, passes up to 100 commands to the command layer. After the
// 17th command it sends "G", which lets the controller run what it has buffered. Progress shows
// in the main window's status bar.
//
// The file is cut into commands with the command-length table. Every command byte and every
// length is checked against the file before anything is sent: a byte that starts no command or
// a last command cut short by the end of the file is reported and the job is not streamed.
// A command that the link could not deliver (no machine on USB, a USB transfer that failed or
// timed out, an Ethernet echo that was missing, short or different) ends the stream with one
// message, as does the job's link going away between ticks: a job's moves are relative, so one
// missing command would shift every later cut.
#include <cstdint>
#include <filesystem>
#include <string>

#include "machine_link/command_layer.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"

namespace vellisk {

// Where a job file stops being a sequence of whole commands, or a whole job.
struct JobFileFault {
    enum Kind { None, BadCommandByte, CutShort, Empty, NoEndCommand } kind = None;
    std::size_t offset = 0;  // offset of the command that is wrong
    std::uint8_t byte = 0;   // its first byte
};

// Checks that `data` is a sequence of whole commands of `lengths`.
JobFileFault CheckJobFile(std::string_view data, const CommandLengthTable& lengths);

// Checks that `data` is a whole job for the machine in force: whole commands, at least one, and
// the last one the job's end ("SE" on a controller that takes it, else speed set 2, "f" 2). A
// job cut at a command boundary (a power cut while it was written) would otherwise run as if
// complete.
JobFileFault CheckWholeJob(std::string_view data, const MachineContext& ctx);

// Reads the job file and checks it with CheckWholeJob before it is streamed on any link; a file
// that is missing, cannot be read or is no whole job is reported, and false is returned.
bool JobFileReadyToStream(const std::filesystem::path& file, const MachineContext& ctx, const ProgramEnvironment& env,
                          Notifier& notifier);

class TTransArm {
public:
    static constexpr int kCommandsPerTick = 100;
    static constexpr std::int32_t kStartAfterCommands = 17;

    // `env` gives the job file's folder and the texts of the status line and messages.
    TTransArm(MachineContext& ctx, const ProgramEnvironment& env, CommandLayer& layer, Notifier& notifier);

    // Opens ProgramDir + "out.cnx" (or `file`) and starts streaming it. A file that cannot be
    // read throws CoreError(InputOutput); a damaged file is reported in a message box and false
    // is returned (nothing is sent).
    bool start();
    bool start(const std::filesystem::path& file);
    // Ends the stream: "Transmisja zakonczona" in the status bar, the file is let go.
    void stop();
    // One slice; the panel's timer calls it while Streaming().
    void Tick();

    bool Streaming() const { return streaming_; }
    std::int32_t CommandsSent() const { return commandsSent_; }
    std::size_t Position() const { return pos_; }
    std::size_t Size() const { return data_.size(); }
    const std::string& LastText() const { return lastText_; }

private:
    void ShowProgress(bool withSpinner);
    // Ends the stream without the closing text (a message tells the operator why).
    void Abandon();
    void Damaged(const JobFileFault& fault);
    void LinkLost(int code);

    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    CommandLayer& layer_;
    Notifier& notifier_;
    std::string data_;
    std::size_t pos_ = 0;
    std::int32_t commandsSent_ = 0;
    bool streaming_ = false;
    std::uint8_t spinner_ = 0;
    std::string lastText_;
    Transport* link_ = nullptr;  // the link the job started on
};

}  // namespace vellisk
