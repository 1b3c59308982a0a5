// The command layer over the parallel port (register-level peer) and over the newer controller
// (fake transport), against the simulated controller.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "machine_link/command_layer.h"
#include "machine_link/commands.h"
#include "model/core_error.h"
#include "sim/fake_arm_transport.h"
#include "sim/lpt_rig.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using namespace std::chrono_literals;

using test::B;

// The parallel port, and the newer controller's USB and Ethernet sides without a real link.
struct Rig : sim::LptRig {
    sim::FakeArmTransport usb{model, LinkKind::Usb};
    sim::FakeArmTransport eth{model, LinkKind::Ethernet};
    Rig() {
        layer.SetUsb(&usb);
        layer.SetEthernet(&eth);
        ctx.PlotParams.StepsX = 2.0;
        ctx.PlotParams.StepsY = 4.0;
        ctx.PlotParams.StepsZ = 0.5;
        ctx.PlotParams.Multiplier = 2;
    }
    void UseUsb(bool arm = false) {
        ctx.ArmLink = true;
        ctx.PlotParams.ArmController = arm;
        model.armController = arm;
    }
};

// ---- parallel port -----------------------------------------------------------------------

TEST(CommandLayerLpt, ReadStatusAsksAgainWhileTheControllerIsNotReady) {
    Rig r;
    r.model.statusByte = 0x21;
    r.model.notReadyReads = 3;
    EXPECT_TRUE(r.layer.ReadStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0x21);
    EXPECT_EQ(r.model.CountReceived("X"), 4u);
    EXPECT_TRUE(r.notifier.messages.empty());
}

TEST(CommandLayerLpt, NoMachineGivesOneMessagePerCallAndStatusZero) {
    Rig r;
    r.peer.noAckBytes = -1;
    r.clock.autoStep = 1s;
    r.ctx.PlotState.Status = 0x21;
    EXPECT_FALSE(r.layer.ReadStatus());
    EXPECT_TRUE(r.layer.TimedOut());
    EXPECT_EQ(r.ctx.PlotState.Status, 0);
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].text, "No communication with the plotter");
    EXPECT_EQ(r.notifier.messages[0].caption, "wr ");
    EXPECT_EQ(r.notifier.messages[0].kind, MessageKind::Error);
    EXPECT_FALSE(r.layer.ReadStatus());
    EXPECT_EQ(r.notifier.messages.size(), 2u);
}

TEST(CommandLayerLpt, StatusStuckAtQueryAgainEndsWithTheMessage) {
    Rig r;
    r.model.notReadyReads = 1 << 30;
    r.clock.autoStep = 1ms;
    EXPECT_FALSE(r.layer.ReadStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0);
    EXPECT_EQ(r.notifier.messages.size(), 1u);
    // The poll gives up the same way, silently.
    EXPECT_FALSE(r.layer.PollStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0);
    EXPECT_EQ(r.notifier.messages.size(), 1u);
}

TEST(CommandLayerLpt, PollStatusIsSilentAndClearsTheRawStatus) {
    Rig r;
    r.model.statusByte = 0x05;
    EXPECT_TRUE(r.layer.PollStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0x05);
    r.peer.readyHeldLow = true;
    r.clock.autoStep = 1s;
    r.ctx.PlotState.RawStatus = 0x1234;
    EXPECT_FALSE(r.layer.PollStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0);
    EXPECT_EQ(r.ctx.PlotState.RawStatus, 0);
    EXPECT_TRUE(r.notifier.messages.empty());
}

TEST(CommandLayerLpt, PositionRepliesIncludingNegativeTwentyFourBitValues) {
    Rig r;
    r.model.stepX = 10000;
    r.model.stepY = -100;
    r.model.stepZ = -8388608;
    r.layer.ReadPosition();
    EXPECT_EQ(r.peer.bytesToHost, B({0x10, 0x27, 0x00, 0x9C, 0xFF, 0xFF, 0x00, 0x00, 0x80}));
    EXPECT_EQ(r.ctx.PlotState.StepX, 10000);
    EXPECT_EQ(r.ctx.PlotState.StepY, -100);
    EXPECT_EQ(r.ctx.PlotState.StepZ, -8388608);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.PosX, 5000.0);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.PosY, -25.0);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.PosZ, -16777216.0);
    r.ctx.PlotParams.StepsZ = 0;
    r.layer.ReadPosition();
    EXPECT_EQ(r.ctx.PlotState.PosZ, 0.0);
}

TEST(CommandLayerLpt, BaseIsAWholeNumberOfHundredthsAndGoesBackInThreeBytes) {
    Rig r;
    r.model.baseX = 5;    // 2.5 -> 2 (halves to even)
    r.model.baseY = -14;  // -3.5 -> -4
    r.model.baseZ = 3;    // 6
    r.layer.ReadBase();
    EXPECT_EQ(r.ctx.PlotState.BaseX, 2.0);
    EXPECT_EQ(r.ctx.PlotState.BaseY, -4.0);
    EXPECT_EQ(r.ctx.PlotState.BaseZ, 6.0);
    r.ctx.PlotState.BaseX = 100;
    r.ctx.PlotState.BaseY = -1;
    r.layer.SendBaseXY();
    EXPECT_EQ(r.model.log.back().bytes, B({'U', 200, 0, 0, 0xFC, 0xFF, 0xFF}));
    EXPECT_EQ(r.model.baseX, 200);
    EXPECT_EQ(r.model.baseY, -4);
    r.ctx.PlotState.BaseZ = 10;
    r.layer.SendBaseZ();
    EXPECT_EQ(r.model.log.back().bytes, B({'N', 5, 0, 0}));
}

TEST(CommandLayerLpt, SpeedsAreAskedInTheirOrderAndScaled) {
    Rig r;
    r.model.speedSet = 1;
    r.model.speeds = {100, 200, 300, 400};
    r.model.extraSpeed = 50;
    r.layer.ReadSpeeds();
    const std::vector<std::string> asked = {B({'I', 1}), B({'I', 0}), B({'I', 2}), B({'I', 3}), B({'I', 255})};
    EXPECT_EQ(r.model.Received(LinkKind::ParallelPort), asked);
    const auto& s = r.ctx.PlotState;
    EXPECT_EQ(s.SetSpeeds, (std::array<std::int32_t, 4>{200, 400, 300, 800}));
    EXPECT_EQ(s.ExtraSpeed, 50);
    EXPECT_EQ(s.SpeedSet, 1);
    EXPECT_EQ(s.Speed, 400);
    r.ctx.PlotState.Model = "T12";  // set 3 unscaled on these models
    r.layer.ReadSpeeds();
    EXPECT_EQ(s.SetSpeeds[3], 400);
}

TEST(CommandLayerLpt, SetSpeedSendsTwoBytesDividedByTheMultiplier) {
    Rig r;
    r.model.speedSet = 1;
    r.ctx.PlotState.SpeedSet = 1;
    r.layer.SetSpeed(801);  // 801 / 2 steps = 400.5 -> 400, div 2 = 200
    EXPECT_TRUE(r.model.CountReceived(B({'V', 1, 200, 0})) == 1);
    r.ctx.PlotState.SpeedSet = 2;
    r.layer.SetSpeed(800);  // set 2: not divided by the multiplier
    EXPECT_EQ(r.model.CountReceived(B({'V', 2, 144, 1})), 1u);
    EXPECT_THROW(r.layer.SetSpeed(400000), CoreError);
}

TEST(CommandLayerLpt, ToolStateIdentityCountersAndWorkArea) {
    Rig r;
    r.model.outputIndex = 2;
    r.model.outValues[2] = 200;
    r.ctx.SpindleScale = 2.0;
    r.layer.ReadToolState();
    EXPECT_EQ(r.ctx.PlotState.OutputIndex, 2);
    EXPECT_EQ(r.ctx.PlotState.SpindleValue, 100);

    r.model.producer = "Dranholt";
    r.model.model = "NKV 484 ";
    r.model.productionDate = "20240115";
    r.model.runMinutes = 0x123456;
    r.model.jobCount = 0x4321;
    r.model.workArea = {2500, 1250, 300};
    r.layer.ReadMachineInfo();
    const auto& s = r.ctx.PlotState;
    EXPECT_EQ(s.Producer, "Dranholt");
    EXPECT_EQ(s.Model, "NKV 484 ");
    EXPECT_EQ(s.ProductionDate, "20240115");
    EXPECT_EQ(s.RunMinutes, 0x123456);
    EXPECT_EQ(s.FileCount, 0x4321);
    EXPECT_EQ(r.ctx.WorkAreaX, 2500);
    EXPECT_EQ(r.ctx.WorkAreaY, 1250);
    EXPECT_EQ(r.ctx.WorkAreaZ, 300);
    const std::vector<std::string> asked = {B({'J'}), B({'H', 0}), B({'H', 1}), B({'H', 2}), B({'H', 4}), B({'H', 3})};
    EXPECT_EQ(r.model.Received(LinkKind::ParallelPort), asked);
}

TEST(CommandLayerLpt, SilentControllerLeavesThePositionAsItWas) {
    Rig r;
    r.ctx.PlotState.StepX = 7;
    r.peer.noAckBytes = -1;
    r.clock.autoStep = 1s;
    r.layer.ReadPosition();
    EXPECT_EQ(r.ctx.PlotState.StepX, 7);
    EXPECT_EQ(r.notifier.messages.size(), 1u);
}

TEST(CommandLayerLpt, WaitWhileBusyPollsUntilIdleAndRestoresTheCursor) {
    Rig r;
    r.model.busyReadsPerMove = 5;
    r.layer.SendCommand(EncodeMoveCommand(1, 10, 0, 0).Bytes);
    int keptAlive = 0;
    r.layer.SetKeepAlive([&] { ++keptAlive; });
    EXPECT_TRUE(r.layer.WaitWhileBusy());
    EXPECT_EQ(keptAlive, 5);
    EXPECT_EQ(r.model.CountReceived("X"), 6u);
    EXPECT_EQ(r.clock.sleepCount, 5);
    EXPECT_EQ(r.notifier.busyDepth, 0);
    EXPECT_GT(r.notifier.busyCalls, 0);
    EXPECT_EQ(r.model.stepX, 10);
}

TEST(CommandLayerLpt, WaitWhileBusyEndsWhenTheControllerStopsAnswering) {
    Rig r;
    r.model.statusByte = sim::kStBusy;  // busy for ever
    r.model.onCommand = [&](const sim::ReceivedCommand&) {
        if (r.model.statusReads >= 3) {
            r.peer.readyHeldLow = true;
            r.clock.autoStep = 1s;
        }
    };
    EXPECT_EQ(r.layer.WaitWhileBusy().kind, WaitResult::NoAnswer);
    EXPECT_EQ(r.ctx.PlotState.Status, 0);
    EXPECT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.busyDepth, 0);
}

TEST(CommandLayerLpt, MoveToPointLiftsThenMovesThenLowers) {
    Rig r;
    r.ctx.PlotParams.StepsZ = 1.0;
    r.jobValues.StartZ = 20.0;
    r.model.baseX = 200;  // 100 (0.01 mm)
    r.model.baseY = 400;  // 100
    EXPECT_TRUE(r.layer.MoveToPoint(1.0, 2.0, 5.0));
    EXPECT_EQ(r.model.stepZ, 500);
    EXPECT_EQ(r.model.stepX, 400);   // (100 + 100) * 2
    EXPECT_EQ(r.model.stepY, 1200);  // (200 + 100) * 4
    std::vector<std::string> moves;
    for (auto& c : r.model.log)
        if (c.bytes[0] == 'A') moves.push_back(c.bytes);
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0], EncodeMoveCommand(2, 0, 0, 2000).Bytes);
    EXPECT_EQ(moves[1], EncodeMoveCommand(2, 400, 1200, 0).Bytes);
    EXPECT_EQ(moves[2], EncodeMoveCommand(2, 0, 0, -1500).Bytes);
    EXPECT_EQ(r.notifier.busyDepth, 0);
}

TEST(CommandLayerLpt, MoveToPointAtTheCurrentPositionSendsNoMove) {
    Rig r;
    r.ctx.PlotParams.StepsZ = 1.0;
    EXPECT_TRUE(r.layer.MoveToPoint(0, 0, 0));
    EXPECT_EQ(r.model.CountReceived("A"), 0u);
}

TEST(CommandLayerLpt, MoveToPointRefusesABusyOrSilentMachine) {
    Rig r;
    r.model.statusByte = sim::kStRunning;
    EXPECT_FALSE(r.layer.MoveToPoint(1, 1, 0));
    EXPECT_EQ(r.model.CountReceived("A"), 0u);
    Rig s;
    s.peer.noAckBytes = -1;
    s.clock.autoStep = 1s;
    EXPECT_FALSE(s.layer.MoveToPoint(1, 1, 0));
    ASSERT_FALSE(s.notifier.messages.empty());
    EXPECT_EQ(s.notifier.messages.back().caption, "Move to start");
    EXPECT_EQ(s.notifier.busyDepth, 0);
}

TEST(CommandLayerLpt, JogToTheRightEdgeAndTheKeyThatMovesNothing) {
    Rig r;
    r.ctx.WorkAreaX = 10;  // 1000 (0.01 mm)
    r.model.stepX = 200;   // PosX 100
    r.layer.ReadPosition();
    r.layer.JogToLimit(kKeyRight);
    EXPECT_EQ(r.model.stepX, 2000);
    EXPECT_TRUE(r.ctx.JogActive);
    r.ctx.JogActive = false;
    const auto before = r.model.log.size();
    r.layer.JogToLimit(kKeyNumpad5);
    EXPECT_TRUE(r.ctx.JogActive);
    for (auto i = before; i < r.model.log.size(); ++i) EXPECT_NE(r.model.log[i].bytes[0], 'A');
}

TEST(CommandLayerLpt, SpindleToggleAndValue) {
    Rig r;
    r.ctx.PlotState.Status = 0;
    r.layer.ToggleSpindle();
    EXPECT_EQ(r.model.log.back().bytes, B({'R', 1, 2}));
    r.ctx.PlotState.Status = kStatusSpindleOn;
    r.ctx.PlotState.OutputIndex = 3;
    r.layer.ToggleSpindle();
    EXPECT_EQ(r.model.log.back().bytes, B({'R', 0, 3}));
    r.ctx.ModelCode = "PRV";  // a USB machine: packets instead of "R"
    r.UseUsb(true);
    r.layer.ToggleSpindle();
    EXPECT_EQ(r.model.log.back().bytes, PadPacket("SLC"));

    r.ctx.PlotParams.Laser = 1;
    r.ctx.PlotState.OutputIndex = 3;
    r.ctx.PlotState.SpindleValue = 300;
    r.layer.SendSpindleValue();
    EXPECT_EQ(r.ctx.PlotState.SpindleValue, 255);
    EXPECT_EQ(r.model.log.back().bytes, B({'T', 3, 255}));
    r.ctx.PlotState.OutputIndex = 4;
    const auto n = r.model.log.size();
    r.layer.SendSpindleValue();
    EXPECT_EQ(r.model.log.size(), n);
}

TEST(CommandLayerLpt, FileWorkStatusMessages) {
    Rig r;
    r.ctx.PlotState.Status = kStatusRunningFromMemory;
    r.layer.ShowFileWorkStatus();
    r.ctx.PlotState.Status = 0;
    r.layer.ShowFileWorkStatus();
    r.ctx.PlotState.Status = kStatusJobStored;
    r.layer.ShowFileWorkStatus();
    ASSERT_EQ(r.notifier.messages.size(), 2u);
    EXPECT_EQ(r.notifier.messages[0].text, "Plotter is working from the file");
    EXPECT_EQ(r.notifier.messages[1].text, "No file to work");
    EXPECT_EQ(r.notifier.messages[1].caption, "");
}

TEST(CommandLayer, NoLinkAtAllBehavesLikeASilentController) {
    test::MachineRig machine;
    test::RecordingNotifier n;
    sim::FakeClock clock;
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, n, clock);
    layer.Delay().SetLoopsPerMs(1);
    machine.ctx.PlotState.Status = 1;
    EXPECT_FALSE(layer.ReadStatus());
    EXPECT_EQ(machine.ctx.PlotState.Status, 0);
    EXPECT_TRUE(layer.TimedOut());
    EXPECT_EQ(layer.WaitWhileBusy().kind, WaitResult::NoAnswer);
    machine.ctx.ArmLink = true;
    EXPECT_FALSE(layer.TimedOut());
    EXPECT_EQ(layer.SendCommand("X"), kNoMachine);
}

// ---- waits that end before the machine is idle ---------------------------------------------

// A go-to on the GUI thread keeps the window alive: the keep-alive runs at least every few
// milliseconds of real time, and the panel's STOP pressed inside it ends the wait at once; the
// machine is told to stop and nothing of the go-to follows.
TEST(CommandLayerWaits, AGoToKeepsTheWindowAliveAndStopEndsIt) {
    test::MachineRig machine;
    test::RecordingNotifier n;
    sim::ControllerModel model;
    sim::FakeArmTransport usb{model, LinkKind::Usb};
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, n);  // the real clock
    layer.SetUsb(&usb);
    machine.ctx.ArmLink = true;
    model.busyReadsPerMove = 1 << 30;  // the machine moves for ever
    const auto start = std::chrono::steady_clock::now();
    auto last = start;
    std::chrono::steady_clock::duration longestGap{};
    layer.SetKeepAlive([&] {
        const auto now = std::chrono::steady_clock::now();
        longestGap = std::max(longestGap, now - last);
        last = now;
        if (now - start > 300ms) layer.EndWaits();
    });
    EXPECT_FALSE(layer.MoveToPoint(10, 0, 0));
    EXPECT_LT(longestGap, 100ms);
    ASSERT_FALSE(model.log.empty());
    EXPECT_EQ(model.log.back().bytes, "Y");
    EXPECT_EQ(model.CountReceived("Y"), 1u);
    EXPECT_TRUE(n.messages.empty());

    // The machine's STOP key ends a wait in the same way.
    layer.SendCommand(EncodeMoveCommand(1, 10, 0, 0).Bytes);
    model.log.clear();
    layer.SetKeepAlive([&] { model.pressKeysOnce = sim::kKeyStop; });
    EXPECT_EQ(layer.WaitWhileBusy().kind, WaitResult::Stopped);
    ASSERT_EQ(model.log.size(), 1u);
    EXPECT_EQ(model.log[0].bytes, "Y");

    // A STOP still reported from before the wait (the hold it started waits) does not end it.
    model.keyByte = sim::kKeyStop;
    model.busyReadsPerMove = 3;
    layer.SendCommand(EncodeMoveCommand(1, 10, 0, 0).Bytes);
    EXPECT_TRUE(layer.WaitWhileBusy());
    EXPECT_EQ(model.CountReceived("Y"), 1u);
}

TEST(CommandLayerWaits, TimeLimitAndAStopTokenEndAWaitOnABusyMachine) {
    Rig r;
    r.UseUsb();
    r.model.statusByte = sim::kStBusy;
    EXPECT_EQ(r.layer.WaitWhileBusy({}, 10s).kind, WaitResult::TimeLimit);
    EXPECT_GE(r.clock.slept, 10s);
    std::stop_source stop;
    stop.request_stop();
    const int reads = r.model.statusReads;
    EXPECT_EQ(r.layer.WaitWhileBusy(stop.get_token()).kind, WaitResult::Stopped);
    EXPECT_EQ(r.model.statusReads, reads) << "a wait asked to stop reads nothing";
    EXPECT_TRUE(r.model.log.empty()) << "only the keep-alive thread's waits stop the machine";
    EXPECT_TRUE(r.notifier.messages.empty());
}

// A worker's wait on a machine stuck at busy ends as soon as its stop token is stopped, while
// the GUI thread reads the machine through the same layer.
TEST(CommandLayerExchanges, AWorkersWaitEndsOnItsStopToken) {
    test::MachineRig machine;
    test::RecordingNotifier n;
    sim::ControllerModel model;
    sim::FakeArmTransport usb{model, LinkKind::Usb};
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, n);
    layer.SetUsb(&usb);
    machine.ctx.ArmLink = true;
    model.statusByte = sim::kStBusy;
    std::atomic<int> ended{-1};
    std::jthread worker([&](std::stop_token stop) { ended = layer.WaitWhileBusy(stop).kind; });
    std::this_thread::sleep_for(50ms);
    const auto t0 = std::chrono::steady_clock::now();
    worker.request_stop();
    worker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
    EXPECT_EQ(ended.load(), WaitResult::Stopped);
}

// ---- newer controller ----------------------------------------------------------------------

TEST(CommandLayerUsb, StatusWordOutputsAndPositionFromStringTen) {
    Rig r;
    r.UseUsb();
    r.model.statusByte = 0x21;
    r.model.keyByte = sim::kKeyStart;
    r.model.outputByte = 0xC0;
    r.model.stepX = -5;
    r.model.stepY = 1 << 24;
    EXPECT_TRUE(r.layer.ReadStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0x21);
    EXPECT_EQ(r.ctx.PlotState.RawStatus, 0x0821);
    EXPECT_EQ(r.ctx.PlotState.OutputByte, 0xC0);
    r.layer.ReadPosition();
    EXPECT_EQ(r.ctx.PlotState.StepX, -5);
    EXPECT_EQ(r.ctx.PlotState.StepY, 1 << 24);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.PosX, -2.5);
    EXPECT_TRUE(r.layer.TimedOut() == false);
}

TEST(CommandLayerUsb, ReadersOfBaseSpeedsToolsAndInfo) {
    Rig r;
    r.UseUsb(true);
    r.model.baseX = 3;
    r.model.baseZ = 7;
    r.layer.ReadBase();
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.BaseX, 1.5);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.BaseZ, 14.0);

    r.model.speedSet = 2;
    r.model.speeds = {10, 20, 30, 40};
    r.model.extraSpeed = 40000;
    r.layer.ReadSpeeds();
    EXPECT_EQ(r.ctx.PlotState.SetSpeeds, (std::array<std::int32_t, 4>{20, 40, 60, 80}));
    EXPECT_EQ(r.ctx.PlotState.ExtraSpeed, 65535);
    EXPECT_EQ(r.ctx.PlotState.Speed, 60);

    r.model.outputIndex = 9;
    r.model.outValues[5] = 777;
    r.layer.ReadToolState();
    EXPECT_EQ(r.ctx.PlotState.OutputIndex, 5);
    EXPECT_EQ(r.ctx.PlotState.SpindleValue, 777);

    r.model.model = "HYG17";
    r.model.workArea = {3000, 2000, 200};
    r.layer.ReadMachineInfo();
    EXPECT_EQ(r.ctx.PlotState.Model, "HYG17");
    EXPECT_EQ(r.ctx.WorkAreaX, 3000);
    EXPECT_EQ(r.ctx.FirmwareVersion, 550);
    r.model.firmwareVersion = "";
    r.layer.ReadMachineInfo();
    EXPECT_EQ(r.ctx.FirmwareVersion, 300);

    r.ctx.PlotState.BaseX = 10;
    r.ctx.PlotState.BaseY = 1;
    r.layer.SendBaseXY();
    EXPECT_EQ(r.model.log.back().bytes, "U" + IntToBytes4(20) + IntToBytes4(4));
}

TEST(CommandLayerUsb, OlderUsbControllerSpeedsAreScaledBySteps) {
    Rig r;
    r.UseUsb(false);
    r.model.speeds = {10, 20, 30, 40};
    r.model.extraSpeed = 5;
    r.layer.ReadSpeeds();
    EXPECT_EQ(r.ctx.PlotState.SetSpeeds, (std::array<std::int32_t, 4>{40, 80, 60, 160}));
    EXPECT_EQ(r.ctx.PlotState.ExtraSpeed, 20);
}

TEST(CommandLayerUsb, NoMachineIsRetriedTenTimesSilently) {
    Rig r;
    r.UseUsb();
    r.usb.present = false;
    EXPECT_EQ(r.layer.SendCommand("Y"), kNoMachine);
    EXPECT_EQ(r.usb.writes, 11);
    EXPECT_EQ(r.ctx.UsbRetryCount, 10);
    EXPECT_TRUE(r.notifier.messages.empty());
    EXPECT_EQ(r.clock.slept, 100ms);
}

TEST(CommandLayerUsb, GoToFurtherThanAMoveCanReachMovesNothing) {
    Rig r;
    r.UseUsb(true);
    // The controller reports X two thousand million steps below zero and the base point as far
    // above: the target is four thousand million steps away, more than any move can carry.
    r.model.stepX = -2'000'000'000;
    r.model.baseX = 2'000'000'000;
    r.jobValues.StartZ = 20.0;
    EXPECT_THROW((void)r.layer.MoveToPoint(0.0, 0.0, 0.0), CoreError);
    EXPECT_EQ(r.model.CountReceived("A"), 0u) << "not even the lift went out";
    EXPECT_EQ(r.model.stepX, -2'000'000'000);
    EXPECT_EQ(r.model.stepZ, 0);
    EXPECT_EQ(r.notifier.busyDepth, 0);
}

TEST(CommandLayerUsb, OtherErrorCodeIsShownAsTheCaption) {
    Rig r;
    r.UseUsb();
    r.usb.failNextWrites = 1;
    r.usb.failCode = 1167;
    r.layer.SendCommand("Y");
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].caption, "1167");
}

TEST(CommandLayerUsb, FailedStringReadGivesIdleStatusButNeverEndsAWaitAsIdle) {
    Rig r;
    r.UseUsb();
    r.model.statusByte = sim::kStBusy;
    r.usb.silent = true;
    EXPECT_FALSE(r.layer.ReadStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0) << "a failed read reads as zeros";
    // Three failed reads in a row: the message, not "idle".
    EXPECT_EQ(r.layer.WaitWhileBusy().kind, WaitResult::NoAnswer);
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].text, "No communication with the plotter");
    EXPECT_EQ(r.notifier.busyDepth, 0);
}

TEST(CommandLayerEthernet, StatusRecordFillsTheMachineState) {
    Rig r;
    r.UseUsb(true);
    r.ctx.EthernetConnected = true;
    r.ctx.SpindleScale = 2;
    r.model.statusByte = 0x04;
    r.model.keyByte = sim::kKeyStop;
    r.model.stepZ = -8;
    r.model.baseY = 8;
    r.model.workArea = {1200, 800, 150};
    r.model.speeds = {1, 2, 3, 4};
    r.model.extraSpeed = 40000;
    r.model.outputIndex = 7;
    r.model.outValues[5] = 90;
    EXPECT_TRUE(r.layer.ReadStatus());
    const auto& s = r.ctx.PlotState;
    EXPECT_EQ(s.Status, 0x04);
    EXPECT_EQ(s.RawStatus & kRawPauseRequested, kRawPauseRequested);
    EXPECT_EQ(s.StepZ, -8);
    EXPECT_DOUBLE_EQ(s.PosZ, -16);
    EXPECT_DOUBLE_EQ(s.BaseY, 2);
    EXPECT_EQ(r.ctx.WorkAreaY, 800);
    EXPECT_EQ(s.SetSpeeds[3], 8);
    EXPECT_EQ(s.ExtraSpeed, 65535);
    EXPECT_EQ(s.OutputIndex, 5);
    EXPECT_EQ(s.SpindleValue, 45);
    // Commands go over Ethernet, not USB.
    r.layer.SendCommand("Y");
    EXPECT_EQ(r.model.log.back().link, LinkKind::Ethernet);
    // A short record is no reply.
    std::vector<std::uint8_t> shortRecord(50, 0xFF);
    EXPECT_FALSE(ApplyStatusRecord(r.ctx, shortRecord));
    EXPECT_EQ(s.Status, 0x04);
}

TEST(CommandLayerEthernet, WaitWhileBusyEndsWhenStatusRecordsStopComing) {
    Rig r;
    r.UseUsb(true);
    r.ctx.EthernetConnected = true;
    r.model.statusByte = sim::kStBusy;
    EXPECT_TRUE(r.layer.ReadStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, sim::kStBusy);
    r.eth.silent = true;
    EXPECT_FALSE(r.layer.WaitWhileBusy());
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].text, "No communication with the plotter");
    EXPECT_EQ(r.notifier.busyDepth, 0);
}

}  // namespace
}  // namespace vellisk
