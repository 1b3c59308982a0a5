#pragma once
// The control panel on each of the three links to the simulated controller: the parallel-port
// peer, the in-process USB device and the loopback TCP controller, with the command layer,
// the job streamer, the settings and a window that records what it was told.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "machine_link/command_layer.h"
#include "machine_link/ethernet_link.h"
#include "machine_link/lpt_transport.h"
#include "machine_link/trans_arm.h"
#include "machine_link/usb_link.h"
#include "machine_operation/control_panel.h"
#include "settings/settings.h"
#include "sim/controller_model.h"
#include "sim/fake_clock.h"
#include "sim/fake_hid.h"
#include "sim/lpt_peer.h"
#include "sim/tcp_controller.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk::test {

enum class PanelLink { Lpt, Usb, Eth };

inline const char* LinkName(PanelLink l) { return l == PanelLink::Lpt ? "Lpt" : l == PanelLink::Usb ? "Usb" : "Eth"; }

// A window that remembers what the panel told it.
class RecordingPanelView : public PanelView {
public:
    void SetCaption(const std::string& t) override { caption = t; }
    void SetText(PanelText w, const std::string& t) override { texts[w] = t; }
    void ShowSpeedBar(const BarState& b) override { speedBar = b; }
    void ShowPowerBar(const BarState& b) override { powerBar = b; }
    void ShowActualSpeed(std::int32_t v) override { actualSpeed = v; }
    void SetEnabled(PanelControl c, bool on) override { enabled[c] = on; }
    void SetVisible(PanelControl c, bool on) override { visible[c] = on; }
    void SetSpindleDown(bool d) override { spindleDown = d; }
    void ShowPulseTime(double ms) override { pulse = ms; }
    bool IsActive() override { return active; }
    void Close() override {
        ++closes;
        active = false;
    }
    bool InputPending() override { return inputPending; }
    void TimerChanged(bool running, int ms) override {
        timerRunning = running;
        interval = ms;
    }

    std::string caption;
    std::map<PanelText, std::string> texts;
    std::map<PanelControl, bool> enabled, visible;
    BarState speedBar, powerBar;
    std::int32_t actualSpeed = 0;
    bool spindleDown = false;
    double pulse = 0;
    bool active = true;
    int closes = 0;
    bool inputPending = false;
    bool timerRunning = false;
    int interval = 0;
};

// Job control as a list of what it was asked, with the messages shown by then. Its job state
// follows the burn's flags (a burn asked to pause has paused unless `burnStillPausing`), or is
// set by hand.
class RecordingJobs : public PanelJobCommands {
public:
    RecordingJobs(RecordingNotifier& n, const MachineContext& ctx) : n_(n), ctx_(ctx) {}
    void Start1Click() override { calls.push_back("start@" + std::to_string(n_.messages.size())); }
    void Wstrzymaj1Click() override { calls.push_back("hold@" + std::to_string(n_.messages.size())); }
    void Kontynuacja1Click() override { calls.push_back("continue@" + std::to_string(n_.messages.size())); }
    JobState State() const override {
        if (state) return *state;
        if (!ctx_.BurnRunning.load()) return JobState::Idle;
        if (!ctx_.BurnStopRequested.load()) return JobState::Burning;
        return burnStillPausing ? JobState::BurnPausing : JobState::BurnPaused;
    }
    std::vector<std::string> calls;
    std::optional<JobState> state;
    bool burnStillPausing = false;

private:
    RecordingNotifier& n_;
    const MachineContext& ctx_;
};

struct PanelRig : test::MachineRig {
    PanelLink link;
    sim::ControllerModel model;
    sim::FakeClock clock;
    test::TempDir programDir;  // the panel keeps the machine's model there ("typ.txt")
    RecordingNotifier notifier;
    Settings settings;
    CommandLayer layer{ctx, env, jobValues, notifier, clock};
    std::unique_ptr<sim::LptPeer> peer;
    std::unique_ptr<LptTransport> lpt;
    sim::FakeHidBackend backend;
    std::unique_ptr<TfUsb> usb;
    std::string usbPath;
    std::unique_ptr<sim::TcpController> server;
    std::unique_ptr<TfEthernet> eth;
    TTransArm streamer{ctx, env, layer, notifier};
    std::unique_ptr<ControlPanel> panel;
    RecordingPanelView view;
    RecordingJobs jobs{notifier, ctx};

    // `modelText` picks the machine's parameter set as the controller's identity would.
    PanelRig(PanelLink l, const std::string& modelText) : link(l) {
        env.Lang.Language = kLangEnglish;
        env.ProgramDir = programDir.path();
        ctx.PlotState.Model = modelText;
        SelectMachineModel(ctx, env, notifier);
        model.armController = ctx.PlotParams.ArmController != 0;
        model.model = modelText;
        layer.Delay().SetLoopsPerMs(1);
        PanelLinks links;
        if (l == PanelLink::Lpt) {
            ctx.ArmLink = false;
            peer = std::make_unique<sim::LptPeer>(model);
            lpt = std::make_unique<LptTransport>(*peer, clock);
            lpt->Init();
            layer.SetParallelPort(lpt.get());
            links.lpt = lpt.get();
        } else if (l == PanelLink::Usb) {
            ctx.ArmLink = true;
            usbPath = backend.AddMachine(model, modelText);
            usb = std::make_unique<TfUsb>(ctx, backend, notifier, clock);
            layer.SetUsb(usb.get());
            links.usb = usb.get();
        } else {
            ctx.ArmLink = true;
            server = std::make_unique<sim::TcpController>(sim::ModelHooks(model));
            eth = std::make_unique<TfEthernet>(ctx, env, notifier);
            ctx.PlotterIP = "127.0.0.1";
            eth->restart();
            eth->SetPorts(server->CommandPort(), server->IdentityPort());
            layer.SetEthernet(eth.get());
            links.eth = eth.get();
            eth->ConnectCommandClient();
            eth->DeliverPending();
        }
        panel = std::make_unique<ControlPanel>(ctx, env, jobValues, settings, layer, links, streamer, notifier, clock);
        panel->AttachView(&view);
        panel->SetJobCommands(&jobs);
    }

    ~PanelRig() {
        panel.reset();
        eth.reset();
    }

    // Runs f with the simulated controller's state safe to touch (the TCP server's thread).
    template <typename F>
    void WithModel(F f) {
        if (server) {
            auto lock = server->Lock();
            f(model);
        } else {
            f(model);
        }
    }

    std::size_t LogSize() {
        std::size_t n = 0;
        WithModel([&](sim::ControllerModel& m) { n = m.log.size(); });
        return n;
    }

    // The commands the controller received from index `from` on, without the parallel port's
    // status and state requests ("X", "E", "I", "J", "Z", "O", "H"): the newer links' status
    // reads are not commands.
    std::vector<std::string> Sent(std::size_t from) {
        std::vector<std::string> out;
        WithModel([&](sim::ControllerModel& m) {
            for (std::size_t i = from; i < m.log.size(); ++i) {
                const std::string& c = m.log[i].bytes;
                if (link == PanelLink::Lpt && !c.empty() && std::string("XEIJZOH").find(c[0]) != std::string::npos)
                    continue;
                out.push_back(c);
            }
        });
        return out;
    }
};

}  // namespace vellisk::test
