#pragma once
// The operating system's HID services as the HID device layer needs them: the list of HID device
// interfaces with their identity strings, opening one, writing output reports, reading indexed
// string descriptors as raw bytes, and a signal when devices come or go.
//
// Failures are reported as the error codes the USB link acts on (the codes of the system the
// controller's protocol was defined on), so that the link's behaviour does not depend on which
// backend is underneath.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vellisk {

// Error codes of HID operations.
inline constexpr int kHidOk = 0;
inline constexpr int kHidErrAccessDenied = 5;  // no permission to open the device
inline constexpr int kHidErrNotEnoughMemory = 8;
inline constexpr int kHidErrNotFunctioning = 31;  // the device does not respond as it should
// A transfer that did not complete: the report (or the string) did not get through.
inline constexpr int kHidErrTimedOut = 1460;  // the device did not take it in time (hung)
inline constexpr int kHidErrIoDevice = 1117;  // stalled, cut short or failed on the bus
inline constexpr int kHidErrInvalidParameter = 87;
inline constexpr int kHidErrBusy = 170;         // the device is held by another program
inline constexpr int kHidErrFileNotFound = 2;   // no device at that path
inline constexpr int kHidErrDeviceGone = 1167;  // the device was unplugged

// One HID device interface as the system lists it.
struct HidDeviceInfo {
    std::string Path;  // unique while the device stays plugged in
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
    std::uint16_t VersionNumber = 0;
    std::string Manufacturer;               // the device's vendor string (UTF-8), empty when unreadable
    std::string Product;                    // the device's product string
    std::string Serial;                     // the device's serial-number string
    std::uint16_t OutputReportLength = 17;  // report number byte included
    std::uint16_t InputReportLength = 17;
    bool Readable = true;  // false when the device could not be opened to read its identity
};

// An open device.
class HidHandle {
public:
    virtual ~HidHandle() = default;

    // One synchronous write of an output report; report[0] is the report number. Returns kHidOk
    // or an error code.
    virtual int WriteReport(std::span<const std::uint8_t> report) = 0;

    // The raw bytes of string descriptor `index` after its two-byte header, at most out.size()
    // bytes; `got` receives their count. Returns kHidOk or an error code.
    virtual int ReadIndexedString(int index, std::span<std::uint8_t> out, std::size_t& got) = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // Every HID device interface present now.
    virtual std::vector<HidDeviceInfo> Enumerate() = 0;

    // Opens the device at the path for reading and writing. On failure returns null and sets
    // `error`.
    virtual std::unique_ptr<HidHandle> Open(const std::string& path, int& error) = 0;

    // True once when devices were plugged or unplugged since the last call (the device-change
    // signal). Called from the main thread.
    virtual bool TakeDeviceChange() = 0;

    // Called (from any thread) when a device change becomes pending, so that the front end can
    // wake its main thread to handle it. Null: nobody is woken; the change waits for the next
    // TakeDeviceChange.
    virtual void SetDeviceChangeWake(std::function<void()> wake) = 0;
};

}  // namespace vellisk
