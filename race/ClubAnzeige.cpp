#include "race/ClubAnzeige.h"

#include <algorithm>

#include "race/ClubRennen.h"
#include "race/Race.h"

namespace zk {

namespace {

std::string S(int v) { return std::to_string(v); }

}  // namespace

ClubErgebnisAnsicht ClubErgebnisBerechnen(const RaceContext& sys, const ClubRennen& club) {
    const RaceState& s = sys.st;
    const ClubPlan& p = club.Plan();
    ClubErgebnisAnsicht a;
    a.titel = s.rennen.RennmodusText;
    a.liste = club.Liste();
    a.heatLaeuft = s.StartPhase || s.RennenLaeuft;
    a.repeatCaption = club.RepeatCaption();
    a.repeatStufe = club.WiederholenStufe();
    a.countdown = club.Countdown();
    a.countdownTitel = sys.cfg.AutoStart.Enabled == 1 ? "Nächster Start in" : "Pause (ohne Autostart)";
    if (p.H < 1) return a;

    int knoten = 0, kind = 0;
    for (int h = 1; h <= p.H; ++h) {
        ClubBaumKnoten k{"A " + S(++knoten), "Rennen " + S(h), {}};
        for (int sl = 1; sl <= p.L; ++sl) k.kinder.push_back({"I " + S(++kind), club.PlanZeile(h, sl), {}});
        a.baum.push_back(std::move(k));
    }
    a.naechstes = club.NaechstesRennen();
    a.naechstesText = club.NaechstesRennenText();
    a.rennenVon = club.RennenVonText();
    if (club.Ende() && !a.rennenVon.empty()) a.rennenVon += " – Clubrennen beendet";
    for (int l = 1; l <= kLanes; ++l) {
        a.spurSichtbar[l] = s.SpurAktiv[l] && !club.SpurFahrer(l).empty();
        a.spurName[l] = club.SpurFahrer(l);
    }
    a.wiederholenMoeglich = !club.Ende() && !a.liste.empty() && a.repeatStufe < 2 && !a.heatLaeuft;
    return a;
}

}  // namespace zk
