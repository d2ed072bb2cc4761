// Cost of one 1 ms tick with a race running and all eight lanes busy: every lane
// passes a 20 ms pulse every 600 ms, the lanes offset so that at any moment some
// are following a pulse, some are locked and some are idle. The I2C step is off.
#include <benchmark/benchmark.h>

#include <array>

#include "devices/SimLptIo.h"
#include "base/Clock.h"
#include "tick/FastTimer.h"
#include "system/RaceSystem.h"

using namespace zk;

namespace {

constexpr std::array<uint8_t, 9> kLaneBit = {0, 8, 16, 32, 64, 128, 1, 2, 4};
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

struct Bench {
    explicit Bench(MsClock& c) : port(&c), wall(c), sys(c, port, wall) {
        for (int n = 1; n <= 8; ++n) {
            sys.cfg.Masken.MS[n] = kLaneBit[n];
            sys.cfg.Masken.CS[n] = kLaneBit[n];
            sys.cfg.AktiveSpuren.Spur[n] = 1;
        }
        sys.cfg.Masken.MS[9] = sys.cfg.Masken.MS[10] = 0;
        sys.cfg.Masken.CS[9] = sys.cfg.Masken.CS[10] = 1;
        sys.cfg.Lpt.Port = 1;
        sys.cfg.LiZeit.Minimum = 500;
        sys.cfg.LiZeit.MinLength = 3;
        sys.cfg.I2COutput.Aktiv = 0;
        sys.InitProgram();
        port.SetBase(static_cast<uint16_t>(sys.st.LptBasis));
        sys.st.RennenLaeuft = kTrue;
        for (int l = 1; l <= 8; ++l) sys.st.ErsteDurchfahrt[l] = 0;  // laps are counted
    }
    SimLptIo port;
    DerivedWallClock wall;
    RaceSystem sys;
};

// Clock stepped by hand: the tick's own work.
void BM_FastTimerTick(benchmark::State& state) {
    ManualMsClock clock(1);
    Bench b(clock);
    const auto pattern = Pattern();
    int32_t now = 1;
    int t = 0;
    for (auto _ : state) {
        clock.Set(++now);
        b.port.SetInputWord(pattern[t]);
        if (++t == kPeriod) t = 0;
        FastTimerTick(b.sys);
    }
    state.counters["laps"] = static_cast<double>(b.sys.st.Runden[1] + b.sys.st.Runden[8]) / 2;
}
BENCHMARK(BM_FastTimerTick);

// The same with the CLOCK_MONOTONIC millisecond clock the program uses; the input
// pattern advances one step per iteration.
void BM_FastTimerTickMonotonicClock(benchmark::State& state) {
    MonotonicMsClock clock;
    Bench b(clock);
    const auto pattern = Pattern();
    int t = 0;
    for (auto _ : state) {
        b.port.SetInputWord(pattern[t]);
        if (++t == kPeriod) t = 0;
        FastTimerTick(b.sys);
    }
}
BENCHMARK(BM_FastTimerTickMonotonicClock);

}  // namespace

BENCHMARK_MAIN();
