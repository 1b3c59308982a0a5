// START, Repeat, Hold, Continue and the selected-figure commands with a drawing loaded from disk
// as a project, against the simulated controller on the parallel port and on USB: the commands
// the machine received, in order, and the job equal to the "out.cnx" written, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/job_control.h"
#include "app/job_drawing.h"
#include "app/job_test_rig.h"
#include "drawing_window/project.h"
#include "machine_link/commands.h"
#include "machine_link/ethernet_link.h"
#include "machine_link/usb_link.h"
#include "sim/fake_clock.h"
#include "sim/fake_hid.h"
#include "sim/lpt_rig.h"
#include "sim/streamed_job.h"
#include "sim/tcp_controller.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using sim::Streamed;
using test::JobCommands;
using test::Sent;

using test::B;

// The square of tests/data/jobs loaded as the drawing window loads it.
struct LoadedSquare {
    std::unique_ptr<Project> project;
    std::unique_ptr<ProjectJobDrawing> drawing;

    LoadedSquare(Settings& settings, test::MachineRig& machine, Notifier& notifier) {
        project = std::make_unique<Project>(1, settings, machine.ctx, machine.env, machine.jobValues, notifier);
        auto input = MakeDrawingInput(machine.ctx, settings);
        const LoadResult r = project->Load((test::ProjectTestData("jobs") / "square.plt").string(), *input);
        EXPECT_EQ(r.status, LoadStatus::Ok);
        drawing = std::make_unique<ProjectJobDrawing>(*project, settings, machine.ctx, machine.jobValues, notifier);
    }
};

struct LptJobRig {
    sim::LptRig r;
    test::TempDir dir;
    Settings settings;
    test::RecordingPanel panel;
    test::FakeHost host;
    TTransArm streamer{r.ctx, r.env, r.layer, r.notifier};
    Ttransmisja transfer{r.ctx, r.env, r.jobValues, r.layer, r.notifier};
    LoadedSquare square{settings, r, r.notifier};
    JobControl jobs{r.ctx, r.env, r.jobValues, settings, r.layer, r.notifier, streamer, transfer, panel, host, nullptr};

    LptJobRig() {
        r.env.ProgramDir = dir.path();
        r.model.baseX = static_cast<std::int32_t>(5000 * r.ctx.PlotParams.StepsX);  // 50 mm
        r.model.baseY = static_cast<std::int32_t>(5000 * r.ctx.PlotParams.StepsY);
        host.drawing = square.drawing.get();
        host.transfer = &transfer;
        host.panel = &panel;
    }
    std::string Job() const { return test::ReadFileBytes(dir / "out.cnx"); }
};

TEST(JobControlParallelPort, StartSendsSpeedZeroPreambleThenTheJobByteExact) {
    LptJobRig j;
    j.jobs.Start1Click();
    ASSERT_TRUE(j.r.notifier.messages.empty()) << j.r.notifier.messages.front().text;
    const std::string job = j.Job();
    ASSERT_GT(job.size(), 20u);
    EXPECT_EQ(j.r.model.job, JobCommands(job, j.r.ctx.CommandLengths)) << "the job, byte for byte";

    const std::uint32_t travel =
        j.r.ctx.SpeedToTimer(static_cast<std::int32_t>(j.settings.Number("przespeed") * j.r.ctx.PlotParams.Multiplier));
    const std::vector<std::string> sent = Sent(j.r.model);
    const std::vector<std::string> head(sent.begin(), sent.begin() + 5);
    EXPECT_EQ(head, (std::vector<std::string>{B({'V', 0, int(travel & 0xFF), int(travel >> 8)}), B({'F', 0}), "C", "Q",
                                              "Q"}));
    EXPECT_EQ(sent[5], "C");
    EXPECT_EQ(j.r.peer.bytesFromHost.substr(j.r.peer.bytesFromHost.size() - 3), "PdG");
    EXPECT_EQ(j.host.transfers, 1);
    EXPECT_FALSE(j.host.timerOnDuringTransfer) << "the panel's timer is off during the transfer";
    EXPECT_EQ(j.panel.calls, (std::vector<std::string>{"StopTimer", "StartTimer", "Motion off"}));
    EXPECT_EQ(j.r.notifier.busyDepth, 0);
}

TEST(JobControlParallelPort, RepeatRunsTheJobHeldInTheController) {
    LptJobRig j;
    j.jobs.Powtrz1Click();
    ASSERT_EQ(j.r.notifier.messages.size(), 1u);
    EXPECT_EQ(j.r.notifier.messages[0].text, "No file to repeat. Use START command");
    EXPECT_EQ(j.r.notifier.messages[0].caption, "square.plt");
    j.r.notifier.messages.clear();

    j.jobs.Start1Click();
    const std::size_t starts = j.r.model.CountReceived("G");
    j.r.model.statusByte |= sim::kStJobStored;
    j.jobs.Powtrz1Click();
    EXPECT_TRUE(j.r.notifier.messages.empty());
    EXPECT_EQ(j.r.model.CountReceived("G"), starts + 1);
    EXPECT_EQ(j.host.transfers, 1) << "nothing sent again";
}

TEST(JobControlParallelPort, WorkAreaChecksRefuseWithTheirTexts) {
    LptJobRig j;
    j.settings.SetFlag("doOutline", true);
    j.settings.SetNumber("srednica", 6);
    j.settings.SetFlag("polerowanie", false);
    // Base point 2.9 mm: under half the tool's 6 mm.
    j.r.model.baseX = static_cast<std::int32_t>(290 * j.r.ctx.PlotParams.StepsX);
    const std::size_t from = j.r.model.log.size();
    j.jobs.Start1Click();
    EXPECT_EQ(Sent(j.r.model, from), std::vector<std::string>{}) << "a refused START moves nothing";
    ASSERT_EQ(j.r.notifier.messages.size(), 1u);
    EXPECT_EQ(j.r.notifier.messages[0].text,
              "At these values of zero point\rproject is out of the machine area  \r"
              "Allow the diameter of the fraise and the thickness of polishing sredn: 6 gpol: 0");
    EXPECT_EQ(j.r.notifier.messages[0].caption, "");
    EXPECT_EQ(j.r.notifier.messages[0].kind, MessageKind::Error);
    EXPECT_TRUE(j.r.model.job.empty());
    EXPECT_FALSE(std::filesystem::exists(j.dir / "out.cnx")) << "nothing written before the checks pass";

    j.r.notifier.messages.clear();
    j.r.ctx.WorkAreaX = j.r.ctx.WorkAreaY = 25;  // the square is 20 mm, with the tool 26 mm
    j.jobs.Start1Click();
    ASSERT_EQ(j.r.notifier.messages.size(), 1u);
    EXPECT_EQ(j.r.notifier.messages[0].text, "Project size is bigger than the machine work area ");

    j.r.notifier.messages.clear();
    j.r.ctx.WorkAreaX = j.r.ctx.WorkAreaY = 70;  // 20 mm + 3 mm + the 50 mm base point do not fit
    j.r.model.baseX = static_cast<std::int32_t>(5000 * j.r.ctx.PlotParams.StepsX);
    j.jobs.Start1Click();
    ASSERT_EQ(j.r.notifier.messages.size(), 1u);
    EXPECT_EQ(j.r.notifier.messages[0].text, "At these values of zero point\rproject is out of the machine area  ");
}

TEST(JobControlParallelPort, ADrawingWithoutFiguresIsRefusedBeforeAnythingIsSent) {
    LptJobRig j;
    test::WriteFileBytes(j.dir / "empty.plt", "");
    Project empty(KindHpgl, j.settings, j.r.ctx, j.r.env, j.r.jobValues, j.r.notifier);
    auto input = MakeDrawingInput(j.r.ctx, j.settings);
    ASSERT_EQ(empty.Load((j.dir / "empty.plt").string(), *input).status, LoadStatus::Ok);
    ProjectJobDrawing drawing(empty, j.settings, j.r.ctx, j.r.jobValues, j.r.notifier);
    j.host.drawing = &drawing;
    j.r.notifier.messages.clear();
    const std::size_t from = j.r.model.log.size();
    j.jobs.Start1Click();
    j.jobs.Tnijwybran1Click();
    j.jobs.Startodwybranej1Click();
    EXPECT_EQ(j.r.model.log.size(), from) << "not even a status request";
    ASSERT_EQ(j.r.notifier.messages.size(), 3u);
    for (const auto& m : j.r.notifier.messages) EXPECT_EQ(m.text, "The drawing has no figures");
    EXPECT_FALSE(std::filesystem::exists(j.dir / "out.cnx"));
}

TEST(JobControlParallelPort, NoMachineSetsTheZeroPointTo10mm) {
    LptJobRig j;
    j.r.peer.noAckBytes = -1;
    j.r.clock.autoStep = std::chrono::milliseconds(100);
    j.jobs.Start1Click();
    EXPECT_DOUBLE_EQ(j.r.ctx.PlotState.BaseX, 1000.0);
    EXPECT_DOUBLE_EQ(j.r.ctx.PlotState.BaseY, 1000.0);
    EXPECT_TRUE(j.r.model.job.empty());
}

TEST(JobControlParallelPort, CutSelectedSendsTheFigureWithTheTimerOff) {
    LptJobRig j;
    j.jobs.Tnijwybran1Click();
    ASSERT_EQ(j.r.notifier.messages.size(), 1u);
    EXPECT_EQ(j.r.notifier.messages[0].text, "First choose a figure");
    EXPECT_EQ(j.r.notifier.messages[0].caption, "square.plt");
    j.r.notifier.messages.clear();

    j.square.project->SelectedFigure = 0;
    j.jobs.Tnijwybran1Click();
    EXPECT_TRUE(j.r.notifier.messages.empty());
    EXPECT_EQ(j.r.model.job, JobCommands(j.Job(), j.r.ctx.CommandLengths));
    EXPECT_FALSE(j.host.timerOnDuringTransfer);
    EXPECT_EQ(j.r.peer.bytesFromHost.back(), 'G');
    EXPECT_EQ(j.square.project->SelectedFigure, 0) << "the selection stays across the rebuild";
}

TEST(JobControl, CommandsAreNotEnteredTwice) {
    LptJobRig j;
    // The panel's timer calls START while START waits in the transfer.
    j.panel.calls.clear();
    int nested = 0;
    struct NestingHost : test::FakeHost {
        JobControl* jobs = nullptr;
        int* nested = nullptr;
        int RunTransfer() override {
            ++*nested;
            jobs->Start1Click();
            jobs->Wstrzymaj1Click();
            return FakeHost::RunTransfer();
        }
    } host;
    host.drawing = j.square.drawing.get();
    host.transfer = &j.transfer;
    host.jobs = &j.jobs;
    host.nested = &nested;
    JobControl jobs(j.r.ctx, j.r.env, j.r.jobValues, j.settings, j.r.layer, j.r.notifier, j.streamer, j.transfer,
                    j.panel, host, nullptr);
    host.jobs = &jobs;
    jobs.Start1Click();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(std::count(j.panel.calls.begin(), j.panel.calls.end(), "Hold"), 0);
}

TEST(JobControl, HoldAndContinueGoToThePanel) {
    LptJobRig j;
    j.jobs.Wstrzymaj1Click();
    j.jobs.Kontynuacja1Click();
    EXPECT_EQ(j.panel.calls, (std::vector<std::string>{"Hold", "Continue"}));
    EXPECT_EQ(j.r.notifier.busyDepth, 0);
}

// ---- USB -------------------------------------------------------------------------------

struct UsbJobRig : test::MachineRig {
    test::RecordingNotifier notifier;
    sim::FakeClock clock;
    sim::FakeHidBackend backend;
    sim::ControllerModel model;
    std::string path;
    std::unique_ptr<TfUsb> usb;
    std::unique_ptr<CommandLayer> layer;
    test::TempDir dir;
    Settings settings;
    test::RecordingPanel panel;
    test::FakeHost host;
    std::unique_ptr<TTransArm> streamer;
    std::unique_ptr<Ttransmisja> transfer;
    std::unique_ptr<LoadedSquare> square;
    std::unique_ptr<JobControl> jobs;

    UsbJobRig() {
        env.Lang.Language = kLangEnglish;
        ctx.PlotState.Model = "PRV";
        SelectMachineModel(ctx, env, notifier);
        ctx.ArmLink = true;
        env.ProgramDir = dir.path();
        model.armController = ctx.PlotParams.ArmController != 0;
        model.baseX = static_cast<std::int32_t>(5000 * ctx.PlotParams.StepsX);
        model.baseY = static_cast<std::int32_t>(5000 * ctx.PlotParams.StepsY);
        model.bufferCapacity = 20;
        model.bufferSize = 20 + 101;
        model.drainPerStatusRead = 8;
        path = backend.AddMachine(model, "PRV 100 ", "20240115");
        usb = std::make_unique<TfUsb>(ctx, backend, notifier, clock);
        layer = std::make_unique<CommandLayer>(ctx, env, jobValues, notifier, clock);
        layer->SetUsb(usb.get());
        streamer = std::make_unique<TTransArm>(ctx, env, *layer, notifier);
        transfer = std::make_unique<Ttransmisja>(ctx, env, jobValues, *layer, notifier);
        square = std::make_unique<LoadedSquare>(settings, *this, notifier);
        host.drawing = square->drawing.get();
        host.usbPresent = true;
        jobs = std::make_unique<JobControl>(ctx, env, jobValues, settings, *layer, notifier, *streamer, *transfer,
                                            panel, host, nullptr);
    }
    void Stream(int maxTicks = 10000) {
        for (int t = 0; streamer->Streaming() && t < maxTicks; ++t) streamer->Tick();
    }
    std::string Job() const { return test::ReadFileBytes(dir / "out.cnx"); }
};

TEST(JobControlUsb, StartStreamsTheJobWithGAfterThe17thCommand) {
    UsbJobRig u;
    ASSERT_TRUE(u.ctx.PlotParams.ArmController);
    u.jobs->Start1Click();
    ASSERT_TRUE(u.notifier.messages.empty()) << u.notifier.messages.front().text;
    ASSERT_TRUE(u.streamer->Streaming());
    const std::size_t streamFrom = u.model.log.size();
    u.Stream();
    EXPECT_FALSE(u.streamer->Streaming());
    EXPECT_EQ(Streamed(u.model, streamFrom), u.Job()) << "the job, byte for byte";

    const std::uint32_t travel =
        u.ctx.SpeedToTimer(static_cast<std::int32_t>(u.settings.Number("przespeed") * u.ctx.PlotParams.Multiplier));
    const std::vector<std::string> sent = Sent(u.model);
    EXPECT_EQ(sent[0], B({'V', 0}) + IntToBytes4(travel)) << "4-byte speed on the newer controller";
    EXPECT_EQ(sent[1], B({'F', 0}));
    EXPECT_EQ(u.panel.calls, (std::vector<std::string>{"Motion off"}));
}

TEST(JobControlUsb, RepeatStreamsTheJobAgainWithAFourByteSpeed) {
    UsbJobRig u;
    u.jobs->Start1Click();
    u.Stream();
    const std::size_t jobLength = u.model.job.size();
    const std::size_t from = u.model.log.size();
    u.jobs->Powtrz1Click();
    u.Stream();
    EXPECT_EQ(u.model.job.size(), 2 * jobLength);
    const std::vector<std::string> sent = Sent(u.model, from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].size(), 6u) << "\"V\" with the operand width of the newer controller";
    EXPECT_TRUE(u.notifier.messages.empty());
}

TEST(JobControlUsb, RepeatRefusesAnEmptyOrCutJobAndTheMachineGetsNothing) {
    UsbJobRig u;
    u.jobs->Start1Click();
    u.Stream();
    const std::string job = u.Job();
    ASSERT_EQ(job.substr(job.size() - 16), PadPacket("SE"));
    // empty, and cut at a command boundary: whole commands, but no end packet
    for (const std::string& bad : {std::string(), job.substr(0, job.size() - 16)}) {
        test::WriteFileBytes(u.dir / "out.cnx", bad);
        u.notifier.messages.clear();
        const std::size_t from = u.model.log.size();
        u.jobs->Powtrz1Click();
        u.Stream();
        EXPECT_EQ(u.model.log.size(), from) << "not even a status read";
        EXPECT_FALSE(u.streamer->Streaming());
        ASSERT_EQ(u.notifier.messages.size(), 1u);
        EXPECT_EQ(u.notifier.messages[0].text, u.env.Text(bad.empty() ? TextId::JobFileEmpty : TextId::JobFileNoEnd));
        EXPECT_EQ(u.Job(), bad);
    }
}

TEST(JobControlUsb, StartFromSelectedStreamsTheRest) {
    UsbJobRig u;
    u.square->project->SelectedFigure = 0;
    u.jobs->Startodwybranej1Click();
    const std::size_t from = u.model.log.size();
    u.Stream();
    EXPECT_TRUE(u.notifier.messages.empty());
    EXPECT_EQ(Streamed(u.model, from), u.Job());
    const std::vector<std::string> sent = Sent(u.model);
    EXPECT_EQ(sent[0].size(), 6u);
    EXPECT_EQ(sent[2], "Q");
}

TEST(JobControlUsb, MachineUnpluggedMidJobStopsTheStreamAndStartWorksAgain) {
    UsbJobRig u;
    u.jobs->Start1Click();
    for (int t = 0; t < 3; ++t) u.streamer->Tick();
    ASSERT_TRUE(u.streamer->Streaming());
    u.backend.Unplug(u.path);
    u.usb->CheckDeviceChanges();
    u.Stream(50);
    EXPECT_FALSE(u.streamer->Streaming()) << "the stream stops";
    EXPECT_EQ(u.notifier.messages.size(), 1u) << "one message";

    // The machine is back: the job starts again from its beginning.
    u.model.job.clear();
    u.model.bufferCount = 0;
    u.path = u.backend.AddMachine(u.model, "PRV 100 ", "20240115", /*quiet=*/false);
    u.usb->CheckDeviceChanges();
    u.notifier.messages.clear();
    u.jobs->Start1Click();
    const std::size_t from = u.model.log.size();
    u.Stream();
    EXPECT_TRUE(u.notifier.messages.empty());
    EXPECT_EQ(Streamed(u.model, from), u.Job());
}

TEST(JobControlUsb, HoldAndContinueInTheMiddleOfAStream) {
    UsbJobRig u;
    u.jobs->Start1Click();
    const std::size_t from = u.model.log.size();
    for (int t = 0; t < 2; ++t) u.streamer->Tick();
    u.jobs->Wstrzymaj1Click();
    EXPECT_TRUE(u.streamer->Streaming()) << "a held job keeps its stream";
    u.jobs->Kontynuacja1Click();
    u.Stream();
    EXPECT_EQ(u.panel.calls, (std::vector<std::string>{"Motion off", "Hold", "Continue"}));
    EXPECT_EQ(Streamed(u.model, from), u.Job());
}

TEST(JobControlUsb, FlyingStartRefusesAJobThatRunsUpBehindTheZeroPoint) {
    UsbJobRig u;
    u.ctx.PlotState.Model = "HYG64";  // a laser
    SelectMachineModel(u.ctx, u.env, u.notifier);
    u.ctx.ArmLink = true;
    u.settings.SetFlag("LotnyStart", true);
    u.settings.SetFlag("doOutline", false);
    u.model.baseX = 0;
    u.jobs->Start1Click();
    EXPECT_FALSE(u.streamer->Streaming());
    ASSERT_EQ(u.notifier.messages.size(), 1u);
    // The laser starts 0.1 mm before each figure: from a zero point at X 0 it cannot.
    EXPECT_EQ(u.notifier.messages[0].text,
              "Can not move back before start point\n\rThis problem results from option \"Early start\"\n\r\n\r"
              "&Laser beam diameter: 0\n\rmin X:-0.1\n\rmax X:20.1\n\rmin Y:-0.1\n\rmax Y:20.1");
    EXPECT_EQ(u.notifier.messages[0].caption, "");
    EXPECT_TRUE(std::filesystem::exists(u.dir / "out.cnx")) << "the job file stays";
    EXPECT_EQ(u.notifier.busyDepth, 0);
}

// ---- Ethernet -------------------------------------------------------------------------

TEST(JobControlEthernet, ConnectionDroppedMidJobStopsTheStreamAndStartWorksAgain) {
    test::MachineRig machine;
    test::RecordingNotifier notifier;
    sim::ControllerModel model;
    sim::TcpController server{sim::ModelHooks(model)};
    machine.env.Lang.Language = kLangEnglish;
    machine.ctx.PlotState.Model = "PRV";
    SelectMachineModel(machine.ctx, machine.env, notifier);
    machine.ctx.ArmLink = true;
    machine.ctx.PlotterIP = "127.0.0.1";
    test::TempDir dir;
    machine.env.ProgramDir = dir.path();
    {
        auto lock = server.Lock();
        model.armController = true;
        model.baseX = static_cast<std::int32_t>(5000 * machine.ctx.PlotParams.StepsX);
        model.baseY = static_cast<std::int32_t>(5000 * machine.ctx.PlotParams.StepsY);
        model.bufferCapacity = 20;
        model.bufferSize = 20 + 101;
        model.drainPerStatusRead = 8;
    }
    TfEthernet eth(machine.ctx, machine.env, notifier);
    eth.restart();
    eth.SetPorts(server.CommandPort(), server.IdentityPort());
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, notifier);
    layer.SetEthernet(&eth);
    ASSERT_TRUE(eth.ConnectCommandClient());
    Settings settings;
    test::RecordingPanel panel;
    test::FakeHost host;
    TTransArm streamer(machine.ctx, machine.env, layer, notifier);
    Ttransmisja transfer(machine.ctx, machine.env, machine.jobValues, layer, notifier);
    LoadedSquare square(settings, machine, notifier);
    host.drawing = square.drawing.get();
    JobControl jobs(machine.ctx, machine.env, machine.jobValues, settings, layer, notifier, streamer, transfer, panel,
                    host, nullptr);

    jobs.Start1Click();
    ASSERT_TRUE(streamer.Streaming());
    streamer.Tick();
    server.DropConnection();
    for (int t = 0; streamer.Streaming() && t < 100; ++t) streamer.Tick();
    EXPECT_FALSE(streamer.Streaming()) << "the stream stops";
    EXPECT_FALSE(machine.ctx.EthernetConnected);
    EXPECT_EQ(notifier.messages.size(), 1u) << "one message";

    // The controller is back: START streams the whole job again.
    ASSERT_TRUE(eth.ConnectCommandClient());
    notifier.messages.clear();
    std::size_t from;
    {
        auto lock = server.Lock();
        model.bufferCount = 0;
        from = model.log.size();
    }
    jobs.Start1Click();
    ASSERT_TRUE(streamer.Streaming());
    std::size_t streamFrom;
    {
        auto lock = server.Lock();
        streamFrom = model.log.size();
    }
    for (int t = 0; streamer.Streaming() && t < 10000; ++t) streamer.Tick();
    EXPECT_FALSE(streamer.Streaming());
    EXPECT_TRUE(notifier.messages.empty());
    auto lock = server.Lock();
    EXPECT_GT(streamFrom, from);
    EXPECT_EQ(Streamed(model, streamFrom), test::ReadFileBytes(dir / "out.cnx"));
}

}  // namespace
}  // namespace vellisk
