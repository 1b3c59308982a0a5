#pragma once
// The parallel-port link of the older controllers. Each byte goes over with a strobe/acknowledge
// handshake on the port's registers: the host waits for the ready line, notes the acknowledge
// level, puts the byte on the data lines and strobes; the controller toggles the acknowledge
// line when it has taken the byte (or has put a reply byte on the lines). One reply stopwatch
// (1.5 s) covers a whole exchange; the caller starts it. A silent controller never blocks longer
// than the stopwatch: every wait gives up once it has run out, and the caller looks at
// TimedOut afterwards.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "machine_link/transport.h"
#include "platform/clock.h"
#include "platform/port_io.h"

namespace vellisk {

class LptTransport final : public Transport {
public:
    // Acknowledge polls between two looks at the stopwatch while a byte is sent.
    static constexpr int kAckPollsPerClockRead = 100000;

    LptTransport(PortIo& port, Clock& clock);

    // The link over the machine's parallel-port device, with its control lines set to idle
    // (Init). Nothing when the device cannot be opened: the parallel port is not used then.
    static std::unique_ptr<LptTransport> Open(const std::string& device = kDefaultParallelPortDevice,
                                              Clock& clock = DefaultClock());

    LinkKind Kind() const override { return LinkKind::ParallelPort; }

    // Sends the command's bytes (SendString); kLinkTimedOut when the stopwatch has run out.
    int Write(std::string_view command) override;
    void StartTimeout() override { stopwatch_.Start(); }
    bool TimedOut() const override { return stopwatch_.Expired(); }
    void SendByte(std::uint8_t b) override;
    std::uint8_t ReceiveByte() override;

    // The bytes in order. Once the stopwatch has run out the rest is not sent: a controller that
    // missed a byte would only take the rest for other commands.
    void SendString(std::string_view bytes);
    // Three bytes, low first, sign-extended from bit 23.
    std::int32_t ReceiveInt24();
    // Two bytes, low first.
    std::uint16_t ReceiveWord();

    bool AckSet() { return (port_.ReadStatus() & kLptStatusAck) != 0; }
    bool BusySet() { return (port_.ReadStatus() & kLptStatusReady) != 0; }
    void ControlSet(std::uint8_t mask) { port_.WriteControl(port_.ReadControl() | mask); }
    void ControlClear(std::uint8_t mask) { port_.WriteControl(static_cast<std::uint8_t>(port_.ReadControl() & ~mask)); }
    // Idle state of the control lines: auto-feed and input direction on, strobe off.
    void Init();

    Stopwatch& ReplyStopwatch() { return stopwatch_; }
    PortIo& Port() { return port_; }

private:
    void WaitReady();

    std::unique_ptr<PortIo> owned_;
    PortIo& port_;
    Stopwatch stopwatch_;
};

// Sign-extends a 24-bit value given as its three bytes, low first.
std::int32_t Int24FromBytes(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2);

}  // namespace vellisk
