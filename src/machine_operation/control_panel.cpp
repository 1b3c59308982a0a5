// The panel's life (creation, activation, deactivation), the timer event and the status
// refresh's link part: the caption, the machine's keys and the loss of the link.
#include "machine_operation/control_panel.h"

#include <fstream>

#include "machine_link/ethernet_link.h"
#include "machine_link/ethernet_watch.h"
#include "machine_link/lpt_transport.h"
#include "machine_link/trans_arm.h"
#include "machine_link/usb_link.h"
#include "model/numeric.h"
#include "platform/whole_file.h"
#include "settings/settings.h"

namespace vellisk {

using namespace std::chrono_literals;

ControlPanel::ControlPanel(MachineContext& ctx, Settings& settings, CommandLayer& layer, PanelLinks links,
                           TTransArm& streamer, Notifier& notifier, Clock& clock)
    : ctx_(ctx),
      settings_(settings),
      layer_(layer),
      links_(links),
      streamer_(streamer),
      notifier_(notifier),
      clock_(clock),
      view_(&nullView_) {
    enabled_.fill(true);
    visible_.fill(true);
    if (links_.eth) ethernetWatch_ = std::make_unique<tEthernetCzuwanie>(*links_.eth);
}

ControlPanel::~ControlPanel() {
    timerOn_ = false;
    // Stops and joins the watch thread (its connect is bounded by the link's time limit).
    ethernetWatch_.reset();
}

void ControlPanel::AttachView(PanelView* view) {
    view_ = view ? view : &nullView_;
    Captions();
    view_->ShowSpeedBar(speedBar_);
    view_->ShowPowerBar(powerBar_);
    for (int i = 0; i < static_cast<int>(PanelControl::Count); ++i) {
        view_->SetEnabled(static_cast<PanelControl>(i), enabled_[i]);
        view_->SetVisible(static_cast<PanelControl>(i), visible_[i]);
    }
    view_->ShowPulseTime(pulseMs_);
    view_->TimerChanged(timerOn_, interval_);
}

// ---- links -------------------------------------------------------------------------------

bool ControlPanel::UsbPresent() { return links_.usb && links_.usb->DranholtFrezExist(); }

bool ControlPanel::TcpConnected() const { return links_.eth && links_.eth->Connected(); }

void ControlPanel::SetInterval(int ms) {
    if (interval_ == ms) return;
    interval_ = ms;
    view_->TimerChanged(timerOn_, interval_);
}

void ControlPanel::StopTimer() {
    timerOn_ = false;
    view_->TimerChanged(timerOn_, interval_);
}

void ControlPanel::StartTimer() {
    timerOn_ = true;
    view_->TimerChanged(timerOn_, interval_);
}

// ---- captions ----------------------------------------------------------------------------

void ControlPanel::UnitCaptions() {
    const std::string unit = " [" + UnitName(ctx_.LengthUnit) + "]";
    view_->SetText(PanelText::MachineBox, ctx_.Text(TextId::PanelMachineCoordinates) + unit);
    view_->SetText(PanelText::ProjectBox, ctx_.Text(TextId::PanelProjectCoordinates) + unit);
    view_->SetText(PanelText::SpeedBox, ctx_.Text(TextId::PanelSpeed) + " [" + UnitName(ctx_.LengthUnit) + "/min]");
}

void ControlPanel::Captions() {
    view_->SetCaption(ctx_.Text(TextId::PanelManualControl));
    UnitCaptions();
    view_->SetText(PanelText::PowerBox, ctx_.Text(TextId::PanelRotationsPercent));
    view_->SetText(PanelText::HomeButton, ctx_.Text(TextId::PanelHome));
    view_->SetText(PanelText::SetZeroButton, ctx_.Text(TextId::PanelSetProjectHome));
    view_->SetText(PanelText::MoveButton, ctx_.Text(TextId::PanelMoveButton));
    view_->SetText(PanelText::ToolLengthButton, ctx_.Text(TextId::PanelToolLength));
    view_->SetText(PanelText::CloseButton, ctx_.Text(TextId::PanelCloseButton));
    view_->SetText(PanelText::OutputsButton, ctx_.Text(TextId::PanelOutputs));
    view_->SetText(PanelText::StopButton, ctx_.Text(TextId::PanelStopButton));
    view_->SetText(PanelText::SpeedBarHint, ctx_.Text(TextId::PanelSpeedBarHint));
    view_->SetText(PanelText::PowerBarHint, ctx_.Text(TextId::PanelSpindleBarHint));
    view_->SetText(PanelText::ToolUpHint, ctx_.Text(TextId::PanelToolUpHint));
    view_->SetText(PanelText::ToolDownHint, ctx_.Text(TextId::PanelToolDownHint));
    view_->SetText(PanelText::SpindleHint, ctx_.Text(TextId::PanelSpindleHint));
    view_->SetText(PanelText::PulseLabel, ctx_.Text(TextId::PanelImpulseTime));
}

void ControlPanel::LinkCaption() {
    if (UsbPresent())
        view_->SetCaption(ctx_.Text(TextId::PanelConnectedUsb));
    else if (ctx_.EthernetConnected.load())
        view_->SetCaption(ctx_.Text(TextId::PanelConnectedEthernet));
    else
        view_->SetCaption(ctx_.Text(TextId::PanelNotConnected));
}

void ControlPanel::setVerParam() {
    SelectMachineModel(ctx_, notifier_);
    const tplotparams& p = ctx_.PlotParams;
    speedBar_.SetRange(p.MinFeed, p.DirectSpeedBar ? p.MaxSpeed : p.SpeedBarMax);
    view_->ShowSpeedBar(speedBar_);
}

// ---- life of the window ------------------------------------------------------------------

void ControlPanel::FormCreate(const PanelStartup& startup) {
    Captions();
    // The machine type: "typ.txt" names the model; without it a present USB machine means the
    // newer controller.
    const auto typ = ctx_.ProgramDir / "typ.txt";
    std::error_code ec;
    if (std::filesystem::exists(typ, ec)) {
        std::ifstream in(typ, std::ios::binary);
        std::string line;
        std::getline(in, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ctx_.PlotState.Model = line;
        setVerParam();
    } else if (UsbPresent()) {
        ctx_.ArmLink = true;
    }
    ctx_.OsIsNT = startup.osIsNT;
    if (!ctx_.ArmLink && ctx_.OsIsNT) ctx_.ArmLink = true;

    // The identity, kept in "typ.txt" only when the controller really gave one: a USB machine,
    // an Ethernet connection or a parallel-port reply. Otherwise the start-up default would be
    // stored as the machine's model and decide the link at every later start.
    const bool answered = layer_.ReadStatus();
    if (!layer_.TimedOut()) {
        layer_.ReadMachineInfo();
        const bool identity = ctx_.ArmLink ? (UsbPresent() || ctx_.EthernetConnected.load())
                                           : (answered && !layer_.TimedOut());
        if (identity) {
            std::string why;
            if (!WriteWholeFile(typ, ctx_.PlotState.Model, &why))
                notifier_.Message(ctx_.Text(TextId::CannotOpenFile) + " " + typ.string(), MessageKind::Error);
        }
        setVerParam();
    }

    if (ctx_.ArmLink)
        SetInterval(kIntervalIdleArm);
    else if (links_.lpt)
        links_.lpt->Init();

    Show(PanelControl::PulseField, ctx_.PlotParams.Laser != 0);
    stopRequest_ = false;
    pulseMs_ = settings_.Number(setting::LaserPulseTime);
    view_->ShowPulseTime(pulseMs_);
}

void ControlPanel::FormActivate() {
    UnitCaptions();
    ctx_.JogActive = false;
    keyRepeat_ = false;
    lastKey_ = 0;
    ctrlHeld_ = false;
    StopTimer();

    const tplotparams& p = ctx_.PlotParams;
    const bool answered = layer_.ReadStatus();
    if (answered || !layer_.TimedOut() || UsbPresent()) {
        if (ctx_.ArmLink) layer_.SendCommand("X");
        layer_.ReadMachineInfo();
        setVerParam();
        layer_.ReadToolState();

        const std::int32_t v = ctx_.PlotState.SpindleValue;
        if (p.Laser) {
            powerBar_.SetRange(0, 1000);
            powerBar_.largeChange = 100;
            powerBar_.smallChange = 4;
            view_->SetText(PanelText::PowerBox, ctx_.Text(TextId::PanelPowerPolish));
            view_->SetText(PanelText::PowerBarHint, ctx_.Text(TextId::PanelPowerBarHint));
            view_->SetText(PanelText::SpindleHint, ctx_.Text(TextId::PanelLaserHint));
            SetPowerPosition(static_cast<std::int32_t>(RoundHalfEven(v * 1000.0 / 256.0)));
        } else if (ctx_.ArmLink) {
            powerBar_.SetRange(30, 240);
            powerBar_.largeChange = 10;
            powerBar_.smallChange = 1;
            SetPowerPosition(v);
        } else {
            powerBar_.SetRange(0, 100);
            SetPowerPosition(static_cast<std::int32_t>(RoundHalfEven(v * 100.0 / 255.0)));
        }
        PScrollLabel();
        view_->ShowPowerBar(powerBar_);

        layer_.ReadSpeeds();
        std::int32_t max = p.MaxSpeed;
        if (!p.DirectSpeedBar)
            max = p.SpeedBarMax;
        else if (ctx_.PlotState.SpeedSet == 1)
            max = settings_.Flag(setting::Smoothing) ? p.MaxSmoothSpeed : p.MaxWorkSpeed;
        speedBar_.SetRange(speedBar_.min, max);
        view_->ShowSpeedBar(speedBar_);
        if (ctx_.PlotState.Speed != 0) {
            const std::int32_t s = ctx_.TimerToSpeed(ctx_.PlotState.Speed);
            ShowMachineSpeed(p.DirectSpeedBar ? s : SpeedToSpeedBar(s));
        }
        layer_.ReadPosition();
        layer_.ReadBase();
        lastOutputIndex_ = 255;
    }
    if (ctx_.ArmLink) {
        interval_ = kIntervalNormal;
        layer_.SendCommand("X");
        LinkCaption();
    }
    StartTimer();
    Show(PanelControl::Outputs, !p.Laser);
    Show(PanelControl::ToolLength, !p.Laser || p.ZReversed);
    // The identity read above may have changed the machine kind since creation.
    Show(PanelControl::PulseField, p.Laser != 0);
    pulseMs_ = settings_.Number(setting::LaserPulseTime);
    view_->ShowPulseTime(pulseMs_);
}

void ControlPanel::FormDeactivate() {
    if (ctx_.ArmLink)
        SetInterval(kIntervalIdleArm);
    else
        StopTimer();
    settings_.SetNumber(setting::LaserPulseTime, pulseMs_);
}

// ---- the timer ---------------------------------------------------------------------------

void ControlPanel::Timer1Timer() {
    // A message box or a wait for the machine inside the event runs the event loop, where the
    // timer fires again: the second event does nothing, so boxes never stack up.
    if (inTimer_) return;
    inTimer_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inTimer_};
    // What the links keep for the main thread: Ethernet connects and texts, USB plug and unplug.
    if (links_.eth) {
        if (settings_.Flag(setting::EthernetConnection) && !links_.eth->Connected() && ethernetWatch_)
            ethernetWatch_->Resume();
        links_.eth->DeliverPending();
    }
    if (links_.usb) links_.usb->CheckDeviceChanges();

    SetInterval(streamer_.Streaming() || view_->IsActive() ? kIntervalFast : kIntervalNormal);
    // A job command or a panel action that waits for the machine keeps the window alive; the
    // link stays theirs.
    if (inAction_ || (jobs_ && !jobs_->GuiMayUseLink() && !BurnHasLink())) return;
    if (streamer_.Streaming()) {
        ++streamerTicks_;
        streamer_.Tick();
    }
    if (tickDivider_ == 0 && !BurnHasLink()) Tick();
    tickDivider_ = streamer_.Streaming() ? (tickDivider_ + 1) % 5 : 0;
}

JobState ControlPanel::JobStateNow() const {
    if (jobs_) return jobs_->State();
    if (!ctx_.BurnRunning.load()) return JobState::Idle;
    return ctx_.BurnStopRequested.load() ? JobState::BurnPaused : JobState::Burning;
}

// A burn asked to pause still finishes its line on the link; until it has paused the timer
// leaves the link to it.
bool ControlPanel::BurnHasLink() const {
    const JobState s = JobStateNow();
    return s == JobState::Burning || s == JobState::BurnPausing;
}

void ControlPanel::MachineKeys() {
    // The keys of every reply since the last time, whoever read it, each press taken once.
    const std::uint8_t keys = ctx_.PendingMachineKeys.exchange(0);
    // During a burn the START key does nothing: the burn would have to end first, and the burn
    // thread is waiting for this very refresh.
    if ((keys & kMachineKeyStart) && LinkFreeForGui(JobStateNow()) && jobs_) jobs_->Start1Click();
    if (keys & kMachineKeyStop) {
        if (jobs_) jobs_->Wstrzymaj1Click();
        if (keys & kMachineKeyOverTorque)
            notifier_.Message(ctx_.Text(TextId::PanelOverTorque), MessageKind::Error, Buttons::Ok,
                              ctx_.Text(TextId::PanelStopCaption));
    }
    if ((keys & kMachineKeyContinue) && jobs_) jobs_->Kontynuacja1Click();
    // The replies that the commands just run read themselves still show the keys they answer;
    // those are not new presses. A key not acted on now stays for the next refresh.
    ctx_.PendingMachineKeys.fetch_and(static_cast<std::uint8_t>(~keys));
}

void ControlPanel::Tick() {
    // A message box inside the refresh runs its own event loop, where the timer fires again.
    if (inTick_) return;
    inTick_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inTick_};
    ++ticks_;

    if (stopRequest_) {
        stopRequest_ = false;
        if (ctx_.BurnRunning.load()) {
            // The bars come back with the status display once the burn has really paused.
            ctx_.BurnStopRequested = true;
            return;
        }
        // A machine that does not answer runs no job that could be held.
        if (layer_.ReadStatus() && (ctx_.PlotState.Status & kStatusRunningFromMemory)) {
            BusyCursor cursor(notifier_);
            wstrzymaj();
        }
    }

    if (ctx_.ArmLink) {
        if (ctx_.StreamFeeding && streamer_.Streaming()) {
            // No status traffic between the streamer's slices; the keys of the replies it read
            // are taken all the same.
            if (UsbPresent() || TcpConnected()) MachineKeys();
            return;
        }
        LinkCaption();
        layer_.PollStatus();
        if (UsbPresent() || TcpConnected()) {
            MachineKeys();
        } else {
            SetInterval(kIntervalNoLink);
            if (view_->IsActive()) {
                view_->Close();
                notifier_.Status(ctx_.Text(TextId::PanelManualControl) + ": " + ctx_.Text(TextId::NoCommunication));
            }
        }
    }

    if (view_->InputPending()) return;
    ShowStatus();
}

void ControlPanel::EnableMotionControls(bool on) {
    for (PanelControl c : {PanelControl::JogUpLeft, PanelControl::JogUp, PanelControl::JogUpRight,
                           PanelControl::JogLeft, PanelControl::JogRight, PanelControl::JogDownLeft,
                           PanelControl::JogDown, PanelControl::JogDownRight, PanelControl::Spindle,
                           PanelControl::SetZero, PanelControl::Move, PanelControl::ToolLength,
                           PanelControl::Home})
        Enable(c, on);
    const bool z = on && (!ctx_.PlotParams.Laser || ctx_.PlotParams.ZReversed);
    Enable(PanelControl::ToolUp, z);
    Enable(PanelControl::ToolDown, z);
}

void ControlPanel::EnableSpeedPower(bool on) {
    Enable(PanelControl::SpeedBox, on);
    Enable(PanelControl::PowerBox, on);
}

void ControlPanel::Enable(PanelControl c, bool on) {
    bool& e = enabled_[static_cast<int>(c)];
    if (e == on) return;
    e = on;
    view_->SetEnabled(c, on);
}

void ControlPanel::Show(PanelControl c, bool on) {
    bool& v = visible_[static_cast<int>(c)];
    if (v == on) return;
    v = on;
    view_->SetVisible(c, on);
}

void ControlPanel::CloseClick() { view_->Close(); }

bool ControlPanel::OpenAllowed() {
    // The newer controller's panel closes at once without its link: it is not opened, and the
    // operator is told why.
    if (!ctx_.ArmLink || UsbPresent() || TcpConnected()) return true;
    notifier_.Message(ctx_.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok,
                      ctx_.Text(TextId::PanelManualControl));
    return false;
}

}  // namespace vellisk
