#pragma once
// HID devices in-process: a backend that lists any number of devices, and behind the machine's
// device the simulated controller model. Each 17-byte output report written to the machine is
// one command for the model; indexed strings 10..15 are the model's state strings. Devices can
// be plugged and unplugged (raising the device-change signal), and writes, reads and opening can
// be made to fail.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/hid_backend.h"
#include "sim/controller_model.h"

namespace vellisk::sim {

class FakeHidBackend : public HidBackend {
public:
    struct Device {
        HidDeviceInfo info;
        ControllerModel* model = nullptr;  // the controller behind it, or none
        bool plugged = true;
        std::vector<std::vector<std::uint8_t>> reports;  // every report written, as written
    };

    // Adds a device (signalling a change unless quiet); returns its path.
    std::string Add(const std::string& vendor, const std::string& product, const std::string& serial = {},
                    ControllerModel* model = nullptr, bool quiet = true);
    // The machine: vendor "DranHolt", the model text as product, the date as serial.
    std::string AddMachine(ControllerModel& model, const std::string& product = "NKV 484 ",
                           const std::string& serial = "20240115", bool quiet = true);
    // Unplugs a device: it leaves the list and open handles fail with kHidErrDeviceGone.
    void Unplug(const std::string& path, bool signal = true);
    // Raises the device-change signal.
    void SignalChange();

    Device& At(const std::string& path) { return *devices_.at(path); }
    // Reports written to the device at the path.
    const std::vector<std::vector<std::uint8_t>>& Reports(const std::string& path) {
        return devices_.at(path)->reports;
    }

    // ---- fault switches ----
    int failWrites = 0;  // the next n writes fail with writeError
    int writeError = kHidErrNotFunctioning;
    int failReads = 0;  // the next n string reads fail with readError
    int readError = kHidErrNotFunctioning;
    int openError = kHidOk;           // opening fails with this code (kHidOk: opens)
    bool unreadableIdentity = false;  // devices added from now on cannot be opened at listing
    // A hung controller: every report and string request to a plugged device times out
    // (kHidErrTimedOut), as does any failure switched on above with kHidErrTimedOut. Each time-out
    // costs the transfer time-out on `clock` (when set), as the real backend waits it out.
    bool hung = false;
    Clock* clock = nullptr;
    double transferTimeoutMs = 1000;

    // ---- counters ----
    int opens = 0;
    int stringReads = 0;
    int enumerations = 0;

    // ---- HidBackend ----
    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<HidHandle> Open(const std::string& path, int& error) override;
    bool TakeDeviceChange() override;
    void SetDeviceChangeWake(std::function<void()> wake) override { wake_ = std::move(wake); }

private:
    friend class FakeHidHandle;
    std::vector<std::string> order_;  // paths in the order the system lists them
    std::map<std::string, std::shared_ptr<Device>> devices_;
    bool change_ = false;
    int next_ = 0;
    std::function<void()> wake_;
};

}  // namespace vellisk::sim
