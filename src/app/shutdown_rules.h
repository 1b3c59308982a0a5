#pragma once
// What the program decides at start and at close, free of any window: whether the USB link is
// made at all (the switch "95"), and whether the operator may close the program now.
#include <string>
#include <vector>

namespace vellisk {

// The command line as the program was started (argv[0] first), before the GUI framework takes
// its own switches out. The USB link is made unless the first or the second parameter is
// exactly "95" (an old system where touching the USB devices hangs).
bool UsbLinkWanted(const std::vector<std::string>& argv);

// What the close query answers.
enum class CloseAnswer {
    Allow,
    RefuseStreaming,     // a job streams to the newer controller and is not held
    StopStreamAndAllow,  // the streaming job is held: end the stream, then close
    RefuseTransfer,      // the parallel-port transfer runs (its dialog must be closed first)
};

struct CloseState {
    bool armLink = false;      // controller on USB or Ethernet
    bool streaming = false;    // the streamer is sending a job
    bool jobHeld = false;      // the job is held
    bool lptTransfer = false;  // the parallel-port transfer dialog runs
};

CloseAnswer CloseQuery(const CloseState& s);

}  // namespace vellisk
