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

// Race control's facts beyond the phase of the race record: the mode and its
// goal, the countdown, pause, safety car and start-light steps, track power.
// Owner: race control (race/RaceSequence, race/StartLight, race/RaceModes).
struct RaceControl {
    Rennart Rennmodus = Rennart::Training;
    std::string RennmodusText = "Training";
    int16_t RennRunden = 0;
    int16_t RennZeit = 0;
    int16_t RestStunden = 0, RestMinuten = 0, RestSekunden = 0;
    int16_t ZielRunden = 0;
    int32_t PauseBeginn = 0;
    int32_t PauseLetzte = 0;
    bool SafetyCar = false;
    int16_t AmpelSchritt = 0;
    bool NeustartNachPause = false;
    int16_t AmpelTakt = 0;
    bool PauseDurchChaos = false;   // True while the running pause was made by the chaos switch
    uint32_t ChaosLosGesehen = 0;  // the chaos releases (ChaosLosgelassen) race control has acted on
    uint32_t GelbGesehen = 0;      // the yellow-button press (GelbDruck) that last triggered the safety car
    LaneArray<bool> SpurStrom{};  // 1..8: track power state (True / 0)
    int32_t PauseWeiter = 0;         // AktZeit of the last resume
    int16_t RestZeitTakt = 0;        // 100 ms runs of the time-race countdown
    std::string PauseText;
    std::array<int16_t, 5> StatusLampe{};  // 1..4: status lamps of the standard window
    // A start crossing seen only after green with a time before it: a false start
    // the start light punishes at its next step (or at once after the light).
    LaneArray<bool> FehlstartNachGruen{};
    // With the sensor board: a fresh green waits for the board's latch, which
    // becomes the start lanes' reference; the latch count when green was asked.
    bool BoardGruenErwartet = false;
    uint32_t BoardGruenGesehen = 0;
    // Club auto-start: the pause countdown between heats.
    bool AutoStartScharf = false;  // armed
    int32_t PausenRest = 0;       // seconds left
};

// Per-lane results beyond the lap list (lap count, lap times and totals are the
// lap list's: RaceRecord in race/RaceRecord.h), reset with the race.
// Owner: the lap evaluation (race/RaceModes).
struct LaneResults {
    LaneArray<int32_t> LetzteDurchfahrt{};  // the reference the next lap is timed from
    LaneArray<int16_t> LetzteDurchfahrtUs{};  // its part below the millisecond (-500..499 us)
    LaneArray<int32_t> BesteRunde{};
    LaneArray<int32_t> RestRunden{};
    LaneArray<bool> SpurStromEin{};
    LaneArray<SpurSatz> SpurDaten{};
    std::array<int16_t, 5> SpurFertig{};  // 1..4: lap race ended with exactly RennRunden laps
    LaneArray<int16_t> Fehlstarts{};      // false starts punished
    LaneArray<int32_t> ZielZeit{};        // lap race: total time when the lap count was reached, 0 = not yet
};

// Fuel and pit stops. Owner: race/Fuel (TankSchritt, TankAktiv and NormrundeSek
// come from the settings and the race mode).
struct FuelState {
    LaneArray<double> TankStand{};
    LaneArray<double> TankZeit{};    // fuel value last shown
    LaneArray<bool> TankFlag{};   // penalty ran out, power not yet given back
    int32_t TankSchritt = 0;         // litres per 100 ms while refuelling
    int16_t TankAktiv = 0;
    int32_t NormrundeSek = 0;
    LaneArray<int16_t> StrafenZahl{};  // empty-tank penalties
};

// The queue of lap times to speak. Owner: race/AnsageQueue (the lap evaluation
// fills it, the announcer empties it).
struct Announcements {
    int16_t AnsageAktiv = 0;
    std::array<int32_t, 21> AnsageZeiten{};  // 1..20, lap time in ms x 10
    uint8_t AnsageAnzahl = 0;
};

// Lane voltages: values derived from the settings. Owner: race/PowerValues;
// the supply owns their effect.
struct SupplyValues {
    LaneArray<double> SpurVolt{};    // 1..8, volts
    LaneArray<uint8_t> SpurWert{};   // 1..8, converter value of the set voltage
    int32_t VoltFaktor = 16;         // converter steps per volt
    double HubWert = 0.0;            // fuel swing in converter steps
    uint8_t SCWert = 0;              // safety-car voltage as converter value
    uint8_t TrockenWert = 0;         // dry-running voltage as converter value
    std::array<int16_t, 101> TankAbzug{};  // reduction by fill level 0..100 percent
    LaneArray<int16_t> TankAus{};    // 1..8: fuel-dependent voltage off ("chkTankOff")
};

// The serial line to the display boards. Owner: race/RS232.
struct SerialState {
    std::string SerialText;
    bool ComOffen = false;
    std::array<int16_t, 21> ComStatus{};  // 1..20: ComBefund of the last port scan, 3 = opened here
    int32_t SerialVerworfen = 0;          // messages dropped because the output buffer was full
    bool SerialGetrennt = false;           // the device went away while open (until it is reopened)
    // Options the failed start-up opening switched off for this run only; they
    // are stored as they were unless changed meanwhile (ComOptionenMerken != 0).
    bool ComOptionenMerken = false;
    std::array<int16_t, 6> ComOptionenVorher{};  // AZT 1Aktiv..4Aktiv, TAZ LED, TNT_MC Aktiv
};

// Sensor teach-in of the settings dialog. Owner: race/TeachIn.
struct TeachState {
    std::array<int16_t, 11> TeachAktiv{};  // 1..10: input waits to be learned
    uint16_t TeachRuhewert = 0;            // Eingang when the teach-in was armed
};

// Who drives: the club's active drivers and the name of each lane.
// Owner: the driver selection and the club race (race/FahrerAuswahl, race/ClubRennen).
struct DriverNames {
    // Active-driver list of the next club race: ClubFahrer[1..AnzahlClubFahrer].
    std::array<std::string, 102> ClubFahrer{};
    int16_t AnzahlClubFahrer = 0;
    bool FahrerBestaetigt = false;  // True once at least two active drivers were confirmed
    // Driver name of each lane 1..8: chosen in the driver selection, "TEAM n",
    // or the driver of the club heat on that lane; empty shows as "Fahrer n".
    LaneArray<std::string> SpurFahrer{};
    bool SpurNamenGesetzt = false;  // True once the driver selection has set the names
    // The team driving each lane in the time race with lane change (it moves one
    // lane on each segment); empty outside that race.
    LaneArray<std::string> SpurTeam{};
};

// Which windows are open and what they keep between runs. Owner: the windows
// (ui/WindowRegistry); the settings file reads and writes them (settings/IniFileIO).
struct WindowFlags {
    std::array<int16_t, 11> FensterOffen{};  // open-window flags by window number 0..10 (WindowNo), True = open
    std::array<int16_t, 3> FensterOffen2{};  // 0 = lane-change display, 1 = club result, 2 = port simulator
    int16_t SaveWindowSettings = 0;          // 1 = [WindowPositions] is written with all settings
    bool SimMaskenAktiv = false;              // 1 = the port simulator has replaced masks and limits
    int16_t SpeicherFortschritt = 0;         // progress of the running save in percent (frmSaveDisplay)
    bool BahnspannungMenuEin = false;         // menu entry of the lane-voltage window enabled (True/0)
    bool ZsaOffen = false;
    int16_t ZsaReiter = 0;  // tab the settings dialog shows (2 = "Lichtschranken")
    bool KVPowerOffen = false;
};

// The 100 ms cycle's own bookkeeping and the outputs it switches on.
// Owner: the cycle (system/RaceSystem).
struct CycleState {
    int16_t AuswertungBelegt = 0;
    int32_t AuswertungUeberlauf = 0;
    std::string Uhrzeit;
    int16_t UhrSekunde = 0;
    int16_t UhrSekundeAlt = 0;
    bool SekundeNeu = false;
    int16_t AnzahlAktiveSpuren = 0;
    LaneArray<int16_t> SpurAktivGespeichert{};
    int16_t AnlaufZaehler = 0;
    bool InterneZeitmessung = false;
    bool ExcelLive = false;
    int16_t RLMeldung = 0;
    bool ExcelAufzeichnung = false;
};

// The UI thread's race state, one part per owner, on top of the words the tick
// shares. Each part is written by its owner; the others read it.
struct RaceState : TickState {
    RaceControl rennen;
    LaneResults spuren;
    FuelState tank;
    Announcements ansage;
    SupplyValues spannung;
    SerialState seriell;
    TeachState anlernen;
    DriverNames fahrer;
    WindowFlags fenster;
    CycleState zyklus;
};

class RaceContext;
// Brings every lane to its reset values at program start: the lane records,
// the lap list and the phase; the tick resets its own words on request.
void ResetLaneState(RaceContext& sys, double tankinhalt);

}  // namespace zk
