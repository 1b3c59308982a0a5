#pragma once
// The HID device layer: the controller keeps the list of the HID device interfaces present and
// follows plug and unplug events; a device carries its identity texts and writes output reports
// and reads indexed strings. The USB link is its user. Everything runs on the main thread; the
// system's device-change signal is picked up by HandleDeviceChangeSignal().
//
// Ownership: the controller owns every device object in its list. A checked-out device belongs
// to the one who checked it out until it is checked in or freed (FreeDevice); pointers to devices
// must not be used after the controller is gone.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace vellisk {

class TJvHidDeviceController;

// Misuse of the HID layer (a second controller in one program).
class EControllerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct THIDDAttributes {
    std::uint16_t VendorID = 0;
    std::uint16_t ProductID = 0;
    std::uint16_t VersionNumber = 0;
};

struct THIDPCaps {
    std::uint16_t InputReportByteLength = 0;
    std::uint16_t OutputReportByteLength = 0;
};

class TJvHidDevice {
public:
    TJvHidDevice(TJvHidDeviceController& controller, const HidDeviceInfo& info);
    ~TJvHidDevice();
    TJvHidDevice(const TJvHidDevice&) = delete;
    TJvHidDevice& operator=(const TJvHidDevice&) = delete;

    const std::string& DevicePath() const { return info_.Path; }
    const THIDDAttributes& Attributes() const { return attributes_; }
    const THIDPCaps& Caps() const { return caps_; }
    const std::string& VendorName() const { return info_.Manufacturer; }
    const std::string& ProductName() const { return info_.Product; }
    const std::string& SerialNumber() const { return info_.Serial; }
    bool IsPluggedIn() const { return pluggedIn_; }
    bool IsCheckedOut() const { return checkedOut_; }
    bool IsEnumerating() const { return enumerating_; }
    TJvHidDeviceController& Controller() const { return controller_; }

    // Opens the device when it is plugged in and checked out (or being enumerated) and no handle
    // is open. True when a handle is open.
    bool OpenFile();
    void CloseFile();
    bool HandleOpen() const { return handle_ != nullptr; }

    // One synchronous write of an output report (opening the device first when needed). False on
    // failure; LastError() then tells why.
    bool WriteFile(const std::uint8_t* buffer, std::size_t length, std::size_t& written);

    // The raw bytes of indexed string `index` into the buffer (zero-filled after what came). False
    // on failure or when no handle is open; LastError() then tells why.
    bool GetIndexedString(int index, std::uint8_t* buffer, std::size_t length);

    // The error code of the last failed operation (kHidOk when none failed yet).
    int LastError() const { return lastError_; }

    // Runs once when the device is unplugged, then is cleared.
    std::function<void(TJvHidDevice&)> OnUnplug;

private:
    friend class TJvHidDeviceController;
    void Unplug();

    TJvHidDeviceController& controller_;
    HidDeviceInfo info_;
    THIDDAttributes attributes_;
    THIDPCaps caps_;
    std::unique_ptr<HidHandle> handle_;
    bool pluggedIn_ = true;
    bool checkedOut_ = false;
    bool enumerating_ = false;
    int lastError_ = kHidOk;
};

class TJvHidDeviceController {
public:
    using TDeviceChangeEvent = std::function<void(TJvHidDeviceController&)>;
    using TEnumerateEvent = std::function<bool(TJvHidDevice& device, int index)>;
    using TUnplugEvent = std::function<void(TJvHidDevice&)>;

    // Builds the device list. Only one controller may exist at a time (EControllerError).
    explicit TJvHidDeviceController(HidBackend& backend);
    ~TJvHidDeviceController();
    TJvHidDeviceController(const TJvHidDeviceController&) = delete;
    TJvHidDeviceController& operator=(const TJvHidDeviceController&) = delete;

    // Stores the handler; the first assignment in the controller's life runs it once at once.
    void SetOnDeviceChange(TDeviceChangeEvent handler);
    void SetOnEnumerate(TEnumerateEvent handler) { onEnumerate_ = std::move(handler); }
    void SetOnDeviceUnplug(TUnplugEvent handler) { onDeviceUnplug_ = std::move(handler); }

    // Calls OnEnumerate for each plugged-in device in list order (index = list index) until one
    // call returns false; returns the number of calls.
    int Enumerate();

    // The device at the list index, marked checked out; null when the index is outside the list
    // or the device is already checked out or unplugged.
    TJvHidDevice* CheckOutByIndex(int index);
    // Closes the device's handle; a plugged-in device becomes free again, an unplugged one is
    // destroyed. The caller's pointer is cleared.
    void CheckIn(TJvHidDevice*& device);
    // The owner of a checked-out device is done with it: a device still plugged in is replaced in
    // the list by a fresh, free object for the same path; an unplugged one leaves the list. The
    // caller's pointer is cleared.
    void FreeDevice(TJvHidDevice*& device);

    // Rescans the devices: unplugs those that went, appends those that came, and runs
    // OnDeviceChange when anything changed. Errors inside are swallowed.
    void DeviceChanged();
    // Runs DeviceChanged when the system reported a device change since the last look; true then.
    bool HandleDeviceChangeSignal();

    int Count() const { return static_cast<int>(list_.size()); }
    TJvHidDevice& Device(int index) { return *list_.at(static_cast<std::size_t>(index)); }
    HidBackend& Backend() { return backend_; }

private:
    friend class TJvHidDevice;
    std::vector<std::unique_ptr<TJvHidDevice>> ScanDevices();
    std::size_t IndexOf(const TJvHidDevice* device) const;

    HidBackend& backend_;
    std::vector<std::unique_ptr<TJvHidDevice>> list_;
    TDeviceChangeEvent onDeviceChange_;
    TEnumerateEvent onEnumerate_;
    TUnplugEvent onDeviceUnplug_;
    bool deviceChangeFired_ = false;
};

}  // namespace vellisk
