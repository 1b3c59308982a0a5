// The machine dialogs' behaviour against the simulated controller: the move dialog and its test
// loops and surface scan, the tool length, the base points and their file, the outputs, and the
// inverter parameters. Bytes are compared as the controller received them; status reads are left
// out where they only poll.
#include <gtest/gtest.h>

#include <fstream>

#include "machine_link/inverter.h"
#include "machine_operation/base_points.h"
#include "machine_operation/move_dialog.h"
#include "machine_operation/outputs_dialog.h"
#include "machine_operation/tool_length.h"
#include "machine_operation/dialog_rig.h"
#include "support/test_support.h"

namespace vellisk {
namespace {

using namespace std::chrono_literals;

using test::B;

// Ends a loop at the n-th look for a key.
struct StopAfter : UserInterrupt {
    int polls = 0, stopAt;
    explicit StopAfter(int n = 1) : stopAt(n) {}
    bool Poll() override { return ++polls >= stopAt; }
};

// The parallel port and the newer controller on USB, over one simulated controller.
struct Rig : test::DialogRig {
    Rig() {
        ctx.PlotParams.StepsX = 2.0;
        ctx.PlotParams.StepsY = 4.0;
        ctx.PlotParams.StepsZ = 1.0;
        ctx.PlotParams.Multiplier = 2;
        ctx.WorkAreaX = 600;
        ctx.WorkAreaY = 400;
    }
    // What the controller received, without the status, position, speed and tool reads.
    std::vector<std::string> Commands() const {
        std::vector<std::string> out;
        for (const auto& c : model.log)
            if (c.bytes.empty() || std::string_view("XEIJZOH").find(c.bytes[0]) == std::string_view::npos)
                out.push_back(c.bytes);
        return out;
    }
};

// ---- move dialog -------------------------------------------------------------------------

TEST(MoveDialogExecute, ModesClampToTheWorkAreaAndSendOneMoveOfTheControllersForm) {
    {  // machine coordinates: the fields are corrected in place; 15-byte move on the newer one
        Rig r;
        r.UseUsb();
        r.model.stepX = 2000;  // 10 mm at 2 steps per 0.01 mm
        r.layer.ReadPosition();
        MoveDialog d(r.layer, r.env, r.settings);
        d.mode = MoveDialog::ToMachine;
        d.x = -5;
        d.y = 1000;
        d.z = 3;
        StopAfter never(1 << 30);
        ASSERT_TRUE(d.Execute(never));
        EXPECT_EQ(d.x, 0);
        EXPECT_EQ(d.y, 400);
        EXPECT_EQ(d.z, 0);  // limited to the base Z (0)
        EXPECT_EQ(r.Commands(), std::vector<std::string>{EncodeMoveCommandEx(2, -2000, 160000, 0, 65535).Bytes});
    }
    {  // by a delta: -100 mm at X = 30 mm moves -30 mm; Z is limited by the base Z
        Rig r;
        r.ctx.PlotState.BaseZ = 500;
        r.model.stepX = 6000;  // 30 mm
        r.model.stepZ = 300;   // 3 mm
        MoveDialog d(r.layer, r.env, r.settings);
        d.x = -100;
        d.z = 5;
        d.withoutZ = false;
        StopAfter never(1 << 30);
        r.layer.ReadPosition();
        ASSERT_TRUE(d.Execute(never));
        EXPECT_EQ(r.Commands(), std::vector<std::string>{EncodeMoveCommand(2, -6000, 0, 200).Bytes});
    }
    {  // project coordinates: relative to the base point, the fields keep their values
        Rig r;
        r.ctx.PlotState.BaseX = 1000;
        MoveDialog d(r.layer, r.env, r.settings);
        d.mode = MoveDialog::ToProject;
        d.x = 5;
        d.y = 2;
        StopAfter never(1 << 30);
        ASSERT_TRUE(d.Execute(never));
        EXPECT_EQ(d.x, 5);
        EXPECT_EQ(r.Commands(), std::vector<std::string>{EncodeMoveCommand(2, 3000, 800, 0).Bytes});
    }
}

TEST(MoveDialogTests, OneRoundOfEachTestLoop) {
    Rig r;
    MoveDialog d(r.layer, r.env, r.settings);
    r.model.stepY = 1000;  // Y 2.5 mm
    d.x = 1;
    d.y = -2;
    StopAfter round(3);  // the third look for a key: in the back move's first wait
    d.MotionTest(round);
    EXPECT_EQ(r.Commands(), (std::vector<std::string>{EncodeMoveCommand(1, 200, -800, 0).Bytes,
                                                      EncodeMoveCommand(1, -200, 800, 0).Bytes, "Y"}));

    r.model.log.clear();
    r.settings.SetNumber("CzasRozruchu", 2);
    const auto slept = r.clock.slept;
    StopAfter heater;
    d.HeaterTest(heater);
    EXPECT_EQ(r.Commands(), (std::vector<std::string>{B({'R', 1, 2}), B({'R', 0, 2})}));
    EXPECT_GE(r.clock.slept - slept, 4s);

    r.model.log.clear();
    r.UseUsb();
    r.settings.SetNumber("work_power", 50);
    r.settings.SetNumber("SpoczynkowaMocLasera", 10);
    StopAfter laser;
    d.LaserTest(laser);
    EXPECT_EQ(r.Commands(), (std::vector<std::string>{B({'T', 1, 128}), B({'T', 3, 26}), B({'R', 1, 1}),
                                                      PadPacket("SLS"), B({'R', 1, 3})}));
}

TEST(MoveDialogTests, MotionTestStaysInsideTheWorkAreaAndEndsAtOnce) {
    Rig r;
    r.UseUsb();
    r.ctx.WorkAreaZ = 150;
    r.model.stepX = 599 * 100 * 2;  // X 599 mm of 600
    r.model.stepY = 1 * 100 * 4;    // Y 1 mm
    r.model.busyReadsPerMove = 3;
    const tplotparams& p = r.ctx.PlotParams;
    auto move = [&](std::int32_t dx, std::int32_t dy, std::int32_t dz) {
        return EncodeMoveCommandEx(p.Multiplier, dx, dy, dz, kNoSpeedLimit).Bytes;
    };
    MoveDialog d(r.layer, r.env, r.settings);
    d.x = 5;
    d.y = -2;
    d.z = 200;
    d.withoutZ = true;
    // The machine's STOP key during the second move ends the test there.
    int moves = 0;
    r.model.onCommand = [&](const sim::ReceivedCommand& c) {
        if (c.bytes[0] == 'A' && ++moves == 2) r.model.pressKeysOnce = sim::kKeyStop;
    };
    StopAfter never(1 << 30);
    d.MotionTest(never);
    EXPECT_EQ(r.Commands(), (std::vector<std::string>{move(200, -400, 0), move(-200, 400, 0), "Y"}))
        << "1 mm to the X edge, 1 mm to the Y edge, no Z";
    EXPECT_EQ(r.ctx.PendingMachineKeys.load(), 0) << "the test took the key";

    // With Z: 150 mm of the 200 asked, and a key ends the first move mid-way.
    r.model.log.clear();
    r.model.onCommand = nullptr;
    r.model.stepX = r.model.stepY = r.model.stepZ = 0;
    d.x = d.y = 0;
    d.withoutZ = false;
    StopAfter key(2);
    d.MotionTest(key);
    EXPECT_EQ(r.Commands(), (std::vector<std::string>{move(0, 0, 15000), "Y"}));
}

TEST(MoveDialogTests, LoopsEndWhenTheControllerStopsAnswering) {
    Rig r;
    r.UseUsb();
    MoveDialog d(r.layer, r.env, r.settings);
    d.x = 1;
    int moves = 0;
    r.model.onCommand = [&](const sim::ReceivedCommand& c) {
        if (c.bytes[0] == 'A' && ++moves == 3) r.usb.silent = true;
    };
    StopAfter never(1 << 30);
    d.MotionTest(never);
    EXPECT_EQ(moves, 3);
    r.usb.silent = false;
    r.usb.present = false;  // unplugged: the heater test stops at its first command
    d.HeaterTest(never);
}

TEST(MoveDialogScan, ProbesTheGridAndWritesScanTxtInTheProgramFolder) {
    Rig r;
    test::TempDir elsewhere;
    test::CurrentFolder here(elsewhere.path());  // as started from a desktop entry
    r.ctx.WorkAreaX = 20;
    r.ctx.WorkAreaY = 100;
    r.ctx.PlotState.BaseZ = 5000;
    // Each probe stops 1.5 mm below the base.
    r.model.onCommand = [&](const sim::ReceivedCommand& c) {
        if (c.bytes == "W") r.model.stepZ = -5150;
    };
    MoveDialog d(r.layer, r.env, r.settings);
    d.x = 10;
    d.y = 10;
    d.z = 60;
    StopAfter never(1 << 30);
    ASSERT_TRUE(d.Scan(never));
    std::ifstream f(r.dir / "scan.txt", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(f)), {});
    std::string expect;
    // The first column upward from 20, the next downward from 100; rows near 40 and 80 skipped.
    for (int y : {20, 30, 50, 60, 70, 90, 100}) expect += MoveDialog::ScanLine(0, y, -1.5) + "\r\n";
    for (int y : {100, 90, 70, 60, 50, 30, 20, 10}) expect += MoveDialog::ScanLine(10, y, -1.5) + "\r\n";
    EXPECT_EQ(text, expect);
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "scan.txt"));
    EXPECT_EQ(MoveDialog::ScanLine(0, 20, -1.5), "    0.00   20.00   -1.50");
    // Travel to the first point (factor M); per point a move there (none for the first, the
    // travel got there), the probe, back to the travel height; at the end one move home.
    const auto cmds = r.Commands();
    ASSERT_EQ(cmds.size(), 1u + 15 * 3 - 1 + 1);
    EXPECT_EQ(cmds[0], EncodeMoveCommand(2, 0, 8000, 1000).Bytes);
    EXPECT_EQ(cmds[1], "W");
    EXPECT_EQ(cmds[2], EncodeMoveCommand(1, 0, 0, 6150).Bytes);
    EXPECT_EQ(cmds[3], EncodeMoveCommand(1, 0, 4000, 0).Bytes);
    EXPECT_EQ(cmds.back(), EncodeMoveCommand(2, -2000, -4000, -1000).Bytes);
    EXPECT_EQ(r.model.stepX, 0);
    EXPECT_EQ(r.model.stepY, 0);
}

TEST(MoveDialogScan, SpacingOfZeroOrBelowIsRefused) {
    Rig r;
    MoveDialog d(r.layer, r.env, r.settings);
    d.x = -10;
    d.y = 10;
    d.z = 5;
    StopAfter never(1 << 30);
    EXPECT_FALSE(d.Scan(never));
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_EQ(r.notifier.messages[0].text, "Put the parameters");
    EXPECT_EQ(r.notifier.messages[0].caption, "scan");
    EXPECT_TRUE(r.Commands().empty());
    EXPECT_TRUE(MoveDialog::NearGrid40(40) && MoveDialog::NearGrid40(36) && !MoveDialog::NearGrid40(35) &&
                MoveDialog::NearGrid40(0) && !MoveDialog::NearGrid40(20));
}

// ---- tool length -------------------------------------------------------------------------

TEST(ToolLength, OkTableAndMaterialSendTheBaseZ) {
    Rig r;
    ToolLengthDialog d(r.layer, r.env, r.settings);
    d.Ok(12.345);
    EXPECT_EQ(r.ctx.PlotState.BaseZ, 1234);  // halves to even
    r.model.stepZ = -3000;
    ASSERT_TRUE(d.OnTable());
    EXPECT_EQ(r.ctx.PlotState.BaseZ, 3000);
    ASSERT_TRUE(d.OnMaterial());  // 0.5 mm base + 10 mm material
    EXPECT_EQ(r.ctx.PlotState.BaseZ, 50 + 3000 + 1000);
    EXPECT_EQ(r.Commands(),
              (std::vector<std::string>{"N" + IntToBytes3(1234), "N" + IntToBytes3(3000), "N" + IntToBytes3(4050)}));
    r.model.busyReads = 1;
    EXPECT_FALSE(d.OnTable());
    EXPECT_EQ(r.notifier.messages.back().text, "Stop the plotter before measurement");
}

TEST(ToolLength, AutomaticMeasurementOnThePlateAndAKeyThatStopsIt) {
    for (bool key : {false, true}) {
        Rig r;
        r.UseUsb();
        r.settings.SetChoice("PolozeniePlytki", 1);
        r.settings.SetNumber("GruboscPlytki", 2);
        r.settings.SetNumber("ponad_stol", 0.5);
        r.model.stepZ = -1000;
        r.layer.ReadPosition();
        r.model.onCommand = [&](const sim::ReceivedCommand& c) {
            if (c.bytes == "W") {
                r.model.stepZ = -6000;
                r.model.busyReads = 5;
            }
        };
        ToolLengthDialog d(r.layer, r.env, r.settings);
        StopAfter interrupt(key ? 2 : 1 << 30);
        ASSERT_TRUE(d.Probe(interrupt));
        EXPECT_EQ(r.ctx.PlotState.BaseZ, 6250);
        const auto cmds = r.Commands();
        std::vector<std::string> expect{EncodeMoveCommandEx(2, 0, 0, 1000, 65535).Bytes, "W"};
        if (key) expect.push_back("Y");
        expect.push_back("N" + IntToBytes4(6250));
        expect.push_back(EncodeMoveCommandEx(2, 0, 0, 6000, 65535).Bytes);
        expect.push_back(B({'V', 0}) + IntToBytes4(0));
        EXPECT_EQ(cmds, expect) << "key " << key;
    }
}

// ---- base points -------------------------------------------------------------------------

TEST(BasePoints, LinesRoundTripWithEitherSeparatorAndInAnyUnit) {
    EXPECT_EQ(BasePointLine({1234.5, 20, "vice"}, kUnitMm, '.'), "X= 1234.500   Y=   20.000 vice");
    EXPECT_EQ(BasePointLine({1234.5, 20, "vice"}, kUnitMm, ','), "X= 1234,500   Y=   20,000 vice");
    for (char sep : {'.', ','}) {
        const auto p = ParseBasePointLine(BasePointLine({25.4, 50.8, "a remark"}, kUnitInch, sep), kUnitInch, sep);
        ASSERT_TRUE(p);
        EXPECT_NEAR(p->xMm, 25.4, 1e-9);
        EXPECT_NEAR(p->yMm, 50.8, 1e-9);
        EXPECT_EQ(p->remark, "a remark");
    }
    // A value of 10 characters or more is read back cut to 9; a line without "Y=" is refused.
    EXPECT_EQ(ParseBasePointLine("X=123456.790   Y=    1.000 r", kUnitMm, '.')->xMm, 123456.79);
    EXPECT_FALSE(ParseBasePointLine("X=   1.000   Z=  2", kUnitMm, '.'));
    EXPECT_EQ(
        ParseBasePointLine(BasePointLine({1, 2, ""}, kUnitMm, '.') + std::string(40, 'r'), kUnitMm, '.')->remark.size(),
        28u);
}

TEST(BasePoints, DialogKeepsItsListInBaseTxt) {
    Rig r;
    {
        BasePointsDialog d(r.layer, r.env, ',');
        ASSERT_EQ(d.lines.size(), 1u);  // the sample line
        d.RemoveSelected();
        d.Select(0);
        d.RemoveSelected();
        d.x = 100.5;
        d.y = 2;
        d.remark = "vice";
        d.Add();
        EXPECT_EQ(d.selected, 0);
        ASSERT_TRUE(d.Save());
    }
    std::ofstream(r.dir / "base.txt", std::ios::app) << "X=  broken\n";
    BasePointsDialog d(r.layer, r.env, ',');
    ASSERT_EQ(d.lines.size(), 2u);
    d.Select(0);
    ASSERT_TRUE(d.CopySelected());
    EXPECT_EQ(d.x, 100.5);
    EXPECT_EQ(d.remark, "vice");
    d.Select(1);
    EXPECT_FALSE(d.CopySelected());
    EXPECT_EQ(d.x, 100.5);
    EXPECT_EQ(r.notifier.messages.size(), 1u);
}

TEST(BasePoints, AFileThatCannotBeReadIsReportedAndNeverReplacedUnasked) {
    Rig r;
    r.env.Lang.Language = kLangEnglish;
    std::filesystem::create_directory(r.dir / "base.txt");  // unreadable: a folder in its place
    {
        BasePointsDialog d(r.layer, r.env, '.');
        ASSERT_EQ(r.notifier.messages.size(), 1u);
        EXPECT_NE(r.notifier.messages[0].text.find(r.env.Text(TextId::BaseFileUnreadable)), std::string::npos);
        EXPECT_TRUE(d.Save());  // unchanged: left alone
        d.Add();
        EXPECT_FALSE(d.Save());  // changed, but what is there cannot be kept aside
        EXPECT_TRUE(std::filesystem::is_directory(r.dir / "base.txt"));
    }
    // A list read and not changed is not written back (its own line ends stay).
    std::filesystem::remove(r.dir / "base.txt");
    const std::string lines = "X=    1.000   Y=    2.000 vice\nX=    3.000   Y=    4.000 table\n";
    test::WriteFileBytes(r.dir / "base.txt", lines);
    {
        BasePointsDialog d(r.layer, r.env, '.');
        EXPECT_EQ(d.lines.size(), 2u);
        EXPECT_TRUE(d.Save());
        EXPECT_EQ(test::ReadFileBytes(r.dir / "base.txt"), lines);
        d.Select(0);
        d.RemoveSelected();
        EXPECT_TRUE(d.Save());
    }
    EXPECT_EQ(test::ReadFileBytes(r.dir / "base.txt"), "X=    3.000   Y=    4.000 table\r\n");
}

// ---- outputs and inverter ----------------------------------------------------------------

TEST(OutputsDialog, ShowsAndSwitchesTheOilOutput) {
    Rig r;
    r.UseUsb();
    r.ctx.ModelCode = "NKV";
    r.model.outputByte = 0x40;
    OutputsDialog d(r.layer);
    d.Activate();
    EXPECT_TRUE(d.enabled);
    EXPECT_FALSE(d.checked);
    EXPECT_TRUE(r.Commands().empty());
    d.Click(true);
    r.model.outputByte = 0;
    r.ctx.ModelCode = "NZV";
    OutputsDialog fresh(r.layer);
    fresh.Activate();  // the machine reports oil on: that counts as a click
    EXPECT_EQ(r.Commands(), (std::vector<std::string>{B({'R', 0, 0xC0}), B({'R', 0, 0xC0})}));
    r.ctx.ModelCode = "BKT";
    OutputsDialog other(r.layer);
    other.Activate();
    EXPECT_FALSE(other.enabled);
}

TEST(InverterParameters, WholeFileIsCheckedThenSentPaced) {
    Rig r;
    r.UseUsb();
    r.ctx.ModelCode = "NKV";
    std::ofstream(r.dir / "3g3MV.dat", std::ios::binary) << "1 2 first\r\n\r\n261   1000 spindle\r\n";
    const auto before = r.clock.now;
    EXPECT_EQ(LoadInverterParameters(r.layer, r.env), 2);
    EXPECT_EQ(r.Commands(), (std::vector<std::string>{B({'[', 1, 0, 2, 0}), B({'[', 5, 1, 0xE8, 3})}));
    EXPECT_GE(r.clock.now - before, 160ms);

    r.model.log.clear();
    r.ctx.ModelCode = "BKT";  // "3g3jv.dat": missing, nothing happens
    EXPECT_EQ(LoadInverterParameters(r.layer, r.env), 0);
    std::ofstream(r.dir / "3g3jv.dat", std::ios::binary) << "1 2\n3 70000\n4 5\n";
    EXPECT_EQ(LoadInverterParameters(r.layer, r.env), 0);
    EXPECT_TRUE(r.Commands().empty());
    ASSERT_EQ(r.notifier.messages.size(), 1u);
    EXPECT_NE(r.notifier.messages[0].text.find("3g3jv.dat, line 2"), std::string::npos);
}

}  // namespace
}  // namespace vellisk
