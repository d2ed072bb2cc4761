#include "race/ClubRennen.h"

#include <algorithm>
#include <cstdio>

#include "base/Version.h"
#include "race/Race.h"
#include "race/RaceResult.h"
#include "race/RaceSequence.h"

namespace zk {

const char* const kClubKeineFahrer =
    "Für das Clubrennen sind keine Fahrer eingetragen. Bitte zuerst die Fahrer festlegen.";
const char* const kClubBeendet =
    "Das Clubrennen ist beendet. Für ein neues Clubrennen bitte die Fahrer bestätigen und das Clubrennen neu wählen.";

std::string LogZeile(const std::string& text) { return text + "\r\r\n"; }
std::string LogZeileLeer(const std::string& text) { return text + "\r\n\r\n"; }

namespace {

std::string S(int v) { return std::to_string(v); }

// A driver name as a quoted trace field.
std::string Feld(const std::string& text) {
    std::string t = "\"";
    for (char ch : text) {
        if (ch == '\r') {
            t += "\\r";
        } else if (ch == '\n') {
            t += "\\n";
        } else {
            if (ch == '"' || ch == '\\') t += '\\';
            t += ch;
        }
    }
    return t + "\"";
}

int16_t Zielrunden(const RaceState& s) { return s.rennen.RennRunden < 1 ? int16_t{10} : s.rennen.RennRunden; }

}  // namespace

bool ClubRennen::Zeitmodus() const { return sys_.st.rennen.Rennmodus == Rennart::Clubrennen; }

std::string ClubRennen::Name(int d) const {
    return d >= 1 && d <= kMaxClubFahrer ? sys_.st.fahrer.ClubFahrer[d] : std::string();
}

void ClubRennen::ClearTotals() {
    gesamtzeit_.fill(0);
    runden_.fill(0);
    gefahren_.fill(0);
    tank_.fill(sys_.cfg.Tankoption.Tankinhalt);
    platz_.clear();
    ende_ = 0;
    turn_ = 1;
    planSpalte_ = 1;
}

void ClubRennen::Setup() {
    RaceState& s = sys_.st;
    ClearTotals();
    sys_.record.laps.Clear();
    s.rennen.ZielRunden = Zielrunden(s);
    wiederholen_ = 0;
    wiederholungAktiv_ = 0;
    repeatCaption_ = "Wiederholen";
    liste_.clear();
    ListeGeaendert();
    const int d = std::clamp<int>(s.fahrer.AnzahlClubFahrer, 0, kMaxClubFahrer);
    if (d == 0) {
        // Nobody to put on the lanes: no plan, no heat.
        plan_ = ClubPlan{};
        sys_.ui().ShowMessage(kClubKeineFahrer, "Clubrennen", MessageIcon::Warning);
        return;
    }
    LaneArray<int16_t> aktiv{};
    for (int l = 1; l <= kLanes; ++l) aktiv[l] = sys_.cfg.AktiveSpuren.Spur[l] != 0 ? 1 : 0;
    plan_ = MakeClubPlan(d, aktiv);
    s.zyklus.AnzahlAktiveSpuren = static_cast<int16_t>(plan_.L);
    // The plan in the race director's list.
    sys_.director().ClearFlow();
    for (int h = 1; h <= plan_.H; ++h) {
        sys_.director().Line(" --- Rennen " + S(h) + " von " + S(plan_.H) + " ---");
        for (int sl = 1; sl <= plan_.L; ++sl)
            if (plan_.fahrer[sl][h] != 0)
                sys_.director().Line("Spur " + S(plan_.spur[sl][h]) + " -> " + Name(plan_.fahrer[sl][h]));
    }
    PrepareHeat();
    rennenVon_.clear();
    naechstes_ = 1;
    sichtbar_ = true;
    sys_.windows().DisplayOutput();
    if (sys_.cfg.Save.Race == 1 && s.rennen.Rennmodus != Rennart::ClubZeitRennen) {
        std::string datum = sys_.wall().Date();  // YYYY-MM-DD
        if (datum.size() == 10) datum = datum.substr(8, 2) + "." + datum.substr(5, 2) + "." + datum.substr(0, 4);
        log_->Kopf(LogKopf(datum));
    }
}

void ClubRennen::Caption(int heat) {
    RaceState& s = sys_.st;
    if (s.rennen.Rennmodus != Rennart::Clubrennen || plan_.H == 0) return;
    s.rennen.RennmodusText = "Clubrennen über " + S(s.rennen.ZielRunden) + " Runden    ***** Rennen " + S(heat) + " von " +
                      S(plan_.H) + " *****";
}

void ClubRennen::SetLanes(int c) {
    RaceState& s = sys_.st;
    for (int l = 1; l <= kLanes; ++l) s.SpurAktiv[l] = false;
    for (int sl = 1; sl <= plan_.L; ++sl)
        if (plan_.fahrer[sl][c] != 0 && plan_.spur[sl][c] != 0) s.SpurAktiv[plan_.spur[sl][c]] = true;
    for (int l = 1; l <= kLanes; ++l) s.spuren.RestRunden[l] = s.SpurAktiv[l] ? s.rennen.ZielRunden : 0;
}

void ClubRennen::PrepareHeat() {
    RaceState& s = sys_.st;
    const int c = planSpalte_;
    if (c < 1 || c > plan_.H) return;
    for (auto& n : spurFahrer_) n.clear();
    SetLanes(c);
    Trace("heat " + S(c) + " of " + S(plan_.H));
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        spurFahrer_[l] = Name(d);
        s.fahrer.SpurFahrer[l] = Name(d);
        s.tank.TankStand[l] = tank_[d];
        s.spuren.SpurDaten[l].Tank = tank_[d];
        if (s.rennen.Rennmodus == Rennart::ClubRundenRennen) s.spuren.SpurDaten[l].Runden = runden_[d];
        Trace("heatlane heat=" + S(c) + " lane=" + S(l) + " driver=" + Feld(Name(d)));
    }
    if (s.rennen.Rennmodus == Rennart::ClubZeitRennen) {
        s.rennen.RestSekunden = 0;
        s.rennen.RestStunden = static_cast<int16_t>(s.rennen.RennZeit / 60);
        s.rennen.RestMinuten = static_cast<int16_t>(s.rennen.RennZeit % 60);
    }
    planSpalte_ = c + 1;
    sys_.windows().DisplayOutput();
}

bool ClubRennen::StartErlaubt() {
    // The plan of a finished club race is not driven again: a new one needs
    // confirmed drivers and a new set-up.
    const bool beendet = ende_ != 0;
    if (beendet) ClubReset();
    if (plan_.H > 0 && planSpalte_ >= 2) return true;
    sys_.ui().ShowMessage(beendet ? kClubBeendet : kClubKeineFahrer, "Clubrennen", MessageIcon::Warning);
    return false;
}

void ClubRennen::HeatStart() {
    // Only the lanes of the heat about to be driven take part, whatever the
    // settings or a race reset made of them meanwhile.
    const int c = planSpalte_ - 1;
    if (c >= 1 && c <= plan_.H) SetLanes(c);
    // The heading names the heat that is driven now.
    Caption(turn_);
    // A start by hand ends the pause countdown.
    sys_.st.rennen.PausenRest = 0;
}

std::string ClubRennen::HeatTitle() {
    if (plan_.H == 0) return {};
    // Mode 3's caption names its heat already.
    std::string t = sys_.st.rennen.Rennmodus == Rennart::Clubrennen
                        ? std::string()
                        : "    ***** Rennen " + S(turn_) + " von " + S(plan_.H) + " *****";
    if (wiederholungAktiv_ != 0) t += "  (Wiederholung)";
    return t;
}

void ClubRennen::HeatCheck() {
    RaceState& s = sys_.st;
    if (plan_.H == 0 || !sys_.record.Running()) return;
    switch (s.rennen.Rennmodus) {
        case Rennart::Clubrennen:
            // Every lane has driven its laps (a lane short of them keeps the heat open).
            for (int l = 1; l <= kLanes; ++l)
                if (s.spuren.RestRunden[l] != 0) return;
            HeatEnd();
            return;
        case Rennart::ClubRundenRennen:
        case Rennart::ClubZeitRennen: {
            if (s.rennen.Rennmodus == Rennart::ClubRundenRennen) {
                bool erreicht = false;
                for (int l = 1; l <= kLanes; ++l) erreicht = erreicht || sys_.record.laps.Laps(l) >= s.rennen.ZielRunden;
                if (!erreicht) return;
            } else {
                // As the time race, but a second every nine cycles, without the
                // wall clock.
                s.rennen.RestZeitTakt = static_cast<int16_t>(s.rennen.RestZeitTakt + 1);
                if (s.rennen.RestZeitTakt >= 9 && !sys_.record.afterRunAsked && !sys_.record.startLight) {
                    s.rennen.RestZeitTakt = 0;
                    RestzeitSekundeAb(s);
                }
                if (s.rennen.RestStunden != 0 || s.rennen.RestMinuten != 0 || s.rennen.RestSekunden != 0) return;
            }
            if (!sys_.record.afterRunAsked) {
                StartAfterRun(sys_);
                PowerOff(sys_, 0);
            } else if (AfterRunOver(sys_)) {
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
    // Slot by slot through the heat's column, so that each lane's result goes to
    // the driver who drove it, also in a heat with empty slots.
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        if (Zeitmodus()) {
            gesamtzeit_[d] += sys_.record.laps.Total(l);
            tank_[d] = s.tank.TankStand[l];
            // The slot number in ms separates equal totals.
            if (gesamtzeit_[d] > 0) gesamtzeit_[d] += sl;
        } else {
            runden_[d] += sys_.record.laps.Laps(l);
        }
        ++gefahren_[d];
    }
    std::vector<double> score(plan_.D + 1, 0.0);
    for (int d = 1; d <= plan_.D; ++d)
        score[d] = Zeitmodus() ? static_cast<double>(gesamtzeit_[d]) : static_cast<double>(runden_[d]);
    platz_ = ClubRanking(score);
}

void ClubRennen::ListeFuellen() {
    RaceState& s = sys_.st;
    const int c = gefahreneSpalte_;
    s.rennen.PausenRest = sys_.cfg.AutoStart.Time * 60;
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
            z = Name(d) + " auf Spur " + S(l) + " --> " + S(sys_.record.laps.Laps(l)) + " Runden " + " gesamt " + S(runden_[d]);
        }
        liste_.push_back(z);
    }
    liste_.insert(liste_.end(), {"  ", " --- Platzierung --- ", "  "});
    if (Zeitmodus()) {
        // From the smallest time to the largest.
        int r = 0;
        for (auto it = platz_.rbegin(); it != platz_.rend(); ++it) {
            liste_.push_back(S(++r) + " ->   " + Name(*it) + " - " + ClubZeitText(gesamtzeit_[*it]) + "   (" +
                             S(gefahren_[*it]) + " von " + S(plan_.H) + " Rennen)");
            Trace("rank pos=" + S(r) + " driver=" + Feld(Name(*it)) + " score=" + std::to_string(gesamtzeit_[*it]));
        }
    } else {
        for (size_t r = 0; r < platz_.size(); ++r) {
            const int d = platz_[r];
            liste_.push_back(S(static_cast<int>(r + 1)) + " - " + Name(d) + " mit " + S(runden_[d]) + " Runden   (" +
                             S(gefahren_[d]) + " von " + S(plan_.H) + " Rennen)");
            Trace("rank pos=" + S(static_cast<int>(r + 1)) + " driver=" + Feld(Name(d)) + " score=" + S(runden_[d]));
        }
    }
    liste_.push_back("  ");
    if (turn_ == plan_.H) {
        liste_.push_back(s.rennen.Rennmodus == Rennart::Clubrennen        ? " *** Clubrennen Ende *** "
                         : s.rennen.Rennmodus == Rennart::ClubRundenRennen ? " *** ClubRundenRennen Ende *** "
                                                                     : " *** ClubZeitRennen Ende *** ");
        liste_.push_back("  ");
    }
    ListeGeaendert();
    rennenVon_ = "Rennen " + S(turn_) + " von " + S(plan_.H);
    naechstes_ = turn_ == plan_.H ? 1 : turn_ + 1;
    Caption(naechstes_);
}

void ClubRennen::HeatEnd() {
    RaceState& s = sys_.st;
    EndRace(sys_);
    gefahreneSpalte_ = static_cast<int16_t>(planSpalte_ - 1);
    Trace("heatend heat=" + S(turn_));
    AddUp();
    ListeFuellen();
    logWiederholung_ = wiederholungAktiv_ != 0;
    if (sys_.cfg.Save.Race == 1 && s.rennen.Rennmodus != Rennart::ClubZeitRennen) log_->Turn(LogTurn(sys_.wall().TimeOfDay()));
    StandAblegen();
    wiederholungAktiv_ = 0;
    sichtbar_ = true;
    PrepareHeat();
    ++turn_;
    if (turn_ > plan_.H) {
        // The club race is over; the plan stands prepared from heat 1.
        s.rennen.AutoStartScharf = false;
        s.rennen.PausenRest = 0;
        ClearTotals();
        ende_ = kTrue;
        PrepareHeat();
        // The lap windows still show the last heat; their heading says it was the last.
        sys_.record.heading += "  \u2013  Clubrennen beendet";
        naechstes_ = 0;
    }
    sys_.windows().DisplayOutput();
}

void ClubRennen::ResetIfComplete() {
    if (ende_ != 0) ClubReset();
}

void ClubRennen::ClubReset() {
    RaceState& s = sys_.st;
    // The active drivers go back to the pool: the active list is emptied, and
    // names that are in neither list would be lost with the next save.
    auto& pool = sys_.cfg.Fahrer;
    pool.erase(std::find(pool.begin(), pool.end(), std::string()), pool.end());
    for (int d = 1; d <= std::clamp<int>(s.fahrer.AnzahlClubFahrer, 0, kMaxClubFahrer); ++d)
        if (!s.fahrer.ClubFahrer[d].empty()) pool.push_back(s.fahrer.ClubFahrer[d]);
    s.fahrer.AnzahlClubFahrer = 0;
    s.fahrer.FahrerBestaetigt = false;
    plan_ = ClubPlan{};
    for (auto& n : spurFahrer_) n.clear();
    s.rennen.ZielRunden = Zielrunden(s);
    ClearTotals();
    sys_.record.laps.Clear();
}

void ClubRennen::AutoStartRefresh() {
    RaceState& s = sys_.st;
    if (s.rennen.PausenRest < 1) return;
    if (s.RennenLaeuft || s.StartPhase || ende_ != 0 || plan_.H == 0) {
        // A heat started otherwise, or nothing left to start.
        s.rennen.PausenRest = 0;
        return;
    }
    if (--s.rennen.PausenRest > 0) return;
    sichtbar_ = false;
    wiederholen_ = 0;
    repeatCaption_ = "Wiederholen";
    StartRace(sys_);
}

std::string ClubRennen::PlanZeile(int heat, int slot) const {
    if (heat < 1 || heat > plan_.H || slot < 1 || slot > plan_.L || plan_.fahrer[slot][heat] == 0) return "nicht belegt";
    return "Spur " + S(plan_.spur[slot][heat]) + " " + Name(plan_.fahrer[slot][heat]);
}

std::string ClubRennen::Countdown() const {
    const int32_t r = std::max<int32_t>(sys_.st.rennen.PausenRest, 0);
    const auto zwei = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return zwei(r / 60) + ":" + zwei(r % 60);
}

void ClubRennen::Weiter() {
    sichtbar_ = false;
    sys_.st.rennen.PausenRest = 0;
    repeatCaption_ = "Wiederholen";
    wiederholen_ = 0;
}


void ClubRennen::Wiederholen() {
    RaceState& s = sys_.st;
    // Only between two heats of a club race that is not over.
    if (ende_ != 0 || wiederholen_ >= 2 || plan_.H == 0 || turn_ < 2 || s.RennenLaeuft || s.StartPhase)
        return;
    ++wiederholen_;
    // The list names the heat that is repeated: the one just driven.
    const int gefahren = turn_ - 1;
    if (wiederholen_ == 1) {
        s.rennen.PausenRest = 0;
        repeatCaption_ = "bestätigen";
        liste_.insert(liste_.end(), {"  ", " !!! Rennen " + S(gefahren) + " Wiederholen, bestätigen !!!",
                                     " !!! oder Taste WEITER drücken !!!", "  "});
        ListeGeaendert();
        return;
    }
    repeatCaption_ = "na dann";
    liste_.insert(liste_.end(),
                  {"  ", " !!! Rennen " + S(gefahren) + " wird Wiederholt !!!", " !!! Taste WEITER drücken !!!", "  "});
    ListeGeaendert();
    wiederholungAktiv_ = kTrue;
    --turn_;
    const int c = planSpalte_ - 2;
    // The heat's result goes again (in mode 3 the slot addition stays); the lanes
    // still hold it until the next start.
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        if (Zeitmodus()) {
            gesamtzeit_[d] -= sys_.record.laps.Total(l);
        } else {
            runden_[d] -= sys_.record.laps.Laps(l);
        }
        --gefahren_[d];
    }
    planSpalte_ = c;
    PrepareHeat();
    // The heat driven next is the repeated one.
    naechstes_ = turn_;
    Caption(turn_);
    sys_.windows().DisplayOutput();
}

std::vector<int> ClubRennen::StandFolge(size_t& gewertet) const {
    // The ranked drivers in their order (mode 3: the smallest time first),
    // then those without a score, who get no place.
    std::vector<int> folge;
    if (Zeitmodus()) folge.assign(platz_.rbegin(), platz_.rend());
    else folge = platz_;
    gewertet = folge.size();
    for (int d = 1; d <= plan_.D; ++d)
        if (std::find(folge.begin(), folge.end(), d) == folge.end()) folge.push_back(d);
    return folge;
}

std::string ClubRennen::StandTitel() const {
    // Called after the heat's end: turn_ is still the heat just driven.
    std::string t = sys_.st.rennen.Rennmodus == Rennart::Clubrennen     ? "Clubrennen"
                    : sys_.st.rennen.Rennmodus == Rennart::ClubRundenRennen ? "ClubRundenRennen"
                                                                   : "ClubZeitRennen";
    t += turn_ >= plan_.H ? " – Endstand nach Rennen " : " – Zwischenstand nach Rennen ";
    t += S(turn_) + " von " + S(plan_.H);
    if (wiederholungAktiv_ != 0) t += " (Wiederholung)";
    return t;
}

std::string ClubRennen::ScoreText(int d) const {
    return Zeitmodus() ? (gesamtzeit_[d] > 0 ? LesbareZeit(static_cast<int32_t>(gesamtzeit_[d])) : std::string())
                       : S(runden_[d]);
}

std::string ClubRennen::StandCsv(const std::string& datum, const std::string& uhrzeit) const {
    std::string o = "\xEF\xBB\xBF";
    o += "Wertung;" + CsvFeld(StandTitel()) + "\r\n";
    o += "Datum;" + datum + " " + uhrzeit + "\r\n";
    o += "Programm;Zirkato " + std::string(ProgramVersion()) + "\r\n";
    o += std::string("Platz;Fahrer;") + (Zeitmodus() ? "Gesamtzeit;Gesamtzeit (ms)" : "Runden") + ";Rennen gefahren;Rennen\r\n";
    size_t gewertet = 0;
    const std::vector<int> folge = StandFolge(gewertet);
    for (size_t i = 0; i < folge.size(); ++i) {
        const int d = folge[i];
        o += (i < gewertet ? S(static_cast<int>(i + 1)) : std::string()) + ";" + CsvFeld(Name(d)) + ";" + ScoreText(d) +
             (Zeitmodus() ? ";" + std::to_string(gesamtzeit_[d]) : std::string()) + ";" + S(gefahren_[d]) + ";" +
             S(plan_.H) + "\r\n";
    }
    return o;
}

std::string ClubRennen::StandHtml(const std::string& datum, const std::string& uhrzeit) const {
    std::string o =
        "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + Html(StandTitel()) +
        "</title>\n<style>\nbody{font-family:sans-serif;margin:2em}\ntable{border-collapse:collapse}\n"
        "th,td{border:1px solid #444;padding:.3em .8em;text-align:right}\ntd.n,th.n{text-align:left}\n"
        "p.z{color:#666;font-size:smaller}\n@media print{body{margin:0}}\n</style>\n</head>\n<body>\n<h1>" +
        Html(StandTitel()) + "</h1>\n<p>" + Html(datum + " " + uhrzeit) + "</p>\n";
    o += std::string("<table>\n<tr><th>Platz</th><th class=\"n\">Fahrer</th><th>") +
         (Zeitmodus() ? "Gesamtzeit" : "Runden") + "</th><th>Rennen gefahren</th></tr>\n";
    size_t gewertet = 0;
    const std::vector<int> folge = StandFolge(gewertet);
    for (size_t i = 0; i < folge.size(); ++i) {
        const int d = folge[i];
        o += "<tr><td>" + (i < gewertet ? S(static_cast<int>(i + 1)) : std::string("–")) + "</td><td class=\"n\">" +
             Html(Name(d)) + "</td><td>" + (ScoreText(d).empty() ? std::string("–") : ScoreText(d)) + "</td><td>" +
             S(gefahren_[d]) + " von " + S(plan_.H) + "</td></tr>\n";
    }
    return o + "</table>\n<p class=\"z\">Zirkato " + ProgramVersion() + "</p>\n</body>\n</html>\n";
}

void ClubRennen::StandAblegen() {
    const std::string datum = sys_.wall().Date();
    const std::string uhrzeit = sys_.wall().TimeOfDay();
    ErgebnisDateienAblegen(sys_, turn_ >= plan_.H ? "Clubwertung_Endstand" : "Clubwertung_nach_Rennen_" + S(turn_),
                           StandCsv(datum, uhrzeit), StandHtml(datum, uhrzeit));
}

std::string ClubRennen::LogKopf(const std::string& datum) const {
    const RaceState& s = sys_.st;
    static const char* const modus[] = {"keine Ahnung", "Rundenrennen", "Zeitrennen", "Clubrennen",
                                        "Club Runden Rennen", "Club Zeit Rennen"};
    const int m = static_cast<int>(s.rennen.Rennmodus);
    std::string o;
    o += LogZeile("Datum : " + datum);
    o += LogZeile(std::string("Rennmodus : ") + (m >= 1 && m <= 5 ? modus[m] : modus[0]));
    o += LogZeile("Runden : " + S(sys_.cfg.Letzte.Runden));
    o += LogZeile("ClubRunden : " + S(s.rennen.ZielRunden));
    o += LogZeileLeer("Zeit : " + S(sys_.cfg.Letzte.Zeit));
    o += LogZeile("--- Fahrer ---");
    for (int d = 1; d <= plan_.D; ++d) o += LogZeile(Name(d));
    o += LogZeileLeer("--- Ende Fahrer");
    o += LogZeile("--- Rennablauf ---");
    o += LogZeile("--- Anzahl Rennen " + S(plan_.H));
    for (int h = 1; h <= plan_.H; ++h) {
        o += LogZeile("--- Rennen " + S(h));
        // Four slots per heat, whatever the number of lanes: the evaluation
        // sheets made from this log expect four.
        for (int k = 1; k <= 4; ++k) o += LogZeile("Spur " + S(k) + " " + Name(plan_.fahrer[k][h]));
    }
    o += LogZeileLeer("--- Ende Rennablauf ---");
    return o;
}

std::string ClubRennen::LogTurn(const std::string& uhrzeit) const {
    const int c = gefahreneSpalte_;
    std::string o = LogZeile(std::string(68, '+'));
    o += LogZeile((logWiederholung_ ? "--- Wiederholung Turn : " : "--- Turn : ") + S(turn_) + " fertig um : " +
                  uhrzeit);
    for (int sl = 1; sl <= plan_.L; ++sl) {
        const int d = plan_.fahrer[sl][c], l = plan_.spur[sl][c];
        if (d == 0 || l == 0) continue;
        if (Zeitmodus()) {
            o += LogZeile(Name(d) + " auf Spur " + S(l) + " gesamtzeit " + ClubZeitText(gesamtzeit_[d]));
        } else {
            o += LogZeile(Name(d) + " auf Spur " + S(l) + " --> " + S(sys_.record.laps.Laps(l)) + " Runden " + " gesamt " +
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
    o += LogZeileLeer("--- Ende Turn : " + S(turn_));
    if (turn_ == plan_.H) o += LogZeileLeer("!!!!!!!!!!!!!!!!!!!!!! HABE FERTIG !!!!!!!!!!!!!!!!!!!!");
    return o;
}

}  // namespace zk
