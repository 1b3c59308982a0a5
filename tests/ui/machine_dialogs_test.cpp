// The machine dialogs' windows, offscreen, driven by real mouse and key events, against the
// simulated newer controller: what the operator does there reaches the controller.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "machine_operation/job_panel.h"
#include "machine_operation/ui/base_points_form.h"
#include "machine_operation/ui/move_form.h"
#include "machine_operation/ui/outputs_form.h"
#include "machine_operation/ui/tool_length_form.h"
#include "settings/ui/flt_edit.h"
#include "machine_operation/dialog_rig.h"
#include "support/test_support.h"
#include "ui/typing.h"

using namespace vellisk;

namespace {

struct Rig : test::DialogRig {
    Rig() {
        UseUsb();
        ctx.PlotParams.StepsX = ctx.PlotParams.StepsY = ctx.PlotParams.StepsZ = 1.0;
        ctx.PlotParams.Multiplier = 1;
    }
};

struct PanelTimer : JobPanel {
    int stops = 0, starts = 0;
    void Hold() override {}
    void Continue() override {}
    void EnableMotionControls(bool) override {}
    void EnableSpeedPower(bool) override {}
    void StopTimer() override { ++stops; }
    void StartTimer() override { ++starts; }
    void RefreshStatus() override {}
};

TEST(MachineDialogsUi, MoveDialogExecutesTheTypedDeltaAndATestEndsOnAKey) {
    Rig r;
    PanelTimer panel;
    ui::Tprzesun dlg(r.layer, r.env, r.settings, &panel);
    dlg.show();
    test::Type(dlg.DeltaX(), "12");
    QTest::mouseClick(dlg.WithoutZ(), Qt::LeftButton);  // Z too
    test::Type(dlg.DeltaZ(), "1");
    QTest::mouseClick(dlg.ExecuteButton(), Qt::LeftButton);
    ASSERT_EQ(r.model.Received(LinkKind::Usb).size(), 1u);
    EXPECT_EQ(r.model.Received(LinkKind::Usb)[0], EncodeMoveCommandEx(1, 1200, 0, 0, 65535).Bytes)
        << "Z is limited by the base Z of 0";
    EXPECT_EQ(dlg.result(), QDialog::Accepted);

    // The motion test runs until a key; the key ends it and is not passed on.
    dlg.show();
    r.model.log.clear();
    r.model.onCommand = [&](const sim::ReceivedCommand&) {
        if (r.model.log.size() == 1)
            QCoreApplication::postEvent(&dlg, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
    };
    QTest::mouseClick(dlg.TestButton(), Qt::LeftButton);
    EXPECT_EQ(r.model.Received(LinkKind::Usb).size(), 2u);
    EXPECT_EQ(panel.stops, 2);
    EXPECT_EQ(panel.starts, 2);
}

TEST(MachineDialogsUi, ToolLengthOkSendsTheTypedDistanceAndLaserHidesTheButtons) {
    Rig r;
    ui::TdlugoscForm dlg(r.layer, r.env, r.settings, nullptr);
    dlg.show();
    EXPECT_TRUE(dlg.MiddlePanel()->isVisible());
    test::Type(dlg.Tool(), "25.5");
    QTest::mouseClick(dlg.OkButton(), Qt::LeftButton);
    EXPECT_EQ(r.ctx.PlotState.BaseZ, 2550);
    EXPECT_EQ(r.model.Received(LinkKind::Usb), std::vector<std::string>{"N" + IntToBytes4(2550)});
    dlg.hide();
    r.ctx.PlotParams.Laser = 1;
    dlg.show();
    EXPECT_FALSE(dlg.MiddlePanel()->isVisible());
}

TEST(MachineDialogsUi, BasePointsAddCopyAndKeepTheFile) {
    Rig r;
    double x = 0;
    {
        ui::TPunkty_bazowe dlg(r.layer, r.env);
        dlg.show();
        test::Type(dlg.Pbx(), "150");
        test::Type(dlg.Remark(), "vice");
        QTest::mouseClick(dlg.AddButton(), Qt::LeftButton);
        EXPECT_EQ(dlg.List()->count(), 2);
        EXPECT_TRUE(dlg.CopyButton()->isEnabled());
        test::Type(dlg.Pbx(), "1");
        QTest::mouseClick(dlg.CopyButton(), Qt::LeftButton);
        x = dlg.Pbx()->Value();
        QTest::mouseClick(dlg.SetButton(), Qt::LeftButton);
        EXPECT_EQ(dlg.X(), 150);
    }
    EXPECT_EQ(x, 150);
    const std::string text = test::ReadFileBytes(r.dir / "base.txt");
    EXPECT_NE(text.find("vice\r\n"), std::string::npos);
}

TEST(MachineDialogsUi, OutputsCheckBoxClickSendsTheOutputCommand) {
    Rig r;
    r.ctx.ModelCode = "NKV";
    r.model.outputByte = 0x40;
    ui::TWyjsciaForm dlg(r.layer, r.env);
    dlg.show();
    ASSERT_TRUE(dlg.Oil()->isEnabled());
    QTest::mouseClick(dlg.Oil(), Qt::LeftButton);
    EXPECT_EQ(r.model.Received(LinkKind::Usb), std::vector<std::string>{std::string("R\x00\xC0", 3)});
}

}  // namespace
