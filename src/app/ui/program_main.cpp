#include "app/ui/program_main.h"

#include <QApplication>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStatusBar>
#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "app/about_texts.h"
#include "app/job_control.h"
#include "app/shutdown_rules.h"
#include "app/ui/about_box.h"
#include "app/ui/application.h"
#include "app/ui/frame_notifier.h"
#include "app/ui/main_form.h"
#include "app/ui/mdi_drawing_child.h"
#include "app/ui/project_child.h"
#include "app/ui/qt_dispatcher.h"
#include "drawing_window/ui/hatching_form.h"
#include "drawing_window/ui/info_form.h"
#include "drawing_window/ui/layers_form.h"
#include "drawing_window/ui/tmdichild.h"
#include "drawing_window/project.h"
#include "app/job_drawing.h"
#include "machine_link/command_layer.h"
#include "machine_link/inverter.h"
#include "machine_link/ethernet_link.h"
#include "machine_link/lpt_transfer.h"
#include "machine_link/lpt_transport.h"
#include "machine_link/machine_context.h"
#include "machine_link/trans_arm.h"
#include "machine_link/ui/transmisja_dialog.h"
#include "machine_link/usb_link.h"
#include "machine_operation/bmp_thread.h"
#include "machine_operation/control_panel.h"
#include "machine_operation/ui/base_points_form.h"
#include "machine_operation/ui/move_form.h"
#include "machine_operation/ui/outputs_form.h"
#include "machine_operation/ui/tool_length_form.h"
#include "machine_operation/ui/tster.h"
#include "model/lang_texts.h"
#include "platform/gui_notifier.h"
#include "platform/os_info.h"
#include "platform/libusb_hid_backend.h"
#include "platform/program_dir.h"
#include "settings/config_dialog.h"
#include "settings/settings.h"
#include "settings/ui/dlgkonfig.h"

namespace vellisk::ui {

namespace {

// A port number from the environment (a controller that listens elsewhere than the machine's
// own ports, such as the simulated controller), or `fallback`.
std::uint16_t PortFromEnvironment(const char* name, std::uint16_t fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    return (*end == '\0' && n > 0 && n < 65536) ? static_cast<std::uint16_t>(n) : fallback;
}

}  // namespace

// What job control needs of the program: the active drawing, the file name last opened, the USB
// machine, and the parallel-port transfer shown modally.
class Program::Host : public JobHost {
public:
    explicit Host(Program& p) : p_(p) {}
    JobDrawing* ActiveDrawing() override {
        DrawingChild* d = p_.main_->ActiveDrawing();
        return d ? d->Job() : nullptr;
    }
    std::string OpenFileName() override { return p_.main_->OpenFileName().toStdString(); }
    bool UsbMachinePresent() override { return p_.usb_ && p_.usb_->DranholtFrezExist(); }
    int RunTransfer() override {
        transferRunning = true;
        TransmisjaDialog dlg(*p_.transfer_, p_.env_, p_.main_.get());
        const int r = dlg.exec();
        transferRunning = false;
        return r;
    }
    bool transferRunning = false;

private:
    Program& p_;
};

// What the main frame runs of the program: the drawing windows, job control's commands, the
// control panel and the dialogs of the active drawing, and the state its close query looks at.
class Program::Commands : public FrameCommands {
public:
    explicit Commands(Program& p) : p_(p) {}

    std::unique_ptr<DrawingChild> CreateDrawing(int kind) override {
        ConfigDialog* config = p_.config_.get();
        if (kind == KindBitmap)
            return std::make_unique<ProjectChild>(kind, config->settings(), p_.env_, p_.job_, *p_.notifier_, config);
        auto child = std::make_unique<MdiDrawingChild>(kind, config->settings(), *p_.ctx_, p_.env_, p_.job_,
                                                       *p_.notifier_, [this] { return p_.main_->View(); });
        // The window's layers and information commands (its popup menu and the frame's items).
        if (QPointer<TMDIChild> w = child->Window()) {
            Program& p = p_;
            w->ShowLayersDialog = [&p, w] {
                return w && ShowLayersDialog(w->project(), p.config_->settings(), *p.ctx_, p.env_, *p.notifier_,
                                             p.main_.get());
            };
            w->ShowInfo = [&p, w] {
                if (!w) return;
                auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget());
                ShowInfoForm(w->project(), p.config_->settings(), p.env_,
                             sub ? sub->property("fileName").toString().toStdString() : std::string(),
                             p.config_->Caption(), p.main_.get());
            };
        }
        return child;
    }

    void Start1Click() override { Job(&JobControl::Start1Click); }
    void Kontynuacja1Click() override { Job(&JobControl::Kontynuacja1Click); }
    void Powtrz1Click() override { Job(&JobControl::Powtrz1Click); }
    void Wstrzymaj1Click() override { Job(&JobControl::Wstrzymaj1Click); }
    void Tnijwybran1Click() override { Job(&JobControl::Tnijwybran1Click); }
    void Startodwybranej1Click() override { Job(&JobControl::Startodwybranej1Click); }
    void WypalBMP1Click() override { Job(&JobControl::WypalBMP1Click); }

    void ShowPanel() override {
        Tster& panel = *p_.panelForm_;
        if (!panel.isVisible() && !p_.panel_->OpenAllowed()) return;
        // The first time, the panel stands at the frame's right edge below its tool bar, clear of
        // the status bar (which says how a job stands); later it opens where the operator left it.
        if (!p_.panelPlaced_) {
            const QRect area = p_.main_->geometry();
            const int bottom = area.bottom() - p_.main_->statusBar()->height();
            const int x = std::max(area.left(), area.right() - panel.width() - 8);
            const int y = std::max(area.top(), std::min(area.top() + 80, bottom - panel.height()));
            panel.move(x, y);
            p_.panelPlaced_ = true;
        }
        p_.panelForm_->show();
        p_.panelForm_->raise();
        p_.panelForm_->activateWindow();
    }
    void ShowAbout() override { p_.about_->exec(); }
    // Information, layers and hatching of the active drawing window.
    void ShowInfo() override {
        if (TMDIChild* w = ActiveWindow(); w && w->ShowInfo) w->ShowInfo();
    }
    void ShowLayers() override {
        if (TMDIChild* w = ActiveWindow()) w->pmWarstwy()->trigger();
    }
    bool ShowHatching() override {
        TMDIChild* w = ActiveWindow();
        return w && ShowHatchingDialog(w->project(), p_.config_->settings(), p_.env_, p_.job_, *p_.notifier_,
                                       p_.main_.get());
    }

    CloseState CloseStateNow() override {
        CloseState s;
        s.armLink = p_.ctx_->ArmLink;
        s.streaming = p_.streamer_->Streaming();
        s.jobHeld = p_.ctx_->JobHeld;
        s.lptTransfer = p_.host_->transferRunning;
        return s;
    }
    void StopStream() override { p_.streamer_->stop(); }
    void EndBurn() override {
        if (p_.jobs_) p_.jobs_->Shutdown();
    }
    void DrawingClosing(DrawingChild* d) override {
        if (p_.jobs_ && d && d->Job()) p_.jobs_->DrawingClosing(d->Job());
    }

private:
    void Job(void (JobControl::*command)()) {
        if (p_.jobs_) (p_.jobs_.get()->*command)();
    }
    TMDIChild* ActiveWindow() {
        auto* d = dynamic_cast<MdiDrawingChild*>(p_.main_->ActiveDrawing());
        return d ? d->Window() : nullptr;
    }

    Program& p_;
};

Program::Program(std::vector<std::string> argv) : argv_(std::move(argv)) {
    const std::vector<std::string> params(argv_.size() > 1 ? argv_.begin() + 1 : argv_.end(), argv_.end());
    ctx_ = std::make_unique<MachineContext>();
    env_.Lang = DetectLanguage(params);
    settings_ = std::make_unique<Settings>();
    notifier_ = std::make_unique<FrameNotifier>();
    dispatcher_ = std::make_unique<QtDispatcher>();
    threadNotifier_ = std::make_unique<GuiThreadNotifier>(*notifier_, *dispatcher_);
    Notifier& notifier = *threadNotifier_;
    layer_ = std::make_unique<CommandLayer>(*ctx_, env_, job_, notifier);

    // 1. The main frame; the program folder is known from here on.
    env_.ProgramDir = ResolveProgramDir();
    main_ = std::make_unique<TMainForm>(*ctx_, env_, job_, notifier);
    notifier_->SetStatusBar(main_->statusBar());

    // 2. The USB link, unless "95" is the first or second parameter; a failure to make it
    //    leaves the program without USB.
    if (UsbLinkWanted(argv_)) {
        try {
            hid_ = std::make_unique<LibusbHidBackend>();
            usb_ = std::make_unique<TfUsb>(*ctx_, *hid_, notifier);
            layer_->SetUsb(usb_.get());
        } catch (...) {
            usb_.reset();
            hid_.reset();
        }
    }

    // The parallel port (when the machine has one here) and the Ethernet link. The Ethernet
    // link's address is the configuration's; it is taken up again once the configuration is
    // read, and nothing connects before the panel's timer runs.
    lpt_ = LptTransport::Open();
    layer_->SetParallelPort(lpt_.get());
    ethernet_ = std::make_unique<TfEthernet>(*ctx_, env_, notifier);
    ethernet_->SetPorts(PortFromEnvironment("VELLISK_COMMAND_PORT", TfEthernet::kCommandPort),
                        PortFromEnvironment("VELLISK_IDENTITY_PORT", TfEthernet::kIdentityPort));
    layer_->SetEthernet(ethernet_.get());
    streamer_ = std::make_unique<TTransArm>(*ctx_, env_, *layer_, notifier);
    transfer_ = std::make_unique<Ttransmisja>(*ctx_, env_, job_, *layer_, notifier);
    host_ = std::make_unique<Host>(*this);

    // 3. The control panel: it decides the link, starts the Ethernet watch and asks the
    //    machine who it is.
    panel_ = std::make_unique<ControlPanel>(*ctx_, env_, job_, *settings_, *layer_,
                                            PanelLinks{lpt_.get(), usb_.get(), ethernet_.get()}, *streamer_, notifier);
    panelForm_ = std::make_unique<Tster>(*panel_, env_, ParamPresent(params, "touchPanel"), main_.get());
    PanelStartup startup;
    startup.osIsNT = OsVersionText().NoParallelPort;
    panel_->FormCreate(startup);

    // 4. The configuration: "Quarnell.cfg", the current settings file and "DADudavu.txt".
    config_ = std::make_unique<ConfigDialog>(*settings_, *ctx_, env_, job_, *notifier_);
    config_->CommandLine = params;
    config_->Create();
    configForm_ = std::make_unique<TDlgkonfig>(*config_, main_.get());
    configForm_->UsbPresent = [this] { return usb_ && usb_->DranholtFrezExist(); };
    configForm_->SendCommand = [this](const std::vector<std::uint8_t>& c) {
        // The address goes to the machine only while nothing else has the link.
        if (jobs_ && !jobs_->GuiMayUseLink()) return;
        layer_->SendCommand(std::string_view(reinterpret_cast<const char*>(c.data()), c.size()));
    };
    configForm_->RestartEthernet = [this] { ethernet_->restart(); };
    main_->SetConfig(config_.get(), configForm_.get());
    commands_ = std::make_unique<Commands>(*this);
    main_->SetCommands(commands_.get());

    // 5. The Ethernet link to the address the configuration set, the tool-length dialog, the
    //    outputs dialog. (The edit fields open the shared keypad themselves.)
    ethernet_->restart();
    toolLength_ = std::make_unique<TdlugoscForm>(*layer_, env_, *settings_, panel_.get(), main_.get());
    outputs_ = std::make_unique<TWyjsciaForm>(*layer_, env_, main_.get());

    // 6. The application's title.
    QApplication::setApplicationName("Vellisk");

    // 7. The About box and the other dialogs, none shown.
    about_ = std::make_unique<TAboutBox>(
        *ctx_, env_, [this] { return aboutReader_ && aboutReader_->Read(); }, main_.get());
    move_ = std::make_unique<Tprzesun>(*layer_, env_, *settings_, panel_.get(), main_.get());
    basePoints_ = std::make_unique<TPunkty_bazowe>(*layer_, env_, main_.get());

    WireJobControl();
    WirePanelHooks();
    aboutReader_ = std::make_unique<AboutMachineReader>(*layer_, jobs_.get());
    // A wait for the machine on the GUI thread (a go-to of START, homing, hold) keeps the window
    // painting and the panel's STOP pressable; the job state keeps anything else that would use
    // the link from starting meanwhile.
    layer_->SetKeepAlive([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
}

void Program::WireJobControl() {
    jobs_ = std::make_unique<JobControl>(*ctx_, env_, job_, *settings_, *layer_, *threadNotifier_, *streamer_,
                                         *transfer_, *panel_, *host_, dispatcher_.get());
    panel_->SetJobCommands(jobs_.get());
}

void Program::WirePanelHooks() {
    PanelHooks h;
    h.basePoints = [this](double& x, double& y) {
        if (basePoints_->exec() != QDialog::Accepted) return false;
        x = basePoints_->X();
        y = basePoints_->Y();
        return true;
    };
    h.activeDrawing = [this]() -> std::optional<PanelDrawing> {
        DrawingChild* d = main_->ActiveDrawing();
        if (!d || !d->Job()) return std::nullopt;
        return PanelDrawing{d->Job()->Kind(), d->Job()->Width(), d->Job()->Height()};
    };
    h.moveDialog = [this] { move_->exec(); };
    h.outputsDialog = [this] { outputs_->exec(); };
    h.toolLengthDialog = [this] { toolLength_->exec(); };
    h.loadInverter = [this] { LoadInverterParameters(*layer_, env_); };
    h.resumeBurn = [this] {
        if (tBMPThread* burn = jobs_->BurnThread()) burn->Resume();
    };
    panel_->SetHooks(std::move(h));
}

Program::~Program() {
    // Job control first (it ends and joins a burn), then the windows (they use the links and the
    // settings), then the links.
    main_->SetCommands(nullptr);
    aboutReader_.reset();
    jobs_.reset();
    basePoints_.reset();
    move_.reset();
    about_.reset();
    outputs_.reset();
    toolLength_.reset();
    panelForm_.reset();
    panel_.reset();
    configForm_.reset();
    main_.reset();
    layer_->SetEthernet(nullptr);
    layer_->SetUsb(nullptr);
    layer_->SetParallelPort(nullptr);
    transfer_.reset();
    streamer_.reset();
    ethernet_.reset();
    lpt_.reset();
    usb_.reset();
    hid_.reset();
}

int Program::Run() {
    main_->show();
    panel_->StartTimer();
    QApplication::exec();
    panel_->StopTimer();
    // The state of this run; a failure to write it was reported by the configuration and the
    // program still ends normally.
    if (!config_->SaveGlobal()) std::cerr << "Vellisk: " << env_.Text(TextId::GlobalStateNotSaved) << "\n";
    return 0;
}

int ProgramMain(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    Application app(argc, argv);
    Program program(args);
    for (std::size_t i = 1; i < args.size(); ++i) {
        const QString arg = QString::fromLocal8Bit(args[i].c_str());
        if (QFileInfo(arg).isFile()) program.MainForm().OpenDrawing(arg);
    }
    return program.Run();
}

}  // namespace vellisk::ui
