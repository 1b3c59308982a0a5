#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include <sys/resource.h>

#include "machine_link/machine_context.h"
#include "machine_link/machine_params.h"
#include "model/length_unit.h"
#include "settings/config_dialog.h"
#include "settings/number_text.h"
#include "settings/settings_files.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

class ConfigDialogTest : public ::testing::Test, public test::MachineRig {
protected:
    ConfigDialogTest() : here(dir.path()) {
        env.ProgramDir = dir.path();
        dlg.DecimalSeparator = '.';
    }
    void UseSet(int index) {
        ctx.PlotParams = ModelParamSets()[index];
        ctx.ArmLink = ctx.PlotParams.LinkKind == 1;
    }
    test::TempDir dir;
    test::CurrentFolder here;
    Settings settings;
    test::RecordingNotifier notifier;
    ConfigDialog dlg{settings, ctx, env, jobValues, notifier};
};

constexpr int kSetBKT = 0;     // parallel-port milling machine
constexpr int kSetJKT = 6;     // no travel-speed limit given
constexpr int kSetNKT = 9;     // USB milling machine
constexpr int kSetHYG64 = 20;  // USB laser

}  // namespace

TEST_F(ConfigDialogTest, MachineLimitsForAMillingMachine) {
    UseSet(kSetNKT);
    dlg.SetParam();
    EXPECT_EQ(settings.Minimum("WorkSpeed"), 100);
    EXPECT_EQ(settings.Maximum("WorkSpeed"), 8000);
    EXPECT_EQ(settings.Minimum("przespeed"), 100);
    EXPECT_EQ(settings.Maximum("przespeed"), 16000);
    EXPECT_EQ(settings.Maximum("Polerspeed"), 8000);
    EXPECT_EQ(settings.Minimum("wiercenie_posuw"), 20);
    EXPECT_EQ(settings.Maximum("wiercenie_cofanie"), 3000);
    EXPECT_EQ(settings.Minimum("work_power"), 3000);
    EXPECT_EQ(settings.Maximum("poler_power"), 24000);
    EXPECT_EQ(dlg.UnitLabel("work_power"), "/min]");
    settings.SetFlag("wygladzanie", true);  // the change hook puts the smoothing limit on
    EXPECT_EQ(settings.Maximum("WorkSpeed"), 5000);
    settings.SetNumber("WorkSpeed", 7000);
    EXPECT_EQ(settings.Number("WorkSpeed"), 5000);
    settings.SetFlag("wygladzanie", false);
    EXPECT_EQ(settings.Maximum("WorkSpeed"), 8000);
    EXPECT_EQ(settings.Number("WorkSpeed"), 5000);  // unchanged
    EXPECT_TRUE(dlg.SettingsChanged);
}

TEST_F(ConfigDialogTest, MachineLimitsForALaserAndForTheParallelPort) {
    UseSet(kSetHYG64);
    dlg.SetParam();
    EXPECT_EQ(settings.Minimum("WorkSpeed"), 1);
    EXPECT_EQ(settings.Maximum("WorkSpeed"), 26000);
    EXPECT_EQ(settings.Maximum("work_power"), 100);
    EXPECT_EQ(settings.Minimum("work_power"), 0);
    EXPECT_EQ(dlg.UnitLabel("work_power"), "[%]");
    settings.SetNumber("skok", 2);
    EXPECT_EQ(jobValues.PlungePitch, 100.0);  // a laser never ramps

    UseSet(kSetBKT);
    dlg.SetParam();
    EXPECT_EQ(settings.Maximum("WorkSpeed"), 1000);
    EXPECT_EQ(settings.Maximum("wiercenie_posuw"), 180);
    EXPECT_EQ(settings.Maximum("work_power"), 100);  // the powers keep their range
    settings.SetNumber("skok", 3);
    EXPECT_EQ(jobValues.PlungePitch, 3.0);

    UseSet(kSetJKT);
    dlg.SetParam();
    settings.SetNumber("przespeed", 900);
    EXPECT_EQ(settings.Number("przespeed"), 900);
}

TEST_F(ConfigDialogTest, UnitSwitchKeepsMillimetresExact) {
    settings.SetNumber("srednica", 3);
    settings.SetNumber("poler_grubosc", 0.125);
    settings.SetChoice("rgJm", 1);
    EXPECT_EQ(env.LengthUnit, kUnitInch);
    EXPECT_EQ(dlg.UnitLabel("srednica"), "[in]");
    EXPECT_EQ(dlg.UnitLabel("WorkSpeed"), "[in/min]");
    EXPECT_EQ(settings.Number("srednica"), 3);
    settings.SetChoice("rgJm", 2);
    settings.SetChoice("rgJm", 0);
    EXPECT_EQ(settings.Number("srednica"), 3);
    EXPECT_EQ(settings.Number("poler_grubosc"), 0.125);
    settings.SetChoice("rgJm", -1);
    EXPECT_EQ(env.LengthUnit, kUnitMm);
}

TEST_F(ConfigDialogTest, PictureSizesKeepTheAspect) {
    jobValues.BmpPixelWidth = 2;
    jobValues.BmpPixelHeight = 1;
    settings.SetNumber("SzerokoscObrazu", 100);
    EXPECT_EQ(settings.Number("WysokoscObrazu"), 50);
    settings.SetNumber("WysokoscObrazu", 10);
    EXPECT_EQ(settings.Number("SzerokoscObrazu"), 20);
    settings.SetFlag("Proporcjonalnie", false);
    settings.SetNumber("WysokoscObrazu", 30);
    EXPECT_EQ(settings.Number("SzerokoscObrazu"), 20);
}

TEST_F(ConfigDialogTest, OkSavesAndSetsTheStartHeight) {
    dlg.Create();
    EXPECT_TRUE(std::filesystem::exists(dir / "Settings.vks"));  // written as the fallback
    dlg.Activate();
    settings.SetNumber("grubosc", 10);
    settings.SetNumber("nadmat", 5);
    settings.SetNumber("ponad_stol", 0.5);
    settings.SetNumber("Glebokosc", 2.25);
    dlg.Ok();
    EXPECT_EQ(jobValues.StartZ, 15.5);
    const std::string text = test::ReadFileBytes(dir / "Settings.vks");
    EXPECT_NE(text.find("Glebokosc := 2.25\r\n"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(dir / "DADudavu.txt"), "192\r\n168\r\n  0\r\n150\r\n");
}

TEST_F(ConfigDialogTest, CancelReloadsTheFileOrRestoresTheOpeningValues) {
    dlg.Create();
    dlg.Activate();
    settings.SetNumber("grubosc", 42);
    dlg.Cancel();
    EXPECT_EQ(settings.Number("grubosc"), 10);

    // without the current file: the values from when the dialog was shown, nothing written
    std::filesystem::remove(dir / "Settings.vks");
    settings.SetNumber("nadmat", 9);
    dlg.Activate();
    settings.SetNumber("nadmat", 1);
    settings.SetChoice("rgJm", 2);
    dlg.Cancel();
    EXPECT_EQ(settings.Number("nadmat"), 9);
    EXPECT_EQ(settings.Choice("rgJm"), 0);
    EXPECT_EQ(env.LengthUnit, kUnitMm);
    EXPECT_FALSE(std::filesystem::exists(dir / "Settings.vks"));
}

TEST_F(ConfigDialogTest, CancelWithAnUnreadableFileRestoresTheOpeningValues) {
    dlg.Create();
    std::filesystem::remove(dir / "Settings.vks");
    std::filesystem::create_directory(dir / "Settings.vks");  // there, but no file to read
    dlg.Activate();
    settings.SetNumber("grubosc", 42);
    dlg.Cancel();
    EXPECT_EQ(settings.Number("grubosc"), 10);
    EXPECT_EQ(notifier.messages.size(), 1u);
}

TEST_F(ConfigDialogTest, SaveAndLoadSwitchTheCurrentFile) {
    dlg.Create();
    settings.SetNumber("grubosc", 33);
    ASSERT_TRUE(dlg.SaveAs(dir / "thick.vks"));
    EXPECT_EQ(dlg.Caption(), (dir / "thick.vks").string());
    settings.SetNumber("grubosc", 1);
    Settings layers;
    layers.SetNumber("grubosc", 20);
    layers.SetChoice("ProjektType", -1);
    test::WriteFileBytes(dir / "layers.vks", SettingsFileText(layers, '.'));
    ASSERT_TRUE(dlg.LoadFrom(dir / "layers.vks"));
    EXPECT_EQ(settings.Number("grubosc"), 20);
    EXPECT_EQ(settings.Choice("ProjektType"), 1);  // no selection becomes a layer project
    EXPECT_EQ(dlg.Global.SettingsPath, (dir / "layers.vks").string());
    EXPECT_FALSE(dlg.SaveAs(dir / std::string(300, 'x')));
    EXPECT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(dlg.Global.SettingsPath, (dir / "layers.vks").string());
}

TEST_F(ConfigDialogTest, StartUpLoadSurvivesABadFileAndKeepsThePictureSizes) {
    test::WriteFileBytes(dir / "Settings.vks",
                         "SzerokoscObrazu := 30\r\nWysokoscObrazu := 40\r\nrgJm := 1\r\n"
                         "order_fig := ?\r\ngrubosc := 11\r\nIP1 := 1\r\n");
    test::WriteFileBytes(dir / "DADudavu.txt", "10\r\n0\r\n0\r\n7\r\n");
    dlg.Create();
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].text.find("order_fig"), std::string::npos);
    EXPECT_EQ(settings.Number("grubosc"), 11);
    EXPECT_EQ(env.LengthUnit, kUnitInch);
    EXPECT_EQ(ctx.PlotterIP, "10.0.0.7");  // the IP file wins over the settings file
    EXPECT_EQ(settings.Number("IP1"), 10);
    EXPECT_FALSE(dlg.LoadingSettings);
    EXPECT_FALSE(dlg.InAspectChange);
    ASSERT_FALSE(notifier.statuses.empty());
    EXPECT_EQ(notifier.statuses.back(), "");

    // Load and Cancel apply the pair as written too
    dlg.Activate();
    settings.SetNumber("SzerokoscObrazu", 50);
    EXPECT_EQ(settings.Number("WysokoscObrazu"), 50);
    dlg.Cancel();
    EXPECT_EQ(settings.Number("SzerokoscObrazu"), 30);
    EXPECT_EQ(settings.Number("WysokoscObrazu"), 40);
}

TEST_F(ConfigDialogTest, AMissingSettingsFileKeepsTheMachinesAddressFile) {
    test::WriteFileBytes(dir / "DADudavu.txt", "127\r\n  0\r\n  0\r\n  1\r\n");
    dlg.Create();
    EXPECT_EQ(ctx.PlotterIP, "127.0.0.1");
    EXPECT_EQ(test::ReadFileBytes(dir / "DADudavu.txt"), "127\r\n  0\r\n  0\r\n  1\r\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "Settings.vks"));
}

TEST_F(ConfigDialogTest, ControlsForMillingLaserAndLayerProjects) {
    UseSet(kSetNKT);
    ctx.ModelCode = "NKV";
    settings.SetChoice("ProjektType", 1);
    auto st = dlg.ControlStates();
    EXPECT_FALSE(st["Glebokosc"].enabled);
    EXPECT_FALSE(st["Glebokosc"].hint.empty());
    EXPECT_TRUE(st["WorkSpeed"].enabled);
    EXPECT_TRUE(st["work_power"].hint.empty());
    EXPECT_TRUE(st["wiercenie"].visible);
    EXPECT_FALSE(st["TabSheetBMP"].visible);
    EXPECT_FALSE(st["Laser"].visible);
    EXPECT_TRUE(st["Smarowanie"].enabled);
    EXPECT_FALSE(st["GroupBoxIP"].visible);
    EXPECT_FALSE(st["wygladzanie"].enabled);

    UseSet(kSetHYG64);
    ctx.ModelCode = "HYG";
    ctx.Firmware550 = true;
    dlg.CommandLine = {"ETHERNET"};
    st = dlg.ControlStates();
    EXPECT_FALSE(st["WorkSpeed"].enabled);
    EXPECT_FALSE(st["work_power"].enabled);
    EXPECT_FALSE(st["work_power"].hint.empty());
    EXPECT_FALSE(st["grubosc"].enabled);
    EXPECT_FALSE(st["wiercenie"].visible);
    EXPECT_TRUE(st["TabSheetBMP"].visible);
    EXPECT_TRUE(st["CzasImpulsu"].enabled);
    EXPECT_FALSE(st["Smarowanie"].enabled);
    EXPECT_TRUE(st["GroupBoxIP"].visible);
    EXPECT_TRUE(st["wygladzanie"].enabled);

    settings.SetChoice("ProjektType", 0);
    st = dlg.ControlStates();
    EXPECT_TRUE(st["WorkSpeed"].enabled);
    EXPECT_FALSE(st["Glebokosc"].enabled);  // never on a laser
    ctx.PlotParams.ZReversed = 1;
    EXPECT_TRUE(dlg.ControlStates()["grubosc"].enabled);
}

TEST_F(ConfigDialogTest, ProgrammingTheIpAddress) {
    dlg.Create();
    settings.SetNumber("IP4", 200);
    std::vector<std::uint8_t> sent;
    bool restarted = false;
    EXPECT_FALSE(dlg.ProgramIp(
        false, [&](const auto& b) { sent = b; }, [&] { restarted = true; }));
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].caption, "IP");
    EXPECT_EQ(notifier.messages[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(notifier.messages[0].text,
              "Operacja nie powiodła się\n\rProszę połączyć sterownik z komputerem kablem USB");
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(dlg.ProgramIp(
        true, [&](const auto& b) { sent = b; }, [&] { restarted = true; }));
    EXPECT_EQ(sent, (std::vector<std::uint8_t>{'S', 'I', 'P', 192, 168, 0, 200}));
    EXPECT_EQ(ctx.PlotterIP, "192.168.0.200");
    EXPECT_TRUE(restarted);
    EXPECT_EQ(test::ReadFileBytes(dir / "DADudavu.txt"), "192\r\n168\r\n  0\r\n200\r\n");
}

TEST_F(ConfigDialogTest, ASaveThatBreaksOffLeavesTheOldFilesWhole) {
    dlg.Create();
    settings.SetNumber("grubosc", 33);
    ASSERT_TRUE(dlg.SaveKonfig(dir / "Settings.vks"));
    dlg.Global.OpenDir = std::string(80, 'd');
    ASSERT_TRUE(dlg.SaveGlobal());
    const std::string settingsBefore = test::ReadFileBytes(dir / "Settings.vks");
    const std::string globalBefore = test::ReadFileBytes(dir / "Quarnell.cfg");
    ASSERT_GT(settingsBefore.size(), 400u);

    // a disk that takes only 400 bytes of any file
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 400;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    settings.SetNumber("grubosc", 44);
    const bool saved = dlg.SaveKonfig(dir / "Settings.vks");
    const bool globalSaved = dlg.SaveGlobal();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);

    EXPECT_FALSE(saved);
    EXPECT_FALSE(globalSaved);
    EXPECT_EQ(notifier.messages.size(), 2u);
    EXPECT_EQ(test::ReadFileBytes(dir / "Settings.vks"), settingsBefore);
    EXPECT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg"), globalBefore);
    EXPECT_FALSE(std::filesystem::exists(dir / "Settings.vks.part"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Quarnell.cfg.part"));
}
