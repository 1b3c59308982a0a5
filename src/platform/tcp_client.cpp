#include "platform/tcp_client.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vellisk {

namespace {

int MillisUntil(TcpClient::Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TcpClient::Clock::now());
    if (left.count() <= 0) return 0;
    return static_cast<int>(std::min<long long>(left.count(), 1'000'000));
}

// Waits for the events on fd up to ms milliseconds; the poll revents, 0 on time-out, -1 on error.
int WaitFor(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = ::poll(&p, 1, ms);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        return r == 0 ? 0 : p.revents;
    }
}

}  // namespace

TcpClient::~TcpClient() { Close(); }

void TcpClient::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

int TcpClient::Connect(const std::string& host, std::uint16_t port, int timeoutMs) {
    Close();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* res = nullptr;
    const std::string service = std::to_string(port);
    if (host.empty() || ::getaddrinfo(host.c_str(), service.c_str(), &hints, &res) != 0 || !res) {
        if (res) ::freeaddrinfo(res);
        return EHOSTUNREACH;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int lastError = ETIMEDOUT;
    for (addrinfo* a = res; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            const int ev = WaitFor(fd, POLLOUT, MillisUntil(deadline));
            if (ev <= 0) {
                lastError = ev == 0 ? ETIMEDOUT : errno;
                ::close(fd);
                continue;
            }
            int soError = 0;
            socklen_t len = sizeof soError;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len);
            if (soError != 0) {
                lastError = soError;
                ::close(fd);
                continue;
            }
            r = 0;
        } else if (r != 0) {
            lastError = errno;
            ::close(fd);
            continue;
        }
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        fd_ = fd;
        ::freeaddrinfo(res);
        return 0;
    }
    ::freeaddrinfo(res);
    return lastError;
}

TcpClient::Io TcpClient::SendAll(std::string_view bytes, int timeoutMs) {
    if (fd_ < 0) return Io::Error;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int ev = WaitFor(fd_, POLLOUT, MillisUntil(deadline));
            if (ev == 0) return Io::TimedOut;
            if (ev < 0 || (ev & (POLLERR | POLLNVAL))) return Io::Error;
            if (ev & POLLHUP) return Io::Closed;
            continue;
        }
        return (errno == EPIPE || errno == ECONNRESET) ? Io::Closed : Io::Error;
    }
    return Io::Ok;
}

// Receives into out until it holds max bytes. When nothing is waiting, waitMs() says how long
// to wait for more; a wait that ends with nothing gives quietResult.
template <typename WaitMs>
static TcpClient::Io ReceiveLoop(int fd, std::string& out, std::size_t max, WaitMs waitMs, TcpClient::Io quietResult) {
    using Io = TcpClient::Io;
    if (fd < 0) return Io::Error;
    char buf[512];
    while (out.size() < max) {
        const std::size_t room = std::min(sizeof buf, max - out.size());
        const ssize_t n = ::recv(fd, buf, room, 0);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) return Io::Closed;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return errno == ECONNRESET ? Io::Closed : Io::Error;
        const int ms = waitMs();
        if (ms == 0) return quietResult;
        const int ev = WaitFor(fd, POLLIN, ms);
        if (ev == 0) return quietResult;
        if (ev < 0 || (ev & POLLNVAL)) return Io::Error;
        // POLLIN, POLLHUP or POLLERR: the next recv tells which.
    }
    return Io::Ok;
}

TcpClient::Io TcpClient::ReceiveUntil(std::string& out, std::size_t want, Clock::time_point deadline) {
    return ReceiveLoop(
        fd_, out, want, [&] { return MillisUntil(deadline); }, Io::TimedOut);
}

TcpClient::Io TcpClient::ReceiveMore(std::string& out, std::size_t max, int quietMs) {
    return ReceiveLoop(
        fd_, out, max, [&] { return quietMs; }, Io::Ok);
}

std::size_t TcpClient::Drain(Clock::time_point until, Io& io) {
    io = Io::Ok;
    if (fd_ < 0) {
        io = Io::Error;
        return 0;
    }
    // What is waiting now takes microseconds to read; a peer that keeps sending gets this long.
    constexpr auto kGrace = std::chrono::milliseconds(5);
    const auto hardEnd = std::max(until, Clock::now()) + kGrace;
    std::size_t dropped = 0;
    char buf[512];
    for (;;) {
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n > 0) {
            dropped += static_cast<std::size_t>(n);
            if (Clock::now() >= hardEnd) return dropped;
            continue;
        }
        if (n == 0) {
            io = Io::Closed;
            return dropped;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            io = errno == ECONNRESET ? Io::Closed : Io::Error;
            return dropped;
        }
        const int ms = MillisUntil(until);
        if (ms == 0) return dropped;
        const int ev = WaitFor(fd_, POLLIN, ms);
        if (ev == 0) return dropped;
        if (ev < 0 || (ev & POLLNVAL)) {
            io = Io::Error;
            return dropped;
        }
    }
}

TcpClient::Io TcpClient::DrainUntilQuiet(int quietMs, Clock::time_point limit, std::size_t& dropped) {
    dropped = 0;
    if (fd_ < 0) return Io::Error;
    char buf[512];
    for (;;) {
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n > 0) {
            dropped += static_cast<std::size_t>(n);
            if (Clock::now() >= limit) return Io::TimedOut;
            continue;
        }
        if (n == 0) return Io::Closed;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return errno == ECONNRESET ? Io::Closed : Io::Error;
        // Nothing waiting: quiet for the whole time (within the limit) ends the drain.
        const int left = MillisUntil(limit);
        if (left < quietMs) {
            // Not enough time left to see a whole quiet period: wait what is left, then judge.
            const int ev = left > 0 ? WaitFor(fd_, POLLIN, left) : 0;
            if (ev == 0) return Io::TimedOut;
            if (ev < 0 || (ev & POLLNVAL)) return Io::Error;
            continue;
        }
        const int ev = WaitFor(fd_, POLLIN, quietMs);
        if (ev == 0) return Io::Ok;
        if (ev < 0 || (ev & POLLNVAL)) return Io::Error;
    }
}

}  // namespace vellisk
