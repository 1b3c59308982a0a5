// The newer controller's job streamer against the simulated controller with a buffer that fills
// and drains.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "machine_link/command_layer.h"
#include "machine_link/commands.h"
#include "machine_link/trans_arm.h"
#include "model/core_error.h"
#include "sim/controller_model.h"
#include "sim/fake_arm_transport.h"
#include "sim/fake_clock.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

// A job file of `count` random whole commands (lower-case letters, operands of any byte value)
// and the commands it is made of.
std::string GenerateJob(std::size_t count, const CommandLengthTable& lengths, std::uint32_t seed,
                        std::vector<std::string>* commands = nullptr) {
    std::mt19937 rng(seed);
    std::string letters;
    for (char c = '`'; c <= 'z'; ++c) letters.push_back(c);
    std::string data;
    for (std::size_t i = 0; i < count; ++i) {
        std::string cmd(1, letters[rng() % letters.size()]);
        const std::size_t len = lengths.LengthOf(static_cast<std::uint8_t>(cmd[0]));
        while (cmd.size() < len) cmd.push_back(static_cast<char>(rng() & 0xFF));
        data += cmd;
        if (commands) commands->push_back(cmd);
    }
    return data;
}

struct StreamRig : test::MachineRig {
    sim::ControllerModel model;
    sim::FakeClock clock;
    sim::FakeArmTransport usb{model, LinkKind::Usb};
    test::RecordingNotifier notifier;
    CommandLayer layer{ctx, env, jobValues, notifier, clock};
    TTransArm streamer{ctx, env, layer, notifier};
    test::TempDir dir;
    explicit StreamRig(bool arm = true) {
        ctx.ArmLink = true;
        ctx.PlotParams.ArmController = arm;
        ctx.CommandLengths.SetController(arm);
        model.armController = arm;
        layer.SetUsb(&usb);
        env.ProgramDir = dir.path();
        env.Lang.Language = kLangEnglish;
    }
    void WriteJob(const std::string& data) { test::WriteFileBytes(dir / "out.cnx", data); }
    std::vector<std::string> JobCommandsReceived() const { return model.job; }
};

TEST(TTransArm, StreamsALargeJobByteExactWhileTheBufferFillsAndDrains) {
    StreamRig r;
    std::vector<std::string> commands;
    const std::string data = GenerateJob(120000, r.ctx.CommandLengths, 7, &commands);
    r.WriteJob(data);
    r.model.bufferCapacity = 450;
    r.model.bufferSize = 450 + 101;  // room for one slice after the last "not full"
    r.model.drainPerStatusRead = 60;
    ASSERT_TRUE(r.streamer.start());

    int ticks = 0, fullTicks = 0, maxPerTick = 0;
    while (r.streamer.Streaming() && ticks < 100000) {
        const auto before = r.model.log.size();
        r.streamer.Tick();
        const int sent = static_cast<int>(r.model.log.size() - before);
        maxPerTick = std::max(maxPerTick, sent);
        if (sent == 0) ++fullTicks;
        ++ticks;
    }
    ASSERT_FALSE(r.streamer.Streaming());
    EXPECT_EQ(r.model.job, commands);  // every command once, in order, byte for byte
    EXPECT_EQ(r.model.overflowCount, 0u);
    EXPECT_GT(r.model.bufferFullReads, 100u);  // the full bit toggled many times
    EXPECT_GT(fullTicks, 100);
    EXPECT_LE(maxPerTick, 101);  // 100 commands, plus "G" once
    EXPECT_EQ(r.model.CountReceived("G"), 1u);
    EXPECT_EQ(r.streamer.CommandsSent(), 120000);
    EXPECT_EQ(r.notifier.statuses.back(), "Transmisja zakonczona");
    EXPECT_FALSE(r.ctx.StreamFeeding);
    EXPECT_TRUE(r.notifier.messages.empty());
}

TEST(TTransArm, AtMostOneHundredCommandsATickAndStopOnTheTickAfterTheEnd) {
    StreamRig r(false);
    r.WriteJob(GenerateJob(1050, r.ctx.CommandLengths, 3));
    ASSERT_TRUE(r.streamer.start());
    std::vector<std::size_t> perTick;
    while (r.streamer.Streaming()) {
        const auto before = r.model.job.size();
        r.streamer.Tick();
        perTick.push_back(r.model.job.size() - before);
    }
    const std::vector<std::size_t> expected = {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 50, 0};
    EXPECT_EQ(perTick, expected);
    EXPECT_EQ(r.model.statusReads, 11);  // one poll per feeding tick, none on the stopping tick
}

TEST(TTransArm, StartCommandFollowsTheSeventeenthCommandOnly) {
    for (int n : {16, 17, 40}) {
        StreamRig r;
        r.WriteJob(std::string(static_cast<std::size_t>(n), 'y'));
        ASSERT_TRUE(r.streamer.start());
        while (r.streamer.Streaming()) r.streamer.Tick();
        const auto& log = r.model.log;
        const auto g = std::find_if(log.begin(), log.end(), [](auto& c) { return c.bytes == "G"; });
        if (n < 17) {
            EXPECT_EQ(g, log.end());
        } else {
            ASSERT_NE(g, log.end());
            EXPECT_EQ(g - log.begin(), 17);
        }
    }
}

TEST(TTransArm, ProgressTextsAndTheSpinner) {
    StreamRig r;
    r.WriteJob(std::string(300, 'c'));
    ASSERT_TRUE(r.streamer.start());
    r.streamer.Tick();
    EXPECT_EQ(r.streamer.LastText(), "przeslano 33% \\");
    r.streamer.Tick();
    EXPECT_EQ(r.streamer.LastText(), "przeslano 67% |");
    r.model.bufferStuckFull = true;
    r.streamer.Tick();  // full: the plain progress, once, as feeding stops
    EXPECT_EQ(r.streamer.LastText(), "przeslano 67% ");
    const auto n = r.notifier.statuses.size();
    r.streamer.Tick();
    EXPECT_EQ(r.notifier.statuses.size(), n);
    r.model.bufferStuckFull = false;
    r.streamer.Tick();
    EXPECT_EQ(r.streamer.LastText(), "przeslano 100% /");
    r.streamer.Tick();
    EXPECT_EQ(r.streamer.LastText(), "Transmisja zakonczona");
}

TEST(TTransArm, FullBufferOnTheFirstTickSendsNothingAndShowsNothing) {
    StreamRig r;
    r.WriteJob(std::string(10, 'c'));
    r.model.bufferStuckFull = true;
    ASSERT_TRUE(r.streamer.start());
    for (int i = 0; i < 5; ++i) r.streamer.Tick();
    EXPECT_TRUE(r.model.log.empty());
    EXPECT_TRUE(r.notifier.statuses.empty());
    EXPECT_TRUE(r.streamer.Streaming());
}

TEST(TTransArm, EmptyJobStopsOnTheFirstTick) {
    StreamRig r;
    r.WriteJob("");
    ASSERT_TRUE(r.streamer.start());
    r.streamer.Tick();
    EXPECT_FALSE(r.streamer.Streaming());
    EXPECT_EQ(r.notifier.statuses, std::vector<std::string>{"Transmisja zakonczona"});
    EXPECT_EQ(r.model.statusReads, 0);
}

TEST(TTransArm, AWholeJobEndsWithTheEndOfItsController) {
    StreamRig arm(true), older(false);
    EXPECT_EQ(CheckWholeJob("c" + PadPacket("SE"), arm.ctx).kind, JobFileFault::None);
    EXPECT_EQ(CheckWholeJob("", arm.ctx).kind, JobFileFault::Empty);
    EXPECT_EQ(CheckWholeJob("cc", arm.ctx).kind, JobFileFault::NoEndCommand);
    EXPECT_EQ(CheckWholeJob(std::string("cf\x02", 3), arm.ctx).kind, JobFileFault::NoEndCommand);
    EXPECT_EQ(CheckWholeJob(std::string("cf\x02", 3), older.ctx).kind, JobFileFault::None);
    EXPECT_EQ(CheckWholeJob(std::string("cf\x01", 3), older.ctx).kind, JobFileFault::NoEndCommand);
    EXPECT_EQ(CheckWholeJob(std::string("cf", 2), older.ctx).kind, JobFileFault::CutShort);
}

TEST(TTransArm, NewerControllerLengthsOfMovesPacketsAndSpeeds) {
    StreamRig r;
    const std::string a = "a" + std::string(14, '\x01');
    const std::string s = "s" + std::string(15, '\0');
    const std::string v = "v" + std::string(5, 'v');
    r.WriteJob(a + s + v);
    ASSERT_TRUE(r.streamer.start());
    r.streamer.Tick();
    EXPECT_EQ(r.model.job, (std::vector<std::string>{a, s, v}));
}

TEST(TTransArm, DamagedJobFilesAreRefusedBeforeAnythingIsSent) {
    {
        StreamRig r;
        r.WriteJob("cc" + std::string(1, '\x9F') + "cc");
        EXPECT_FALSE(r.streamer.start());
        EXPECT_FALSE(r.streamer.Streaming());
        r.streamer.Tick();
        EXPECT_TRUE(r.model.log.empty());
        ASSERT_EQ(r.notifier.messages.size(), 1u);
        EXPECT_NE(r.notifier.messages[0].text.find("not a machine command"), std::string::npos);
        EXPECT_NE(r.notifier.messages[0].text.find("2 (0x9F)"), std::string::npos);
        EXPECT_EQ(r.notifier.messages[0].kind, MessageKind::Error);
    }
    {
        StreamRig r;
        r.WriteJob("cc" + std::string("a\x01\x02", 3));
        EXPECT_FALSE(r.streamer.start());
        ASSERT_EQ(r.notifier.messages.size(), 1u);
        EXPECT_NE(r.notifier.messages[0].text.find("cut short"), std::string::npos);
        EXPECT_TRUE(r.model.log.empty());
    }
    {
        // "[" and "{" fall outside the table.
        CommandLengthTable t;
        EXPECT_EQ(CheckJobFile("{", t).kind, JobFileFault::BadCommandByte);
        EXPECT_EQ(CheckJobFile("[", t).kind, JobFileFault::BadCommandByte);
        EXPECT_EQ(CheckJobFile("`", t).kind, JobFileFault::None);
    }
}

TEST(TTransArm, MissingJobFileIsAnInputOutputError) {
    StreamRig r;
    EXPECT_THROW(r.streamer.start(), CoreError);
    EXPECT_FALSE(r.streamer.Streaming());
}

TEST(TTransArm, JobFileThatOpensButCannotBeReadIsAnInputOutputError) {
    StreamRig r;
    std::filesystem::create_directory(r.dir / "out.cnx");  // opens, but every read fails
    try {
        r.streamer.start();
        ADD_FAILURE() << "a folder was streamed";
    } catch (const CoreError& e) {
        EXPECT_EQ(e.kind(), CoreError::Kind::InputOutput);
    }
    EXPECT_FALSE(r.streamer.Streaming());
}

TEST(TTransArm, MachineGoneFromUsbEndsTheStreamWithOneMessage) {
    StreamRig r;
    r.WriteJob(std::string(1000, 'c'));
    ASSERT_TRUE(r.streamer.start());
    r.streamer.Tick();
    EXPECT_EQ(r.model.job.size(), 100u);
    r.usb.present = false;
    r.streamer.Tick();
    EXPECT_FALSE(r.streamer.Streaming());
    EXPECT_FALSE(r.ctx.StreamFeeding);
    EXPECT_EQ(r.usb.writes, 100 + 1 + 11);  // one command, tried eleven times
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].text, "No communication with the plotter");
    r.streamer.Tick();
    EXPECT_EQ(r.usb.writes, 112);
}

TEST(TTransArm, LinkErrorEndsTheStreamAfterTheLayersMessage) {
    StreamRig r;
    r.WriteJob(std::string(1000, 'c'));
    ASSERT_TRUE(r.streamer.start());
    r.usb.failNextWrites = 1;
    r.usb.failCode = 1167;
    r.streamer.Tick();
    EXPECT_FALSE(r.streamer.Streaming());
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].caption, "1167");
}

TEST(TTransArm, StreamsOverEthernetToo) {
    StreamRig r;
    sim::FakeArmTransport eth(r.model, LinkKind::Ethernet);
    r.layer.SetEthernet(&eth);
    r.ctx.EthernetConnected = true;
    std::vector<std::string> commands;
    r.WriteJob(GenerateJob(5000, r.ctx.CommandLengths, 11, &commands));
    r.model.bufferCapacity = 300;
    r.model.bufferSize = 401;
    r.model.drainPerStatusRead = 70;
    ASSERT_TRUE(r.streamer.start());
    for (int i = 0; i < 10000 && r.streamer.Streaming(); ++i) r.streamer.Tick();
    EXPECT_EQ(r.model.job, commands);
    EXPECT_EQ(r.model.overflowCount, 0u);
    for (auto& c : r.model.log) EXPECT_EQ(c.link, LinkKind::Ethernet);
}

}  // namespace
}  // namespace vellisk
