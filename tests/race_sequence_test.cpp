// Race sequence through the real tick and cycle: stop and pause on the port,
// the pause shift, chaos and yellow inputs and keys, lap-race and time-race ends,
// and the track-power commands on every output.
#include <gtest/gtest.h>

#include "TestRig.h"
#include "race/RaceResult.h"
#include "race/RaceSequence.h"

using namespace zk;
using namespace zk::test;

namespace {

struct SeqRig : Rig {
    SeqRig() {
        StandardWiring();
        sys.cfg.LiZeit.Minimum = 500;
        sys.cfg.AktiveSpuren.Spur = {0, 1, 1, 0, 0, 0, 0, 0, 0};
        sys.cfg.Startampel.Interval = 100;  // green 700 ms after the start
    }
    // Starts at `t` and runs to just after green.
    void StartAndGreen(int32_t t) {
        RunTo(t);
        StartRace(sys);
        RunTo(t + 700);
        ASSERT_TRUE(sys.st.RennenLaeuft);
    }
    void Crossing(int lane) {
        Hold(lane, 20);
        RunFor(100);
    }
};

}  // namespace

TEST(RaceSequence, StopOnAnIdleTrackShowsAllRedAndCutsThePower) {
    SeqRig r;
    r.sys.cfg.Lpt.Ampel = 1;
    r.sys.cfg.Bahnstrom.LptStrom = 1;
    r.sys.cfg.Lpt.Pin16Input = 0;
    r.sys.cfg.Lpt.Pin16Rot = 1;
    r.Init();
    EXPECT_EQ(r.sys.st.LptDaten, 0);  // all lanes on (relays not inverted), lamps dark
    StopRace(r.sys);
    EXPECT_EQ(r.sys.st.LptDaten, 15 | 0x3F0);
    EXPECT_EQ(r.port.DataRegister(), 0xFF);
    EXPECT_EQ(r.sys.st.LptSteuer & 0x04, 0x04);  // pin 16 red on
    for (int l = 1; l <= 8; ++l) EXPECT_FALSE(r.sys.st.rennen.SpurStrom[l]);
    EXPECT_EQ(r.sys.view.buttons, ButtonSatz::Stopped);
    EXPECT_TRUE(r.sys.view.beendenEnabled);
    EXPECT_EQ(r.sys.st.rennen.StatusLampe[1], kTrue);
    EXPECT_EQ(r.sys.st.rennen.StatusLampe[3], 0);
}

TEST(RaceSequence, StartWhileRunningAndPauseWhileStoppedDoNothing) {
    SeqRig r;
    r.Init();
    PauseRace(r.sys);
    EXPECT_FALSE(r.sys.st.Pause);
    r.StartAndGreen(1000);
    const size_t steps = r.rec.lightSteps.size();
    StartRace(r.sys);
    r.RunFor(2000);
    EXPECT_EQ(r.rec.lightSteps.size(), steps + 2);  // only steps 7 and 8 of the first start
}

TEST(RaceSequence, PauseShiftsTheLapReferenceByTheExcessOverNachzeit) {
    for (const auto& [pauseMs, shift] : {std::pair{10000, 9800}, std::pair{150, 0}}) {
        SeqRig r;
        r.sys.cfg.NachZeit.Nachzeit = 200;
        r.Init();
        r.StartAndGreen(1000);
        const int32_t ref = r.sys.st.spuren.LetzteDurchfahrt[2];
        r.RunTo(5000);
        PauseRace(r.sys);
        EXPECT_EQ(r.sys.record.phase, RacePhase::Paused);
        r.RunFor(1);  // the tick starts the pause's after-run
        EXPECT_EQ(r.sys.st.NachlaufStatus.load(), Nachlauf::Laeuft);
        r.RunFor(pauseMs - 1);
        ResumeRace(r.sys);
        EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[2], ref + shift) << pauseMs;
        r.RunFor(1);  // and stops it with its time reloaded
        EXPECT_EQ(r.sys.st.NachlaufStatus.load(), Nachlauf::Aus);
        EXPECT_EQ(r.sys.st.NachlaufRest, 200);
    }
}

TEST(RaceSequence, ChaosSwitchPausesWhileHeldAndResumesThroughTheStartLight) {
    SeqRig r;
    r.sys.cfg.Lpt.Chaos = 1;
    r.sys.cfg.Masken.MS[10] = 1;  // control bit 0 ... shared with lane 6 (inactive)
    r.sys.cfg.Masken.CS[10] = 1;
    r.Init();
    r.StartAndGreen(1000);
    r.Hold(10, 1000);
    r.RunFor(200);
    EXPECT_TRUE(r.sys.st.Pause);
    EXPECT_FALSE(r.sys.view.PauseEnabled());
    EXPECT_FALSE(r.sys.view.WeiterEnabled());  // only letting go resumes
    r.RunFor(1000);
    EXPECT_TRUE(r.sys.st.StartPhase);
    EXPECT_EQ(r.sys.st.rennen.ChaosLosGesehen, r.sys.st.ChaosLosgelassen.load());  // the release was acted on
    r.RunFor(1000);
    EXPECT_FALSE(r.sys.st.Pause);
    EXPECT_EQ(r.sys.view.buttons, ButtonSatz::Running);
}

TEST(RaceSequence, ChaosPressOutsideARaceDoesNotResumeALaterPause) {
    SeqRig r;
    r.sys.cfg.Lpt.Chaos = 1;
    r.sys.cfg.Masken.MS[10] = 1;
    r.sys.cfg.Masken.CS[10] = 1;
    r.Init();
    r.Hold(10, 50);
    r.RunTo(500);
    r.StartAndGreen(1000);
    PollRaceKeys(r.sys, ' ');
    r.RunFor(300);
    EXPECT_TRUE(r.sys.st.Pause);
    EXPECT_FALSE(r.sys.st.StartPhase);
}

TEST(RaceSequence, YellowButtonAndCKeyToggleTheSafetyCarOncePerPress) {
    SeqRig r;
    r.sys.cfg.Lpt.Gelbphase = 1;
    r.sys.cfg.Masken.MS[9] = 2;  // control bit 1 (lane 7, inactive)
    r.sys.cfg.Masken.CS[9] = 2;
    r.Init();
    EXPECT_FALSE(r.sys.st.rennen.SafetyCar);  // start-up leaves it in
    r.StartAndGreen(1000);
    r.Hold(9, 3000);  // held for 3 s: one toggle
    r.RunFor(3500);
    EXPECT_TRUE(r.sys.st.rennen.SafetyCar);
    EXPECT_EQ(r.sys.view.safetyCarFarbe, kRgbGelb);
    r.Hold(9, 100);  // second press
    r.RunFor(300);
    EXPECT_FALSE(r.sys.st.rennen.SafetyCar);

    // System-wide C: pressed since the last query counts, merely held does not.
    r.rec.keyState[0x43] = 0x8001;
    r.RunFor(100);
    EXPECT_TRUE(r.sys.st.rennen.SafetyCar);
    r.rec.keyState[0x43] = 0x8000;
    r.RunFor(100);
    EXPECT_TRUE(r.sys.st.rennen.SafetyCar);
    PollRaceKeys(r.sys, 'c');  // typed C needs the yellow trigger released
    EXPECT_FALSE(r.sys.st.rennen.SafetyCar);
}

TEST(RaceSequence, LapRaceEndsAfterTheAfterRunWithFinishFlags) {
    SeqRig r;
    r.sys.cfg.NachZeit.Nachzeit = 1000;
    r.Init();
    r.sys.st.rennen.Rennmodus = Rennart::Rundenrennen;
    r.sys.st.rennen.RennRunden = 2;
    r.StartAndGreen(1000);
    r.Crossing(1);
    r.Crossing(2);
    r.RunFor(600);
    r.Crossing(1);
    r.Crossing(2);
    r.RunFor(600);
    r.Crossing(1);  // lane 1 completes lap 2: power off for all, after-run
    EXPECT_EQ(r.sys.record.phase, RacePhase::AfterRun);
    EXPECT_EQ(r.rec.powerOff.back(), 0);
    EXPECT_TRUE(r.sys.st.RennenLaeuft);
    r.Crossing(2);  // still counted during the after-run
    EXPECT_EQ(r.Laps(2), 2);
    r.RunFor(1000);
    EXPECT_FALSE(r.sys.st.RennenLaeuft);
    EXPECT_EQ(r.sys.st.spuren.SpurFertig[1], kTrue);
    EXPECT_EQ(r.sys.st.spuren.SpurFertig[2], kTrue);
    EXPECT_EQ(r.sys.st.spuren.SpurFertig[3], 0);
}

// A race stopped before it is decided is aborted: its own banner, no winner,
// marked in the result and its files. A race stopped in its after-run is
// decided and keeps its winner; a training has none.
TEST(RaceSequence, StoppedRaceIsAbortedWithoutAWinner) {
    for (const int stopAt : {0, 1}) {  // 0: mid-race, 1: in the after-run
        SCOPED_TRACE(stopAt);
        SeqRig r;
        r.sys.cfg.NachZeit.Nachzeit = 1000;
        r.Init();
        r.sys.st.rennen.Rennmodus = Rennart::Rundenrennen;
        r.sys.st.rennen.RennmodusText = "Rundenrennen";
        r.sys.st.rennen.RennRunden = 2;
        r.StartAndGreen(1000);
        r.Crossing(1);
        r.RunFor(600);
        r.Crossing(1);  // lane 1 completes lap 1
        if (stopAt == 1) {
            r.RunFor(600);
            r.Crossing(1);  // lap 2: the race is decided
            ASSERT_EQ(r.sys.record.phase, RacePhase::AfterRun);
        }
        StopRace(r.sys);
        const Banner b = BannerBerechnen(r.sys);
        const RennErgebnis& e = r.sys.view.ergebnis;
        if (stopAt == 0) {
            EXPECT_EQ(r.sys.record.lastEnd, RaceEnd::Aborted);
            EXPECT_EQ(b.text, "ABGEBROCHEN");
            EXPECT_EQ(b.zeile.find("Sieger:"), std::string::npos) << b.zeile;
            EXPECT_TRUE(e.abgebrochen);
            EXPECT_EQ(e.SiegerSpur(), 0);
            EXPECT_EQ(e.zeilen.at(0).runden, 1);  // the standing at the stop stays
            EXPECT_NE(ErgebnisCsv(e, "2026-12-06", "21:00:00").find("Rennen;Rundenrennen;abgebrochen\r\n"),
                      std::string::npos);
            EXPECT_NE(ErgebnisHtml(e, "2026-12-06", "21:00:00").find("abgebrochen"), std::string::npos);
        } else {
            EXPECT_EQ(r.sys.record.lastEnd, RaceEnd::Finished);
            EXPECT_EQ(b.text, "ZIEL");
            EXPECT_EQ(b.zeile, "Sieger: Spur 1 – Fahrer 1");
            EXPECT_FALSE(e.abgebrochen);
            EXPECT_EQ(ErgebnisHtml(e, "2026-12-06", "21:00:00").find("abgebrochen"), std::string::npos);
        }
        // The next start clears the mark.
        r.RunFor(500);
        StartRace(r.sys);
        EXPECT_EQ(r.sys.record.lastEnd, RaceEnd::None);
    }

    SeqRig t;
    t.Init();
    t.sys.st.rennen.Rennmodus = Rennart::Training;
    t.StartAndGreen(1000);
    t.Crossing(1);
    t.RunFor(600);
    t.Crossing(1);
    StopRace(t.sys);
    const Banner b = BannerBerechnen(t.sys);
    EXPECT_EQ(b.text, "ZIEL");
    EXPECT_EQ(b.zeile, "Training beendet");
}

TEST(RaceSequence, TimeRaceCountsWallSecondsAndShowsZeroAtTheEnd) {
    SeqRig r;
    r.Init();
    r.sys.st.rennen.Rennmodus = Rennart::Zeitrennen;
    r.sys.st.rennen.RennZeit = 90;
    r.RunTo(1000);
    StartRace(r.sys);
    EXPECT_EQ(r.sys.st.rennen.RestStunden, 1);
    EXPECT_EQ(r.sys.st.rennen.RestMinuten, 30);
    EXPECT_EQ(r.sys.st.rennen.RestSekunden, 0);
    r.RunTo(2000);  // still in the start light: no countdown
    EXPECT_EQ(r.sys.st.rennen.RestMinuten, 30);
    r.RunTo(3000);
    EXPECT_EQ(r.sys.st.rennen.RestStunden, 1);  // 1:30:00 -> 1:29:59
    EXPECT_EQ(r.sys.st.rennen.RestMinuten, 29);
    EXPECT_EQ(r.sys.st.rennen.RestSekunden, 59);
    r.RunTo(12000);
    EXPECT_NEAR(r.sys.st.rennen.RestSekunden, 50, 1);
    r.sys.st.rennen.RestMinuten = 0;  // 1:00:00 borrows from the hour
    r.sys.st.rennen.RestSekunden = 0;
    while (r.sys.st.rennen.RestSekunden == 0) r.Step();
    EXPECT_EQ(r.sys.st.rennen.RestStunden, 0);
    EXPECT_EQ(r.sys.st.rennen.RestMinuten, 59);
    EXPECT_EQ(r.sys.st.rennen.RestSekunden, 59);

    // A short race to the end: 0:00:02 left.
    r.sys.st.rennen.RestStunden = 0;
    r.sys.st.rennen.RestMinuten = 0;
    r.sys.st.rennen.RestSekunden = 2;
    const int32_t from = r.now;
    while (r.sys.st.NachlaufStatus == Nachlauf::Aus && TimeDiff(r.now, from) < 5000) r.Step();
    EXPECT_EQ(r.sys.record.phase, RacePhase::AfterRun);
    EXPECT_GE(TimeDiff(r.now, from), 1000);
    EXPECT_LE(TimeDiff(r.now, from), 3000);
    EXPECT_EQ(r.rec.powerOff.back(), 0);
    r.RunFor(500);
    EXPECT_FALSE(r.sys.st.RennenLaeuft);
    // The ended race shows 00:00:00; the next start loads 1:30:00 again.
    EXPECT_EQ(r.sys.st.rennen.RestStunden, 0);
    EXPECT_EQ(r.sys.st.rennen.RestMinuten, 0);
    EXPECT_EQ(r.sys.st.rennen.RestSekunden, 0);
    StartRace(r.sys);
    EXPECT_EQ(r.sys.st.rennen.RestStunden, 1);
    EXPECT_EQ(r.sys.st.rennen.RestMinuten, 30);
}

TEST(RaceSequence, TimeRaceCountdownGoesOnAfterAPause) {
    SeqRig r;
    r.Init();
    r.sys.st.rennen.Rennmodus = Rennart::Zeitrennen;
    r.sys.st.rennen.RennZeit = 5;
    r.StartAndGreen(1000);
    PauseRace(r.sys);
    r.RunFor(5000);
    ResumeRace(r.sys);
    r.RunFor(800);  // restart light
    const int16_t s0 = r.sys.st.rennen.RestSekunden;
    r.RunFor(5000);
    EXPECT_NE(r.sys.st.rennen.RestSekunden, s0);
}

TEST(RacePower, RelayPolarityLanes7And8AndTheOtherOutputs) {
    SeqRig r;
    r.sys.cfg.Bahnstrom.LptStrom = 1;
    r.sys.cfg.I2COutput.Aktiv = 1;
    r.sys.cfg.I2COutput.ADR[0] = 64;
    r.sys.cfg.TNT_MC.Aktiv = 1;
    r.Init();
    r.rec.serial.clear();
    PowerOff(r.sys, 0);
    EXPECT_EQ(r.sys.st.LptDaten, 0x3F0);
    PowerOn(r.sys, 3);
    EXPECT_EQ(r.sys.st.LptDaten, 0x3F0 & ~0x40);
    EXPECT_EQ(r.port.DataRegister(), 0xB0);
    EXPECT_EQ(r.rec.i2cSends.back(), (std::vector<int>{64, 0x3B, 0, 2}));
    const uint16_t before = r.sys.st.LptDaten;
    PowerOn(r.sys, 7);
    PowerOff(r.sys, 8);
    EXPECT_EQ(r.sys.st.LptDaten & 0x3FF, before & 0x3FF);
    EXPECT_TRUE(r.sys.st.rennen.SpurStrom[7]);
    PowerOn(r.sys, 5);  // no power-module command for lanes 5..8
    EXPECT_EQ(r.rec.serial, (std::vector<std::string>{"A21\r", "AN0\r"}));

    r.sys.cfg.Bahnstrom.InvertPowerRelais = 1;  // closing relays: set bit = power on
    PowerOn(r.sys, 0);
    EXPECT_EQ(r.sys.st.LptDaten & 0x3F0, 0x3F0);
    PowerOff(r.sys, 1);
    EXPECT_EQ(r.sys.st.LptDaten & 0x3F0, 0x3E0);
    PowerBtn(r.sys, 0);  // lane 1 is off: the button switches it on
    EXPECT_TRUE(r.sys.st.rennen.SpurStrom[1]);
}
