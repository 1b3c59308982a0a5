#include <gtest/gtest.h>

#include "platform/clock.h"
#include "sim/fake_clock.h"

namespace vellisk {
namespace {

using namespace std::chrono_literals;

TEST(Stopwatch, RunsOutAfterItsLimitOnTheMonotonicClock) {
    sim::FakeClock clock;
    clock.autoStep = 0ns;
    Stopwatch sw(clock);
    EXPECT_FALSE(sw.Expired());
    clock.Advance(1500ms);
    EXPECT_FALSE(sw.Expired());  // the limit itself is not past it
    clock.Advance(1ms);
    EXPECT_TRUE(sw.Expired());
    sw.Start();
    EXPECT_FALSE(sw.Expired());
}

TEST(BusyDelay, CalibratesOnceThenCountsClockReads) {
    sim::FakeClock clock;
    clock.autoStep = 1ms;  // one read per millisecond
    BusyDelay d(clock);
    EXPECT_TRUE(d.CalibrationPending());
    d.DelayMs(0);
    EXPECT_FALSE(d.CalibrationPending());
    EXPECT_NEAR(d.LoopsPerMs(), 1.0, 0.01);

    d.SetLoopsPerMs(1);
    const auto before = clock.reads;
    d.DelayMs(0.4);  // rounds to no reads
    EXPECT_EQ(clock.reads, before);
    d.DelayMs(3);
    EXPECT_EQ(clock.reads, before + 3);
}

TEST(BusyDelay, WaitMsSpinsUntilTheTimeHasPassed) {
    sim::FakeClock clock;
    clock.autoStep = 1ms;
    BusyDelay d(clock);
    const auto t0 = clock.now;
    d.WaitMs(80);
    EXPECT_GT(clock.now - t0, 80ms);
    EXPECT_LT(clock.now - t0, 85ms);
}

TEST(SteadyClock, NeverGoesBackwards) {
    SteadyClock c;
    auto a = c.Now();
    c.Sleep(1ms);
    EXPECT_GE(c.Now() - a, 1ms);
}

}  // namespace
}  // namespace vellisk
