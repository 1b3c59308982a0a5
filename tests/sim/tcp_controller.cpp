#include "sim/tcp_controller.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace vellisk::sim {

namespace {

void SleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SendAllBlocking(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

namespace {

// How the newer controller frames what arrives on its command port: the status request "SX",
// the packets that begin with "S" (their own lengths; the padded ones 16 bytes), the job
// packets "s" (16 bytes), the other letters by the command-length table; anything else (the
// burn's pixel packets) as it came. 0: the command's rest is still to come.
std::size_t EthernetFrameLength(const ControllerModel& model, std::string_view p) {
    const auto b = static_cast<unsigned char>(p[0]);
    if (b == 's') return 16;
    if (b == 'S') {
        if (p.size() < 2) return 0;
        if (p[1] == 'X' || p[1] == '\0') return 2;
        if (p[1] == 'A') return 6;
        if (p.size() < 3) return 0;
        const std::string_view head = p.substr(0, 3);
        if (head == "SBD" || head == "SIP") return 7;
        if (head == "SBB" || head == "SBE" || head == "SBS") return 3;
        // "SLC" goes out bare from the burn and padded from the spindle switch.
        if (head == "SLC" && (p.size() == 3 || p[3] != '\0')) return 3;
        return 16;
    }
    const bool letter = (b >= '@' && b <= 'Z') || (b >= '`' && b <= 'z');
    if (!letter) return p.size();
    return model.CommandLength(p, LinkKind::Ethernet);
}

}  // namespace

TcpController::Hooks ModelHooks(ControllerModel& model) {
    TcpController::Hooks h;
    h.FrameLength = [&model](std::string_view p) { return EthernetFrameLength(model, p); };
    h.Command = [&model](std::string_view c) { model.Receive(c, LinkKind::Ethernet); };
    h.StatusRecord = [&model] {
        const std::vector<std::uint8_t> r = model.StatusRecord();
        return std::string(r.begin(), r.end());
    };
    h.Identity = [&model] { return model.IdentityReply(); };
    return h;
}

TcpController::TcpController(Hooks hooks) : TcpController(std::move(hooks), 0, 0) {}

TcpController::TcpController(Hooks hooks, std::uint16_t commandPort, std::uint16_t identityPort)
    : hooks_(std::move(hooks)) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe");
    cmdListen_ = Listen(commandPort);
    idListen_ = Listen(identityPort);
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ::getsockname(cmdListen_, reinterpret_cast<sockaddr*>(&a), &len);
    cmdPort_ = ntohs(a.sin_port);
    len = sizeof a;
    ::getsockname(idListen_, reinterpret_cast<sockaddr*>(&a), &len);
    idPort_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
}

TcpController::~TcpController() {
    stop_ = true;
    Wake('q');
    if (thread_.joinable()) thread_.join();
    for (int fd : {cmdListen_, idListen_, cmdConn_, wake_[0], wake_[1]})
        if (fd >= 0) ::close(fd);
}

int TcpController::Listen(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) throw std::runtime_error("socket");
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen on the loopback interface failed");
    }
    return fd;
}

TcpFaults TcpController::Faults() const {
    std::lock_guard lock(stateMutex_);
    return faults_;
}

void TcpController::SetFaults(const TcpFaults& f) {
    std::lock_guard lock(stateMutex_);
    faults_ = f;
    commandsSinceFaults_ = 0;
}

std::vector<std::string> TcpController::Requests() const {
    std::lock_guard lock(stateMutex_);
    return requests_;
}

std::size_t TcpController::RequestCount() const {
    std::lock_guard lock(stateMutex_);
    return requests_.size();
}

// Hands a request to the server thread and waits until it was carried out.
void TcpController::Wake(char what) {
    const int before = acks_.load();
    while (::write(wake_[1], &what, 1) < 0 && errno == EINTR) {}
    if (what == 'q') return;
    while (acks_.load() == before) SleepMs(1);
}

void TcpController::DropConnection() { Wake('d'); }
void TcpController::RefuseConnections(bool refuse) { Wake(refuse ? 'r' : 'a'); }
void TcpController::RefuseIdentity(bool refuse) { Wake(refuse ? 'i' : 'j'); }

void TcpController::Run() {
    while (!stop_) {
        pollfd p[4];
        int n = 0;
        p[n++] = {wake_[0], POLLIN, 0};
        const int iCmdListen = cmdListen_ >= 0 ? n : -1;
        if (cmdListen_ >= 0) p[n++] = {cmdListen_, POLLIN, 0};
        const int iIdListen = idListen_ >= 0 ? n : -1;
        if (idListen_ >= 0) p[n++] = {idListen_, POLLIN, 0};
        const int iConn = cmdConn_ >= 0 ? n : -1;
        if (cmdConn_ >= 0) p[n++] = {cmdConn_, POLLIN, 0};
        const int r = ::poll(p, static_cast<nfds_t>(n), pending_.empty() ? 200 : 5);
        if (r < 0 && errno == EINTR) continue;
        // A command whose rest does not come is taken as it came.
        if (!pending_.empty() && cmdConn_ >= 0 &&
            std::chrono::steady_clock::now() - lastArrival_ >= std::chrono::milliseconds(kFrameWaitMs)) {
            const std::string req = std::move(pending_);
            pending_.clear();
            ServeRequest(req);
        }
        if (r <= 0) continue;

        if (p[0].revents & POLLIN) {
            char c;
            while (::read(wake_[0], &c, 1) == 1) {
                switch (c) {
                    case 'd': CloseCommandConnection(); break;
                    case 'r':
                        if (cmdListen_ >= 0) {
                            ::close(cmdListen_);
                            cmdListen_ = -1;
                        }
                        break;
                    case 'a':
                        if (cmdListen_ < 0) cmdListen_ = Listen(cmdPort_);
                        break;
                    case 'i':
                        if (idListen_ >= 0) {
                            ::close(idListen_);
                            idListen_ = -1;
                        }
                        break;
                    case 'j':
                        if (idListen_ < 0) idListen_ = Listen(idPort_);
                        break;
                    default: break;
                }
                ++acks_;
            }
            continue;  // the descriptors may have changed
        }
        if (iConn >= 0 && (p[iConn].revents & (POLLIN | POLLHUP | POLLERR))) ServeCommand();
        if (iCmdListen >= 0 && (p[iCmdListen].revents & POLLIN)) {
            const int fd = ::accept4(cmdListen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                CloseCommandConnection();  // a new connection replaces the old one
                int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                cmdConn_ = fd;
                ++cmdAccepted_;
            }
        }
        if (iIdListen >= 0 && (p[iIdListen].revents & POLLIN)) ServeIdentity();
    }
}

void TcpController::SendReply(const std::string& reply, const TcpFaults& f) {
    SleepMs(f.ReplyDelayMs);
    if (f.SplitEcho && reply.size() >= 2) {
        const std::size_t half = reply.size() / 2;
        SendAllBlocking(cmdConn_, std::string_view(reply).substr(0, half));
        SleepMs(f.SplitGapMs);
        SendAllBlocking(cmdConn_, std::string_view(reply).substr(half));
    } else {
        SendAllBlocking(cmdConn_, reply);
    }
    ++repliesSent_;
}

void TcpController::CloseCommandConnection() {
    if (cmdConn_ >= 0) ::close(cmdConn_);
    cmdConn_ = -1;
    pending_.clear();
}

void TcpController::ServeCommand() {
    char buf[4096];
    const ssize_t n = ::recv(cmdConn_, buf, sizeof buf, 0);
    if (n <= 0) {
        if (n < 0 && errno == EINTR) return;
        CloseCommandConnection();
        return;
    }
    pending_.append(buf, static_cast<std::size_t>(n));
    lastArrival_ = std::chrono::steady_clock::now();
    while (!pending_.empty() && cmdConn_ >= 0) {
        std::size_t len = pending_.size();
        if (hooks_.FrameLength) {
            std::lock_guard lock(modelMutex_);
            len = hooks_.FrameLength(pending_);
        }
        if (len == 0 || len > pending_.size()) return;  // the rest is still to come
        const std::string req = pending_.substr(0, len);
        pending_.erase(0, len);
        ServeRequest(req);
    }
}

void TcpController::ServeRequest(const std::string& req) {
    TcpFaults f;
    {
        std::lock_guard lock(stateMutex_);
        requests_.push_back(req);
        f = faults_;
        if (f.FaultCommand > 0) {
            // a single faulty echo: everything else is answered in time
            const bool hit = req != "SX" && ++commandsSinceFaults_ == f.FaultCommand;
            if (!hit) {
                f.NoEcho = f.ShortEcho = f.ChangedEcho = false;
                f.ReplyDelayMs = 0;
            }
        }
    }
    if (req == "SX") {
        ++statusServed_;
        if (f.NoStatusReply) return;
        std::string rec;
        {
            std::lock_guard lock(modelMutex_);
            if (hooks_.StatusRecord) rec = hooks_.StatusRecord();
        }
        if (f.StatusLength >= 0 && rec.size() > static_cast<std::size_t>(f.StatusLength))
            rec.resize(static_cast<std::size_t>(f.StatusLength));
        SendReply(rec, f);
        return;
    }
    {
        std::lock_guard lock(modelMutex_);
        if (hooks_.Command) hooks_.Command(req);
    }
    if (f.NoEcho) return;
    std::string echo = req;
    if (echo[0] >= 'a' && echo[0] <= 'z') echo[0] = static_cast<char>(echo[0] - 'a' + 'A');
    if (f.ShortEcho && !echo.empty()) echo.pop_back();
    if (f.ChangedEcho && !echo.empty()) echo.back() = static_cast<char>(echo.back() ^ 0x5A);
    SendReply(echo, f);
}

void TcpController::ServeIdentity() {
    const int fd = ::accept4(idListen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    std::string req;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    while (req.size() < 4 && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        char buf[64];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        req.append(buf, static_cast<std::size_t>(n));
    }
    if (req.rfind("HTTP", 0) == 0) {
        const TcpFaults f = Faults();
        std::string reply;
        {
            std::lock_guard lock(modelMutex_);
            if (hooks_.Identity) reply = hooks_.Identity();
        }
        if (f.IdentityNoMarker) {
            const auto p = reply.find("DRANHOLT");
            if (p != std::string::npos) reply.replace(p, 8, "DRANH0LT");
        }
        if (f.IdentityLength >= 0 && reply.size() > static_cast<std::size_t>(f.IdentityLength))
            reply.resize(static_cast<std::size_t>(f.IdentityLength));
        ++idServed_;  // counted before the reply, so the host never sees the reply first
        SendAllBlocking(fd, reply);
    }
    ::close(fd);
}

}  // namespace vellisk::sim
