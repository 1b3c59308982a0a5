// The program started on the operator's configuration files as a power cut, a full stick or a
// careless copy leaves them: missing, cut short, empty, garbage, a folder in their place. Each
// is reported, the values in force are the ones read plus the defaults, and no file is replaced
// behind the operator's back.
#include <gtest/gtest.h>

#include <filesystem>

#include <sys/wait.h>
#include <unistd.h>

#include "machine_link/machine_context.h"
#include "model/lang_texts.h"
#include "settings/config_dialog.h"
#include "settings/settings_files.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;

namespace {

class DamagedFiles : public ::testing::Test, public test::MachineRig {
protected:
    DamagedFiles() : here(elsewhere.path()) {
        env.ProgramDir = dir.path();
        env.Lang.Language = kLangEnglish;
        ctx.WorkAreaZ = 100;
    }
    // "Quarnell.cfg" naming a settings file, with a job start height.
    void WriteState(const std::string& settingsPath, double startZ = 20, std::size_t cutTo = kGlobalStateSize) {
        GlobalState g;
        g.SettingsPath = settingsPath;
        g.StartZ = startZ;
        const auto rec = EncodeGlobalState(g);
        test::WriteFileBytes(dir / "Quarnell.cfg", std::string(reinterpret_cast<const char*>(rec.data()), cutTo));
    }
    // The text of a whole settings file with a few values of the operator's.
    static std::string OperatorSettings() {
        Settings s;
        s.SetNumber("skala", 150);
        s.SetNumber("srednica", 6.35);
        s.SetNumber("Glebokosc", 4);
        s.SetNumber("IP1", 10);
        return SettingsFileText(s, '.');
    }
    // A fresh start of the program: settings at their defaults, the configuration read.
    ConfigDialog& Start() {
        dlg.reset();
        owned = std::make_unique<Settings>();
        dlg = std::make_unique<ConfigDialog>(*owned, ctx, env, jobValues, notifier);
        dlg->DecimalSeparator = '.';
        dlg->Create();
        return *dlg;
    }
    bool Told(TextId id) const {
        const std::string text = LangText(id, kLangEnglish);
        for (const auto& m : notifier.messages)
            if (m.text.find(text) != std::string::npos) return true;
        return false;
    }
    std::string AllMessages() const {
        std::string all;
        for (const auto& m : notifier.messages) all += m.text + "\n";
        return all;
    }

    test::TempDir dir, elsewhere;
    test::CurrentFolder here;
    std::unique_ptr<Settings> owned = std::make_unique<Settings>();
    const Settings& settings() const { return *owned; }
    test::RecordingNotifier notifier;
    std::unique_ptr<ConfigDialog> dlg;
};

}  // namespace

TEST_F(DamagedFiles, AMissingSettingsFileIsNamedAndTheDefaultsShowInTheCaption) {
    const auto stick = dir / "stick" / "thick.vks";  // a stick not plugged in
    WriteState(stick.string());
    const std::string stateBefore = test::ReadFileBytes(dir / "Quarnell.cfg");
    ConfigDialog& d = Start();
    ASSERT_EQ(notifier.messages.size(), 1u) << AllMessages();
    EXPECT_TRUE(Told(TextId::SettingsFileMissing));
    EXPECT_NE(notifier.messages[0].text.find(stick.string()), std::string::npos);
    EXPECT_EQ(settings().Number("srednica"), 3);
    EXPECT_NE(d.Caption().find(LangText(TextId::SettingsDefaultsNote, kLangEnglish)), std::string::npos);
    EXPECT_EQ(d.Global.SettingsPath, stick.string());  // the pointer is kept for the next start
    EXPECT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg"), stateBefore);

    // A state record whose bytes pass the decoder but name no file: the same.
    notifier.messages.clear();
    WriteState(std::string("\x01\x7f\xfe garbage", 11));
    Start();
    EXPECT_TRUE(Told(TextId::SettingsFileMissing));

    // The very first start (no state record either) has nothing to tell.
    std::filesystem::remove(dir / "Quarnell.cfg");
    notifier.messages.clear();
    Start();
    EXPECT_TRUE(notifier.messages.empty()) << AllMessages();
}

TEST_F(DamagedFiles, ADamagedSettingsFileIsReportedByLineAndLeftAsItIs) {
    const std::string whole = OperatorSettings();
    const auto cutAt = whole.find("srednica := 6") + std::string("srednica := 6").size();
    struct Case {
        const char* what;
        std::string bytes;
        std::string reported;  // a line or a text the message must name
    };
    const std::vector<Case> cases = {
        {"cut inside a number", whole.substr(0, cutAt), "srednica := 6"},
        {"no number", "skala := 150\r\nsrednica := 1e999\r\n", "srednica := 1e999"},
        {"junk after a number", "skala := 150\r\nsrednica := 6.35mm\r\n", "srednica := 6.35mm"},
        {"out of range", "skala := 150\r\nsrednica := 250\r\n", "srednica := 250"},
        {"empty", "", LangText(TextId::SettingsFileHoldsNone, kLangEnglish)},
        {"garbage", std::string("\x89PNG\r\n\x1a\n\0\0\xff", 11),
         LangText(TextId::SettingsFileHoldsNone, kLangEnglish)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        notifier.messages.clear();
        test::WriteFileBytes(dir / "Settings.vks", c.bytes);
        WriteState("Settings.vks");
        Start();
        ASSERT_EQ(notifier.messages.size(), 1u) << AllMessages();
        const std::string& m = notifier.messages[0].text;
        EXPECT_NE(m.find(c.reported), std::string::npos) << m;
        EXPECT_TRUE(Told(TextId::SettingsKeepDefaults));
        // what read stays in force, the rest keeps its default
        EXPECT_EQ(settings().Number("skala"), c.bytes.find("skala := 150") != std::string::npos ? 150 : 100);
        EXPECT_EQ(settings().Number("srednica"), 3);
        EXPECT_EQ(test::ReadFileBytes(dir / "Settings.vks"), c.bytes);
    }
    // A file cut short lists the settings after the cut as missing.
    test::WriteFileBytes(dir / "Settings.vks", whole.substr(0, cutAt));
    notifier.messages.clear();
    Start();
    EXPECT_TRUE(Told(TextId::SettingsNamesMissing));
    EXPECT_NE(AllMessages().find("Jednokierukowo"), std::string::npos);
}

TEST_F(DamagedFiles, ASettingsFileThatDidNotReadIsKeptAsideBeforeOkReplacesIt) {
    const std::string damaged = OperatorSettings().substr(0, 700);
    test::WriteFileBytes(dir / "Settings.vks", damaged);
    WriteState("Settings.vks");
    ConfigDialog& d = Start();
    notifier.messages.clear();
    d.Ok();
    EXPECT_EQ(test::ReadFileBytes(dir / "Settings.vks.bad"), damaged);
    ASSERT_TRUE(Told(TextId::DamagedFileKeptAs));
    EXPECT_NE(AllMessages().find((dir / "Settings.vks.bad").string()), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(dir / "Settings.vks"), SettingsFileText(settings(), '.'));
    // Once replaced by the operator's OK, the next save is an ordinary one.
    notifier.messages.clear();
    d.Ok();
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "Settings.vks.bad2"));

    // A folder in its place cannot be kept aside: nothing replaces it.
    std::filesystem::create_directory(dir / "folder.vks");
    ASSERT_TRUE(d.LoadFrom(dir / "folder.vks"));
    notifier.messages.clear();
    EXPECT_FALSE(d.SaveKonfig(dir / "folder.vks"));
    EXPECT_TRUE(Told(TextId::DamagedFileNotReplaced));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.vks"));
}

// Root reads every file: the program runs as an ordinary user in a child process (as that user
// when the test runs as root), and tells by its exit code what it saw.
TEST_F(DamagedFiles, ASettingsFileTheOperatorMayNotReadIsReportedAndMovedAsideBeforeOk) {
    const std::string mine = OperatorSettings();
    test::WriteFileBytes(dir / "Settings.vks", mine);
    WriteState("Settings.vks");
    std::filesystem::permissions(dir / "Settings.vks",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const bool root = ::geteuid() == 0;
    if (root)
        std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    else
        std::filesystem::permissions(dir / "Settings.vks", std::filesystem::perms::none);
    const auto asOperator = [&]() -> int {
        ConfigDialog& d = Start();
        if (!Told(TextId::SettingsFileUnreadable)) return 1;
        if (settings().Number("srednica") != 3) return 2;
        d.Ok();
        return Told(TextId::DamagedFileKeptAs) ? 0 : 3;
    };
    int code;
    if (root) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) _exit(::setgid(65534) == 0 && ::setuid(65534) == 0 ? asOperator() : 9);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        code = WEXITSTATUS(status);
    } else {
        code = asOperator();
    }
    EXPECT_EQ(code, 0);
    std::filesystem::permissions(dir / "Settings.vks.bad", std::filesystem::perms::owner_all);
    EXPECT_EQ(test::ReadFileBytes(dir / "Settings.vks.bad"), mine);
    EXPECT_EQ(test::ReadFileBytes(dir / "Settings.vks"), SettingsFileText(Settings{}, '.'));
}

TEST_F(DamagedFiles, ACutStateRecordIsKeptAsideAndItsWholeFieldsAreUsed) {
    test::WriteFileBytes(dir / "mine.vks", OperatorSettings());
    WriteState((dir / "mine.vks").string(), 20, 440);  // the start height is cut off
    const std::string cut = test::ReadFileBytes(dir / "Quarnell.cfg");
    ConfigDialog& d = Start();
    ASSERT_EQ(notifier.messages.size(), 1u) << AllMessages();
    EXPECT_TRUE(Told(TextId::GlobalStateDamaged));
    EXPECT_NE(AllMessages().find((dir / "Quarnell.cfg.bad").string()), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg.bad"), cut);
    EXPECT_EQ(d.Global.SettingsPath, (dir / "mine.vks").string());
    EXPECT_EQ(settings().Number("srednica"), 6.35);  // the operator's file still in force
    EXPECT_EQ(jobValues.StartZ, 20);                 // the lost height: above the table
    // Written only at exit, with the settings path.
    EXPECT_EQ(test::ReadFileBytes(dir / "Quarnell.cfg"), cut);
    ASSERT_TRUE(d.SaveGlobal());
    GlobalState back;
    ASSERT_EQ(ReadGlobalStateFile(dir.path(), &back, nullptr), GlobalFileStatus::Read);
    EXPECT_EQ(back.SettingsPath, (dir / "mine.vks").string());

    // A record whose bytes cannot be read at all (a folder in its place) gives the defaults.
    EXPECT_EQ(SalvageGlobalState({}), GlobalState{});
}

TEST_F(DamagedFiles, AStartHeightBeyondTheZAxisIsReportedAndTheDefaultUsed) {
    WriteState("Settings.vks", 500);
    Start();
    EXPECT_TRUE(Told(TextId::GlobalStateStartZOutOfRange));
    EXPECT_EQ(jobValues.StartZ, 20);
    notifier.messages.clear();
    WriteState("Settings.vks", -5);
    Start();
    EXPECT_TRUE(Told(TextId::GlobalStateStartZOutOfRange));
    notifier.messages.clear();
    WriteState("Settings.vks", 85);
    Start();
    EXPECT_TRUE(notifier.messages.empty()) << AllMessages();
    EXPECT_EQ(jobValues.StartZ, 85);
    // A machine measuring Z downward keeps its heights at or below zero.
    ctx.PlotParams.ZReversed = 1;
    WriteState("Settings.vks", -10);
    Start();
    EXPECT_TRUE(notifier.messages.empty()) << AllMessages();
    EXPECT_EQ(jobValues.StartZ, -10);
}

TEST_F(DamagedFiles, TheAddressFileIsUsedOnlyWithFourOctets) {
    test::WriteFileBytes(dir / "Settings.vks", OperatorSettings());  // IP 10.168.0.150
    WriteState("Settings.vks");
    const std::vector<std::string> damaged = {"10\r\n20\r\n30\r\n", "10\r\n20\r\n30\r\n999\r\n",
                                              "10\r\n20\r\n-1\r\n40\r\n", "10\r\n20\r\n30\r\n40\r\n50\r\n", ""};
    for (const std::string& bad : damaged) {
        SCOPED_TRACE(bad);
        test::WriteFileBytes(dir / "DADudavu.txt", bad);
        notifier.messages.clear();
        Start();
        EXPECT_TRUE(Told(TextId::IpFileDamaged));
        EXPECT_EQ(ctx.PlotterIP, "10.168.0.150");
        EXPECT_EQ(test::ReadFileBytes(dir / "DADudavu.txt"), bad);
    }
    test::WriteFileBytes(dir / "DADudavu.txt", " 10\r\n 20\r\n 30\r\n 40\r\n");
    notifier.messages.clear();
    Start();
    EXPECT_TRUE(notifier.messages.empty()) << AllMessages();
    EXPECT_EQ(ctx.PlotterIP, "10.20.30.40");
}
