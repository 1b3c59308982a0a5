// HPGL export: the lines written for each figure's three paths with the pen rules, and a DXF
// project exported and read back at its true size.
#include <gtest/gtest.h>

#include "drawing_files/job_sink.h"
#include "drawing_files/job_writer.h"
#include "drawing_window/project_io.h"
#include "machine_link/machine_context.h"
#include "model/geometry.h"
#include "project_test_support.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

tfigura Figure(std::int32_t layer, std::vector<tpunkt> contour, std::vector<tpunkt> cut, std::vector<tpunkt> tool) {
    tfigura f;
    f.Layer = layer;
    f.Contour = std::move(contour);
    f.CutPath = test::PlanPoints(cut);
    f.ToolPath3D = std::move(tool);
    return f;
}

// A small project: a closed figure of pen 2 with a repeated cutting-path point and a half unit,
// an open figure of the same pen without a cutting path, a figure of pen 3 without a contour
// and a figure drawn before any pen was chosen (pen 0).
std::vector<tfigura> SmallProject() {
    std::vector<tfigura> v;
    v.push_back(Figure(2, {{0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 0, 0}},
                       {{10, 10, 0}, {10, 10, 0}, {90, 10, 0}, {90, 90.5, 0}}, {{10, 10, -5}, {90, 10, -5}}));
    v.push_back(Figure(2, {{200, 0, 0}, {300, 0, 0}}, {{200, 0, 0}}, {{200, 0, 0}, {300, 0, -1}}));
    v.push_back(Figure(3, {{7, 7, 0}}, {{0, 0, 0}, {1, 1, 0}}, {}));
    v.push_back(Figure(0, {{5, 5, 0}, {6, 6, 0}}, {{5, 5, 0}, {7, 7, 0}}, {}));
    return v;
}

std::string Export(std::vector<tfigura> figures, int kind, bool allInOneLayer) {
    Settings settings;
    settings.SetFlag("WszystkieWjednej", allInOneLayer);
    JobMachine machine;
    MemoryJobSink sink;
    JobWriter w(sink, machine, settings);
    w.OpenOutput(kind, OutputHpgl);
    w.WriteLayerSettings(500, 50, 10);  // nothing in an HPGL file
    for (auto& f : figures) w.WriteFigure(f);
    w.CloseOutput();
    return sink.data;
}

TEST(HpglExport, SmallProjectLineByLine) {
    const std::string common =
        "SP 2;\r\n"
        "PA 0,0;\r\nPD 100,0;\r\nPD 100,100;\r\nPD 0,0;\r\nPU;\r\n"
        "PA 10,10;\r\nPD 90,10;\r\nPD 90,90;\r\nPU;\r\n"
        "PA 10,10;\r\nPD 90,10;\r\nPU;\r\n"
        "PA 200,0;\r\nPD 300,0;\r\nPU;\r\n"
        "PA 200,0;\r\nPD 300,0;\r\nPU;\r\n";
    const std::string pen0 =
        "SP 0;\r\nPA 5,5;\r\nPD 6,6;\r\nPU;\r\n"
        "SP 0;\r\nPA 5,5;\r\nPD 7,7;\r\nPU;\r\n";
    EXPECT_EQ(Export(SmallProject(), KindHpgl, false), common + "SP 3;\r\nPA 0,0;\r\nPD 1,1;\r\nPU;\r\n" + pen0);
    // All figures in one layer: the cutting path of the new pen goes on under the old one.
    EXPECT_EQ(Export(SmallProject(), KindHpgl, true), common + "PA 0,0;\r\nPD 1,1;\r\nPU;\r\n" + pen0);
    EXPECT_EQ(Export({}, KindHpgl, false), "");
}

TEST(HpglExport, DrawingUnitsOfDxfBecomePlotterUnits) {
    std::vector<tfigura> v;
    v.push_back(Figure(5, {{-1000, 250, 0}, {1.25, 3.75, 0}}, {}, {}));
    EXPECT_EQ(Export(std::move(v), KindDxf, false), "SP 5;\r\nPA -400,100;\r\nPD 0,2;\r\nPU;\r\n");
}

TEST(HpglExport, ExportedDxfProjectReadsBackAtItsTrueSize) {
    test::TempDir dir;
    Settings settings;
    settings.SetFlag("doOutline", false);
    settings.SetFlag("Auto_kolejnosc", false);
    test::MachineRig machine;
    machine.env.Lang.Language = kLangEnglish;
    test::RecordingNotifier notifier;
    Project dxf(KindDxf, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    test::ListInput input({test::Rect(0, 0, 10000, 5000), test::Rect(2000, 1000, 3000, 2000)});
    ASSERT_EQ(dxf.Load("d.dxf", input).status, LoadStatus::Ok);
    const auto plt = (dir / "d.plt").string();
    JobFileWriter writer(machine.ctx, machine.jobValues, settings, OutputHpgl);
    dxf.Save(plt, 0, dxf.Count() - 1, writer);

    Project back(KindHpgl, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    auto reader = MakeDrawingInput(machine.ctx, settings);
    ASSERT_EQ(back.Load(plt, *reader).status, LoadStatus::Ok);
    EXPECT_DOUBLE_EQ(UnitsToMm(KindHpgl, back.ProjectWidth), 100.0);
    EXPECT_DOUBLE_EQ(UnitsToMm(KindHpgl, back.ProjectHeight), 50.0);
    EXPECT_NE(test::ReadFileBytes(plt).find("PD 4000,0;\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vellisk
