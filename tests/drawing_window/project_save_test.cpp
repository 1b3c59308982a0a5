// Saving a project: which figures go to the writer, in which order, with which layer settings;
// and a loaded drawing written as the machine job through the real writer.
#include <gtest/gtest.h>

#include "drawing_files/job_decoder.h"
#include "drawing_files/job_writer.h"
#include "drawing_window/project_io.h"
#include "machine_link/machine_context.h"
#include "project_test_support.h"
#include "settings/settings.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using test::RecordingWriter;
using test::Rect;
using Calls = std::vector<std::string>;

class ProjectSave : public test::ProjectFixture {
protected:
    void SetUp() override { settings.SetFlag("Auto_kolejnosc", false); }

    RecordingWriter w;
};

TEST_F(ProjectSave, SingleFigureWhateverItsFlagsRangeSkipsFiguresNotToCut) {
    Load({Rect(0, 0, 10, 10), Rect(20, 0, 30, 10), Rect(40, 0, 50, 10), Rect(60, 0, 70, 10), Rect(80, 0, 90, 10)});
    project->Figure(3).ToCut = false;
    project->Save("out.cnx", 3, 3, w);
    EXPECT_EQ(w.calls, (Calls{"open out.cnx 1", "figure 3", "close"}));
    w.calls.clear();
    project->Save("out.cnx", 0, 4, w);
    EXPECT_EQ(w.calls, (Calls{"open out.cnx 1", "figure 0", "figure 1", "figure 2", "figure 4", "close"}));
    w.calls.clear();
    project->Save("out.cnx", 3, 2, w);  // an empty range writes header and trailer only
    EXPECT_EQ(w.calls, (Calls{"open out.cnx 1", "close"}));
    EXPECT_THROW(project->Save("out.cnx", 3, 9, w), CoreError);
    EXPECT_EQ(notifier.busyDepth, 0);
}

TEST_F(ProjectSave, FrameLeftOutOnlyWhenAsked) {
    settings.SetFlag("Auto_kierunek", true);
    Load({Rect(0, 0, 1000, 1000), Rect(10, 10, 20, 20), Rect(100, 100, 200, 200)});
    ASSERT_TRUE(project->HasFrame);
    project->Save("out.cnx", 0, 2, w);
    EXPECT_EQ(w.calls.size(), 5u);
    w.calls.clear();
    settings.SetFlag("bezramki", true);
    project->Save("out.cnx", 0, 2, w);
    EXPECT_EQ(w.calls, (Calls{"open out.cnx 1", "figure 1", "figure 2", "close"}));
}

TEST_F(ProjectSave, WholeOneFigureProjectHonoursItsFlags) {
    Load({Rect(0, 0, 10, 10)});
    project->Figure(0).ToCut = false;
    project->Save("out.cnx", 0, project->Count() - 1, w);
    EXPECT_EQ(w.calls, (Calls{"open out.cnx 1", "close"}));
    // Asked for by selection, it is written.
    w.calls.clear();
    project->SelectedFigure = 0;
    EXPECT_TRUE(project->Save_selected("sel.plt", w));
    EXPECT_EQ(w.calls, (Calls{"open sel.plt 1", "figure 0", "close"}));
}

TEST_F(ProjectSave, SelectionSaves) {
    Load({Rect(0, 0, 10, 10), Rect(20, 0, 30, 10), Rect(40, 0, 50, 10)});
    EXPECT_FALSE(project->Save_selected("a", w));
    EXPECT_FALSE(project->Save_from_selected("a", w));
    EXPECT_TRUE(w.calls.empty());
    project->SelectedFigure = 1;
    project->Figure(2).ToCut = false;
    EXPECT_TRUE(project->Save_from_selected("a", w));
    EXPECT_EQ(w.calls, (Calls{"open a 1", "figure 1", "close"}));
}

TEST_F(ProjectSave, LaserLayerSettingsBeforeEveryWrittenFigure) {
    ctx.PlotParams.Laser = 1;
    settings.SetChoice("ProjektType", 1);
    settings.SetNumber("work_power", 60);
    settings.SetNumber("WorkSpeed", 300);
    settings.SetFlag("LaserMiekkiStart", true);
    settings.SetNumber("SpoczynkowaMocLasera", 7);
    Load({Rect(0, 0, 10, 10, 1), Rect(20, 0, 30, 10, 1), Rect(40, 0, 50, 10, 2)});
    TLayerRecord r = project->Layers->GetLayerList()[1];
    r.Value = 25;
    r.Speed = 900;
    project->Layers->SetLayer(2, r);
    project->Figure(1).ToCut = false;
    project->Save("out.cnx", 0, 2, w);
    EXPECT_EQ(w.calls, (Calls{"open out.cnx 1", "layer 300 60 7", "figure 0", "layer 900 25 7", "figure 2", "close"}));
}

TEST_F(ProjectSave, LayerProjectChosenAfterLoadingFindsATable) {
    ctx.PlotParams.Laser = 1;
    Load({Rect(0, 0, 10, 10, 4)});
    settings.SetChoice("ProjektType", 1);
    project->SelectedFigure = 0;
    EXPECT_TRUE(project->Save_selected("a", w));
    EXPECT_EQ(w.calls[1], "layer 500 100 0");
}

TEST_F(ProjectSave, GcodeFiguresAreAllWritten) {
    Load({Rect(0, 0, 10, 10), Rect(20, 0, 30, 10)}, KindGcode);
    project->Figure(0).ToCut = false;
    project->Save("out.cnx", 0, 1, w);
    EXPECT_EQ(w.calls, (Calls{"open out.cnx 3", "figure 0", "figure 1", "close"}));
}

TEST_F(ProjectSave, WriterFailureRestoresTheCursorAndStatus) {
    Load({Rect(0, 0, 10, 10), Rect(20, 0, 30, 10)});
    w.failOnFigure = true;
    EXPECT_THROW(project->Save("out.cnx", 0, 1, w), CoreError);
    EXPECT_EQ(notifier.busyDepth, 0);
    EXPECT_EQ(notifier.statuses.back(), "");
}

// A DXF plate loaded through the program's reader, prepared and written as "out.cnx".
TEST_F(ProjectSave, LoadedDrawingBecomesTheMachineJob) {
    const auto drawing = test::ProjectTestData("jobs") / "plate.dxf";
    settings.SetFlag("Auto_kolejnosc", true);
    Project p(KindDxf, settings, ctx, env, jobValues, notifier);
    auto input = MakeDrawingInput(ctx, settings);
    ASSERT_EQ(p.Load(drawing.string(), *input).status, LoadStatus::Ok);
    ASSERT_EQ(p.Count(), 2);
    test::TempDir tmp;
    JobFileWriter writer(ctx, jobValues, settings, OutputStream);
    p.Save((tmp / "out.cnx").string(), 0, p.Count() - 1, writer);
    const std::string bytes = test::ReadFileBytes(tmp / "out.cnx");
    EXPECT_GT(bytes.size(), 61u);
    const std::string listing = JobListing(bytes, ctx.CommandLengths.Entries());
    EXPECT_EQ(listing.substr(0, 25), "v 0 267\nv 1 533\nv 3 1333\n");
    // The tool goes round the outside of the plate.
    EXPECT_LT(jobValues.ExtentMin[0], 0.0);
    EXPECT_GT(jobValues.ExtentMax[0], 33.0);
}

}  // namespace
}  // namespace vellisk
