#include "tick/FastTimerThread.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <algorithm>

#include "base/Clock.h"
#include "tick/FastTimer.h"

namespace zk {

namespace {
constexpr int64_t kPeriodNs = 1000000;
constexpr int64_t kLateNs = 500000;

timespec ToTimespec(int64_t ns) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    return ts;
}
// Tells the CPU that this is a polling loop (saves power, frees the sibling thread).
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}
}  // namespace

void FastTimerThread::StartFastTimer() {
    // The thread itself decides, not only the handle: assigning to a running
    // std::thread would end the program.
    if (tick_.s.TimerHandle != 0 || thread_.joinable()) StopFastTimer();
    stop_.store(false, std::memory_order_relaxed);
    tick_.s.TickZaehler = tick_.s.Startzeit.load();
    const int64_t spinNs = int64_t{spinUs_} * 1000;
    thread_ = std::thread([this, spinNs] { Run(spinNs); });
    tick_.s.TimerHandle = nextHandle_++;
    tick_.s.TimerLaeuft = true;
}

void FastTimerThread::StopFastTimer() {
    // A running thread is always joined, even when TimerHandle was cleared behind
    // its back: destroying a running std::thread would end the program.
    if (tick_.s.TimerHandle == 0 && !thread_.joinable()) {
        tick_.s.TimerLaeuft = false;
        return;
    }
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable()) thread_.join();  // a running tick finishes first
    tick_.s.TimerHandle = 0;
    tick_.s.TimerLaeuft = false;
}

int64_t FastTimerThread::ThreadCpuNs() {
    if (!thread_.joinable()) return 0;
    clockid_t cid{};
    timespec ts{};
    if (pthread_getcpuclockid(thread_.native_handle(), &cid) != 0 || clock_gettime(cid, &ts) != 0) return 0;
    return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

// Tick thread.
void FastTimerThread::Run(int64_t spinNs) {
    sched_param sp{};
    sp.sched_priority = std::max(1, sched_get_priority_max(SCHED_FIFO) - 10);
    realtime_.store(pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0, std::memory_order_relaxed);

    TickState& s = tick_.s;
    int64_t next = MonotonicNs() + kPeriodNs;
    while (!stop_.load(std::memory_order_relaxed)) {
        const timespec ts = ToTimespec(next - spinNs);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
            if (stop_.load(std::memory_order_relaxed)) return;
        }
        int64_t now = MonotonicNs();
        while (now < next) {
            CpuRelax();
            now = MonotonicNs();
        }
        const int64_t late = now - next;
        if (late > kLateNs) {
            ++s.TickVerspaetet;
            const auto us = static_cast<int32_t>(std::min<int64_t>(late / 1000, INT32_MAX));
            if (us > s.TickSpaetMaxUs) s.TickSpaetMaxUs = us;
        }
        if (late >= kPeriodNs) {
            // Periods that passed entirely are skipped (their time stamps would
            // all be the same millisecond) and counted.
            const int64_t missed = late / kPeriodNs;
            s.TickVerpasst += static_cast<int32_t>(std::min<int64_t>(missed, INT32_MAX));
            next += missed * kPeriodNs;
        }
        FastTimerTick(tick_);
        next += kPeriodNs;
    }
}

}  // namespace zk
