#include "race/Spurwechsel.h"

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
    for (int k = 1; k <= a; ++k) teams_[k] = Team{0, static_cast<int16_t>(k), FahrerName(s, spuren_[k - 1])};
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
    for (int l : spuren_) teams_[TeamAufSpur(l)].Runden += sys_.record.laps.Laps(l);
}

void SpurwechselRennen::SegmentEnde() {
    // A segment is counted once; a run that ends while the window still waits
    // (or without a series) adds nothing.
    if (anzahl_ == 0 || wartet_) return;
    Auswerten();
    if (nr_ >= anzahl_) letzter_ = kTrue;
    Trace("segment-end " + S(nr_) + " of " + S(anzahl_));
    TraceTeams();
    wartet_ = true;
    sys_.ui().OpenWindow(Fenster::SpwDisplay);
}

void SpurwechselRennen::Weiter() {
    if (wartet_) {
        wartet_ = false;
        if (sys_.cfg.ZrMitWechsel.Wechsel == 1 && letzter_ == 0) {
            if (nr_ < anzahl_) Naechster();
            sys_.windows().ClearLapWindows();
            sys_.windows().DisplayOutput();
            sys_.windows().RefreshStandardWindow();
        }
        if (letzter_ != 0) {
            // The series is over: the race data go (with the totals), and the
            // next start drives the series again from its first segment.
            ResetRace(sys_);
            untertitel_.clear();
            Init();
            sys_.windows().DisplayOutput();
            sys_.windows().RefreshStandardWindow();
        }
    }
    sys_.ui().CloseWindow(Fenster::SpwDisplay);
}

}  // namespace zk
