// The real-time 1 ms execution context: a dedicated thread that sleeps to absolute
// 1 ms deadlines on CLOCK_MONOTONIC and runs FastTimerTick. It asks for SCHED_FIFO
// and runs on without it where the system refuses.
//
// A tick that starts late is never lost silently: starts more than 0.5 ms after
// their deadline count in TickVerspaetet, whole periods that had to be skipped in
// TickVerpasst, and the largest delay in TickSpaetMaxUs.
#pragma once

#include <atomic>
#include <thread>

#include "tick/FastTimer.h"

namespace zk {

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

    // True when the thread got real-time scheduling.
    bool Echtzeit() const { return realtime_.load(std::memory_order_relaxed); }

private:
    void Run();

    TickContext tick_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> realtime_{false};
    int nextHandle_ = 1;
};

}  // namespace zk
