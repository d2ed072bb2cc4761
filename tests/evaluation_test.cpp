// The 100 ms lap evaluation: reaction times, laps, best laps, positions, fuel
// penalties, the pause after-run, display-board texts and the cycle's order.
#include <gtest/gtest.h>

#include <cmath>

#include "TestRig.h"
#include "race/SerialTexts.h"
#include "race/Positions.h"
#include "race/RaceSequence.h"

using namespace zk;
using namespace zk::test;

namespace {

// Puts a crossing of `lane` at time `t` directly into the hand-over state, as the
// sampler would have registered it.
void Crossing(RaceState& s, int lane, int32_t t) {
    s.Durchfahrt[lane] = t;
    if (!s.ErsteDurchfahrt[lane]) ++s.Erfasst[lane];
    s.RundeOffen[lane] = true;
}

struct EvalRig : Rig {
    EvalRig() {
        StandardWiring();
        for (int l = 1; l <= 8; ++l) sys.cfg.AktiveSpuren.Spur[l] = 1;
        Init();
        sys.st.AktZeit = 10000;
        Green();
    }
    // Start crossing then one lap of `lapMs` for lane.
    void Lap(int lane, int32_t at) {
        Crossing(sys.st, lane, at);
        EvaluateLaps(sys);
    }
};

}  // namespace

TEST(Evaluation, ReactionTimeThenFirstLapTimedFromGreen) {
    EvalRig r;
    r.sys.st.zyklus.RLMeldung = 1;
    r.Lap(1, 10350);
    ASSERT_EQ(r.rec.directorLines.size(), 1u);
    EXPECT_EQ(r.rec.directorLines[0], "Reaktionszeit Spur 1: 350 Millisekunden");
    EXPECT_TRUE(r.rec.laps.empty());
    EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[1], 10000);  // not moved by the start crossing
    r.Lap(1, 15350);
    const SpurSatz& d = r.sys.st.spuren.SpurDaten[1];
    EXPECT_EQ(d.SekText, "5");
    EXPECT_EQ(d.MsText, ".350");
    EXPECT_EQ(d.Runden, 1);
    EXPECT_DOUBLE_EQ(d.Zeit, 5.35);
    EXPECT_EQ(d.NeueRunde, kTrue);
    EXPECT_EQ(d.Platz, 1);
    EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[1], 15350);
}

TEST(Evaluation, BestLapNeedsToBeStrictlyShorterThanTheResetValue) {
    EvalRig r;
    r.Lap(2, 10000);
    r.Lap(2, 10000 + kBesteRundeReset);  // exactly 300000 ms: not a best lap
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[2].NeueBestzeit, 0);
    r.Lap(2, 10000 + kBesteRundeReset + 299999);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[2].NeueBestzeit, kTrue);
    EXPECT_EQ(r.sys.st.spuren.BesteRunde[2], 299999);
}

TEST(Evaluation, InactiveLaneKeepsItsCrossingPending) {
    EvalRig r;
    r.sys.st.SpurAktiv[3] = false;
    Crossing(r.sys.st, 3, 10500);
    EvaluateLaps(r.sys);
    EXPECT_TRUE(r.sys.st.RundeOffen[3]);
    EXPECT_TRUE(r.sys.st.ErsteDurchfahrt[3]);
}

TEST(Evaluation, LongLapTextsAndDisplayBoardMessages) {
    EvalRig r;
    r.sys.cfg.AZT.Aktiv[3] = 1;
    r.Lap(1, 10000);
    r.Lap(1, 75004);  // 65004 ms
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].SekText, "65");
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].MsText, ".004");
    ASSERT_EQ(r.rec.serial.size(), 3u);
    EXPECT_EQ(r.rec.serial[0], "BD::::1\r");
    EXPECT_EQ(r.rec.serial[1], "BE65.004\r");
    EXPECT_EQ(r.rec.serial[2], "BFFL:100\r");

    // Old board type: lap count and the lap time twice, on one address, "P" for "B".
    EvalRig o;
    o.sys.cfg.AZT.AlteAZT = 1;
    o.sys.cfg.AZT.Laps = 1;
    o.sys.cfg.AZT.Time = 1;
    o.Lap(2, 10000);
    o.Lap(2, 17123);
    EXPECT_EQ(o.rec.serial, (std::vector<std::string>{"PE::::1\r", "PE07.123\r", "PE07.123\r"}));

    EXPECT_EQ(LapCountText(9), "::::9\r");
    EXPECT_EQ(LapCountText(10), ":::10\r");
    EXPECT_EQ(LapCountText(999), "::999\r");
    EXPECT_EQ(LapCountText(1000), ":1000\r");
    EXPECT_EQ(FuelGaugeText(2, 55.5), "CH56\r");
}

TEST(Evaluation, FormatRaceTime) {
    RaceState s;
    EXPECT_EQ(FormatRaceTime(83042), "1:23:042");
    EXPECT_EQ(FormatRaceTime(999), "0:0:999");
    EXPECT_EQ(FormatRaceTime(3600000 + 5), "60:0:005");
}

TEST(Positions, LapLeaderMovesUpAndTiesGoToTheShorterTotal) {
    RaceState s;
    // Lanes 3 and 5 at four laps, lane 3 in front.
    s.spuren.SpurDaten[3].Runden = 4;
    s.spuren.SpurDaten[3].Gesamtzeit = 20000;
    s.spuren.SpurDaten[3].Platz = 1;
    s.spuren.SpurDaten[5].Runden = 4;
    s.spuren.SpurDaten[5].Gesamtzeit = 20500;
    s.spuren.SpurDaten[5].Platz = 2;
    s.spuren.SpurDaten[1].SpurAufPlatz = 3;
    s.spuren.SpurDaten[2].SpurAufPlatz = 5;
    s.spuren.SpurDaten[5].Gesamtzeit = 24000;  // lane 5 completes lap 5 first
    UpdatePositions(s, 5);
    EXPECT_EQ(s.spuren.SpurDaten[5].Platz, 1);
    EXPECT_EQ(s.spuren.SpurDaten[3].Platz, 2);
    EXPECT_EQ(s.spuren.SpurDaten[1].SpurAufPlatz, 5);
    EXPECT_EQ(s.spuren.SpurDaten[2].SpurAufPlatz, 3);
    s.spuren.SpurDaten[5].Runden = 5;

    // Lane 3 reaches five laps with a shorter total: it goes ahead.
    s.spuren.SpurDaten[3].Gesamtzeit = 23900;
    UpdatePositions(s, 3);
    EXPECT_EQ(s.spuren.SpurDaten[3].Platz, 1);
    EXPECT_EQ(s.spuren.SpurDaten[5].Platz, 2);
}

TEST(Positions, FirstLapWithAShorterTotalGoesAheadAndPushesTheOthersDown) {
    RaceState s;
    s.spuren.SpurDaten[1].Runden = 1;
    s.spuren.SpurDaten[1].Gesamtzeit = 6000;
    s.spuren.SpurDaten[1].Platz = 1;
    s.spuren.SpurDaten[1].SpurAufPlatz = 1;
    s.spuren.SpurDaten[2].Gesamtzeit = 5000;  // lane 2's first lap, timed from a later start
    UpdatePositions(s, 2);
    EXPECT_EQ(s.spuren.SpurDaten[2].Platz, 1);
    EXPECT_EQ(s.spuren.SpurDaten[1].Platz, 2);
    EXPECT_EQ(s.spuren.SpurDaten[1].SpurAufPlatz, 2);
    EXPECT_EQ(s.spuren.SpurDaten[2].SpurAufPlatz, 1);
}

TEST(Positions, NewLanesArePlacedBehindThePlacedOnes) {
    EvalRig r;
    for (int l : {1, 2, 3}) r.Lap(l, 10100);
    r.Lap(2, 15000);
    r.Lap(1, 15100);
    r.Lap(3, 15200);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[2].Platz, 1);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].Platz, 2);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[3].Platz, 3);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[4].Platz, 0);
}

TEST(EvaluationFuel, EmptyTankLapPenaltyOrPowerCut) {
    EvalRig r;
    auto& t = r.sys.cfg.Tankoption;
    t.Tankoption = 1;
    t.Rundenverbrauch = 50;
    r.sys.st.tank.TankAktiv = 1;
    r.sys.st.tank.NormrundeSek = 5;
    r.Lap(1, 10000);
    r.sys.st.tank.TankStand[1] = 10;
    r.SetLaps(1, 7);
    r.Lap(1, 15000);  // the 8th lap, 5 s, uses 50 litres
    EXPECT_EQ(r.sys.st.tank.TankStand[1], 0.0);
    EXPECT_EQ(r.Laps(1), 6);
    // The penalty is an entry of its own: the lap driven stays in the list.
    const LapEntry& strafe = r.sys.record.laps.All().back();
    EXPECT_EQ(strafe.Origin(), LapOrigin::Penalty);
    EXPECT_EQ(strafe.delta, -2);
    EXPECT_EQ(r.sys.record.laps.LapsOf(1).back().lapMs, 5000);
    r.SetLaps(1, 1);
    r.Lap(1, 20000);
    EXPECT_EQ(r.Laps(1), 2);  // two laps are never taken away
    EXPECT_TRUE(r.rec.powerOff.empty());

    t.StromAusBeiTankLeer = 1;
    t.StrafeBeiLeeremTank = 30;
    r.Lap(1, 25000);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].Strafe, 29);  // the same cycle's penalty countdown has run
    EXPECT_FALSE(r.sys.st.spuren.SpurStromEin[1]);
    EXPECT_EQ(r.rec.powerOff, std::vector<int>{1});

    t.MitTrocken = 1;  // dry running: the car creeps on, power stays
    r.Lap(1, 30000);
    EXPECT_EQ(r.rec.powerOff.size(), 1u);
}

TEST(EvaluationFuel, ShortLapsUseMoreAndLapRaceFinishersUseNone) {
    EvalRig r;
    r.sys.cfg.Tankoption.Tankoption = 1;
    r.sys.cfg.Tankoption.Rundenverbrauch = 7;
    r.sys.st.tank.TankAktiv = 1;
    r.sys.st.tank.NormrundeSek = 5;
    r.sys.st.rennen.Rennmodus = Rennart::Rundenrennen;
    r.sys.st.rennen.RennRunden = 1;
    r.Lap(2, 10000);
    r.Lap(2, 12500);  // half the standard lap: twice the fuel
    EXPECT_DOUBLE_EQ(r.sys.st.tank.TankStand[2], 100 - 14);
    r.Lap(2, 17500);  // beyond the race distance
    EXPECT_DOUBLE_EQ(r.sys.st.tank.TankStand[2], 86);
}

TEST(EvaluationFuel, FuelVoltageStaysBetweenZeroAndTheSetVoltage) {
    EvalRig r;
    r.sys.cfg.Tankoption.Tankoption = 1;
    r.sys.cfg.Tankoption.MitTnt = 1;
    r.sys.cfg.Tankoption.Rundenverbrauch = 0;  // the fill level stays where the test puts it
    r.sys.st.tank.TankAktiv = 1;
    r.sys.st.spannung.SpurWert[1] = 100;
    for (int i = 0; i <= 100; ++i) r.sys.st.spannung.TankAbzug[static_cast<size_t>(i)] = static_cast<int16_t>(i * 2);
    r.Lap(1, 10000);
    r.sys.st.tank.TankStand[1] = 250;  // overfilled: the table end is used
    r.Lap(1, 15000);
    ASSERT_EQ(r.rec.voltages.size(), 1u);
    EXPECT_EQ(r.rec.voltages[0], std::make_pair(0, 0));  // 100 - 200 clamps to 0, never wraps
    r.sys.st.tank.TankStand[1] = 10;
    r.Lap(1, 20000);
    EXPECT_EQ(r.rec.voltages[1].second, 100 - 20);
}

TEST(EvaluationClub, HeatFinishSwitchesTheLaneOff) {
    EvalRig r;
    r.sys.st.rennen.Rennmodus = Rennart::Clubrennen;
    r.sys.st.rennen.ZielRunden = 10;
    r.Lap(4, 10000);
    r.SetLaps(4, 9);
    r.Lap(4, 15000);  // the crossing that makes 10 laps
    EXPECT_EQ(r.sys.st.spuren.RestRunden[4], 0);
    EXPECT_EQ(r.sys.record.laps.LastLapMs(4), 5000);
    EXPECT_EQ(r.rec.powerOff, std::vector<int>{4});
    EXPECT_FALSE(r.sys.st.SpurAktiv[4]);
    Crossing(r.sys.st, 4, 20000);
    EvaluateLaps(r.sys);
    EXPECT_EQ(r.rec.laps.size(), 1u);  // not evaluated any more
}

TEST(EvaluationClub, LapBeyondTheTargetWithoutALapTimeUsesNoFuel) {
    EvalRig r;
    r.sys.st.rennen.Rennmodus = Rennart::Clubrennen;
    r.sys.st.rennen.ZielRunden = 1;
    r.sys.cfg.Tankoption.Tankoption = 0;
    r.Lap(5, 10000);
    r.SetLaps(5, 4);  // beyond the target: the lap gets no time
    r.Lap(5, 15000);
    EXPECT_TRUE(std::isfinite(r.sys.st.tank.TankStand[5]));
    EXPECT_EQ(r.sys.st.tank.TankStand[5], 100.0);
}

TEST(EvaluationPause, CrossingsBeforeThePauseCountDuringTheAfterRunOnly) {
    Rig r;
    r.StandardWiring();
    r.sys.cfg.NachZeit.Nachzeit = 3000;
    r.sys.cfg.LiZeit.Minimum = 500;
    r.Init();
    r.RunTo(1000);
    r.Green();
    r.sys.st.ErsteDurchfahrt[1] = false;
    r.sys.st.ErsteDurchfahrt[4] = false;
    // Pause at 1050; lane 1 crossed just before.
    r.Hold(1, 20);
    r.RunTo(1050);
    PauseRace(r.sys);
    r.RunTo(1100);
    EXPECT_EQ(r.rec.laps, std::vector<int>{1});
    // The lap reference includes the after-run time already elapsed.
    EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[1], 1001 + (3000 - r.sys.st.NachlaufRest.load()));
    EXPECT_FALSE(r.sys.st.rennen.PauseText.empty());

    // A crossing left pending is dropped once the after-run is over.
    r.sys.st.RundeOffen[4] = true;
    r.sys.st.SpurAktiv[4] = false;  // keep it pending for now
    r.RunTo(4100);
    EXPECT_EQ(r.sys.st.NachlaufStatus.load(), Nachlauf::Vorbei);
    r.sys.st.SpurAktiv[4] = true;
    r.RunTo(4200);
    EXPECT_FALSE(r.sys.st.RundeOffen[4]);
    EXPECT_EQ(r.rec.laps.size(), 1u);
}

TEST(Cycle, OrderOfTheCycleAndStartLightStepsRoundedUpTo100) {
    Rig r;
    r.sys.cfg.Startampel.Interval = 150;
    r.sys.cfg.Audio.Zeitansage = 1;
    r.Init();
    SetPhase(r.sys, RacePhase::Racing, Ampel::On);
    r.sys.st.ansage.AnsageAnzahl = 1;
    r.sys.st.zyklus.ExcelLive = true;
    r.sys.st.fenster.ZsaOffen = true;
    r.RunTo(100);
    EXPECT_EQ(r.rec.calls, (std::vector<std::string>{"DisplayOutput", "AnnouncementStep", "LiveSpreadsheet",
                                                     "SettingsLiveView"}));
    r.RunTo(1000);
    EXPECT_EQ(r.rec.startAblauf, 5);  // every 200 ms

    r.sys.st.zyklus.AuswertungBelegt = 1;  // a cycle still running
    ProcessRaceTick(r.sys);
    EXPECT_EQ(r.sys.st.zyklus.AuswertungUeberlauf, 1);
}

TEST(Cycle, AnnouncementQueueHoldsTwentyLaps) {
    EvalRig r;
    r.sys.st.ansage.AnsageAktiv = 1;
    r.Lap(1, 10000);
    for (int i = 1; i <= 25; ++i) r.Lap(1, 10000 + i * 1000 + i);
    EXPECT_EQ(r.sys.st.ansage.AnsageAnzahl, 20);
    EXPECT_EQ(r.sys.st.ansage.AnsageZeiten[1], 1001 * 10);
    EXPECT_EQ(r.sys.st.ansage.AnsageZeiten[20], 1001 * 10);
}
