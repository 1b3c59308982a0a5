#pragma once
// Job control: the road from a prepared drawing to a running machine. START checks the link and
// the machine, sends the travel speed and the zero commands, checks the drawing against the
// machine's work area, has the drawing write the job file "out.cnx", checks its size, sends the
// job's preamble and hands the file to the link: the streamer for the newer controller on USB or
// Ethernet, the modal transfer for the parallel port. Also Repeat, Hold, Continue, cutting only
// the selected figure, starting from the selected figure, and the burn of a bitmap on a laser
// machine, which START leads to for a bitmap drawing.
//
// The main frame calls the commands from its menu and buttons; the control panel calls START,
// Hold and Continue when the machine's own keys are pressed (PanelJobCommands). A command called
// while another one is still running (from inside a message box or a wait) does nothing.
// Job control keeps the one job state (JobState) that everyone on the GUI thread asks before
// talking to the machine: while the burn thread or the parallel-port transfer has the link,
// START, Repeat and the selected-figure commands send nothing. Errors
// of the core (a value out of range, a file that cannot be read) end the command with a message;
// they never leave it.
#include <filesystem>
#include <memory>
#include <string>

#include "machine_operation/job_panel.h"

namespace vellisk {

class MachineContext;
struct JobValues;
struct ProgramEnvironment;
class Settings;
class CommandLayer;
class Notifier;
class TTransArm;
class Ttransmisja;
class JobDrawing;
class GuiDispatcher;
class tBMPThread;

// The settings START and the bitmap burn read, taken once when the command begins.
struct JobSettings {
    double Scale = 100.0;           // skala, percent
    bool AllowForDiameter = false;  // doOutline
    double ToolDiameter = 0.0;      // srednica, mm
    bool Polish = false;            // polerowanie
    double PolishThickness = 0.0;   // poler_grubosc, mm
    double WorkSpeed = 0.0;         // WorkSpeed, mm/min
    double Thickness = 0.0;         // grubosc, mm
    bool FlyingStart = false;       // LotnyStart
    double PictureWidth = 0.0;      // SzerokoscObrazu, mm
    double PictureHeight = 0.0;     // WysokoscObrazu, mm
    double BurnPitch = 0.0;         // BMPKrok, mm
    double PowerForBlack = 0.0;     // MocDlaCzarnego, percent
    double PowerForWhite = 0.0;     // MocDlaBialego, percent
    bool BurnOneWay = false;        // Jednokierukowo
    double LaserIdlePower = 0.0;    // SpoczynkowaMocLasera, percent
};
JobSettings JobSettingsOf(const Settings& settings);

// What job control needs of the main frame.
class JobHost {
public:
    virtual ~JobHost() = default;
    // The drawing of the active drawing window, or null when no drawing window is open.
    virtual JobDrawing* ActiveDrawing() = 0;
    // The file name of the drawing open dialog (the caption of Repeat's and the selected-figure
    // commands' message boxes).
    virtual std::string OpenFileName() = 0;
    // A machine is present on USB (the USB link exists and found the machine).
    virtual bool UsbMachinePresent() = 0;
    // Shows the parallel-port transfer of "out.cnx" modally; 1 when the whole file was sent.
    virtual int RunTransfer() = 0;
};

class JobControl : public PanelJobCommands {
public:
    // `panel` is the control panel: it holds and continues, and its controls and timer follow
    // the job. `job` holds the start height the job's moves go to, which START sets.
    JobControl(MachineContext& ctx, const ProgramEnvironment& env, JobValues& job, Settings& settings,
               CommandLayer& layer, Notifier& notifier, TTransArm& streamer, Ttransmisja& transfer, JobPanel& panel,
               JobHost& host, GuiDispatcher* dispatcher);
    // Ends a burn that still runs and waits for its thread.
    ~JobControl() override;
    JobControl(const JobControl&) = delete;
    JobControl& operator=(const JobControl&) = delete;

    // --- the commands ---
    void Start1Click() override;        // START (F2)
    void Powtrz1Click();                // Repeat (Ctrl+F2)
    void Wstrzymaj1Click() override;    // Hold (Space)
    void Kontynuacja1Click() override;  // Continue (Shift+F2)
    void Tnijwybran1Click();            // cut the selected figure
    void Startodwybranej1Click();       // start from the selected figure
    void WypalBMP1Click();              // the bitmap burn (reached through START)

    // --- the burn's thread ---
    // The drawing window of `drawing` closes: its burn is ended and its thread joined.
    void DrawingClosing(const JobDrawing* drawing);
    // The main window closes: any burn is ended and its thread joined.
    void Shutdown();
    // The job state: who has the machine link now (see JobState).
    JobState State() const override;
    // No job command runs and the state leaves the link to the GUI thread.
    bool GuiMayUseLink() const override;
    tBMPThread* BurnThread() const { return burn_.get(); }

    std::filesystem::path JobFile() const;

private:
    template <typename F>
    void Run(F command);

    bool LinkCheck();
    void StartJob();
    void Burn();
    // The burn of a bitmap drawing whose link check (status, base point) has just been made.
    void BurnChecked(JobDrawing& drawing);
    void Selected(bool fromSelected);
    void EndBurn();
    int RunTransfer();

    std::string TravelSpeedCommand() const;
    bool SendWait(const std::string& command);  // command, 10 ms, wait while busy (false: stopped)
    void Refuse(const std::string& text);       // START's box: empty caption, error icon
    bool HasFigures(const JobDrawing& drawing);
    bool WorkAreaChecks(double sx, double sy, double d, double p);
    bool FlyingStartChecks(double d);

    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    JobValues& job_;
    Settings& settings_;
    CommandLayer& layer_;
    Notifier& notifier_;
    TTransArm& streamer_;
    Ttransmisja& transfer_;
    JobPanel& panel_;
    JobHost& host_;
    GuiDispatcher* dispatcher_;
    bool inCommand_ = false;
    bool transferRunning_ = false;  // the parallel-port transfer runs (modal)
    std::unique_ptr<tBMPThread> burn_;
    const JobDrawing* burnDrawing_ = nullptr;
};

}  // namespace vellisk
