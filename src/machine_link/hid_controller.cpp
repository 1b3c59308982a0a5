#include "machine_link/hid_controller.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <span>

namespace vellisk {

namespace {
std::atomic<bool> g_controllerExists{false};
}

// ---- device ----

TJvHidDevice::TJvHidDevice(TJvHidDeviceController& controller, const HidDeviceInfo& info)
    : controller_(controller), info_(info) {
    if (info_.Readable) {
        attributes_ = {info_.VendorId, info_.ProductId, info_.VersionNumber};
        caps_ = {info_.InputReportLength, info_.OutputReportLength};
    } else {
        // A device that cannot be opened keeps empty identity texts and zero attributes.
        info_.Manufacturer.clear();
        info_.Product.clear();
        info_.Serial.clear();
    }
}

TJvHidDevice::~TJvHidDevice() { CloseFile(); }

bool TJvHidDevice::OpenFile() {
    if (handle_) return true;
    // A device that cannot be opened has not taken anything: never the "not functioning" code,
    // which the USB link counts as a sent report.
    if (!pluggedIn_ || !(checkedOut_ || enumerating_)) {
        lastError_ = kHidErrFileNotFound;
        return false;
    }
    int error = kHidOk;
    handle_ = controller_.backend_.Open(info_.Path, error);
    if (!handle_) lastError_ = error == kHidOk ? kHidErrFileNotFound : error;
    return handle_ != nullptr;
}

void TJvHidDevice::CloseFile() { handle_.reset(); }

bool TJvHidDevice::WriteFile(const std::uint8_t* buffer, std::size_t length, std::size_t& written) {
    written = 0;
    if (!OpenFile()) return false;
    const int r = handle_->WriteReport(std::span<const std::uint8_t>(buffer, length));
    if (r != kHidOk) {
        lastError_ = r;
        return false;
    }
    written = length;
    return true;
}

bool TJvHidDevice::GetIndexedString(int index, std::uint8_t* buffer, std::size_t length) {
    std::memset(buffer, 0, length);
    if (!handle_) {
        lastError_ = kHidErrFileNotFound;
        return false;
    }
    std::size_t got = 0;
    const int r = handle_->ReadIndexedString(index, std::span<std::uint8_t>(buffer, length), got);
    if (r != kHidOk) {
        std::memset(buffer, 0, length);
        lastError_ = r;
        return false;
    }
    return true;
}

void TJvHidDevice::Unplug() {
    CloseFile();
    pluggedIn_ = false;
    if (OnUnplug) {
        auto handler = std::move(OnUnplug);
        OnUnplug = nullptr;
        handler(*this);
    }
    if (controller_.onDeviceUnplug_) controller_.onDeviceUnplug_(*this);
}

// ---- controller ----

TJvHidDeviceController::TJvHidDeviceController(HidBackend& backend) : backend_(backend) {
    if (g_controllerExists.exchange(true))
        throw EControllerError("Only one TJvHidDeviceController allowed per program");
    try {
        list_ = ScanDevices();
    } catch (...) {
        g_controllerExists = false;
        throw;
    }
}

TJvHidDeviceController::~TJvHidDeviceController() {
    // Checked-out devices are unplugged so that their owners learn of it; then all go.
    for (auto& d : list_)
        if (d->checkedOut_ && d->pluggedIn_) d->Unplug();
    list_.clear();
    g_controllerExists = false;
}

std::vector<std::unique_ptr<TJvHidDevice>> TJvHidDeviceController::ScanDevices() {
    std::vector<std::unique_ptr<TJvHidDevice>> out;
    for (const HidDeviceInfo& info : backend_.Enumerate()) out.push_back(std::make_unique<TJvHidDevice>(*this, info));
    return out;
}

std::size_t TJvHidDeviceController::IndexOf(const TJvHidDevice* device) const {
    for (std::size_t i = 0; i < list_.size(); ++i)
        if (list_[i].get() == device) return i;
    return list_.size();
}

void TJvHidDeviceController::SetOnDeviceChange(TDeviceChangeEvent handler) {
    onDeviceChange_ = std::move(handler);
    if (!deviceChangeFired_ && onDeviceChange_) {
        deviceChangeFired_ = true;
        onDeviceChange_(*this);
    }
}

int TJvHidDeviceController::Enumerate() {
    int calls = 0;
    for (std::size_t i = 0; i < list_.size(); ++i) {
        TJvHidDevice* dev = list_[i].get();
        if (!dev->pluggedIn_) continue;
        ++calls;
        bool goOn = true;
        dev->enumerating_ = true;
        if (onEnumerate_) goOn = onEnumerate_(*dev, static_cast<int>(i));
        // The handler may have replaced or removed list entries; find the device again.
        const std::size_t at = IndexOf(dev);
        if (at < list_.size()) {
            dev->enumerating_ = false;
            if (!dev->checkedOut_) dev->CloseFile();
            i = at;
        }
        if (!goOn) break;
    }
    return calls;
}

TJvHidDevice* TJvHidDeviceController::CheckOutByIndex(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= list_.size()) return nullptr;
    TJvHidDevice* dev = list_[static_cast<std::size_t>(index)].get();
    if (dev->checkedOut_ || !dev->pluggedIn_) return nullptr;
    dev->checkedOut_ = true;
    return dev;
}

void TJvHidDeviceController::CheckIn(TJvHidDevice*& device) {
    if (!device) return;
    const std::size_t at = IndexOf(device);
    device->CloseFile();
    if (at < list_.size()) {
        if (device->pluggedIn_)
            device->checkedOut_ = false;
        else
            list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(at));
    }
    device = nullptr;
}

void TJvHidDeviceController::FreeDevice(TJvHidDevice*& device) {
    if (!device) return;
    const std::size_t at = IndexOf(device);
    if (at < list_.size()) {
        if (device->pluggedIn_) {
            HidDeviceInfo info = device->info_;
            list_[at] = std::make_unique<TJvHidDevice>(*this, info);
        } else {
            list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(at));
        }
    }
    device = nullptr;
}

void TJvHidDeviceController::DeviceChanged() {
    try {
        std::vector<std::unique_ptr<TJvHidDevice>> fresh = ScanDevices();
        auto inFresh = [&](const std::string& path) {
            return std::any_of(fresh.begin(), fresh.end(), [&](const auto& d) { return d->info_.Path == path; });
        };
        bool changed = false;
        // Devices that went (or were unplugged before) are unplugged; free ones leave the list.
        for (std::size_t i = list_.size(); i-- > 0;) {
            TJvHidDevice* dev = list_[i].get();
            if (inFresh(dev->info_.Path) && dev->pluggedIn_) continue;
            if (dev->pluggedIn_) {
                changed = true;
                dev->Unplug();
            }
            if (!dev->checkedOut_) list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(i));
        }
        // Devices already known and plugged in stay as they are; the others are added.
        for (auto& d : fresh) {
            const bool known = std::any_of(list_.begin(), list_.end(), [&](const auto& old) {
                return old->pluggedIn_ && old->info_.Path == d->info_.Path;
            });
            if (known) continue;
            list_.push_back(std::move(d));
            changed = true;
        }
        if (changed && onDeviceChange_) onDeviceChange_(*this);
    } catch (...) {
        // A failure while following the devices must not take the program down.
    }
}

bool TJvHidDeviceController::HandleDeviceChangeSignal() {
    if (!backend_.TakeDeviceChange()) return false;
    DeviceChanged();
    return true;
}

}  // namespace vellisk
