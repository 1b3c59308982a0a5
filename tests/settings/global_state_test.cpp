#include <gtest/gtest.h>

#include <filesystem>

#include "machine_link/machine_context.h"
#include "platform/whole_file.h"
#include "settings/config_dialog.h"
#include "settings/settings_files.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

std::string Bytes(const std::array<std::uint8_t, kGlobalStateSize>& rec) {
    return std::string(reinterpret_cast<const char*>(rec.data()), rec.size());
}

}  // namespace

TEST(GlobalStateRecord, DefaultRecordByteByByte) {
    const auto rec = EncodeGlobalState(GlobalState{});
    std::array<std::uint8_t, kGlobalStateSize> want{};
    want[164] = 1;  // unused word, 1 by default
    want[168] = 1;  // save filter index
    want[172] = 1;  // "direction"
    const std::string path = "Settings.vks";
    want[177] = static_cast<std::uint8_t>(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) want[178 + i] = static_cast<std::uint8_t>(path[i]);
    want[436] = 1;  // open filter index
    for (std::size_t i = 0; i < kGlobalStateSize; ++i) EXPECT_EQ(rec[i], want[i]) << "byte " << i;
}

TEST(GlobalStateRecord, EveryFieldRoundTrips) {
    GlobalState g;
    g.OpenDir = std::string(80, 'o');
    g.SaveDir =
        "/home/operator/Zapisane \xc5\x82\xc3\xb3"
        "d\xc5\xba";
    g.Unused164 = -7;
    g.SaveFilterIndex = 4;
    g.Kierunek = false;
    g.Kolejnosc = true;
    g.Punktywej = true;
    g.Warstwy = true;
    g.Unused176 = 9;
    g.SettingsPath = std::string(255, 's');
    g.OpenFilterIndex = 0x01020304;
    g.StartZ = -12.375;
    const auto rec = EncodeGlobalState(g);
    EXPECT_EQ(rec[440 + 7], 0xC0);  // sign and exponent of a negative f64, little-endian
    EXPECT_EQ(rec[436], 0x04);
    GlobalState back;
    std::string problem;
    ASSERT_TRUE(DecodeGlobalState(rec, &back, &problem)) << problem;
    EXPECT_EQ(back, g);
}

TEST(GlobalStateRecord, TooLongTextsAreCutAtACharacterBoundary) {
    GlobalState g;
    g.OpenDir = std::string(79, 'a') + "\xc5\x82" + "b";  // a 2-byte character across the 80th byte
    const auto rec = EncodeGlobalState(g);
    EXPECT_EQ(rec[0], 79);
    EXPECT_EQ(rec[80], 0);
}

TEST(GlobalStateRecord, ShortOrOversizedRecordsAreRefused) {
    auto rec = EncodeGlobalState(GlobalState{});
    GlobalState out;
    out.OpenDir = "kept";
    std::string problem;
    EXPECT_FALSE(DecodeGlobalState(std::span(rec).first(447), &out, &problem));
    EXPECT_EQ(out.OpenDir, "kept");
    rec[81] = 81;  // SaveDir length beyond its 80 bytes
    EXPECT_FALSE(DecodeGlobalState(rec, &out, &problem));
    rec[81] = 0;
    for (std::size_t i = 440; i < 448; ++i) rec[i] = 0xFF;  // a NaN start height
    EXPECT_FALSE(DecodeGlobalState(rec, &out, &problem));
    EXPECT_NE(problem.find("height"), std::string::npos);
    rec[446] = 0xF0;
    rec[447] = 0x7F;  // an infinite one
    for (std::size_t i = 440; i < 446; ++i) rec[i] = 0;
    EXPECT_FALSE(DecodeGlobalState(rec, &out, &problem));
    EXPECT_EQ(out.OpenDir, "kept");
    for (std::size_t i = 440; i < 448; ++i) rec[i] = 0;
    rec[177] = 255;  // the largest settings path is fine
    EXPECT_TRUE(DecodeGlobalState(rec, &out, &problem));
    EXPECT_EQ(out.SettingsPath.size(), 255u);
}

class GlobalStateFile : public ::testing::Test, public test::MachineRig {
protected:
    GlobalStateFile() : here(dir.path()) { env.ProgramDir = dir.path(); }
    test::TempDir dir;
    test::CurrentFolder here;  // the default settings path is relative
    Settings settings;
    test::RecordingNotifier notifier;
};

TEST_F(GlobalStateFile, FirstStartWritesTheDefaultRecordWithTheLiveValues) {
    ConfigDialog dlg(settings, ctx, env, jobValues, notifier);
    dlg.LoadGlobalState();
    EXPECT_TRUE(notifier.messages.empty());
    const std::string b = test::ReadFileBytes(dir / "Quarnell.cfg");
    ASSERT_EQ(b.size(), 448u);
    const std::string row160("\0\0\0\0\x01\0\0\0\x01\0\0\0\0\0\x01\x01", 16);
    EXPECT_EQ(b.substr(160, 16), row160);
    EXPECT_EQ(b.substr(176, 14), std::string("\0\x0CSettings.vks", 14));
    const std::string row432("\0\0\0\0\x01\0\0\0\0\0\0\0\0\0\x34\x40", 16);
    EXPECT_EQ(b.substr(432, 16), row432);
    EXPECT_EQ(jobValues.StartZ, 20.0);
    EXPECT_TRUE(dlg.Live.Warstwy);
}

TEST_F(GlobalStateFile, ReadsTheFirst448BytesOfALongerFileAndAppliesThem) {
    GlobalState g;
    g.OpenFilterIndex = 3;
    g.StartZ = 33.5;
    g.Kierunek = false;
    g.Kolejnosc = true;
    test::WriteFileBytes(dir / "Quarnell.cfg", Bytes(EncodeGlobalState(g)) + "trailing");
    ConfigDialog dlg(settings, ctx, env, jobValues, notifier);
    ctx.SpindleScale = 3;
    dlg.LoadGlobalState();
    EXPECT_EQ(jobValues.StartZ, 33.5);
    EXPECT_EQ(ctx.SpindleScale, 1.0);
    EXPECT_EQ(dlg.Live.OpenFilterIndex, 3);
    EXPECT_TRUE(dlg.Live.Kolejnosc);
    EXPECT_FALSE(dlg.Live.Kierunek);
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(GlobalStateFile, DamagedFileIsReportedOnceKeptAsideAndReplacedAtExit) {
    auto rec = EncodeGlobalState(GlobalState{});
    rec[177] = 200;  // fine
    rec[0] = 120;    // OpenDir longer than its field
    rec[81] = 3;
    rec[82] = 'a', rec[83] = 'b', rec[84] = 'c';
    test::WriteFileBytes(dir / "Quarnell.cfg", Bytes(rec));
    ConfigDialog dlg(settings, ctx, env, jobValues, notifier);
    dlg.LoadGlobalState();
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(dlg.Global.OpenDir, "");     // the damaged field takes its default
    EXPECT_EQ(dlg.Global.SaveDir, "abc");  // the whole ones are kept
    EXPECT_EQ(dlg.Global.SettingsPath.size(), 200u);
    EXPECT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg"), Bytes(rec));
    EXPECT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg.bad"), Bytes(rec));

    test::WriteFileBytes(dir / "Quarnell.cfg", "short");
    notifier.messages.clear();
    dlg.LoadGlobalState();
    EXPECT_EQ(notifier.messages.size(), 1u);
    GlobalState defaults;
    defaults.StartZ = 20;  // a lost start height is not the table's
    EXPECT_EQ(dlg.Global, defaults);
    EXPECT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg"), "short");
    ASSERT_TRUE(dlg.SaveGlobal());
    EXPECT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg").size(), 448u);
}

TEST_F(GlobalStateFile, AStateThatCannotBeWrittenIsReportedAndTheRestGoesOn) {
    env.ProgramDir = dir / "no such folder";
    ConfigDialog dlg(settings, ctx, env, jobValues, notifier);
    dlg.Create();  // global state, settings file and IP file all fail to be written
    EXPECT_FALSE(notifier.messages.empty());
    EXPECT_FALSE(dlg.InAspectChange);
    EXPECT_FALSE(dlg.LoadingSettings);
    EXPECT_EQ(ctx.PlotterIP, "192.168.0.150");
    notifier.messages.clear();
    jobValues.StartZ = 7;
    EXPECT_FALSE(dlg.SaveGlobal());
    EXPECT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(jobValues.StartZ, 7);
}

TEST_F(GlobalStateFile, ExitWritesTheLiveValues) {
    ConfigDialog dlg(settings, ctx, env, jobValues, notifier);
    dlg.LoadGlobalState();
    dlg.Live.Punktywej = false;
    dlg.Live.OpenFilterIndex = 2;
    dlg.Global.OpenDir = "/data/drawings";
    jobValues.StartZ = 15.5;
    ASSERT_TRUE(dlg.SaveGlobal());
    GlobalState back;
    std::string problem;
    ASSERT_EQ(ReadGlobalStateFile(dir.path(), &back, &problem), GlobalFileStatus::Read);
    EXPECT_FALSE(back.Punktywej);
    EXPECT_EQ(back.OpenFilterIndex, 2);
    EXPECT_EQ(back.OpenDir, "/data/drawings");
    EXPECT_EQ(back.StartZ, 15.5);
}

TEST_F(GlobalStateFile, AFolderInPlaceOfTheFilesIsReportedNotThrown) {
    std::filesystem::create_directory(dir / "Quarnell.cfg");
    std::filesystem::create_directory(dir / "DADudavu.txt");
    std::string text;
    EXPECT_FALSE(ReadWholeFile(dir / "DADudavu.txt", &text));
    GlobalState g;
    std::string problem;
    EXPECT_EQ(ReadGlobalStateFile(dir.path(), &g, &problem), GlobalFileStatus::Damaged);
    EXPECT_FALSE(problem.empty());

    ConfigDialog dlg(settings, ctx, env, jobValues, notifier);
    std::filesystem::create_directory(dir / "folder.vks");
    dlg.Global.SettingsPath = (dir / "folder.vks").string();
    EXPECT_NO_THROW(dlg.LoadGlobalState());  // reported: damaged, and it cannot be replaced
    EXPECT_FALSE(notifier.messages.empty());
    notifier.messages.clear();
    EXPECT_NO_THROW(dlg.LoadKonfig(dir / "folder.vks"));
    ASSERT_EQ(notifier.messages.size(), 1u);  // the settings file; the IP file is passed over
    EXPECT_NE(notifier.messages[0].text.find("folder.vks"), std::string::npos);
    EXPECT_EQ(ctx.PlotterIP, "192.168.0.150");
}

// The program started from another folder than its own: the relative settings path is taken in
// the program folder, and the saved settings are read, never overwritten.
TEST(SettingsFromAnotherFolder, SavedSettingsAreLoadedAndLeftAsTheyAre) {
    test::TempDir programDir, elsewhere;
    test::CurrentFolder here(elsewhere.path());
    Settings operatorValues;
    operatorValues.SetNumber("grubosc", 12.5);
    operatorValues.SetChoice("rgJm", 1);
    operatorValues.SetFlag("negatyw", true);
    const std::string saved = SettingsFileText(operatorValues, '.');
    test::WriteFileBytes(programDir / "Settings.vks", saved);
    test::MachineRig machine;
    machine.env.ProgramDir = programDir.path();
    Settings settings;
    test::RecordingNotifier notifier;
    ConfigDialog dlg(settings, machine.ctx, machine.env, machine.jobValues, notifier);
    dlg.DecimalSeparator = '.';
    dlg.Create();
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ(settings.Number("grubosc"), 12.5);
    EXPECT_TRUE(settings.Flag("negatyw"));
    EXPECT_EQ(machine.env.LengthUnit, 1);
    EXPECT_EQ(dlg.Caption(), (programDir / "Settings.vks").string());
    EXPECT_EQ(test::ReadFileBytes(programDir / "Settings.vks"), saved);
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "Settings.vks"));
    // Cancel reads them again from the same place
    settings.SetNumber("grubosc", 1);
    dlg.Cancel();
    EXPECT_EQ(settings.Number("grubosc"), 12.5);
    EXPECT_EQ(test::ReadFileBytes(programDir / "Settings.vks"), saved);

    // a current file that is gone elsewhere: the saved file in the program folder stays too
    dlg.Global.SettingsPath = (elsewhere / "gone.vks").string();
    settings.SetNumber("grubosc", 3);
    dlg.LoadKonfig(dlg.CurrentSettingsFile());
    EXPECT_EQ(test::ReadFileBytes(programDir / "Settings.vks"), saved);
}

TEST(SettingsFromAnotherFolder, AnUnreadableSettingsFileIsReportedAndNotRewritten) {
    test::TempDir programDir, elsewhere;
    test::CurrentFolder here(elsewhere.path());
    std::filesystem::create_directory(programDir / "Settings.vks");  // there, but nothing to read
    std::filesystem::create_directory(programDir / "Settings.vks" / "inside");
    test::MachineRig machine;
    machine.env.ProgramDir = programDir.path();
    Settings settings;
    test::RecordingNotifier notifier;
    ConfigDialog dlg(settings, machine.ctx, machine.env, machine.jobValues, notifier);
    dlg.Create();
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].text.find((programDir / "Settings.vks").string()), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(programDir / "Settings.vks" / "inside"));
    EXPECT_FALSE(std::filesystem::exists(programDir / "Settings.vks.part"));
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "Settings.vks"));
    EXPECT_EQ(settings.Number("grubosc"), 10);  // the defaults stay in force
}
