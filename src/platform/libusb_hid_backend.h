#pragma once
// The HID backend on libusb-1.0. It lists the HID interfaces of the USB devices present,
// reads their identity strings, writes output reports (over the interface's interrupt OUT
// endpoint, or as SET_REPORT requests on endpoint 0 when there is none) and reads string
// descriptors raw with GET_DESCRIPTOR requests on endpoint 0, so that binary contents arrive
// unchanged. Plug and unplug events come from libusb's hot-plug notification where the system
// offers it, else from comparing the device list once a second; either runs on a thread of its
// own, which only raises the device-change signal.
//
// Access to USB devices needs permission (a udev rule for the controller, or running as a user
// of the right group). Without it a device is still listed, with empty identity strings, and
// opening it fails with kHidErrAccessDenied. Without USB support at all (no libusb context) the
// list is empty and Available() is false.
#include <memory>
#include <string>

#include "platform/hid_backend.h"

namespace vellisk {

class LibusbHidBackend : public HidBackend {
public:
    LibusbHidBackend();
    ~LibusbHidBackend() override;
    LibusbHidBackend(const LibusbHidBackend&) = delete;
    LibusbHidBackend& operator=(const LibusbHidBackend&) = delete;

    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<HidHandle> Open(const std::string& path, int& error) override;
    bool TakeDeviceChange() override;
    void SetDeviceChangeWake(std::function<void()> wake) override;

    // False when libusb could not be started; InitError() then tells why.
    bool Available() const;
    std::string InitError() const;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

// The error code of the HID layer for a libusb error number.
int HidErrorFromLibusb(int libusbError);

}  // namespace vellisk
