#include "machine_link/lpt_transport.h"

namespace vellisk {

std::int32_t Int24FromBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
    const std::uint32_t v = b0 | (static_cast<std::uint32_t>(b1) << 8) | (static_cast<std::uint32_t>(b2) << 16);
    return (v & 0x800000u) ? static_cast<std::int32_t>(v) - 0x1000000 : static_cast<std::int32_t>(v);
}

LptTransport::LptTransport(PortIo& port, Clock& clock) : port_(port), stopwatch_(clock) {}

std::unique_ptr<LptTransport> LptTransport::Open(const std::string& device, Clock& clock) {
    std::unique_ptr<PortIo> port = OpenParallelPort(device);
    if (!port) return nullptr;
    auto link = std::make_unique<LptTransport>(*port, clock);
    link->owned_ = std::move(port);
    link->Init();
    return link;
}

void LptTransport::Init() {
    ControlSet(kLptControlDataIn | kLptControlAutoFeed);
    ControlClear(kLptControlStrobe);
}

void LptTransport::WaitReady() {
    while ((port_.ReadStatus() & kLptStatusReady) == 0 && !TimedOut()) {}
}

void LptTransport::SendByte(std::uint8_t b) {
    WaitReady();
    const std::uint8_t a0 = port_.ReadStatus() & kLptStatusAck;
    port_.WriteData(0x55);
    ControlSet(kLptControlAutoFeed);
    ControlClear(kLptControlDataIn);  // the data lines become outputs
    port_.WriteData(b);
    ControlSet(kLptControlStrobe);
    // The acknowledge line toggles when the controller has taken the byte.
    for (;;) {
        bool acknowledged = false;
        for (int i = 0; i <= kAckPollsPerClockRead; ++i) {
            if ((port_.ReadStatus() & kLptStatusAck) != a0) {
                acknowledged = true;
                break;
            }
        }
        if (acknowledged || TimedOut()) break;
    }
    port_.WriteControl(static_cast<std::uint8_t>((port_.ReadControl() | kLptControlDataIn) & ~kLptControlStrobe));
    ControlClear(kLptControlStrobe);
}

std::uint8_t LptTransport::ReceiveByte() {
    WaitReady();
    const std::uint8_t a0 = port_.ReadStatus() & kLptStatusAck;
    ControlSet(kLptControlDataIn);  // the data lines become inputs
    ControlClear(kLptControlAutoFeed);
    (void)TimedOut();  // settling time
    (void)TimedOut();
    ControlSet(kLptControlStrobe);
    while ((port_.ReadStatus() & kLptStatusAck) == a0 && !TimedOut()) {}
    (void)TimedOut();
    const std::uint8_t b = port_.ReadData();
    ControlSet(kLptControlAutoFeed);
    ControlClear(kLptControlStrobe);
    (void)TimedOut();
    return b;
}

void LptTransport::SendString(std::string_view bytes) {
    for (char c : bytes) {
        SendByte(static_cast<std::uint8_t>(c));
        if (TimedOut()) break;
    }
}

int LptTransport::Write(std::string_view command) {
    SendString(command);
    return TimedOut() ? kLinkTimedOut : kLinkOk;
}

std::int32_t LptTransport::ReceiveInt24() {
    const std::uint8_t b0 = ReceiveByte();
    const std::uint8_t b1 = ReceiveByte();
    const std::uint8_t b2 = ReceiveByte();
    return Int24FromBytes(b0, b1, b2);
}

std::uint16_t LptTransport::ReceiveWord() {
    const std::uint8_t lo = ReceiveByte();
    const std::uint8_t hi = ReceiveByte();
    return static_cast<std::uint16_t>(lo | (hi << 8));
}

}  // namespace vellisk
