// The layer dialog's rows (display unit, apply and next, toggle, OK and cancel) and the project
// information form's numbers (size, lengths, time; bitmap totals; no line pitch).
#include <gtest/gtest.h>

#include "drawing_window/layer_dialog.h"
#include "drawing_window/project_info.h"
#include "machine_link/machine_context.h"
#include "project_test_support.h"
#include "settings/settings.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using test::Rect;

tWarstwy ThreeLayers() {
    tfigura a, b, c;
    a.Layer = 1;
    b.Layer = 2;
    c.Layer = 5;
    tfigura* figs[] = {&a, &b, &c};
    tWarstwy t(figs, KindHpgl, 0.0, 700, false);
    t.SetLayer(1, {1, 0, 0, 2.54, 700, 1});
    t.SetLayer(2, {2, 0, 0, 1.5, 800, 1});
    t.SetLayer(5, {5, 0, 0, 0.3, 900, 1});
    return t;
}

struct RecordingView : LayersView {
    void ShowRow(std::int32_t row) override { shown.push_back(row); }
    void LoadEditors(std::int32_t row, const LayerEditors& e) override {
        loaded.push_back(row);
        editors = e;
    }
    std::vector<std::int32_t> shown, loaded;
    LayerEditors editors;
};

TEST(LayersDialogTest, InchesShowTheDepthAndUntouchedRowsKeepTheirExactValues) {
    test::MachineRig machine;
    machine.env.Lang.Language = kLangEnglish;
    tWarstwy table = ThreeLayers();
    LayersDialog dlg(table, false, 1000, kUnitInch, 3, machine.env);
    RecordingView view;
    dlg.SetView(&view);
    ASSERT_EQ(dlg.Rows().size(), 3u);
    EXPECT_EQ(dlg.Rows()[0].ValueText, "0.100");
    EXPECT_EQ(dlg.Rows()[1].ValueText, "0.059");
    EXPECT_EQ(dlg.Headers(), (std::vector<std::string>{"Layers", "Depth [in]"}));
    dlg.Select(0);
    EXPECT_EQ(view.editors.Value, 2.54);
    EXPECT_EQ(dlg.RowCaption(0), "Layer 1");
    dlg.Apply(view.editors);  // applied unchanged: moves on to the next row
    EXPECT_EQ(dlg.Current(), 1);
    dlg.Ok();
    EXPECT_EQ(table.GetDepth(1), 2.54);
    EXPECT_EQ(table.GetDepth(2), 1.5);  // not 0.059 in
    EXPECT_EQ(table.GetSpeed(2), 800);  // a milling layer keeps its speed
}

TEST(LayersDialogTest, ApplyToggleLastRowAndCancel) {
    test::MachineRig machine;
    tWarstwy table = ThreeLayers();
    {
        LayersDialog dlg(table, false, 1000, kUnitMm, 2, machine.env);
        RecordingView view;
        dlg.SetView(&view);
        dlg.Select(0);
        dlg.Apply({4.0, 0, true});
        dlg.ToggleAndApply(view.editors);  // row 2 switched off
        EXPECT_FALSE(dlg.Rows()[1].Active);
        EXPECT_EQ(dlg.Current(), 2);
        dlg.Apply({1.25, 0, true});
        EXPECT_EQ(dlg.Current(), 2);  // the last row stays
        EXPECT_EQ(dlg.Rows()[0].ValueText, "4.00");
        // Cancel: the dialog goes without OK
    }
    EXPECT_EQ(table.GetDepth(1), 2.54);
    EXPECT_TRUE(table.IsActive(2));
    LayersDialog dlg(table, false, 1000, kUnitMm, 2, machine.env);
    dlg.Select(1);
    dlg.ToggleAndApply({1.5, 0, true});
    dlg.Ok();
    EXPECT_FALSE(table.IsActive(2));
    EXPECT_EQ(LayersDialog::TextColour(MakeRgb(255, 0, 16)), MakeRgb(0, 255, 239));
}

TEST(LayersDialogTest, LaserPowerInPercentSpeedInTheUnitAndWholeOnOk) {
    test::MachineRig machine;
    machine.env.Lang.Language = kLangEnglish;
    tWarstwy table = ThreeLayers();
    LayersDialog dlg(table, true, 1000, kUnitInch, 3, machine.env);
    EXPECT_EQ(dlg.Rows()[0].ValueText, "2.540");  // percent, with the unit's decimals
    EXPECT_EQ(dlg.Rows()[0].SpeedText, "27.559");
    EXPECT_EQ(dlg.Headers()[2], "Speed [in/min]");
    dlg.Select(0);
    dlg.Apply({55.0, 612.6, true});
    dlg.Ok();
    EXPECT_EQ(table.GetPower(1), 55.0);
    EXPECT_EQ(table.GetSpeed(1), 613);
    EXPECT_EQ(table.GetSpeed(2), 800);
}

TEST(LayersDialogTest, AfterOkFiguresOfInactiveLayersAreNotCut) {
    Settings settings;
    settings.SetChoice("ProjektType", 1);
    test::MachineRig machine;
    test::RecordingNotifier notifier;
    Project p(KindHpgl, settings, machine.ctx, machine.env, machine.jobValues, notifier);
    test::ListInput input({Rect(0, 0, 100, 100, 1), Rect(200, 0, 300, 100, 2)});
    ASSERT_EQ(p.Load("d", input).status, LoadStatus::Ok);
    LayersDialog dlg(*p.Layers, false, 1000, kUnitMm, 2, machine.env);
    dlg.Select(1);
    dlg.ToggleAndApply({1.0, 0, true});
    dlg.Ok();
    AfterLayersDialog(p);
    for (const auto& f : p.Figures) EXPECT_EQ(f->ToCut, f->Layer == 1);
}

class ProjectInfoTest : public test::ProjectFixture {
protected:
    ProjectInfo Info() { return ComputeProjectInfo(*project, settings, env, "d.dxf", "Settings.vks"); }
};

TEST_F(ProjectInfoTest, SizeFollowsTheScale) {
    env.Lang.Language = kLangEnglish;
    Load({Rect(0, 0, 20000, 10000)}, KindDxf);
    auto info = Info();
    EXPECT_EQ(info.Width, "200.00 mm");
    EXPECT_EQ(info.Height, "100.00 mm");
    EXPECT_EQ(info.Scale, "100.00%");
    EXPECT_EQ(info.Diameter, "3.00 mm");
    EXPECT_EQ(info.FileName, "d.dxf");
    settings.SetNumber("skala", 50);
    info = Info();
    EXPECT_EQ(info.Width, "100.00 mm");
    EXPECT_EQ(info.Height, "50.00 mm");
    env.LengthUnit = kUnitInch;
    EXPECT_EQ(Info().Width, "3.94 in");
}

TEST_F(ProjectInfoTest, TimeEstimateOfTenFigures) {
    std::vector<test::FigureSpec> figs;
    for (int i = 0; i < 10; ++i) figs.push_back(Rect(i * 200, 0, i * 200 + 100, 100));
    Load(figs, KindHpgl);
    project->TotalCutLength = 1000;
    project->TotalPolishLength = 0;
    project->TotalRapidLength = 2000;
    settings.SetNumber("Glebokosc", 2);
    settings.SetNumber("WorkSpeed", 1000);
    settings.SetNumber("nadmat", 5);
    settings.SetNumber("przespeed", 1000);
    const auto info = Info();
    EXPECT_DOUBLE_EQ(info.Minutes, 4.0);
    EXPECT_EQ(info.Time, "4 min");
    EXPECT_EQ(info.Cutting, "1000.00 mm");
    EXPECT_EQ(info.Displacement, "2000.00 mm");
}

TEST_F(ProjectInfoTest, BitmapTotalsAndNoLinePitch) {
    project = std::make_unique<Project>(KindBitmap, settings, ctx, env, jobValues, notifier);
    project->ProjectWidth = 30;
    project->ProjectHeight = 40;
    settings.SetNumber("BMPKrok", 0.2);
    settings.SetFlag("Jednokierukowo", true);
    auto info = Info();
    EXPECT_EQ(info.Cutting, "6000.00 mm");
    EXPECT_EQ(info.Displacement, "6080.00 mm");
    EXPECT_DOUBLE_EQ(project->TotalRapidLength, 6080);
    EXPECT_EQ(info.Diameter, "0");
    settings.SetFlag("Jednokierukowo", false);
    EXPECT_EQ(Info().Displacement, "80.00 mm");
    settings.SetNumber("BMPKrok", 0);
    project->TotalCutLength = project->TotalRapidLength = 0;
    info = Info();
    EXPECT_FALSE(info.Available);
    EXPECT_EQ(info.Time, LangText(TextId::InfoNotAvailable, env.Lang.Language));
    EXPECT_EQ(project->TotalCutLength, 0.0);
    EXPECT_EQ(FormatFixedPrecision(123456789.0, 7, 2), "1.234568E+008");
}

}  // namespace
}  // namespace vellisk
