#include "sim/controller_model.h"

#include <algorithm>
#include <span>

#include "machine_link/commands.h"

namespace vellisk::sim {

std::string LittleEndian(std::int64_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xFF));
    return s;
}

std::uint32_t ReadLittleEndian(std::string_view bytes, std::size_t offset, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        if (offset + i < bytes.size())
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    }
    return v;
}

namespace {

// The low n bytes of v into out from offset off, low byte first (what does not fit is dropped).
void PutLittleEndian(std::span<std::uint8_t> out, std::size_t off, std::int64_t v, int n) {
    for (int i = 0; i < n && off + i < out.size(); ++i)
        out[off + i] = static_cast<std::uint8_t>((static_cast<std::uint64_t>(v) >> (8 * i)) & 0xFF);
}

std::string Text8(const std::string& s) {
    std::string t = s.substr(0, 8);
    t.resize(8, ' ');
    return t;
}

bool IsJobCommand(std::string_view c) {
    if (c.empty()) return false;
    const auto b = static_cast<unsigned char>(c[0]);
    return b >= 0x60 && b <= 0x7A;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::int32_t Signed24(std::uint32_t v) {
    v &= 0xFFFFFF;
    return (v & 0x800000) ? static_cast<std::int32_t>(v) - 0x1000000 : static_cast<std::int32_t>(v);
}

}  // namespace

ControllerModel::ControllerModel() { outValues = {1000, 2000, 3000, 40, 50, 60}; }

bool ControllerModel::BufferFull() const {
    return bufferStuckFull || (bufferCapacity > 0 && bufferCount >= bufferCapacity);
}

std::uint8_t ControllerModel::ReadStatusByte() {
    ++statusReads;
    bufferCount -= std::min(bufferCount, drainPerStatusRead);
    std::uint8_t st = statusByte;
    if (busyReads > 0) {
        st |= kStBusy;
        --busyReads;
    }
    if (runningReads > 0) {
        st |= kStRunning;
        --runningReads;
    }
    if (notReadyReads > 0) {
        st |= kStNotReady;
        --notReadyReads;
    }
    lastKeyByte = keyByte | static_cast<std::uint8_t>(pressKeysOnce);
    pressKeysOnce = 0;
    if (BufferFull()) {
        lastKeyByte |= kKeyBufferFull;
        ++bufferFullReads;
    }
    return st;
}

std::size_t ControllerModel::CommandLength(std::string_view pending, LinkKind link) const {
    if (pending.empty()) return 0;
    const auto b = static_cast<unsigned char>(pending[0]);
    const char up = Upper(static_cast<char>(b));
    const bool lpt = link == LinkKind::ParallelPort;
    if (b == '[') return 5;
    if (!lpt) {
        if (up == 'U') return 9;
        if (up == 'N') return 5;
    }
    CommandLengthTable t;
    t.SetController(armController && !lpt);
    const std::size_t n = t.LengthOf(b);
    return n == 0 ? 1 : n;
}

void ControllerModel::ApplyMove(std::string_view c) {
    if (c.size() < 14) return;
    const auto dir = static_cast<unsigned char>(c[1]);
    const auto dx = static_cast<std::int32_t>(ReadLittleEndian(c, 5, 3));
    const auto dy = static_cast<std::int32_t>(ReadLittleEndian(c, 8, 3));
    const auto dz = static_cast<std::int32_t>(ReadLittleEndian(c, 11, 3));
    stepX += (dir & 1) ? -dx : dx;
    stepY += (dir & 2) ? -dy : dy;
    stepZ += (dir & 4) ? -dz : dz;
    busyReads = std::max(busyReads, busyReadsPerMove);
}

std::string ControllerModel::Receive(std::string_view command, LinkKind link) {
    log.push_back({std::string(command), link});
    if (onCommand) onCommand(log.back());
    if (command.empty()) return {};
    const bool lpt = link == LinkKind::ParallelPort;
    if (IsJobCommand(command)) {
        job.emplace_back(command);
        if (lpt) {
            statusByte |= kStJobStored;
        } else {
            if (bufferSize > 0 && bufferCount >= bufferSize)
                ++overflowCount;
            else
                ++bufferCount;
        }
        return {};
    }
    return ReplyTo(command);
}

std::string ControllerModel::ReplyTo(std::string_view c) {
    const char op = c[0];
    auto arg = [&](std::size_t i) -> std::uint8_t { return i < c.size() ? static_cast<std::uint8_t>(c[i]) : 0; };
    // Texts that begin with "S" (and a following capital) are packets of the newer controller.
    if (c.size() >= 3 && c.substr(0, 3) == "SLS") {
        statusByte |= kStSpindle;
        return {};
    }
    if (c.size() >= 3 && c.substr(0, 3) == "SLC") {
        statusByte &= ~kStSpindle;
        return {};
    }
    if (c.size() >= 7 && c.substr(0, 3) == "SIP") {
        for (int i = 0; i < 4; ++i) ip[i] = arg(3 + i);
        return {};
    }
    switch (op) {
        case 'X': return std::string(1, static_cast<char>(ReadStatusByte()));
        case 'E': return LittleEndian(stepX, 3) + LittleEndian(stepY, 3) + LittleEndian(stepZ, 3);
        case 'Z': return LittleEndian(baseX, 3) + LittleEndian(baseY, 3);
        case 'O': return LittleEndian(baseZ, 3);
        case 'U':
            if (c.size() >= 9) {
                baseX = static_cast<std::int32_t>(ReadLittleEndian(c, 1, 4));
                baseY = static_cast<std::int32_t>(ReadLittleEndian(c, 5, 4));
            } else {
                baseX = Signed24(ReadLittleEndian(c, 1, 3));
                baseY = Signed24(ReadLittleEndian(c, 4, 3));
            }
            return {};
        case 'N':
            baseZ = c.size() >= 5 ? static_cast<std::int32_t>(ReadLittleEndian(c, 1, 4))
                                  : Signed24(ReadLittleEndian(c, 1, 3));
            return {};
        case 'V': {
            const std::uint8_t set = arg(1);
            const std::int32_t v = c.size() >= 6 ? static_cast<std::int32_t>(ReadLittleEndian(c, 2, 4))
                                                 : static_cast<std::int32_t>(ReadLittleEndian(c, 2, 2));
            if (set < 4) speeds[set] = v;
            return {};
        }
        case 'I': {
            const std::uint8_t i = arg(1);
            const std::int32_t v = i < 4 ? speeds[i] : extraSpeed;
            return std::string(1, static_cast<char>(speedSet)) + LittleEndian(v, 2);
        }
        case 'J':
            return std::string(1, static_cast<char>(outputIndex)) +
                   std::string(1, static_cast<char>(outValues[std::min<std::size_t>(outputIndex, 5)] & 0xFF));
        case 'T':
            if (arg(1) < 6) outValues[arg(1)] = arg(2);
            return {};
        case 'R':
            if (arg(1) == 1 && arg(2) == 2)
                statusByte |= kStSpindle;
            else if (arg(1) == 0)
                statusByte &= ~kStSpindle;
            return {};
        case 'H':
            switch (arg(1)) {
                case 0: return Text8(producer);
                case 1: return Text8(model);
                case 2: return Text8(productionDate);
                case 3:
                    return LittleEndian(workArea[0], 2) + LittleEndian(workArea[1], 2) + LittleEndian(workArea[2], 2);
                case 4: return LittleEndian(runMinutes, 3) + LittleEndian(jobCount, 2);
                default: return {};
            }
        case 'F':
            if (arg(1) < 4) speedSet = arg(1);
            return {};
        case 'A': ApplyMove(c); return {};
        case 'Y': busyReads = 0; return {};
        case '[':
            inverterParams.emplace_back(static_cast<std::uint16_t>(ReadLittleEndian(c, 1, 2)),
                                        static_cast<std::uint16_t>(ReadLittleEndian(c, 3, 2)));
            return {};
        case '@':
            job.clear();
            bufferCount = 0;
            statusByte &= ~(kStJobStored | kStRunning);
            runningReads = 0;
            return {};
        case 'G':
            if (runningReadsAfterStart > 0) runningReads = runningReadsAfterStart;
            return {};
        case 'Q':  // the job stops (hold)
            runningReads = 0;
            return {};
        case 'K':  // the held job goes on
            if (runningReadsAfterStart > 0) runningReads = runningReadsAfterStart;
            return {};
        default: return {};
    }
}

UsbStateString ControllerModel::UsbString(int index) {
    UsbStateString s{};
    auto put = [&](std::size_t off, std::int64_t v, int n) { PutLittleEndian(s, off, v, n); };
    switch (index) {
        case 10: {
            const std::uint8_t st = ReadStatusByte();
            s[1] = outputByte;
            s[2] = st;
            s[3] = lastKeyByte;
            put(6, stepX, 4);
            put(10, stepY, 4);
            put(14, stepZ, 4);
            break;
        }
        case 11:
            put(2, baseX, 4);
            put(6, baseY, 4);
            put(10, baseZ, 4);
            break;
        case 12:
            s[0] = speedSet;
            if (armController) {
                for (int i = 0; i < 4; ++i) put(2 + 4 * i, speeds[i], 4);
                put(18, extraSpeed, 4);
            } else {
                for (int i = 0; i < 4; ++i) put(2 + 2 * i, speeds[i], 2);
                put(12, extraSpeed, 2);
            }
            break;
        case 13:
            s[0] = outputIndex;
            for (int i = 0; i < 6; ++i) put(2 + 2 * i, outValues[i], 2);
            break;
        case 14:
            put(2, workArea[0], 4);
            put(6, workArea[1], 4);
            put(10, workArea[2], 4);
            put(14, runMinutes, 4);
            put(18, jobCount, 4);
            break;
        case 15:
            if (firmwareVersion.size() >= 3) {
                s[3] = 'v';
                s[7] = static_cast<std::uint8_t>(firmwareVersion[0]);
                s[9] = static_cast<std::uint8_t>(firmwareVersion[1]);
                s[10] = static_cast<std::uint8_t>(firmwareVersion[2]);
            }
            break;
        default: break;
    }
    return s;
}

std::vector<std::uint8_t> ControllerModel::StatusRecord() {
    std::vector<std::uint8_t> r(kStatusRecordMinSize, 0);
    auto put = [&](std::size_t off, std::int64_t v, int n) { PutLittleEndian(r, off, v, n); };
    const std::uint8_t st = ReadStatusByte();
    r[3] = outputByte;
    r[4] = st;
    r[5] = lastKeyByte;
    put(8, stepX, 4);
    put(12, stepY, 4);
    put(16, stepZ, 4);
    put(24, baseX, 4);
    put(28, baseY, 4);
    put(32, baseZ, 4);
    put(40, workArea[0], 4);
    put(44, workArea[1], 4);
    put(48, workArea[2], 4);
    put(52, runMinutes, 4);
    put(56, jobCount, 4);
    r[62] = speedSet;
    for (int i = 0; i < 4; ++i) put(64 + 4 * i, speeds[i], 4);
    put(80, extraSpeed, 4);
    r[90] = outputIndex;
    for (int i = 0; i < 6; ++i) put(92 + 2 * i, outValues[i], 2);
    return r;
}

std::string ControllerModel::IdentityReply() const {
    std::string r = "xyz";
    r += "DRANHOLT";
    r += std::string(13, '.');
    r += Text8(model);
    r += std::string(13, '.');
    r += Text8(productionDate);
    return r;
}

std::string ControllerModel::StreamedJob(std::size_t from) const {
    std::string out;
    StreamedJobFollower job;
    for (std::size_t i = from; i < log.size(); ++i)
        if (job.Take(log[i].bytes)) out += log[i].bytes;
    return out;
}

std::vector<std::string> ControllerModel::Received(LinkKind link) const {
    std::vector<std::string> out;
    for (const auto& c : log)
        if (c.link == link) out.push_back(c.bytes);
    return out;
}

std::size_t ControllerModel::CountReceived(std::string_view prefix) const {
    return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), [&](const ReceivedCommand& c) {
        return std::string_view(c.bytes).substr(0, prefix.size()) == prefix;
    }));
}

}  // namespace vellisk::sim
