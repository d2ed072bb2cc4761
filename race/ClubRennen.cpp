#include "race/ClubRennen.h"

#include <algorithm>

#include "race/Race.h"
#include "race/RaceSequence.h"

namespace zk {

std::string LogZeile(const std::string& text) { return text + "\r\r\n"; }
std::string LogZeileLeer(const std::string& text) { return text + "\r\n\r\n"; }

namespace {
std::string S(int v) { return std::to_string(v); }
}  // namespace

bool ClubRennen::Zeitmodus() const { return sys_.st.Rennmodus == Rennart::Clubrennen; }

std::string ClubRennen::Name(int d) const {
    return d >= 1 && d <= kMaxClubFahrer ? sys_.st.ClubFahrer[d] : std::string();
}

void ClubRennen::ClearTotals() {
    gesamtzeit_.fill(0);
    runden_.fill(0);
    tank_.fill(sys_.cfg.Tankoption.Tankinhalt);
    platz_.clear();
    for (int l = 1; l <= kLanes; ++l) sys_.st.Gesamtzeit[l] = 0;
    ende_ = 0;
    turn_ = 1;
    planSpalte_ = 1;
}

void ClubRennen::Setup() {
    RaceState& s = sys_.st;
    ClearTotals();
    s.ZielRunden = s.RennRunden < 1 ? int16_t{10} : s.RennRunden;
    LaneArray<int16_t> aktiv{};
    for (int l = 1; l <= kLanes; ++l) aktiv[l] = sys_.cfg.AktiveSpuren.Spur[l] != 0 ? 1 : 0;
    plan_ = MakeClubPlan(s.AnzahlClubFahrer, aktiv);
    s.AnzahlAktiveSpuren = static_cast<int16_t>(plan_.L);
    wiederholen_ = 0;
    wiederholungAktiv_ = 0;
    repeatCaption_ = "Wiederholen";
    liste_.clear();
    // The plan in the race director's list.
    for (int h = 1; h <= plan_.H; ++h) {
        sys_.director().Line(" --- Rennen " + S(h) + " von " + S(plan_.H) + " ---");
        for (int sl = 1; sl <= plan_.L; ++sl)
            if (plan_.fahrer[sl][h] != 0)
                sys_.director().Line("Spur " + S(plan_.spur[sl][h]) + " -> " + Name(plan_.fahrer[sl][h]));
    }
    PrepareHeat();
    Caption(1);
    sys_.windows().DisplayOutput();
    if (sys_.cfg.Save.Race == 1 && s.Rennmodus != Rennart::ClubZeitRennen) {
        std::string datum = sys_.wall().Date();  // YYYY-MM-DD
        if (datum.size() == 10) datum = datum.substr(8, 2) + "." + datum.substr(5, 2) + "." + datum.substr(0, 4);
        log_->Kopf(LogKopf(datum));
    }
}

void ClubRennen::Caption(int heat) {
    RaceState& s = sys_.st;
    if (s.Rennmodus != Rennart::Clubrennen || plan_.H == 0) return;
    s.RennmodusText = "Clubrennen über " + S(s.ZielRunden) + " Runden    ***** Rennen " + S(heat) + " von " +
                      S(plan_.H) + " *****";
}

void ClubRennen::PrepareHeat() {
    RaceState& s = sys_.st;
    const int c = planSpalte_;
    if (c < 1 || c > plan_.H) return;
    for (int l = 1; l <= kLanes; ++l) {
        s.SpurAktiv[l] = 0;
        spurFahrer_[l].clear();
    }
    Trace("heat " + S(c) + " of " + S(plan_.H));
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        s.SpurAktiv[l] = 1;
        spurFahrer_[l] = Name(d);
        s.TankStand[l] = tank_[d];
        s.SpurDaten[l].Tank = tank_[d];
        if (s.Rennmodus == Rennart::ClubRundenRennen) s.SpurDaten[l].Runden = runden_[d];
        Trace("heatlane heat=" + S(c) + " lane=" + S(l) + " driver=\"" + Name(d) + "\"");
    }
    for (int l = 1; l <= kLanes; ++l) s.RestRunden[l] = s.SpurAktiv[l] * s.ZielRunden;
    if (s.Rennmodus == Rennart::ClubZeitRennen) {
        s.RestSekunden = 0;
        s.RestStunden = static_cast<int16_t>(s.RennZeit / 60);
        s.RestMinuten = static_cast<int16_t>(s.RennZeit % 60);
    }
    planSpalte_ = c + 1;
    sys_.windows().DisplayOutput();
}

void ClubRennen::HeatStart() {
    // The lanes of the heat about to be driven (the race reset before may have
    // touched them).
    RaceState& s = sys_.st;
    const int c = planSpalte_ - 1;
    if (c < 1 || c > plan_.H) return;
    for (int l = 1; l <= kLanes; ++l) s.SpurAktiv[l] = 0;
    for (int sl = 1; sl <= plan_.L; ++sl)
        if (plan_.fahrer[sl][c] != 0 && plan_.spur[sl][c] != 0) s.SpurAktiv[plan_.spur[sl][c]] = 1;
    for (int l = 1; l <= kLanes; ++l) s.RestRunden[l] = s.SpurAktiv[l] * s.ZielRunden;
    restTakt_ = 0;
}

void ClubRennen::HeatCheck() {
    RaceState& s = sys_.st;
    if (plan_.H == 0 || s.RennenLaeuft == 0) return;
    switch (s.Rennmodus) {
        case Rennart::Clubrennen:
            for (int l = 1; l <= kLanes; ++l)
                if (s.RestRunden[l] != 0) return;
            EndRace(sys_);
            HeatEnd();
            return;
        case Rennart::ClubRundenRennen:
        case Rennart::ClubZeitRennen: {
            if (s.Rennmodus == Rennart::ClubRundenRennen) {
                bool erreicht = false;
                for (int l = 1; l <= kLanes; ++l) erreicht = erreicht || s.Runden[l] >= s.ZielRunden;
                if (!erreicht) return;
            } else {
                // Counts down every nine cycles, not on the wall clock.
                if (s.NachlaufStatus == Nachlauf::Aus && s.StartPhase == 0 && ++restTakt_ >= 9) {
                    restTakt_ = 0;
                    if (--s.RestSekunden < 0) {
                        s.RestSekunden = 59;
                        if (--s.RestMinuten < 0) {
                            s.RestMinuten = 59;
                            if (s.RestStunden > 0) --s.RestStunden;
                        }
                    }
                }
                if (s.RestStunden != 0 || s.RestMinuten != 0 || s.RestSekunden != 0) return;
            }
            if (s.NachlaufStatus == Nachlauf::Aus) {
                s.NachlaufStatus = Nachlauf::Laeuft;
                PowerOff(sys_, 0);
            } else if (s.NachlaufStatus == Nachlauf::Vorbei) {
                EndRace(sys_);
                HeatEnd();
            }
            return;
        }
        default:
            return;
    }
}

void ClubRennen::AddUp() {
    RaceState& s = sys_.st;
    const int c = gefahreneSpalte_;
    // Slot by slot through the heat's column: also a heat with empty slots
    // credits each lane to the driver who drove it.
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        if (Zeitmodus()) {
            gesamtzeit_[d] += s.Gesamtzeit[l];
            tank_[d] = s.TankStand[l];
            // Separates equal totals.
            if (gesamtzeit_[d] > 0) gesamtzeit_[d] += sl;
        } else {
            runden_[d] += s.Runden[l];
        }
    }
    std::vector<double> score(plan_.D + 1, 0.0);
    for (int d = 1; d <= plan_.D; ++d)
        score[d] = Zeitmodus() ? static_cast<double>(gesamtzeit_[d]) : static_cast<double>(runden_[d]);
    platz_ = ClubRanking(score);
}

void ClubRennen::ListeFuellen() {
    RaceState& s = sys_.st;
    const int c = gefahreneSpalte_;
    s.PausenRest = sys_.cfg.AutoStart.Time * 60;
    liste_.clear();
    liste_.push_back(" --- Rennen " + S(turn_) + " --- ");
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        std::string z;
        if (Zeitmodus()) {
            char tank[32];
            std::snprintf(tank, sizeof tank, "%.2f", tank_[d]);
            z = Name(d) + " auf Spur " + S(l) + " gesamtzeit " + ClubZeitText(gesamtzeit_[d]) + " Tank: " + tank;
            if (sys_.cfg.FrmRennleitung.RL == 1) sys_.director().Line(z);
        } else {
            z = Name(d) + " auf Spur " + S(l) + " --> " + S(s.Runden[l]) + " Runden " + " gesamt " + S(runden_[d]);
        }
        liste_.push_back(z);
    }
    liste_.insert(liste_.end(), {"  ", " --- Platzierung --- ", "  "});
    if (Zeitmodus()) {
        int r = 0;
        for (auto it = platz_.rbegin(); it != platz_.rend(); ++it) {
            liste_.push_back(S(++r) + " ->   " + Name(*it) + " - " + ClubZeitText(gesamtzeit_[*it]));
            Trace("rank pos=" + S(r) + " driver=\"" + Name(*it) + "\" score=" + std::to_string(gesamtzeit_[*it]));
        }
    } else {
        for (size_t r = 0; r < platz_.size(); ++r) {
            liste_.push_back(S(static_cast<int>(r + 1)) + " - " + Name(platz_[r]) + " mit " + S(runden_[platz_[r]]) +
                             " Runden");
            Trace("rank pos=" + S(static_cast<int>(r + 1)) + " driver=\"" + Name(platz_[r]) +
                  "\" score=" + S(runden_[platz_[r]]));
        }
    }
    liste_.push_back("  ");
    if (turn_ == plan_.H) {
        liste_.push_back(s.Rennmodus == Rennart::Clubrennen        ? " *** Clubrennen Ende *** "
                         : s.Rennmodus == Rennart::ClubRundenRennen ? " *** ClubRundenRennen Ende *** "
                                                                     : " *** ClubZeitRennen Ende *** ");
        liste_.push_back("  ");
    }
}

void ClubRennen::HeatEnd() {
    RaceState& s = sys_.st;
    gefahreneSpalte_ = static_cast<int16_t>(planSpalte_ - 1);
    Trace("heatend heat=" + S(turn_));
    AddUp();
    ListeFuellen();
    logWiederholung_ = wiederholungAktiv_ != 0;
    if (sys_.cfg.Save.Race == 1 && s.Rennmodus != Rennart::ClubZeitRennen) log_->Turn(LogTurn(sys_.wall().TimeOfDay()));
    wiederholungAktiv_ = 0;
    if (turn_ < plan_.H) {
        PrepareHeat();
        ++turn_;
        Caption(turn_);
    } else {
        // The club race is over; the plan can be driven again from heat 1.
        s.AutoStartScharf = 0;
        ClearTotals();
        PrepareHeat();
        Caption(1);
        ende_ = kTrue;
    }
    sys_.windows().DisplayOutput();
}

void ClubRennen::ResetIfComplete() {
    // A new run of the plan starts: the repeat of the last heat is no more.
    if (ende_ != 0 && sys_.st.StartPhase == 0) ende_ = 0;
}

void ClubRennen::ClubReset() {
    RaceState& s = sys_.st;
    s.AnzahlClubFahrer = 0;
    s.FahrerBestaetigt = 0;
    plan_ = ClubPlan{};
    s.ZielRunden = s.RennRunden < 1 ? int16_t{10} : s.RennRunden;
    ClearTotals();
}

void ClubRennen::AutoStartRefresh() {
    RaceState& s = sys_.st;
    if (s.PausenRest < 1) return;
    if (--s.PausenRest > 0) return;
    wiederholen_ = 0;
    repeatCaption_ = "Wiederholen";
    StartRace(sys_);
}

std::string ClubRennen::Countdown() const {
    const int32_t r = std::max<int32_t>(sys_.st.PausenRest, 0);
    const auto zwei = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return zwei(r / 60) + ":" + zwei(r % 60);
}

void ClubRennen::Weiter() {
    sys_.st.PausenRest = 0;
    repeatCaption_ = "Wiederholen";
    wiederholen_ = 0;
}

void ClubRennen::Wiederholen() {
    RaceState& s = sys_.st;
    // Only between two heats of a club race that is not over.
    if (ende_ != 0 || wiederholen_ >= 2 || plan_.H == 0 || turn_ < 2 || s.RennenLaeuft != 0 || s.StartPhase != 0)
        return;
    ++wiederholen_;
    const int gezeigt = turn_ - 1;  // the heat the window shows
    if (wiederholen_ == 1) {
        s.PausenRest = 0;
        repeatCaption_ = "bestätigen";
        liste_.insert(liste_.end(), {"  ", " !!! Rennen " + S(gezeigt) + " Wiederholen, bestätigen !!!",
                                     " !!! oder Taste WEITER drücken !!!", "  "});
        return;
    }
    repeatCaption_ = "na dann";
    liste_.insert(liste_.end(),
                  {"  ", " !!! Rennen " + S(gezeigt) + " wird Wiederholt !!!", " !!! Taste WEITER drücken !!!", "  "});
    wiederholungAktiv_ = kTrue;
    --turn_;
    const int c = planSpalte_ - 2;
    // The repeated heat's result goes again (the slot addition stays).
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        if (Zeitmodus()) {
            gesamtzeit_[d] -= s.Gesamtzeit[l];
        } else {
            runden_[d] -= s.Runden[l];
        }
    }
    planSpalte_ = c;
    PrepareHeat();
    Caption(turn_);
    sys_.windows().DisplayOutput();
}

std::string ClubRennen::LogKopf(const std::string& datum) const {
    const RaceState& s = sys_.st;
    static const char* const modus[] = {"keine Ahnung", "Rundenrennen", "Zeitrennen", "Clubrennen",
                                        "Club Runden Rennen", "Club Zeit Rennen"};
    const int m = static_cast<int>(s.Rennmodus);
    std::string o;
    o += LogZeile("Datum : " + datum);
    o += LogZeile(std::string("Rennmodus : ") + (m >= 1 && m <= 5 ? modus[m] : modus[0]));
    o += LogZeile("Runden : " + S(sys_.cfg.Letzte.Runden));
    o += LogZeile("ClubRunden : " + S(s.ZielRunden));
    o += LogZeileLeer("Zeit : " + S(sys_.cfg.Letzte.Zeit));
    o += LogZeile("--- Fahrer ---");
    for (int d = 1; d <= plan_.D; ++d) o += LogZeile(Name(d));
    o += LogZeileLeer("--- Ende Fahrer");
    o += LogZeile("--- Rennablauf ---");
    o += LogZeile("--- Anzahl Rennen " + S(plan_.H));
    for (int h = 1; h <= plan_.H; ++h) {
        o += LogZeile("--- Rennen " + S(h));
        // Four slots per heat, as the evaluation sheets expect.
        for (int k = 1; k <= 4; ++k) o += LogZeile("Spur " + S(k) + " " + Name(k <= kLanes ? plan_.fahrer[k][h] : 0));
    }
    o += LogZeileLeer("--- Ende Rennablauf ---");
    return o;
}

std::string ClubRennen::LogTurn(const std::string& uhrzeit) const {
    const RaceState& s = sys_.st;
    const int c = gefahreneSpalte_;
    // The heat just finished; turn_ and the totals may already belong to the next.
    const int turn = c;
    std::string o = LogZeile(std::string(68, '+'));
    o += LogZeile((logWiederholung_ ? "--- Wiederholung Turn : " : "--- Turn : ") + S(turn) + " fertig um : " + uhrzeit);
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        if (Zeitmodus()) {
            o += LogZeile(Name(d) + " auf Spur " + S(l) + " gesamtzeit " + ClubZeitText(gesamtzeit_[d]));
        } else {
            o += LogZeile(Name(d) + " auf Spur " + S(l) + " --> " + S(s.Runden[l]) + " Runden " + " gesamt " +
                          S(runden_[d]));
        }
    }
    o += LogZeile(" --- Platzierung");
    if (Zeitmodus()) {
        int r = 0;
        for (auto it = platz_.rbegin(); it != platz_.rend(); ++it)
            o += LogZeile(S(++r) + " -> " + Name(*it) + " - " + ClubZeitText(gesamtzeit_[*it]));
    } else {
        for (size_t r = 0; r < platz_.size(); ++r)
            o += LogZeile(S(static_cast<int>(r + 1)) + " - " + Name(platz_[r]) + " mit " + S(runden_[platz_[r]]) +
                          " Runden");
    }
    o += LogZeileLeer("--- Ende Turn : " + S(turn));
    if (turn == plan_.H) o += LogZeileLeer("!!!!!!!!!!!!!!!!!!!!!! HABE FERTIG !!!!!!!!!!!!!!!!!!!!");
    return o;
}

}  // namespace zk
