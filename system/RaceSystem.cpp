#include "system/RaceSystem.h"

#include "race/RaceSequence.h"

namespace zk {

RaceSystem::RaceSystem(MsClock& clock, LptIo& port, WallClock& wall) : clock_(&clock), port_(&port), wall_(&wall) {
    SetIniDefaults(cfg);
    ApplySettings();
}

int16_t LptBasisForPort(int port) {
    switch (port) {
        case 1:
            return 888;  // 0x378
        case 2:
            return 632;  // 0x278
        case 3:
            return 956;  // 0x3BC
        default:
            return 0;
    }
}

void RaceSystem::ApplySettings() {
    for (int n = 1; n <= 10; ++n) {
        st.Maske[n] = cfg.Masken.MS[n];
        st.Vergleich[n] = cfg.Masken.CS[n];
    }
    st.GelbphaseEin = cfg.Lpt.Gelbphase;
    st.ChaosEin = cfg.Lpt.Chaos;
    st.MinLength = cfg.LiZeit.MinLength;
    // The lockout is also the shortest possible lap; it never goes below 500 ms.
    st.MinZeit = cfg.LiZeit.Minimum < 500 ? int16_t{500} : cfg.LiZeit.Minimum;
    st.Nachzeit = cfg.NachZeit.Nachzeit;
    if (st.NachlaufStatus.load() == 0) st.NachlaufRest = st.Nachzeit.load();
    for (int l = 1; l <= kLanes; ++l) st.SpurAktiv[l] = cfg.AktiveSpuren.Spur[l];
    st.I2CAktiv = cfg.I2COutput.Aktiv;
    st.RLMeldung = cfg.FrmRennleitung.RL;
    st.LptPort = cfg.Lpt.Port;
    // Any other port value leaves the base address unchanged.
    if (const int16_t b = LptBasisForPort(cfg.Lpt.Port)) st.LptBasis = b;
}

void RaceSystem::InitProgram() {
    st.SimulationActive = 0;
    st.TickZaehler = 0;
    st.AnlaufZaehler = 0;
    st.AutoStartScharf = 0;
    st.ChaosTaste = 0;
    st.GelbTaste = 0;
    st.NeustartNachPause = 0;
    for (int l = 1; l <= kLanes; ++l) st.ErsteDurchfahrt[l] = kTrue;
    ApplySettings();
    st.LptDaten = 0;
    ResetLaneState(st, cfg.Tankoption.Tankinhalt, clock().NowMs());
    st.Pause = 0;
    st.PauseBeginn = 0;
    st.InterneZeitmessung = kTrue;
    st.Rennmodus = 0;
    st.RennmodusText = "Training";
    st.AnzahlAktiveSpuren = 0;
    for (int l = 1; l <= kLanes; ++l) st.AnzahlAktiveSpuren = static_cast<int16_t>(st.AnzahlAktiveSpuren + st.SpurAktiv[l]);
    for (int l = 0; l <= kLanes; ++l) st.SpurAktivGespeichert[l] = st.SpurAktiv[l];
    InitRaceControl(*this);
}

void ResetLaneState(RaceState& s, double tankinhalt, int32_t now) {
    for (int l = 0; l <= kLanes; ++l) {
        // "No lockout": one millisecond in the past, so the wrap-safe comparison
        // sees an open lane whatever the clock reads.
        s.SperreBis[l] = TimeAdd(now, -1);
        s.ImPuls[l] = 0;
        s.PulsLaenge[l] = 0;
        s.PulsGemeldet[l] = 0;
        s.AktivAbtastungen[l] = 0;
        s.InaktivAbtastungen[l] = 0;
        s.RundeOffen[l] = 0;
        s.Fehlstart[l] = 0;
        s.Runden[l] = 0;
        s.ErsteDurchfahrt[l] = kTrue;
        s.Rundenzeit[l] = 0;
        s.BesteRunde[l] = kBesteRundeReset;
        s.Gesamtzeit[l] = 0;
        s.RestRunden[l] = 0;
        s.TankStand[l] = tankinhalt;
        s.SpurStromEin[l] = kTrue;
        SpurSatz& r = s.SpurDaten[l];
        r = SpurSatz{};
        r.Tank = tankinhalt;
        r.Farbe = kFarbeGruen;
    }
    s.StartPhase = 0;
    s.RennenLaeuft = 0;
    s.AmpelSchritt = 0;
    s.NachlaufStatus = 0;
    s.NachlaufRest = s.Nachzeit.load();
}

}  // namespace zk
