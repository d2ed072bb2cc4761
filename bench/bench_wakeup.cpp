// Wake-up latency of a bare periodic thread on this machine, without any of the
// program's work: the same absolute 1 ms deadlines on CLOCK_MONOTONIC and the same
// SCHED_FIFO request as the tick thread. What it reports is the floor under the
// tick's own figures in bench_realtime.
//
//   bench_wakeup [--seconds N]     (default 60)
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/Clock.h"

int main(int argc, char** argv) {
    int seconds = 60;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "bench_wakeup [--seconds N]\n");
            return 2;
        }
    }
    if (seconds < 1) seconds = 1;

    sched_param sp{};
    sp.sched_priority = std::max(1, sched_get_priority_max(SCHED_FIFO) - 10);
    const bool rt = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0;

    constexpr int64_t kPeriod = 1000000;
    std::vector<int64_t> lateNs(static_cast<size_t>(seconds) * 1000);
    int64_t next = zk::MonotonicNs() + kPeriod;
    long skipped = 0;
    for (auto& late : lateNs) {
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(next / 1000000000);
        ts.tv_nsec = static_cast<long>(next % 1000000000);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
        }
        late = zk::MonotonicNs() - next;
        if (late >= kPeriod) {  // as the tick thread does: skip whole periods
            skipped += late / kPeriod;
            next += late / kPeriod * kPeriod;
        }
        next += kPeriod;
    }
    const long over = std::count_if(lateNs.begin(), lateNs.end(), [](int64_t x) { return x > 500000; });
    std::sort(lateNs.begin(), lateNs.end());
    auto pct = [&](double p) {
        // nearest rank
        auto idx = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(lateNs.size())));
        idx = std::clamp<size_t>(idx, 1, lateNs.size()) - 1;
        return static_cast<double>(lateNs[idx]) / 1e3;
    };
    std::printf("wake-up delay after the deadline, us (%d s, %s): p50 %.1f  p99 %.1f  p99.9 %.1f  max %.1f\n",
                seconds, rt ? "SCHED_FIFO" : "SCHED_OTHER", pct(50), pct(99), pct(99.9), pct(100));
    std::printf("wake-ups more than 0.5 ms late: %ld, skipped periods: %ld\n", over, skipped);
    return 0;
}
