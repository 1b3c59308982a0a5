// An HPGL drawing opened as a project and saved as the machine job "out.cnx": the decoded job
// is compared with the listing kept beside the drawing.
#include <gtest/gtest.h>

#include "drawing_files/job_decoder.h"
#include "drawing_window/project_io.h"
#include "machine_link/machine_context.h"
#include "platform/notifier.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

// A 20 mm square with a 10 mm hole, on the start-up machine (model set 0, parallel port).
TEST(ProjectJob, HpglSquareWithHoleBecomesTheExpectedJob) {
    const auto dir = test::ProjectTestData("jobs");
    test::TempDir tmp;
    Settings settings;
    test::MachineRig machine;
    SilentNotifier notifier;
    Project p(KindHpgl, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    auto input = MakeDrawingInput(machine.ctx, settings);
    ASSERT_EQ(p.Load((dir / "square.plt").string(), *input).status, LoadStatus::Ok);
    ASSERT_EQ(p.Count(), 2);

    JobFileWriter writer(machine.ctx, machine.jobValues, settings, OutputStream);
    const auto out = tmp / "out.cnx";
    p.Save(out.string(), 0, p.Count() - 1, writer);
    ASSERT_TRUE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(tmp / "out.cnx.part"));

    const auto& lengths = machine.ctx.CommandLengths.Entries();
    const std::string listing = JobListing(test::ReadFileBytes(out), lengths);
    const std::string expected = test::ReadFileBytes(dir / "square.lst");
    EXPECT_EQ(listing, expected) << listing;
}

}  // namespace
}  // namespace vellisk
