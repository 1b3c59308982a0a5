// The TCP client against a loopback peer that never stops sending: dropping stale input keeps to
// its deadline even while bytes keep arriving.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/tcp_client.h"

using namespace vellisk;
using namespace std::chrono_literals;

TEST(TcpClient, DrainKeepsItsDeadlineWhileThePeerFloods) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    socklen_t len = sizeof a;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    std::atomic<bool> stop{false};
    std::thread peer([&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        const char junk[256] = {};
        while (!stop && fd >= 0)
            if (::send(fd, junk, sizeof junk, MSG_NOSIGNAL) < 0) break;
        if (fd >= 0) ::close(fd);
    });

    TcpClient c;
    ASSERT_EQ(c.Connect("127.0.0.1", ntohs(a.sin_port), 1000), 0);
    TcpClient::Io io;
    auto t0 = TcpClient::Clock::now();
    EXPECT_GT(c.Drain(t0 + 30ms, io), 0u);
    EXPECT_EQ(io, TcpClient::Io::Ok);
    EXPECT_LT(TcpClient::Clock::now() - t0, 500ms);

    std::size_t dropped = 0;
    t0 = TcpClient::Clock::now();
    EXPECT_EQ(c.DrainUntilQuiet(20, t0 + 100ms, dropped), TcpClient::Io::TimedOut) << "never quiet";
    EXPECT_GT(dropped, 0u);
    EXPECT_LT(TcpClient::Clock::now() - t0, 600ms);

    stop = true;
    c.Close();
    peer.join();
    ::close(listener);
}
