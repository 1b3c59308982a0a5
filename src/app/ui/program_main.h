#pragma once
// The program: its objects made in the order start-up needs (the language before any form, the
// main frame before the configuration, the link decision before the settings are loaded, the
// Ethernet link after the machine's address is known), the message loop with the control
// panel's timer as the only periodic driver, and at exit the timer stopped and "Quarnell.cfg"
// written.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "machine_link/job_values.h"
#include "model/program_environment.h"

namespace vellisk {
class CommandLayer;
class ConfigDialog;
class GuiThreadNotifier;
class HidBackend;
class JobControl;
class AboutMachineReader;
class JobHost;
class LptTransport;
class MachineContext;
class Settings;
class TTransArm;
class TfEthernet;
class TfUsb;
class Ttransmisja;
class ControlPanel;
}  // namespace vellisk

namespace vellisk::ui {

class FrameNotifier;
class QtDispatcher;
class TAboutBox;
class TDlgkonfig;
class TMainForm;
class TPunkty_bazowe;
class TWyjsciaForm;
class TdlugoscForm;
class Tprzesun;
class Tster;

class Program {
public:
    // `argv` is the command line as started (argv[0] first), before the GUI framework took its
    // own switches out. A QApplication must exist.
    explicit Program(std::vector<std::string> argv);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Runs the message loop until the main frame closes, then stops the panel's timer and writes
    // "Quarnell.cfg" (a failure is reported; the program still ends normally). Returns the exit
    // status.
    int Run();

    ProgramEnvironment& Environment() { return env_; }
    MachineContext& Context() { return *ctx_; }
    TMainForm& MainForm() { return *main_; }
    ConfigDialog& Config() { return *config_; }
    TDlgkonfig& ConfigForm() { return *configForm_; }
    CommandLayer& Layer() { return *layer_; }
    TfEthernet& Ethernet() { return *ethernet_; }
    TfUsb* Usb() { return usb_.get(); }
    FrameNotifier& Notify() { return *notifier_; }
    TAboutBox& AboutBox() { return *about_; }
    TTransArm& Streamer() { return *streamer_; }
    JobControl* Jobs() { return jobs_.get(); }
    ControlPanel& Panel() { return *panel_; }
    Tster& PanelForm() { return *panelForm_; }

private:
    class Host;
    class Commands;
    void WireJobControl();
    void WirePanelHooks();

    std::vector<std::string> argv_;
    ProgramEnvironment env_;
    JobValues job_;  // the job in hand: job control, the configuration, the drawings and the link read it
    std::unique_ptr<MachineContext> ctx_;
    std::unique_ptr<Settings> settings_;
    std::unique_ptr<FrameNotifier> notifier_;
    std::unique_ptr<QtDispatcher> dispatcher_;
    std::unique_ptr<GuiThreadNotifier> threadNotifier_;  // the core's notifier (also from the burn)
    std::unique_ptr<CommandLayer> layer_;
    std::unique_ptr<LptTransport> lpt_;
    std::unique_ptr<HidBackend> hid_;
    std::unique_ptr<TfUsb> usb_;
    std::unique_ptr<TfEthernet> ethernet_;
    std::unique_ptr<TTransArm> streamer_;
    std::unique_ptr<Ttransmisja> transfer_;
    std::unique_ptr<Host> host_;
    std::unique_ptr<Commands> commands_;  // what the main frame runs
    std::unique_ptr<ControlPanel> panel_;
    std::unique_ptr<Tster> panelForm_;
    std::unique_ptr<JobControl> jobs_;
    std::unique_ptr<AboutMachineReader> aboutReader_;
    std::unique_ptr<ConfigDialog> config_;
    std::unique_ptr<TMainForm> main_;
    std::unique_ptr<TDlgkonfig> configForm_;
    std::unique_ptr<TdlugoscForm> toolLength_;
    std::unique_ptr<TWyjsciaForm> outputs_;
    std::unique_ptr<TAboutBox> about_;
    std::unique_ptr<Tprzesun> move_;
    std::unique_ptr<TPunkty_bazowe> basePoints_;
    bool panelPlaced_ = false;  // the panel was given its first place beside the frame
};

// The program's main block: copies the command line, makes the application and the program,
// opens the drawings named on the command line and runs it.
int ProgramMain(int argc, char** argv);

}  // namespace vellisk::ui
