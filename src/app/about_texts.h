#pragma once
// What the About box shows: the program's version and, read from the machine each time the box
// is shown, its producer, model, work area, production date, running time and number of files.
#include <cstdint>
#include <string>

namespace vellisk {

class MachineContext;
struct ProgramEnvironment;
class CommandLayer;
class PanelJobCommands;

// major.minor, then ".release" and ".build" when asked for, from the build's version.
std::string GetVersionString(bool withRelease, bool withBuild);

// "600x400": the work area in whole millimetres (halves to even).
std::string WorkAreaText(double x, double y);
// "YYYY.MM.DD" from the machine's 8-character date; `noData` when the date is shorter.
std::string ProductionDateText(const std::string& date, const std::string& noData);
// "2 hour  5 min " for 125 minutes, with the language's words.
std::string RunTimeText(std::int32_t minutes, const ProgramEnvironment& env);

struct AboutTexts {
    std::string ver;
    std::string prod, model, obszar, dataprod, przebieg, ilpl;
    bool dealerPanel = false;  // the form is tall enough to uncover the dealer panel
};

// The box's texts; `answered` is whether the controller answered the status read (the machine
// info has then been read into the context).
AboutTexts MakeAboutTexts(const MachineContext& ctx, const ProgramEnvironment& env, bool answered);

// The About box's read of the machine: the status, then the machine information. While job
// control says the link is taken (a burn, the parallel-port transfer, a job command waiting for
// the machine), nothing is read and the box shows what it read last time.
class AboutMachineReader {
public:
    AboutMachineReader(CommandLayer& layer, const PanelJobCommands* jobs) : layer_(layer), jobs_(jobs) {}
    // Whether the machine answered (now, or at the last read when the link is taken).
    bool Read();

private:
    CommandLayer& layer_;
    const PanelJobCommands* jobs_;
    bool lastRead_ = false;
};

}  // namespace vellisk
