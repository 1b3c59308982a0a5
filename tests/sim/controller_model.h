#pragma once
// The simulated controller: one model of the machine's controller that every simulated link
// (the parallel-port peer, the fake newer-controller transport, the HID device and the TCP
// controller) drives. It holds what the host can ask for or change (position, base point, status
// and key bits, speeds, outputs, identity, work area, counters), a job buffer that fills as job
// commands arrive and drains as the host polls the status, and a log of every command received.
//
// Commands reach the model whole (Receive); cutting a byte stream into commands is the link
// peer's work (CommandLength helps). Replies: on the parallel port Receive returns the reply
// bytes; the newer links read the state as USB strings (UsbString) or the status record
// (StatusRecord).
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "machine_link/transport.h"

namespace vellisk::sim {

// Status byte bits.
inline constexpr std::uint8_t kStBusy = 0x01;
inline constexpr std::uint8_t kStRunning = 0x02;  // running a job from memory
inline constexpr std::uint8_t kStSpindle = 0x04;
inline constexpr std::uint8_t kStNotReady = 0x08;  // query again
inline constexpr std::uint8_t kStJobStored = 0x20;
// Key byte bits (the second byte of the status word).
inline constexpr std::uint8_t kKeyBufferFull = 0x02;
inline constexpr std::uint8_t kKeyStart = 0x08;
inline constexpr std::uint8_t kKeyStop = 0x10;  // also "pause requested"
inline constexpr std::uint8_t kKeyContinue = 0x20;
inline constexpr std::uint8_t kKeyOverTorque = 0x40;

struct ReceivedCommand {
    std::string bytes;  // exactly as received
    LinkKind link;
};

// Follows one streamed job command by command: the job commands (lower-case letters) and the
// end-of-job packet ("SE", 16 bytes) that closes them; direct commands in between are not part
// of it, and nothing after the end packet is.
class StreamedJobFollower {
public:
    // Whether the command belongs to the job.
    bool Take(std::string_view c) {
        if (ended_ || c.empty()) return false;
        if (c[0] >= 'a' && c[0] <= 'z') return started_ = true;
        if (started_ && c.size() == 16 && c.substr(0, 2) == "SE") return ended_ = true;
        return false;
    }

private:
    bool started_ = false, ended_ = false;
};

class ControllerModel {
public:
    ControllerModel();

    // ---- state the host reads or changes -----------------------------------------------------
    std::int32_t stepX = 0, stepY = 0, stepZ = 0;  // position, motor steps
    std::int32_t baseX = 0, baseY = 0, baseZ = 0;  // base point, motor steps
    std::uint8_t statusByte = 0;                   // bits kSt*
    std::uint8_t keyByte = 0;                      // bits kKey* (buffer full is computed)
    std::uint8_t outputByte = 0;
    std::uint8_t speedSet = 0;
    std::array<std::int32_t, 4> speeds{800, 400, 200, 100};  // raw controller values
    std::int32_t extraSpeed = 50;
    std::uint8_t outputIndex = 0;
    std::array<std::uint16_t, 6> outValues{};
    std::string producer = "Dranholt";
    std::string model = "BKT";
    std::string productionDate = "20240115";
    std::array<std::int32_t, 3> workArea{600, 400, 100};  // mm
    std::int32_t runMinutes = 1234;
    std::int32_t jobCount = 56;
    std::string firmwareVersion = "550";  // three digits for USB string 15; empty: no version
    bool armController = false;           // newer controller widths: "A" 15, "V" 6, "S" 16
    std::array<std::uint8_t, 4> ip{};
    std::vector<std::pair<std::uint16_t, std::uint16_t>> inverterParams;

    // ---- log -----------------------------------------------------------------------------
    std::vector<ReceivedCommand> log;  // every command, in order of arrival
    int statusReads = 0;               // status reads of any link

    // ---- job buffer ------------------------------------------------------------------------
    // Job commands (lower-case letters, the content of a job file) are kept in `job` in order.
    // On the newer links they also fill the buffer: it reads full from `bufferCapacity` commands
    // on (0: never full) and every status read drains `drainPerStatusRead` of them. The host
    // sends a whole slice after one status read, so the buffer really holds `bufferSize`
    // commands (0: no limit); a command beyond that is lost and counted as an overflow.
    std::vector<std::string> job;
    std::size_t bufferCapacity = 0;
    std::size_t bufferSize = 0;
    std::size_t bufferCount = 0;
    std::size_t drainPerStatusRead = 0;
    std::size_t overflowCount = 0;    // job commands that found the buffer already holding bufferSize
    std::size_t bufferFullReads = 0;  // status reads that reported the buffer full

    // ---- behaviour and fault switches --------------------------------------------------------
    int busyReadsPerMove = 0;        // a move keeps the busy bit for this many status reads
    int busyReads = 0;               // status reads left with the busy bit
    int runningReadsAfterStart = 0;  // "G" of a stored job: running for this many status reads
    int runningReads = 0;
    int notReadyReads = 0;         // the next k status reads report "query again" (bit 3)
    bool bufferStuckFull = false;  // the buffer reads full whatever it holds
    int pressKeysOnce = 0;         // key bits reported on the next status read only
    // Called after every command is logged (tests change switches mid-exchange with it).
    std::function<void(const ReceivedCommand&)> onCommand;

    // ---- driving the model -------------------------------------------------------------------
    // Applies one whole command received over `link`; returns the parallel-port reply bytes
    // (empty for the newer links and for commands without a reply).
    std::string Receive(std::string_view command, LinkKind link);

    // A status read: counts it, drains the buffer, advances busy/running/not-ready counters.
    // Returns the status byte as this read reports it; the key byte of the same read is in
    // `lastKeyByte`.
    std::uint8_t ReadStatusByte();
    std::uint8_t lastKeyByte = 0;

    // Whether the buffer reads full now.
    bool BufferFull() const;

    // Length of the command that starts the pending bytes on `link` (command byte included), as
    // the controller frames its input. 1 for a byte that starts no known command.
    std::size_t CommandLength(std::string_view pending, LinkKind link) const;

    // USB indexed string 10..15 (string 10 is a status read). Other indexes: all zeros.
    UsbStateString UsbString(int index);
    // The record that answers "SX" (a status read), 104 bytes or more.
    std::vector<std::uint8_t> StatusRecord();
    // The identity reply of the Ethernet identity request: "DRANHOLT" at some offset p, the
    // model at p + 21, the date at p + 42.
    std::string IdentityReply() const;

    // Commands received over a link, in order (job commands and direct ones alike).
    std::vector<std::string> Received(LinkKind link) const;
    // The job as the newer controller received it, from log entry `from` on: the job commands
    // (lower-case letters) and the end-of-job packet ("SE", 16 bytes) that closes them, without
    // the direct commands sent in between (start, hold, continue); for a whole job it equals the
    // job file. Empty until a job command arrived.
    std::string StreamedJob(std::size_t from = 0) const;

    // Count of received commands that start with `prefix`.
    std::size_t CountReceived(std::string_view prefix) const;

private:
    void ApplyMove(std::string_view c);
    std::string ReplyTo(std::string_view c);
};

// Writes v as n little-endian bytes.
std::string LittleEndian(std::int64_t v, int n);
// Reads n little-endian bytes as unsigned.
std::uint32_t ReadLittleEndian(std::string_view bytes, std::size_t offset, int n);

}  // namespace vellisk::sim
