#include "base/XTimer.h"

#include "base/Clock.h"

namespace zk {

xTimer::xTimer() : xTimer([] { return static_cast<uint64_t>(MonotonicNs()); }, 1000000000ULL) {}

xTimer::xTimer(Counter counter, uint64_t frequenz) : Frequenz(frequenz), counter_(std::move(counter)) {}

void xTimer::Start() { StartZaehler = counter_(); }
void xTimer::Halt() { HaltZaehler = counter_(); }

void xTimer::Calibrieren() {
    StartZaehler = counter_();
    HaltZaehler = counter_();
    Kalibrierung = (ZuDouble(HaltZaehler) - ZuDouble(StartZaehler)) / ZuDouble(Frequenz) * 1000.0;
}

double xTimer::RunTime() const {
    return (ZuDouble(HaltZaehler) - ZuDouble(StartZaehler)) / ZuDouble(Frequenz) * 1000.0 - Kalibrierung;
}

double xTimer::ZuDouble(uint64_t v) {
    const auto lo = static_cast<uint32_t>(v & 0xFFFFFFFFu);
    const auto hi = static_cast<uint32_t>(v >> 32);
    return static_cast<double>(lo) + static_cast<double>(hi) * 4294967296.0;
}

}  // namespace zk
