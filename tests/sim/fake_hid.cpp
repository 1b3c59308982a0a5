#include "sim/fake_hid.h"

#include <algorithm>
#include <cstring>

namespace vellisk::sim {

class FakeHidHandle : public HidHandle {
public:
    FakeHidHandle(FakeHidBackend& backend, std::shared_ptr<FakeHidBackend::Device> dev)
        : backend_(backend), dev_(std::move(dev)) {}

    int WriteReport(std::span<const std::uint8_t> report) override {
        if (!dev_->plugged) return kHidErrDeviceGone;
        if (backend_.hung) return TimedOut();
        if (backend_.failWrites > 0) {
            --backend_.failWrites;
            return backend_.writeError == kHidErrTimedOut ? TimedOut() : backend_.writeError;
        }
        if (report.size() != dev_->info.OutputReportLength || report[0] != 0) return kHidErrInvalidParameter;
        dev_->reports.emplace_back(report.begin(), report.end());
        if (dev_->model) {
            // One report is one command: a packet text ("S...") fills the payload, any other
            // command is as long as its letter says.
            std::string payload(reinterpret_cast<const char*>(report.data()) + 1, report.size() - 1);
            const char c = payload[0];
            std::size_t len = payload.size();
            if (c != 'S' && c != 's') len = std::min(len, dev_->model->CommandLength(payload, LinkKind::Usb));
            dev_->model->Receive(std::string_view(payload).substr(0, len), LinkKind::Usb);
        }
        return kHidOk;
    }

    int ReadIndexedString(int index, std::span<std::uint8_t> out, std::size_t& got) override {
        got = 0;
        ++backend_.stringReads;
        if (!dev_->plugged) return kHidErrDeviceGone;
        if (backend_.hung) return TimedOut();
        if (backend_.failReads > 0) {
            --backend_.failReads;
            return backend_.readError == kHidErrTimedOut ? TimedOut() : backend_.readError;
        }
        if (!dev_->model || index < 10 || index > 15) return kHidErrNotFunctioning;
        const UsbStateString s = dev_->model->UsbString(index);
        got = std::min(out.size(), s.size());
        std::memcpy(out.data(), s.data(), got);
        return kHidOk;
    }

private:
    int TimedOut() {
        if (backend_.clock) backend_.clock->SleepMs(backend_.transferTimeoutMs);
        return kHidErrTimedOut;
    }

    FakeHidBackend& backend_;
    std::shared_ptr<FakeHidBackend::Device> dev_;
};

std::string FakeHidBackend::Add(const std::string& vendor, const std::string& product, const std::string& serial,
                                ControllerModel* model, bool quiet) {
    auto d = std::make_shared<Device>();
    d->info.Path = "fake-hid:" + std::to_string(++next_);
    d->info.VendorId = 0x1234;
    d->info.ProductId = static_cast<std::uint16_t>(next_);
    d->info.Manufacturer = vendor;
    d->info.Product = product;
    d->info.Serial = serial;
    d->info.Readable = !unreadableIdentity;
    d->model = model;
    const std::string path = d->info.Path;
    devices_[path] = std::move(d);
    order_.push_back(path);
    if (!quiet) SignalChange();
    return path;
}

std::string FakeHidBackend::AddMachine(ControllerModel& model, const std::string& product, const std::string& serial,
                                       bool quiet) {
    return Add("DranHolt", product, serial, &model, quiet);
}

void FakeHidBackend::Unplug(const std::string& path, bool signal) {
    devices_.at(path)->plugged = false;
    order_.erase(std::remove(order_.begin(), order_.end(), path), order_.end());
    if (signal) SignalChange();
}

void FakeHidBackend::SignalChange() {
    change_ = true;
    if (wake_) wake_();
}

std::vector<HidDeviceInfo> FakeHidBackend::Enumerate() {
    ++enumerations;
    std::vector<HidDeviceInfo> out;
    for (const std::string& p : order_) out.push_back(devices_.at(p)->info);
    return out;
}

std::unique_ptr<HidHandle> FakeHidBackend::Open(const std::string& path, int& error) {
    ++opens;
    auto it = devices_.find(path);
    if (it == devices_.end() || !it->second->plugged) {
        error = kHidErrFileNotFound;
        return nullptr;
    }
    if (openError != kHidOk) {
        error = openError;
        return nullptr;
    }
    error = kHidOk;
    return std::make_unique<FakeHidHandle>(*this, it->second);
}

bool FakeHidBackend::TakeDeviceChange() {
    const bool c = change_;
    change_ = false;
    return c;
}

}  // namespace vellisk::sim
