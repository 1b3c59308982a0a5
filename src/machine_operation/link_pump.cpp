// The panel's timer event and status refresh: the links' main-thread work, the streamer's feed,
// the machine's keys, the loss of the link, and the status poll that the display shows.
#include "machine_operation/link_pump.h"

#include "machine_link/ethernet_link.h"
#include "machine_link/ethernet_watch.h"
#include "machine_link/trans_arm.h"
#include "machine_link/usb_link.h"
#include "platform/whole_file.h"
#include "settings/settings.h"

namespace vellisk {

LinkPump::LinkPump(PanelShared& shared, PanelDisplay& display, ManualControl& manual)
    : s_(shared), display_(display), manual_(manual) {
    if (s_.links.eth) ethernetWatch_ = std::make_unique<tEthernetCzuwanie>(*s_.links.eth);
}

LinkPump::~LinkPump() {
    s_.timerOn = false;
    // Stops and joins the watch thread (its connect is bounded by the link's time limit).
    ethernetWatch_.reset();
}

void LinkPump::Timer1Timer() {
    // A message box or a wait for the machine inside the event runs the event loop, where the
    // timer fires again: the second event does nothing, so boxes never stack up.
    const ScopedFlag inside(inTimer_);
    if (!inside) return;
    // What the links keep for the main thread: Ethernet connects and texts, USB plug and unplug.
    if (s_.links.eth) {
        if (s_.settings.Flag(setting::EthernetConnection) && !s_.links.eth->Connected() && ethernetWatch_)
            ethernetWatch_->Resume();
        s_.links.eth->DeliverPending();
    }
    if (s_.links.usb) s_.links.usb->CheckDeviceChanges();
    if (!s_.streamer.Streaming() && s_.LinkFree()) IdentifyMachine(false);

    s_.SetInterval(s_.streamer.Streaming() || s_.view->IsActive() ? kIntervalFast : kIntervalNormal);
    // A job command or a panel action that waits for the machine keeps the window alive; the
    // link stays theirs.
    const bool burnHasLink = s_.BurnHasLink();
    if (s_.inAction || (s_.jobs && !s_.jobs->GuiMayUseLink() && !burnHasLink)) return;
    if (s_.streamer.Streaming()) {
        ++streamerTicks_;
        s_.streamer.Tick();
    }
    if (tickDivider_ == 0 && !burnHasLink) Tick();
    tickDivider_ = s_.streamer.Streaming() ? (tickDivider_ + 1) % 5 : 0;
}

void LinkPump::IdentifyMachine(bool askAgain) {
    MachineContext& ctx = s_.ctx;
    if (!ctx.ArmLink || !(s_.UsbPresent() || s_.TcpConnected())) {
        identified_ = asked_ = false;
        return;
    }
    if (identified_ || (asked_ && !askAgain)) return;
    asked_ = true;
    if (s_.layer.ReadMachineInfo()) TakeIdentity();
}

void LinkPump::TakeIdentity() {
    identified_ = true;
    manual_.SelectModel();
    if (KeptMachineType() != s_.ctx.PlotState.Model) KeepMachineType();
}

std::filesystem::path LinkPump::MachineTypeFile() const { return s_.env.ProgramDir / "typ.txt"; }

std::optional<std::string> LinkPump::KeptMachineType() const {
    std::string text;
    if (!ReadWholeFile(MachineTypeFile(), &text)) return std::nullopt;
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

void LinkPump::KeepMachineType() {
    const auto typ = MachineTypeFile();
    std::string why;
    if (!WriteWholeFile(typ, s_.ctx.PlotState.Model, &why))
        s_.notifier.Message(s_.env.Text(TextId::CannotOpenFile) + " " + typ.string() + "\n" + why, MessageKind::Error);
}

void LinkPump::MachineKeys() {
    MachineContext& ctx = s_.ctx;
    // The keys of every reply since the last time, whoever read it, each press taken once.
    const std::uint8_t keys = ctx.PendingMachineKeys.exchange(0);
    // During a burn the START key does nothing: the burn would have to end first, and the burn
    // thread is waiting for this very refresh.
    if ((keys & kMachineKeyStart) && LinkFreeForGui(s_.JobStateNow()) && s_.jobs) s_.jobs->Start1Click();
    if (keys & kMachineKeyStop) {
        if (s_.jobs) s_.jobs->Wstrzymaj1Click();
        if (keys & kMachineKeyOverTorque)
            s_.notifier.Message(s_.env.Text(TextId::PanelOverTorque), MessageKind::Error, Buttons::Ok,
                                s_.env.Text(TextId::PanelStopCaption));
    }
    if ((keys & kMachineKeyContinue) && s_.jobs) s_.jobs->Kontynuacja1Click();
    // The replies that the commands just run read themselves still show the keys they answer;
    // those are not new presses. A key not acted on now stays for the next refresh.
    ctx.PendingMachineKeys.fetch_and(static_cast<std::uint8_t>(~keys));
}

void LinkPump::Tick() {
    // A message box inside the refresh runs its own event loop, where the timer fires again.
    const ScopedFlag inside(inTick_);
    if (!inside) return;
    ++ticks_;
    MachineContext& ctx = s_.ctx;

    if (s_.stopRequest) {
        s_.stopRequest = false;
        if (ctx.BurnRunning.load()) {
            // The bars come back with the status display once the burn has really paused.
            ctx.BurnStopRequested = true;
            return;
        }
        // A machine that does not answer runs no job that could be held.
        if (s_.layer.ReadStatus() && (ctx.PlotState.Status & kStatusRunningFromMemory)) {
            BusyCursor cursor(s_.notifier);
            manual_.Hold();
        }
    }

    if (ctx.ArmLink) {
        if (ctx.StreamFeeding && s_.streamer.Streaming()) {
            // No status traffic between the streamer's slices; the keys of the replies it read
            // are taken all the same.
            if (s_.UsbPresent() || s_.TcpConnected()) MachineKeys();
            return;
        }
        display_.LinkCaption();
        s_.layer.PollStatus();
        if (s_.UsbPresent() || s_.TcpConnected()) {
            MachineKeys();
        } else {
            s_.SetInterval(kIntervalNoLink);
            if (s_.view->IsActive()) {
                s_.view->Close();
                s_.notifier.Status(s_.env.Text(TextId::PanelManualControl) + ": " +
                                   s_.env.Text(TextId::NoCommunication));
            }
        }
    }

    if (s_.view->InputPending()) return;
    ShowStatus();
}

// After the link part of the refresh the state is read and shown (actual speed, speed caption
// and bar, power caption and bar, coordinates), and the controls are enabled as the machine's
// state allows.
void LinkPump::ShowStatus() {
    MachineContext& ctx = s_.ctx;
    const bool answered = s_.layer.PollStatus();
    if (s_.layer.TimedOut()) {
        if (ctx.ArmLink) s_.SetInterval(kIntervalIdleArm);
        s_.view->Close();
        return;
    }
    // A newer controller that gave no status this time: keep the last display rather than
    // show the zeros of a missing reply.
    if (!answered) return;
    s_.layer.ReadPosition();
    if (ctx.ArmLink) s_.layer.ReadBase();
    s_.layer.ReadSpeeds();
    s_.layer.ReadToolState();

    display_.ShowActualSpeed();
    display_.ShowSpeedCaption();
    manual_.ShowSpeedBarFromStatus();
    manual_.ShowPowerFromStatus();
    display_.ShowCoordinates();
    display_.ShowJobEnd();

    // During a burn the controls follow the job state: they come back only once the burn has
    // paused (a burn asked to pause still sends the rest of its line).
    const JobState job = s_.JobStateNow();
    const bool burn = job == JobState::Burning || job == JobState::BurnPausing;
    display_.EnableMotionControls(job == JobState::BurnPaused ||
                                  ((ctx.PlotState.Status & kStatusRunningFromMemory) == 0 && !burn));
    display_.EnableSpeedPower(!burn);
    display_.ShowLinkErrors();
}

}  // namespace vellisk
