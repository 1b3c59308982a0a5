#pragma once
// Register-level access to a PC parallel port: the data, status and control registers (at the
// classic addresses 0x378, 0x379, 0x37A). Values are register values as a PC port presents them,
// not line levels. Status bit 0x80 is the controller's ready line, 0x40 its acknowledge. Control
// bits: 0x01 strobe, 0x02 auto-feed, 0x20 data direction (set: the data lines are inputs).
#include <cstdint>
#include <memory>
#include <string>

namespace vellisk {

inline constexpr std::uint8_t kLptStatusReady = 0x80;
inline constexpr std::uint8_t kLptStatusAck = 0x40;
inline constexpr std::uint8_t kLptControlStrobe = 0x01;
inline constexpr std::uint8_t kLptControlAutoFeed = 0x02;
inline constexpr std::uint8_t kLptControlDataIn = 0x20;

class PortIo {
public:
    virtual ~PortIo() = default;
    virtual std::uint8_t ReadStatus() = 0;
    virtual std::uint8_t ReadControl() = 0;
    virtual void WriteControl(std::uint8_t value) = 0;
    virtual void WriteData(std::uint8_t value) = 0;
    virtual std::uint8_t ReadData() = 0;
};

// The parallel-port device the program uses.
inline constexpr const char* kDefaultParallelPortDevice = "/dev/parport0";

// Opens and claims the parallel-port device through the kernel's ppdev interface. Nothing when
// the device is missing or cannot be opened or claimed (no port, no permission); the program then
// does not use the parallel port.
std::unique_ptr<PortIo> OpenParallelPort(const std::string& device = kDefaultParallelPortDevice);

// True when the parallel-port device can be opened (it is closed again at once).
bool ParallelPortAvailable(const std::string& device = kDefaultParallelPortDevice);

}  // namespace vellisk
