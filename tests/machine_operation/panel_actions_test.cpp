// Every operator action of the panel against the simulated controller on the three links:
// the bytes the machine received, in order, without the status traffic.
#include <gtest/gtest.h>

#include "machine_link/commands.h"
#include "model/numeric.h"
#include "panel_rig.h"

using namespace vellisk;
using namespace vellisk::test;

namespace {

// The "V" that SetSpeed sends for a feed in mm/min with the speed set in force.
std::string ExpectedV(const MachineContext& ctx, std::int32_t mm) {
    const tplotparams& p = ctx.PlotParams;
    const auto timer = static_cast<std::int32_t>(ctx.SpeedToTimer(mm));
    const int set = ctx.PlotState.SpeedSet;
    if (p.ArmController) return B({'V', set}) + IntToBytes4(static_cast<std::int32_t>(timer / p.Multiplier));
    const auto sv = static_cast<std::int32_t>(RoundHalfEven(timer / p.StepsX));
    return B({'V', set}) + IntToBytes2(set == 2 ? sv : sv / p.Multiplier);
}

std::string Move(const MachineContext& ctx, std::int32_t f, std::int32_t dx, std::int32_t dy, std::int32_t dz) {
    return ctx.PlotParams.ArmController ? EncodeMoveCommandEx(f, dx, dy, dz, kNoSpeedLimit).Bytes
                                        : EncodeMoveCommand(f, dx, dy, dz).Bytes;
}

std::int32_t R(double v) { return static_cast<std::int32_t>(RoundHalfEven(v)); }

struct LinkModel {
    PanelLink link;
    const char* model;
};

class PanelOnLink : public ::testing::TestWithParam<LinkModel> {
protected:
    void SetUp() override {
        rig = std::make_unique<PanelRig>(GetParam().link, GetParam().model);
        rig->panel->FormActivate();
    }
    std::unique_ptr<PanelRig> rig;
};

TEST_P(PanelOnLink, JogKeyIsOneMoveAndItsReleaseOneStop) {
    MachineContext& ctx = rig->ctx;
    const std::int32_t f = ctx.PlotParams.ArmController ? ctx.PlotParams.Multiplier : 1;
    std::size_t from = rig->LogSize();
    rig->panel->KeyDown(kKeyRight);
    rig->panel->KeyDown(kKeyRight);  // the key's auto-repeat: nothing more
    const std::string right = Move(ctx, f, R(60000 * ctx.PlotParams.StepsX), 0, 0);
    EXPECT_EQ(right.size(), ctx.PlotParams.ArmController ? 15u : 14u);
    if (ctx.PlotParams.ArmController) {
        EXPECT_EQ(static_cast<std::uint8_t>(right.back()), 0xFF);
    }
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{right}));
    rig->panel->KeyUp(kKeyRight);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{right, "Y"}));

    // A diagonal: the parallel port doubles the factor. The machine now stands at X = 600 mm.
    from = rig->LogSize();
    rig->panel->KeyDown(kKeyNumpad7);
    rig->panel->KeyUp(kKeyNumpad7);
    const double m = 40000;
    const std::string diag =
        Move(ctx, ctx.ArmLink ? f : 2, -R(m * ctx.PlotParams.StepsX), R(m * ctx.PlotParams.StepsY), 0);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{diag, "Y"}));

    from = rig->LogSize();
    rig->panel->KeyDown(kKeyNumpad5);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{"Y"}));
}

TEST_P(PanelOnLink, KeysMoveNothingWhileAJobRuns) {
    rig->WithModel([](sim::ControllerModel& m) { m.statusByte = sim::kStRunning; });
    rig->panel->Tick();
    EXPECT_FALSE(rig->panel->Enabled(PanelControl::JogRight));
    EXPECT_FALSE(rig->view.enabled[PanelControl::JogRight]);
    const std::size_t from = rig->LogSize();
    rig->panel->KeyDown(kKeyLeft);
    rig->panel->KeyUp(kKeyLeft);
    rig->panel->KeyDown(kKeyInsert);
    rig->panel->ButtonDown(PanelControl::JogLeft);
    EXPECT_TRUE(rig->Sent(from).empty());
}

TEST_P(PanelOnLink, SpeedKeysCtrlAndBars) {
    MachineContext& ctx = rig->ctx;
    const tplotparams& p = ctx.PlotParams;
    // Keypad + and -: the bar moves by its step and the last "V" carries the new speed.
    std::int32_t speed = 0;
    if (p.DirectSpeedBar) {
        rig->panel->SpeedBarMoved(999);
        rig->panel->KeyDown(kKeyNumpadPlus);
        EXPECT_EQ(rig->panel->SpeedBar().position, 1009);
        speed = 1009;
    } else {
        rig->panel->SpeedBarMoved(150);  // 600 mm/min
        rig->panel->KeyDown(kKeyNumpadPlus);
        EXPECT_EQ(rig->panel->SpeedBar().position, 151);
        speed = 610;
    }
    rig->panel->KeyUp(kKeyNumpadPlus);
    std::vector<std::string> sent = rig->Sent(0);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), ExpectedV(ctx, speed));

    // Ctrl: a tenth of the speed (never below the slowest feed), once; the release restores it.
    std::size_t from = rig->LogSize();
    rig->panel->KeyDown(kKeyCtrl);
    rig->panel->KeyDown(kKeyCtrl);
    EXPECT_EQ(rig->Sent(from),
              (std::vector<std::string>{ExpectedV(ctx, std::max<std::int32_t>(speed / 10, p.MinFeed))}));
    from = rig->LogSize();
    rig->panel->KeyUp(kKeyCtrl);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{ExpectedV(ctx, speed)}));
    from = rig->LogSize();
    rig->panel->KeyUp(kKeyCtrl);  // a release the panel saw no press for
    EXPECT_TRUE(rig->Sent(from).empty());

    // The power bar sends the output's value.
    from = rig->LogSize();
    const std::uint8_t out = ctx.PlotState.OutputIndex;
    if (p.Laser) {
        rig->panel->PowerBarMoved(500);
        EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{B({'T', out, 128})}));
    } else if (ctx.ArmLink) {
        rig->panel->PowerBarMoved(120);
        EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{B({'T', out, 120})}));
    } else {
        rig->panel->PowerBarMoved(40);
        EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{B({'T', out, 102})}));
    }
}

TEST_P(PanelOnLink, InsertSpindleButtonAndPulseField) {
    MachineContext& ctx = rig->ctx;
    rig->WithModel([](sim::ControllerModel& m) { m.outputIndex = 2; });
    rig->panel->Tick();
    std::size_t from = rig->LogSize();
    rig->panel->KeyDown(kKeyInsert);
    rig->panel->KeyUp(kKeyInsert);
    const std::string slt = B({'S', 'L', 'T', 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::string slp = B({'S', 'L', 'P', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    if (ctx.PlotParams.Laser) {
        EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{slt, slp}));
    } else if (ctx.ModelCode == "PRV") {
        EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{PadPacket("SLS")}));
    } else {
        EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{B({'R', 1, 2})}));
        from = rig->LogSize();
        rig->panel->SpindleClick();  // the spindle runs now: off through its output
        EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{B({'R', 0, 2})}));
        EXPECT_FALSE(rig->view.spindleDown);
    }
    // The pulse field shows on a laser only.
    EXPECT_EQ(rig->panel->Visible(PanelControl::PulseField), ctx.PlotParams.Laser != 0);
    if (!ctx.PlotParams.Laser) return;
    from = rig->LogSize();
    rig->panel->PulseFieldExit(250.4);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{B({'S', 'L', 'T', 250, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})}));
}

TEST_P(PanelOnLink, StopButtonAndMouseJog) {
    MachineContext& ctx = rig->ctx;
    std::size_t from = rig->LogSize();
    rig->panel->ButtonDown(PanelControl::Stop);
    rig->panel->ButtonUp(PanelControl::Stop);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{"Y"}));

    // Mouse jog, then the keyboard jogs again at once.
    from = rig->LogSize();
    rig->panel->ButtonDown(PanelControl::JogUp);
    rig->panel->ButtonUp(PanelControl::JogUp);
    const std::int32_t f = ctx.PlotParams.ArmController ? ctx.PlotParams.Multiplier : 1;
    const std::string up = Move(ctx, f, 0, R(40000 * ctx.PlotParams.StepsY), 0);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{up, "Y"}));
    from = rig->LogSize();
    rig->panel->KeyDown(kKeyDown);
    rig->panel->KeyUp(kKeyDown);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{Move(ctx, f, 0, -R(40000 * ctx.PlotParams.StepsY), 0), "Y"}));
}

TEST_P(PanelOnLink, ProjectZero) {
    MachineContext& ctx = rig->ctx;
    PanelHooks hooks;
    hooks.basePoints = [](double& x, double& y) {
        x = 10;
        y = 20;
        return true;
    };
    hooks.activeDrawing = [] { return std::optional<PanelDrawing>(PanelDrawing{2, 80000, 100}); };  // 800 mm wide
    rig->panel->SetHooks(hooks);
    rig->panel->StartTimer();
    const std::size_t from = rig->LogSize();
    rig->panel->SetZeroClick();
    const std::int32_t x = R(1000 * ctx.PlotParams.StepsX), y = R(2000 * ctx.PlotParams.StepsY);
    const std::string u = ctx.ArmLink ? "U" + IntToBytes4(x) + IntToBytes4(y) : "U" + IntToBytes3(x) + IntToBytes3(y);
    EXPECT_EQ(rig->Sent(from), (std::vector<std::string>{u}));
    EXPECT_TRUE(rig->panel->TimerRunning());
    ASSERT_EQ(rig->notifier.messages.size(), 1u);
    EXPECT_EQ(rig->notifier.messages[0].text, "Project size is bigger than the machine work area ");
}

INSTANTIATE_TEST_SUITE_P(Links, PanelOnLink,
                         ::testing::Values(LinkModel{PanelLink::Lpt, "BKT"}, LinkModel{PanelLink::Usb, "NKV"},
                                           LinkModel{PanelLink::Usb, "NKV 484 "}, LinkModel{PanelLink::Usb, "HYG64"},
                                           LinkModel{PanelLink::Eth, "PRV"}),
                         [](const auto& info) {
                             std::string n = std::string(LinkName(info.param.link)) + "_" + info.param.model;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST(PanelActions, PageKeysDoubleTheFactorOnTheOlderModels) {
    PanelRig rig(PanelLink::Lpt, "BKT");
    rig.model.stepZ = -800;
    rig.panel->FormActivate();
    const std::size_t from = rig.LogSize();
    rig.panel->KeyDown(kKeyPageUp);
    rig.panel->KeyUp(kKeyPageUp);
    EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{EncodeMoveCommand(2, 0, 0, 800).Bytes, "Y"}));
}

TEST(PanelActions, CtrlFineSpeedNeverBelowTheSlowestFeed) {
    PanelRig rig(PanelLink::Usb, "LKT");  // slowest feed 100 mm/min
    rig.panel->FormActivate();
    rig.panel->SpeedBarMoved(500);
    const std::size_t from = rig.LogSize();
    ASSERT_NO_THROW(rig.panel->KeyDown(kKeyCtrl));
    EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{ExpectedV(rig.ctx, 100)}));
}

TEST(PanelActions, HomingOnAnHygModel) {
    for (const char* model : {"HYG64", "HYG09"}) {
        PanelRig rig(PanelLink::Usb, model);
        rig.panel->FormActivate();
        const std::size_t from = rig.LogSize();
        rig.panel->HomeClick();
        if (rig.ctx.PlotParams.ZReversed)
            EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{"B4", "B1", "B7", "B4"})) << model;
        else
            EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{"B1", "B7", "B4"})) << model;
        EXPECT_EQ(rig.Sent(from)[0], B({0x42, rig.ctx.PlotParams.ZReversed ? 0x34 : 0x31}));
    }
}

TEST(PanelActions, HomingWithTouchOffOnADollarModel) {
    PanelRig rig(PanelLink::Lpt, "BKT");
    rig.panel->FormActivate();
    rig.model.model = "$KT";
    const MachineContext& ctx = rig.ctx;
    const std::size_t from = rig.LogSize();
    rig.panel->HomeClick();
    const double sz = ctx.PlotParams.StepsZ;
    std::vector<std::string> want = {"B7", "B4", ExpectedV(ctx, 2000), EncodeMoveCommand(1, 0, 0, R(sz * 1000)).Bytes,
                                     ExpectedV(ctx, 100)};
    for (int i = 0; i < 5; ++i) want.push_back(EncodeMoveCommand(1, 0, 0, -R(sz * 20)).Bytes);
    want.push_back(ExpectedV(ctx, 2000));
    want.push_back("B4");
    EXPECT_EQ(rig.Sent(from), want);

    // Refused while a job runs.
    rig.model.statusByte = sim::kStRunning;
    const std::size_t again = rig.LogSize();
    rig.panel->HomeClick();
    EXPECT_TRUE(rig.Sent(again).empty());
    ASSERT_FALSE(rig.notifier.messages.empty());
    EXPECT_EQ(rig.notifier.messages.back().text, "At this moment plotter home is impossible");
}

// While the burn thread has the link (running, or asked to pause and finishing its line) the
// panel's controls stay off and its actions send nothing; STOP only asks the burn to pause.
// Once the burn has paused, everything comes back.
TEST(PanelActions, NothingGoesOutUntilTheBurnHasPaused) {
    PanelRig rig(PanelLink::Usb, "HYG64");
    rig.panel->FormActivate();
    int dialogs = 0;
    PanelHooks hooks;
    hooks.moveDialog = [&] { ++dialogs; };
    hooks.outputsDialog = [&] { ++dialogs; };
    rig.panel->SetHooks(hooks);
    rig.ctx.BurnRunning = true;
    for (JobState state : {JobState::Burning, JobState::BurnPausing}) {
        rig.jobs.state = state;
        rig.panel->RefreshStatus();  // the burn's refresh between lines
        for (PanelControl c : {PanelControl::JogUp, PanelControl::Home, PanelControl::Move, PanelControl::SpeedBox,
                               PanelControl::PowerBox})
            EXPECT_FALSE(rig.panel->Enabled(c)) << static_cast<int>(c);
        const std::size_t from = rig.LogSize();
        rig.panel->KeyDown(kKeyLeft);
        rig.panel->KeyUp(kKeyLeft);
        rig.panel->HomeClick();
        rig.panel->SpindleClick();
        rig.panel->PulseFieldExit(50);
        rig.panel->SpeedBarMoved(rig.panel->SpeedBar().position + 10);
        rig.panel->MoveClick();
        rig.panel->OutputsClick();
        rig.panel->ButtonDown(PanelControl::Stop);
        EXPECT_EQ(rig.Sent(from), std::vector<std::string>{});
        EXPECT_EQ(dialogs, 0);
        EXPECT_TRUE(rig.ctx.BurnStopRequested);
    }
    rig.jobs.state = JobState::BurnPaused;
    rig.panel->RefreshStatus();
    EXPECT_TRUE(rig.panel->Enabled(PanelControl::JogUp));
    EXPECT_TRUE(rig.panel->Enabled(PanelControl::SpeedBox));
    rig.panel->MoveClick();
    EXPECT_EQ(dialogs, 1);
}

}  // namespace
