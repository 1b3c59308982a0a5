// A job written by the job writer from a G-code program goes to the simulated controller over
// both roads: the parallel-port transfer and the newer controller's streamer. The controller
// must receive the file's commands, in order, byte for byte.
#include <gtest/gtest.h>

#include "drawing_files/gcode_reader.h"
#include "drawing_files/job_test_support.h"
#include "drawing_files/job_writer.h"
#include "machine_link/command_layer.h"
#include "machine_link/lpt_transfer.h"
#include "machine_link/trans_arm.h"
#include "sim/controller_model.h"
#include "sim/fake_arm_transport.h"
#include "sim/fake_clock.h"
#include "sim/lpt_rig.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

std::string WritePocketJob(const std::filesystem::path& out) { return test::WritePocketJob(test::ParallelSet0(), out); }

TEST(JobStreamEndToEnd, WrittenJobOverTheParallelPortTransfer) {
    test::TempDir dir;
    const std::string job = WritePocketJob(dir / "out.cnx");
    ASSERT_GT(job.size(), 100u);

    sim::LptRig r;
    r.env.ProgramDir = dir.path();
    Ttransmisja transfer(r.ctx, r.env, r.jobValues, r.layer, r.notifier);
    transfer.Activate();
    int result = Ttransmisja::Running;
    for (int tick = 0; result == Ttransmisja::Running && tick < 100000; ++tick) result = transfer.Tick();
    transfer.Deactivate();
    ASSERT_EQ(result, Ttransmisja::Done);
    transfer.SendStart();
    EXPECT_EQ(r.model.job, test::JobCommands(job, r.ctx.CommandLengths));
    EXPECT_EQ(r.peer.bytesFromHost.substr(r.peer.bytesFromHost.size() - 3), "PdG");
    EXPECT_TRUE(r.notifier.messages.empty());
}

TEST(JobStreamEndToEnd, WrittenJobThroughTheStreamerOverUsb) {
    test::TempDir dir;
    const std::string job = WritePocketJob(dir / "out.cnx");

    sim::ControllerModel model;
    model.bufferCapacity = 40;
    model.bufferSize = 141;
    model.drainPerStatusRead = 25;
    sim::FakeClock clock;
    sim::FakeArmTransport usb(model, LinkKind::Usb);
    test::MachineRig machine;
    machine.ctx.ArmLink = true;
    machine.env.ProgramDir = dir.path();
    test::RecordingNotifier notifier;
    CommandLayer layer(machine.ctx, machine.env, machine.jobValues, notifier, clock);
    layer.SetUsb(&usb);
    TTransArm streamer(machine.ctx, machine.env, layer, notifier);
    ASSERT_TRUE(streamer.start());
    for (int i = 0; i < 100000 && streamer.Streaming(); ++i) streamer.Tick();
    EXPECT_FALSE(streamer.Streaming());
    EXPECT_EQ(model.job, test::JobCommands(job, machine.ctx.CommandLengths));
    EXPECT_EQ(model.overflowCount, 0u);
    EXPECT_EQ(model.CountReceived("G"), 1u);
}

}  // namespace
}  // namespace vellisk
