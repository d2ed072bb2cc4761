#include "race/RaceSequence.h"

#include <cmath>
#include <string>

#include "race/Lpt.h"
#include "race/Fuel.h"
#include "race/RaceModes.h"
#include "race/RaceResult.h"
#include "race/StartLight.h"
#include "race/Race.h"

namespace zk {

namespace {

// The countdown of a time race from RennZeit minutes.
void CountdownLaden(RaceState& s) {
    s.rennen.RestSekunden = 0;
    s.rennen.RestStunden = static_cast<int16_t>(s.rennen.RennZeit / 60);
    s.rennen.RestMinuten = static_cast<int16_t>(s.rennen.RennZeit % 60);
}

// All red on the port: lamps 1..4 on, power off, pin lamps red.
void AllesRot(RaceContext& sys) {
    sys.st.LptDaten = 15;
    if (sys.cfg.Lpt.Ampel != 0) LptDatenAusgeben(sys);
    PowerOff(sys, 0);
    Pin16Gruen(sys, false);
    Pin16Rot(sys, true);
    Pin1Rot(sys, true);
}

// Power module command for a lane ("A20"/"A21" for all, "AL0".."AO1" for 1..4).
void LeistungsModul(RaceContext& sys, int lane, bool on) {
    if (sys.cfg.TNT_MC.Aktiv == 0 || lane > 4) return;
    std::string t = "A";
    t += lane == 0 ? '2' : static_cast<char>('K' + lane);
    t += on ? '0' : '1';
    SerialAusgeben(sys, t + '\r');
}

void Power(RaceContext& sys, int lane, bool on) {
    if (lane < 0 || lane > kLanes) return;
    RaceState& s = sys.st;
    sys.observer().OnPower(lane, on);
    LptStromBits(sys, lane, on);
    if (lane == 0) {
        for (int l = 1; l <= kLanes; ++l) s.rennen.SpurStrom[l] = on;
    } else {
        s.rennen.SpurStrom[lane] = on;
    }
    if (sys.cfg.Bahnstrom.LptStrom == 1) LptDatenAusgeben(sys);
    if (sys.cfg.I2COutput.Aktiv != 0) sys.bus().I2CSend(sys.cfg.I2COutput.ADR[0], RelaisByte(s.LptDaten), 0, 2);
    LeistungsModul(sys, lane, on);
}

// "Pressed since the last query" counts; merely held does not.
bool Gedrueckt(int state) { return state == 0x8001 || state == 1; }

// Converter value of a lane's set voltage (halves to even).
uint8_t SpurWertAusVolt(const RaceContext& sys, int lane) {
    const RaceState& s = sys.st;
    const double v = std::nearbyint((sys.cfg.KVPowerSetup.Korrektur / 1000.0 + s.spannung.SpurVolt[lane]) * s.spannung.VoltFaktor);
    return static_cast<uint8_t>(std::fmin(std::fmax(std::isfinite(v) ? v : 0.0, 0.0), 255.0));
}

}  // namespace

void PowerOn(RaceContext& sys, int lane) { Power(sys, lane, true); }
void PowerOff(RaceContext& sys, int lane) { Power(sys, lane, false); }

void PowerBtn(RaceContext& sys, int index) {
    const int lane = index + 1;
    if (lane < 1 || lane > kLanes) return;
    if (sys.st.rennen.SpurStrom[lane] != 0) {
        PowerOff(sys, lane);
    } else {
        PowerOn(sys, lane);
    }
}

void PowerAll(RaceContext& sys) { PowerOn(sys, 0); }

void SetButtonsRunning(RaceContext& sys) { sys.view.buttons = ButtonSatz::Running; }
void SetButtonsPaused(RaceContext& sys) { sys.view.buttons = ButtonSatz::Paused; }
void SetButtonsStopped(RaceContext& sys) { sys.view.buttons = ButtonSatz::Stopped; }

void SetPhase(RaceContext& sys, RacePhase phase, Ampel light) {
    ZK_ASSERT_UI_THREAD(sys);
    RaceRecord& r = sys.record;
    RaceState& s = sys.st;
    r.phase = phase;
    if (light != Ampel::Keep) r.startLight = light == Ampel::On;
    // The sampler reads these three; each is published whole.
    s.StartPhase = r.startLight;
    s.RennenLaeuft = r.Running();
    s.Pause = r.Paused();
}

void AskAfterRun(RaceContext& sys, NachlaufWunsch w) {
    RaceState& s = sys.st;
    const auto laden = [&s](bool nurOhneNachlauf) {
        const uint32_t alt = s.NachlaufLaden;
        // An unconditional reload still pending stays unconditional.
        const bool offen = alt != s.NachlaufLadenErledigt && (alt & 1u) == 0;
        s.NachlaufLaden = (((alt >> 1) + 1) << 1) | (nurOhneNachlauf && !offen ? 1u : 0u);
    };
    const auto soll = [&s](bool an) { s.NachlaufSoll = (((s.NachlaufSoll.load() >> 1) + 1) << 1) | (an ? 1u : 0u); };
    switch (w) {
        case NachlaufWunsch::Start:
            sys.record.afterRunAsked = true;
            soll(true);
            break;
        case NachlaufWunsch::Stop:
            sys.record.afterRunAsked = false;
            laden(false);
            soll(false);
            break;
        case NachlaufWunsch::Reload:
            laden(true);
            break;
    }
    RequestPosted(s);
}

bool AfterRunOver(const RaceContext& sys) {
    const RaceState& s = sys.st;
    // The tick's status counts only once it has carried out the newest request.
    return sys.record.afterRunAsked && s.NachlaufSollErledigt == s.NachlaufSoll &&
           s.NachlaufStatus == Nachlauf::Vorbei;
}

void AskLaneReset(RaceContext& sys) {
    RaceState& s = sys.st;
    s.ResetAnfrage = s.ResetAnfrage + 1;
    RequestPosted(s);
}

void ResetRace(RaceContext& sys) {
    RaceState& s = sys.st;
    PrepareFuel(sys);
    const double voll = sys.cfg.Tankoption.Tankinhalt;
    const bool gesamtzeitLoeschen = s.rennen.Rennmodus < Rennart::Zeitrennen || sys.club().LaneChangeSeriesComplete();
    for (int l = 1; l <= kLanes; ++l) {
        if (s.rennen.Rennmodus != Rennart::Clubrennen) {
            s.tank.TankStand[l] = voll;
            s.spuren.SpurDaten[l].Tank = voll;
            s.spuren.SpurDaten[l].Farbe = kRgbGruen;
        }
        s.spuren.BesteRunde[l] = kBesteRundeReset;
        s.tank.TankZeit[l] = 0.0;
        s.tank.TankFlag[l] = false;
        s.spuren.SpurStromEin[l] = true;
        s.ErsteDurchfahrt[l] = true;
        s.rennen.FehlstartNachGruen[l] = false;
        s.spuren.Fehlstarts[l] = 0;
        s.tank.StrafenZahl[l] = 0;
        s.spuren.ZielZeit[l] = 0;
    }
    // The tick starts every lane afresh at its next tick: a crossing of the
    // previous race that was never evaluated must not turn into a false start
    // or a reaction time of this one.
    AskLaneReset(sys);
    if (gesamtzeitLoeschen) sys.record.laps.Clear();
    sys.record.lastEnd = RaceEnd::None;
    sys.windows().ClearLapWindows();
    AskAfterRun(sys, NachlaufWunsch::Stop);
    // A pause left over from the last race would gate the sampler off during the
    // next start light and keep that race's lap references at its green light.
    SetPhase(sys, RacePhase::Idle, Ampel::Off);
    s.rennen.AmpelSchritt = 0;
    s.rennen.PauseDurchChaos = false;
    s.rennen.PauseText.clear();  // the pause time shown belongs to the previous race
    StartampelLampenAus(sys);
    if (IstClubrennen(s.rennen.Rennmodus)) sys.club().ResetIfComplete();
}

void StartRace(RaceContext& sys) {
    ZK_ASSERT_UI_THREAD(sys);
    RaceState& s = sys.st;
    const auto& cfg = sys.cfg;
    if (!sys.record.CanStart()) return;
    // A club race drives only the heats of its plan.
    if (IstClubrennen(s.rennen.Rennmodus) && !sys.club().StartErlaubt()) return;
    if (s.rennen.Rennmodus == Rennart::Zeitrennen && cfg.ZrMitWechsel.Wechsel == 1) sys.club().LaneChangeBeforeStart();
    s.rennen.NeustartNachPause = false;
    s.Startzeit = s.AktZeit.load();
    if (s.rennen.Rennmodus == Rennart::Zeitrennen && cfg.ZrMitWechsel.Wechsel == 0) CountdownLaden(s);
    const int32_t start = s.Startzeit;
    // A new race: a new lap list (the tick lifts every lockout with the reset
    // that ResetRace asks for below).
    sys.record.laps.Clear();
    sys.record.lastEnd = RaceEnd::None;
    for (int l = 0; l <= kLanes; ++l) {
        SpurSatz& r = s.spuren.SpurDaten[l];
        r.Spur = 0;
        r.Zeit = 0.0;
        r.SekText.clear();
        r.MsText.clear();
        r.NeueRunde = 0;
        r.Verbrauch = 0.0;
        r.Durchfahrt = 0;
        r.Gesamtzeit = 0;
        r.Runden = 0;
        r.Platz = 0;
        r.SpurAufPlatz = 0;
        s.spuren.LetzteDurchfahrt[l] = start;
        s.spuren.LetzteDurchfahrtUs[l] = 0;
    }
    for (int l = 1; l <= kLanes; ++l) s.spuren.SpurDaten[l].Spur = static_cast<uint8_t>(l);
    if (cfg.AZT.Aktiv[1] != 0) SerialAusgeben(sys, "B2\r");
    if (cfg.AutoStart.Enabled == 1) s.rennen.AutoStartScharf = true;
    for (int l = 1; l <= 4; ++l) {
        s.spuren.SpurFertig[l] = 0;
        s.rennen.StatusLampe[l] = 0;
    }
    sys.windows().RefreshStandardWindow();
    sys.view.beendenEnabled = false;
    sys.windows().ClearLapWindows();
    PrepareFuel(sys);
    SetButtonsRunning(sys);
    ResetRace(sys);
    if (cfg.KVPowerSetup.I2C_Netzteil == 1) {
        for (int l = 1; l <= kLanes; ++l) s.spannung.SpurWert[l] = SpurWertAusVolt(sys, l);
        for (int l = 1; l <= kLanes; ++l) sys.supply().NetzteilSetzen(l - 1, FuelStartWert(sys, l));
    }
    StartampelZeigen(sys, cfg.AnsichtFenster.Zusatzampel == 1);
    SetPhase(sys, RacePhase::StartLight, Ampel::On);
    if (IstClubrennen(s.rennen.Rennmodus)) sys.club().HeatStart();
    // From now on the lap list is this race's: it keeps the drivers and the
    // heading it starts with.
    RaceRecord& rec = sys.record;
    rec.named = false;
    for (int l = 1; l <= kLanes; ++l) rec.drivers[l] = FahrerName(s, l);
    rec.heading = RennUeberschrift(sys) + sys.club().HeatTitle();
    rec.named = true;
    if (cfg.I2COutput.Tankanzeige == 1)
        for (int l = 1; l <= kLanes; ++l) TankanzeigeSenden(sys, l);
    if (cfg.I2COutput.Positionsanzeige == 1) SerialAusgeben(sys, "bA9876");
    s.ansage.AnsageAktiv = cfg.Audio.Zeitansage;
    if (s.rennen.Rennmodus != Rennart::Training && cfg.Audio.AutoOff == 1) s.ansage.AnsageAktiv = 0;
    sys.windows().RefreshStandardWindow();
}

namespace {

void RennenBeenden(RaceContext& sys, bool vonHand) {
    ZK_ASSERT_UI_THREAD(sys);
    RaceState& s = sys.st;
    const auto& cfg = sys.cfg;
    // Only a race that got to its green light has a result. Stopped before its
    // end was reached (the after-run begins with it) it is aborted; a training
    // has no end of its own and is over when it is stopped.
    const bool gefahren = sys.record.Running();
    const bool abgebrochen =
        vonHand && sys.record.phase != RacePhase::AfterRun && s.rennen.Rennmodus != Rennart::Training;
    sys.record.lastEnd = !gefahren ? RaceEnd::None : abgebrochen ? RaceEnd::Aborted : RaceEnd::Finished;
    // Every way out of a race ends idle, also a race stopped or ended while paused.
    SetPhase(sys, RacePhase::Idle, Ampel::Off);
    AskAfterRun(sys, NachlaufWunsch::Stop);
    s.rennen.PauseDurchChaos = false;
    AllesRot(sys);
    if (cfg.I2COutput.Startampel == 1) sys.bus().I2CSend(cfg.I2COutput.ADR[1], 31, 0, 2);
    if (cfg.KVPowerSetup.I2C_Netzteil == 1)
        for (int l = 1; l <= kLanes; ++l) sys.supply().NetzteilSetzen(l - 1, s.spannung.SpurWert[l]);
    if (cfg.I2COutput.Tankanzeige == 1)
        for (int l = 1; l <= kLanes; ++l) TankanzeigeSenden(sys, l);
    SetButtonsStopped(sys);
    sys.view.beendenEnabled = true;  // also when the race ends by itself
    for (int l = 1; l <= 4; ++l) s.rennen.StatusLampe[l] = s.SpurAktiv[l] ? kTrue : kFalse;
    s.rennen.SafetyCar = false;
    sys.view.safetyCarFarbe = kRgbHellgrau;
    sys.windows().RefreshStandardWindow();
    s.rennen.NeustartNachPause = false;
    sys.director().RaceEnded();
    if (gefahren) RennenAbschliessen(sys);
}

}  // namespace

void EndRace(RaceContext& sys) { RennenBeenden(sys, false); }

void StopRace(RaceContext& sys) {
    RennenBeenden(sys, true);
    StartampelSchliessen(sys);
    sys.view.beendenEnabled = true;
}

void PauseRace(RaceContext& sys) {
    ZK_ASSERT_UI_THREAD(sys);
    RaceState& s = sys.st;
    if (!sys.record.Running()) return;
    if (s.ChaosTaste) {
        SetButtonsStopped(sys);  // only releasing the chaos switch resumes
    } else {
        SetButtonsPaused(sys);
    }
    s.rennen.PauseDurchChaos = s.ChaosTaste;
    SetPhase(sys, RacePhase::Paused);
    AllesRot(sys);
    s.rennen.PauseBeginn = s.AktZeit;
    s.rennen.PauseLetzte = s.AktZeit;
    AskAfterRun(sys, NachlaufWunsch::Start);
}

void ResumeRace(RaceContext& sys) {
    ZK_ASSERT_UI_THREAD(sys);
    RaceState& s = sys.st;
    // Only a paused race resumes, and only once: a second resume while the
    // restart light runs would shift the lap references by the pause again.
    if (sys.record.phase != RacePhase::Paused || sys.record.startLight) return;
    s.rennen.PauseWeiter = s.AktZeit;
    const int32_t d = TimeDiff(s.AktZeit, s.rennen.PauseBeginn);
    if (d > s.Nachzeit) {
        // The interrupted lap loses the pause except for the after-run time.
        for (int l = 1; l <= kLanes; ++l) s.spuren.LetzteDurchfahrt[l] = TimeAdd(s.spuren.LetzteDurchfahrt[l], d - s.Nachzeit);
    }
    s.rennen.AmpelSchritt = 0;
    s.rennen.NeustartNachPause = true;
    SetPhase(sys, RacePhase::Restart, Ampel::On);
    s.rennen.PauseDurchChaos = false;  // the pause is over, whoever made it
    StartampelZeigen(sys, sys.cfg.AnsichtFenster.Zusatzampel == 1);
    AskAfterRun(sys, NachlaufWunsch::Stop);
}

void ToggleSafetyCar(RaceContext& sys) {
    RaceState& s = sys.st;
    // Without the controllable power supply only the flag changes.
    const bool netzteil = sys.cfg.KVPowerSetup.I2C_Netzteil == 1;
    if (s.rennen.SafetyCar == 0) {
        s.rennen.SafetyCar = true;
        if (netzteil)
            for (int l = 1; l <= kLanes; ++l)
                if (s.SpurAktiv[l]) sys.supply().NetzteilSetzen(l - 1, s.spannung.SCWert);
    } else {
        s.rennen.SafetyCar = false;
        if (netzteil)
            for (int l = 1; l <= kLanes; ++l)
                if (s.SpurAktiv[l]) sys.supply().NetzteilSetzen(l - 1, FuelStartWert(sys, l));
    }
}

void SafetyCarButton(RaceContext& sys) {
    if (!sys.record.Running()) return;
    ToggleSafetyCar(sys);
    sys.view.safetyCarFarbe = sys.st.rennen.SafetyCar != 0 ? kRgbGelb : kRgbHellgrau;
}

void PollRaceKeys(RaceContext& sys, char key) {
    ZK_ASSERT_UI_THREAD(sys);
    RaceState& s = sys.st;
    const bool laeuft = sys.record.Running();
    const bool pause = sys.record.Paused();
    bool space = false, w = false, c = false;
    if (sys.cfg.Tastatur.GlobalOn == 1) {
        space = Gedrueckt(sys.ui().AsyncKeyState(0x20));
        w = Gedrueckt(sys.ui().AsyncKeyState(0x57));
        c = Gedrueckt(sys.ui().AsyncKeyState(0x43));
    }
    if ((key == ' ' || space || s.ChaosTaste) && !pause && laeuft) PauseRace(sys);

    // A chaos release resumes only the pause that the chaos switch itself made.
    // Any other release (on an idle track, during a start light, while a pause
    // made by key or button runs) is forgotten: remembered, it would resume the
    // next pause in the cycle that makes it.
    bool chaosLos = false;
    const uint32_t losgelassen = s.ChaosLosgelassen;
    if (!s.ChaosTaste && losgelassen != s.rennen.ChaosLosGesehen) {
        chaosLos = s.rennen.PauseDurchChaos != 0;
        s.rennen.ChaosLosGesehen = losgelassen;
    }
    if ((key == 'W' || key == 'w' || w || chaosLos) && sys.record.phase == RacePhase::Paused &&
        !sys.record.startLight) {
        s.rennen.ChaosLosGesehen = losgelassen;
        ResumeRace(sys);
    }

    // The yellow-phase button triggers the safety car once per press; a C key
    // does each time.
    const uint32_t gelbDruck = s.GelbDruck;
    const bool gelbSchonAusgeloest = s.GelbTaste && s.rennen.GelbGesehen == gelbDruck;
    const bool taste = (key == 'C' || key == 'c' || s.GelbTaste) && laeuft && !gelbSchonAusgeloest;
    if (taste || c) {
        if (s.GelbTaste) s.rennen.GelbGesehen = gelbDruck;
        ToggleSafetyCar(sys);
        sys.view.safetyCarFarbe = s.rennen.SafetyCar != 0 ? kRgbGelb : kRgbHellgrau;
    }
}

void StandardWindowKey(RaceContext& sys, char key) {
    PollRaceKeys(sys, key);
    if ((key == 'S' || key == 's') && sys.record.CanStart()) StartRace(sys);
    if ((key == 'T' || key == 't') && sys.record.Running()) StopRace(sys);
}

void LapWindowCloseButton(RaceContext& sys) {
    if (sys.view.OffeneZeitfenster == 1) StopRace(sys);
}

void RestzeitSekundeAb(RaceState& s) {
    if (--s.rennen.RestSekunden < 0) {
        s.rennen.RestSekunden = 59;
        if (--s.rennen.RestMinuten < 0) {
            s.rennen.RestMinuten = 59;
            if (s.rennen.RestStunden > 0) --s.rennen.RestStunden;
        }
    }
}

void StartAfterRun(RaceContext& sys) {
    // A pause keeps its phase: its after-run is the one that runs.
    if (!sys.record.Paused()) SetPhase(sys, RacePhase::AfterRun);
    AskAfterRun(sys, NachlaufWunsch::Start);
}

void CheckRaceEnd(RaceContext& sys) {
    RaceState& s = sys.st;
    switch (s.rennen.Rennmodus) {
        case Rennart::Training:
            return;
        case Rennart::Rundenrennen: {
            const LapList& laps = sys.record.laps;
            bool erreicht = false;
            for (int l = 1; l <= kLanes; ++l) erreicht = erreicht || laps.Laps(l) >= s.rennen.RennRunden;
            if (!erreicht) return;
            if (!sys.record.afterRunAsked) {
                StartAfterRun(sys);
                PowerOff(sys, 0);
            } else if (AfterRunOver(sys)) {
                EndRace(sys);
                for (int l = 1; l <= 4; ++l)
                    if (laps.Laps(l) == s.rennen.RennRunden) s.spuren.SpurFertig[l] = kTrue;
            }
            return;
        }
        case Rennart::Zeitrennen: {
            // Counted on the wall clock's seconds, looked at every 0.9 s; stands
            // still during a pause, the after-run and the start light. (The
            // counter keeps counting while it waits, so "reaches" is >= 9.)
            s.rennen.RestZeitTakt = static_cast<int16_t>(s.rennen.RestZeitTakt + 1);
            if (s.rennen.RestZeitTakt >= 9 && !sys.record.afterRunAsked && !sys.record.startLight) {
                s.rennen.RestZeitTakt = 0;
                if (s.zyklus.SekundeNeu == 1) {
                    s.zyklus.SekundeNeu = false;
                    RestzeitSekundeAb(s);
                }
            }
            if (s.rennen.RestStunden != 0 || s.rennen.RestMinuten != 0 || s.rennen.RestSekunden != 0) return;
            if (!sys.record.afterRunAsked) {
                StartAfterRun(sys);
                PowerOff(sys, 0);
            } else if (AfterRunOver(sys)) {
                EndRace(sys);
                // The countdown stays at 00:00:00 until the next start loads it.
                if (sys.cfg.ZrMitWechsel.Wechsel != 0) sys.club().LaneChangeRunEnd();
            }
            return;
        }
        default:
            sys.club().HeatCheck();
            return;
    }
}

void AnlaufSenden(RaceContext& sys) {
    if (sys.cfg.KVPowerSetup.I2C_Netzteil == 1)
        for (int l = 1; l <= kLanes; ++l) sys.supply().NetzteilSetzen(l - 1, sys.st.spannung.SpurWert[l]);
    if (sys.cfg.I2COutput.Tankanzeige == 1)
        for (int l = 1; l <= kLanes; ++l) TankanzeigeSenden(sys, l);
}

void InitRaceControl(RaceContext& sys) {
    RaceState& s = sys.st;
    s.rennen.RennRunden = sys.cfg.Letzte.Runden;
    s.rennen.RennZeit = sys.cfg.Letzte.Zeit;
    sys.view = RaceUiState{};
    PrepareFuel(sys);
    SetupRaceMode(sys);
    PowerOn(sys, 0);
    LptLampenRuhe(sys);
    if (sys.cfg.I2COutput.Startampel != 0) sys.bus().I2CSend(sys.cfg.I2COutput.ADR[1], 0, 0, 2);
    s.rennen.SafetyCar = true;
    ToggleSafetyCar(sys);
    UpdateLapTimeSettings(sys);
}

}  // namespace zk
