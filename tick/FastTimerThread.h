// The real-time 1 ms execution context: a dedicated thread that sleeps to absolute
// 1 ms deadlines on CLOCK_MONOTONIC and runs FastTimerTick. It asks for SCHED_FIFO
// and runs on without it where the system refuses.
//
// A tick that starts late is never lost silently: starts more than 0.5 ms after
// their deadline count in TickVerspaetet, whole periods that had to be skipped in
// TickVerpasst, and the largest delay in TickSpaetMaxUs.
//
// Wake-up: by default the thread sleeps to each deadline. With a spin time set
// it sleeps only to that long before the deadline and polls the clock for the
// rest, so the wake-up delay of the kernel falls into the spin and the tick
// starts on time; the price is CPU time of the tick thread (the spin time per
// tick, 15 % of a core for 150 us).
#pragma once

#include <atomic>
#include <thread>

#include "tick/FastTimer.h"

namespace zk {

// Spin time of the program's spin mode ([Timer] "Wecken" = 2).
inline constexpr int kTickSpinUs = 150;

class FastTimerThread {
public:
    explicit FastTimerThread(TickContext tick) : tick_(tick) {}
    ~FastTimerThread() { StopFastTimer(); }
    FastTimerThread(const FastTimerThread&) = delete;
    FastTimerThread& operator=(const FastTimerThread&) = delete;

    // UI thread. Starts the periodic tick (stopping a running one first). Seeds TickZaehler
    // with Startzeit and sets TimerHandle and TimerLaeuft.
    void StartFastTimer();
    // Stops the tick; returns after a running tick has finished. Must not be
    // called from the tick itself.
    void StopFastTimer();

    // Spin time before each deadline in microseconds (0: sleep to the deadline,
    // at most kMaxSpinUs). Read when the thread starts.
    static constexpr int kMaxSpinUs = 900;
    void SetSpinUs(int us) { spinUs_ = us < 0 ? 0 : (us > kMaxSpinUs ? kMaxSpinUs : us); }
    int SpinUs() const { return spinUs_; }

    // CPU time the tick thread has used so far, in nanoseconds (0 when not running).
    int64_t ThreadCpuNs();

    // True when the thread got real-time scheduling.
    bool Echtzeit() const { return realtime_.load(std::memory_order_relaxed); }

private:
    void Run(int64_t spinNs);

    TickContext tick_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> realtime_{false};
    int nextHandle_ = 1;
    int spinUs_ = 0;
};

}  // namespace zk
