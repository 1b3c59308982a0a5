#pragma once
// The simulated controller's end of the parallel port, at register level, in-process and with no
// real timing. The host's register reads and writes drive it: on a rising strobe with auto-feed
// set the host is sending (the latched data byte goes to the framer), with auto-feed clear the
// host is receiving (the next reply byte goes on the data lines); either way the acknowledge
// line toggles. The framer cuts the byte stream into commands with the controller's command
// lengths and hands them to the model; reply bytes are queued.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/port_io.h"
#include "sim/controller_model.h"

namespace vellisk::sim {

struct PortEvent {
    enum Kind { Data, Control } kind;
    std::uint8_t value;
    bool operator==(const PortEvent&) const = default;
};

class LptPeer : public PortIo {
public:
    explicit LptPeer(ControllerModel& model) : model_(model) {}

    std::uint8_t ReadStatus() override;
    std::uint8_t ReadControl() override { return control_; }
    void WriteControl(std::uint8_t value) override;
    void WriteData(std::uint8_t value) override;
    std::uint8_t ReadData() override;

    // Fault switches.
    bool readyHeldLow = false;  // the ready line stays low: the host waits until it times out
    int noAckBytes = 0;         // the next n strobes are not acknowledged (-1: none ever)

    // What happened on the wire.
    bool recordEvents = false;
    std::vector<PortEvent> events;
    std::string bytesFromHost;  // every byte the controller took
    std::string bytesToHost;    // every reply byte put on the lines
    std::int64_t statusReads = 0;

    std::uint8_t control() const { return control_; }
    const std::string& pending() const { return pending_; }

private:
    void TakeByte(std::uint8_t b);

    ControllerModel& model_;
    std::uint8_t control_ = 0;
    std::uint8_t dataLatch_ = 0;
    std::uint8_t out_ = 0;
    std::uint8_t ack_ = 0;
    std::string pending_;
    std::deque<std::uint8_t> replies_;
};

}  // namespace vellisk::sim
