// The layer dialog, the project information form and the hatching dialog, opened through the
// entries the main frame calls and driven by keys and clicks: what reached the project.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "../drawing_window/project_test_support.h"
#include "drawing_window/project.h"
#include "drawing_window/ui/hatching_form.h"
#include "drawing_window/ui/info_form.h"
#include "drawing_window/ui/layers_form.h"
#include "machine_link/machine_context.h"
#include "settings/settings.h"
#include "settings/ui/flt_edit.h"
#include "support/test_support.h"
#include "ui/typing.h"

using namespace vellisk;

namespace {

// Runs `act` on the modal dialog of type D once it is shown.
template <typename D, typename F>
void WhenShown(F act) {
    QTimer::singleShot(0, [act] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        act(*d);
    });
}

using DrawingDialogs = test::ProjectFixture;

TEST_F(DrawingDialogs, LayersTypedDepthAndDoubleClickReachTheProjectOnOk) {
    settings.SetChoice("ProjektType", 1);
    env.LengthUnit = kUnitInch;
    Load({test::Rect(0, 0, 400, 400, 1), test::Rect(800, 0, 1200, 400, 2), test::Rect(1600, 0, 2000, 400, 3)},
         KindHpgl);
    project->Layers->SetLayer(1, {1, 0, 0, 2.54, 0, 1});
    project->Layers->SetLayer(3, {3, 0, 0, 1.5, 0, 1});
    WhenShown<ui::TfWarstwy>([](ui::TfWarstwy& d) {
        EXPECT_EQ(d.Grid()->rowCount(), 3);
        EXPECT_EQ(d.Grid()->item(0, 1)->text(), "0.100");
        EXPECT_EQ(d.ColourPanel()->text(), "Layer 1");
        test::Type(d.DepthEdit(), "0.2");
        QTest::keyClick(d.DepthEdit(), Qt::Key_Return);  // on to the enabled box
        EXPECT_EQ(d.focusWidget(), d.EnabledBox());
        QTest::mouseClick(d.ApplyButton(), Qt::LeftButton);  // row 1 written, row 2 loaded
        EXPECT_EQ(d.ColourPanel()->text(), "Layer 2");
        const QRect cell = d.Grid()->visualItemRect(d.Grid()->item(1, 1));
        QTest::mouseClick(d.Grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(d.Grid()->viewport(), Qt::LeftButton, {}, cell.center());
        EXPECT_TRUE(d.Grid()->item(1, 1)->font().strikeOut());
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(ui::ShowLayersDialog(*project, settings, ctx, env, notifier));
    EXPECT_DOUBLE_EQ(project->Layers->GetDepth(1), 0.2 * 25.4);
    EXPECT_FALSE(project->Layers->IsActive(2));
    EXPECT_EQ(project->Layers->GetDepth(3), 1.5);  // untouched: exact
    for (const auto& f : project->Figures) EXPECT_EQ(f->ToCut, f->Layer != 2);

    WhenShown<ui::TfWarstwy>([](ui::TfWarstwy& d) {
        test::Type(d.DepthEdit(), "0.5");
        QTest::mouseClick(d.ApplyButton(), Qt::LeftButton);
        QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(ui::ShowLayersDialog(*project, settings, ctx, env, notifier));
    EXPECT_DOUBLE_EQ(project->Layers->GetDepth(1), 0.2 * 25.4);
}

TEST_F(DrawingDialogs, InformationFormShowsTheProjectsNumbers) {
    Load({test::Rect(0, 0, 20000, 10000)}, KindDxf);
    settings.SetNumber("skala", 50);
    WhenShown<ui::Tinfoform>([](ui::Tinfoform& d) {
        EXPECT_EQ(d.Value("fname")->text(), "d.dxf");
        EXPECT_EQ(d.Value("konfigname")->text(), "Settings.vks");
        EXPECT_EQ(d.Value("szerokosc")->text(), "100.00 mm");
        EXPECT_EQ(d.Value("wysokosc")->text(), "50.00 mm");
        EXPECT_EQ(d.Value("skala")->text(), "50.00%");
        EXPECT_TRUE(d.Value("total_time")->text().endsWith(" min"));
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    ui::ShowInfoForm(*project, settings, env, "d.dxf", "Settings.vks");
}

TEST_F(DrawingDialogs, HatchingRefusesSpacingZeroThenHatchesOnOk) {
    settings.SetFlag("doOutline", false);
    Load({test::Rect(0, 0, 400, 400)}, KindHpgl);
    WhenShown<ui::TFormKreski>([this](ui::TFormKreski& d) {
        test::Type(d.Odstep(), "0");
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());  // refused: the dialog stays
        EXPECT_EQ(notifier.messages.size(), 1u);
        test::Type(d.Odstep(), "1");
        test::Type(d.Kat(), "0");
        QTest::mouseClick(d.WytnijObrys(), Qt::LeftButton);
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(ui::ShowHatchingDialog(*project, settings, env, jobValues, notifier));
    EXPECT_EQ(project->Count(), 11);
    EXPECT_TRUE(project->Figure(0).ToCut);  // the outline is cut too
    EXPECT_TRUE(jobValues.HatchingDone);
    tfigura room;
    for (std::int32_t i = 1; i < project->Count(); ++i) EXPECT_EQ(project->View(i, room).Contour[0].Y, 40.0 * i);
    // The next showing offers the last choices.
    WhenShown<ui::TFormKreski>([](ui::TFormKreski& d) {
        EXPECT_DOUBLE_EQ(d.Odstep()->Value(), 1.0);
        EXPECT_DOUBLE_EQ(d.Kat()->Value(), 0.0);
        EXPECT_TRUE(d.WytnijObrys()->isChecked());
        QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
    });
    EXPECT_FALSE(ui::ShowHatchingDialog(*project, settings, env, jobValues, notifier));
    EXPECT_EQ(project->Count(), 11);
}

}  // namespace
