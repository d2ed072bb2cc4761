#include "race/InterneZeit.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "race/AnsageQueue.h"
#include "race/SerialTexts.h"
#include "race/Fuel.h"
#include "race/RaceSequence.h"
#include "race/RS232.h"
#include "race/StartLight.h"
#include "race/Positions.h"
#include "race/Race.h"
#include "race/Director.h"

namespace zk {

namespace {

std::string Ms3(int32_t ms) { return FormatZeros(ms, 3); }

// Lap count, lap time and fuel to the display boards, by board type.
void SendLapToBoards(RaceContext& sys, int lane, int32_t lapMs) {
    const RaceState& s = sys.st;
    const auto& azt = sys.cfg.AZT;
    const std::string count = LapCountText(sys.record.laps.Laps(lane));
    const std::string time = LapTimeText(lapMs / 1000, lapMs % 1000);
    const std::string b(1, kBoardPrefix);
    if (azt.Aktiv[3] != 0 || azt.Aktiv[2] != 0) {
        SerialAusgeben(sys, b + BoardLapCountAddr(lane) + count);
        SerialAusgeben(sys, b + BoardLapTimeAddr(lane) + time);
        SerialAusgeben(sys, b + BoardFuelAddr(lane) + FuelText(s.tank.TankStand[lane]));
    } else if (azt.AlteAZT != 0 || azt.Aktiv[1] != 0) {
        const std::string addr = b + OldBoardAddr(lane);
        if (azt.Laps != 0) SerialAusgeben(sys, addr + count);
        if (azt.Time != 0) {
            SerialAusgeben(sys, addr + time);
            SerialAusgeben(sys, addr + time);
        }
    }
}

// Fuel used by a lap and its deduction, with the empty-tank penalties; returns
// the fuel used.
double FuelForLap(RaceContext& sys, int lane, int32_t lapMs) {
    RaceState& s = sys.st;
    LapList& laps = sys.record.laps;
    const auto& t = sys.cfg.Tankoption;
    const double factor = static_cast<double>(s.tank.NormrundeSek) * t.Tankoption * s.tank.TankAktiv;
    // A lap without a time (a club lap beyond the heat's laps) uses no fuel
    // instead of turning the tank into NaN.
    const double verbrauch = (factor != 0.0 && lapMs > 0) ? (t.Rundenverbrauch / (lapMs / 1000.0)) * factor : 0.0;

    const bool beyondLapRace = s.rennen.Rennmodus == Rennart::Rundenrennen && laps.Laps(lane) > s.rennen.RennRunden;
    const bool beyondHeat = s.rennen.Rennmodus == Rennart::Clubrennen && s.spuren.RestRunden[lane] < 0;
    if (beyondLapRace || beyondHeat) return verbrauch;
    s.tank.TankStand[lane] -= verbrauch;
    if (s.tank.TankStand[lane] < 0.0) {
        s.tank.TankStand[lane] = 0.0;
        ++s.tank.StrafenZahl[lane];
        if (t.StromAusBeiTankLeer == 0) {
            // Lap penalty, at every lap driven with an empty tank: an entry of
            // its own in the lap list.
            if (laps.Laps(lane) > 2) laps.AddCorrection(lane, s.AktZeit, -2, LapOrigin::Penalty);
        } else {
            s.spuren.SpurDaten[lane].Strafe = t.StrafeBeiLeeremTank;
            if (t.MitTrocken == 0) PowerOff(sys, lane);
            s.spuren.SpurStromEin[lane] = false;
        }
    }
    return verbrauch;
}

// Track voltage that follows the fuel load (or the dry-running voltage).
void FuelVoltage(RaceContext& sys, int lane) {
    RaceState& s = sys.st;
    const auto& t = sys.cfg.Tankoption;
    if (s.spannung.TankAus[lane] != 0 || t.MitTnt != 1 || s.rennen.SafetyCar != 0) return;
    const int on = s.tank.TankAktiv * t.Tankoption;
    int value;
    if (s.spuren.SpurStromEin[lane] != 0) {
        const auto idx = static_cast<int>(std::clamp(std::nearbyint(s.tank.TankStand[lane]), 0.0, 100.0));
        value = s.spannung.SpurWert[lane] - s.spannung.TankAbzug[idx] * on;
    } else {
        value = on * s.spannung.TrockenWert;
    }
    // Never below 0 V and never above the lane's set voltage.
    value = std::clamp(value, 0, static_cast<int>(s.spannung.SpurWert[lane]));
    sys.supply().NetzteilSetzen(lane - 1, static_cast<uint8_t>(value));
}

// Microseconds from the lane's reference (green, or its last crossing) to its
// pending crossing: both carry their part below the millisecond, so a lap
// timed from board stamps is exact to the board's resolution, not to two
// roundings.
int64_t SeitReferenzUs(const RaceState& s, int lane) {
    return int64_t{TimeDiff(s.Durchfahrt[lane], s.spuren.LetzteDurchfahrt[lane])} * 1000 +
           (s.DurchfahrtUs[lane] - s.spuren.LetzteDurchfahrtUs[lane]);
}

// The lap time of a crossing (microseconds), with the club heat's lap rules: a lane that has
// driven its heat's laps loses its power and leaves the heat; a lap beyond
// them has no time.
int64_t LapTimeUsOf(RaceContext& sys, int lane) {
    RaceState& s = sys.st;
    const int64_t lapUs = SeitReferenzUs(s, lane);
    if (s.rennen.Rennmodus != Rennart::Clubrennen) return lapUs;
    const int32_t runden = sys.record.laps.Laps(lane) + 1;
    if (runden > s.rennen.ZielRunden) return 0;
    s.spuren.RestRunden[lane] = s.rennen.ZielRunden - runden;
    return lapUs;
}

void EvaluateLap(RaceContext& sys, int lane) {
    RaceState& s = sys.st;
    LapList& laps = sys.record.laps;
    // The lap is rounded to the whole millisecond on its own; the lane's total
    // is kept exact in the lap list and rounded there, so that it does not
    // collect every lap's rounding.
    const int64_t lapUs = LapTimeUsOf(sys, lane);
    const int32_t lapMs = UsZuMs(lapUs);
    const LapEntry lap = laps.AddLapUs(lane, s.Durchfahrt[lane], lapUs, sys.record.phase == RacePhase::AfterRun);
    if (s.rennen.Rennmodus == Rennart::Clubrennen && lap.laps == s.rennen.ZielRunden) {
        // Heat finished for this lane.
        PowerOff(sys, lane);
        s.SpurAktiv[lane] = false;
    }
    // The order of the finish of a lap race: the total when the lap count was reached.
    const bool rundenrennen = s.rennen.Rennmodus == Rennart::Rundenrennen || s.rennen.Rennmodus == Rennart::ClubRundenRennen;
    if (rundenrennen && s.rennen.RennRunden > 0 && s.spuren.ZielZeit[lane] == 0 && lap.laps >= s.rennen.RennRunden)
        s.spuren.ZielZeit[lane] = std::max(lap.totalMs, int32_t{1});

    const double verbrauch = FuelForLap(sys, lane, lapMs);
    FuelVoltage(sys, lane);
    if (sys.cfg.TAZ.LED == 1) SerialAusgeben(sys, FuelGaugeText(lane, s.tank.TankStand[lane]));

    if (s.zyklus.InterneZeitmessung != 0) {
        SpurSatz& r = s.spuren.SpurDaten[lane];
        r.Spur = static_cast<uint8_t>(lane);
        r.Zeit = (lapMs % 1000) / 1000.0 + lapMs / 1000;
        r.MsText = "." + Ms3(lapMs % 1000);
        r.SekText = std::to_string(lapMs / 1000);
        r.NeueRunde = kTrue;
        r.Verbrauch = verbrauch;
        r.Durchfahrt = s.Durchfahrt[lane];
        r.Gesamtzeit = laps.Total(lane);
        UpdatePositions(s, lane);
        r.Runden = laps.Laps(lane);
        if (s.zyklus.ExcelAufzeichnung != 0) sys.recorder().Append(lane, r.Runden, r.Zeit);
    }
    if (s.ansage.AnsageAktiv == 1 && s.zyklus.InterneZeitmessung != 0) AnsageEinreihen(s, lapMs);

    SendLapToBoards(sys, lane, lapMs);

    if (lapMs < s.spuren.BesteRunde[lane]) {
        if (s.zyklus.InterneZeitmessung != 0) s.spuren.SpurDaten[lane].NeueBestzeit = kTrue;
        s.spuren.BesteRunde[lane] = lapMs;
    }
    // The next lap is timed from this crossing; during an after-run the part of
    // it already elapsed is added (16-bit, as the after-run counters are).
    const auto nachlauf = sys.record.afterRunAsked ? static_cast<int16_t>(s.Nachzeit - s.NachlaufRest) : int16_t{0};
    s.spuren.LetzteDurchfahrt[lane] = TimeAdd(s.Durchfahrt[lane], nachlauf);
    s.spuren.LetzteDurchfahrtUs[lane] = s.DurchfahrtUs[lane];
    sys.observer().OnLap(lane);
}

}  // namespace

std::string FormatRaceTime(double ms) {
    const auto v = static_cast<int32_t>(std::clamp(std::nearbyint(ms), -2147483648.0, 2147483647.0));
    const int32_t sek = v / 1000;
    const int32_t minuten = (sek - sek % 60) / 60;
    const int32_t sekunden = sek - 60 * minuten;
    return std::to_string(minuten) + ":" + std::to_string(sekunden) + ":" + Ms3(v % 1000);
}

void EvaluateLaps(RaceContext& sys) {
    RaceState& s = sys.st;
    bool nachlaufVorbei = false;
    if (sys.record.Paused()) {
        s.rennen.PauseText = FormatRaceTime(TimeDiff(s.rennen.PauseLetzte, s.rennen.PauseBeginn));
        s.rennen.PauseLetzte = s.AktZeit;
        nachlaufVorbei = AfterRunOver(sys);
    }
    // While paused the sampler registers nothing, so every crossing still pending
    // was made while the cars were allowed to run; the sampler has counted it in
    // Runden already. It is evaluated like any other, also in the cycle that ends
    // the after-run, so that lap count and lap list agree.
    // The start crossings are timed from the board's latch of green, once it is known.
    BoardGruenUebernehmen(sys);
    bool ausgewertet = false;
    for (int lane = 1; lane <= kLanes; ++lane) {
        // A pending crossing on an inactive lane stays pending.
        if (!s.RundeOffen[lane] || !s.SpurAktiv[lane]) continue;
        s.RundeOffen[lane] = false;
        ausgewertet = true;
        if (s.ErsteDurchfahrt[lane]) {
            // The start crossing: reaction time only. The first lap is timed from
            // the green light and so includes the reaction time.
            s.ErsteDurchfahrt[lane] = false;
            const int64_t reaktionUs = SeitReferenzUs(s, lane);
            int32_t reaktion = UsZuMs(reaktionUs);
            if (reaktionUs < 0) {
                // The car was over the line before green and registered only after
                // it (a pulse shorter than MinLength before green): a false start,
                // punished at the next light step like one seen during the red
                // phase, its reaction counted from the start request as theirs are.
                s.rennen.FehlstartNachGruen[lane] = true;
                if (!sys.record.startLight) FehlstartsBestrafen(sys);
                reaktion = std::max(TimeDiff(s.Durchfahrt[lane], s.Startzeit), int32_t{0});
            }
            if (s.zyklus.RLMeldung == 1) {
                sys.director().Line("Reaktionszeit Spur " + std::to_string(lane) + ": " +
                                             std::to_string(reaktion) + " Millisekunden");
            }
            sys.observer().OnReaction(lane, reaktion);
            continue;
        }
        EvaluateLap(sys, lane);
    }
    if (nachlaufVorbei) {
        // What is still pending sits on inactive lanes and is no lap: dropped, so
        // that it cannot be timed after the restart against the shifted reference.
        for (int lane = 1; lane <= kLanes; ++lane) s.RundeOffen[lane] = false;
        // The fuel and penalty step rests until the restart, except to show a lap
        // evaluated in this cycle.
        if (!ausgewertet) return;
    }
    if (sys.record.Running()) FuelStep(sys);
}

void ProcessRaceTick(RaceContext& sys) {
    ZK_ASSERT_UI_THREAD(sys);
    RaceState& s = sys.st;
    if (s.zyklus.AuswertungBelegt != 0) ++s.zyklus.AuswertungUeberlauf;
    s.zyklus.AuswertungBelegt = 1;

    s.zyklus.Uhrzeit = sys.wall().TimeOfDay();
    s.zyklus.UhrSekunde = s.zyklus.Uhrzeit.size() >= 8 ? static_cast<int16_t>(std::stoi(s.zyklus.Uhrzeit.substr(6, 2))) : 0;
    if (s.zyklus.UhrSekunde != s.zyklus.UhrSekundeAlt) {
        s.zyklus.SekundeNeu = true;
        s.zyklus.UhrSekundeAlt = s.zyklus.UhrSekunde;
    }

    EvaluateLaps(sys);
    sys.windows().DisplayOutput();
    PositionsanzeigeSenden(sys);
    DirectorLapLines(sys);
    if (s.zyklus.InterneZeitmessung != 0) {
        if (s.ansage.AnsageAnzahl > 0 && sys.cfg.Audio.Zeitansage == 1) sys.announcer().AnsageTakt();
        if (s.zyklus.ExcelLive != 0) sys.recorder().LiveStep();
    }
    if (sys.record.Running()) CheckRaceEnd(sys);
    for (int lane = 1; lane <= kLanes; ++lane) {
        s.spuren.SpurDaten[lane].NeueRunde = 0;
        s.spuren.SpurDaten[lane].NeueBestzeit = 0;
    }
    if (sys.cfg.AutoStart.Enabled == 1 && s.rennen.AutoStartScharf != 0 && s.zyklus.SekundeNeu == 1 && s.rennen.PausenRest >= 1) {
        sys.club().AutoStartRefresh();
        s.zyklus.SekundeNeu = false;
    }
    if (s.fenster.ZsaOffen != 0) sys.windows().SettingsLiveView();
    if (sys.record.startLight) {
        s.rennen.AmpelTakt = static_cast<int16_t>(s.rennen.AmpelTakt + kCycleMs);
        if (s.rennen.AmpelTakt >= sys.cfg.Startampel.Interval) {
            s.rennen.AmpelTakt = 0;
            StartAblauf(sys);
        }
    }
    BoardAusgaenge(sys);
    s.zyklus.AuswertungBelegt = 0;
}

void MainLoopCycle(RaceContext& sys) {
    ProcessRaceTick(sys);
    RaceState& s = sys.st;
    if (s.zyklus.AnlaufZaehler < 4) {
        ++s.zyklus.AnlaufZaehler;
        if (s.zyklus.AnlaufZaehler == 2) AnlaufSenden(sys);
    }
    PollRaceKeys(sys, 0);
}

}  // namespace zk
