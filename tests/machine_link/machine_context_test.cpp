#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "machine_link/machine_context.h"
#include "model/core_error.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;
using vellisk::test::RecordingNotifier;
using vellisk::test::TempDir;

namespace {

const tplotparams& Set(int i) { return ModelParamSets()[i]; }

struct Selection : ::testing::Test, test::MachineRig {
    RecordingNotifier notifier;
    TempDir dir;

    Selection() { env.ProgramDir = dir.path(); }

    void Select(const std::string& model) {
        ctx.PlotState.Model = model;
        SelectMachineModel(ctx, env, notifier);
    }
    void Calibration(const std::string& text) { vellisk::test::WriteFileBytes(dir / "kalibracja.txt", text); }
};

}  // namespace

TEST(MachineContextStart, StartValues) {
    test::MachineRig machine;
    EXPECT_EQ(machine.ctx.PlotState.Model, "BKT");
    EXPECT_EQ(machine.ctx.PlotState.Producer, "Dranholt");
    EXPECT_EQ(machine.ctx.PlotState.ProductionDate, "Brak danych");
    EXPECT_EQ(machine.ctx.ModelCode, "BKT");
    EXPECT_EQ(machine.ctx.SelectedSet, 0);
    EXPECT_EQ(machine.ctx.PlotParams.MaxSpeed, 2000);
    EXPECT_DOUBLE_EQ(machine.ctx.WorkAreaX, 5000.0);
    EXPECT_DOUBLE_EQ(machine.ctx.WorkAreaY, 3000.0);
    EXPECT_DOUBLE_EQ(machine.ctx.WorkAreaZ, 500.0);
    EXPECT_DOUBLE_EQ(machine.jobValues.StartZ, 20.0);
    EXPECT_DOUBLE_EQ(machine.jobValues.PlungePitch, 100.0);
    EXPECT_FALSE(machine.ctx.ArmLink);
    EXPECT_FALSE(machine.ctx.BurnRunning.load());
    EXPECT_EQ(machine.ctx.CommandLengths.LengthOf('a'), 14);
    EXPECT_EQ(machine.env.Lang.Language, kLangPolish);
    EXPECT_EQ(machine.env.LengthUnit, kUnitMm);
    EXPECT_EQ(UnitDecimals(machine.env.LengthUnit, machine.ctx.PlotParams.MmDecimals), 2);
    EXPECT_EQ(machine.ctx.RampTimerAt(0), 8514);  // parallel port until a model is selected
    EXPECT_EQ(machine.ctx.SpeedToTimer(1000), 800u);
}

TEST_F(Selection, OlderFamiliesAndLinks) {
    Select("BKT");
    EXPECT_EQ(ctx.SelectedSet, 0);
    EXPECT_FALSE(ctx.ArmLink);
    Select("27W12345");
    EXPECT_EQ(ctx.ModelCode, "27W");
    EXPECT_EQ(ctx.SelectedSet, 7);
    Select("LKV");
    EXPECT_EQ(ctx.SelectedSet, 8);
    EXPECT_TRUE(ctx.ArmLink);
    EXPECT_EQ(ctx.RampTimerAt(4000), 84);  // USB table
    Select("VW 1");
    EXPECT_EQ(ctx.ModelCode, "VW ");
    EXPECT_EQ(ctx.SelectedSet, 3);
    EXPECT_FALSE(ctx.ArmLink);

    ctx.OsIsNT = true;
    Select("BKT");
    EXPECT_TRUE(ctx.ArmLink);  // never the parallel port there
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(Selection, HygFamilyByTrimmedText) {
    Select(std::string("HYG17 \0\0", 8));
    EXPECT_EQ(ctx.ModelCode, "HYG17");
    EXPECT_EQ(ctx.SelectedSet, 21);
    EXPECT_EQ(ctx.CommandLengths.LengthOf('A'), 15);
    EXPECT_EQ(ctx.CommandLengths.LengthOf('S'), 16);
    EXPECT_EQ(ctx.CommandLengths.LengthOf('V'), 6);
    EXPECT_EQ(ctx.RampTableArm.data(), RampTableArmAlt().data());
    EXPECT_EQ(ctx.RampTimerAt(0), 40920);
    Select("HYG09");
    EXPECT_EQ(ctx.SelectedSet, 23);
    Select("HYG17C");
    EXPECT_EQ(ctx.SelectedSet, 22);

    // A leading blank: the text does not begin with HYG and matches nothing.
    Select(" HYG17");
    EXPECT_EQ(ctx.ModelCode, " HY");
    EXPECT_EQ(ctx.SelectedSet, 22);
}

TEST_F(Selection, NwbFamilyByFirstSixCharacters) {
    Select("NWB 17xx");
    EXPECT_EQ(ctx.ModelCode, "NWB 17");
    EXPECT_EQ(ctx.SelectedSet, 17);
    EXPECT_EQ(ctx.PlotParams.MaxZSpeed, 7000);
    Select("NWB 23");
    EXPECT_EQ(ctx.SelectedSet, 19);

    // Five characters: the code stays NWB and nothing matches; the set in force stays.
    Select("NWB 2");
    EXPECT_EQ(ctx.ModelCode, "NWB");
    EXPECT_EQ(ctx.SelectedSet, 19);
}

TEST_F(Selection, NkvWith484SuffixAndNzFamily) {
    Select("NKV-484x");
    EXPECT_EQ(ctx.SelectedSet, 13);
    EXPECT_TRUE(ctx.PlotParams.ArmController);
    EXPECT_EQ(ctx.CommandLengths.LengthOf('a'), 15);
    EXPECT_EQ(ctx.RampTableArm.data(), RampTableArmMain().data());

    Select("NKV-484");  // seven characters: no suffix
    EXPECT_EQ(ctx.SelectedSet, 10);
    EXPECT_EQ(ctx.CommandLengths.LengthOf('a'), 14);

    Select("NZS");
    EXPECT_EQ(ctx.SelectedSet, 14);
    Select("NZV00000");
    EXPECT_EQ(ctx.SelectedSet, 14);
    EXPECT_EQ(ctx.PlotParams.MaxZSpeed, 6000);
}

TEST_F(Selection, UnknownAndShortModelTexts) {
    Select("PRV");
    Select("XYZ");
    EXPECT_EQ(ctx.ModelCode, "XYZ");
    EXPECT_EQ(ctx.SelectedSet, 16);  // keeps the set in force
    Select("");
    EXPECT_EQ(ctx.ModelCode, "");
    EXPECT_EQ(ctx.SelectedSet, 16);
    Select("Brak danych");
    EXPECT_EQ(ctx.ModelCode, "Bra");
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(Selection, NewerControllerThenOlderGetsOlderLengthsAndTable) {
    Select("NWB 21");
    EXPECT_EQ(ctx.CommandLengths.LengthOf('v'), 6);
    EXPECT_EQ(ctx.RampTableArm.data(), RampTableArmAlt().data());

    Select("PRV");  // newer controller, main ramp table again
    EXPECT_EQ(ctx.SelectedSet, 16);
    EXPECT_EQ(ctx.RampTableArm.data(), RampTableArmMain().data());
    EXPECT_EQ(ctx.RampTimerAt(0), 10234);
    EXPECT_EQ(ctx.RampTimerAt(6), 9213);  // divisor 2: 6 div 3 = 2
    Select("NKT");
    EXPECT_EQ(ctx.SelectedSet, 9);
    EXPECT_EQ(ctx.CommandLengths.LengthOf('A'), 14);
    EXPECT_EQ(ctx.CommandLengths.LengthOf('S'), 2);
    EXPECT_EQ(ctx.CommandLengths.LengthOf('V'), 4);
    EXPECT_TRUE(ctx.ArmLink);
}

TEST_F(Selection, FirmwareLevel) {
    ctx.FirmwareVersion = 549;
    Select("PRV");
    EXPECT_FALSE(ctx.Firmware550);
    ctx.FirmwareVersion = 550;
    Select("PRV");
    EXPECT_TRUE(ctx.Firmware550);
}

TEST_F(Selection, CalibrationDividesAFreshCopy) {
    Calibration("1.25\r\n0.8 comment\n2.0\n");
    Select("BKT");
    EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsX, Set(0).StepsX / 1.25);
    EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsY, Set(0).StepsY / 0.8);
    EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsZ, Set(0).StepsZ / 1.4);  // 2.0 limited to 1.4
    // Selecting again (an unknown model keeps the set) does not compound the factors.
    Select("???");
    Select("???");
    EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsX, Set(0).StepsX / 1.25);
    EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsZ, Set(0).StepsZ / 1.4);
    // The table itself is never touched.
    EXPECT_DOUBLE_EQ(Set(0).StepsX, 0.9794150511187);

    Calibration("0\n0\n0\n");
    Select("PRV");
    EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsX, 10.0 / 0.6);
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(Selection, WithoutCalibrationFileStepsStayAsInTheSet) {
    Select("HYG64");
    EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsX, 10.0);
    EXPECT_EQ(ctx.PlotParams.StepsZ, 0.0);
}

TEST_F(Selection, MalformedCalibrationIsReportedAndIgnored) {
    for (const std::string text : {"1.1\n0.9\n", "abc\n1\n1\n", "1,1\n1\n1\n", "", "1\n1\nnan\n"}) {
        notifier.messages.clear();
        Calibration(text);
        ctx.FirmwareVersion = 600;
        Select("NKT");
        Select("HYG17");
        EXPECT_EQ(notifier.messages.size(), 2u) << text;
        // Factors 1.0, and every later step still done.
        EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsX, Set(21).StepsX);
        EXPECT_TRUE(ctx.ArmLink);
        EXPECT_EQ(ctx.CommandLengths.LengthOf('a'), 15);
        EXPECT_TRUE(ctx.Firmware550);
    }
    EXPECT_NE(notifier.messages.back().text.find("kalibracja.txt"), std::string::npos);
}

TEST_F(Selection, ACalibrationFileThatCannotBeReadIsReportedAndIgnored) {
    std::filesystem::create_directory(dir / "kalibracja.txt");
    EXPECT_NO_THROW(Select("NKT"));
    EXPECT_EQ(notifier.messages.size(), 1u);
    EXPECT_DOUBLE_EQ(ctx.PlotParams.StepsX, Set(9).StepsX);
}

TEST_F(Selection, FreshContextsShareNothing) {
    Select("HYG17");
    MachineContext other;
    EXPECT_EQ(other.ModelCode, "BKT");
    EXPECT_EQ(other.CommandLengths.LengthOf('a'), 14);
    EXPECT_EQ(other.RampTableArm.data(), RampTableArmMain().data());
}

TEST(MachineContextStart, TextsFollowTheLanguageInForce) {
    test::MachineRig machine;
    EXPECT_EQ(machine.env.Text(TextId::NoCommunication), "Brak komunikacji z ploterem");
    machine.env.Lang = DetectLanguage(1, std::vector<std::string>{"IT"});
    EXPECT_EQ(machine.env.Text(TextId::NoCommunication), "Nessuna comunicazione con il plotter");
    machine.env.Lang.Language = 5;
    EXPECT_THROW(machine.env.Text(TextId::NoCommunication), CoreError);
}

TEST(MachineContextStart, UnitDecimalsFollowTheSetInForce) {
    test::MachineRig machine;
    RecordingNotifier n;
    machine.ctx.PlotState.Model = "PRV";
    SelectMachineModel(machine.ctx, machine.env, n);
    EXPECT_EQ(UnitDecimals(machine.env.LengthUnit, machine.ctx.PlotParams.MmDecimals), 3);
    machine.env.LengthUnit = kUnitFoot;
    EXPECT_EQ(UnitDecimals(machine.env.LengthUnit, machine.ctx.PlotParams.MmDecimals), 4);
    EXPECT_EQ(machine.env.PositionDecimals(), 3);
}
