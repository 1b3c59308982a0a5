#include "machine_link/usb_link.h"

#include <algorithm>
#include <cstring>

namespace vellisk {

namespace {
// Status-bar texts of the USB link (the program shows them in Polish in every language).
constexpr const char* kTextMachinePresent = "obecny";
constexpr const char* kTextNoConnection = "brak lacznosci";
constexpr const char* kMachineVendor = "DranHolt";
constexpr double kNotFunctioningPauseMs = 500;
constexpr double kStringRetryPauseMs = 10;
}  // namespace

TfUsb::TfUsb(MachineContext& ctx, HidBackend& backend, Notifier& notifier, Clock& clock)
    : ctx_(ctx), notifier_(notifier), clock_(clock), JvHidDeviceController1(backend) {
    // The enumerate handler is in place before the device-change handler, whose first
    // assignment runs it at once and enumerates the devices: the first status text then already
    // tells whether the machine is there, and no second enumeration is needed.
    JvHidDeviceController1.SetOnEnumerate(
        [this](TJvHidDevice& d, int i) { return JvHidDeviceController1Enumerate(d, i); });
    JvHidDeviceController1.SetOnDeviceChange([this](TJvHidDeviceController&) { JvHidDeviceController1DeviceChange(); });
    Write("X");
}

TfUsb::~TfUsb() {
    for (TJvHidDevice*& d : devices_) JvHidDeviceController1.CheckIn(d);
    devices_.clear();
    machine_ = nullptr;
}

void TfUsb::ReleaseDevices() {
    for (TJvHidDevice*& d : devices_) JvHidDeviceController1.FreeDevice(d);
    devices_.clear();
    machine_ = nullptr;
}

void TfUsb::JvHidDeviceController1DeviceChange() {
    ReleaseDevices();
    machinePresent_ = false;
    JvHidDeviceController1.Enumerate();
    notifier_.Status(DranholtFrezExist() ? kTextMachinePresent : kTextNoConnection);
}

bool TfUsb::JvHidDeviceController1Enumerate(TJvHidDevice&, int index) {
    if (TJvHidDevice* d = JvHidDeviceController1.CheckOutByIndex(index)) devices_.push_back(d);
    return true;
}

bool TfUsb::CheckDeviceChanges() { return JvHidDeviceController1.HandleDeviceChangeSignal(); }

bool TfUsb::DranholtFrezExist() {
    if (machinePresent_ && machine_) return true;
    for (TJvHidDevice* d : devices_) {
        if (!d->IsPluggedIn()) continue;
        const std::string& product = d->ProductName();
        if (d->VendorName() == kMachineVendor && !product.empty() && product[0] != 'i') {
            machine_ = d;
            machinePresent_ = true;
            return true;
        }
    }
    return false;
}

void TfUsb::DeviceLost(int code) {
    if (code == kHidErrDeviceGone) JvHidDeviceController1.DeviceChanged();
}

bool TfUsb::WriteReport(int& code) {
    std::size_t written = 0;
    if (machine_->WriteFile(report_.data(), UsbReportSize + 1, written)) {
        lastWrite_ = written;
        code = kLinkOk;
        return true;
    }
    lastWrite_ = 0;
    code = machine_->LastError();
    return false;
}

int TfUsb::Write(std::string_view s) {
    if (!DranholtFrezExist()) return kNoMachine;
    std::fill(report_.begin(), report_.begin() + UsbReportSize + 1, 0);
    int code = kLinkOk;
    if (s.size() <= UsbReportSize) {
        std::memcpy(report_.data() + 1, s.data(), s.size());
        if (WriteReport(code)) return kLinkOk;
        if (code == kHidErrNotFunctioning) {
            // The controller's USB side hiccups now and then; the command counts as sent. (A
            // transfer that timed out, stalled or failed has codes of its own: not sent.)
            clock_.SleepMs(kNotFunctioningPauseMs);
            ++ctx_.UsbErrorCount;
            return kLinkOk;
        }
        DeviceLost(code);
        return code;
    }
    // Two reports: bytes 1..16, then bytes 17..32 (the rest of the report keeps the first's).
    std::memcpy(report_.data() + 1, s.data(), UsbReportSize);
    if (!WriteReport(code)) {
        DeviceLost(code);
        return code;
    }
    const std::size_t tail = std::min(s.size(), 2 * UsbReportSize) - UsbReportSize;
    std::memcpy(report_.data() + 1, s.data() + UsbReportSize, tail);
    if (WriteReport(code)) return kLinkOk;
    DeviceLost(code);
    return code;
}

int TfUsb::ReadString(int n) {
    int last = -1;
    if (DranholtFrezExist() && machine_->OpenFile()) {
        std::uint8_t buf[kUsbStateStringSize];
        for (int attempt = 0; attempt < kStringReadTries; ++attempt) {
            if (machine_->GetIndexedString(n, buf, sizeof buf)) {
                hidStateString_.fill(0);
                std::memcpy(hidStateString_.data(), buf, sizeof buf);
                return 0;
            }
            last = machine_->LastError();
            ++ctx_.UsbRetryCount;
            clock_.SleepMs(kStringRetryPauseMs);
            // No use asking a device that is gone, nor one that let a request time out: a hung
            // controller would otherwise hold the caller for ten transfer time-outs.
            if (last == kHidErrDeviceGone || last == kHidErrTimedOut) break;
        }
    }
    hidStateString_.fill(0);
    machinePresent_ = false;
    machine_ = nullptr;
    DeviceLost(last);
    return last;
}

int TfUsb::ReadString(int index, UsbStateString& out) {
    const int r = ReadString(index);
    std::memcpy(out.data(), hidStateString_.data(), out.size());
    return r;
}

bool TfUsb::ReadIdentity(LinkIdentity& out) {
    if (!DranholtFrezExist()) return false;
    out.Producer = machine_->VendorName();
    out.Model = machine_->ProductName();
    out.ProductionDate = machine_->SerialNumber();
    return true;
}

}  // namespace vellisk
