// Clocks of the timing core.
//
// MsClock replaces the system millisecond clock: milliseconds since program start
// as a signed 32-bit value that wraps after 24.8 days (all comparisons of times go
// through TimeDiff, so the wrap is harmless). WallClock gives the time of day that
// the 100 ms cycle watches for a new second. Tests and the replay tool use the
// manual variants.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace zk {

class MsClock {
public:
    virtual ~MsClock() = default;
    // Called by the tick thread once per tick, and by the UI thread.
    virtual int32_t NowMs() = 0;
};

// CLOCK_MONOTONIC, counted from construction.
class MonotonicMsClock final : public MsClock {
public:
    MonotonicMsClock();
    int32_t NowMs() override;
    int64_t OriginNs() const { return originNs_; }

private:
    int64_t originNs_;
};

class ManualMsClock final : public MsClock {
public:
    explicit ManualMsClock(int32_t start = 0) : now_(start) {}
    int32_t NowMs() override { return now_.load(std::memory_order_relaxed); }
    void Set(int32_t ms) { now_.store(ms, std::memory_order_relaxed); }
    void Advance(int32_t ms);

private:
    std::atomic<int32_t> now_;
};

// Nanoseconds of CLOCK_MONOTONIC.
int64_t MonotonicNs();

// The CLOCK_MONOTONIC microsecond at which `clock` read 0: exact for the
// monotonic clock, from the present reading for any other.
int64_t MsClockOriginUs(MsClock& clock);

class WallClock {
public:
    virtual ~WallClock() = default;
    // Time of day as "hh:mm:ss".
    virtual std::string TimeOfDay() = 0;
    // Today's date as "YYYY-MM-DD" (the system's local date).
    virtual std::string Date();
};

class SystemWallClock final : public WallClock {
public:
    std::string TimeOfDay() override;
};

// Time of day derived from a millisecond clock, for deterministic replays: the
// start time (00:00:00 unless set) when the clock reads 0, then one second per
// 1000 ms of the clock, wrapping at midnight.
class DerivedWallClock final : public WallClock {
public:
    explicit DerivedWallClock(MsClock& ms) : ms_(ms) {}
    std::string TimeOfDay() override;
    // Time of day at clock 0, in seconds since midnight (0..86399).
    void SetStart(int32_t secondOfDay) { start_ = secondOfDay; }

private:
    MsClock& ms_;
    int32_t start_ = 0;
};

}  // namespace zk
