// Streaming a job file of 1,000,000 commands through the newer controller's streamer to an
// in-process link that takes every command at once and never reports a full buffer. Target: the
// streamer costs under 1 microsecond per command (so only the real link limits a job).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "machine_link/command_layer.h"
#include "machine_link/machine_context.h"
#include "machine_link/trans_arm.h"
#include "platform/notifier.h"
#include "support/machine_rig.h"

namespace {

using namespace vellisk;

constexpr std::size_t kCommands = 1000000;

// Takes every command at once; counts the bytes so the work cannot be optimised away.
class NullArmLink final : public Transport {
public:
    LinkKind Kind() const override { return LinkKind::Usb; }
    int Write(std::string_view command) override {
        bytes += command.size();
        checksum += static_cast<unsigned char>(command.back());
        return kLinkOk;
    }
    int ReadString(int, UsbStateString& out) override {
        out.fill(0);  // idle, buffer not full
        return 0;
    }
    std::uint64_t bytes = 0;
    std::uint64_t checksum = 0;
};

std::filesystem::path JobFile(const CommandLengthTable& lengths) {
    const auto dir = std::filesystem::temp_directory_path() / "vellisk-bench-stream-arm";
    std::filesystem::create_directories(dir);
    const auto file = dir / "out.cnx";
    std::mt19937 rng(1);
    // Mostly moves and speed changes, as in a real job.
    const std::string letters = "aaaaaaaavvfrtsqcx";
    std::string data;
    for (std::size_t i = 0; i < kCommands; ++i) {
        const char c = letters[rng() % letters.size()];
        data.push_back(c);
        const std::size_t len = lengths.LengthOf(static_cast<std::uint8_t>(c));
        for (std::size_t k = 1; k < len; ++k) data.push_back(static_cast<char>(rng()));
    }
    std::FILE* f = std::fopen(file.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
    return dir;
}

void BM_StreamArmMillionCommands(benchmark::State& state) {
    test::MachineRig machine;
    machine.ctx.ArmLink = true;
    machine.ctx.PlotParams.ArmController = 1;
    machine.ctx.CommandLengths.SetController(true);
    machine.env.ProgramDir = JobFile(machine.ctx.CommandLengths);
    SilentNotifier notifier;
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, notifier);
    NullArmLink link;
    layer.SetUsb(&link);
    TTransArm streamer(machine.ctx, machine.env, layer, notifier);
    for (auto _ : state) {
        streamer.start();
        while (streamer.Streaming()) streamer.Tick();
        if (streamer.CommandsSent() != static_cast<std::int32_t>(kCommands)) state.SkipWithError("lost commands");
    }
    benchmark::DoNotOptimize(link.checksum);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kCommands));
    state.counters["seconds_per_command"] =
        benchmark::Counter(static_cast<double>(state.iterations() * kCommands),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
    std::filesystem::remove_all(machine.env.ProgramDir);
}
BENCHMARK(BM_StreamArmMillionCommands)->Unit(benchmark::kMillisecond);

}  // namespace
