// Club races (modes 3..5): the heat plan with lane rotation, the set-up of each
// heat, the end of a heat, the drivers' totals and ranking, the two-step repeat
// and the pause countdown between heats. Race control reaches it through the
// Club interface; the result window reads it and calls Weiter/Wiederholen.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "race/ClubPlan.h"
#include "race/Components.h"
#include "race/Fahrer.h"
#include "race/Spurwechsel.h"

namespace zk {

class RaceContext;

// Where the race log goes ("Logfile.txt"). The texts are complete: UTF-8, every
// line with its own ending; the writer only encodes and stores them.
class ClubProtokoll {
public:
    virtual ~ClubProtokoll() = default;
    virtual void Kopf(const std::string& /*text*/) {}   // a new club race: replaces the log
    virtual void Turn(const std::string& /*text*/) {}   // a finished heat: appended
};

// The texts of the log, built from the club race (see ClubRennen below).
std::string LogZeile(const std::string& text);     // text CR, then CR LF
std::string LogZeileLeer(const std::string& text); // text CR LF, then CR LF

// German messages of the club race.
extern const char* const kClubKeineFahrer;   // set-up with no active driver
extern const char* const kClubBeendet;       // start after the last heat

class ClubRennen : public Club {
public:
    explicit ClubRennen(RaceContext& sys) : sys_(sys) {}

    void SetProtokoll(ClubProtokoll* p) { log_ = p ? p : &noLog_; }
    // Trace of the club race (replay): "heat 1 of 5", "heatlane heat=1 lane=2
    // driver=\"Anna\"", "heatend heat=1", "rank pos=1 driver=\"Anna\" score=9001"
    // (names quoted: quote and backslash escaped, CR and LF as \r and \n).
    void SetTraceHook(std::function<void(const std::string&)> hook) { trace_ = std::move(hook); }

    // Club interface.
    void Setup() override;
    bool StartErlaubt() override;
    void HeatStart() override;
    void HeatCheck() override;
    void ResetIfComplete() override;
    void AutoStartRefresh() override;
    // The time race with lane change.
    void LaneChangeSetup() override { spurwechsel_.Init(); }
    void LaneChangeRunEnd() override { spurwechsel_.SegmentEnde(); }
    bool LaneChangeSeriesComplete() override { return spurwechsel_.SerieKomplett(); }
    void LaneChangeBeforeStart() override { spurwechsel_.VorStart(); }
    std::string HeatTitle() override;
    SpurwechselRennen* Spurwechsel() override { return &spurwechsel_; }

    // The result window's buttons: "Weiter" (hides the window, stops the pause
    // countdown, resets the repeat), "Wiederholen" (first press asks, second
    // repeats the heat just driven).
    void Weiter();
    void Wiederholen();
    // Race reset of a finished club race: drivers, plan and confirmation go.
    void ClubReset();

    // What the result window and the tests read.
    const ClubPlan& Plan() const { return plan_; }
    int Turn() const { return turn_; }
    int AnzahlRennen() const { return plan_.H; }
    bool Ende() const { return ende_ != 0; }
    int WiederholenStufe() const { return wiederholen_; }
    int64_t Gesamtzeit(int d) const { return d >= 0 && d <= kMaxClubFahrer ? gesamtzeit_[d] : 0; }
    int32_t Runden(int d) const { return d >= 0 && d <= kMaxClubFahrer ? runden_[d] : 0; }
    double Tank(int d) const { return d >= 0 && d <= kMaxClubFahrer ? tank_[d] : 0.0; }
    // Heats driver d has driven so far (a repeated heat counts once).
    int Gefahren(int d) const { return d >= 0 && d <= kMaxClubFahrer ? gefahren_[d] : 0; }
    // The standings after the heat just finished, as a table and a printable
    // page: every driver with place (none before a first heat), score and the
    // heats driven, under a title naming the heat (and a repeat) or the end.
    std::string StandCsv(const std::string& datum, const std::string& uhrzeit) const;
    std::string StandHtml(const std::string& datum, const std::string& uhrzeit) const;
    // Driver numbers in descending score order (mode 3: the longest time first).
    const std::vector<int>& Platzierung() const { return platz_; }
    // lstClubResult; ListeGeneration() counts how often it was refilled.
    const std::vector<std::string>& Liste() const { return liste_; }
    uint32_t ListeGeneration() const { return listeGen_; }
    // The driver on a lane in the heat prepared now ("" = none).
    const std::string& SpurFahrer(int lane) const { return spurFahrer_[lane]; }
    // The heat schedule's child node of a heat's slot: "Spur 3 Anna", or
    // "nicht belegt" for an empty slot.
    std::string PlanZeile(int heat, int slot) const;
    // btnRepeat's caption: "Wiederholen", "bestätigen", "na dann".
    const std::string& RepeatCaption() const { return repeatCaption_; }
    std::string Countdown() const;  // "mm:ss" of the pause
    // lblClubRaceOfRace ("Rennen 2 von 5") and lblNextRace ("Nächstes Rennen 3").
    const std::string& RennenVonText() const { return rennenVon_; }
    int NaechstesRennen() const { return naechstes_; }
    // "Nächstes Rennen 3"; after the last heat "Clubrennen beendet".
    std::string NaechstesRennenText() const {
        return ende_ != 0 ? "Clubrennen beendet" : "Nächstes Rennen " + std::to_string(naechstes_);
    }
    // The result window is to be shown: after the set-up and after each heat;
    // no more after Weiter, the abort button or the auto-start.
    bool ErgebnisSichtbar() const { return sichtbar_; }
    // The log header of the race set up now (also written by Setup when
    // [Save] Race is 1); date as "dd.mm.yyyy".
    std::string LogKopf(const std::string& datum) const;
    // The log block of the heat just finished; time of day as "hh:mm:ss".
    std::string LogTurn(const std::string& uhrzeit) const;

private:
    void ClearTotals();
    void PrepareHeat();
    void SetLanes(int column);
    void HeatEnd();
    void AddUp();
    void ListeFuellen();
    void Caption(int heat);
    void Trace(const std::string& line) {
        if (trace_) trace_(line);
    }
    std::string Name(int d) const;
    bool Zeitmodus() const;  // mode 3: scores are times
    void ListeGeaendert() { ++listeGen_; }
    std::string StandTitel() const;
    // The drivers in the order of the standings; the first `gewertet` have a place.
    std::vector<int> StandFolge(size_t& gewertet) const;
    std::string ScoreText(int d) const;
    void StandAblegen();

    RaceContext& sys_;
    ClubProtokoll noLog_;
    ClubProtokoll* log_ = &noLog_;
    std::function<void(const std::string&)> trace_;

    ClubPlan plan_;
    int turn_ = 1;
    int planSpalte_ = 1;
    int16_t ende_ = 0;
    int wiederholen_ = 0;
    int16_t wiederholungAktiv_ = 0;
    int16_t gefahreneSpalte_ = 0;  // column of the heat just finished
    bool logWiederholung_ = false;
    std::array<int64_t, kMaxClubFahrer + 1> gesamtzeit_{};
    std::array<int32_t, kMaxClubFahrer + 1> runden_{};
    std::array<double, kMaxClubFahrer + 1> tank_{};
    std::array<int16_t, kMaxClubFahrer + 1> gefahren_{};
    std::vector<int> platz_;
    std::vector<std::string> liste_;
    uint32_t listeGen_ = 0;
    std::string repeatCaption_ = "Wiederholen";
    std::string rennenVon_;
    int naechstes_ = 1;
    bool sichtbar_ = false;
    std::array<std::string, kLanes + 1> spurFahrer_{};
    SpurwechselRennen spurwechsel_{sys_};
};

}  // namespace zk
