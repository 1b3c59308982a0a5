// The USB link against the in-process HID devices with the simulated controller behind the
// machine's device: finding the machine, the output reports of a command, the state strings, the
// retries and error counts, and a machine that is unplugged and plugged in again.
#include <gtest/gtest.h>

#include "machine_link/commands.h"
#include "machine_link/usb_link.h"
#include "sim/controller_model.h"
#include "sim/fake_clock.h"
#include "sim/fake_hid.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;
using vellisk::sim::ControllerModel;
using vellisk::sim::FakeClock;
using vellisk::sim::FakeHidBackend;

namespace {

std::vector<std::uint8_t> Report(std::string_view payload) {
    std::vector<std::uint8_t> r(17, 0);
    for (std::size_t i = 0; i < payload.size() && i < 16; ++i) r[1 + i] = static_cast<std::uint8_t>(payload[i]);
    return r;
}

struct UsbFixture : ::testing::Test, test::MachineRig {
    test::RecordingNotifier notifier;
    FakeClock clock;
    FakeHidBackend backend;
    ControllerModel model;
};

}  // namespace

TEST_F(UsbFixture, FindsTheMachinePastADecoyAndSendsXAtCreation) {
    backend.Add("Logi", "Mouse");
    const std::string decoy = backend.Add("DranHolt", "iPanel", "1");
    backend.Add("DranHolt", "", "2");  // an empty product text never qualifies
    const std::string machine = backend.AddMachine(model, "NKV 484 ", "20240115");
    TfUsb usb(ctx, backend, notifier, clock);

    ASSERT_TRUE(usb.DranholtFrezExist());
    EXPECT_EQ(usb.MachineDevice()->DevicePath(), machine);
    EXPECT_TRUE(backend.Reports(decoy).empty());
    ASSERT_EQ(backend.Reports(machine).size(), 1u);
    EXPECT_EQ(backend.Reports(machine)[0], Report("X"));
    EXPECT_EQ(model.log.back().bytes, "X");
    ASSERT_FALSE(notifier.statuses.empty());
    EXPECT_EQ(notifier.statuses.front(), "obecny") << "the first status text already finds the machine";

    LinkIdentity id;
    ASSERT_TRUE(usb.ReadIdentity(id));
    EXPECT_EQ(id.Producer, "DranHolt");
    EXPECT_EQ(id.Model, "NKV 484 ");
    EXPECT_EQ(id.ProductionDate, "20240115");
}

TEST_F(UsbFixture, VendorTextMustMatchExactly) {
    backend.Add("Dranholt", "NKV", "x", &model);
    backend.Add("DRANHOLT", "NKV", "x", &model);
    TfUsb usb(ctx, backend, notifier, clock);
    EXPECT_FALSE(usb.DranholtFrezExist());
    EXPECT_EQ(notifier.statuses.back(), "brak lacznosci");
    EXPECT_EQ(usb.Write("X"), kNoMachine);
    LinkIdentity id;
    EXPECT_FALSE(usb.ReadIdentity(id));
}

TEST_F(UsbFixture, ReportBytesOfCommands) {
    const std::string m = backend.AddMachine(model);
    TfUsb usb(ctx, backend, notifier, clock);
    const auto& reports = backend.Reports(m);

    // A 16-byte packet fills report bytes 1..16 and goes out in one report.
    const std::string packet = LaserPowerCommand(0x01020304);
    ASSERT_EQ(packet.size(), 16u);
    EXPECT_EQ(usb.Write(packet), 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1], Report(packet));
    EXPECT_EQ(usb.LastWriteLength(), 17u);

    // A 15-byte move is one report: 00 41 ... FF 00.
    const MoveCommand mv = EncodeMoveCommandEx(1, 100, -200, 0, kNoSpeedLimit);
    ASSERT_EQ(mv.Bytes.size(), 15u);
    EXPECT_EQ(usb.Write(mv.Bytes), 0);
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[2][0], 0x00);
    EXPECT_EQ(reports[2][1], 0x41);
    EXPECT_EQ(reports[2][15], 0xFF);
    EXPECT_EQ(reports[2][16], 0x00);
    EXPECT_EQ(model.stepX, 100);
    EXPECT_EQ(model.stepY, -200);

    // A 20-byte command: two reports; the second carries bytes 17..20 in report bytes 1..4 and
    // keeps bytes 5..16 of the first.
    std::string twenty;
    for (int i = 0; i < 20; ++i) twenty += static_cast<char>('a' + i);
    EXPECT_EQ(usb.Write(twenty), 0);
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[3], Report(twenty.substr(0, 16)));
    std::vector<std::uint8_t> second = reports[3];
    for (int i = 0; i < 4; ++i) second[1 + i] = static_cast<std::uint8_t>(twenty[16 + i]);
    EXPECT_EQ(reports[4], second);

    // Bytes after the 32nd are not sent.
    std::string forty(40, 'q');
    forty[31] = 'Z';
    forty[32] = 'W';
    EXPECT_EQ(usb.Write(forty), 0);
    ASSERT_EQ(reports.size(), 7u);
    EXPECT_EQ(reports[6][16], 'Z');
}

TEST_F(UsbFixture, NotFunctioningCountsAsSentAfterAPauseOtherErrorsAreReturned) {
    const std::string m = backend.AddMachine(model);
    TfUsb usb(ctx, backend, notifier, clock);
    backend.failWrites = 1;
    backend.writeError = kHidErrNotFunctioning;
    const auto slept = clock.slept;
    EXPECT_EQ(usb.Write("Y"), 0);
    EXPECT_EQ(ctx.UsbErrorCount, 1);
    EXPECT_EQ(clock.slept - slept, std::chrono::milliseconds(500));

    backend.failWrites = 1;
    backend.writeError = kHidErrAccessDenied;
    EXPECT_EQ(usb.Write("Y"), kHidErrAccessDenied);
    EXPECT_EQ(ctx.UsbErrorCount, 1);
}

TEST_F(UsbFixture, TwoReportWriteStopsWhenTheFirstReportFails) {
    const std::string m = backend.AddMachine(model);
    TfUsb usb(ctx, backend, notifier, clock);
    const std::size_t before = backend.Reports(m).size();
    backend.failWrites = 1;
    backend.writeError = kHidErrNotFunctioning;
    EXPECT_EQ(usb.Write(std::string(20, 'k')), kHidErrNotFunctioning);
    EXPECT_EQ(backend.Reports(m).size(), before) << "the tail must not go out alone";
    EXPECT_EQ(ctx.UsbErrorCount, 0) << "no special treatment on the two-report path";
}

TEST_F(UsbFixture, StateStringsComeFromTheController) {
    backend.AddMachine(model);
    TfUsb usb(ctx, backend, notifier, clock);
    model.stepX = -5;
    model.baseY = 77;
    for (int n = 10; n <= 15; ++n) {
        UsbStateString s{};
        ASSERT_EQ(usb.ReadString(n, s), 0) << n;
        if (n == 10) {
            EXPECT_EQ(s[6], 0xFB);
            EXPECT_EQ(s[9], 0xFF);
        } else {
            EXPECT_EQ(s, model.UsbString(n)) << n;
        }
        for (std::size_t i = 0; i < s.size(); ++i) EXPECT_EQ(usb.HidStateString()[i], s[i]);
    }
}

TEST_F(UsbFixture, StringReadRetriesAndFailure) {
    backend.AddMachine(model);
    TfUsb usb(ctx, backend, notifier, clock);

    backend.failReads = 3;
    UsbStateString s{};
    EXPECT_EQ(usb.ReadString(11, s), 0);
    EXPECT_EQ(ctx.UsbRetryCount, 3);

    ASSERT_EQ(usb.ReadString(14), 0);
    backend.failReads = 10;
    backend.readError = kHidErrNotFunctioning;
    const auto slept = clock.slept;
    EXPECT_EQ(usb.ReadString(14), kHidErrNotFunctioning);
    EXPECT_EQ(ctx.UsbRetryCount, 13);
    EXPECT_EQ(clock.slept - slept, std::chrono::milliseconds(100));
    for (std::uint8_t b : usb.HidStateString()) EXPECT_EQ(b, 0);
    // The machine is searched again on the next call and found.
    EXPECT_EQ(usb.ReadString(14), 0);

    // A device that cannot be opened: -1 and zeros.
    usb.Controller().Device(0).CloseFile();
    backend.openError = kHidErrAccessDenied;
    EXPECT_EQ(usb.ReadString(10), -1);
}

TEST_F(UsbFixture, NoMachineReadsMinusOneAndZeros) {
    TfUsb usb(ctx, backend, notifier, clock);
    UsbStateString s;
    s.fill(7);
    EXPECT_EQ(usb.ReadString(10, s), -1);
    for (std::uint8_t b : s) EXPECT_EQ(b, 0);
    EXPECT_EQ(usb.Write("X"), kNoMachine);
}

TEST_F(UsbFixture, UnplugAndPlugInAgain) {
    const std::string m = backend.AddMachine(model);
    TfUsb usb(ctx, backend, notifier, clock);
    ASSERT_TRUE(usb.DranholtFrezExist());

    backend.Unplug(m);
    EXPECT_TRUE(usb.CheckDeviceChanges());
    EXPECT_EQ(notifier.statuses.back(), "brak lacznosci");
    EXPECT_FALSE(usb.DranholtFrezExist());
    EXPECT_EQ(usb.Write("X"), kNoMachine);
    EXPECT_FALSE(usb.CheckDeviceChanges());

    const std::string again = backend.AddMachine(model, "NKV 484 ", "20240115", /*quiet=*/false);
    EXPECT_TRUE(usb.CheckDeviceChanges());
    EXPECT_EQ(notifier.statuses.back(), "obecny");
    EXPECT_EQ(usb.Write("Y"), 0);
    EXPECT_EQ(backend.Reports(again).back(), Report("Y"));
}

TEST_F(UsbFixture, MachineThatVanishesMidWriteIsNoticedAtOnce) {
    const std::string m = backend.AddMachine(model);
    TfUsb usb(ctx, backend, notifier, clock);
    backend.Unplug(m, /*signal=*/false);  // the system has not said so yet
    EXPECT_EQ(usb.Write("X"), kHidErrDeviceGone);
    EXPECT_EQ(notifier.statuses.back(), "brak lacznosci");
    EXPECT_EQ(usb.Write("X"), kNoMachine) << "later commands find no machine";
    UsbStateString s;
    EXPECT_EQ(usb.ReadString(10, s), -1);
}
