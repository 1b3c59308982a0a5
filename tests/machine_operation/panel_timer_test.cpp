// The panel's timer: what runs on each event while a job streams and during a bitmap burn, the
// intervals, the machine's own keys, creation's link decision with "typ.txt", and the link that
// goes away while the panel polls.
#include <gtest/gtest.h>

#include <thread>

#include "machine_link/ethernet_link.h"
#include "panel_rig.h"
#include "platform/whole_file.h"

using namespace vellisk;
using namespace vellisk::test;

namespace {

// A job of `n` two-byte commands in the program folder's "out.cnx".
std::filesystem::path WriteJob(const TempDir& dir, int n) {
    std::string job;
    for (int i = 0; i < n; ++i) job += std::string("f\x01", 2);
    WriteFileBytes(dir / "out.cnx", job);
    return dir / "out.cnx";
}

TEST(PanelTimer, StreamingFeedsEveryEventAndRefreshesEveryFifth) {
    PanelRig rig(PanelLink::Usb, "NKV");
    TempDir dir;
    ASSERT_TRUE(rig.streamer.start(WriteJob(dir, 3000)));
    rig.view.active = false;
    for (int i = 0; i < 10; ++i) {
        rig.panel->Timer1Timer();
        EXPECT_EQ(rig.view.interval, ControlPanel::kIntervalFast);
    }
    EXPECT_EQ(rig.panel->StreamerTickCount(), 10);
    EXPECT_EQ(rig.panel->TickCount(), 2);  // events 1 and 6

    // Stopped while feeding: the refresh (and the machine's keys) come back.
    EXPECT_TRUE(rig.ctx.StreamFeeding);
    rig.streamer.stop();
    EXPECT_FALSE(rig.ctx.StreamFeeding);
    rig.model.keyByte = sim::kKeyContinue;
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.view.interval, ControlPanel::kIntervalNormal);
    EXPECT_EQ(rig.jobs.calls, (std::vector<std::string>{"continue@0"}));
}

TEST(PanelTimer, NoRefreshFromTheTimerDuringAnUnpausedBurn) {
    PanelRig rig(PanelLink::Usb, "HYG64");
    rig.ctx.BurnRunning = true;
    for (int i = 0; i < 5; ++i) rig.panel->Timer1Timer();
    EXPECT_EQ(rig.panel->TickCount(), 0);
    rig.ctx.BurnStopRequested = true;
    for (int i = 0; i < 5; ++i) rig.panel->Timer1Timer();
    EXPECT_EQ(rig.panel->TickCount(), 5);

    // Asked to pause but still finishing its line: the link stays the burn's until it has paused.
    rig.jobs.burnStillPausing = true;
    for (int i = 0; i < 5; ++i) rig.panel->Timer1Timer();
    EXPECT_EQ(rig.panel->TickCount(), 5);
    rig.jobs.burnStillPausing = false;
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.panel->TickCount(), 6);
}

TEST(PanelTimer, MachineKeys) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.model.pressKeysOnce = sim::kKeyStart | sim::kKeyStop;
    rig.panel->Tick();
    EXPECT_EQ(rig.jobs.calls, (std::vector<std::string>{"start@0", "hold@0"}));

    rig.jobs.calls.clear();
    rig.model.pressKeysOnce = sim::kKeyStop | sim::kKeyOverTorque;
    rig.panel->Tick();
    EXPECT_EQ(rig.jobs.calls, (std::vector<std::string>{"hold@0"}));
    ASSERT_EQ(rig.notifier.messages.size(), 1u);
    EXPECT_EQ(rig.notifier.messages[0].text, "OverTorque detect");
    EXPECT_EQ(rig.notifier.messages[0].caption, "Stop");

    // During a burn the START key does nothing.
    rig.jobs.calls.clear();
    rig.ctx.BurnRunning = true;
    rig.model.pressKeysOnce = sim::kKeyStart;
    rig.panel->Tick();
    EXPECT_TRUE(rig.jobs.calls.empty());

    // A key in a reply that another reader took (a wait, the streamer) reaches the panel once.
    rig.ctx.BurnRunning = false;
    rig.model.pressKeysOnce = sim::kKeyContinue;
    ASSERT_TRUE(rig.layer.ReadStatus());
    rig.panel->Tick();
    rig.panel->Tick();
    EXPECT_EQ(rig.jobs.calls, (std::vector<std::string>{"continue@1"}));
}

TEST(PanelTimer, InputPendingLeavesTheStatusForLater) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.panel->Tick();
    rig.view.inputPending = true;
    int reads = rig.model.statusReads;
    rig.panel->Tick();
    EXPECT_EQ(rig.model.statusReads, reads + 1) << "only the link part's poll";
    rig.view.inputPending = false;
    reads = rig.model.statusReads;
    rig.panel->Tick();
    EXPECT_EQ(rig.model.statusReads, reads + 3) << "poll, poll, position";
}

TEST(PanelTimer, UsbMachineUnpluggedAndBack) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.view.active = true;
    rig.panel->StartTimer();
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.view.caption, "Manual control - connected [USB]");
    rig.backend.Unplug(rig.usbPath);
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.view.interval, ControlPanel::kIntervalNoLink);
    EXPECT_EQ(rig.view.closes, 1);
    EXPECT_EQ(rig.view.caption, " - not connected");
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.view.closes, 1);
    rig.backend.AddMachine(rig.model, "NKV", "20240115", false);
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.view.caption, "Manual control - connected [USB]");
    EXPECT_EQ(rig.view.interval, ControlPanel::kIntervalNormal);
    EXPECT_TRUE(rig.notifier.messages.empty());
}

TEST(PanelTimer, NoLinkNoPanelWithTheReasonAndTheCaptionShowsTheLinkThatIsUp) {
    PanelRig eth(PanelLink::Eth, "PRV");
    eth.panel->FormActivate();
    EXPECT_EQ(eth.view.caption, "Manual control - connected [Ethernet]");
    EXPECT_TRUE(eth.panel->OpenAllowed());

    PanelRig usb(PanelLink::Usb, "NKV");
    usb.backend.Unplug(usb.usbPath);
    usb.usb->CheckDeviceChanges();
    EXPECT_FALSE(usb.panel->OpenAllowed());
    ASSERT_EQ(usb.notifier.messages.size(), 1u);
    EXPECT_EQ(usb.notifier.messages[0].text, "No communication with the plotter");
    EXPECT_EQ(usb.notifier.messages[0].caption, "Manual control");
}

void EthernetComesBack(bool silent) {
    PanelRig rig(PanelLink::Eth, "PRV");
    EthernetTimeouts t = rig.eth->Timeouts();
    t.ReplyMs = 40;
    t.ConnectMs = 200;
    rig.eth->SetTimeouts(t);
    rig.settings.SetFlag("cbEthernetConnection", true);
    rig.view.active = false;
    rig.panel->StartTimer();
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.view.caption, "Manual control - connected [Ethernet]");

    rig.server->RefuseConnections(true);
    if (silent) {
        sim::TcpFaults f;
        f.NoEcho = true;
        f.NoStatusReply = true;
        rig.server->SetFaults(f);
    } else {
        rig.server->DropConnection();
    }
    ASSERT_TRUE(WaitUntil(
        [&] {
            rig.panel->Timer1Timer();
            return rig.view.caption == " - not connected";
        },
        5000));
    for (int i = 0; i < 5; ++i) rig.panel->Timer1Timer();
    EXPECT_EQ(rig.view.interval, ControlPanel::kIntervalNoLink);

    rig.server->SetFaults({});
    rig.server->RefuseConnections(false);
    ASSERT_TRUE(WaitUntil(
        [&] {
            rig.panel->Timer1Timer();
            return rig.view.caption == "Manual control - connected [Ethernet]";
        },
        5000));
    const auto count = std::count(rig.notifier.statuses.begin(), rig.notifier.statuses.end(), "Ethernet disconnected");
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(rig.notifier.messages.empty());
    const std::size_t reads = rig.server->StatusRequests();
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.server->StatusRequests(), reads + 2) << "the panel polls again";
}

TEST(PanelTimer, EthernetDroppedWhilePolling) { EthernetComesBack(false); }
TEST(PanelTimer, EthernetControllerSilentWhilePolling) { EthernetComesBack(true); }

// Created before the machine was there (no "typ.txt", the start-up default in force): the
// machine plugged in later names itself on the panel's next event, once, and its model is put
// in force and kept, before any job can be made for it.
TEST(PanelCreate, AMachinePluggedInLaterNamesItselfOnce) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.ctx.PlotState.Model = "BKT";
    SelectMachineModel(rig.ctx, rig.env, rig.notifier);
    rig.backend.Unplug(rig.usbPath);
    rig.usb->CheckDeviceChanges();
    rig.view.active = false;
    rig.panel->FormCreate({true});
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.ctx.ModelCode, "BKT");
    EXPECT_FALSE(std::filesystem::exists(rig.programDir / "typ.txt"));

    rig.usbPath = rig.backend.AddMachine(rig.model, "NKV", "20240115", false);
    rig.panel->Timer1Timer();
    EXPECT_EQ(rig.ctx.ModelCode, "NKV");
    EXPECT_EQ(ReadFileBytes(rig.programDir / "typ.txt").substr(0, 3), "NKV");
    rig.ctx.PlotState.Model = "asked";
    rig.panel->Timer1Timer();
    rig.panel->IdentifyMachine();
    EXPECT_EQ(rig.ctx.PlotState.Model, "asked") << "the identity is read once per connection";
}

TEST(PanelCreate, TypFileIsWrittenOnlyFromARealIdentity) {
    {
        // No USB machine, no Ethernet yet, the newer controller chosen by the system: the
        // start-up default is not stored as the machine's model.
        PanelRig rig(PanelLink::Usb, "NKV");
        TempDir dir;
        rig.env.ProgramDir = dir.path();
        rig.backend.Unplug(rig.usbPath);
        rig.usb->CheckDeviceChanges();
        rig.panel->FormCreate({true});
        EXPECT_TRUE(rig.ctx.ArmLink);
        EXPECT_FALSE(std::filesystem::exists(dir / "typ.txt"));
    }
    {
        PanelRig rig(PanelLink::Lpt, "BKT");
        TempDir dir;
        rig.env.ProgramDir = dir.path();
        rig.model.model = "DKT";
        std::vector<std::string> steps;  // written whole and synced, like every file of ours
        WatchFileSteps([&](std::string_view step, const std::filesystem::path& p) {
            steps.push_back(std::string(step) + " " + p.filename().string());
        });
        rig.panel->FormCreate({false});
        WatchFileSteps(nullptr);
        EXPECT_EQ(steps, (std::vector<std::string>{"write typ.txt.part", "sync typ.txt.part", "rename typ.txt",
                                                   "sync folder " + dir.path().filename().string()}));
        EXPECT_EQ(ReadFileBytes(dir / "typ.txt"), "DKT     ");
        EXPECT_EQ(rig.ctx.ModelCode, "DKT");
        EXPECT_FALSE(rig.ctx.ArmLink);
    }
    {
        // "typ.txt" names the model; the USB machine's presence is not looked at.
        PanelRig rig(PanelLink::Lpt, "BKT");
        TempDir dir;
        rig.env.ProgramDir = dir.path();
        WriteFileBytes(dir / "typ.txt", "HKT");
        rig.peer->readyHeldLow = true;  // no controller on the port
        rig.clock.autoStep = std::chrono::milliseconds(100);
        rig.panel->FormCreate({false});
        EXPECT_EQ(rig.ctx.ModelCode, "HKT");
        EXPECT_EQ(ReadFileBytes(dir / "typ.txt"), "HKT");
    }
}

}  // namespace

namespace {

// Two threads using the command layer at once (the panel's timer and the burn): each command
// reaches the parallel-port controller whole, framed as sent.
TEST(CommandLayerExchanges, NeverInterleave) {
    PanelRig rig(PanelLink::Lpt, "BKT");
    auto work = [&](char which) {
        for (int i = 0; i < 200; ++i) {
            if (which == 'a') {
                rig.layer.ReadPosition();
                rig.layer.SendCommand(B({'T', 1, 77}));
            } else {
                rig.layer.ReadToolState();
                rig.layer.SendCommand(B({'R', 1, 2}));
            }
        }
    };
    std::thread a(work, 'a'), b(work, 'b');
    a.join();
    b.join();
    for (const auto& c : rig.model.log) {
        const bool known = c.bytes == "E" || c.bytes == "J" || c.bytes == B({'T', 1, 77}) || c.bytes == B({'R', 1, 2});
        ASSERT_TRUE(known) << "a command cut into another: " << ::testing::PrintToString(c.bytes);
    }
    EXPECT_EQ(rig.model.log.size(), 800u);
    EXPECT_TRUE(rig.notifier.messages.empty());
}

}  // namespace
