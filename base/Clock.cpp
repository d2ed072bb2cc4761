#include "base/Clock.h"

#include <cstdio>
#include <ctime>

#include "base/Shared.h"

namespace zk {

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

MonotonicMsClock::MonotonicMsClock() : originNs_(MonotonicNs()) {}

int32_t MonotonicMsClock::NowMs() {
    const int64_t ms = (MonotonicNs() - originNs_) / 1000000;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ms)));
}

int64_t MsClockOriginUs(MsClock& clock) {
    if (const auto* m = dynamic_cast<const MonotonicMsClock*>(&clock)) return m->OriginNs() / 1000;
    return MonotonicNs() / 1000 - int64_t{clock.NowMs()} * 1000;
}

void ManualMsClock::Advance(int32_t ms) { Set(TimeAdd(NowMs(), ms)); }

std::string WallClock::Date() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

std::string SystemWallClock::TimeOfDay() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string DerivedWallClock::TimeOfDay() {
    const int64_t sec = static_cast<uint32_t>(ms_.NowMs()) / 1000 + start_;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(sec / 3600 % 24),
                  static_cast<int>(sec / 60 % 60), static_cast<int>(sec % 60));
    return buf;
}

}  // namespace zk
