#include "race/ClubAnzeige.h"

#include <algorithm>

#include "race/ClubRennen.h"
#include "race/Race.h"

namespace zk {

namespace {

std::string S(int v) { return std::to_string(v); }

// The heat a result list belongs to, from its head line " --- Rennen N --- ";
// 0 for an empty list.
int ListenRennen(const std::vector<std::string>& liste) {
    static const std::string kopf = " --- Rennen ";
    if (liste.empty() || liste.front().rfind(kopf, 0) != 0) return 0;
    int n = 0;
    for (size_t i = kopf.size(); i < liste.front().size() && liste.front()[i] >= '0' && liste.front()[i] <= '9'; ++i)
        n = n * 10 + (liste.front()[i] - '0');
    return n;
}

}  // namespace

ClubErgebnisAnsicht ClubErgebnisBerechnen(const RaceContext& sys, const ClubRennen& club) {
    const RaceState& s = sys.st;
    const ClubPlan& p = club.Plan();
    ClubErgebnisAnsicht a;
    a.titel = s.RennmodusText;
    a.liste = club.Liste();
    a.heatLaeuft = s.StartPhase != 0 || s.RennenLaeuft != 0;
    a.repeatCaption = club.RepeatCaption();
    a.repeatStufe = club.WiederholenStufe();
    a.countdown = club.Countdown();
    a.countdownTitel = sys.cfg.AutoStart.Enabled == 1 ? "Nächster Start in" : "Pause (ohne Autostart)";
    if (p.H < 1) return a;

    int knoten = 0, kind = 0;
    for (int h = 1; h <= p.H; ++h) {
        ClubBaumKnoten k{"A " + S(++knoten), "Rennen " + S(h), {}};
        for (int sl = 1; sl <= p.L; ++sl) {
            const int d = p.fahrer[sl][h];
            const std::string name = d >= 1 && d <= p.D ? s.ClubFahrer[d] : std::string();
            k.kinder.push_back({"I " + S(++kind), d != 0 ? "Spur " + S(p.spur[sl][h]) + " " + name : "nicht belegt", {}});
        }
        a.baum.push_back(std::move(k));
    }
    a.naechstes = std::clamp(club.Ende() ? 1 : club.Turn(), 1, p.H);
    a.naechstesText = "Nächstes Rennen " + S(a.naechstes);
    if (const int r = ListenRennen(a.liste); r > 0) a.rennenVon = "Rennen " + S(r) + " von " + S(p.H);
    for (int l = 1; l <= kLanes; ++l) {
        a.spurSichtbar[l] = s.SpurAktiv[l] != 0 && !club.SpurFahrer(l).empty();
        a.spurName[l] = club.SpurFahrer(l);
    }
    a.wiederholenMoeglich = !club.Ende() && !a.liste.empty() && a.repeatStufe < 2 && !a.heatLaeuft;
    return a;
}

}  // namespace zk
