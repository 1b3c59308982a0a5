// Streaming a job of 100,000 commands through the newer controller's streamer and the Ethernet
// link to the simulated controller on the loopback interface (one TCP round trip per command:
// the command and its echo). Two runs:
//   - PanelTimer: ticks every 10 ms as the control panel's timer gives them; the streamer's own
//     ceiling is 100 commands per tick, 10,000 commands per second. Target: at least 9,000.
//   - BackToBack: ticks one after another, so only the link limits the rate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "machine_link/command_layer.h"
#include "machine_link/ethernet_link.h"
#include "machine_link/machine_context.h"
#include "machine_link/trans_arm.h"
#include "platform/notifier.h"
#include "sim/controller_model.h"
#include "sim/tcp_controller.h"
#include "support/machine_rig.h"

namespace {

using namespace vellisk;

constexpr std::size_t kCommands = 100000;

std::filesystem::path JobFolder(const CommandLengthTable& lengths) {
    const auto dir = std::filesystem::temp_directory_path() / "vellisk-bench-stream-tcp";
    std::filesystem::create_directories(dir);
    std::mt19937 rng(3);
    const std::string letters = "aaaaaaaavvfrtsqcx";  // mostly moves, as in a real job
    std::string data;
    for (std::size_t i = 0; i < kCommands; ++i) {
        const char c = letters[rng() % letters.size()];
        data.push_back(c);
        const std::size_t len = lengths.LengthOf(static_cast<std::uint8_t>(c));
        for (std::size_t k = 1; k < len; ++k) data.push_back(static_cast<char>(rng()));
    }
    std::ofstream(dir / "out.cnx", std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
    return dir;
}

void StreamJob(benchmark::State& state, bool panelTimer) {
    test::MachineRig machine;
    machine.ctx.ArmLink = true;
    machine.ctx.PlotParams.ArmController = 1;
    machine.ctx.CommandLengths.SetController(true);
    machine.env.ProgramDir = JobFolder(machine.ctx.CommandLengths);
    machine.ctx.PlotterIP = "127.0.0.1";
    SilentNotifier notifier;

    sim::ControllerModel model;
    model.armController = true;
    model.bufferCapacity = 2000;
    model.bufferSize = 2000 + 101;
    model.drainPerStatusRead = 100;
    sim::TcpController server(sim::ModelHooks(model));

    TfEthernet eth(machine.ctx, machine.env, notifier);
    eth.SetPorts(server.CommandPort(), server.IdentityPort());
    if (!eth.ConnectCommandClient()) {
        state.SkipWithError("no connection to the loopback controller");
        return;
    }
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, notifier);
    layer.SetEthernet(&eth);
    TTransArm streamer(machine.ctx, machine.env, layer, notifier);

    std::int64_t commands = 0;
    for (auto _ : state) {
        const std::size_t before = server.RequestCount();
        streamer.start();
        auto next = std::chrono::steady_clock::now();
        while (streamer.Streaming()) {
            if (panelTimer) {
                std::this_thread::sleep_until(next);
                next += std::chrono::milliseconds(10);
                const auto now = std::chrono::steady_clock::now();
                if (next < now) next = now;  // a late tick does not make the next ones come sooner
            }
            streamer.Tick();
        }
        if (streamer.CommandsSent() != static_cast<std::int32_t>(kCommands)) state.SkipWithError("lost commands");
        if (server.RequestCount() - before < kCommands) state.SkipWithError("commands did not arrive");
        commands += static_cast<std::int64_t>(kCommands);
    }
    state.counters["commands_per_second"] =
        benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate);
    std::filesystem::remove_all(machine.env.ProgramDir);
}

void BM_StreamTcpPanelTimer(benchmark::State& state) { StreamJob(state, true); }
void BM_StreamTcpBackToBack(benchmark::State& state) { StreamJob(state, false); }

BENCHMARK(BM_StreamTcpPanelTimer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_StreamTcpBackToBack)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
