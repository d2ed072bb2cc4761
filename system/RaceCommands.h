// Everything a window may change in the race system, one named command each.
//
// Windows read the race system through a const reference; when a button, box
// or field changes something, they call a method here. Each method is a thin
// call into race control, the settings or a component: the rules stay in
// race/ and system/, and a window cannot write a race fact, a setting or a
// tick word by itself. The race buttons (start, stop, pause, keys) have their
// own command class in the windows' layer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "race/Fahrer.h"
#include "race/FahrerAuswahl.h"
#include "race/NetzTeil.h"
#include "race/RS232.h"
#include "race/ZsaOptionen.h"

namespace zk {

class RaceSystem;

class RaceCommands {
public:
    explicit RaceCommands(RaceSystem& sys) : sys_(sys) {}

    // Race director: lap count +1/-1 (returns the new count), best lap reset,
    // a lane's voltage one step up or down (true when it changed), the
    // running list emptied, and saved when the window closes.
    int32_t LapCorrection(int lane, int delta);
    void ResetBestLap(int lane);
    bool LaneVoltageStep(int lane, bool up);
    void DeskClear();
    void DeskUnloaded();

    // Drivers: the club list confirmed, lane names and lane-change team names set.
    void FahrerBestaetigen(const FahrerListen& l);
    void SpurNamenSetzen(const SpurNamenListe& namen);
    void TeamNamenSetzen();

    // Power supply window.
    void TankOffSetzen(int lane, int16_t value);
    void KVPowerLaden();
    void KVPowerEntladen();
    uint16_t AlleSpurenDruecken(VoltKnopf k);
    bool VoltKnopfDruecken(int lane, VoltKnopf k);

    // Settings dialog: opening, closing, its controls by name, the tab chosen,
    // its periodic refresh, the race-length captions after it closed.
    void ZsaOeffnen();
    void ZsaSchliessen();
    ZsaFolge ZsaCheckSetzen(std::string_view box, int16_t value);
    std::string ZsaTextEingabe(std::string_view feld, const std::string& text);
    ZsaFolge ZsaOptionWaehlen(std::string_view option);
    void ZsaListeWaehlen(std::string_view liste, int index);
    void ZsaFarbeSetzen(int knopf, Rgb farbe);
    void ZsaReiterGewaehlt(int reiter);
    void ZsaTimerFunktionen();
    void UpdateLapTimeSettings();
    // Sensor teach-in: one input's button, all learned values cleared.
    void TeachInKlick(int n);
    void TeachInReset();
    // Where the sensors are wired (port or USB board) and
    // the board's device; an empty device name means "auto" (found by its hello).
    void SensorenAmBoard(bool board);
    void SensorboardSetzen(const std::string& geraet);
    // Applies the chosen source at once on an idle track, or after the race;
    // returns the line to show the user (empty: nothing changed).
    std::string SensorQuelleAnwenden();

    // Serial line to the display boards: the ports scanned (fills their state)
    // and listed, one chosen, and the test buttons of the boards.
    ComListe ActComs();
    void ComPortWaehlen(int com);
    void FwVersionZeigen();
    void MaximalerStrom();
    void SpurzuordnungZeigen();
    void BannerZeigen();
    void TankAnzeigenAlleEin();
    void TankAnzeigenAlleAus();
    void TankAnzeigenBlinken();

    // The spectators' live pages ([Web]); the program applies them after the cycle.
    void WebAktivSetzen(bool on);
    void WebNurLokalSetzen(bool on);
    void WebPortSetzen(int port);

    // A sound file chosen for slot `slot` of [SoundFiles].
    void SoundDateiSetzen(int slot, const std::string& datei);

    // Port test window: the simulator on and off (off restores the learned
    // sensor values), the register bits toggled and written, the sweep.
    void SimulationStarten();
    void SimulationBeenden();
    void DatenBitUmschalten(int bit);
    void SteuerBitUmschalten(int bit);
    void SimWechselnSetzen(bool on);
    void AskSimSweep(bool on);
    void SimVerdrahtungSetzen(bool on);
    void SimSweepTakt(bool automatischZaehlen);
    // Port simulation window: inputs held by hand, the automatic cars, refuelling.
    void EingangErzwingen(int n, bool active);
    void AutoAusSetzen(bool aus);
    void AutoSimulationLaden();
    void AutoPeriodeSetzen(int lane, double ms);
    void AutoSimulationSchritt();
    void AutoSimulationLeeren();
    // Fills lane `lane`'s tank to `stand`, never above what it holds nor below empty.
    void TankStandSetzen(int lane, double stand);

    // The lane-change series' window: next segment, or the series started.
    void SpwWeiter();
    void SpwStarten();

private:
    RaceSystem& sys_;
};

}  // namespace zk
