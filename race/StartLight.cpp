#include "race/StartLight.h"

#include <string>

#include "race/Lpt.h"
#include "race/RaceSequence.h"
#include "race/Race.h"

namespace zk {

namespace {

void Serial(RaceContext& sys, const char* text) { SerialAusgeben(sys, std::string(text) + '\r'); }

void RotesPaar(RaceContext& sys, int paar) {
    sys.view.ampel.lampeAn[2 * paar] = true;
    sys.view.ampel.lampeAn[2 * paar + 1] = true;
}

// The green light: the race runs. On a fresh start every lane's first lap is
// timed from now; after a pause the references stay as the resume shifted them.
void Gruen(RaceContext& sys) {
    RaceState& s = sys.st;
    if (!sys.record.Paused()) {
        const int32_t now = s.AktZeit;
        for (int l = 0; l <= kLanes; ++l) {
            s.spuren.LetzteDurchfahrt[l] = now;
            s.spuren.LetzteDurchfahrtUs[l] = 0;
        }
        s.rennen.BoardGruenErwartet = s.BoardQuelle;
        s.rennen.BoardGruenGesehen = s.BoardGruenZahl;
    }
    // A race end reached during the restart light keeps its after-run.
    SetPhase(sys, sys.record.afterRunAsked ? RacePhase::AfterRun : RacePhase::Racing);
    SetButtonsRunning(sys);
}

}  // namespace

void GreenWithoutLight(RaceContext& sys) {
    ZK_ASSERT_UI_THREAD(sys);
    const int32_t now = sys.st.AktZeit;
    for (int l = 0; l <= kLanes; ++l) {
        sys.st.spuren.LetzteDurchfahrt[l] = now;
        sys.st.spuren.LetzteDurchfahrtUs[l] = 0;
    }
    sys.st.rennen.BoardGruenErwartet = sys.st.BoardQuelle;
    sys.st.rennen.BoardGruenGesehen = sys.st.BoardGruenZahl;
    SetPhase(sys, RacePhase::Racing);
}

namespace {

// True while a lane's power is withheld as a penalty (false start, or an empty
// tank with power cut-off; an empty tank with dry running keeps the power on).
bool StromGesperrt(const RaceContext& sys, int lane) {
    const RaceState& s = sys.st;
    if (s.spuren.SpurStromEin[lane] != 0) return false;
    return sys.cfg.Tankoption.MitTrocken == 0 || s.tank.TankStand[lane] > 0.0;
}

// Track power on at step 0 of a start or restart: every lane but those under a
// penalty, which get their power back only when the penalty has run out. Without
// such a lane it is the one all-lanes command.
void StromFuerDenStart(RaceContext& sys) {
    bool gesperrt = false;
    for (int lane = 1; lane <= kLanes; ++lane) gesperrt = gesperrt || StromGesperrt(sys, lane);
    if (!gesperrt) {
        PowerOn(sys, 0);
        return;
    }
    for (int lane = 1; lane <= kLanes; ++lane)
        if (!StromGesperrt(sys, lane)) PowerOn(sys, lane);
}

}  // namespace

void FehlstartsBestrafen(RaceContext& sys) {
    RaceState& s = sys.st;
    StartampelAnzeige& a = sys.view.ampel;
    for (int lane = 1; lane <= kLanes; ++lane) {
        const uint32_t gesehen = s.FehlstartZahl[lane];
        if (gesehen == s.FehlstartQuittung[lane] && !s.rennen.FehlstartNachGruen[lane]) continue;
        sys.observer().OnFalseStart(lane);
        a.lampeSichtbar[lane + 14] = true;
        a.lampeAn[lane + 14] = true;
        a.spurNrSichtbar[lane - 1] = true;
        s.spuren.SpurDaten[lane].Strafe = sys.cfg.Fehlstart.Strafzeit;
        ++s.spuren.Fehlstarts[lane];
        PowerOff(sys, lane);
        s.spuren.SpurStromEin[lane] = false;
        s.FehlstartQuittung[lane] = gesehen;
        s.rennen.FehlstartNachGruen[lane] = false;
    }
}

int StartampelCode(int step) {
    static const int codes[] = {0, 1, 3, 7, 15, 31};
    if (step >= 0 && step <= 5) return codes[step];
    return 32;
}

void StartampelLampenAus(RaceContext& sys) {
    for (int i = 0; i <= 14; ++i) sys.view.ampel.lampeAn[i] = false;
}

void StartampelZeigen(RaceContext& sys, bool zusatzampel) {
    RaceUiState& v = sys.view;
    if (!v.startampelOffen) {
        // Loading the window: start-light board dark, every lamp dark (a restart
        // after a pause must not begin with the greens of the last start),
        // false-start marks hidden.
        if (sys.cfg.I2COutput.Aktiv != 0) sys.bus().I2CSend(sys.cfg.I2COutput.ADR[1], 0, 0, 2);
        StartampelLampenAus(sys);
        for (int i = 15; i <= 22; ++i) {
            v.ampel.lampeSichtbar[i] = false;
            v.ampel.lampeAn[i] = false;
        }
        v.ampel.spurNrSichtbar.fill(false);
        v.startampelOffen = true;
    }
    sys.ui().OpenWindow(Fenster::Startampel);
    if (zusatzampel) {
        v.zusatzampelOffen = true;
        sys.ui().OpenWindow(Fenster::Zusatzampel);
    }
}

void StartampelSchliessen(RaceContext& sys) {
    if (sys.view.zusatzampelOffen) {
        sys.view.zusatzampelOffen = false;
        sys.ui().CloseWindow(Fenster::Zusatzampel);
    }
    if (sys.view.startampelOffen) {
        sys.view.startampelOffen = false;
        sys.ui().CloseWindow(Fenster::Startampel);
    }
}

void BoardAusgaenge(RaceContext& sys) {
    const RaceState& s = sys.st;
    if (!s.BoardQuelle) return;
    const auto power = static_cast<uint8_t>((s.LptDaten >> 4) & 0xFF);
    const auto& lampe = sys.view.ampel.lampeAn;
    uint8_t lamps = 0;
    for (int paar = 0; paar < 5; ++paar)
        if (lampe[2 * paar]) lamps = static_cast<uint8_t>(lamps | (1u << paar));
    if (lampe[10]) lamps = static_cast<uint8_t>(lamps | 0x20);
    sys.board().Ausgaenge(power, lamps);
}

void BoardGruenUebernehmen(RaceContext& sys) {
    RaceState& s = sys.st;
    if (!s.rennen.BoardGruenErwartet) return;
    const uint32_t n = s.BoardGruenZahl;
    if (n == s.rennen.BoardGruenGesehen) return;
    s.rennen.BoardGruenGesehen = n;
    s.rennen.BoardGruenErwartet = false;
    if (!sys.record.Running()) return;
    const int32_t gruen = s.BoardGruenMs;
    const int16_t gruenUs = s.BoardGruenUs;
    for (int l = 1; l <= kLanes; ++l) {
        if (!s.ErsteDurchfahrt[l]) continue;
        s.spuren.LetzteDurchfahrt[l] = gruen;
        s.spuren.LetzteDurchfahrtUs[l] = gruenUs;
    }
}

void StartAblauf(RaceContext& sys) {
    RaceState& s = sys.st;
    StartampelAnzeige& a = sys.view.ampel;

    FehlstartsBestrafen(sys);

    const int step = s.rennen.AmpelSchritt;
    sys.observer().OnLightStep(step);
    switch (step) {
        case 0:
            s.LptDaten = 0;
            // The image starts afresh, but a lane under penalty keeps its relay off.
            for (int lane = 1; lane <= kLanes; ++lane)
                if (StromGesperrt(sys, lane)) LptStromBits(sys, lane, false);
            Pin16Gruen(sys, false);
            Pin16Rot(sys, false);
            Pin1Rot(sys, false);
            // A restart powers the track below, once, like a start does here.
            if (s.rennen.NeustartNachPause == 0) StromFuerDenStart(sys);
            break;
        case 1:
            RotesPaar(sys, 0);
            Pin16Rot(sys, true);
            Pin1Rot(sys, true);
            Serial(sys, "Be0::::");
            break;
        case 2:
        case 3:
        case 4:
        case 5: {
            static const char* texte[] = {"Be00:::", "Be000::", "Be0000:", "Be00000"};
            RotesPaar(sys, step - 1);
            s.LptDaten = static_cast<uint16_t>(s.LptDaten | (1u << (step - 2)));
            Serial(sys, texte[step - 2]);
            break;
        }
        case 6:
            for (int i = 0; i <= 9; ++i) a.lampeAn[i] = false;
            for (int i = 10; i <= 14; ++i) a.lampeAn[i] = true;
            // The red lamp bits go; every lane's power bit stays as race control
            // set it (a lane under penalty stays off, on the port and the relay board).
            s.LptDaten = static_cast<uint16_t>(s.LptDaten & ~0x0Fu);
            Pin16Rot(sys, false);
            Pin1Rot(sys, false);
            Pin16Gruen(sys, true);
            Serial(sys, "B2");
            Gruen(sys);
            break;
        case 7:
            break;
        default:
            SetPhase(sys, sys.record.phase, Ampel::Off);
            StartampelSchliessen(sys);
            break;
    }

    if (s.rennen.NeustartNachPause != 0) StromFuerDenStart(sys);
    s.rennen.NeustartNachPause = false;
    if (sys.cfg.Lpt.Ampel != 0) LptDatenAusgeben(sys);
    if (sys.cfg.I2COutput.Startampel == 1)
        sys.bus().I2CSend(sys.cfg.I2COutput.ADR[1], static_cast<uint8_t>(StartampelCode(step)), 0, 2);
    s.rennen.AmpelSchritt = static_cast<int16_t>(s.rennen.AmpelSchritt + 1);
}

void AmpelAbbruch(RaceContext& sys) {
    ZK_ASSERT_UI_THREAD(sys);
    ResetRace(sys);
    StartampelSchliessen(sys);
    // No race any more: nothing to pause, and the program may be closed.
    SetButtonsStopped(sys);
    sys.view.beendenEnabled = true;
}

}  // namespace zk
