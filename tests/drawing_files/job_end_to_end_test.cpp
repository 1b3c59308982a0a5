// A drawing read from its file and written as a machine job; the decoded job is compared with
// the listing kept beside the drawing.
#include <gtest/gtest.h>

#include "drawing_files/gcode_reader.h"
#include "drawing_files/job_decoder.h"
#include "drawing_files/job_writer.h"
#include "job_test_support.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

TEST(JobEndToEndTest, GcodeProgramBecomesTheExpectedJob) {
    const auto dir = test::ProjectTestData("jobs");
    GcodeReader reader(DrawingText::FromFile(dir / "pocket.nc"), GcodeLimits{12, 1000, 3000, 24000});
    std::vector<tfigura> figures;
    while (!reader.EndOfFile) {
        tfigura f;
        reader.ReadFigure(f);
        if (!f.ToolPath3D.empty()) figures.push_back(std::move(f));
    }
    ASSERT_FALSE(figures.empty());

    Settings settings;
    JobMachine machine = test::ParallelSet0();
    machine.GcodePower = reader.GcodePower;
    test::TempDir tmp;
    {
        FileJobSink sink(tmp / "out.cnx");
        JobWriter w(sink, machine, settings);
        w.OpenOutput(KindGcode, OutputGcodeStream);
        for (auto& f : figures) w.WriteFigure(f);
        w.CloseOutput();
        // The job stays within the program's extents: X and Y 0..10 mm, Z -1..20 mm.
        EXPECT_NEAR(w.JobExtentMin().X, 0.0, 0.02);
        EXPECT_NEAR(w.JobExtentMax().X, 10.0, 0.02);
        EXPECT_NEAR(w.JobExtentMin().Z, -1.0, 0.02);
        EXPECT_NEAR(w.JobExtentMax().Z, 20.0, 0.02);
    }
    const std::string listing = JobListing(test::ReadFileBytes(tmp / "out.cnx"), test::kOlderLengths);
    const std::string expected = test::ReadFileBytes(dir / "pocket.lst");
    EXPECT_EQ(listing, expected) << listing;
}

}  // namespace
}  // namespace vellisk
