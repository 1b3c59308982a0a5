#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QWheelEvent>
#include <filesystem>

#include "machine_link/machine_context.h"
#include "machine_link/machine_params.h"
#include "settings/config_dialog.h"
#include "settings/settings.h"
#include "settings/ui/dlgkonfig.h"
#include "settings/ui/flt_edit.h"
#include "settings/ui/numpad_form.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

// Types text into a field the way the keyboard does, replacing what it showed.
void Type(QWidget* field, const QString& text) {
    field->findChild<QLineEdit*>()->selectAll();
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
    }
}

QString Shown(QWidget* field) { return field->findChild<QLineEdit*>()->text(); }

class SettingsDialogTest : public ::testing::Test, public test::MachineRig {
protected:
    SettingsDialogTest() : here(dir.path()) {
        env.ProgramDir = dir.path();
        env.Lang.Language = kLangEnglish;
        core.DecimalSeparator = '.';
        core.Create();
    }
    test::TempDir dir;
    test::CurrentFolder here;
    Settings settings;
    test::RecordingNotifier notifier;
    ConfigDialog core{settings, ctx, env, jobValues, notifier};
};

}  // namespace

TEST_F(SettingsDialogTest, LengthTypedInInchesIsStoredInMillimetresOnOk) {
    ui::TDlgkonfig dlg(core);
    dlg.show();
    EXPECT_EQ(dlg.Pages()->tabText(0), "Import");
    EXPECT_EQ(dlg.findChild<QLabel*>("lSrednicaFreza")->text(), "&Fraise diameter");
    dlg.findChild<QRadioButton*>("rgJm_1")->click();
    EXPECT_EQ(settings.Choice("rgJm"), 1);
    EXPECT_EQ(dlg.findChild<QLabel*>("usrednica")->text(), "[in]");
    auto* edit = dlg.Edit("srednica");
    ASSERT_NE(edit, nullptr);
    const char sep = edit->DecimalSeparator();
    const QString point(QChar::fromLatin1(sep));
    EXPECT_TRUE(Shown(edit).startsWith("0" + point + "118110")) << Shown(edit).toStdString();  // 3 mm
    Type(edit, "0" + point + "5");
    EXPECT_EQ(Shown(edit), "0" + point + "5");
    Type(dlg.Edit("grubosc"), "1");
    dlg.findChild<QPushButton*>("Button1")->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_DOUBLE_EQ(settings.Number("srednica"), 12.7);
    EXPECT_DOUBLE_EQ(settings.Number("grubosc"), 25.4);
    EXPECT_EQ(settings.Number("nadmat"), 5);  // shown rounded in inches, never re-read
    EXPECT_DOUBLE_EQ(jobValues.StartZ, 0.5 + 25.4 + 5);
    const std::string file = test::ReadFileBytes(dir / "Settings.vks");
    EXPECT_NE(file.find("srednica := 12.7\r\n"), std::string::npos);
}

TEST_F(SettingsDialogTest, CancelLeavesTheSettingsUnchanged) {
    ui::TDlgkonfig dlg(core);
    dlg.show();
    Type(dlg.Edit("Glebokosc"), "7");
    dlg.findChild<QCheckBox*>("negatyw")->click();
    EXPECT_TRUE(settings.Flag("negatyw"));
    dlg.findChild<QPushButton*>("cancel")->click();
    EXPECT_EQ(settings.Number("Glebokosc"), 1.5);
    EXPECT_FALSE(settings.Flag("negatyw"));
    EXPECT_FALSE(dlg.findChild<QCheckBox*>("negatyw")->isChecked());
}

TEST_F(SettingsDialogTest, LayoutFollowsTheMachine) {
    ctx.PlotParams = ModelParamSets()[20];  // a laser
    ui::TDlgkonfig dlg(core);
    dlg.show();
    auto* pages = dlg.Pages();
    EXPECT_EQ(pages->tabText(3), "Cutting");
    EXPECT_FALSE(pages->isTabVisible(pages->indexOf(dlg.Control("wiercenie"))));
    EXPECT_TRUE(pages->isTabVisible(pages->indexOf(dlg.Control("TabSheetBMP"))));
    EXPECT_EQ(dlg.findChild<QCheckBox*>("doOutline")->text(), "Allow the &diameter of the laser beam");
    dlg.findChild<QRadioButton*>("ProjektType_1")->click();
    EXPECT_FALSE(dlg.Edit("WorkSpeed")->isEnabled());
    EXPECT_FALSE(dlg.findChild<QLabel*>("lWorkSpeed")->toolTip().isEmpty());
    dlg.findChild<QRadioButton*>("ProjektType_0")->click();
    EXPECT_TRUE(dlg.Edit("WorkSpeed")->isEnabled());
}

TEST_F(SettingsDialogTest, KeypadEntersAValueIntoAField) {
    ui::TDlgkonfig dlg(core);
    dlg.show();
    auto* edit = dlg.Edit("nadmat");
    QTimer::singleShot(0, [] {
        auto* pad = ui::TNumPadForm::Shared();
        for (const char* key : {"Button1", "Button2", "Buttonp", "Button5", "ButtonMinus", "ButtonMinus"})
            pad->Key(key)->click();
        EXPECT_EQ(pad->windowTitle(), pad->Text());
        pad->Key("ButtonCE")->click();
        pad->Key("Button7")->click();
        pad->Key("ButtonOK")->click();
    });
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 5), edit->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit, &dbl);
    // "-12.7" typed, limited to the field's range 0..120
    EXPECT_EQ(settings.Number("nadmat"), 0);
    settings.SetRange("nadmat", -40, 120);
    QTimer::singleShot(0, [] {
        auto* pad = ui::TNumPadForm::Shared();
        for (const char* key : {"Button1", "Button2", "Buttonp", "Button5", "ButtonOK"}) pad->Key(key)->click();
    });
    QApplication::sendEvent(edit, &dbl);
    EXPECT_EQ(settings.Number("nadmat"), 12.5);
}

TEST_F(SettingsDialogTest, LengthFieldsKeepTheirDecimalsUntilTheUnitIsSwitched) {
    ui::TDlgkonfig dlg(core);
    dlg.show();
    auto* thickness = dlg.Edit("grubosc");
    auto* diameter = dlg.Edit("srednica");
    const QString point(QChar::fromLatin1(thickness->DecimalSeparator()));
    EXPECT_EQ(Shown(thickness), "10" + point + "00");
    // shown again, cancelled and shown once more: still the field's own two decimals
    dlg.findChild<QPushButton*>("cancel")->click();
    dlg.show();
    EXPECT_EQ(Shown(thickness), "10" + point + "00");
    EXPECT_EQ(Shown(diameter), "3");

    dlg.findChild<QRadioButton*>("rgJm_1")->click();
    EXPECT_EQ(Shown(thickness), "0" + point + "394");
    EXPECT_EQ(Shown(diameter), "0" + point + "118110236220472");  // 15 significant digits
    dlg.findChild<QRadioButton*>("rgJm_0")->click();
    EXPECT_EQ(Shown(thickness), "10" + point + "000");
    EXPECT_EQ(Shown(diameter), "3");
    EXPECT_EQ(settings.Number("srednica"), 3);
}

TEST(NumberFields, StepWheelAndCharacters) {
    ui::TFltEditU f;
    f.SetDecimalSeparator('.');
    f.SetValue(57);
    f.stepBy(1);
    EXPECT_EQ(f.Value(), 58);
    f.SetUnit(1);
    f.SetValue(50.8);  // 2 in
    f.stepBy(1);
    EXPECT_DOUBLE_EQ(f.Value(), 50.8 + 2.54);
    f.SetUnit(0);
    f.SetValue(0);
    QWheelEvent towardsUser(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                            Qt::NoScrollPhase, false);
    QApplication::sendEvent(&f, &towardsUser);
    EXPECT_DOUBLE_EQ(f.Value(), 0.1);
    Type(&f, "1a");
    EXPECT_EQ(Shown(&f), "1");
    f.Commit();
    EXPECT_EQ(f.Value(), 1);
    // an emptied field takes the minimum
    f.SetMinValue(2);
    f.SetMaxValue(10);
    f.findChild<QLineEdit*>()->selectAll();
    QKeyEvent bs(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QString(QChar(8)));
    QApplication::sendEvent(&f, &bs);
    EXPECT_EQ(Shown(&f), "");
    f.Commit();
    EXPECT_EQ(f.Value(), 2);

    ui::TFloatEdit scale;
    scale.SetIncrement(0);
    scale.SetValue(100);
    scale.stepBy(1);
    EXPECT_EQ(scale.Value(), 100);
}
