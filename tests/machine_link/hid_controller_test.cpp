// The HID device layer over the in-process HID devices: the device list, check-out and check-in,
// and following plug and unplug events.
#include <gtest/gtest.h>

#include "machine_link/hid_controller.h"
#include "sim/fake_hid.h"

using namespace vellisk;
using vellisk::sim::FakeHidBackend;

TEST(HidController, OnlyOneControllerAtATime) {
    FakeHidBackend backend;
    {
        TJvHidDeviceController first(backend);
        EXPECT_THROW(TJvHidDeviceController second(backend), EControllerError);
        try {
            TJvHidDeviceController second(backend);
        } catch (const EControllerError& e) {
            EXPECT_STREQ(e.what(), "Only one TJvHidDeviceController allowed per program");
        }
    }
    EXPECT_NO_THROW(TJvHidDeviceController again(backend));
}

TEST(HidController, ListsDevicesWithIdentityAndEnumeratesInOrderUntilFalse) {
    FakeHidBackend backend;
    backend.Add("Logi", "Mouse");
    backend.Add("DranHolt", "NKV 484 ", "20240115");
    backend.Add("Other", "Pad");
    TJvHidDeviceController c(backend);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Device(1).VendorName(), "DranHolt");
    EXPECT_EQ(c.Device(1).ProductName(), "NKV 484 ");
    EXPECT_EQ(c.Device(1).SerialNumber(), "20240115");
    EXPECT_EQ(c.Device(1).Caps().OutputReportByteLength, 17);

    std::vector<int> seen;
    c.SetOnEnumerate([&](TJvHidDevice& d, int i) {
        EXPECT_TRUE(d.IsEnumerating());
        seen.push_back(i);
        return i < 1;  // stop after the second device
    });
    EXPECT_EQ(c.Enumerate(), 2);
    EXPECT_EQ(seen, (std::vector<int>{0, 1}));
    EXPECT_FALSE(c.Device(0).IsEnumerating());
}

TEST(HidController, UnreadableDeviceKeepsEmptyIdentityAndZeroAttributes) {
    FakeHidBackend backend;
    backend.unreadableIdentity = true;
    backend.Add("DranHolt", "NKV", "x");
    TJvHidDeviceController c(backend);
    EXPECT_EQ(c.Device(0).VendorName(), "");
    EXPECT_EQ(c.Device(0).ProductName(), "");
    EXPECT_EQ(c.Device(0).Attributes().VendorID, 0);
}

TEST(HidController, CheckOutCheckInAndOpening) {
    FakeHidBackend backend;
    backend.Add("A", "a");
    TJvHidDeviceController c(backend);
    EXPECT_EQ(c.CheckOutByIndex(-1), nullptr);
    EXPECT_EQ(c.CheckOutByIndex(1), nullptr);

    TJvHidDevice* free = &c.Device(0);
    EXPECT_FALSE(free->OpenFile()) << "a device neither checked out nor enumerated is not opened";

    TJvHidDevice* d = c.CheckOutByIndex(0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->IsCheckedOut());
    EXPECT_EQ(c.CheckOutByIndex(0), nullptr) << "already checked out";
    EXPECT_TRUE(d->OpenFile());
    EXPECT_TRUE(d->OpenFile());
    EXPECT_EQ(backend.opens, 1) << "an open handle is kept";
    c.CheckIn(d);
    EXPECT_EQ(d, nullptr);
    EXPECT_FALSE(c.Device(0).IsCheckedOut());
    EXPECT_FALSE(c.Device(0).HandleOpen());
}

TEST(HidController, FirstDeviceChangeHandlerRunsOnceAtOnce) {
    FakeHidBackend backend;
    TJvHidDeviceController c(backend);
    int calls = 0;
    c.SetOnDeviceChange([&](TJvHidDeviceController&) { ++calls; });
    EXPECT_EQ(calls, 1);
    c.SetOnDeviceChange([&](TJvHidDeviceController&) { ++calls; });
    EXPECT_EQ(calls, 1) << "only the first assignment in the controller's life runs it";
}

TEST(HidController, DeviceChangeUnplugsGoneDevicesAndAddsNewOnes) {
    FakeHidBackend backend;
    const std::string a = backend.Add("A", "a");
    const std::string b = backend.Add("B", "b");
    TJvHidDeviceController c(backend);
    int changes = 0;
    c.SetOnDeviceChange([&](TJvHidDeviceController&) { ++changes; });
    changes = 0;

    TJvHidDevice* held = c.CheckOutByIndex(1);  // b, checked out
    int unplugs = 0;
    held->OnUnplug = [&](TJvHidDevice& d) {
        ++unplugs;
        EXPECT_FALSE(d.IsPluggedIn());
    };

    EXPECT_FALSE(c.HandleDeviceChangeSignal()) << "no change reported yet";
    backend.Unplug(a);
    backend.Unplug(b);
    const std::string n = backend.Add("N", "n", {}, nullptr, /*quiet=*/false);
    EXPECT_TRUE(c.HandleDeviceChangeSignal());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(unplugs, 1);
    EXPECT_FALSE(held->OnUnplug) << "the unplug handler runs once and is cleared";
    // a (free) left the list; b (checked out) stays until checked in; n was added.
    ASSERT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Device(0).DevicePath(), b);
    EXPECT_FALSE(c.Device(0).IsPluggedIn());
    EXPECT_EQ(c.Device(1).DevicePath(), n);
    EXPECT_EQ(c.CheckOutByIndex(0), nullptr) << "an unplugged device cannot be checked out";

    c.CheckIn(held);  // an unplugged device is destroyed on check-in
    ASSERT_EQ(c.Count(), 1);
    EXPECT_EQ(c.Device(0).DevicePath(), n);

    // A rescan that finds nothing new runs no handler.
    c.DeviceChanged();
    EXPECT_EQ(changes, 1);
}

TEST(HidController, FreeingACheckedOutDeviceLeavesAFreshObjectInItsPlace) {
    FakeHidBackend backend;
    backend.Add("A", "a");
    TJvHidDeviceController c(backend);
    TJvHidDevice* d = c.CheckOutByIndex(0);
    c.FreeDevice(d);
    EXPECT_EQ(d, nullptr);
    ASSERT_EQ(c.Count(), 1);
    EXPECT_FALSE(c.Device(0).IsCheckedOut());
    EXPECT_EQ(c.Device(0).ProductName(), "a");
    EXPECT_NE(c.CheckOutByIndex(0), nullptr);
}
