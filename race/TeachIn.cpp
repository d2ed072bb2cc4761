#include "race/TeachIn.h"

#include <cstdlib>
#include <string>

#include "tick/FastTimer.h"
#include "race/Race.h"

namespace zk {

namespace {

void Lernen(RaceContext& sys, int n, int16_t maske, int16_t vergleich) {
    sys.st.Maske[n] = maske;
    sys.st.Vergleich[n] = vergleich;
    // The learned pair persists through the settings file.
    sys.cfg.Masken.MS[n] = maske;
    sys.cfg.Masken.CS[n] = vergleich;
}

std::string Beschriftung(const RaceContext& sys, int n) {
    if (sys.st.anlernen.TeachAktiv[n] != 0) return "Teach In aktiv";
    if (n <= 4) return "Spur " + std::to_string(n);
    if (n <= 8) {
        if (sys.cfg.Tankoption.BoxTank == 1) return "Tanken Spur " + std::to_string(n - 4);
        return "Spur " + std::to_string(n);
    }
    return n == 9 ? "Gelbphase" : "Chaos";
}

}  // namespace

void TeachInKlick(RaceContext& sys, int n) {
    if (n < 1 || n > 10) return;
    RaceState& s = sys.st;
    if (s.anlernen.TeachAktiv[n] == 0) {
        for (int i = 1; i <= 10; ++i) s.anlernen.TeachAktiv[i] = 0;
        s.anlernen.TeachAktiv[n] = kTrue;
        s.anlernen.TeachRuhewert = s.Eingang;
    } else {
        s.anlernen.TeachAktiv[n] = 0;
    }
}

void TeachInPass(RaceContext& sys) {
    RaceState& s = sys.st;
    const uint16_t eingang = s.Eingang;
    for (int n = 1; n <= 10; ++n) {
        if (s.anlernen.TeachAktiv[n] == 0 || eingang == s.anlernen.TeachRuhewert) continue;
        // With one changed bit the difference is that bit; the compare value says
        // whether it rose (active high) or fell (active low) when the car came.
        const auto d = static_cast<int16_t>(static_cast<uint16_t>(s.anlernen.TeachRuhewert - eingang));
        const auto maske = static_cast<int16_t>(std::abs(static_cast<int>(d)));
        Lernen(sys, n, maske, eingang > s.anlernen.TeachRuhewert ? maske : int16_t{0});
        s.anlernen.TeachAktiv[n] = 0;
    }
    for (int n = 1; n <= 10; ++n) {
        sys.view.teachCaption[n] = Beschriftung(sys, n);
        sys.view.teachFarbe[n] = InputActive(s, n, eingang) ? kRgbGruen : kRgbRot;
    }
}

void TeachInReset(RaceContext& sys) {
    for (int n = 1; n <= 10; ++n) {
        Lernen(sys, n, 0, 1);  // mask 0 never matches compare 1
        sys.st.anlernen.TeachAktiv[n] = 0;
    }
}

void TeachInDialogGeschlossen(RaceContext& sys) {
    for (int n = 1; n <= 8; ++n) sys.st.anlernen.TeachAktiv[n] = 0;
}

void ZsaOeffnen(RaceContext& sys) {
    auto& t = sys.cfg.Tankoption;
    if (t.Rundenverbrauch == 0) t.Rundenverbrauch = 7;
    if (t.Tankinhalt == 0) t.Tankinhalt = 100;
    if (t.Tankgeschwindigkeit == 0) t.Tankgeschwindigkeit = 7;
    if (t.Normrunde < 11) t.Normrunde = 6000;
    if (t.Stillstand < 500) t.Stillstand = 500;
    if (sys.cfg.Startampel.Interval < 100) sys.cfg.Startampel.Interval = 100;
    sys.st.fenster.ZsaOffen = true;
}

void ZsaReiterGewaehlt(RaceContext& sys, int reiter) { sys.st.fenster.ZsaReiter = static_cast<int16_t>(reiter); }

void ZsaTimerFunktionen(RaceContext& sys) {
    if (sys.st.fenster.ZsaOffen == 0 || sys.st.fenster.ZsaReiter != kZsaReiterLichtschranken) return;
    TeachInPass(sys);
}

void ZsaSchliessen(RaceContext& sys) {
    TeachInDialogGeschlossen(sys);
    sys.st.fenster.ZsaOffen = false;
}

}  // namespace zk
