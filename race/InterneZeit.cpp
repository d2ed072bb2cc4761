#include "race/InterneZeit.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "race/AnsageQueue.h"
#include "race/ClubLap.h"
#include "race/SerialTexts.h"
#include "race/Fuel.h"
#include "race/RaceSequence.h"
#include "race/RS232.h"
#include "race/StartLight.h"
#include "race/Erfassung.h"
#include "race/Race.h"
#include "race/Rennleitung.h"

namespace zk {

namespace {

std::string Ms3(int32_t ms) { return FormatZeros(ms, 3); }

// Lap count, lap time and fuel to the display boards, by board type.
void SendLapToBoards(RaceContext& sys, int lane) {
    const RaceState& s = sys.st;
    const auto& azt = sys.cfg.AZT;
    const std::string count = LapCountText(s.Runden[lane]);
    const std::string time = LapTimeText(s.ZeitSek, s.ZeitMs);
    if (azt.Aktiv[3] != 0 || azt.Aktiv[2] != 0) {
        SerialAusgeben(sys, std::string("B") + static_cast<char>(65 + 3 * lane) + count);
        SerialAusgeben(sys, std::string("B") + static_cast<char>(66 + 3 * lane) + time);
        SerialAusgeben(sys, std::string("B") + static_cast<char>(67 + 3 * lane) + FuelText(s.TankStand[lane]));
    } else if (azt.AlteAZT != 0 || azt.Aktiv[1] != 0) {
        const std::string addr = std::string("B") + static_cast<char>(67 + lane);
        if (azt.Laps != 0) SerialAusgeben(sys, addr + count);
        if (azt.Time != 0) {
            SerialAusgeben(sys, addr + time);
            SerialAusgeben(sys, addr + time);
        }
    }
}

// Fuel used by a lap and its deduction, with the empty-tank penalties.
void FuelForLap(RaceContext& sys, int lane) {
    RaceState& s = sys.st;
    const auto& t = sys.cfg.Tankoption;
    const double factor = static_cast<double>(s.NormrundeSek) * t.Tankoption * s.TankAktiv;
    // A lap time of 0 can only be a club lap beyond the target that reuses a lap
    // time never computed; it uses no fuel instead of turning the tank into NaN.
    s.Verbrauch = (factor != 0.0 && s.Rundenzeit[lane] > 0)
                      ? (t.Rundenverbrauch / (s.Rundenzeit[lane] / 1000.0)) * factor
                      : 0.0;

    const bool beyondLapRace = s.Rennmodus == Rennart::Rundenrennen && s.Runden[lane] > s.RennRunden;
    const bool beyondHeat = s.Rennmodus == Rennart::Clubrennen && s.RestRunden[lane] < 0;
    if (beyondLapRace || beyondHeat) return;
    s.TankStand[lane] -= s.Verbrauch;
    if (s.TankStand[lane] < 0.0) {
        s.TankStand[lane] = 0.0;
        ++s.StrafenZahl[lane];
        if (t.StromAusBeiTankLeer == 0) {
            // Lap penalty, at every lap driven with an empty tank.
            if (s.Runden[lane] > 2) s.Runden[lane] -= 2;
        } else {
            s.SpurDaten[lane].Strafe = t.StrafeBeiLeeremTank;
            if (t.MitTrocken == 0) PowerOff(sys, lane);
            s.SpurStromEin[lane] = 0;
        }
    }
}

// Track voltage that follows the fuel load (or the dry-running voltage).
void FuelVoltage(RaceContext& sys, int lane) {
    RaceState& s = sys.st;
    const auto& t = sys.cfg.Tankoption;
    if (s.TankAus[lane] != 0 || t.MitTnt != 1 || s.SafetyCar != 0) return;
    const int on = s.TankAktiv * t.Tankoption;
    int value;
    if (s.SpurStromEin[lane] != 0) {
        const auto idx = static_cast<int>(std::clamp(std::nearbyint(s.TankStand[lane]), 0.0, 100.0));
        value = s.SpurWert[lane] - s.TankAbzug[idx] * on;
    } else {
        value = on * s.TrockenWert;
    }
    // Never below 0 V and never above the lane's set voltage.
    value = std::clamp(value, 0, static_cast<int>(s.SpurWert[lane]));
    sys.supply().NetzteilSetzen(lane - 1, static_cast<uint8_t>(value));
}

void EvaluateLap(RaceContext& sys, int lane) {
    RaceState& s = sys.st;
    if (s.Rennmodus == Rennart::Clubrennen) {
        ClubLapTime(sys, lane);
    } else {
        s.Rundenzeit[lane] = TimeDiff(s.Durchfahrt[lane], s.LetzteDurchfahrt[lane]);
        s.Gesamtzeit[lane] += s.Rundenzeit[lane];
    }
    // The order of the finish of a lap race: the total when the lap count was reached.
    const bool rundenrennen = s.Rennmodus == Rennart::Rundenrennen || s.Rennmodus == Rennart::ClubRundenRennen;
    if (rundenrennen && s.RennRunden > 0 && s.ZielZeit[lane] == 0 && s.Runden[lane] >= s.RennRunden)
        s.ZielZeit[lane] = std::max(s.Gesamtzeit[lane], int32_t{1});
    s.ZeitSek = s.Rundenzeit[lane] / 1000;
    s.ZeitMs = s.Rundenzeit[lane] % 1000;

    FuelForLap(sys, lane);
    FuelVoltage(sys, lane);
    if (sys.cfg.TAZ.LED == 1) SerialAusgeben(sys, FuelGaugeText(lane, s.TankStand[lane]));

    if (s.InterneZeitmessung != 0) {
        SpurSatz& r = s.SpurDaten[lane];
        r.Spur = static_cast<uint8_t>(lane);
        r.Zeit = s.ZeitMs / 1000.0 + s.ZeitSek;
        r.MsText = "." + Ms3(s.ZeitMs);
        r.SekText = std::to_string(s.ZeitSek);
        r.NeueRunde = kTrue;
        r.Verbrauch = s.Verbrauch;
        r.Durchfahrt = s.Durchfahrt[lane];
        r.Gesamtzeit = s.Gesamtzeit[lane];
        UpdatePositions(s, lane);
        r.Runden = s.Runden[lane];
        if (s.ExcelAufzeichnung != 0) sys.recorder().Append(lane, r.Runden, r.Zeit);
    }
    if (s.AnsageAktiv == 1 && s.InterneZeitmessung != 0) AnsageEinreihen(s, s.ZeitMs + 1000 * s.ZeitSek);

    SendLapToBoards(sys, lane);

    if (s.Rundenzeit[lane] < s.BesteRunde[lane]) {
        if (s.InterneZeitmessung != 0) s.SpurDaten[lane].NeueBestzeit = kTrue;
        s.BesteRunde[lane] = s.Rundenzeit[lane];
    }
    // The next lap is timed from this crossing; during an after-run the part of
    // it already elapsed is added (16-bit, as the after-run counters are).
    const auto nachlauf = static_cast<int16_t>(s.Nachzeit - s.NachlaufRest);
    s.LetzteDurchfahrt[lane] = TimeAdd(s.Durchfahrt[lane], nachlauf);
    sys.observer().OnLap(lane);
}

}  // namespace

void FormatRaceTime(RaceState& s, double ms) {
    const auto v = static_cast<int32_t>(std::clamp(std::nearbyint(ms), -2147483648.0, 2147483647.0));
    s.ZeitSek = v / 1000;
    s.ZeitMs = v % 1000;
    const int32_t minuten = (s.ZeitSek - s.ZeitSek % 60) / 60;
    const int32_t sekunden = s.ZeitSek - 60 * minuten;
    s.ZeitText = std::to_string(minuten) + ":" + std::to_string(sekunden) + ":" + Ms3(s.ZeitMs);
}

void EvaluateLaps(RaceContext& sys) {
    RaceState& s = sys.st;
    bool nachlaufVorbei = false;
    if (s.Pause != 0) {
        FormatRaceTime(s, TimeDiff(s.PauseLetzte, s.PauseBeginn));
        s.PauseText = s.ZeitText;
        s.PauseLetzte = s.AktZeit;
        FormatRaceTime(s, s.NachlaufRest);
        nachlaufVorbei = s.NachlaufStatus == Nachlauf::Vorbei;
    }
    // While paused the sampler registers nothing, so every crossing still pending
    // was made while the cars were allowed to run; the sampler has counted it in
    // Runden already. It is evaluated like any other, also in the cycle that ends
    // the after-run, so that lap count and lap list agree.
    bool ausgewertet = false;
    for (int lane = 1; lane <= kLanes; ++lane) {
        // A pending crossing on an inactive lane stays pending.
        if (s.RundeOffen[lane] == 0 || s.SpurAktiv[lane] == 0) continue;
        s.RundeOffen[lane] = 0;
        ausgewertet = true;
        if (s.ErsteDurchfahrt[lane] != 0) {
            // The start crossing: reaction time only. The first lap is timed from
            // the green light and so includes the reaction time.
            s.ErsteDurchfahrt[lane] = 0;
            int32_t reaktion = TimeDiff(s.Durchfahrt[lane], s.LetzteDurchfahrt[lane]);
            if (reaktion < 0) {
                // The car was over the line before green and registered only after
                // it (a pulse shorter than MinLength before green): a false start,
                // punished at the next light step like one seen during the red
                // phase, its reaction counted from the start request as theirs are.
                s.Fehlstart[lane] = kTrue;
                if (s.StartPhase == 0) FehlstartsBestrafen(sys);
                reaktion = std::max(TimeDiff(s.Durchfahrt[lane], s.Startzeit), int32_t{0});
            }
            if (s.RLMeldung == 1) {
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
        for (int lane = 1; lane <= kLanes; ++lane) s.RundeOffen[lane] = 0;
        // The fuel and penalty step rests until the restart, except to show a lap
        // evaluated in this cycle.
        if (!ausgewertet) return;
    }
    if (s.RennenLaeuft != 0) FuelStep(sys);
}

void ProcessRaceTick(RaceContext& sys) {
    RaceState& s = sys.st;
    if (s.AuswertungBelegt != 0) ++s.AuswertungUeberlauf;
    s.AuswertungBelegt = 1;

    s.Uhrzeit = sys.wall().TimeOfDay();
    s.UhrSekunde = s.Uhrzeit.size() >= 8 ? static_cast<int16_t>(std::stoi(s.Uhrzeit.substr(6, 2))) : 0;
    if (s.UhrSekunde != s.UhrSekundeAlt) {
        s.SekundeNeu = 1;
        s.UhrSekundeAlt = s.UhrSekunde;
    }

    EvaluateLaps(sys);
    sys.windows().DisplayOutput();
    PositionsanzeigeSenden(sys);
    DirectorLapLines(sys);
    if (s.InterneZeitmessung != 0) {
        if (s.AnsageAnzahl > 0 && sys.cfg.Audio.Zeitansage == 1) sys.announcer().AnsageTakt();
        if (s.ExcelLive != 0) sys.recorder().LiveStep();
    }
    if (s.RennenLaeuft != 0) CheckRaceEnd(sys);
    for (int lane = 1; lane <= kLanes; ++lane) {
        s.SpurDaten[lane].NeueRunde = 0;
        s.SpurDaten[lane].NeueBestzeit = 0;
    }
    if (sys.cfg.AutoStart.Enabled == 1 && s.AutoStartScharf != 0 && s.SekundeNeu == 1 && s.PausenRest >= 1) {
        sys.club().AutoStartRefresh();
        s.SekundeNeu = 0;
    }
    if (s.SekundeNeu > 9) s.SekundeNeu = 0;
    if (s.ZsaOffen != 0) sys.windows().SettingsLiveView();
    if (s.StartPhase != 0) {
        s.AmpelTakt = static_cast<int16_t>(s.AmpelTakt + 100);
        if (s.AmpelTakt >= sys.cfg.Startampel.Interval) {
            s.AmpelTakt = 0;
            StartAblauf(sys);
        }
    }
    s.AuswertungBelegt = 0;
}

void MainLoopCycle(RaceContext& sys) {
    ProcessRaceTick(sys);
    RaceState& s = sys.st;
    if (s.AnlaufZaehler < 4) {
        ++s.AnlaufZaehler;
        if (s.AnlaufZaehler == 2) AnlaufSenden(sys);
    }
    PollRaceKeys(sys, 0);
}

}  // namespace zk
