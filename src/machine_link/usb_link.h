#pragma once
// The USB link to the newer controller. The controller is a HID device of the maker "DranHolt";
// each command goes out in 17-byte output reports (report number 0, then 16 payload bytes) and
// the controller's state is read as indexed strings 10..15, fixed binary records of 32 bytes.
// The link follows plug and unplug events through its HID controller and says in the status bar
// whether the machine is there ("obecny") or not ("brak lacznosci").
//
// The link is used from the main thread (and from the bitmap burn thread through the command
// layer, never at the same time). Device changes are taken up by CheckDeviceChanges(), which the
// main thread calls on its timer or when the backend's wake signal arrives.
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "machine_link/hid_controller.h"
#include "machine_link/machine_context.h"
#include "machine_link/transport.h"
#include "platform/clock.h"
#include "platform/hid_backend.h"
#include "platform/notifier.h"

namespace vellisk {

class TfUsb : public Transport {
public:
    // Payload bytes of one output report.
    static constexpr std::size_t UsbReportSize = 16;
    // Size of the report buffer and of the state area.
    static constexpr std::size_t kBufferSize = 65;
    // Tries of one indexed-string read.
    static constexpr int kStringReadTries = 10;

    // Creates the HID controller over the backend, finds the machine, and sends "X".
    TfUsb(MachineContext& ctx, HidBackend& backend, Notifier& notifier, Clock& clock = DefaultClock());
    // Checks every listed device in.
    ~TfUsb() override;
    TfUsb(const TfUsb&) = delete;
    TfUsb& operator=(const TfUsb&) = delete;

    // True when a listed device is the machine: vendor text "DranHolt" exactly and a product text
    // that is not empty and does not begin with "i". The result is kept until the next device
    // change or failed string read.
    bool DranholtFrezExist();

    // Sends a command: 0 sent, an error code of the HID layer, or kNoMachine. Only "not
    // functioning" (31) counts as sent, after a pause; a time-out or a failed transfer is
    // returned as not sent. A command of more
    // than 16 bytes goes out in two reports (bytes after the 32nd are not sent); when the first
    // report fails, the second is not sent and the first's code is returned.
    int Write(std::string_view command) override;

    // Reads indexed string n into the state area: 0, or the last error code (or -1 when there was
    // none) with the state area zeroed and the machine to be searched again. Up to ten tries,
    // but none after a time-out or a vanished device.
    int ReadString(int n);

    // Handles a device change the system reported since the last call; true when there was one.
    bool CheckDeviceChanges();

    // The state area (the last string read, zeros after a failure).
    const std::array<std::uint8_t, kBufferSize>& HidStateString() const { return hidStateString_; }
    // The machine's device, or null.
    TJvHidDevice* MachineDevice() const { return machine_; }
    // Bytes of the last write.
    std::size_t LastWriteLength() const { return lastWrite_; }
    TJvHidDeviceController& Controller() { return JvHidDeviceController1; }

    // ---- Transport ----
    LinkKind Kind() const override { return LinkKind::Usb; }
    int ReadString(int index, UsbStateString& out) override;
    bool MachinePresent() override { return DranholtFrezExist(); }
    // The machine device's vendor, product and serial-number texts.
    bool ReadIdentity(LinkIdentity& out) override;

private:
    void JvHidDeviceController1DeviceChange();
    bool JvHidDeviceController1Enumerate(TJvHidDevice& device, int index);
    void ReleaseDevices();
    // The device vanished during a write or read: follow the change now, so that the following
    // commands find no machine instead of failing one by one.
    void DeviceLost(int code);
    bool WriteReport(int& code);

    MachineContext& ctx_;
    Notifier& notifier_;
    Clock& clock_;
    TJvHidDeviceController JvHidDeviceController1;
    std::vector<TJvHidDevice*> devices_;
    bool machinePresent_ = false;
    TJvHidDevice* machine_ = nullptr;
    std::array<std::uint8_t, kBufferSize> report_{};
    std::array<std::uint8_t, kBufferSize> hidStateString_{};
    std::size_t lastWrite_ = 0;
};

}  // namespace vellisk
