// The parallel port through the Linux ppdev interface.
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/port_io.h"

namespace vellisk {

namespace {

// ppdev writes the control lines strobe, auto-feed, init and select through PPWCONTROL; the
// data direction goes through PPDATADIR. A shadow of the whole control register keeps the
// direction bit for the read-modify-write of the callers.
class PpdevPort final : public PortIo {
public:
    explicit PpdevPort(int fd) : fd_(fd) {}
    ~PpdevPort() override {
        ioctl(fd_, PPRELEASE);
        close(fd_);
    }
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    std::uint8_t ReadStatus() override {
        unsigned char v = 0;
        if (ioctl(fd_, PPRSTATUS, &v) != 0) return 0;
        return v;
    }
    std::uint8_t ReadControl() override { return shadow_; }
    void WriteControl(std::uint8_t value) override {
        const bool in = (value & kLptControlDataIn) != 0;
        if (in != ((shadow_ & kLptControlDataIn) != 0)) {
            int dir = in ? 1 : 0;
            ioctl(fd_, PPDATADIR, &dir);
        }
        unsigned char lines =
            value & (PARPORT_CONTROL_STROBE | PARPORT_CONTROL_AUTOFD | PARPORT_CONTROL_INIT | PARPORT_CONTROL_SELECT);
        ioctl(fd_, PPWCONTROL, &lines);
        shadow_ = value;
    }
    void WriteData(std::uint8_t value) override {
        unsigned char v = value;
        ioctl(fd_, PPWDATA, &v);
    }
    std::uint8_t ReadData() override {
        unsigned char v = 0;
        if (ioctl(fd_, PPRDATA, &v) != 0) return 0;
        return v;
    }

    // The shadow starts from the port's control lines, with the data lines as outputs.
    void Init() {
        unsigned char v = 0;
        if (ioctl(fd_, PPRCONTROL, &v) == 0) shadow_ = v & ~kLptControlDataIn;
        int dir = 0;
        ioctl(fd_, PPDATADIR, &dir);
    }

private:
    int fd_;
    std::uint8_t shadow_ = 0;
};

}  // namespace

std::unique_ptr<PortIo> OpenParallelPort(const std::string& device) {
    const int fd = open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (ioctl(fd, PPCLAIM) != 0) {
        close(fd);
        return nullptr;
    }
    auto port = std::make_unique<PpdevPort>(fd);
    port->Init();
    return port;
}

bool ParallelPortAvailable(const std::string& device) {
    const int fd = open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
}

}  // namespace vellisk
