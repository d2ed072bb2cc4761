#include "race/Spurwechsel.h"

#include <algorithm>

#include "race/Race.h"
#include "race/RaceResult.h"
#include "race/RaceSequence.h"

namespace zk {

const char* const kWechselOhneSpur =
    "Für das Zeitrennen mit Spurwechsel ist keine Spur aktiv. Bitte mindestens eine Spur aktivieren.";

namespace {
std::string S(int v) { return std::to_string(v); }
}  // namespace

bool SpurwechselRennen::Aktiv() const {
    return anzahl_ > 0 && sys_.st.rennen.Rennmodus == Rennart::Zeitrennen && sys_.cfg.ZrMitWechsel.Wechsel == 1;
}

int SpurwechselRennen::TeamAufSpur(int lane) const {
    for (size_t i = 0; i < spuren_.size(); ++i)
        if (spuren_[i] == lane) return static_cast<int>((static_cast<size_t>(nr_ - 1) + i) % spuren_.size()) + 1;
    return 0;
}

std::string SpurwechselRennen::SpurName(int lane) const {
    if (!Aktiv()) return {};
    const int t = TeamAufSpur(lane);
    return t != 0 ? teams_[t].Name : std::string();
}

std::string SpurwechselRennen::RennenVon() const { return S(nr_) + " von " + S(anzahl_); }

bool SpurwechselRennen::Init() {
    RaceState& s = sys_.st;
    // Nothing of an earlier series may show while this one is built (the lane
    // names below are the lanes' own).
    anzahl_ = 0;
    nr_ = 0;
    letzter_ = 0;
    wartet_ = false;
    fertig_ = 0;
    beendet_ = false;
    ergebnis_ = RennErgebnis{};
    untertitel_.clear();
    spuren_.clear();
    minuten_.fill(0);
    teams_.fill(Team{});
    for (auto& t : s.fahrer.SpurTeam) t.clear();
    for (int l = 1; l <= kLanes; ++l)
        if (sys_.cfg.AktiveSpuren.Spur[l] != 0) spuren_.push_back(l);
    if (spuren_.empty()) {
        // The race time cannot be divided among no lanes.
        sys_.ui().ShowMessage(kWechselOhneSpur, "Zeitrennen", MessageIcon::Warning);
        return false;
    }
    const int a = static_cast<int>(spuren_.size());
    // Every segment lasts at least one minute.
    gesamt_ = s.rennen.RennZeit < a ? a : s.rennen.RennZeit;
    const int abschnitt = gesamt_ / a;
    for (int k = 2; k <= a; ++k) minuten_[k] = abschnitt;
    minuten_[1] = gesamt_ - (a - 1) * abschnitt;
    for (int k = 1; k <= a; ++k) teams_[k] = Team{0, static_cast<int16_t>(k), FahrerName(s, spuren_[k - 1]), 0, 0, 0, 0};
    ResetRace(sys_);
    anzahl_ = a;
    Naechster();
    return true;
}

void SpurwechselRennen::Naechster() {
    RaceState& s = sys_.st;
    ++nr_;
    // The segment runs its own minutes; the countdown starts with it.
    const int m = minuten_[nr_];
    s.rennen.RestStunden = static_cast<int16_t>(m / 60);
    s.rennen.RestMinuten = static_cast<int16_t>(m % 60);
    s.rennen.RestSekunden = 0;
    untertitel_ = "   Rennen " + S(nr_) + " von " + S(anzahl_);
    // Lap windows, results and the race director name the team on each lane.
    for (int l : spuren_) s.fahrer.SpurTeam[l] = teams_[TeamAufSpur(l)].Name;
    Trace("segment " + S(nr_) + " of " + S(anzahl_));
    TraceTeams();
}

void SpurwechselRennen::TraceTeams() {
    for (int l : spuren_) {
        const Team& t = teams_[TeamAufSpur(l)];
        Trace("team " + S(t.Nummer) + " laps=" + S(t.Runden) + " lane=" + S(l));
    }
}

void SpurwechselRennen::Auswerten() {
    const RaceState& s = sys_.st;
    const LapList& laps = sys_.record.laps;
    for (int l : spuren_) {
        Team& t = teams_[TeamAufSpur(l)];
        t.Runden += laps.Laps(l);
        t.Gesamtzeit += laps.Total(l);
        if (s.spuren.BesteRunde[l] < kBesteRundeReset && laps.Laps(l) > 0 && (t.BesteRunde == 0 || s.spuren.BesteRunde[l] < t.BesteRunde))
            t.BesteRunde = s.spuren.BesteRunde[l];
        t.Fehlstarts += s.spuren.Fehlstarts[l];
        t.Strafen += s.tank.StrafenZahl[l];
    }
}

void SpurwechselRennen::SerieAbschliessen() {
    RennErgebnis e;
    e.modus = Rennart::Zeitrennen;
    e.titel = sys_.st.rennen.RennmodusText + " über " + S(gesamt_) + " Minuten, " + S(anzahl_) + " Rennen";
    for (int k = 1; k <= anzahl_; ++k) {
        const Team& t = teams_[k];
        ErgebnisZeile z;
        z.spur = spuren_[static_cast<size_t>(k - 1)];
        z.fahrer = t.Name;
        z.runden = t.Runden;
        z.gesamtzeit = t.Gesamtzeit;
        z.besteRunde = t.BesteRunde;
        if (t.BesteRunde > 0) {
            const std::string ms = std::to_string(1000 + t.BesteRunde % 1000).substr(1);
            z.besteText = S(t.BesteRunde / 1000) + "." + ms;
        }
        z.fehlstarts = t.Fehlstarts;
        z.strafen = t.Strafen;
        e.zeilen.push_back(z);
    }
    // Most laps first; equal laps: the shorter total time.
    std::stable_sort(e.zeilen.begin(), e.zeilen.end(), [](const ErgebnisZeile& a, const ErgebnisZeile& b) {
        if (a.runden != b.runden) return a.runden > b.runden;
        return a.runden != 0 && a.gesamtzeit < b.gesamtzeit;
    });
    for (size_t i = 0; i < e.zeilen.size(); ++i) e.zeilen[i].platz = static_cast<int>(i) + 1;
    ergebnis_ = e;
    beendet_ = true;
    if (const int sieger = e.SiegerSpur(); sieger != 0) {
        const Team& t = teams_[static_cast<size_t>(std::find(spuren_.begin(), spuren_.end(), sieger) - spuren_.begin()) + 1];
        Trace("series-end winner=" + S(t.Nummer) + " laps=" + S(t.Runden));
    } else {
        Trace("series-end winner=0");
    }
    ErgebnisAblegen(sys_, ergebnis_, "ZeitrennenSpurwechsel");
}

void SpurwechselRennen::SegmentEnde() {
    // A segment is counted once; a run that ends while the window still waits
    // (or without a series) adds nothing.
    if (anzahl_ == 0 || wartet_) return;
    Auswerten();
    ++fertig_;
    if (nr_ >= anzahl_) letzter_ = kTrue;
    Trace("segment-end " + S(nr_) + " of " + S(anzahl_));
    TraceTeams();
    if (letzter_ != 0) SerieAbschliessen();
    wartet_ = true;
    sys_.ui().OpenWindow(Fenster::SpwDisplay);
}

void SpurwechselRennen::Weiter() {
    if (wartet_) {
        wartet_ = false;
        // The finished segment keeps its laps and names on the lap windows
        // until the next one starts; the series' end stays until a new start.
        if (sys_.cfg.ZrMitWechsel.Wechsel == 1 && letzter_ == 0 && nr_ < anzahl_) {
            Naechster();
            sys_.windows().DisplayOutput();
            sys_.windows().RefreshStandardWindow();
        }
    }
    sys_.ui().CloseWindow(Fenster::SpwDisplay);
}

void SpurwechselRennen::VorStart() {
    if (anzahl_ == 0) return;
    if (letzter_ != 0) {
        // A new series: the teams' laps go, segment 1 is prepared.
        Init();
        return;
    }
    if (wartet_) {
        wartet_ = false;
        if (nr_ < anzahl_) Naechster();
    }
}

void SpurwechselRennen::Starten() {
    sys_.ui().CloseWindow(Fenster::SpwDisplay);
    StartRace(sys_);
}

}  // namespace zk
