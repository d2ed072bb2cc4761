// Cost of one 1 ms tick with a race running and all eight lanes busy: every lane
// passes a 20 ms pulse every 600 ms, the lanes offset so that at any moment some
// are following a pulse, some are locked and some are idle. The I2C step is off,
// except in the last benchmark, which keeps the bus engine busy.
#include <benchmark/benchmark.h>

#include <array>

#include "tests/TestRig.h"
#include "tick/I2CBus.h"

using namespace zk;
using zk::test::kLaneBit;

namespace {

constexpr int kPeriod = 600;  // ms between pulse starts of one lane
constexpr int kPulse = 20;

// Input words for one 600 ms period, precomputed so the loop measures the tick only.
std::array<uint8_t, kPeriod> Pattern() {
    std::array<uint8_t, kPeriod> p{};
    for (int t = 0; t < kPeriod; ++t)
        for (int l = 1; l <= 8; ++l)
            if ((t - (l - 1) * 70 + kPeriod) % kPeriod < kPulse) p[t] = static_cast<uint8_t>(p[t] | kLaneBit[l]);
    return p;
}

// The rig's eight lanes, racing, past their start crossing so laps are counted.
struct Bench {
    explicit Bench(MsClock& c) : rig(0, &c), port(rig.port), sys(rig.sys) {
        zk::test::EightLanes(sys.cfg);
        rig.Init();
        GreenWithoutLight(sys);
        for (int l = 1; l <= 8; ++l) sys.st.ErsteDurchfahrt[l] = false;
    }
    zk::test::Rig rig;
    SimLptIo& port;
    RaceSystem& sys;
};

// Clock stepped by hand: the tick's own work.
void BM_FastTimerTick(benchmark::State& state) {
    ManualMsClock clock(1);
    Bench b(clock);
    const auto pattern = Pattern();
    int32_t now = 1;
    int t = 0;
    TickContext tick = b.sys.Tick();
    for (auto _ : state) {
        clock.Set(++now);
        b.port.SetInputWord(pattern[t]);
        if (++t == kPeriod) t = 0;
        FastTimerTick(tick);
    }
    state.counters["laps"] = static_cast<double>(b.sys.st.Erfasst[1] + b.sys.st.Erfasst[8]) / 2;
}
BENCHMARK(BM_FastTimerTick);

// The same with the CLOCK_MONOTONIC millisecond clock the program uses; the input
// pattern advances one step per iteration.
void BM_FastTimerTickMonotonicClock(benchmark::State& state) {
    MonotonicMsClock clock;
    Bench b(clock);
    const auto pattern = Pattern();
    int t = 0;
    TickContext tick = b.sys.Tick();
    for (auto _ : state) {
        b.port.SetInputWord(pattern[t]);
        if (++t == kPeriod) t = 0;
        FastTimerTick(tick);
    }
}
BENCHMARK(BM_FastTimerTickMonotonicClock);

// The same tick with the bus engine busy: a converter message is always on the
// bus (one is queued whenever the queue runs empty), so every tick takes its
// phase and writes the control register.
void BM_FastTimerTickBusBusy(benchmark::State& state) {
    ManualMsClock clock(1);
    Bench b(clock);
    I2CBus bus;
    b.sys.SetBus(&bus);
    b.sys.st.I2CAktiv = true;
    const auto pattern = Pattern();
    int32_t now = 1;
    int t = 0;
    TickContext tick = b.sys.Tick();
    for (auto _ : state) {
        clock.Set(++now);
        b.port.SetInputWord(pattern[t]);
        if (++t == kPeriod) {
            t = 0;
            state.PauseTiming();
            b.port.ClearWrites();  // the simulated port's write log, not the tick's cost
            state.ResumeTiming();
        }
        if (bus.Statistik().wartend == 0) bus.I2CSend(0x90, 0x40, 192, 3);
        FastTimerTick(tick);
    }
    state.counters["sent"] = bus.Statistik().gesendet;
}
BENCHMARK(BM_FastTimerTickBusBusy);

}  // namespace

BENCHMARK_MAIN();
