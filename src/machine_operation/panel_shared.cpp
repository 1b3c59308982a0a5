// The link questions, the timer and the waits that the control panel's parts share.
#include "machine_operation/panel_shared.h"

#include "machine_link/ethernet_link.h"
#include "machine_link/usb_link.h"

namespace vellisk {

using namespace std::chrono_literals;

bool PanelShared::UsbPresent() { return links.usb && links.usb->DranholtFrezExist(); }

bool PanelShared::TcpConnected() const { return links.eth && links.eth->Connected(); }

JobState PanelShared::JobStateNow() const {
    if (jobs) return jobs->State();
    if (!ctx.BurnRunning.load()) return JobState::Idle;
    return ctx.BurnStopRequested.load() ? JobState::BurnPausing : JobState::Burning;
}

// A burn asked to pause still finishes its line on the link; until it has paused the timer
// leaves the link to it.
bool PanelShared::BurnHasLink() const {
    const JobState s = JobStateNow();
    return s == JobState::Burning || s == JobState::BurnPausing;
}

void PanelShared::SetInterval(int ms) {
    if (interval == ms) return;
    interval = ms;
    view->TimerChanged(timerOn, interval);
}

void PanelShared::StopTimer() {
    timerOn = false;
    view->TimerChanged(timerOn, interval);
}

void PanelShared::StartTimer() {
    timerOn = true;
    view->TimerChanged(timerOn, interval);
}

bool PanelShared::LinkAnswers(TextId caption) {
    if (layer.ReadStatus() || !layer.TimedOut()) return true;
    notifier.Message(env.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok, env.Text(caption));
    return false;
}

bool PanelShared::WaitForStatusClear(std::uint16_t bits, TextId caption) {
    // A controller that keeps answering with the bits set for this long is taken as not
    // responding to the operator: the panel must not stand still for ever.
    Stopwatch limit(clock, kStatusWaitLimit);
    while (layer.ReadStatus() && (ctx.PlotState.Status & bits)) {
        if (limit.Expired()) {
            notifier.Message(env.Text(TextId::NoCommunication), MessageKind::Error, Buttons::Ok, env.Text(caption));
            return false;
        }
        clock.Sleep(1ms);
    }
    return true;
}

}  // namespace vellisk
