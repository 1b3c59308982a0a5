#include "machine_link/ethernet_link.h"

#include <chrono>
#include <utility>

namespace vellisk {

namespace {

constexpr std::string_view kStatusRequest = "SX";
constexpr std::string_view kIdentityRequest = "HTTP";
constexpr std::string_view kIdentityMarker = "DRANHOLT";
constexpr std::size_t kModelOffset = 21;
constexpr std::size_t kDateOffset = 42;
constexpr std::size_t kIdentityFieldLength = 8;

// The echo a command should get: its first letter in upper case (ASCII letters only; the first
// byte of a pixel packet is binary and stays as it is).
std::string ExpectedEcho(std::string_view command) {
    std::string e(command);
    if (!e.empty() && e[0] >= 'a' && e[0] <= 'z') e[0] = static_cast<char>(e[0] - 'a' + 'A');
    return e;
}

}  // namespace

int EchoResult(std::string_view command, std::string_view echo, bool trailing) {
    if (echo.empty()) return kEthNoEcho;
    if (echo.size() < command.size()) return kEthEchoLength;
    if (trailing || echo != ExpectedEcho(command)) return kEthEchoDiffers;
    return kLinkOk;
}

std::optional<LinkIdentity> ParseIdentityReply(std::string_view reply) {
    const std::size_t p = reply.find(kIdentityMarker);
    if (p == std::string_view::npos || reply.size() < p + kDateOffset + kIdentityFieldLength) return std::nullopt;
    LinkIdentity id;
    id.Producer = std::string(reply.substr(p, kIdentityFieldLength));
    id.Model = std::string(reply.substr(p + kModelOffset, kIdentityFieldLength));
    id.ProductionDate = std::string(reply.substr(p + kDateOffset, kIdentityFieldLength));
    return id;
}

TfEthernet::TfEthernet(MachineContext& ctx, const ProgramEnvironment& env, Notifier& notifier)
    : ctx_(ctx), env_(env), notifier_(notifier) {
    ctx_.EthernetConnected = false;
    host_ = ctx_.PlotterIP;
}

TfEthernet::~TfEthernet() {
    std::lock_guard lock(ioMutex_);
    TcpClient1.Close();
    clientUp_ = false;
}

void TfEthernet::SetPorts(std::uint16_t commandPort, std::uint16_t identityPort) {
    std::lock_guard lock(configMutex_);
    commandPort_ = commandPort;
    identityPort_ = identityPort;
}

void TfEthernet::SetTimeouts(const EthernetTimeouts& t) {
    std::lock_guard lock(configMutex_);
    timeouts_ = t;
}

EthernetTimeouts TfEthernet::Timeouts() const {
    std::lock_guard lock(configMutex_);
    return timeouts_;
}

void TfEthernet::restart() {
    std::lock_guard lock(configMutex_);
    host_ = ctx_.PlotterIP;
}

void TfEthernet::SetWake(std::function<void()> wake) {
    std::lock_guard lock(pendingMutex_);
    wake_ = std::move(wake);
}

void TfEthernet::Post(Event e, std::optional<LinkIdentity> identity) {
    std::function<void()> wake;
    {
        std::lock_guard lock(pendingMutex_);
        pendingEvents_.push_back(e);
        if (identity) pendingIdentity_ = std::move(identity);
        wake = wake_;
    }
    if (wake) wake();
}

void TfEthernet::DeliverPending() {
    std::vector<Event> events;
    std::optional<LinkIdentity> identity;
    {
        std::lock_guard lock(pendingMutex_);
        events.swap(pendingEvents_);
        identity.swap(pendingIdentity_);
    }
    if (identity) {
        ctx_.PlotState.Producer = identity->Producer;
        ctx_.PlotState.Model = identity->Model;
        ctx_.PlotState.ProductionDate = identity->ProductionDate;
    }
    for (Event e : events)
        notifier_.Status(env_.Text(e == Event::Connected ? TextId::EthConnected : TextId::EthDisconnected));
}

TfEthernet::Config TfEthernet::CurrentConfig() const {
    std::lock_guard lock(configMutex_);
    return {host_, commandPort_, identityPort_, timeouts_};
}

bool TfEthernet::ConnectCommandClient() {
    const Config c = CurrentConfig();
    {
        std::lock_guard lock(ioMutex_);
        if (TcpClient1.Connected()) return true;
        if (TcpClient1.Connect(c.host, c.commandPort, c.timeouts.ConnectMs) != 0) {
            // The error event: the client is closed and the link stays down.
            TcpClient1.Close();
            ctx_.EthernetConnected = false;
            return false;
        }
        misses_ = 0;
        recordLength_ = 0;
        resync_ = false;
        clientUp_ = true;
    }
    // The connect event: identity first, then the link is open for the command layer.
    std::optional<LinkIdentity> id = getInfo();
    ctx_.EthernetConnected = true;
    Post(Event::Connected, std::move(id));
    return true;
}

void TfEthernet::LostConnection() {
    // Called with ioMutex_ held.
    TcpClient1.Close();
    const bool wasUp = clientUp_.exchange(false);
    ctx_.EthernetConnected = false;
    if (wasUp) Post(Event::Disconnected);
}

bool TfEthernet::Resynchronise(const EthernetTimeouts& t) {
    std::size_t dropped = 0;
    const auto limit = TcpClient::Clock::now() + std::chrono::milliseconds(t.ReplyMs * t.ResyncLimitReplies);
    const TcpClient::Io io = TcpClient1.DrainUntilQuiet(t.ReplyMs, limit, dropped);
    if (dropped > 0) ++staleDrops_;
    if (io != TcpClient::Io::Ok) {
        // Closed, broken, or a line that never falls quiet: a fresh connection starts in step.
        LostConnection();
        return false;
    }
    resync_ = false;
    return true;
}

TfEthernet::Outcome TfEthernet::Miss(Outcome o, const EthernetTimeouts& t) {
    resync_ = true;
    if (++misses_ >= t.MissesBeforeLost) {
        LostConnection();
        return Outcome::Lost;
    }
    return o;
}

TfEthernet::Outcome TfEthernet::Exchange(std::string_view request, std::size_t want, std::size_t max, int quietMs,
                                         std::string& reply) {
    reply.clear();
    const EthernetTimeouts t = Timeouts();
    std::lock_guard lock(ioMutex_);
    if (!TcpClient1.Connected()) return Outcome::Nothing;

    // Input waiting now belongs to an earlier exchange (a late or split reply): the line is out
    // of step, and more of it may still be on its way.
    TcpClient::Io io;
    if (TcpClient1.Drain(TcpClient::Clock::now(), io) > 0) {
        ++staleDrops_;
        resync_ = true;
    }
    if (io != TcpClient::Io::Ok) {
        LostConnection();
        return Outcome::Lost;
    }
    if (resync_ && !Resynchronise(t)) return Outcome::Lost;

    io = TcpClient1.SendAll(request, t.ReplyMs);
    if (io == TcpClient::Io::Closed || io == TcpClient::Io::Error) {
        LostConnection();
        return Outcome::Lost;
    }
    if (io == TcpClient::Io::Ok) {
        io = TcpClient1.ReceiveUntil(reply, want, TcpClient::Clock::now() + std::chrono::milliseconds(t.ReplyMs));
        if (io == TcpClient::Io::Ok && max > want && quietMs > 0) io = TcpClient1.ReceiveMore(reply, max, quietMs);
        if (io == TcpClient::Io::Closed || io == TcpClient::Io::Error) {
            LostConnection();
            return Outcome::Lost;
        }
    }
    if (reply.size() >= want) {
        // Bytes right behind a whole reply: stale bytes came before it, and what was read is
        // the tail of an old reply and the head of this one.
        TcpClient::Io after;
        const std::size_t more = TcpClient1.Drain(TcpClient::Clock::now(), after);
        if (after != TcpClient::Io::Ok) {
            LostConnection();
            return Outcome::Lost;
        }
        if (more > 0 || reply.size() > max) {
            ++staleDrops_;
            return Miss(Outcome::Shifted, t);
        }
        misses_ = 0;
        return Outcome::Full;
    }
    return Miss(reply.empty() ? Outcome::Nothing : Outcome::Partial, t);
}

int TfEthernet::Write(std::string_view command) {
    if (!clientUp_) return kEthNoEcho;
    if (command.empty()) return kLinkOk;
    const std::string_view cmd = command.substr(0, kCommandBufferSize);
    std::string reply;
    const Outcome o = Exchange(cmd, cmd.size(), cmd.size(), 0, reply);
    if (o == Outcome::Lost) return kEthNoEcho;
    const int r = EchoResult(cmd, reply, o == Outcome::Shifted);
    // A missed, short, late or different echo: the controller may still hold part of this
    // command, and one that frames commands by what arrives together would take the next
    // request as its rest. The next command goes on a fresh connection.
    if (r != kLinkOk) Reopen();
    return r;
}

void TfEthernet::Reopen() {
    const Config c = CurrentConfig();
    std::lock_guard lock(ioMutex_);
    if (!clientUp_) return;
    TcpClient1.Close();
    if (TcpClient1.Connect(c.host, c.commandPort, c.timeouts.ConnectMs) != 0) {
        LostConnection();
        return;
    }
    ++reopens_;
    recordLength_ = 0;
    resync_ = false;
}

bool TfEthernet::ReadStatusRecord(std::vector<std::uint8_t>& out) {
    out.clear();
    if (!clientUp_) return false;
    const std::size_t known = recordLength_;
    // The first record of a connection is read on until the line falls quiet for a whole reply
    // time-out: a record in segments must not be learned short.
    const std::size_t want = known ? known : kStatusRecordMinSize;
    const std::size_t max = known ? known : kStatusRecordMaxSize;
    const int quiet = known ? 0 : Timeouts().ReplyMs;
    std::string reply;
    const Outcome o = Exchange(kStatusRequest, want, max, quiet, reply);
    if (o != Outcome::Full) return false;  // a whole reply holds want..max bytes
    recordLength_ = reply.size();
    out.assign(reply.begin(), reply.end());
    return true;
}

std::optional<LinkIdentity> TfEthernet::getInfo() {
    const Config c = CurrentConfig();
    const int ms = c.timeouts.IdentityMs;
    TcpClient TcpClientHTML;
    if (TcpClientHTML.Connect(c.host, c.identityPort, ms) != 0) return std::nullopt;
    if (TcpClientHTML.SendAll(kIdentityRequest, ms) != TcpClient::Io::Ok) return std::nullopt;
    std::string reply;
    const auto deadline = TcpClient::Clock::now() + std::chrono::milliseconds(ms);
    // Read until the texts are in, the controller closes, the buffer is full or time runs out.
    while (reply.size() < kIdentityBufferSize) {
        const TcpClient::Io io = TcpClientHTML.ReceiveUntil(reply, reply.size() + 1, deadline);
        if (io != TcpClient::Io::Ok) break;
        TcpClientHTML.ReceiveMore(reply, kIdentityBufferSize, 0);
        if (ParseIdentityReply(reply)) break;
    }
    TcpClientHTML.Close();
    return ParseIdentityReply(reply);
}

bool TfEthernet::ReadIdentity(LinkIdentity& out) {
    std::optional<LinkIdentity> id = getInfo();
    if (!id) return false;
    out = std::move(*id);
    return true;
}

}  // namespace vellisk
