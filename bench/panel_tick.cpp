// One status refresh of the control panel (its Tick, with the status requests of the link part
// and of the display) against the simulated newer controller on the loopback TCP interface.
// The refresh runs on the GUI thread every 10 ms while the panel is the active window, so it
// must stay well under that. Target: under 1 ms a refresh.
#include <benchmark/benchmark.h>

#include "machine_link/command_layer.h"
#include "machine_link/ethernet_link.h"
#include "machine_link/machine_context.h"
#include "machine_link/trans_arm.h"
#include "machine_operation/control_panel.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "sim/controller_model.h"
#include "sim/tcp_controller.h"
#include "support/machine_rig.h"

namespace {

using namespace vellisk;

void PanelTickOverTcp(benchmark::State& state) {
    test::MachineRig machine;
    SilentNotifier notifier;
    machine.ctx.PlotState.Model = "PRV";
    SelectMachineModel(machine.ctx, machine.env, notifier);
    sim::ControllerModel model;
    model.armController = true;
    model.model = "PRV";
    sim::TcpController server(sim::ModelHooks(model));
    TfEthernet eth(machine.ctx, machine.env, notifier);
    machine.ctx.PlotterIP = "127.0.0.1";
    eth.restart();
    eth.SetPorts(server.CommandPort(), server.IdentityPort());
    if (!eth.ConnectCommandClient()) {
        state.SkipWithError("the loopback controller did not accept the connection");
        return;
    }
    eth.DeliverPending();
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, notifier);
    layer.SetEthernet(&eth);
    Settings settings;
    TTransArm streamer(machine.ctx, machine.env, layer, notifier);
    PanelLinks links;
    links.eth = &eth;
    ControlPanel panel(machine.ctx, machine.env, machine.jobValues, settings, layer, links, streamer, notifier);
    panel.FormActivate();
    panel.Tick();  // the bars settle
    for (auto _ : state) panel.Tick();
    state.counters["status requests"] = server.StatusRequests();
}

BENCHMARK(PanelTickOverTcp)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
