#include "sim/lpt_peer.h"

namespace vellisk::sim {

std::uint8_t LptPeer::ReadStatus() {
    ++statusReads;
    return static_cast<std::uint8_t>((readyHeldLow ? 0 : kLptStatusReady) | ack_);
}

std::uint8_t LptPeer::ReadData() { return (control_ & kLptControlDataIn) ? out_ : dataLatch_; }

void LptPeer::WriteData(std::uint8_t value) {
    if (recordEvents) events.push_back({PortEvent::Data, value});
    dataLatch_ = value;
}

void LptPeer::WriteControl(std::uint8_t value) {
    if (recordEvents) events.push_back({PortEvent::Control, value});
    const bool rising = (control_ & kLptControlStrobe) == 0 && (value & kLptControlStrobe) != 0;
    control_ = value;
    if (!rising) return;
    if (noAckBytes != 0) {
        if (noAckBytes > 0) --noAckBytes;
        return;
    }
    if (value & kLptControlAutoFeed) {
        TakeByte(dataLatch_);
    } else {
        out_ = 0;
        if (!replies_.empty()) {
            out_ = replies_.front();
            replies_.pop_front();
        }
        bytesToHost.push_back(static_cast<char>(out_));
    }
    ack_ ^= kLptStatusAck;
}

void LptPeer::TakeByte(std::uint8_t b) {
    bytesFromHost.push_back(static_cast<char>(b));
    if (pending_.empty()) replies_.clear();  // a new command drops an unread reply
    pending_.push_back(static_cast<char>(b));
    if (pending_.size() >= model_.CommandLength(pending_, LinkKind::ParallelPort)) {
        const std::string reply = model_.Receive(pending_, LinkKind::ParallelPort);
        pending_.clear();
        for (char c : reply) replies_.push_back(static_cast<std::uint8_t>(c));
    }
}

}  // namespace vellisk::sim
