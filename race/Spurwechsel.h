// The time race with automatic lane change ("Zeitrennen mit Automatischem
// Spurwechsel"): the race time is cut into one segment per active lane, every
// segment is a race of its own, and after each segment the teams move one lane
// on, so that every team drives every active lane once. The laps of each
// segment are added to the team that drove the lane.
//
// Race control reaches it through the Club interface (set-up, end of a run,
// series complete); the lane-change window and the segment window read it and
// call Weiter().
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "race/RaceResult.h"
#include "race/RaceState.h"

namespace zk {

class RaceContext;

// One team: the name it started with on its lane and its laps so far, with
// what the series' result needs of its segments.
struct Team {
    int32_t Runden = 0;
    int16_t Nummer = 0;
    std::string Name;
    int32_t Gesamtzeit = 0;  // ms over its segments
    int32_t BesteRunde = 0;  // ms; 0 = no lap yet
    int Fehlstarts = 0;
    int Strafen = 0;
};

// Shown when the lane-change race is chosen without an active lane.
extern const char* const kWechselOhneSpur;

class SpurwechselRennen {
public:
    explicit SpurwechselRennen(RaceContext& sys) : sys_(sys) {}

    // Trace of the series (replay): "segment 2 of 3", "segment-end 2 of 3",
    // "team 1 laps=12 lane=3".
    void SetTraceHook(std::function<void(const std::string&)> hook) { trace_ = std::move(hook); }

    // Set-up of the series: one segment per active lane, the first segment takes
    // the minutes that do not divide evenly; team k is named after the k-th
    // active lane; the race data are reset and the first segment is prepared
    // (countdown, names, sub-title). Without an active lane the set-up is
    // refused with a message and no series exists.
    bool Init();
    // A segment has ended (the race has ended after its after-run): its laps go
    // to the teams, and the lane-change window opens.
    void SegmentEnde();
    // Start and Close of the lane-change window: the next segment (names one
    // lane on, its countdown, the sub-title); after the last segment the race
    // data are reset and the series is prepared again from its first segment.
    // After the last segment the series' end stays shown; the next start
    // begins the series again from its first segment.
    // Does nothing but close the window while no segment has just ended.
    void Weiter();
    // The window's Start: closes it and starts the next segment (after the
    // last one: the series again from its first).
    void Starten();
    // Race control, before a start of the time race with lane change: a segment
    // that ended and was not acknowledged is acknowledged (the next segment is
    // prepared); after the series' end the series is set up again.
    void VorStart();
    // The last segment has ended and has not been acknowledged yet.
    bool SerieKomplett() const { return letzter_ != 0; }
    // The last segment has ended, acknowledged or not, and no segment started since.
    bool SerieBeendet() const { return beendet_; }
    // Segments run out so far in this series.
    int BeendeteAbschnitte() const { return fertig_; }
    // The result of the series (valid once it has ended): the teams by their
    // laps over all segments, then their total time; "Spur" is the lane the team
    // started on.
    const RennErgebnis& SerienErgebnis() const { return ergebnis_; }
    // A series is set up and the time race with lane change is the race mode.
    bool Aktiv() const;
    int WechselNr() const { return nr_; }
    int WechselAnzahl() const { return anzahl_; }
    bool WechselLetzter() const { return letzter_ != 0; }
    // A segment has ended and waits for Start/Close.
    bool Wartet() const { return wartet_; }
    int AbschnittMinuten(int k) const { return k >= 1 && k <= kLanes ? minuten_[k] : 0; }
    int GesamtMinuten() const { return gesamt_; }
    // Team k = 1 .. WechselAnzahl().
    const Team& TeamNr(int k) const { return teams_.at(k); }
    // The active lanes of the series, ascending.
    const std::vector<int>& Spuren() const { return spuren_; }
    // The team that drives `lane` in the current segment (0: none).
    int TeamAufSpur(int lane) const;
    // The name the lap windows show on `lane` while the series runs ("" when no
    // series is set up or the lane takes no part).
    std::string SpurName(int lane) const;
    // "   Rennen 2 von 3" while a series is set up, else "".
    const std::string& Untertitel() const { return untertitel_; }
    // "2 von 3" (lblRvonR).
    std::string RennenVon() const;

private:
    void Naechster();
    void Auswerten();
    void TraceTeams();
    void SerieAbschliessen();
    void Trace(const std::string& line) {
        if (trace_) trace_(line);
    }

    RaceContext& sys_;
    std::function<void(const std::string&)> trace_;
    int anzahl_ = 0;         // WechselAnzahl
    int nr_ = 0;             // WechselNr
    int16_t letzter_ = 0;    // WechselLetzter: True after the last segment's end
    bool wartet_ = false;
    int gesamt_ = 0;         // the race time divided, minutes
    std::array<int, kLanes + 1> minuten_{};  // AbschnittMinuten 1..8
    std::array<Team, kLanes + 1> teams_{};   // 1..8
    std::vector<int> spuren_;
    std::string untertitel_;
    int fertig_ = 0;
    bool beendet_ = false;
    RennErgebnis ergebnis_;
};

}  // namespace zk
