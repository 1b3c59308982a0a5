// Hold and continue of a job running from the controller's memory, on the parallel port and
// on the newer controller: every command in order, JobHeld, and the second hold or continue
// that finds nothing to do.
#include <gtest/gtest.h>

#include <algorithm>

#include "machine_link/commands.h"
#include "model/numeric.h"
#include "panel_rig.h"

using namespace vellisk;
using namespace vellisk::test;

namespace {

std::int32_t R(double v) { return static_cast<std::int32_t>(RoundHalfEven(v)); }

// The controller stops its job on "Q" and takes it up again on "K".
void RunningJob(sim::ControllerModel& m) {
    m.statusByte = sim::kStRunning | sim::kStJobStored;
    m.onCommand = [&m](const sim::ReceivedCommand& c) {
        if (c.bytes == "Q") m.statusByte &= static_cast<std::uint8_t>(~sim::kStRunning);
        if (c.bytes == "K") m.statusByte |= sim::kStRunning;
    };
}

void HoldAndContinue(PanelLink link, const char* modelText, bool shortStop) {
    PanelRig rig(link, modelText);
    rig.panel->FormActivate();
    rig.WithModel(RunningJob);
    const MachineContext& ctx = rig.ctx;
    const tplotparams& p = ctx.PlotParams;
    const std::int32_t M = p.Multiplier;
    auto move = [&](std::int32_t dz) {
        return p.ArmController ? EncodeMoveCommandEx(M, 0, 0, dz, kNoSpeedLimit).Bytes
                               : EncodeMoveCommand(M, 0, 0, dz).Bytes;
    };
    const std::int32_t lift = R(rig.jobValues.StartZ * 100 * p.StepsZ);

    std::size_t from = rig.LogSize();
    rig.panel->Hold();
    std::vector<std::string> hold = {"Q", B({'F', 0}), B({'F', 0}), move(lift), B({'R', 0, 2}), B({'F', 2})};
    // The short stop packet; a USB report carries it padded with zeros.
    if (shortStop) hold.push_back(link == PanelLink::Usb ? "S" + std::string(15, '\0') : B({'S', 0}));
    hold.push_back(B({'R', 0, 2}));
    EXPECT_EQ(rig.Sent(from), hold) << modelText;
    EXPECT_TRUE(rig.ctx.JobHeld);
    from = rig.LogSize();
    rig.panel->Hold();
    EXPECT_TRUE(rig.Sent(from).empty()) << "no job runs: the second hold sends nothing";

    from = rig.LogSize();
    const auto sleptBefore = rig.clock.slept;
    rig.panel->Continue();
    const std::vector<std::string> cont = {B({'F', 0}), B({'R', 1, 1}), B({'F', 0}), move(-lift), B({'F', 1}), "K"};
    EXPECT_EQ(rig.Sent(from), cont) << modelText;
    EXPECT_FALSE(rig.ctx.JobHeld);
    EXPECT_GE(rig.clock.slept - sleptBefore, std::chrono::seconds(3)) << "the spindle's spin-up time";
    from = rig.LogSize();
    rig.panel->Continue();
    EXPECT_TRUE(rig.Sent(from).empty()) << "the job runs again: the second continue sends nothing";
}

TEST(HoldContinue, ParallelPort) { HoldAndContinue(PanelLink::Lpt, "BKT", false); }
TEST(HoldContinue, UsbOlderController) { HoldAndContinue(PanelLink::Usb, "NKV", true); }
TEST(HoldContinue, UsbNewerController) { HoldAndContinue(PanelLink::Usb, "NKV 484 ", false); }
TEST(HoldContinue, Ethernet) { HoldAndContinue(PanelLink::Eth, "PRV", false); }

TEST(HoldContinue, HeldZFollowsTheBasePoint) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.model.stepZ = -300;
    rig.model.baseZ = 100;
    rig.panel->FormActivate();
    RunningJob(rig.model);
    rig.panel->Hold();
    EXPECT_DOUBLE_EQ(rig.panel->HeldZ(), (-300 + 100) / rig.ctx.PlotParams.StepsZ);
}

TEST(HoldContinue, ParallelPortContinueNeedsAStoredJob) {
    PanelRig rig(PanelLink::Lpt, "BKT");
    rig.panel->FormActivate();
    RunningJob(rig.model);
    rig.panel->Hold();
    rig.model.statusByte = 0;  // the controller lost its job
    const std::size_t from = rig.LogSize();
    rig.panel->Continue();
    EXPECT_TRUE(rig.Sent(from).empty());
    EXPECT_TRUE(rig.ctx.JobHeld);
}

TEST(HoldContinue, DuringABurnOnlyTheBurnPausesAndResumes) {
    PanelRig rig(PanelLink::Usb, "HYG64");
    int resumed = 0;
    PanelHooks hooks;
    hooks.resumeBurn = [&] { ++resumed; };
    rig.panel->SetHooks(hooks);
    rig.ctx.BurnRunning = true;
    rig.ctx.JobHeld = true;  // left over from an earlier vector job
    const std::size_t from = rig.LogSize();
    rig.panel->Continue();  // an unpaused burn: nothing at all
    EXPECT_EQ(resumed, 0);
    rig.panel->Hold();
    EXPECT_TRUE(rig.ctx.BurnStopRequested);
    rig.panel->Continue();
    EXPECT_FALSE(rig.ctx.BurnStopRequested);
    EXPECT_EQ(resumed, 1);
    EXPECT_TRUE(rig.Sent(from).empty());
}

TEST(HoldContinue, AControllerThatKeepsRunningAfterQIsNotWaitedForEver) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.panel->FormActivate();
    rig.model.statusByte = sim::kStRunning;  // "Q" is ignored
    const std::size_t from = rig.LogSize();
    rig.panel->Hold();
    EXPECT_EQ(rig.Sent(from), (std::vector<std::string>{"Q"}));
    EXPECT_FALSE(rig.ctx.JobHeld);
    ASSERT_EQ(rig.notifier.messages.size(), 1u);
    EXPECT_EQ(rig.notifier.messages[0].caption, "Hold");
}

TEST(HoldContinue, PanelStopButtonHoldsAtTheNextRefresh) {
    PanelRig rig(PanelLink::Lpt, "BKT");
    rig.panel->FormActivate();
    RunningJob(rig.model);
    rig.panel->StopClick();
    std::size_t from = rig.LogSize();
    rig.panel->Tick();
    std::vector<std::string> sent = rig.Sent(from);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), "Q");
    EXPECT_TRUE(rig.ctx.JobHeld);
    from = rig.LogSize();
    rig.panel->Tick();
    const std::vector<std::string> after = rig.Sent(from);
    EXPECT_EQ(std::count(after.begin(), after.end(), "Q"), 0) << "the request is used up";
}

}  // namespace
