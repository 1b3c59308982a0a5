// A drawing read from its file and written as a machine job; the decoded job is compared with
// the listing kept beside the drawing.
#include <gtest/gtest.h>

#include "drawing_files/gcode_reader.h"
#include "drawing_files/job_decoder.h"
#include "drawing_files/job_writer.h"
#include "job_test_support.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

TEST(JobEndToEndTest, GcodeProgramBecomesTheExpectedJob) {
    const auto dir = test::ProjectTestData("jobs");
    test::TempDir tmp;
    tpunkt min, max;
    const std::string job = test::WritePocketJob(test::ParallelSet0(), tmp / "out.cnx", &min, &max);
    // The job stays within the program's extents: X and Y 0..10 mm, Z -1..20 mm.
    EXPECT_NEAR(min.X, 0.0, 0.02);
    EXPECT_NEAR(max.X, 10.0, 0.02);
    EXPECT_NEAR(min.Z, -1.0, 0.02);
    EXPECT_NEAR(max.Z, 20.0, 0.02);
    const std::string listing = JobListing(job, test::kOlderLengths);
    const std::string expected = test::ReadFileBytes(dir / "pocket.lst");
    EXPECT_EQ(listing, expected) << listing;
}

}  // namespace
}  // namespace vellisk

#include "drawing_files/dxf_reader.h"
#include "drawing_window/tool_path.h"
#include "platform/notifier.h"

namespace vellisk {
namespace {

// A DXF plate (a 20 x 10 mm rectangle and a circle beside it) read, given its tool paths and
// written as the job of model set 0 on the parallel port.
TEST(JobEndToEndTest, DxfDrawingPreparedAndWritten) {
    const auto dir = test::ProjectTestData("jobs");
    DxfReader reader(DrawingText::FromFile(dir / "plate.dxf"));
    std::vector<tfigura> figures;
    while (!reader.EndOfFile) {
        tfigura f;
        reader.ReadFigure(f);
        if (!f.Contour.empty()) figures.push_back(std::move(f));
    }
    ASSERT_EQ(figures.size(), 2u);
    std::vector<tfigura*> order;
    for (auto& f : figures) {
        f.ToCut = true;
        // The sense of each closed contour, as the load finds it (no nesting here: both are
        // outer contours).
        double area = 0;
        for (std::size_t i = 0; i + 1 < f.Contour.size(); ++i)
            area += f.Contour[i].X * f.Contour[i + 1].Y - f.Contour[i + 1].X * f.Contour[i].Y;
        f.Direction = area > 0 ? -1 : 1;
        order.push_back(&f);
    }
    Settings settings;
    ToolPathMachine prep;
    prep.kind = KindDxf;
    ToolPathWindow window;
    SilentNotifier notifier;
    AddOutline(order, window, settings, prep, notifier);
    for (auto* f : order) {
        MakeToolPath3D(f->ToolPath3D, *f, window.Recipe);
        ASSERT_GE(f->ToolPath3D.size(), 2u);
    }

    JobMachine machine = test::ParallelSet0();
    machine.JobStartZ = window.JobStartZ;
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindDxf, OutputStream);
    for (auto* f : order) w.WriteFigure(*f);
    w.CloseOutput();
    // The tool runs around the outside of the plate: its extents reach past it by the radius.
    EXPECT_LT(w.JobExtentMin().X, 0.0);
    EXPECT_GT(w.JobExtentMax().X, 33.0);
    EXPECT_NEAR(w.JobExtentMax().Z, 15.5, 0.01);
    const std::string listing = JobListing(sink.data, test::kOlderLengths);
    EXPECT_EQ(listing, test::ReadFileBytes(dir / "plate.lst"));
}

}  // namespace
}  // namespace vellisk

#include "drawing_files/job_machine_context.h"
#include "machine_link/commands.h"
#include "machine_link/machine_context.h"

namespace vellisk {
namespace {

// The job of an empty drawing for the machine in force at start-up (model set 0 on the
// parallel port) with the default settings: 61 bytes; its results are kept for the job start.
TEST(JobEndToEndTest, EmptyJobOfTheStartUpMachine) {
    test::MachineRig rig;
    Settings settings;
    JobMachine machine = JobMachineOf(rig.ctx, rig.jobValues);
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(KindHpgl, OutputStream);
    w.CloseOutput();
    EXPECT_EQ(sink.data.size(), 61u);
    EXPECT_EQ(JobListing(sink.data, rig.ctx.CommandLengths.Entries()).substr(0, 25), "v 0 267\nv 1 533\nv 3 1333\n");
    StoreJobResults(rig.jobValues, w);
    EXPECT_DOUBLE_EQ(rig.jobValues.StreamStartZ, 15.5);
    EXPECT_NEAR(rig.jobValues.ExtentMax[2], 15.5, 0.001);  // the empty park move still counts
    EXPECT_DOUBLE_EQ(rig.jobValues.ExtentMax[0], 0.0);
}

}  // namespace
}  // namespace vellisk
