// The libusb HID backend on whatever USB this machine has (often none, or no permission): it
// must list what it can, refuse what it cannot, and never fail the program.
#include <gtest/gtest.h>

#include <libusb.h>

#include "machine_link/usb_link.h"
#include "platform/libusb_hid_backend.h"
#include "support/machine_rig.h"
#include "support/test_support.h"

using namespace vellisk;

TEST(LibusbHidBackend, ListsOpensAndStopsGracefully) {
    LibusbHidBackend backend;
    if (!backend.Available()) GTEST_LOG_(INFO) << backend.InitError();
    const auto devices = backend.Enumerate();
    for (const auto& d : devices) {
        EXPECT_EQ(d.Path.rfind("usb:", 0), 0u) << d.Path;
        if (!d.Readable) {
            EXPECT_TRUE(d.Manufacturer.empty());
        }
    }
    int error = kHidOk;
    EXPECT_EQ(backend.Open("usb:99-9@99:0", error), nullptr);
    EXPECT_EQ(error, kHidErrFileNotFound);
    EXPECT_FALSE(backend.TakeDeviceChange());
}

TEST(LibusbHidBackend, UsbLinkWithoutAMachine) {
    LibusbHidBackend backend;
    test::MachineRig machine;
    test::RecordingNotifier notifier;
    TfUsb usb(machine.ctx, backend, notifier);
    if (usb.DranholtFrezExist()) GTEST_SKIP() << "a machine is plugged in here";
    EXPECT_EQ(notifier.statuses.back(), "brak lacznosci");
    EXPECT_EQ(usb.Write("X"), kNoMachine);
    UsbStateString s;
    EXPECT_EQ(usb.ReadString(10, s), -1);
}

TEST(LibusbHidBackend, ErrorCodes) {
    EXPECT_EQ(HidErrorFromLibusb(LIBUSB_SUCCESS), kHidOk);
    EXPECT_EQ(HidErrorFromLibusb(LIBUSB_ERROR_ACCESS), kHidErrAccessDenied);
    EXPECT_EQ(HidErrorFromLibusb(LIBUSB_ERROR_NO_DEVICE), kHidErrDeviceGone);
    // a transfer that stalled, failed or timed out is no sent report: never the code that the
    // USB link counts as sent
    EXPECT_EQ(HidErrorFromLibusb(LIBUSB_ERROR_PIPE), kHidErrIoDevice);
    EXPECT_EQ(HidErrorFromLibusb(LIBUSB_ERROR_IO), kHidErrIoDevice);
    EXPECT_EQ(HidErrorFromLibusb(LIBUSB_ERROR_OVERFLOW), kHidErrIoDevice);
    EXPECT_EQ(HidErrorFromLibusb(LIBUSB_ERROR_TIMEOUT), kHidErrTimedOut);
    EXPECT_EQ(HidErrorFromLibusb(LIBUSB_ERROR_BUSY), kHidErrBusy);
}
