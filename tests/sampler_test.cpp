// The 1 ms sampler: pulse following, registration, lockout, gating, false starts,
// extra inputs, the after-run countdown and the port simulator step.
#include <gtest/gtest.h>

#include <climits>

#include "TestRig.h"
#include "race/PortSim.h"
#include "race/RaceSequence.h"

using namespace zk;
using namespace zk::test;

namespace {

// The tick's flags are bool and take no int: a -1/0 word stored in one, or one
// compared with kTrue (always unequal to true), does not compile; counting is
// for counters only.
template <class W>
concept TakesInt = requires(W& w) { w = int16_t{-1}; };
template <class W>
concept ComparesWithInt = requires(const W& w) { w == kTrue; } || requires(const W& w) { w != 0; };
template <class W>
concept Counts = requires(W& w) { ++w; };
template <class W>
concept IsFlag = requires(W& w) {
    w = true;
    !w;
};
static_assert(!TakesInt<Shared<bool>> && !TakesInt<SyncFlag<bool>>);
static_assert(!ComparesWithInt<Shared<bool>> && !ComparesWithInt<SyncFlag<bool>>);
static_assert(!Counts<Shared<bool>>);
static_assert(IsFlag<Shared<bool>> && IsFlag<SyncFlag<bool>>);
// ... and compares with a bool from either side.
static_assert(requires(const Shared<bool>& f, bool b) { b != f; f == b; });
static_assert(TakesInt<Shared<int16_t>> && ComparesWithInt<Shared<int16_t>> && Counts<Shared<int32_t>>);

// A rig with standard wiring, MinLength 3, lockout 500 ms, racing from 1000 ms.
struct SamplerRig : Rig {
    explicit SamplerRig(int32_t start = 0, int16_t minLength = 3) : Rig(start) {
        StandardWiring();
        sys.cfg.LiZeit.MinLength = minLength;
        sys.cfg.LiZeit.Minimum = 500;
        for (int l = 1; l <= 8; ++l) sys.cfg.AktiveSpuren.Spur[l] = 1;
        Init();
        Green();
        for (int l = 1; l <= 8; ++l) sys.st.ErsteDurchfahrt[l] = false;  // laps, not start crossings
    }
    // Drives one tick with lane `lane` active or not.
    void Sample(int lane, bool active) {
        if (active) Hold(lane, 1);
        Step();
    }
};

}  // namespace

TEST(SamplerPulse, ShortPulseIsDiscardedAndTheNextOneKeepsItsFirstSample) {
    SamplerRig r(999);  // first tick at 1000
    r.Sample(1, true);   // t = 1000
    r.Sample(1, true);   // 1001
    r.Sample(1, false);  // 1002: discards the two-sample pulse
    EXPECT_FALSE(r.sys.st.ImPuls[1]);
    EXPECT_FALSE(r.sys.st.RundeOffen[1]);
    r.Sample(1, true);  // 1003
    r.Sample(1, true);  // 1004
    EXPECT_FALSE(r.sys.st.RundeOffen[1]);
    r.Sample(1, true);  // 1005: third consecutive sample registers
    EXPECT_TRUE(r.sys.st.RundeOffen[1]);
    EXPECT_EQ(r.sys.st.Durchfahrt[1], 1003);
    EXPECT_EQ(r.sys.st.Erfasst[1], 1);
    EXPECT_TRUE(r.sys.st.PulsGemeldet[1]);
}

TEST(SamplerPulse, MinLengthOneRegistersOnFirstSampleAndStartCrossingIsNotALap) {
    SamplerRig r(0, 1);
    r.sys.st.ErsteDurchfahrt[2] = true;
    r.Sample(2, true);
    EXPECT_TRUE(r.sys.st.RundeOffen[2]);
    EXPECT_EQ(r.sys.st.Erfasst[2], 0);  // start crossing: no lap counted
}

TEST(SamplerPulse, ActiveLowSensorOnStatusBit3) {
    SamplerRig r;
    r.sys.st.Maske[1] = 8;
    r.sys.st.Vergleich[1] = 0;
    r.port.SetInputWord(0xFF);
    // Bit 3 high: no car.
    r.sys.st.AktZeit = 5;
    { TickContext t = r.sys.Tick(); ReadLptInputs(t); }
    EXPECT_FALSE(InputActive(r.sys.st, 1, r.sys.st.Eingang));
    r.port.SetInputWord(0xF7);
    { TickContext t = r.sys.Tick(); ReadLptInputs(t); }
    EXPECT_TRUE(InputActive(r.sys.st, 1, r.sys.st.Eingang));
}

TEST(SamplerLockout, LaneIsLockedUntilMinZeitAfterTheSixthInactiveSampleInclusive) {
    SamplerRig r(999);
    for (int i = 0; i < 10; ++i) r.Sample(1, true);  // 1000..1009, registered at 1002
    for (int i = 0; i < 5; ++i) r.Sample(1, false);  // 1010..1014
    EXPECT_TRUE(r.sys.st.ImPuls[1]);
    r.Sample(1, false);  // 1015: sixth inactive sample ends the pulse
    EXPECT_FALSE(r.sys.st.ImPuls[1]);
    EXPECT_EQ(r.sys.st.SperreBis[1], 1515);
    r.RunTo(1514);
    r.Sample(1, true);  // 1515: still locked
    EXPECT_FALSE(r.sys.st.ImPuls[1]);
    r.Sample(1, true);  // 1516: a new pulse begins
    EXPECT_TRUE(r.sys.st.ImPuls[1]);
    EXPECT_EQ(r.sys.st.Durchfahrt[1], 1516);
}

TEST(SamplerLockout, CarStandingOnSensorGivesExactlyOneCrossing) {
    SamplerRig r;
    r.Hold(3, 5000);
    r.RunFor(5000);
    EXPECT_EQ(r.sys.st.Erfasst[3], 1);
    EXPECT_EQ(r.sys.st.AktivAbtastungen[3], 5000);
    // Inactive samples need not be consecutive after registration.
    r.Sample(3, false);
    r.Sample(3, false);
    r.Sample(3, true);
    r.Sample(3, false);
    r.Sample(3, false);
    r.Sample(3, true);
    EXPECT_TRUE(r.sys.st.ImPuls[3]);
    r.Sample(3, false);
    r.Sample(3, false);  // sixth inactive in total
    EXPECT_FALSE(r.sys.st.ImPuls[3]);
    EXPECT_EQ(r.sys.st.Erfasst[3], 1);
}

TEST(SamplerGate, NoDetectionWhenIdleOrPausedButAfterRunCountsDown) {
    SamplerRig r;
    SetPhase(r.sys, RacePhase::Idle);
    r.Hold(1, 50);
    r.RunFor(50);
    EXPECT_FALSE(r.sys.st.RundeOffen[1]);

    // A pause with its after-run: asked for by race control, carried out by the
    // tick at its next tick, which counts the first millisecond down already.
    SetPhase(r.sys, RacePhase::Paused);
    r.sys.st.Nachzeit = 2000;
    AskAfterRun(r.sys, NachlaufWunsch::Stop);
    AskAfterRun(r.sys, NachlaufWunsch::Start);
    r.Hold(1, 3000);
    for (int i = 1; i <= 2000; ++i) r.Step();
    EXPECT_EQ(r.sys.st.NachlaufStatus.load(), Nachlauf::Laeuft);
    EXPECT_EQ(r.sys.st.NachlaufRest, 0);
    r.Step();  // the 2001st tick after the pause began
    EXPECT_EQ(r.sys.st.NachlaufStatus.load(), Nachlauf::Vorbei);
    EXPECT_FALSE(r.sys.st.RundeOffen[1]);
}

TEST(SamplerFalseStart, CrossingDuringStartLightSetsFehlstartInTheRegisteringTick) {
    SamplerRig r(0, 2);
    SetPhase(r.sys, RacePhase::StartLight, Ampel::On);
    for (int l = 1; l <= 8; ++l) r.sys.st.ErsteDurchfahrt[l] = true;
    r.sys.st.SpurAktiv[4] = false;
    r.Sample(2, true);
    EXPECT_EQ(r.sys.st.FehlstartZahl[2], 0u);
    r.Hold(4, 5);
    r.Sample(2, true);
    EXPECT_EQ(r.sys.st.FehlstartZahl[2], 1u);
    EXPECT_EQ(r.sys.st.Erfasst[2], 0);
    r.RunFor(5);
    EXPECT_EQ(r.sys.st.FehlstartZahl[2], 1u);  // counted once until race control has punished it
    EXPECT_TRUE(r.sys.st.RundeOffen[4]);  // inactive lane registers ...
    EXPECT_EQ(r.sys.st.FehlstartZahl[4], 0u);  // ... but is no false start
}

TEST(SamplerExtraInputs, YellowTriggersOncePerPressAndChaosIsRemembered) {
    SamplerRig r;
    r.sys.st.Maske[9] = 1;
    r.sys.st.Vergleich[9] = 1;
    r.sys.st.Maske[10] = 2;
    r.sys.st.Vergleich[10] = 2;
    r.sys.st.GelbphaseEin = true;
    r.sys.st.ChaosEin = true;

    r.Hold(9, 3000);
    r.Step();
    EXPECT_TRUE(r.sys.st.GelbTaste);
    EXPECT_EQ(r.sys.st.GelbDruck, 1u);
    r.RunFor(2000);
    EXPECT_EQ(r.sys.st.GelbDruck, 1u);  // still held: still the one press
    r.held[9] = 0;
    r.Step();
    EXPECT_FALSE(r.sys.st.GelbTaste);
    r.Hold(9, 2);
    r.Step();
    EXPECT_EQ(r.sys.st.GelbDruck, 2u);

    r.Hold(10, 2);
    r.Step();
    EXPECT_TRUE(r.sys.st.ChaosTaste);
    EXPECT_EQ(r.sys.st.ChaosLosgelassen, 0u);
    r.RunFor(5);
    EXPECT_FALSE(r.sys.st.ChaosTaste);
    EXPECT_EQ(r.sys.st.ChaosLosgelassen, 1u);  // the release is remembered

    // Disabled inputs are never reported.
    r.sys.st.ChaosEin = false;
    r.Hold(10, 2);
    r.RunFor(5);
    EXPECT_FALSE(r.sys.st.ChaosTaste);
    EXPECT_EQ(r.sys.st.ChaosLosgelassen, 1u);
}

TEST(SamplerPort, NoPortMeansNoRegisterAccessAndPort2ReadsItsOwnAddresses) {
    Rig r;
    r.sys.cfg.Lpt.Port = 0;
    r.Init();
    r.RunFor(10);
    EXPECT_EQ(r.port.ReadCount(), 0);

    Rig r2;
    r2.sys.cfg.Lpt.Port = 2;
    r2.Init();
    EXPECT_EQ(r2.sys.st.LptBasis, 632);
    r2.port.SetInputWord(0xA8 | 0x05);
    r2.clock.Set(1);
    { TickContext t = r2.sys.Tick(); FastTimerTick(t); }
    EXPECT_EQ(r2.sys.st.Eingang, 0xAD);
    EXPECT_EQ(r2.port.ReadCount(), 2);
}

TEST(SamplerTick, OverlappingTickIsCountedAndI2CStepRunsOnlyWhenEnabled) {
    Rig r;
    r.Init();
    r.sys.st.TickBelegt = true;  // as if a tick were still running
    r.Step();
    EXPECT_EQ(r.sys.st.TickUeberlauf, 1);
    EXPECT_FALSE(r.sys.st.TickBelegt);
    EXPECT_EQ(r.rec.i2c, 0);
    r.sys.st.I2CAktiv = true;
    r.RunFor(3);
    EXPECT_EQ(r.rec.i2c, 3);
}

TEST(SamplerSimulator, SweepActivatesOneLaneAfterAnotherAndReturnsToIdle) {
    SamplerRig r;
    r.sys.st.SimulationActive = true;
    r.sys.st.EingangRuhe = 0;
    r.sys.st.Eingang = 0;
    AskSimSweep(r.sys.st, true);
    r.sys.st.SimTakt = 0;
    int lane1At = -1, lane2At = -1, idleAt = -1;
    for (int i = 1; i <= 1000; ++i) {
        r.sys.st.AktZeit = i;  // the simulator never reads the port
        r.clock.Set(i);
        { TickContext t = r.sys.Tick(); FastTimerTick(t); }
        const uint16_t in = r.sys.st.Eingang;
        if (lane1At < 0 && (in & 8)) lane1At = i;
        if (lane2At < 0 && (in & 16)) lane2At = i;
        if (lane1At > 0 && idleAt < 0 && in == 0) idleAt = i;
    }
    // A step every 102 ticks (the counter runs 0..101), idle again in the ninth
    // tick after the step that set the last lane.
    EXPECT_EQ(lane1At, 102);
    EXPECT_EQ(lane2At - lane1At, 102);
    EXPECT_EQ(r.sys.st.SimSpur, 0);
    EXPECT_EQ(idleAt, 8 * 102 + 8);
    EXPECT_EQ(r.port.ReadCount(), 0);
    EXPECT_EQ(r.sys.st.TickZaehler, 1000);
    EXPECT_EQ(r.sys.st.TickMaxAbstand, 1);
}

// The simulation started a minute after the program: the reset asked for at its
// start keeps that minute out of the largest gap between two ticks.
TEST(SamplerSimulator, LargestTickGapCountsFromTheReset) {
    SamplerRig r;
    r.sys.st.SimulationActive = true;
    AskStatReset(r.sys.st);
    for (int i = 60000; i < 60010; ++i) {
        r.sys.st.AktZeit = i;
        r.clock.Set(i);
        TickContext t = r.sys.Tick();
        FastTimerTick(t);
    }
    EXPECT_EQ(r.sys.st.TickMaxAbstand, 1);
}

// "Automatisch zählen" with the simulation window's cars driving: the sweep
// stays off, so each lane laps at its car's time alone.
TEST(SamplerSimulator, SweepStaysOffWhileTheAutomaticCarsDrive) {
    SamplerRig r;
    ASSERT_TRUE(r.sys.record.Running());
    r.sys.st.fenster.FensterOffen[kWinParDebug] = kTrue;
    SimSweepTakt(r.sys, true);
    EXPECT_EQ(r.sys.st.SimSweepAnfrage & 1u, 0u);
    r.sys.portSim.AutoAus = 1;  // the cars switched off: the sweep counts
    SimSweepTakt(r.sys, true);
    EXPECT_EQ(r.sys.st.SimSweepAnfrage & 1u, 1u);
}

// The clock wraps after 24.8 days of running. Laps and lockouts across the wrap
// must be timed exactly as anywhere else.
TEST(SamplerWrap, LapsAcrossTheClockWrapKeepTheirTimes) {
    for (const int32_t start : {INT32_MAX - 7000, -7000}) {
        Rig r(start);
        r.StandardWiring();
        r.sys.cfg.LiZeit.Minimum = 500;
        r.Init();
        r.RunFor(100);
        r.Green();
        r.RunFor(350);
        r.Hold(1, 20);
        for (int lap = 0; lap < 4; ++lap) {
            r.RunFor(3000);
            r.Hold(1, 20);
        }
        r.RunFor(500);
        ASSERT_EQ(r.rec.reactions.size(), 1u) << start;
        EXPECT_EQ(r.rec.reactions[0].second, 351) << start;
        ASSERT_EQ(r.rec.laps.size(), 4u) << start;
        EXPECT_EQ(r.sys.st.Erfasst[1], 4);
        EXPECT_EQ(r.sys.record.laps.Total(1), 351 + 4 * 3000) << start;  // lap 1 includes the reaction
        EXPECT_EQ(r.sys.st.spuren.BesteRunde[1], 3000) << start;
    }
}

TEST(SamplerWrap, LaneIdleForWeeksStaysOpen) {
    Rig r(1000);
    r.StandardWiring();
    r.Init();
    r.Green();
    r.sys.st.ErsteDurchfahrt[1] = false;
    // The lane's lockout ended 12.4 days ago; the tick keeps it in the past ...
    r.sys.st.SperreBis[1] = TimeAdd(r.now, -(1 << 30) - 5);
    r.Step();
    // ... so that after another 13 days it is still not seen as locked.
    r.now = TimeAdd(r.now, (1 << 30) + 10);
    r.Hold(1, 20);
    r.RunFor(20);
    EXPECT_TRUE(r.sys.st.RundeOffen[1]);
}
