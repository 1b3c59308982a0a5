#pragma once
// The Ethernet link to the newer controller: two TCP clients to the controller's address, the
// command client (port 9999: commands, each echoed with its first letter upper-cased, and the
// status request "SX") and the identity client (port 80: "HTTP" answered with a text holding
// "DRANHOLT", the model and the production date). The command client is connected by the watch
// thread (tEthernetCzuwanie) and stays connected; the identity client connects per request.
//
// Exchanges are bounded: every reply is read until its expected length or the reply time-out,
// and a late or split reply is never read as the next one. After a command's echo that was
// missing, short, late or different the command connection is reopened before anything more is
// sent (the controller may hold part of that command). After a missed, partial or late status
// reply the line is resynchronised before the next request: input is dropped until the line
// has been quiet for a whole reply time-out (a line that never falls quiet is reopened). Input
// found waiting before a request, or bytes following a reply of the expected length, mean that
// the reply was shifted by stale bytes: it is discarded and the line resynchronised. A status
// record shorter than its layout is taken as no reply. The status record's length is not fixed
// by the protocol (104 to 256 bytes): the first record of a connection is read on until the
// line has been quiet for a reply time-out (or 256 bytes came), and that length is expected of
// every later record (it never shrinks), so that a record in several segments is read whole and
// a record cut short is never taken. A controller that closes the connection, or that leaves
// MissesBeforeLost exchanges in a row without a whole reply (nothing, a short reply or a
// shifted one), counts as gone: the client is closed, EthernetConnected goes false, "Ethernet
// disconnected" is shown, and the watch thread connects again when resumed.
//
// Threads: Write, ReadStatusRecord and ReadIdentity run on the main thread (or the bitmap burn
// thread, never both at once); ConnectCommandClient runs on the watch thread. The watch thread
// never touches the machine state or the notifier: the identity texts and the status-bar texts
// it produces wait in the link until the main thread calls DeliverPending().
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "machine_link/machine_context.h"
#include "machine_link/transport.h"
#include "model/program_environment.h"
#include "model/lang_texts.h"
#include "platform/notifier.h"
#include "platform/tcp_client.h"

namespace vellisk {

// Time limits of the link (milliseconds), chosen for a controller on the local network, where a
// reply takes well under a millisecond; a reply that is not there after the time-out is taken as
// missing. The commands of a job go out from the main thread, so the reply time-out bounds how
// long one silent command can hold the program.
struct EthernetTimeouts {
    int ConnectMs = 2000;        // command client connect (on the watch thread)
    int ReplyMs = 250;           // an echo or the status record
    int IdentityMs = 1000;       // identity client: connect, and then its reply
    int MissesBeforeLost = 3;    // exchanges in a row without a whole reply before the link is lost
    int ResyncLimitReplies = 4;  // a resynchronisation that finds no quiet within this many reply
                                 // time-outs reopens the connection
};

// What an echo says about a command (`trailing`: more bytes followed it, so it was shifted by
// stale bytes): kLinkOk, kEthNoEcho (nothing), kEthEchoLength (short) or kEthEchoDiffers.
int EchoResult(std::string_view command, std::string_view echo, bool trailing);

// The identity texts in an identity reply, or none when the marker is missing or the reply is
// too short to hold all three texts.
std::optional<LinkIdentity> ParseIdentityReply(std::string_view reply);

class TfEthernet : public Transport {
public:
    static constexpr std::uint16_t kCommandPort = 9999;
    static constexpr std::uint16_t kIdentityPort = 80;
    static constexpr std::size_t kCommandBufferSize = 128;  // longest command sent
    static constexpr std::size_t kIdentityBufferSize = 256;

    // EthernetConnected := false; the remote host is the context's PlotterIP. `env` gives the
    // texts of the connection's status line.
    TfEthernet(MachineContext& ctx, const ProgramEnvironment& env, Notifier& notifier);
    ~TfEthernet() override;
    TfEthernet(const TfEthernet&) = delete;
    TfEthernet& operator=(const TfEthernet&) = delete;

    // Ports other than 9999 and 80 (a test controller cannot listen on port 80).
    void SetPorts(std::uint16_t commandPort, std::uint16_t identityPort);
    void SetTimeouts(const EthernetTimeouts& t);
    EthernetTimeouts Timeouts() const;

    // Both clients' remote host := the context's PlotterIP (ports unchanged). A connection that
    // is open stays open; the next connect goes to the new address.
    void restart();

    // The command client is connected.
    bool Connected() const { return clientUp_.load(); }

    // Watch thread: connects the command client when it is not connected. On success the connect
    // event runs: the identity request, EthernetConnected := true, "Ethernet connected". On
    // failure the client stays closed and EthernetConnected false. True when connected.
    bool ConnectCommandClient();

    // Main thread: stores the identity texts from the watch thread's identity request in the
    // machine state and shows the status-bar texts that are waiting.
    void DeliverPending();
    // Called from the watch thread when something waits for DeliverPending (null: nobody).
    void SetWake(std::function<void()> wake);

    // The identity request on its own client; the texts, or none. Stores nothing.
    std::optional<LinkIdentity> getInfo();

    // ---- Transport ----
    LinkKind Kind() const override { return LinkKind::Ethernet; }
    // Sends the command (at most 128 bytes) and reads its echo: 0 for the right echo, else
    // kEthNoEcho (nothing came or not connected), kEthEchoLength (too short) or kEthEchoDiffers.
    int Write(std::string_view command) override;
    // "SX" and the status record (at least kStatusRecordMinSize bytes, at most 256).
    bool ReadStatusRecord(std::vector<std::uint8_t>& out) override;
    bool ReadIdentity(LinkIdentity& out) override;

    // How many exchanges found stale input (waiting before the request, or after a reply) and
    // dropped it (for tests and diagnostics).
    std::int64_t StaleDrops() const { return staleDrops_.load(); }
    // How many times the command connection was reopened after a bad echo.
    std::int64_t Reopens() const { return reopens_.load(); }

private:
    enum class Event { Connected, Disconnected };
    // Where and how to connect, as one consistent copy (the main thread may change it).
    struct Config {
        std::string host;
        std::uint16_t commandPort;
        std::uint16_t identityPort;
        EthernetTimeouts timeouts;
    };
    Config CurrentConfig() const;
    // Sends a request and reads at least `want` bytes (up to `max`); the exchange's outcome.
    // Shifted: the reply had `want` bytes but more followed (stale bytes came before it).
    enum class Outcome { Full, Partial, Nothing, Shifted, Lost };
    // After `want` bytes, takes what arrives until the line is quiet for quietMs (0: nothing
    // more is waited for).
    Outcome Exchange(std::string_view request, std::size_t want, std::size_t max, int quietMs, std::string& reply);
    // Drops input until the line has been quiet for a reply time-out; false when the
    // connection was lost or reopened for want of quiet (called with ioMutex_ held).
    bool Resynchronise(const EthernetTimeouts& t);
    // A reply that was not whole: the line is resynchronised before the next request, and the
    // miss counts towards losing the link (called with ioMutex_ held).
    Outcome Miss(Outcome o, const EthernetTimeouts& t);
    // The connection went: close, EthernetConnected := false, "Ethernet disconnected".
    void LostConnection();
    // A fresh command connection in place of this one (the link stays up); when it cannot be
    // made, the connection is lost. Runs under ioMutex_ on the sending thread while the link is
    // up; the watch thread connects only a client that is down, so the two never share the
    // socket. The miss count runs on across the reopen: a controller that takes connections but
    // never answers still counts as gone after MissesBeforeLost exchanges.
    void Reopen();
    void Post(Event e, std::optional<LinkIdentity> identity = std::nullopt);

    MachineContext& ctx_;
    const ProgramEnvironment& env_;
    Notifier& notifier_;

    mutable std::mutex configMutex_;  // host, ports, time-outs
    std::string host_;
    std::uint16_t commandPort_ = kCommandPort;
    std::uint16_t identityPort_ = kIdentityPort;
    EthernetTimeouts timeouts_;

    std::mutex ioMutex_;  // the command client
    TcpClient TcpClient1;
    std::atomic<bool> clientUp_{false};
    int misses_ = 0;
    std::atomic<std::size_t> recordLength_{0};  // length of this controller's status record (0: not known yet)
    bool resync_ = false;                       // the line must fall quiet before the next request
    std::atomic<std::int64_t> staleDrops_{0};
    std::atomic<std::int64_t> reopens_{0};

    std::mutex pendingMutex_;  // what waits for the main thread
    std::vector<Event> pendingEvents_;
    std::optional<LinkIdentity> pendingIdentity_;
    std::function<void()> wake_;
};

}  // namespace vellisk
