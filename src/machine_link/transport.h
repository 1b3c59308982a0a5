#pragma once
// What the command layer needs from a link to the controller. Three links implement it:
//   - the parallel port (older controllers): a command goes out byte by byte with a
//     strobe/acknowledge handshake and the controller answers with reply bytes, all timed by one
//     reply stopwatch per exchange;
//   - USB HID (newer controllers): a command goes out in 17-byte output reports and the
//     controller's state is read as indexed strings 10..15 (fixed binary records, 32 bytes);
//   - Ethernet (newer controllers): a command goes out on the command socket and is echoed back;
//     the state comes in the record that answers the status request "SX", the identity from the
//     identity request.
// Every link implements Write; the other operations belong to one or two links and have a
// neutral default for the others. Decoding the replies into the machine state is the command
// layer's business, not the link's: a link only moves bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vellisk {

enum class LinkKind { ParallelPort, Usb, Ethernet };

// Write results shared by the links. 0 means sent; any other value is the link's error code
// (USB: the system's error code; Ethernet: one of the exchange codes below).
inline constexpr int kLinkOk = 0;
// USB: no machine is present (the command layer retries these writes).
inline constexpr int kNoMachine = -123456;
// Parallel port: the reply stopwatch ran out during the exchange.
inline constexpr int kLinkTimedOut = -2;
// The link a job or a wait started on went away (the active link changed).
inline constexpr int kLinkGone = -3;
// Ethernet exchange failures (the command layer neither retries nor reports them; the job
// streamer ends the job on them).
inline constexpr int kEthNoStatusReply = 100;
inline constexpr int kEthNoEcho = 101;
inline constexpr int kEthEchoLength = 102;
inline constexpr int kEthEchoDiffers = 103;

// Size of one USB indexed state string as the command layer reads it.
inline constexpr std::size_t kUsbStateStringSize = 32;
using UsbStateString = std::array<std::uint8_t, kUsbStateStringSize>;

// The Ethernet status record: at most 256 bytes; a record shorter than kStatusRecordMinSize does
// not hold every field and is taken as no reply.
inline constexpr std::size_t kStatusRecordMaxSize = 256;
inline constexpr std::size_t kStatusRecordMinSize = 104;

// The identity texts of the controller (producer, model, production date or serial).
struct LinkIdentity {
    std::string Producer;
    std::string Model;
    std::string ProductionDate;
};

class Transport {
public:
    virtual ~Transport() = default;

    virtual LinkKind Kind() const = 0;

    // --- every link --------------------------------------------------------------------------
    // Sends one command (raw bytes; any value including 0 may occur). 0 when sent, else the
    // link's error code (see above). Must not throw for a missing or silent controller.
    virtual int Write(std::string_view command) = 0;

    // --- parallel port: the reply stopwatch and the reply bytes ------------------------------
    // Starts the reply stopwatch; the caller starts it once per exchange (a command and its
    // reply), so the time limit covers the whole exchange.
    virtual void StartTimeout() {}
    // The stopwatch has run past its limit. Always false on the USB and Ethernet links.
    virtual bool TimedOut() const { return false; }
    // One byte with the single-byte handshake (no stopwatch start; the status poll uses it).
    virtual void SendByte(std::uint8_t b) { Write(std::string_view(reinterpret_cast<const char*>(&b), 1)); }
    // One reply byte; after a time-out whatever the port reads.
    virtual std::uint8_t ReceiveByte() { return 0; }

    // --- USB: indexed state strings 10..15 ---------------------------------------------------
    // Reads string `index` into `out`. 0 when read; otherwise `out` is all zeros and the result
    // is the system's error code, or -1 when there was none (no machine, no device handle).
    virtual int ReadString(int index, UsbStateString& out) {
        (void)index;
        out.fill(0);
        return -1;
    }
    // Whether the machine is present on this link (USB: a device of the machine's maker).
    virtual bool MachinePresent() { return true; }

    // --- Ethernet: the status record ---------------------------------------------------------
    // Sends the status request "SX" and receives the record into `out` (at most
    // kStatusRecordMaxSize bytes). False when nothing came; `out` is then empty.
    virtual bool ReadStatusRecord(std::vector<std::uint8_t>& out) {
        out.clear();
        return false;
    }

    // --- USB and Ethernet: identity texts ----------------------------------------------------
    // USB: the device's vendor, product and serial-number strings; Ethernet: the identity
    // request. False when nothing could be read; `out` is then left as it was.
    virtual bool ReadIdentity(LinkIdentity& out) {
        (void)out;
        return false;
    }
};

}  // namespace vellisk
