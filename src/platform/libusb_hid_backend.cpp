#include "platform/libusb_hid_backend.h"

#include <libusb.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace vellisk {

namespace {

constexpr unsigned kTransferTimeoutMs = 1000;  // one report or one descriptor request
constexpr int kListPollMs = 1000;              // device-list comparison without hot-plug
constexpr std::uint16_t kDefaultLangId = 0x0409;

// UTF-16LE code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::uint8_t* p, std::size_t bytes) {
    std::string out;
    const std::size_t n = bytes / 2;
    auto unit = [&](std::size_t i) { return static_cast<std::uint32_t>(p[2 * i] | (p[2 * i + 1] << 8)); };
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c == 0) break;  // some devices pad their strings with zeros
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Raw string descriptor; returns the byte count after the header or a libusb error (< 0).
int RawStringDescriptor(libusb_device_handle* h, int index, std::uint16_t langId, std::uint8_t* buf, int size) {
    const int r = libusb_get_string_descriptor(h, static_cast<std::uint8_t>(index), langId, buf, size);
    if (r < 0) return r;
    if (r < 2 || buf[1] != LIBUSB_DT_STRING) return LIBUSB_ERROR_IO;
    const int len = std::min<int>(r, buf[0]);
    return std::max(0, len - 2);
}

std::uint16_t LanguageOf(libusb_device_handle* h) {
    std::uint8_t buf[255];
    const int n = RawStringDescriptor(h, 0, 0, buf, sizeof buf);
    if (n >= 2) return static_cast<std::uint16_t>(buf[2] | (buf[3] << 8));
    return kDefaultLangId;
}

std::string IdentityString(libusb_device_handle* h, int index, std::uint16_t langId) {
    if (index == 0) return {};
    std::uint8_t buf[255];
    const int n = RawStringDescriptor(h, index, langId, buf, sizeof buf);
    if (n <= 0) return {};
    return Utf16ToUtf8(buf + 2, static_cast<std::size_t>(n));
}

// Where an interface sits: bus, port path and address of its device, and the interface number.
struct Location {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    int iface = 0;
    std::uint8_t outEndpoint = 0;  // interrupt OUT endpoint, 0 when the interface has none
};

std::string PathOf(libusb_device* dev, int iface) {
    std::uint8_t ports[8];
    const int n = libusb_get_port_numbers(dev, ports, 8);
    std::string path = "usb:" + std::to_string(libusb_get_bus_number(dev)) + "-";
    for (int i = 0; i < n; ++i) {
        if (i) path += '.';
        path += std::to_string(ports[i]);
    }
    if (n <= 0) path += '0';
    path += '@' + std::to_string(libusb_get_device_address(dev)) + ':' + std::to_string(iface);
    return path;
}

}  // namespace

int HidErrorFromLibusb(int e) {
    switch (e) {
        case LIBUSB_SUCCESS: return kHidOk;
        case LIBUSB_ERROR_ACCESS: return kHidErrAccessDenied;
        case LIBUSB_ERROR_NO_DEVICE: return kHidErrDeviceGone;
        case LIBUSB_ERROR_NOT_FOUND: return kHidErrFileNotFound;
        case LIBUSB_ERROR_BUSY: return kHidErrBusy;
        case LIBUSB_ERROR_NO_MEM: return kHidErrNotEnoughMemory;
        case LIBUSB_ERROR_INVALID_PARAM:
        case LIBUSB_ERROR_NOT_SUPPORTED: return kHidErrInvalidParameter;
        case LIBUSB_ERROR_TIMEOUT: return kHidErrTimedOut;
        // I/O, stall, overflow, interrupted: the transfer did not get through
        default: return kHidErrIoDevice;
    }
}

struct LibusbHidBackend::Impl {
    ~Impl() {
        if (ctx) libusb_exit(ctx);
    }

    libusb_context* ctx = nullptr;
    std::string initError;
    std::atomic<bool> changePending{false};
    std::mutex wakeMutex;
    std::function<void()> wake;

    bool hotplug = false;
    libusb_hotplug_callback_handle hotplugHandle{};
    std::thread watcher;
    std::atomic<bool> stop{false};
    std::mutex stopMutex;
    std::condition_variable stopCv;

    void RaiseChange() {
        changePending = true;
        std::function<void()> w;
        {
            std::lock_guard lock(wakeMutex);
            w = wake;
        }
        if (w) w();
    }

    // Interfaces present now, by path.
    std::vector<std::pair<HidDeviceInfo, Location>> Scan(bool readIdentity) {
        std::vector<std::pair<HidDeviceInfo, Location>> found;
        if (!ctx) return found;
        libusb_device** list = nullptr;
        const ssize_t count = libusb_get_device_list(ctx, &list);
        if (count < 0) return found;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device* dev = list[i];
            libusb_device_descriptor dd{};
            if (libusb_get_device_descriptor(dev, &dd) != 0) continue;
            libusb_config_descriptor* cfg = nullptr;
            if (libusb_get_active_config_descriptor(dev, &cfg) != 0 || !cfg) continue;
            std::vector<Location> hidIfaces;
            for (int k = 0; k < cfg->bNumInterfaces; ++k) {
                const libusb_interface& itf = cfg->interface[k];
                if (itf.num_altsetting < 1) continue;
                const libusb_interface_descriptor& alt = itf.altsetting[0];
                if (alt.bInterfaceClass != LIBUSB_CLASS_HID) continue;
                Location loc;
                loc.bus = libusb_get_bus_number(dev);
                loc.address = libusb_get_device_address(dev);
                loc.iface = alt.bInterfaceNumber;
                for (int e = 0; e < alt.bNumEndpoints; ++e) {
                    const libusb_endpoint_descriptor& ep = alt.endpoint[e];
                    if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_OUT &&
                        (ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_INTERRUPT) {
                        loc.outEndpoint = ep.bEndpointAddress;
                    }
                }
                hidIfaces.push_back(loc);
            }
            libusb_free_config_descriptor(cfg);
            if (hidIfaces.empty()) continue;

            HidDeviceInfo base;
            base.VendorId = dd.idVendor;
            base.ProductId = dd.idProduct;
            base.VersionNumber = dd.bcdDevice;
            if (readIdentity) {
                libusb_device_handle* h = nullptr;
                if (libusb_open(dev, &h) == 0 && h) {
                    const std::uint16_t lang = LanguageOf(h);
                    base.Manufacturer = IdentityString(h, dd.iManufacturer, lang);
                    base.Product = IdentityString(h, dd.iProduct, lang);
                    base.Serial = IdentityString(h, dd.iSerialNumber, lang);
                    libusb_close(h);
                } else {
                    base.Readable = false;
                }
            }
            for (const Location& loc : hidIfaces) {
                HidDeviceInfo info = base;
                info.Path = PathOf(dev, loc.iface);
                found.emplace_back(std::move(info), loc);
            }
        }
        libusb_free_device_list(list, 1);
        return found;
    }

    void Watch() {
        if (hotplug) {
            while (!stop) {
                timeval tv{0, 200000};
                libusb_handle_events_timeout_completed(ctx, &tv, nullptr);
            }
            return;
        }
        auto keys = [this] {
            std::set<std::string> s;
            for (auto& [info, loc] : Scan(false)) s.insert(info.Path);
            return s;
        };
        std::set<std::string> last = keys();
        std::unique_lock lock(stopMutex);
        while (!stop) {
            stopCv.wait_for(lock, std::chrono::milliseconds(kListPollMs), [this] { return stop.load(); });
            if (stop) break;
            lock.unlock();
            std::set<std::string> now = keys();
            if (now != last) {
                last = std::move(now);
                RaiseChange();
            }
            lock.lock();
        }
    }
};

namespace {

int LIBUSB_CALL OnHotplug(libusb_context*, libusb_device*, libusb_hotplug_event, void* user) {
    static_cast<LibusbHidBackend::Impl*>(user)->RaiseChange();
    return 0;  // stay registered
}

class LibusbHidHandle : public HidHandle {
public:
    LibusbHidHandle(std::shared_ptr<LibusbHidBackend::Impl> impl, libusb_device_handle* h, Location loc)
        : impl_(std::move(impl)), h_(h), loc_(loc) {
        libusb_set_auto_detach_kernel_driver(h_, 1);
        langId_ = LanguageOf(h_);
    }
    ~LibusbHidHandle() override {
        if (claimed_) libusb_release_interface(h_, loc_.iface);
        libusb_close(h_);
    }

    int WriteReport(std::span<const std::uint8_t> report) override {
        if (report.empty()) return kHidErrInvalidParameter;
        if (!claimed_) {
            const int r = libusb_claim_interface(h_, loc_.iface);
            if (r != 0) return Fail(r);
            claimed_ = true;
        }
        // Report number 0 means the device uses no numbered reports: it is not sent.
        const std::uint8_t id = report[0];
        std::span<const std::uint8_t> data = id == 0 ? report.subspan(1) : report;
        // libusb wants a writable buffer; one kept with the handle serves every report.
        std::vector<std::uint8_t>& buf = reportBuffer_;
        buf.assign(data.begin(), data.end());
        if (loc_.outEndpoint != 0) {
            int sent = 0;
            const int r = libusb_interrupt_transfer(h_, loc_.outEndpoint, buf.data(), static_cast<int>(buf.size()),
                                                    &sent, kTransferTimeoutMs);
            if (r != 0) return Fail(r);
            // a report that went out only in part is not a sent report
            return sent == static_cast<int>(buf.size()) ? kHidOk : kHidErrIoDevice;
        }
        const int r = libusb_control_transfer(
            h_, static_cast<std::uint8_t>(0x21) /* host to device, class, interface */, 0x09 /* SET_REPORT */,
            static_cast<std::uint16_t>((2 << 8) | id), static_cast<std::uint16_t>(loc_.iface), buf.data(),
            static_cast<std::uint16_t>(buf.size()), kTransferTimeoutMs);
        if (r < 0) return Fail(r);
        return r == static_cast<int>(buf.size()) ? kHidOk : kHidErrIoDevice;
    }

    int ReadIndexedString(int index, std::span<std::uint8_t> out, std::size_t& got) override {
        got = 0;
        if (index < 0 || index > 255) return kHidErrInvalidParameter;
        std::uint8_t buf[255];
        const int n = RawStringDescriptor(h_, index, langId_, buf, sizeof buf);
        if (n < 0) return Fail(n);
        got = std::min<std::size_t>(static_cast<std::size_t>(n), out.size());
        std::memcpy(out.data(), buf + 2, got);
        return kHidOk;
    }

private:
    int Fail(int libusbError) {
        if (libusbError == LIBUSB_ERROR_NO_DEVICE) impl_->RaiseChange();
        return HidErrorFromLibusb(libusbError);
    }

    std::shared_ptr<LibusbHidBackend::Impl> impl_;
    libusb_device_handle* h_;
    Location loc_;
    std::uint16_t langId_ = kDefaultLangId;
    bool claimed_ = false;
    std::vector<std::uint8_t> reportBuffer_;
};

}  // namespace

LibusbHidBackend::LibusbHidBackend() : impl_(std::make_shared<Impl>()) {
    const int r = libusb_init(&impl_->ctx);
    if (r != 0) {
        impl_->ctx = nullptr;
        impl_->initError = std::string("USB support could not be started: ") + libusb_strerror(r);
        return;
    }
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        const int h = libusb_hotplug_register_callback(
            impl_->ctx,
            static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
            LIBUSB_HOTPLUG_NO_FLAGS, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
            OnHotplug, impl_.get(), &impl_->hotplugHandle);
        impl_->hotplug = h == LIBUSB_SUCCESS;
    }
    impl_->watcher = std::thread([impl = impl_.get()] { impl->Watch(); });
}

LibusbHidBackend::~LibusbHidBackend() {
    {
        std::lock_guard lock(impl_->stopMutex);
        impl_->stop = true;
    }
    impl_->stopCv.notify_all();
    if (impl_->hotplug) libusb_hotplug_deregister_callback(impl_->ctx, impl_->hotplugHandle);
    if (impl_->watcher.joinable()) impl_->watcher.join();
    {
        std::lock_guard lock(impl_->wakeMutex);
        impl_->wake = nullptr;
    }
    // The context goes with the last open handle (handles keep the shared state alive).
}

bool LibusbHidBackend::Available() const { return impl_->ctx != nullptr; }
std::string LibusbHidBackend::InitError() const { return impl_->initError; }

std::vector<HidDeviceInfo> LibusbHidBackend::Enumerate() {
    std::vector<HidDeviceInfo> out;
    for (auto& [info, loc] : impl_->Scan(true)) out.push_back(std::move(info));
    return out;
}

std::unique_ptr<HidHandle> LibusbHidBackend::Open(const std::string& path, int& error) {
    error = kHidOk;
    if (!impl_->ctx) {
        error = kHidErrFileNotFound;
        return nullptr;
    }
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(impl_->ctx, &list);
    if (count < 0) {
        error = HidErrorFromLibusb(static_cast<int>(count));
        return nullptr;
    }
    std::unique_ptr<HidHandle> result;
    error = kHidErrFileNotFound;
    for (auto& [info, loc] : impl_->Scan(false)) {
        if (info.Path != path) continue;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device* dev = list[i];
            if (libusb_get_bus_number(dev) != loc.bus || libusb_get_device_address(dev) != loc.address) continue;
            libusb_device_handle* h = nullptr;
            const int r = libusb_open(dev, &h);
            if (r != 0 || !h) {
                error = HidErrorFromLibusb(r);
                break;
            }
            result = std::make_unique<LibusbHidHandle>(impl_, h, loc);
            error = kHidOk;
            break;
        }
        break;
    }
    libusb_free_device_list(list, 1);
    return result;
}

bool LibusbHidBackend::TakeDeviceChange() { return impl_->changePending.exchange(false); }

void LibusbHidBackend::SetDeviceChangeWake(std::function<void()> wake) {
    std::lock_guard lock(impl_->wakeMutex);
    impl_->wake = std::move(wake);
}

}  // namespace vellisk
