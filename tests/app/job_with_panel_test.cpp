// A whole job streamed by the control panel's timer with the panel open, against the simulated
// newer controller that runs the job as it arrives (its speed sets and the set in force follow
// the job's commands, and the status reports them): what the controller received besides the
// job, the speeds it holds at the end, and the machine's keys in replies the streamer read.
#include <gtest/gtest.h>

#include "app/job_control.h"
#include "app/job_drawing.h"
#include "app/job_test_rig.h"
#include "drawing_window/project.h"
#include "machine_link/commands.h"
#include "machine_operation/control_panel.h"
#include "machine_operation/panel_rig.h"
#include "sim/controller_model.h"
#include "support/generated_drawings.h"

namespace vellisk {
namespace {

using test::B;

struct PanelJobRig {
    test::PanelRig rig{test::PanelLink::Usb, "PRV"};
    test::TempDir dir;
    Ttransmisja transfer{rig.ctx, rig.env, rig.jobValues, rig.layer, rig.notifier};
    std::unique_ptr<Project> project;
    std::unique_ptr<ProjectJobDrawing> drawing;
    test::FakeHost host;
    std::unique_ptr<JobControl> jobs;

    PanelJobRig() {
        MachineContext& ctx = rig.ctx;
        rig.env.ProgramDir = dir.path();
        sim::ControllerModel& m = rig.model;
        m.baseX = static_cast<std::int32_t>(5000 * ctx.PlotParams.StepsX);  // 50 mm
        m.baseY = static_cast<std::int32_t>(5000 * ctx.PlotParams.StepsY);
        m.bufferCapacity = 20;
        m.bufferSize = 20 + 101;
        m.drainPerStatusRead = 8;
        m.speedSet = 1;
        // The controller runs the job as it comes: its "v" writes a speed set, its "f" puts a
        // set in force; the job runs from its "G" (or "K") until its end packet (or "Q").
        m.onCommand = [&m](const sim::ReceivedCommand& c) {
            const std::string& b = c.bytes;
            if (b.size() >= 6 && b[0] == 'v' && static_cast<std::uint8_t>(b[1]) < 4)
                m.speeds[static_cast<std::uint8_t>(b[1])] = static_cast<std::int32_t>(sim::ReadLittleEndian(b, 2, 4));
            if (b.size() >= 2 && b[0] == 'f' && static_cast<std::uint8_t>(b[1]) < 4)
                m.speedSet = static_cast<std::uint8_t>(b[1]);
            if (b == "G" || b == "K") m.statusByte |= sim::kStRunning;
            if (b == "Q" || (b.size() == 16 && b.rfind("SE", 0) == 0))
                m.statusByte &= static_cast<std::uint8_t>(~sim::kStRunning);
        };
        project = std::make_unique<Project>(1, rig.settings, ctx, rig.env, rig.jobValues, rig.notifier);
        auto input = MakeDrawingInput(ctx, rig.settings);
        // Eight squares with their holes: a job of several slices.
        test::WriteGenerated(dir / "grid.plt", test::GeneratedGrid(16));
        EXPECT_EQ(project->Load((dir / "grid.plt").string(), *input).status, LoadStatus::Ok);
        drawing = std::make_unique<ProjectJobDrawing>(*project, rig.settings, ctx, rig.jobValues, rig.notifier);
        host.drawing = drawing.get();
        host.usbPresent = true;
        jobs = std::make_unique<JobControl>(ctx, rig.env, rig.jobValues, rig.settings, rig.layer, rig.notifier,
                                            rig.streamer, transfer, *rig.panel, host, nullptr);
        rig.panel->SetJobCommands(jobs.get());
        rig.view.active = true;  // the panel is open and active: its timer runs every 10 ms
        rig.panel->FormActivate();
        for (int i = 0; i < 3; ++i) rig.panel->Timer1Timer();
    }

    void RunTimer(int maxEvents = 20000) {
        for (int i = 0; rig.streamer.Streaming() && i < maxEvents; ++i) rig.panel->Timer1Timer();
        for (int i = 0; i < 10; ++i) rig.panel->Timer1Timer();  // the panel's refreshes after the job
    }
    std::string Job() const { return test::ReadFileBytes(dir / "out.cnx"); }
};

// The upper-case "V" commands (speeds written directly) of the log from `from` on.
std::vector<std::string> DirectSpeeds(const sim::ControllerModel& m, std::size_t from) {
    std::vector<std::string> out;
    for (std::size_t i = from; i < m.log.size(); ++i)
        if (!m.log[i].bytes.empty() && m.log[i].bytes[0] == 'V') out.push_back(m.log[i].bytes);
    return out;
}

TEST(JobWithPanel, TheStatusSpeedOnTheBarIsNeverSentBackAndTheJobsSpeedsStay) {
    PanelJobRig j;
    sim::ControllerModel& m = j.rig.model;
    ASSERT_FALSE(j.rig.ctx.PlotParams.DirectSpeedBar) << "the scaled bar rounds the speed it shows";
    const std::size_t from = m.log.size();
    const auto before = m.speeds;
    j.jobs->Start1Click();
    ASSERT_TRUE(j.rig.streamer.Streaming()) << (j.rig.notifier.messages.empty() ? "" : j.rig.notifier.messages[0].text);
    j.RunTimer();
    ASSERT_FALSE(j.rig.streamer.Streaming());
    EXPECT_TRUE(j.rig.notifier.messages.empty());
    EXPECT_GT(j.rig.panel->TickCount(), 20) << "the panel refreshed while the job ran";

    // Only START's travel speed besides the job's own commands.
    const std::vector<std::string> direct = DirectSpeeds(m, from);
    ASSERT_EQ(direct.size(), 1u);
    EXPECT_EQ(direct[0].substr(0, 2), B({'V', 0}));

    // The speed sets at the end are those the job (and START) wrote, each set its own.
    auto want = before;
    want[0] = static_cast<std::int32_t>(sim::ReadLittleEndian(direct[0], 2, 4));
    const std::string job = j.Job();
    int writes = 0;
    for (std::size_t pos = 0; pos < job.size();) {
        const std::size_t len = j.rig.ctx.CommandLengths.LengthOf(static_cast<std::uint8_t>(job[pos]));
        ASSERT_GT(len, 0u);
        if (job[pos] == 'v' && static_cast<std::uint8_t>(job[pos + 1]) < 4) {
            want[static_cast<std::uint8_t>(job[pos + 1])] =
                static_cast<std::int32_t>(sim::ReadLittleEndian(job, pos + 2, 4));
            ++writes;
        }
        pos += len;
    }
    EXPECT_GT(writes, 0) << "the job writes its own speeds";
    EXPECT_EQ(m.speeds, want);

    // The operator's move of the bar: one "V", to the set shown, with the bar's speed.
    const std::size_t opFrom = m.log.size();
    const std::int32_t pos = j.rig.panel->SpeedBar().position == 150 ? 160 : 150;
    j.rig.panel->SpeedBarMoved(pos);
    const std::vector<std::string> sent = test::Sent(m, opFrom);
    const auto timer =
        static_cast<std::int32_t>(j.rig.ctx.SpeedToTimer(SpeedBarToSpeed(j.rig.panel->SpeedBar().position)));
    EXPECT_EQ(sent,
              (std::vector<std::string>{B({'V', m.speedSet}) + IntToBytes4(timer / j.rig.ctx.PlotParams.Multiplier)}));
    EXPECT_EQ(j.rig.ctx.PlotState.SpeedSet, m.speedSet) << "the set the panel shows";
}

TEST(JobWithPanel, AStopKeyInAReplyTheStreamerReadHoldsTheJob) {
    PanelJobRig j;
    sim::ControllerModel& m = j.rig.model;
    j.jobs->Start1Click();
    ASSERT_TRUE(j.rig.streamer.Streaming());
    // Half-way through the job the STOP key shows in one status reply only: the streamer's,
    // which reads the status before each slice.
    const std::size_t half = j.Job().size() / 2;
    bool pressed = false;
    for (int i = 0; i < 20000 && j.rig.streamer.Streaming() && !j.rig.ctx.JobHeld; ++i) {
        if (!pressed && j.rig.streamer.Position() >= half) {
            m.pressKeysOnce = sim::kKeyStop;
            pressed = true;
            const int reads = m.statusReads;
            j.rig.streamer.Tick();
            ASSERT_EQ(m.statusReads, reads + 1) << "the streamer read the reply";
            continue;
        }
        j.rig.panel->Timer1Timer();
    }
    ASSERT_TRUE(pressed);
    EXPECT_TRUE(j.rig.ctx.JobHeld) << "the job is held";
    EXPECT_GE(m.CountReceived("Q"), 3u) << "START's two and the hold's";
    EXPECT_EQ(m.log.back().bytes, B({'R', 0, 2})) << "the hold ends with the spindle off";
    EXPECT_LT(j.rig.streamer.Position(), j.Job().size());

    // The status bar says the job is held and how to go on, whatever the streamer does meanwhile;
    // continued, the job runs to its end, and the status bar says it ended.
    for (int i = 0; i < 20; ++i) j.rig.panel->Timer1Timer();
    ASSERT_FALSE(j.rig.notifier.statuses.empty());
    EXPECT_EQ(j.rig.notifier.statuses.back(), "Job held - Continue: Shift+F2");
    const std::size_t from = m.log.size();
    j.jobs->Kontynuacja1Click();
    EXPECT_FALSE(j.rig.ctx.JobHeld);
    EXPECT_EQ(m.log[from].bytes, B({'F', 0})) << "continue's first command";
    j.RunTimer();
    EXPECT_EQ(m.StreamedJob(), j.Job()) << "the whole job, once";
    EXPECT_EQ(j.rig.notifier.statuses.back(), "Job finished");
}

}  // namespace
}  // namespace vellisk
