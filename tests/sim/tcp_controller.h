#pragma once
// The newer controller's TCP side on the loopback interface: a command port (echo of each
// command with its first letter upper-cased, the status record for "SX") and an identity port
// (one reply to "HTTP", then the connection is closed), both on ephemeral ports. What the
// controller does with a command and what its status and identity say come from hooks (the
// simulated controller model behind it); the server adds the transport and its faults.
//
// The command port frames its input as the controller does, by the command lengths
// (FrameLength), not by what one read happens to hold: commands that arrive together are taken
// one by one, and a command split over segments is taken whole. Bytes that start no command it
// knows (the burn's pixel packets), or a command whose rest does not come within a moment, are
// taken as they came.
//
// The server runs on a thread of its own. The hooks run on that thread with the server's model
// lock held; a test that touches the model behind the hooks takes Lock() first.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "sim/controller_model.h"

namespace vellisk::sim {

struct TcpFaults {
    bool NoEcho = false;            // commands are taken but not echoed
    bool ShortEcho = false;         // the echo lacks its last byte
    bool ChangedEcho = false;       // the echo's last byte is changed
    bool SplitEcho = false;         // the echo (and the status record) goes out in two sends
    int SplitGapMs = 5;             // pause between the two sends
    int ReplyDelayMs = 0;           // every reply on the command port waits this long first
    int StatusLength = 256;         // bytes of the status record sent (a shorter record is cut)
    bool NoStatusReply = false;     // "SX" is taken but not answered
    bool IdentityNoMarker = false;  // the identity reply lacks "DRANHOLT"
    int IdentityLength = -1;        // >= 0: the identity reply is cut to this many bytes
    // > 0: NoEcho, ShortEcho, ChangedEcho and ReplyDelayMs hit only that command (1: the first
    // command after SetFaults), as a single fault in the middle of a job; every other command
    // and every status record is answered in time.
    int FaultCommand = 0;
};

class TcpController {
public:
    // How long the rest of a command is waited for before what came is taken as it is.
    static constexpr int kFrameWaitMs = 20;

    struct Hooks {
        std::function<void(std::string_view command)> Command;  // a command arrived
        std::function<std::string()> StatusRecord;              // reply to "SX"
        std::function<std::string()> Identity;                  // reply to "HTTP"
        // Length of the command that starts the pending bytes; 0: its rest is still to come.
        // Unset: every read is one command.
        std::function<std::size_t(std::string_view pending)> FrameLength;
    };

    explicit TcpController(Hooks hooks);
    // Listening on the given loopback ports (0: an ephemeral one each).
    TcpController(Hooks hooks, std::uint16_t commandPort, std::uint16_t identityPort);
    ~TcpController();
    TcpController(const TcpController&) = delete;
    TcpController& operator=(const TcpController&) = delete;

    std::uint16_t CommandPort() const { return cmdPort_; }
    std::uint16_t IdentityPort() const { return idPort_; }

    // Fault switches; they apply from the next request on.
    TcpFaults Faults() const;
    void SetFaults(const TcpFaults& f);

    // Closes the command connection now (the controller vanished or was reset).
    void DropConnection();
    // Stops (true) or resumes (false) listening on the command port: connects are refused.
    void RefuseConnections(bool refuse);
    // Stops or resumes listening on the identity port.
    void RefuseIdentity(bool refuse);

    // The lock under which the hooks run.
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(modelMutex_); }

    // Counters and the log of what arrived on the command port, one entry per request.
    int CommandConnections() const { return cmdAccepted_.load(); }
    int IdentityRequests() const { return idServed_.load(); }
    int StatusRequests() const { return statusServed_.load(); }
    // Replies (echoes and status records) sent whole on the command port.
    int RepliesSent() const { return repliesSent_.load(); }
    std::vector<std::string> Requests() const;
    std::size_t RequestCount() const;

private:
    void Run();
    void Wake(char what);
    int Listen(std::uint16_t port);
    void ServeCommand();
    // Serves one framed request of the command port.
    void ServeRequest(const std::string& req);
    void CloseCommandConnection();
    void ServeIdentity();
    void SendReply(const std::string& reply, const TcpFaults& f);

    Hooks hooks_;
    std::mutex modelMutex_;
    mutable std::mutex stateMutex_;
    TcpFaults faults_;
    int commandsSinceFaults_ = 0;
    std::vector<std::string> requests_;
    std::string pending_;  // bytes of the command port not yet framed into a command
    std::chrono::steady_clock::time_point lastArrival_;

    int cmdListen_ = -1, idListen_ = -1, cmdConn_ = -1;
    std::uint16_t cmdPort_ = 0, idPort_ = 0;
    int wake_[2] = {-1, -1};
    std::atomic<bool> stop_{false};
    std::atomic<int> cmdAccepted_{0}, idServed_{0}, statusServed_{0}, repliesSent_{0};
    std::atomic<int> acks_{0};
    std::thread thread_;
};

// Hooks that put the simulated controller model behind the server: commands go to the model as
// received over Ethernet, "SX" gets the model's status record, "HTTP" its identity reply.
TcpController::Hooks ModelHooks(ControllerModel& model);

}  // namespace vellisk::sim
