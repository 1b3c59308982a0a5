#pragma once
// A clock that tests drive by hand: every read advances it by `autoStep` (so busy loops on the
// clock end), Sleep advances it by the time asked and records it. A time-out test sets a large
// `autoStep` so that the stopwatch runs out after a few reads, without any real waiting.
#include <chrono>
#include <cstdint>

#include "platform/clock.h"

namespace vellisk::sim {

class FakeClock : public Clock {
public:
    Duration now{std::chrono::hours(1)};
    Duration autoStep{std::chrono::microseconds(1)};
    std::int64_t reads = 0;
    std::int64_t sleepCount = 0;
    Duration slept{};

    Duration Now() override {
        ++reads;
        const Duration t = now;
        now += autoStep;
        return t;
    }
    void Sleep(Duration d) override {
        ++sleepCount;
        if (d > Duration::zero()) {
            now += d;
            slept += d;
        }
    }
    void Advance(Duration d) { now += d; }
};

}  // namespace vellisk::sim
