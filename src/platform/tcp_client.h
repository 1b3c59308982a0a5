#pragma once
// A blocking TCP client over POSIX sockets with bounded waits: connect with a time-out, send
// whole requests, read a reply until the expected length or a deadline, and drain stale input.
// Nagle's delay is switched off (TCP_NODELAY): each request is one small segment sent at once.
// One object is used by one thread at a time; the owner serialises.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellisk {

class TcpClient {
public:
    using Clock = std::chrono::steady_clock;

    enum class Io {
        Ok,        // the wanted bytes were sent or received
        TimedOut,  // the deadline passed first (what came is kept)
        Closed,    // the peer closed the connection (what came is kept)
        Error,     // a socket error; the connection is unusable
    };

    TcpClient() = default;
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Connects to host (a dotted address or a name) and port within timeoutMs. Returns 0 or the
    // system's error number (ETIMEDOUT after the time-out, ECONNREFUSED, ...). A connection
    // already open is closed first.
    int Connect(const std::string& host, std::uint16_t port, int timeoutMs);
    bool Connected() const { return fd_ >= 0; }
    void Close();

    // Sends every byte; Ok, or Closed/Error when the connection failed, or TimedOut when the peer
    // did not take the bytes within timeoutMs.
    Io SendAll(std::string_view bytes, int timeoutMs);

    // Appends received bytes to `out` until it holds `want` bytes or the deadline passes. Never
    // reads beyond `want` bytes in total, so bytes of a later reply stay in the socket.
    Io ReceiveUntil(std::string& out, std::size_t want, Clock::time_point deadline);

    // Appends what arrives within quietMs of the last byte, up to `max` bytes in total in `out`.
    Io ReceiveMore(std::string& out, std::size_t max, int quietMs);

    // Discards input waiting now and any that arrives before `until` (a time in the past: only
    // what is waiting now). Returns the number of bytes dropped; `io` tells Closed/Error. The
    // deadline holds also while bytes keep arriving: a peer that never stops sending holds the
    // caller at most a few milliseconds past `until`.
    std::size_t Drain(Clock::time_point until, Io& io);

    // Discards input until none has arrived for quietMs: Ok once the line was quiet that long,
    // TimedOut when bytes were still arriving at `limit`, or Closed/Error. `dropped` receives
    // the number of bytes discarded.
    Io DrainUntilQuiet(int quietMs, Clock::time_point limit, std::size_t& dropped);

private:
    int fd_ = -1;
};

}  // namespace vellisk
