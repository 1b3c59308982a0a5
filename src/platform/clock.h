#pragma once
// Time for the machine link: a monotonic clock with sleeping, a stopwatch with a time limit, and
// the busy-wait delays. Every time limit of the link is measured on a Clock, never on the time of
// day (which may jump or wrap at midnight). The clock is passed in, so tests drive time by hand
// and time-outs need no real waiting.
#include <chrono>
#include <cstdint>

namespace vellisk {

class Clock {
public:
    using Duration = std::chrono::nanoseconds;

    virtual ~Clock() = default;
    // Time since an arbitrary fixed origin; never goes backwards.
    virtual Duration Now() = 0;
    // Gives the processor away for at least `d`.
    virtual void Sleep(Duration d) = 0;

    void SleepMs(double ms) {
        Sleep(std::chrono::duration_cast<Duration>(std::chrono::duration<double, std::milli>(ms)));
    }
};

// The system's monotonic clock.
class SteadyClock final : public Clock {
public:
    Duration Now() override;
    void Sleep(Duration d) override;
};

// The process's steady clock (for code that is not handed one).
Clock& DefaultClock();

// The reply stopwatch: started once per exchange with the controller; the limit covers the
// whole exchange.
class Stopwatch {
public:
    explicit Stopwatch(Clock& clock, Clock::Duration limit = std::chrono::milliseconds(1500))
        : clock_(clock), limit_(limit), start_(clock.Now()) {}

    void Start() { start_ = clock_.Now(); }
    Clock::Duration Elapsed() const { return clock_.Now() - start_; }
    bool Expired() const { return Elapsed() > limit_; }

    Clock::Duration Limit() const { return limit_; }
    void SetLimit(Clock::Duration limit) { limit_ = limit; }
    Clock& GetClock() const { return clock_; }

private:
    Clock& clock_;
    Clock::Duration limit_;
    Clock::Duration start_;
};

// Busy waits that do not give the processor away.
//   DelayMs: a calibrated count of clock reads; the first call calibrates over 500 ms.
//   WaitMs:  reads the clock until the time has passed.
class BusyDelay {
public:
    explicit BusyDelay(Clock& clock) : clock_(clock) {}

    void DelayMs(double ms);
    void WaitMs(double ms);

    bool CalibrationPending() const { return calibrationPending_; }
    double LoopsPerMs() const { return loopsPerMs_; }
    // Sets the calibration by hand (the first DelayMs then does not calibrate).
    void SetLoopsPerMs(double loops) {
        loopsPerMs_ = loops;
        calibrationPending_ = false;
    }

private:
    Clock& clock_;
    bool calibrationPending_ = true;
    double loopsPerMs_ = 0;
};

}  // namespace vellisk
