#include <gtest/gtest.h>

#include "drawing_files/job_machine_context.h"
#include "machine_link/machine_context.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;

TEST(JobMachineOf, SnapshotOfTheSetInForce) {
    test::MachineRig machine;
    test::RecordingNotifier n;
    machine.ctx.PlotState.Model = "PRV";
    machine.ctx.FirmwareVersion = 551;
    SelectMachineModel(machine.ctx, machine.env, n);
    JobMachine m = JobMachineOf(machine.ctx, machine.jobValues, 12000.0);
    EXPECT_EQ(m.Multiplier, 2);
    EXPECT_DOUBLE_EQ(m.StepsX, 10.0);
    EXPECT_TRUE(m.ArmController);
    EXPECT_TRUE(m.ArmLink);
    EXPECT_TRUE(m.Firmware550);
    EXPECT_EQ(m.ModelCode, "PRV");
    EXPECT_DOUBLE_EQ(m.GcodePower, 12000.0);
    EXPECT_EQ(m.SpeedToTimer(1000), 4800u);
    EXPECT_EQ(m.RampTimerAt(6), 9213);  // divisor 2
    EXPECT_EQ(m.RampIndexOfTimer(9213), 6);

    // Later changes of the context leave the snapshot alone.
    machine.ctx.PlotState.Model = "BKT";
    SelectMachineModel(machine.ctx, machine.env, n);
    EXPECT_EQ(m.SpeedToTimer(1000), 4800u);
    EXPECT_EQ(JobMachineOf(machine.ctx, machine.jobValues).SpeedToTimer(1000), 800u);
    EXPECT_EQ(JobMachineOf(machine.ctx, machine.jobValues).RampTimerAt(0), 8514);
}
