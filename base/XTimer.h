// Stopwatch on the high-resolution monotonic counter, for measuring short
// intervals in milliseconds with the cost of the measurement itself subtracted.
// Use: Calibrieren once, then Start ... Halt, then RunTime.
#pragma once

#include <cstdint>
#include <functional>

namespace zk {

class xTimer {
public:
    // Counter source (counts) and its frequency (counts per second); the default
    // is CLOCK_MONOTONIC in nanoseconds (1e9 per second).
    using Counter = std::function<uint64_t()>;
    xTimer();
    xTimer(Counter counter, uint64_t frequenz);

    void Start();
    void Halt();
    void Calibrieren();
    // (Halt - Start) / Frequenz x 1000 - Kalibrierung, in milliseconds.
    double RunTime() const;

    double Kalibrierung = 0.0;
    uint64_t StartZaehler = 0;
    uint64_t HaltZaehler = 0;
    uint64_t Frequenz = 0;

    // A 64-bit counter value as a double: low 32 bits unsigned plus the high
    // 32 bits times 2^32.
    static double ZuDouble(uint64_t v);

private:
    Counter counter_;
};

}  // namespace zk
