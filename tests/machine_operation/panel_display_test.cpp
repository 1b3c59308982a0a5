// What the panel shows: the speed bar's scale, coordinates in the display unit, the speed and
// power captions, the enabling while a job or a burn runs.
#include <gtest/gtest.h>

#include "panel_rig.h"

using namespace vellisk;
using namespace vellisk::test;

namespace {

TEST(SpeedBar, ScaleAndSteps) {
    EXPECT_EQ(SpeedBarToSpeed(99), 99);
    EXPECT_EQ(SpeedBarToSpeed(100), 100);
    EXPECT_EQ(SpeedBarToSpeed(189), 990);
    EXPECT_EQ(SpeedBarToSpeed(190), 1000);
    EXPECT_EQ(SpeedBarToSpeed(1000), 82000);
    EXPECT_EQ(SpeedBarToSpeed(1001), 0);
    EXPECT_EQ(SpeedToSpeedBar(990), 189);
    EXPECT_EQ(SpeedToSpeedBar(1000), 190);
    EXPECT_EQ(SpeedToSpeedBar(105), 100);  // halves to even
    EXPECT_EQ(SpeedToSpeedBar(100000), 0);
    EXPECT_EQ(DirectSpeedStep(1000, true, 5000), 1100);
    EXPECT_EQ(DirectSpeedStep(999, true, 5000), 1009);
    EXPECT_EQ(DirectSpeedStep(15, false, 5000), 14);
    EXPECT_EQ(DirectSpeedStep(10, false, 5000), 10);
    EXPECT_EQ(DirectSpeedStep(1990, true, 2000), 2000);
}

TEST(PanelDisplay, CoordinatesCaptionsAndEnabling) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.model.stepX = 12345;  // NKV: about 0.98 steps per 0.01 mm
    rig.model.baseX = 2000;
    rig.model.stepZ = -500;
    rig.model.baseZ = 100;
    rig.model.speedSet = 3;
    rig.model.outputIndex = 1;
    rig.model.outValues = {0, 150, 0, 0, 0, 0};
    rig.panel->FormActivate();
    rig.panel->Tick();
    const tplotstate& s = rig.ctx.PlotState;
    char want[32];
    std::snprintf(want, sizeof want, "%.1f", s.PosX / 100);
    EXPECT_EQ(rig.view.texts[PanelText::MachineX], want);
    std::snprintf(want, sizeof want, "%.1f", (s.PosX - s.BaseX) / 100);
    EXPECT_EQ(rig.view.texts[PanelText::ProjectX], want);
    EXPECT_EQ(rig.view.texts[PanelText::MachineZ], "-4.0");
    EXPECT_EQ(rig.view.texts[PanelText::ProjectZ], "-4.0");
    EXPECT_EQ(rig.view.texts[PanelText::SpeedBox], "Drill speed [mm/min]");
    EXPECT_EQ(rig.view.texts[PanelText::PowerBox], "Rotation /min");
    EXPECT_EQ(rig.panel->PowerBar().position, 150);
    EXPECT_EQ(rig.view.texts[PanelText::PowerLabel], "15000");

    rig.env.LengthUnit = kUnitInch;
    rig.panel->Tick();
    std::snprintf(want, sizeof want, "%.2f", s.PosX / 100 / 25.4);
    EXPECT_EQ(rig.view.texts[PanelText::MachineX], want);

    // A running job: motion off, bars on; a burn: both off until its stop is asked.
    rig.model.statusByte = sim::kStRunning;
    rig.panel->Tick();
    EXPECT_FALSE(rig.view.enabled[PanelControl::JogUp]);
    EXPECT_FALSE(rig.view.enabled[PanelControl::ToolDown]);
    EXPECT_TRUE(rig.panel->Enabled(PanelControl::SpeedBox));
    rig.model.statusByte = 0;
    rig.ctx.BurnRunning = true;
    rig.panel->Tick();
    EXPECT_FALSE(rig.panel->Enabled(PanelControl::JogUp));
    EXPECT_FALSE(rig.panel->Enabled(PanelControl::PowerBox));
    rig.ctx.BurnStopRequested = true;
    rig.panel->Tick();
    EXPECT_TRUE(rig.panel->Enabled(PanelControl::JogUp));
    EXPECT_TRUE(rig.panel->Enabled(PanelControl::PowerBox));
}

// A position a hair below zero (one step, about -0.01 mm) rounds to zero: no "-0.0" on the
// panel, in either unit; a position that rounds to a negative number keeps its sign.
TEST(PanelDisplay, APositionThatRoundsToZeroHasNoSign) {
    PanelRig rig(PanelLink::Usb, "NKV");
    rig.model.stepX = -1;
    rig.model.stepY = -100;
    rig.panel->FormActivate();
    rig.panel->Tick();
    ASSERT_LT(rig.ctx.PlotState.PosX, 0);
    EXPECT_EQ(rig.view.texts[PanelText::MachineX], "0.0");
    EXPECT_EQ(rig.view.texts[PanelText::ProjectX], "0.0");
    EXPECT_EQ(rig.view.texts[PanelText::MachineY], "-1.0");
    rig.env.LengthUnit = kUnitInch;
    rig.panel->Tick();
    EXPECT_EQ(rig.view.texts[PanelText::MachineX], "0.00");
    EXPECT_EQ(rig.view.texts[PanelText::MachineY], "-0.04");
}

TEST(PanelDisplay, AnIdlePanelStopsSendingTheSpeed) {
    for (const char* model : {"BKT", "NKV"}) {
        PanelRig rig(model[0] == 'B' ? PanelLink::Lpt : PanelLink::Usb, model);
        rig.panel->FormActivate();
        for (int i = 0; i < 3; ++i) rig.panel->Tick();
        const std::size_t from = rig.LogSize();
        for (int i = 0; i < 5; ++i) rig.panel->Tick();
        EXPECT_EQ(rig.Sent(from), std::vector<std::string>{}) << model;
    }
}

TEST(PanelDisplay, LaserKeepsItsZButtonsOffAndHidesOutputs) {
    PanelRig rig(PanelLink::Usb, "HYG64");
    rig.panel->FormActivate();
    rig.panel->Tick();
    EXPECT_FALSE(rig.panel->Enabled(PanelControl::ToolUp));
    EXPECT_TRUE(rig.panel->Enabled(PanelControl::JogUp));
    EXPECT_FALSE(rig.panel->Visible(PanelControl::Outputs));
    EXPECT_EQ(rig.view.texts[PanelText::PowerBox], "Moc");
}

}  // namespace
