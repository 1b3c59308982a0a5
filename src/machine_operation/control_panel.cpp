// The panel's life (creation, activation, deactivation): the machine type and the link
// decision, the identity, and what each part shows when the window opens.
#include "machine_operation/control_panel.h"

#include "machine_link/lpt_transport.h"

namespace vellisk {

ControlPanel::ControlPanel(MachineContext& ctx, const ProgramEnvironment& env, const JobValues& job, Settings& settings,
                           CommandLayer& layer, PanelLinks links, TTransArm& streamer, Notifier& notifier, Clock& clock)
    : shared_(ctx, env, job, settings, layer, links, streamer, notifier, clock),
      display_(shared_),
      manual_(shared_, display_),
      pump_(shared_, display_, manual_) {}

ControlPanel::~ControlPanel() = default;

void ControlPanel::AttachView(PanelView* view) {
    shared_.view = view ? view : &shared_.nullView;
    display_.Captions();
    manual_.ShowBars();
    display_.ShowControls();
    manual_.ShowPulseTime();
    shared_.view->TimerChanged(shared_.timerOn, shared_.interval);
}

// ---- life of the window ------------------------------------------------------------------

void ControlPanel::FormCreate(const PanelStartup& startup) {
    MachineContext& ctx = shared_.ctx;
    CommandLayer& layer = shared_.layer;
    display_.Captions();
    // The machine type: "typ.txt" names the model; without it a present USB machine means the
    // newer controller.
    if (const auto kept = pump_.KeptMachineType()) {
        ctx.PlotState.Model = *kept;
        manual_.SelectModel();
    } else if (shared_.UsbPresent()) {
        ctx.ArmLink = true;
    }
    ctx.OsIsNT = startup.osIsNT;
    if (!ctx.ArmLink && ctx.OsIsNT) ctx.ArmLink = true;

    // The identity, kept in "typ.txt" only when the controller really gave one: a USB machine,
    // an Ethernet connection or a parallel-port reply that named the machine. Otherwise the
    // start-up default would be stored as the machine's model and decide the link at every
    // later start.
    const bool answered = layer.ReadStatus();
    if (!layer.TimedOut()) {
        const bool named = layer.ReadMachineInfo();
        const bool identity = named && (ctx.ArmLink ? (shared_.UsbPresent() || ctx.EthernetConnected.load())
                                                    : (answered && !layer.TimedOut()));
        if (identity)
            pump_.TakeIdentity();
        else
            manual_.SelectModel();
    }

    if (ctx.ArmLink)
        shared_.SetInterval(kIntervalIdleArm);
    else if (shared_.links.lpt)
        shared_.links.lpt->Init();

    display_.Show(PanelControl::PulseField, ctx.PlotParams.Laser != 0);
    shared_.stopRequest = false;
    manual_.LoadPulseTime();
}

void ControlPanel::FormActivate() {
    MachineContext& ctx = shared_.ctx;
    CommandLayer& layer = shared_.layer;
    display_.UnitCaptions();
    manual_.ForgetKeys();
    shared_.StopTimer();

    const tplotparams& p = ctx.PlotParams;
    const bool answered = layer.ReadStatus();
    if (answered || !layer.TimedOut() || shared_.UsbPresent()) {
        if (ctx.ArmLink) layer.SendCommand("X");
        if (layer.ReadMachineInfo())
            pump_.TakeIdentity();
        else
            manual_.SelectModel();
        layer.ReadToolState();
        manual_.ShowMachineBars();
        layer.ReadPosition();
        layer.ReadBase();
        manual_.ForgetPowerDisplay();
    }
    if (ctx.ArmLink) {
        shared_.interval = kIntervalNormal;
        layer.SendCommand("X");
        display_.LinkCaption();
    }
    shared_.StartTimer();
    display_.Show(PanelControl::Outputs, !p.Laser);
    display_.Show(PanelControl::ToolLength, !p.Laser || p.ZReversed);
    // The identity read above may have changed the machine kind since creation.
    display_.Show(PanelControl::PulseField, p.Laser != 0);
    manual_.LoadPulseTime();
}

void ControlPanel::FormDeactivate() {
    if (shared_.ctx.ArmLink)
        shared_.SetInterval(kIntervalIdleArm);
    else
        shared_.StopTimer();
    manual_.SavePulseTime();
}

bool ControlPanel::OpenAllowed() {
    // The newer controller's panel closes at once without its link: it is not opened, and the
    // operator is told why.
    const MachineContext& ctx = shared_.ctx;
    if (!ctx.ArmLink || shared_.UsbPresent() || shared_.TcpConnected()) return true;
    shared_.notifier.Message(shared_.env.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok,
                             shared_.env.Text(TextId::PanelManualControl));
    return false;
}

}  // namespace vellisk
