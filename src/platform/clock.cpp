#include "platform/clock.h"

#include <cmath>
#include <thread>

namespace vellisk {

Clock::Duration SteadyClock::Now() {
    return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::Sleep(Duration d) {
    if (d > Duration::zero()) std::this_thread::sleep_for(d);
}

Clock& DefaultClock() {
    static SteadyClock clock;
    return clock;
}

void BusyDelay::DelayMs(double ms) {
    if (calibrationPending_) {
        calibrationPending_ = false;
        const auto t0 = clock_.Now();
        const auto end = t0 + std::chrono::milliseconds(500);
        std::uint64_t count = 0;
        while (clock_.Now() <= end) ++count;
        loopsPerMs_ = static_cast<double>(count) / 500.0;
    }
    const double n = std::nearbyint(ms * loopsPerMs_);
    if (!(n >= 1)) return;
    // A request beyond any sensible delay is cut at one minute's worth of reads.
    const double cap = 60000.0 * (loopsPerMs_ > 0 ? loopsPerMs_ : 1.0);
    const auto reads = static_cast<std::uint64_t>(n < cap ? n : cap);
    for (std::uint64_t i = 0; i < reads; ++i) (void)clock_.Now();
}

void BusyDelay::WaitMs(double ms) {
    if (!(ms > 0)) return;
    const auto t0 = clock_.Now();
    const auto end = t0 + std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double, std::milli>(ms));
    while (clock_.Now() <= end) {}
}

}  // namespace vellisk
