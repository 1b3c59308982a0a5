// The parallel-port handshake against the simulated controller's register-level peer.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/lpt_rig.h"

namespace vellisk {
namespace {

using namespace std::chrono_literals;
using sim::PortEvent;

using sim::LptRig;

constexpr auto D = PortEvent::Data;
constexpr auto C = PortEvent::Control;

TEST(LptTransport, InitLeavesAutoFeedAndInputDirectionOn) {
    LptRig r;
    EXPECT_EQ(r.peer.control(), 0x22);
}

TEST(LptTransport, HandshakeOfTheStatusRequestAndItsReply) {
    LptRig r;
    r.model.statusByte = 0x24;
    r.peer.recordEvents = true;
    r.lpt.StartTimeout();
    r.lpt.SendByte('X');
    const std::vector<PortEvent> send = {{D, 0x55}, {C, 0x22}, {C, 0x02}, {D, 0x58}, {C, 0x03}, {C, 0x22}, {C, 0x22}};
    EXPECT_EQ(r.peer.events, send);
    EXPECT_EQ(r.peer.bytesFromHost, "X");

    r.peer.events.clear();
    EXPECT_EQ(r.lpt.ReceiveByte(), 0x24);
    const std::vector<PortEvent> receive = {{C, 0x22}, {C, 0x20}, {C, 0x21}, {C, 0x23}, {C, 0x22}};
    EXPECT_EQ(r.peer.events, receive);
    EXPECT_FALSE(r.lpt.TimedOut());
}

TEST(LptTransport, ReceivesSignedTwentyFourBitValuesAndWords) {
    EXPECT_EQ(Int24FromBytes(0xFF, 0xFF, 0xFF), -1);
    EXPECT_EQ(Int24FromBytes(0x00, 0x00, 0x80), -8388608);
    EXPECT_EQ(Int24FromBytes(0xFF, 0xFF, 0x7F), 8388607);

    LptRig r;
    r.model.speedSet = 2;
    r.model.speeds[3] = 0x1234;
    r.lpt.StartTimeout();
    r.lpt.SendString(std::string("I\x03", 2));
    EXPECT_EQ(r.lpt.ReceiveByte(), 2);
    EXPECT_EQ(r.lpt.ReceiveWord(), 0x1234);
}

TEST(LptTransport, SilentControllerTimesOutOnTheStopwatchWithoutWaiting) {
    LptRig r;
    r.peer.noAckBytes = 1;
    r.peer.recordEvents = true;
    r.clock.autoStep = 1s;  // every look at the clock is a second later
    r.lpt.StartTimeout();
    r.lpt.SendString("E\x01\x02");
    EXPECT_TRUE(r.lpt.TimedOut());
    // The rest of the string is not strobed once the exchange has timed out.
    EXPECT_EQ(std::count(r.peer.events.begin(), r.peer.events.end(), PortEvent{C, 0x03}), 1);
    EXPECT_EQ(r.peer.bytesFromHost, "");
    EXPECT_LT(r.clock.reads, 10);
}

TEST(LptTransport, ReadyHeldLowTimesOutTheExchange) {
    LptRig r;
    r.peer.readyHeldLow = true;
    r.clock.autoStep = 100ms;
    r.lpt.StartTimeout();
    r.lpt.SendByte('X');
    EXPECT_TRUE(r.lpt.TimedOut());
    EXPECT_GT(r.clock.reads, 14);  // it waited on the clock for the whole limit
}

TEST(LptTransport, ClockOfTheDayPlaysNoPartNearMidnight) {
    // The stopwatch runs on the monotonic clock: a start "just before midnight" still ends.
    LptRig r;
    r.clock.now = std::chrono::hours(24) - 1ms;
    r.peer.noAckBytes = -1;
    r.clock.autoStep = 1s;
    r.lpt.StartTimeout();
    r.lpt.SendByte('X');
    EXPECT_TRUE(r.lpt.TimedOut());
}

}  // namespace
}  // namespace vellisk
