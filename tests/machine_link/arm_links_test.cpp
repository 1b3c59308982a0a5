// The command layer and the job streamer over the real USB and Ethernet links, with the
// simulated controller behind the in-process HID device and behind the loopback TCP controller:
// the state decoded from strings 10..15 and from the status record, the identity, and a whole
// job file streamed byte-exact while the controller's buffer fills and drains.
#include <gtest/gtest.h>

#include "drawing_files/gcode_reader.h"
#include "drawing_files/job_test_support.h"
#include "drawing_files/job_writer.h"
#include "machine_link/command_layer.h"
#include "machine_link/ethernet_link.h"
#include "machine_link/ethernet_watch.h"
#include "machine_link/trans_arm.h"
#include "machine_link/usb_link.h"
#include "sim/controller_model.h"
#include "sim/fake_clock.h"
#include "sim/fake_hid.h"
#include "sim/streamed_job.h"
#include "sim/tcp_controller.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;
using vellisk::sim::ControllerModel;
using vellisk::sim::Streamed;

namespace {

// A newer controller with steps of 2 per 0.01 mm on X, 4 on Y, 0.5 on Z and multiplier 2.
void ArmMachine(MachineContext& ctx, ProgramEnvironment& env, bool armController) {
    ctx.ArmLink = true;
    ctx.PlotParams.ArmController = armController;
    ctx.CommandLengths.SetController(armController);
    ctx.PlotParams.Multiplier = 2;
    ctx.PlotParams.StepsX = 2.0;
    ctx.PlotParams.StepsY = 4.0;
    ctx.PlotParams.StepsZ = 0.5;
    ctx.SpindleScale = 2.0;
    env.Lang.Language = kLangEnglish;
}

void SetControllerState(ControllerModel& m) {
    m.outputByte = 0xC3;
    m.statusByte = 0x25;
    m.keyByte = 0x10;
    m.stepX = 2000;
    m.stepY = -4000;
    m.stepZ = 150;
    m.baseX = 200;
    m.baseY = 400;
    m.baseZ = -50;
    m.speedSet = 2;
    m.speeds = {800, 400, 200, 100};
    m.extraSpeed = 40000;
    m.outputIndex = 9;  // beyond the last output: taken as output 5
    m.outValues = {10, 20, 30, 40, 50, 61};
    m.workArea = {1200, 800, 150};
    m.runMinutes = 4321;
    m.jobCount = 77;
}

struct UsbRig : test::MachineRig {
    test::RecordingNotifier notifier;
    sim::FakeClock clock;
    sim::FakeHidBackend backend;
    ControllerModel model;
    std::unique_ptr<TfUsb> usb;
    std::unique_ptr<CommandLayer> layer;

    explicit UsbRig(bool armController) {
        ArmMachine(ctx, env, armController);
        model.armController = armController;
        backend.AddMachine(model, "NKV 484 ", "20240115");
        usb = std::make_unique<TfUsb>(ctx, backend, notifier, clock);
        layer = std::make_unique<CommandLayer>(ctx, env, jobValues, notifier, clock);
        layer->SetUsb(usb.get());
    }
};

// The model behind the TCP controller, with its status record lengthened to 256 bytes.
sim::TcpController::Hooks FullLengthRecordHooks(ControllerModel& m) {
    sim::TcpController::Hooks h = sim::ModelHooks(m);
    h.StatusRecord = [&m] {
        const std::vector<std::uint8_t> r = m.StatusRecord();
        std::string rec(r.begin(), r.end());
        rec.resize(kStatusRecordMaxSize, '\0');
        return rec;
    };
    return h;
}

struct EthRig : test::MachineRig {
    test::RecordingNotifier notifier;
    ControllerModel model;
    sim::TcpController server;
    TfEthernet eth{ctx, env, notifier};
    CommandLayer layer{ctx, env, jobValues, notifier};

    explicit EthRig(bool fullLengthRecord = false)
        : server(fullLengthRecord ? FullLengthRecordHooks(model) : sim::ModelHooks(model)) {
        ArmMachine(ctx, env, true);
        model.armController = true;
        ctx.PlotterIP = "127.0.0.1";
        eth.restart();
        eth.SetPorts(server.CommandPort(), server.IdentityPort());
        layer.SetEthernet(&eth);
    }
};

}  // namespace

TEST(UsbCommandLayer, StateFromStrings10To15) {
    UsbRig r(/*armController=*/true);
    SetControllerState(r.model);

    ASSERT_TRUE(r.layer->ReadStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0x25);
    EXPECT_EQ(r.ctx.PlotState.RawStatus, 0x1025);
    EXPECT_EQ(r.ctx.PlotState.OutputByte, 0xC3);

    r.layer->ReadPosition();
    EXPECT_EQ(r.ctx.PlotState.StepX, 2000);
    EXPECT_EQ(r.ctx.PlotState.StepY, -4000);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.PosX, 1000.0);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.PosY, -1000.0);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.PosZ, 300.0);

    r.layer->ReadBase();
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.BaseX, 100.0);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.BaseY, 100.0);
    EXPECT_DOUBLE_EQ(r.ctx.PlotState.BaseZ, -100.0);

    r.layer->ReadSpeeds();
    EXPECT_EQ(r.ctx.PlotState.SpeedSet, 2);
    EXPECT_EQ(r.ctx.PlotState.SetSpeeds, (std::array<std::int32_t, 4>{1600, 800, 400, 200}));
    EXPECT_EQ(r.ctx.PlotState.ExtraSpeed, 65535) << "40000 x 2 is limited";
    EXPECT_EQ(r.ctx.PlotState.Speed, 400);

    r.layer->ReadToolState();
    EXPECT_EQ(r.ctx.PlotState.OutputIndex, 5);
    EXPECT_EQ(r.ctx.PlotState.SpindleValue, 30) << "61 / 2 rounded half to even";

    r.layer->ReadMachineInfo();
    EXPECT_EQ(r.ctx.PlotState.Producer, "DranHolt");
    EXPECT_EQ(r.ctx.PlotState.Model, "NKV 484 ");
    EXPECT_EQ(r.ctx.PlotState.ProductionDate, "20240115");
    EXPECT_DOUBLE_EQ(r.ctx.WorkAreaX, 1200.0);
    EXPECT_DOUBLE_EQ(r.ctx.WorkAreaY, 800.0);
    EXPECT_DOUBLE_EQ(r.ctx.WorkAreaZ, 150.0);
    EXPECT_EQ(r.ctx.PlotState.RunMinutes, 4321);
    EXPECT_EQ(r.ctx.PlotState.FileCount, 77);
    EXPECT_EQ(r.ctx.FirmwareVersion, 550);

    r.model.firmwareVersion.clear();
    r.layer->ReadMachineInfo();
    EXPECT_EQ(r.ctx.FirmwareVersion, 300) << "no \"v\" at byte 3";
}

TEST(UsbCommandLayer, SixteenBitSpeedsOfTheOtherController) {
    UsbRig r(/*armController=*/false);
    SetControllerState(r.model);
    r.model.extraSpeed = 7;
    r.layer->ReadSpeeds();
    // v x M x StepsX, set 2 without M.
    EXPECT_EQ(r.ctx.PlotState.SetSpeeds, (std::array<std::int32_t, 4>{3200, 1600, 400, 400}));
    EXPECT_EQ(r.ctx.PlotState.ExtraSpeed, 28);
}

TEST(UsbCommandLayer, CommandsReachTheControllerAndAVanishedMachineIsDropped) {
    UsbRig r(true);
    r.layer->SendCommand(EncodeMoveCommandEx(2, 10, 20, 0, kNoSpeedLimit).Bytes);
    EXPECT_EQ(r.model.stepX, 10);
    EXPECT_EQ(r.model.stepY, 20);

    r.backend.Unplug(r.backend.Enumerate().at(0).Path);
    EXPECT_TRUE(r.usb->CheckDeviceChanges());
    EXPECT_EQ(r.notifier.statuses.back(), "brak lacznosci");
    const int retries = r.ctx.UsbRetryCount;
    EXPECT_EQ(r.layer->SendCommand("Y"), kNoMachine);
    EXPECT_EQ(r.ctx.UsbRetryCount, retries + 10) << "retried silently";
    EXPECT_TRUE(r.notifier.messages.empty());
    EXPECT_FALSE(r.layer->ReadStatus());
    EXPECT_EQ(r.ctx.PlotState.Status, 0);
}

TEST(EthernetCommandLayer, StateFromTheStatusRecordAndIdentity) {
    EthRig r;
    {
        auto lock = r.server.Lock();
        SetControllerState(r.model);
    }
    ASSERT_TRUE(r.eth.ConnectCommandClient());
    r.eth.DeliverPending();
    EXPECT_EQ(r.ctx.PlotState.Model, "BKT     ");

    ASSERT_TRUE(r.layer.ReadStatus());
    const tplotstate& s = r.ctx.PlotState;
    EXPECT_EQ(s.Status, 0x25);
    EXPECT_EQ(s.RawStatus, 0x1025);
    EXPECT_EQ(s.OutputByte, 0xC3);
    EXPECT_EQ(s.StepX, 2000);
    EXPECT_EQ(s.StepY, -4000);
    EXPECT_EQ(s.StepZ, 150);
    EXPECT_DOUBLE_EQ(s.PosX, 1000.0);
    EXPECT_DOUBLE_EQ(s.PosY, -1000.0);
    EXPECT_DOUBLE_EQ(s.PosZ, 300.0);
    EXPECT_DOUBLE_EQ(s.BaseX, 100.0);
    EXPECT_DOUBLE_EQ(s.BaseY, 100.0);
    EXPECT_DOUBLE_EQ(s.BaseZ, -100.0);
    EXPECT_DOUBLE_EQ(r.ctx.WorkAreaX, 1200.0);
    EXPECT_EQ(s.RunMinutes, 4321);
    EXPECT_EQ(s.FileCount, 77);
    EXPECT_EQ(s.SpeedSet, 2);
    EXPECT_EQ(s.SetSpeeds, (std::array<std::int32_t, 4>{1600, 800, 400, 200}));
    EXPECT_EQ(s.ExtraSpeed, 65535);
    EXPECT_EQ(s.OutputIndex, 5);
    EXPECT_EQ(s.SpindleValue, 30);

    {
        auto lock = r.server.Lock();
        r.model.model = "HYG17";
        r.model.productionDate = "20250301";
    }
    r.layer.ReadMachineInfo();
    EXPECT_EQ(s.Producer, "DRANHOLT");
    EXPECT_EQ(s.Model, "HYG17   ");
    EXPECT_EQ(s.ProductionDate, "20250301");
}

TEST(EthernetCommandLayer, ShortStatusRecordLeavesTheStateAsItWas) {
    EthRig r;
    ASSERT_TRUE(r.eth.ConnectCommandClient());
    {
        auto lock = r.server.Lock();
        SetControllerState(r.model);
    }
    sim::TcpFaults f;
    f.StatusLength = 103;
    r.server.SetFaults(f);
    r.ctx.PlotState.StepX = 5;
    r.layer.PollStatus();
    EXPECT_EQ(r.ctx.PlotState.StepX, 5);
    EXPECT_EQ(r.ctx.PlotState.RawStatus, 0);
}

TEST(EthernetCommandLayer, ReconnectAfterTheControllerDropsTheConnection) {
    EthRig r;
    tEthernetCzuwanie watch(r.eth);
    watch.Resume();
    ASSERT_TRUE(test::WaitUntil([&] { return r.ctx.EthernetConnected.load(); }));
    EXPECT_EQ(r.layer.SendCommand("X"), kLinkOk);

    r.server.DropConnection();
    r.layer.PollStatus();
    EXPECT_FALSE(r.ctx.EthernetConnected);
    EXPECT_NE(r.layer.Active().Kind(), LinkKind::Ethernet) << "the command layer leaves the lost link";

    watch.Resume();  // the panel's timer
    ASSERT_TRUE(test::WaitUntil([&] { return r.ctx.EthernetConnected.load(); }));
    EXPECT_EQ(r.layer.SendCommand("X"), kLinkOk);
    EXPECT_EQ(r.server.CommandConnections(), 2);
    r.eth.DeliverPending();
    EXPECT_EQ(r.notifier.statuses,
              (std::vector<std::string>{"Ethernet connected", "Ethernet disconnected", "Ethernet connected"}));
}

TEST(ArmStreaming, WholeJobFileStreamsByteExactOverEthernet) {
    EthRig r;
    test::TempDir dir;
    const std::string job = test::WritePocketJob(test::ArmLaser(), dir / "out.cnx");
    ASSERT_GT(job.size(), 100u);
    r.env.ProgramDir = dir.path();
    {
        auto lock = r.server.Lock();
        r.model.bufferCapacity = 20;
        r.model.bufferSize = 20 + 101;
        r.model.drainPerStatusRead = 8;
    }
    ASSERT_TRUE(r.eth.ConnectCommandClient());
    const std::size_t from = r.model.log.size();
    TTransArm streamer(r.ctx, r.env, r.layer, r.notifier);
    ASSERT_TRUE(streamer.start());
    int ticks = 0, idleTicks = 0;
    while (streamer.Streaming() && ticks < 10000) {
        const std::size_t before = r.server.RequestCount();
        streamer.Tick();
        if (r.server.RequestCount() - before <= 1) ++idleTicks;  // only the status request
        ++ticks;
    }
    ASSERT_FALSE(streamer.Streaming());
    auto lock = r.server.Lock();
    EXPECT_EQ(Streamed(r.model, from), job) << "every byte once, in order";
    EXPECT_EQ(r.model.overflowCount, 0u);
    EXPECT_GT(r.model.bufferFullReads, 0u) << "the buffer-full bit was set";
    EXPECT_GT(idleTicks, 0) << "ticks waited on a full buffer";
    EXPECT_EQ(r.notifier.statuses.back(), "Transmisja zakonczona");
}

TEST(ArmStreaming, WholeJobFileStreamsByteExactOverUsb) {
    UsbRig r(true);
    test::TempDir dir;
    const std::string job = test::WritePocketJob(test::ArmLaser(), dir / "out.cnx");
    r.env.ProgramDir = dir.path();
    r.model.bufferCapacity = 20;
    r.model.bufferSize = 20 + 101;
    r.model.drainPerStatusRead = 8;
    const std::size_t from = r.model.log.size();
    TTransArm streamer(r.ctx, r.env, *r.layer, r.notifier);
    ASSERT_TRUE(streamer.start());
    for (int ticks = 0; streamer.Streaming() && ticks < 10000; ++ticks) streamer.Tick();
    ASSERT_FALSE(streamer.Streaming());
    EXPECT_EQ(Streamed(r.model, from), job);
    EXPECT_GT(r.model.bufferFullReads, 0u);
    EXPECT_EQ(r.model.overflowCount, 0u);
}

TEST(EthernetCommandLayer, FullLengthRecordInTwoSegmentsIsReadWhole) {
    test::MachineRig machine;
    ArmMachine(machine.ctx, machine.env, true);
    machine.ctx.PlotterIP = "127.0.0.1";
    test::RecordingNotifier notifier;
    // A 256-byte record with output index 7 and the sixth output's value 61.
    std::string rec(256, '\0');
    rec[4] = 0x01;
    rec[90] = 7;
    rec[92 + 10] = 61;
    rec[255] = 0x5A;
    sim::TcpController::Hooks hooks;
    hooks.StatusRecord = [&] { return rec; };
    sim::TcpController server(hooks);
    sim::TcpFaults f;
    f.SplitEcho = true;
    f.SplitGapMs = 10;  // well apart, as from a slow controller
    server.SetFaults(f);

    TfEthernet eth(machine.ctx, machine.env, notifier);
    eth.SetPorts(server.CommandPort(), server.IdentityPort());
    ASSERT_TRUE(eth.ConnectCommandClient());
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, notifier);
    layer.SetEthernet(&eth);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(layer.PollStatus());
        EXPECT_EQ(machine.ctx.PlotState.OutputIndex, 5);
        EXPECT_EQ(machine.ctx.PlotState.SpindleValue, 30);  // 61 / SpindleScale 2, halves to even
        EXPECT_EQ(machine.ctx.PlotState.Status, 0x01);
    }
    EXPECT_EQ(eth.StaleDrops(), 0) << "no record was left half read";
}

// ---- link faults: a job never ends silently short, a busy machine never reads idle ----------

namespace {

// The bytes of the first `n` commands of a job file.
std::string FirstCommands(const std::string& job, const CommandLengthTable& lengths, std::size_t n) {
    const std::vector<std::string> commands = test::JobCommands(job, lengths);
    std::string first;
    for (std::size_t i = 0; i < n && i < commands.size(); ++i) first += commands[i];
    return first;
}

std::size_t CommandCount(const std::string& job, const CommandLengthTable& lengths) {
    return test::JobCommands(job, lengths).size();
}

void ExpectOneNoCommunicationMessage(const test::RecordingNotifier& n) {
    ASSERT_EQ(n.messages.size(), 1u);
    EXPECT_EQ(n.messages[0].text, "No communication with the plotter");
    EXPECT_NE(n.statuses.back(), "Transmisja zakonczona") << "the job must not read as complete";
}

}  // namespace

TEST(LinkFaults, UsbTransferTimeOutMidJobEndsTheStreamWithTheMessage) {
    UsbRig r(true);
    r.backend.clock = &r.clock;
    test::TempDir dir;
    const std::string job = test::WritePocketJob(test::ArmLaser(), dir / "out.cnx");
    r.env.ProgramDir = dir.path();
    const std::size_t from = r.model.log.size();
    TTransArm streamer(r.ctx, r.env, *r.layer, r.notifier);
    ASSERT_TRUE(streamer.start());
    streamer.Tick();
    ASSERT_TRUE(streamer.Streaming());
    const std::size_t delivered = streamer.Position();
    ASSERT_LT(delivered, job.size());
    r.backend.failWrites = 1;
    r.backend.writeError = kHidErrTimedOut;  // the next report does not get through
    for (int ticks = 0; streamer.Streaming() && ticks < 100; ++ticks) streamer.Tick();
    EXPECT_FALSE(streamer.Streaming());
    ExpectOneNoCommunicationMessage(r.notifier);
    EXPECT_EQ(Streamed(r.model, from), job.substr(0, delivered)) << "exactly the commands before the lost one";
    EXPECT_EQ(r.ctx.UsbErrorCount, 0) << "a time-out is no sent report";
}

TEST(LinkFaults, HungUsbControllerHoldsAStatusPollAboutOneSecond) {
    using namespace std::chrono_literals;
    UsbRig r(true);
    r.backend.clock = &r.clock;
    test::TempDir dir;
    const std::string job = test::WritePocketJob(test::ArmLaser(), dir / "out.cnx");
    r.env.ProgramDir = dir.path();
    TTransArm streamer(r.ctx, r.env, *r.layer, r.notifier);
    ASSERT_TRUE(streamer.start());
    streamer.Tick();
    const std::size_t before = r.model.log.size();
    r.backend.hung = true;  // every transfer now runs into its 1 s time-out

    auto t0 = r.clock.now;
    EXPECT_FALSE(r.layer->PollStatus());
    EXPECT_LE(r.clock.now - t0, 1100ms);
    t0 = r.clock.now;
    streamer.Tick();  // one poll, one command that does not get through: the job ends
    EXPECT_LE(r.clock.now - t0, 2200ms);
    EXPECT_FALSE(streamer.Streaming());
    ExpectOneNoCommunicationMessage(r.notifier);
    EXPECT_EQ(r.model.log.size(), before);
}

TEST(LinkFaults, EthernetEchoLostShortOrChangedMidJobEndsTheStreamWithTheMessage) {
    for (int fault = 0; fault < 3; ++fault) {
        SCOPED_TRACE(fault);
        EthRig r;
        test::TempDir dir;
        const std::string job = test::WritePocketJob(test::ArmLaser(), dir / "out.cnx");
        r.env.ProgramDir = dir.path();
        const std::size_t commands = CommandCount(job, r.ctx.CommandLengths);
        ASSERT_GT(commands, 150u);
        ASSERT_TRUE(r.eth.ConnectCommandClient());
        const std::size_t from = r.model.log.size();
        sim::TcpFaults f;
        f.NoEcho = fault == 0;
        f.ShortEcho = fault == 1;
        f.ChangedEcho = fault == 2;
        f.FaultCommand = 150 + 1;  // the 150th job command ("G" went out after the 17th)
        r.server.SetFaults(f);
        TTransArm streamer(r.ctx, r.env, r.layer, r.notifier);
        ASSERT_TRUE(streamer.start());
        for (int ticks = 0; streamer.Streaming() && ticks < 1000; ++ticks) streamer.Tick();
        EXPECT_FALSE(streamer.Streaming());
        ExpectOneNoCommunicationMessage(r.notifier);
        auto lock = r.server.Lock();
        // the controller took the 150th command; its echo was wrong, so nothing after it went
        EXPECT_EQ(Streamed(r.model, from), FirstCommands(job, r.ctx.CommandLengths, 150));
    }
}

TEST(LinkFaults, LateEchoAndRecordInSegmentsLeaveStatusAndPositionRight) {
    for (bool segments : {false, true}) {
        SCOPED_TRACE(segments ? "256-byte record in two segments 40 ms apart" : "echo 600 ms late");
        EthRig r(segments);
        {
            auto lock = r.server.Lock();
            r.model.stepX = 2000;
            r.model.stepY = -4000;
        }
        ASSERT_TRUE(r.eth.ConnectCommandClient());
        sim::TcpFaults f;
        if (segments) {
            f.SplitEcho = true;
            f.SplitGapMs = 40;
        }
        r.server.SetFaults(f);
        ASSERT_TRUE(r.layer.PollStatus());
        EXPECT_EQ(r.ctx.PlotState.StepX, 2000);
        EXPECT_EQ(r.ctx.PlotState.Status, 0);
        {
            auto lock = r.server.Lock();
            r.model.busyReadsPerMove = 6;
        }
        if (!segments) {
            f.FaultCommand = 1;
            f.ReplyDelayMs = 600;  // the move's echo comes long after the reply time-out
            r.server.SetFaults(f);
        }
        r.layer.SendCommand(EncodeMoveCommandEx(2, 10, 20, 0, kNoSpeedLimit).Bytes);
        EXPECT_TRUE(r.layer.WaitWhileBusy());
        EXPECT_TRUE(r.notifier.messages.empty());
        EXPECT_EQ(r.ctx.PlotState.Status & kStatusBusy, 0);
        r.layer.ReadPosition();
        EXPECT_EQ(r.ctx.PlotState.StepX, 2010);
        EXPECT_EQ(r.ctx.PlotState.StepY, -3980);
        EXPECT_DOUBLE_EQ(r.ctx.PlotState.PosX, 1005.0);
        auto lock = r.server.Lock();
        EXPECT_EQ(r.model.busyReads, 0) << "the wait lasted while the controller reported busy";
    }
}

TEST(LinkFaults, ControllerThatFallsSilentDuringWaitWhileBusyGivesTheMessage) {
    EthRig r;
    {
        auto lock = r.server.Lock();
        r.model.statusByte = sim::kStBusy;
    }
    ASSERT_TRUE(r.eth.ConnectCommandClient());
    ASSERT_TRUE(r.layer.PollStatus());
    ASSERT_EQ(r.ctx.PlotState.Status, sim::kStBusy);
    sim::TcpFaults f;
    f.NoEcho = true;
    f.NoStatusReply = true;
    r.server.SetFaults(f);
    r.layer.SendCommand("X");  // unanswered: the link drops itself inside the wait
    EXPECT_FALSE(r.layer.WaitWhileBusy());
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].text, "No communication with the plotter");
    EXPECT_FALSE(r.ctx.EthernetConnected);
    EXPECT_EQ(r.notifier.busyDepth, 0);
}
