// The bitmap burn on a laser machine over USB, started by START on a bitmap drawing: the
// commands of each raster line byte for byte as worked out by hand, the pause by the STOP flag
// and by the machine's STOP key, continue, and closing the window during a paused and during a
// running burn. The test's thread stands for the GUI thread: it runs the panel refreshes the
// burn thread hands it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "app/about_texts.h"
#include "app/job_control.h"
#include "app/job_drawing.h"
#include "app/job_test_rig.h"
#include "drawing_window/raster_project.h"
#include "machine_operation/bmp_thread.h"
#include "model/core_error.h"
#include "platform/gui_notifier.h"
#include "sim/fake_clock.h"
#include "sim/fake_arm_transport.h"
#include "support/gui_loop.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using test::B;

// A 4 x 3 picture, rows from the top.
RasterPicture SmallPicture() {
    RasterPicture p;
    p.Width = 4;
    p.Height = 3;
    p.Red = {9, 9, 9, 9, 0, 50, 100, 150, 200, 250, 10, 20};
    return p;
}

RasterPicture Grey(int w, int h, std::uint8_t v) {
    RasterPicture p;
    p.Width = w;
    p.Height = h;
    p.Red.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), v);
    return p;
}

struct BurnRig : test::MachineRig {
    test::GuiLoop gui;
    test::RecordingNotifier recorded;
    GuiThreadNotifier notifier{recorded, gui};
    sim::FakeClock clock;
    sim::ControllerModel model;
    sim::FakeArmTransport usb{model, LinkKind::Usb};
    std::unique_ptr<CommandLayer> layer;
    test::TempDir dir;
    Settings settings;
    test::RecordingPanel panel;
    test::FakeHost host;
    std::unique_ptr<TTransArm> streamer;
    std::unique_ptr<Ttransmisja> transfer;
    RasterProject raster;
    RasterJobDrawing drawing{raster};
    std::unique_ptr<JobControl> jobs;

    explicit BurnRig(RasterPicture picture, double widthMm = 1.0) {
        env.Lang.Language = kLangEnglish;
        ctx.PlotState.Model = "HYG64";
        SelectMachineModel(ctx, env, notifier);
        ctx.ArmLink = true;
        env.ProgramDir = dir.path();
        model.armController = true;
        model.baseX = static_cast<std::int32_t>(5000 * ctx.PlotParams.StepsX);
        model.baseY = static_cast<std::int32_t>(5000 * ctx.PlotParams.StepsY);
        layer = std::make_unique<CommandLayer>(ctx, env, jobValues, notifier, clock);
        layer->SetUsb(&usb);
        streamer = std::make_unique<TTransArm>(ctx, env, *layer, notifier);
        transfer = std::make_unique<Ttransmisja>(ctx, env, jobValues, *layer, notifier);
        settings.SetNumber("SzerokoscObrazu", widthMm);
        EXPECT_TRUE(raster.LoadBMP("picture.bmp", std::move(picture), settings, jobValues));
        settings.SetNumber("BMPKrok", 0.25);
        settings.SetNumber("MocDlaCzarnego", 100);
        settings.SetNumber("MocDlaBialego", 0);
        host.drawing = &drawing;
        host.usbPresent = true;
        jobs = std::make_unique<JobControl>(ctx, env, jobValues, settings, *layer, notifier, *streamer, *transfer,
                                            panel, host, &gui);
    }
    ~BurnRig() { jobs.reset(); }  // the burn's thread ends before the machine goes

    // Does `act` at the burn's first panel refresh, and nothing at the later ones.
    void AtFirstRefresh(std::function<void()> act) {
        panel.onRefresh = [act = std::move(act), done = false]() mutable {
            if (done) return;
            done = true;
            act();
        };
    }
    bool WaitEnd() {
        return gui.PumpUntil([&] { return jobs->BurnThread() && jobs->BurnThread()->Finished(); });
    }
    bool WaitPaused() {
        return gui.PumpUntil([&] { return jobs->BurnThread() && jobs->BurnThread()->Paused(); });
    }
    // The commands from the burn's first "SBB" on, with the moves to each line start (what the
    // go-to sends between "SA" + ramp divisor and "F" 1) left out.
    std::vector<std::string> Burnt() const {
        std::vector<std::string> out;
        bool started = false, inMove = false;
        const std::string sa = "SA" + IntToBytes4(ctx.PlotParams.RampDivisor);
        for (const auto& r : model.log) {
            if (r.bytes == "SBB") started = true;
            if (!started) continue;
            if (inMove && r.bytes != B({'F', 1})) continue;
            inMove = false;
            out.push_back(r.bytes);
            if (r.bytes == sa && out.size() >= 2 && out[out.size() - 2][0] == 'T') inMove = true;
        }
        return out;
    }
};

TEST(BitmapBurn, TwoLinesOfASmallPictureByteForByte) {
    BurnRig b(SmallPicture());
    b.settings.SetNumber("WysokoscObrazu", 0.5);  // 2 lines of 0.25 mm
    b.jobs->Start1Click();
    ASSERT_TRUE(b.WaitEnd());
    b.gui.RunPending();
    EXPECT_TRUE(b.recorded.messages.empty());
    // The work speed 500 mm/min is timer value 9600, ramp index 76 of this model's table: the
    // run-up is 76 X steps (run-up factor 0), 0.076 mm.
    ASSERT_EQ(b.ctx.PlotState.SetSpeeds[1], 9600);
    ASSERT_EQ(b.ctx.RampIndexOfTimer(9600), 76);

    // Before the thread: work speed (4 bytes), idle power 5 % = round(12.75) = 13, speed set 1.
    const std::vector<std::string> sent = test::Sent(b.model);
    const auto sbb = std::find(sent.begin(), sent.end(), "SBB");
    ASSERT_NE(sbb, sent.end());
    const std::uint32_t work = b.ctx.SpeedToTimer(static_cast<std::int32_t>(b.settings.Number("WorkSpeed")));
    EXPECT_EQ(*(sbb - 3), B({'V', 1}) + IntToBytes4(work));
    EXPECT_EQ(*(sbb - 2), B({'T', 3, 13}));
    EXPECT_EQ(*(sbb - 1), B({'F', 1}));

    // Width 1 mm, pitch 0.25 mm: 8 pixels a line, 1000 X steps, half a pitch 125 steps; the
    // run-up (76 steps, N 76) is more than the pitch, so the run-out feeds 250 Y steps:
    // N = round(sqrt(201^2 + 250^2) + 0.5) = 321.
    // Line 0 samples the bottom row (250 250 10 10 20 20 20 20), line 1 the middle one;
    // black 100 %, white 0 %: power = 255 - grey. One-way burning: both lines go forward.
    const std::string sa3 = "SA" + B({3, 0, 0, 0});
    const std::string raster = B({'A', 2, 0xE8, 3, 0, 0xE8, 3, 0, 0, 0, 0, 8, 0, 0, 0});
    const std::string runUp = B({'A', 6, 76, 0, 0, 76, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::string runOut = B({'A', 4, 0x41, 1, 0, 201, 0, 0, 250, 0, 0, 0, 0, 0, 0xFF});
    auto line = [&](const std::string& packet) {
        return std::vector<std::string>{
            "SBD" + B({1, 0, 0, 0}), packet, B({'F', 0}), B({'T', 3, 13}), sa3,   B({'F', 1}),
            "SA" + B({0, 0, 0, 0}),  runUp,  "SBS",       raster,          runOut};
    };
    std::vector<std::string> expected{"SBB"};
    for (const auto& c : line(B({5, 5, 245, 245, 235, 235, 235, 235}))) expected.push_back(c);
    for (const auto& c : line(B({205, 205, 155, 155, 105, 105, 105, 105}))) expected.push_back(c);
    for (const auto& c : {std::string("SLC"), std::string("SBE"), sa3, B({'F', 0})}) expected.push_back(c);
    EXPECT_EQ(b.Burnt(), expected);
    EXPECT_FALSE(b.ctx.BurnRunning);
    EXPECT_GE(b.panel.refreshes.load(), 2) << "the panel is refreshed after every line";
    EXPECT_EQ(b.panel.calls, (std::vector<std::string>{"SpeedPower off"}));
}

// The USB link with every exchange kept in order: the commands as sent, the state strings read
// as "read 10" (status), "read 11" (base point) and so on.
struct TrafficUsb : sim::FakeArmTransport {
    using FakeArmTransport::FakeArmTransport;
    int Write(std::string_view command) override {
        traffic.emplace_back(command);
        return FakeArmTransport::Write(command);
    }
    int ReadString(int index, UsbStateString& out) override {
        traffic.push_back("read " + std::to_string(index));
        return FakeArmTransport::ReadString(index, out);
    }
    std::vector<std::string> traffic;
};

// START on a bitmap reads the machine's status and base point once and the burn goes on from
// them: every exchange up to the burn's start, in order.
TEST(BitmapBurn, StartReadsTheMachineOnceThenBurns) {
    BurnRig b(SmallPicture());
    b.settings.SetNumber("WysokoscObrazu", 0.5);
    TrafficUsb usb(b.model, LinkKind::Usb);
    b.layer->SetUsb(&usb);
    b.jobs->Start1Click();
    ASSERT_TRUE(b.WaitEnd());
    b.gui.RunPending();
    EXPECT_TRUE(b.recorded.messages.empty());
    const auto sbb = std::find(usb.traffic.begin(), usb.traffic.end(), "SBB");
    ASSERT_NE(sbb, usb.traffic.end());
    const std::vector<std::string> beforeBurn(usb.traffic.begin(), sbb);
    // Status and base point once; travel speed and speed set 0; the go-to the project's zero
    // and the wait until the machine is idle; "C" and its wait; work speed, idle power, set 1.
    const std::vector<std::string> expected{"read 10",
                                            "read 11",
                                            B({'V', 0, 192, 18, 0, 0}),
                                            B({'F', 0}),
                                            "read 10",
                                            "read 11",
                                            "read 10",
                                            B({'F', 0}),
                                            B({'A', 4, 55, 20, 1, 80, 195, 0, 80, 195, 0, 0, 0, 0, 255}),
                                            "read 10",
                                            "read 10",
                                            "read 10",
                                            "C",
                                            "read 10",
                                            B({'V', 1, 128, 37, 0, 0}),
                                            B({'T', 3, 13}),
                                            B({'F', 1})};
    EXPECT_EQ(beforeBurn, expected);
    b.jobs.reset();  // the burn's thread ends before this link goes
    b.layer->SetUsb(&b.usb);
}

TEST(BitmapBurn, LinesPacketsAndAOnePixelHighPicture) {
    test::MachineRig machine;
    test::RecordingNotifier n;
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, n);
    tBMPThread t(machine.ctx, machine.env, layer, nullptr);
    RasterPicture flat = Grey(300, 1, 128);
    t.Child = &flat;
    t.WidthMm = 10;
    t.HeightMm = 1.0;
    t.Pitch = 0.1;
    t.BlackPower = 100;
    t.WhitePower = 0;
    t.PrepareLines();
    EXPECT_EQ(t.Lines.size(), 10u) << "1.0 mm at 0.1 mm: whole multiples of the pitch";
    EXPECT_EQ(t.PixelsPerLine, 200);
    EXPECT_EQ(t.Lines[0].Power[0], 127) << "grey 128, black 100 %, white 0 %";

    // 200 pixels: "SBD" announces 14 packets; 13 of 15 bytes and one of 5 go out.
    const BurnLineCommands c = BuildBurnLine(t.Lines[0], false, BurnLineGeometry{});
    ASSERT_EQ(c.data.size(), 15u);
    EXPECT_EQ(c.data[0], "SBD" + B({14, 0, 0, 0}));
    EXPECT_EQ(c.data[13].size(), 15u);
    EXPECT_EQ(c.data[14].size(), 5u);

    EXPECT_EQ(IdlePowerByte(5), 13);
    EXPECT_EQ(IdlePowerByte(300), 255) << "an idle power above 100 % is held to the byte";
    t.Pitch = 0;
    EXPECT_THROW(t.PrepareLines(), CoreError);
}

TEST(BitmapBurn, HoldPausesAfterTheLineAndContinueGoesOn) {
    BurnRig b(Grey(20, 20, 0));
    b.settings.SetNumber("WysokoscObrazu", 2.0);  // 8 lines
    b.AtFirstRefresh([&] { b.jobs->Wstrzymaj1Click(); });
    b.jobs->Start1Click();
    ASSERT_TRUE(b.WaitPaused());
    EXPECT_EQ(b.model.CountReceived("SBS"), 1u) << "the line in progress is finished";
    EXPECT_EQ(b.model.log.back().bytes, B({'F', 0}));
    EXPECT_EQ(b.model.log[b.model.log.size() - 3].bytes, "SBE");

    b.jobs.reset();  // the main window closes during the pause
    EXPECT_FALSE(b.ctx.BurnRunning);
}

TEST(BitmapBurn, ContinueResumesAPausedBurnToItsEnd) {
    BurnRig b(Grey(20, 20, 0));
    b.settings.SetNumber("WysokoscObrazu", 2.0);
    b.AtFirstRefresh([&] { b.jobs->Wstrzymaj1Click(); });
    b.jobs->Start1Click();
    ASSERT_TRUE(b.WaitPaused());
    b.jobs->Kontynuacja1Click();
    ASSERT_TRUE(b.WaitEnd());
    EXPECT_EQ(b.model.CountReceived("SBS"), 8u);
    EXPECT_EQ(b.model.CountReceived("SBB"), 2u) << "\"SBB\" again after the resume";
    EXPECT_FALSE(b.ctx.BurnRunning);
}

TEST(BitmapBurn, MachineStopKeyPausesAndClosingTheWindowEndsTheBurn) {
    BurnRig b(Grey(20, 20, 0));
    b.settings.SetNumber("WysokoscObrazu", 2.0);
    b.AtFirstRefresh([&] { b.model.pressKeysOnce = sim::kKeyStop; });
    b.jobs->Start1Click();
    ASSERT_TRUE(b.WaitPaused());
    EXPECT_TRUE(b.ctx.BurnStopRequested) << "the panel keeps polling";
    EXPECT_TRUE(b.ctx.BurnRunning);
    b.jobs->DrawingClosing(&b.drawing);
    EXPECT_EQ(b.jobs->BurnThread(), nullptr);
    EXPECT_FALSE(b.ctx.BurnRunning);
    EXPECT_EQ(b.model.log.back().bytes, B({'F', 0}));
    EXPECT_EQ(b.model.CountReceived("SBS"), 1u);
}

TEST(BitmapBurn, ClosingTheWindowDuringARunningBurnEndsIt) {
    BurnRig b(Grey(20, 20, 0));
    b.settings.SetNumber("WysokoscObrazu", 2.0);
    tBMPThread* first = nullptr;
    bool closed = false;
    // The window closes while the burn thread waits for this very refresh.
    b.panel.onRefresh = [&] {
        if (closed) return;
        first = b.jobs->BurnThread();
        b.jobs->Start1Click();  // START does nothing while the burn runs
        EXPECT_EQ(b.jobs->BurnThread(), first);
        b.jobs->DrawingClosing(&b.drawing);
        closed = true;
    };
    b.jobs->Start1Click();
    ASSERT_TRUE(b.gui.PumpUntil([&] { return closed; }));
    EXPECT_EQ(b.jobs->BurnThread(), nullptr);
    EXPECT_FALSE(b.ctx.BurnRunning);
    EXPECT_EQ(b.model.CountReceived("SBS"), 1u);
    EXPECT_EQ(b.model.log.back().bytes, B({'F', 0}));
}

// The GUI thread presses Repeat, the two selected-figure commands and START and opens the About
// box again and again while the burn thread runs: none of them reaches the machine, which
// receives exactly what an undisturbed burn sends.
TEST(BitmapBurn, JobCommandsAndTheAboutBoxSendNothingDuringABurn) {
    auto burnLog = [](bool press) {
        BurnRig b(Grey(20, 20, 0));
        b.settings.SetNumber("WysokoscObrazu", 1.0);  // 4 lines
        AboutMachineReader about(*b.layer, b.jobs.get());
        b.jobs->Start1Click();
        int presses = 0;
        EXPECT_TRUE(b.gui.PumpUntil([&] {
            if (press && !b.jobs->BurnThread()->Finished()) {
                EXPECT_EQ(b.jobs->State(), JobState::Burning);
                b.jobs->Powtrz1Click();
                b.jobs->Tnijwybran1Click();
                b.jobs->Startodwybranej1Click();
                b.jobs->Start1Click();
                EXPECT_FALSE(about.Read()) << "nothing read yet: the box shows \"No data\"";
                ++presses;
            }
            return b.jobs->BurnThread()->Finished();
        }));
        if (press) {
            EXPECT_GT(presses, 0);
        }
        b.gui.RunPending();
        EXPECT_TRUE(b.recorded.messages.empty());
        EXPECT_EQ(b.jobs->State(), JobState::Idle);
        return test::Sent(b.model);
    };
    const std::vector<std::string> quiet = burnLog(false);
    EXPECT_EQ(burnLog(true), quiet);
}

TEST(BitmapBurn, TheControllerGoneMidBurnGivesOneMessageAndNothingMore) {
    BurnRig b(Grey(20, 20, 0));
    b.settings.SetNumber("WysokoscObrazu", 2.0);
    std::size_t logged = 0;
    b.AtFirstRefresh([&] {
        b.usb.present = false;  // unplugged after the first line
        logged = b.model.log.size();
    });
    b.jobs->Start1Click();
    ASSERT_TRUE(b.WaitEnd());
    b.gui.RunPending();
    EXPECT_TRUE(b.jobs->BurnThread()->LinkLost());
    ASSERT_EQ(b.recorded.messages.size(), 1u);
    EXPECT_EQ(b.recorded.messages[0].text, "No communication with the plotter");
    EXPECT_EQ(b.model.log.size(), logged) << "nothing after the first undelivered command";
    EXPECT_FALSE(b.ctx.BurnRunning);
    EXPECT_EQ(b.jobs->State(), JobState::Idle);

    // The controller comes back: nothing more of the burn reaches it.
    b.usb.present = true;
    b.gui.PumpUntil([] { return false; }, 50);
    EXPECT_EQ(b.model.log.size(), logged);
    EXPECT_EQ(b.recorded.messages.size(), 1u);
}

TEST(BitmapBurn, ALinkChangeEndsTheBurnWithoutACommandOnTheNewLink) {
    BurnRig b(Grey(20, 20, 0));
    b.settings.SetNumber("WysokoscObrazu", 2.0);
    sim::ControllerModel other;
    sim::FakeArmTransport eth(other, LinkKind::Ethernet);
    b.layer->SetEthernet(&eth);
    b.AtFirstRefresh([&] { b.ctx.EthernetConnected = true; });
    b.jobs->Start1Click();
    ASSERT_TRUE(b.WaitEnd());
    b.gui.RunPending();
    EXPECT_EQ(b.recorded.messages.size(), 1u);
    EXPECT_TRUE(other.log.empty()) << "the new connection never had the burn's start";
    EXPECT_EQ(b.model.CountReceived("SBS"), 1u);
    b.jobs.reset();
    b.layer->SetEthernet(nullptr);
}

// A controller that keeps reporting busy: closing the program ends the burn's wait at once.
TEST(BitmapBurn, AControllerStuckAtBusyLetsTheProgramClose) {
    BurnRig b(Grey(20, 20, 0));
    b.settings.SetNumber("WysokoscObrazu", 2.0);
    b.AtFirstRefresh([&] { b.model.busyReadsPerMove = 1 << 30; });
    b.jobs->Start1Click();
    b.gui.PumpUntil([] { return false; }, 200);  // the burn waits for the machine by now
    const auto t0 = std::chrono::steady_clock::now();
    b.jobs->Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_GT(b.model.busyReads, 1000) << "the machine still reported busy";
    EXPECT_EQ(b.jobs->BurnThread(), nullptr);
    EXPECT_FALSE(b.ctx.BurnRunning);
    b.gui.RunPending();
    EXPECT_TRUE(b.recorded.messages.empty()) << "no message for a burn ended from the GUI";
}

TEST(BitmapBurn, RunUpBeyondTheZeroPointIsRefused) {
    BurnRig b(SmallPicture());
    b.model.baseX = 0;
    b.jobs->Start1Click();
    b.gui.RunPending();
    EXPECT_EQ(b.jobs->BurnThread(), nullptr);
    ASSERT_EQ(b.recorded.messages.size(), 1u);
    EXPECT_EQ(b.recorded.messages[0].text,
              "Please change the starting point or decrease the working speed because the estimated acceleration "
              "distance and the size of your project reach beyond the working area of the machine.");
    EXPECT_EQ(b.recorded.messages[0].caption, "The acceleration distance 0.076 [mm], V 500");
    EXPECT_EQ(b.model.CountReceived("SBB"), 0u);
}

TEST(BitmapProject, PictureSizeFollowsTheConfiguredWidth) {
    Settings settings;
    test::MachineRig machine;
    RasterProject p;
    settings.SetNumber("SzerokoscObrazu", 30);
    ASSERT_TRUE(p.LoadBMP("a.bmp", Grey(600, 300, 1), settings, machine.jobValues));
    EXPECT_DOUBLE_EQ(settings.Number("WysokoscObrazu"), 15);
    EXPECT_DOUBLE_EQ(p.ProjectWidth, 30);
    EXPECT_DOUBLE_EQ(p.ProjectHeight, 15);
    EXPECT_DOUBLE_EQ(machine.jobValues.BmpPixelWidth, 600);
    EXPECT_DOUBLE_EQ(machine.jobValues.BmpPixelHeight, 300);
    RasterProject bad;
    EXPECT_FALSE(bad.LoadBMP("b.bmp", RasterPicture{}, settings, machine.jobValues));
    EXPECT_DOUBLE_EQ(machine.jobValues.BmpPixelWidth, 600) << "a picture that cannot be read changes nothing";
}

}  // namespace
}  // namespace vellisk
