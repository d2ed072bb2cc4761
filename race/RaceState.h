// The shared race state: sensor configuration, race phase, per-lane acquisition
// and result arrays, and the lane records that windows, displays and logs read.
//
// Lanes are numbered 1..8. Arrays marked "0..8" have nine elements of which
// element 0 carries no lane; arrays marked "1-based" are also sized nine (or
// eleven for the ten inputs) and element 0 is never used. Flags follow the rule
// stated in tick/TickState.h: set when not 0, settings options on when 1.
//
// The words the 1 ms tick shares are the TickState this state is built on (see
// tick/TickState.h for who writes which). Everything declared here belongs to the
// UI thread alone: the 100 ms cycle, race control and the windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tick/TickState.h"

namespace zk {

constexpr int32_t kBesteRundeReset = 300000;

// Race modes (menu "Zeitmessung").
enum class Rennart : int16_t {
    Training = 0,
    Rundenrennen = 1,
    Zeitrennen = 2,
    Clubrennen = 3,
    ClubRundenRennen = 4,
    ClubZeitRennen = 5,
};
constexpr bool IstClubrennen(Rennart m) { return m >= Rennart::Clubrennen; }

// Lane record: the summary of one lane's race.
struct SpurSatz {
    uint8_t Spur = 0;
    int32_t Runden = 0;
    double Zeit = 0.0;  // last lap, seconds
    std::string SekText;
    std::string MsText;
    int16_t NeueBestzeit = 0;
    int16_t NeueRunde = 0;
    double Tank = 0.0;
    int32_t Farbe = kRgbGruen;
    double Verbrauch = 0.0;
    int32_t Strafe = 0;
    int32_t Durchfahrt = 0;
    uint8_t Platz = 0;
    uint8_t SpurAufPlatz = 0;
    int32_t Gesamtzeit = 0;
    int16_t Tankt = 0;
};

struct RaceState : TickState {
    // --- race phase ---
    Rennart Rennmodus = Rennart::Training;
    std::string RennmodusText = "Training";
    int16_t RennRunden = 0;
    int16_t RennZeit = 0;
    int16_t RestStunden = 0, RestMinuten = 0, RestSekunden = 0;
    int16_t ZielRunden = 0;
    int32_t PauseBeginn = 0;
    int32_t PauseLetzte = 0;
    int16_t SafetyCar = 0;
    int16_t AmpelSchritt = 0;
    int16_t NeustartNachPause = 0;
    int16_t AmpelTakt = 0;
    int16_t PauseDurchChaos = 0;  // True while the running pause was made by the chaos switch
    uint32_t ChaosLosGesehen = 0;  // the chaos releases (ChaosLosgelassen) race control has acted on
    uint32_t GelbGesehen = 0;      // the yellow-button press (GelbDruck) that last triggered the safety car

    // --- per-lane results (lap count, lap times and totals are the lap list's:
    // RaceRecord in race/RaceRecord.h) ---
    LaneArray<int32_t> LetzteDurchfahrt{};  // the reference the next lap is timed from
    LaneArray<int32_t> BesteRunde{};
    LaneArray<int32_t> RestRunden{};
    LaneArray<double> TankStand{};
    LaneArray<int16_t> SpurStromEin{};

    LaneArray<SpurSatz> SpurDaten{};

    // --- announcement queue (lap evaluation -> spoken lap times) ---
    int16_t AnsageAktiv = 0;
    std::array<int32_t, 21> AnsageZeiten{};  // 1..20, lap time in ms x 10
    uint8_t AnsageAnzahl = 0;

    // --- other shared items ---
    int16_t InterneZeitmessung = 0;
    int16_t ExcelLive = 0;
    int16_t RLMeldung = 0;
    int16_t ExcelAufzeichnung = 0;
    std::string SerialText;
    // --- sensor teach-in (settings dialog, UI thread) ---
    std::array<int16_t, 11> TeachAktiv{};  // 1..10: input waits to be learned
    uint16_t TeachRuhewert = 0;            // Eingang when the teach-in was armed

    // --- race sequence (UI thread) ---
    LaneArray<int16_t> SpurStrom{};  // 1..8: track power state (True / 0)
    int32_t PauseWeiter = 0;         // AktZeit of the last resume
    int16_t RestZeitTakt = 0;        // 100 ms runs of the time-race countdown
    std::array<int16_t, 5> SpurFertig{};   // 1..4: lap race ended with exactly RennRunden laps
    std::array<int16_t, 5> StatusLampe{};  // 1..4: status lamps of the standard window

    // --- fuel (UI thread) ---
    LaneArray<double> TankZeit{};    // fuel value last shown
    LaneArray<int16_t> TankFlag{};   // penalty ran out, power not yet given back
    int32_t TankSchritt = 0;         // litres per 100 ms while refuelling

    // --- lap evaluation working state (UI thread) ---
    std::string PauseText;
    int16_t AuswertungBelegt = 0;
    int32_t AuswertungUeberlauf = 0;
    std::string Uhrzeit;
    int16_t UhrSekunde = 0;
    int16_t UhrSekundeAlt = 0;
    int16_t SekundeNeu = 0;
    int16_t ZsaOffen = 0;
    int16_t ZsaReiter = 0;  // tab the settings dialog shows (2 = "Lichtschranken")
    int16_t TankAktiv = 0;
    int32_t NormrundeSek = 0;

    // --- club auto-start (pause countdown between heats) ---
    int16_t AutoStartScharf = 0;  // armed
    int32_t PausenRest = 0;       // seconds left

    // --- lane voltages (values derived from the settings; the supply owns their effect) ---
    LaneArray<double> SpurVolt{};    // 1..8, volts
    LaneArray<uint8_t> SpurWert{};   // 1..8, converter value of the set voltage
    int32_t VoltFaktor = 16;         // converter steps per volt
    double HubWert = 0.0;            // fuel swing in converter steps
    uint8_t SCWert = 0;              // safety-car voltage as converter value
    uint8_t TrockenWert = 0;         // dry-running voltage as converter value
    std::array<int16_t, 101> TankAbzug{};  // reduction by fill level 0..100 percent
    LaneArray<int16_t> TankAus{};    // 1..8: fuel-dependent voltage off ("chkTankOff")
    int16_t KVPowerOffen = 0;

    // --- start-up and main loop ---
    int16_t AnzahlAktiveSpuren = 0;
    LaneArray<int16_t> SpurAktivGespeichert{};
    int16_t ComOffen = 0;
    // --- serial line (UI thread, race/RS232.cpp) ---
    std::array<int16_t, 21> ComStatus{};  // 1..20: ComBefund of the last port scan, 3 = opened here
    int32_t SerialVerworfen = 0;          // messages dropped because the output buffer was full
    int16_t SerialGetrennt = 0;           // the device went away while open (until it is reopened)
    // Options the failed start-up opening switched off for this run only; they
    // are stored as they were unless changed meanwhile (ComOptionenMerken != 0).
    int16_t ComOptionenMerken = 0;
    std::array<int16_t, 6> ComOptionenVorher{};  // AZT 1Aktiv..4Aktiv, TAZ LED, TNT_MC Aktiv
    int16_t AnlaufZaehler = 0;

    // --- windows and the settings file (read and written by settings/IniFileIO) ---
    std::array<int16_t, 11> FensterOffen{};  // open-window flags by window number 0..10 (WindowNo), True = open
    std::array<int16_t, 3> FensterOffen2{};  // 0 = lane-change display, 1 = club result, 2 = port simulator
    int16_t SaveWindowSettings = 0;          // 1 = [WindowPositions] is written with all settings
    int16_t SimMaskenAktiv = 0;              // 1 = the port simulator has replaced masks and limits
    int16_t SpeicherFortschritt = 0;         // progress of the running save in percent (frmSaveDisplay)
    int16_t BahnspannungMenuEin = 0;         // menu entry of the lane-voltage window enabled (True/0)
    // Active-driver list of the next club race: ClubFahrer[1..AnzahlClubFahrer].
    std::array<std::string, 102> ClubFahrer{};
    int16_t AnzahlClubFahrer = 0;
    int16_t FahrerBestaetigt = 0;  // True once at least two active drivers were confirmed
    // Driver name of each lane 1..8: chosen in the driver selection, "TEAM n",
    // or the driver of the club heat on that lane; empty shows as "Fahrer n".
    LaneArray<std::string> SpurFahrer{};
    int16_t SpurNamenGesetzt = 0;
    // The team driving each lane in the time race with lane change (it moves one
    // lane on each segment); empty outside that race.
    LaneArray<std::string> SpurTeam{};  // True once the driver selection has set the names

    // A start crossing seen only after green with a time before it: a false start
    // the start light punishes at its next step (or at once after the light).
    LaneArray<bool> FehlstartNachGruen{};
    // With the sensor board: a fresh green waits for the board's latch, which
    // becomes the start lanes' reference; the latch count when green was asked.
    bool BoardGruenErwartet = false;
    uint32_t BoardGruenGesehen = 0;

    // --- what the race result keeps beyond the lane records (reset with the race) ---
    LaneArray<int16_t> Fehlstarts{};     // false starts punished
    LaneArray<int16_t> StrafenZahl{};    // empty-tank penalties
    LaneArray<int32_t> ZielZeit{};       // lap race: total time when the lap count was reached, 0 = not yet
};

class RaceContext;
// Brings every lane to its reset values at program start: the lane records,
// the lap list and the phase; the tick resets its own words on request.
void ResetLaneState(RaceContext& sys, double tankinhalt);

}  // namespace zk
