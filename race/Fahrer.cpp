#include "race/Fahrer.h"

#include <algorithm>

#include "race/Race.h"

namespace zk {

const char* const kFahrerListeVoll = "Es können höchstens 101 Fahrer an einem Clubrennen teilnehmen.";

namespace {

bool Gueltig(int i, const std::vector<std::string>& v) { return i >= 0 && i < static_cast<int>(v.size()); }

// After removing entry i: its neighbour (the next one, or the one before at the end).
int Nachbar(int i, const std::vector<std::string>& v) {
    if (v.empty()) return -1;
    return std::min(i, static_cast<int>(v.size()) - 1);
}

}  // namespace

FahrerListen FahrerListenLaden(const RaceContext& sys) {
    FahrerListen l;
    for (const auto& n : sys.cfg.Fahrer) {
        if (n.empty()) break;
        l.pool.push_back(n);
    }
    if (l.pool.empty()) l.pool.push_back("TAVO");
    l.poolAuswahl = 0;
    const int d = std::clamp<int>(sys.st.fahrer.AnzahlClubFahrer, 0, kMaxClubFahrer);
    for (int k = 1; k <= d; ++k) l.aktiv.push_back(sys.st.fahrer.ClubFahrer[k]);
    return l;
}

void FahrerHinzufuegen(FahrerListen& l, const std::string& text) {
    if (text.empty()) return;
    l.pool.push_back(text);
    l.poolAuswahl = static_cast<int>(l.pool.size()) - 1;
}

void FahrerAendern(FahrerListen& l, const std::string& text) {
    if (!Gueltig(l.poolAuswahl, l.pool) || text.empty()) return;
    l.pool[l.poolAuswahl] = text;
}

void FahrerLoeschen(FahrerListen& l) {
    if (!Gueltig(l.poolAuswahl, l.pool)) return;
    l.pool.erase(l.pool.begin() + l.poolAuswahl);
    l.poolAuswahl = Nachbar(l.poolAuswahl, l.pool);
}

bool FahrerAktivieren(FahrerListen& l, std::string* meldung) {
    if (!Gueltig(l.poolAuswahl, l.pool)) return false;
    if (static_cast<int>(l.aktiv.size()) >= kMaxClubFahrer) {
        if (meldung) *meldung = kFahrerListeVoll;
        return false;
    }
    l.aktiv.push_back(l.pool[l.poolAuswahl]);
    l.pool.erase(l.pool.begin() + l.poolAuswahl);
    l.poolAuswahl = Nachbar(l.poolAuswahl, l.pool);
    return true;
}

void FahrerDeaktivieren(FahrerListen& l) {
    if (!Gueltig(l.aktivAuswahl, l.aktiv)) return;
    l.pool.push_back(l.aktiv[l.aktivAuswahl]);
    l.aktiv.erase(l.aktiv.begin() + l.aktivAuswahl);
    l.aktivAuswahl = Nachbar(l.aktivAuswahl, l.aktiv);
}

void FahrerBestaetigen(RaceContext& sys, const FahrerListen& l) {
    sys.cfg.Fahrer = l.pool;
    RaceState& s = sys.st;
    const int d = std::min<int>(static_cast<int>(l.aktiv.size()), kMaxClubFahrer);
    for (auto& n : s.fahrer.ClubFahrer) n.clear();
    for (int k = 1; k <= d; ++k) s.fahrer.ClubFahrer[k] = l.aktiv[k - 1];
    s.fahrer.AnzahlClubFahrer = static_cast<int16_t>(d);
    s.fahrer.FahrerBestaetigt = d >= 2;
}

bool ClubFahrerBestaetigt(const RaceContext& sys) { return sys.st.fahrer.FahrerBestaetigt != 0; }

}  // namespace zk
