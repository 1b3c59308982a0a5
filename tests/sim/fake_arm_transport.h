#pragma once
// A newer controller reached without any real link: commands go straight to the controller
// model, the state is read as the model's USB strings (Kind Usb) or status record (Kind
// Ethernet). For the command layer's and the streamer's tests over the newer link.
#include <cstdint>
#include <string_view>
#include <vector>

#include "machine_link/transport.h"
#include "sim/controller_model.h"

namespace vellisk::sim {

class FakeArmTransport : public Transport {
public:
    explicit FakeArmTransport(ControllerModel& model, LinkKind kind = LinkKind::Usb) : model_(model), kind_(kind) {}

    LinkKind Kind() const override { return kind_; }

    int Write(std::string_view command) override {
        ++writes;
        if (failNextWrites > 0) {
            --failNextWrites;
            return failCode;
        }
        if (!present) return kind_ == LinkKind::Usb ? kNoMachine : kEthNoEcho;
        model_.Receive(command, kind_);
        return kLinkOk;
    }

    int ReadString(int index, UsbStateString& out) override {
        if (!present || silent) {
            out.fill(0);
            return -1;
        }
        out = model_.UsbString(index);
        return 0;
    }

    bool MachinePresent() override { return present; }

    bool ReadStatusRecord(std::vector<std::uint8_t>& out) override {
        out.clear();
        if (!present || silent) return false;
        out = model_.StatusRecord();
        return true;
    }

    bool ReadIdentity(LinkIdentity& out) override {
        if (!present || silent) return false;
        out.Producer = model_.producer;
        out.Model = model_.model;
        out.ProductionDate = model_.productionDate;
        return true;
    }

    // Fault switches.
    bool present = true;     // false: no machine (USB writes give kNoMachine)
    bool silent = false;     // state reads fail (USB: zeros; Ethernet: no record)
    int failNextWrites = 0;  // the next n writes fail with failCode
    int failCode = 31;
    std::int64_t writes = 0;

private:
    ControllerModel& model_;
    LinkKind kind_;
};

}  // namespace vellisk::sim
