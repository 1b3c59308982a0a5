// The parallel-port job transfer against the simulated controller's register-level peer.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "machine_link/lpt_transfer.h"
#include "model/numeric.h"
#include "sim/lpt_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using namespace std::chrono_literals;

struct TransferRig : sim::LptRig {
    Ttransmisja transfer{ctx, env, jobValues, layer, notifier};
    test::TempDir dir;
    TransferRig() {
        env.ProgramDir = dir.path();
        ctx.PlotParams.StepsX = ctx.PlotParams.StepsY = ctx.PlotParams.StepsZ = 1.0;
    }
    void WriteJob(const std::string& data) { test::WriteFileBytes(dir / "out.cnx", data); }
    // Runs the dialog's life: activate, tick until a result, deactivate.
    int Run(int breakAfterTicks = -1) {
        transfer.Activate();
        int result = Ttransmisja::Running;
        for (int tick = 0; result == Ttransmisja::Running && tick < 100000; ++tick) {
            if (tick == breakAfterTicks) transfer.RequestBreak();
            result = transfer.Tick();
        }
        transfer.Deactivate();
        return result;
    }
};

std::string JobOf(std::size_t commands, std::uint32_t seed) {
    std::mt19937 rng(seed);
    CommandLengthTable t;
    const std::string letters = "acfqrtvy";
    std::string data;
    for (std::size_t i = 0; i < commands; ++i) {
        const char c = letters[rng() % letters.size()];
        data.push_back(c);
        for (std::size_t k = 1; k < t.LengthOf(static_cast<std::uint8_t>(c)); ++k)
            data.push_back(static_cast<char>(rng()));
    }
    return data;
}

TEST(Ttransmisja, SendsTheWholeJobByteExactOneKilobyteATick) {
    TransferRig r;
    const std::string job = JobOf(3000, 5);
    r.WriteJob(job);
    r.transfer.Activate();
    EXPECT_EQ(r.transfer.TotalKb(), static_cast<std::int64_t>(RoundHalfEven(job.size() / 1024.0)));
    std::vector<std::size_t> sentAfter;
    int result = Ttransmisja::Running;
    while (result == Ttransmisja::Running) {
        result = r.transfer.Tick();
        sentAfter.push_back(r.transfer.BytesSent());
    }
    r.transfer.Deactivate();
    EXPECT_EQ(result, Ttransmisja::Done);
    EXPECT_EQ(sentAfter[0], 1u);
    EXPECT_EQ(sentAfter[1], 1025u);
    EXPECT_EQ(sentAfter[2], 2049u);
    std::string received;
    for (auto& c : r.model.job) received += c;
    EXPECT_EQ(received, job);
    EXPECT_EQ(r.model.CountReceived("@"), 0u);
    EXPECT_FALSE(r.transfer.LastTransferIncomplete());
    EXPECT_TRUE(r.notifier.messages.empty());
    r.transfer.SendStart();
    EXPECT_EQ(r.model.log[r.model.log.size() - 2].bytes, "Pd");
    EXPECT_EQ(r.model.log.back().bytes, "G");
}

TEST(Ttransmisja, OneByteAndOneKilobytePlusOne) {
    TransferRig r;
    r.WriteJob("c");
    EXPECT_EQ(r.Run(), Ttransmisja::Done);
    EXPECT_EQ(r.transfer.Ticks(), 1);

    TransferRig s;
    s.WriteJob(std::string(1025, 'c'));
    s.transfer.Activate();
    EXPECT_EQ(s.transfer.TotalKb(), 1);
    EXPECT_EQ(s.transfer.Tick(), Ttransmisja::Running);
    EXPECT_EQ(s.transfer.SentKb(), 0);
    EXPECT_EQ(s.transfer.Tick(), Ttransmisja::Done);
    EXPECT_EQ(s.transfer.SentKb(), 1);
    EXPECT_EQ(s.transfer.Ticks(), 2);
}

TEST(Ttransmisja, BreakEndsWithTwentyAbortBytesAndRepeatRefuses) {
    TransferRig r;
    r.WriteJob(std::string(5000, 'c'));
    EXPECT_EQ(r.Run(2), Ttransmisja::Failed);
    const std::string tail = r.peer.bytesFromHost.substr(r.peer.bytesFromHost.size() - 20);
    EXPECT_EQ(tail, std::string(20, '@'));
    EXPECT_TRUE(r.model.job.empty());  // the controller dropped the partial job
    EXPECT_TRUE(r.transfer.LastTransferIncomplete());
    r.transfer.Repeat("plate.dxf");
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_NE(r.notifier.messages[0].text.find("not completed"), std::string::npos);
    EXPECT_EQ(r.model.CountReceived("G"), 0u);
}

TEST(Ttransmisja, LostLinkStopsTheSliceAndRepeatRefusesThePartialJob) {
    TransferRig r;
    r.WriteJob(std::string(5000, 'c'));
    r.model.onCommand = [&](const sim::ReceivedCommand&) {
        if (r.model.job.size() == 1500) {
            r.peer.noAckBytes = -1;
            r.clock.autoStep = 1s;
        }
    };
    EXPECT_EQ(r.Run(), Ttransmisja::Failed);
    ASSERT_FALSE(r.notifier.messages.empty());
    EXPECT_EQ(r.notifier.messages.back().text, "No communication with the plotter");
    EXPECT_EQ(r.notifier.messages.back().caption, "Cutting - Start");
    EXPECT_EQ(r.model.job.size(), 1501u);  // partial job held in the controller
    EXPECT_EQ(r.model.CountReceived("@"), 0u);
    EXPECT_EQ(r.transfer.BytesSent(), 1502u);  // one strobe went unanswered, then no more

    // The controller answers again and says it holds a job: Repeat still will not run it.
    r.peer.noAckBytes = 0;
    r.clock.autoStep = 1us;
    r.notifier.messages.clear();
    r.transfer.Repeat("plate.dxf");
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].caption, "plate.dxf");
    EXPECT_EQ(r.model.CountReceived("G"), 0u);
}

TEST(Ttransmisja, RepeatRunsAWholeStoredJobOrSaysThereIsNone) {
    TransferRig r;
    r.transfer.Repeat("a.plt");
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].text, "No file to repeat. Use START command");
    EXPECT_EQ(r.notifier.messages[0].buttons, Buttons::OkCancel);

    r.WriteJob(std::string(100, 'c'));
    ASSERT_EQ(r.Run(), Ttransmisja::Done);
    r.jobValues.StartZ = 0;
    r.transfer.Repeat("a.plt");
    EXPECT_EQ(r.model.log.back().bytes, "G");
    EXPECT_EQ(r.notifier.busyDepth, 0);
}

TEST(Ttransmisja, RefusesWithoutAMachineOrWhileAJobRuns) {
    TransferRig r;
    r.WriteJob("cc");
    r.peer.readyHeldLow = true;
    r.clock.autoStep = 1s;
    EXPECT_EQ(r.Run(), Ttransmisja::Failed);
    ASSERT_FALSE(r.notifier.messages.empty());
    EXPECT_EQ(r.notifier.messages.back().caption, "Get state");
    EXPECT_FALSE(r.transfer.Opened());

    TransferRig s;
    s.WriteJob("cc");
    s.model.statusByte = sim::kStRunning;
    EXPECT_EQ(s.Run(), Ttransmisja::Failed);
    ASSERT_EQ(s.notifier.messages.size(), 1u);
    EXPECT_EQ(s.notifier.messages[0].text, "Sending the file is impossible\r    the plotter is not ready");
    EXPECT_EQ(s.notifier.messages[0].caption, "Cutting - Start");
    EXPECT_EQ(s.model.CountReceived("@"), 0u);  // nothing was opened, nothing to abort
    EXPECT_TRUE(s.model.job.empty());
}

TEST(Ttransmisja, JobFileThatCannotBeReadEndsTheTransferWithAMessage) {
    TransferRig r;
    std::filesystem::create_directory(r.dir / "out.cnx");  // opens, but every read fails
    EXPECT_EQ(r.Run(), Ttransmisja::Failed);
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].kind, MessageKind::Error);
    EXPECT_FALSE(r.transfer.Opened());
    EXPECT_TRUE(r.model.job.empty());
}

TEST(Ttransmisja, SizeLimitOfTheControllersMemory) {
    TransferRig r;
    r.WriteJob(std::string(Ttransmisja::kMaxJobBytes, 'c'));
    EXPECT_TRUE(r.transfer.CheckSize(r.dir / "out.cnx"));
    r.WriteJob(std::string(Ttransmisja::kMaxJobBytes + 1, 'c'));
    EXPECT_FALSE(r.transfer.CheckSize(r.dir / "out.cnx"));
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].text, "Out of the plotter buffer size");
    EXPECT_EQ(r.notifier.messages[0].caption, "");
    EXPECT_TRUE(std::filesystem::exists(r.dir / "out.cnx"));  // the refused job is kept
    // The transfer itself refuses it too, before sending a byte.
    EXPECT_EQ(r.Run(), Ttransmisja::Failed);
    EXPECT_TRUE(r.model.job.empty());
    EXPECT_EQ(Ttransmisja::kMaxJobBytes, 4193280u);
}

}  // namespace
}  // namespace vellisk
