// The serial channel to the display boards ("B" commands), the LED fuel gauges
// ("C"), the position display ("b") and the power module ("A"): port scan and
// list, opening and closing, the gated sender, the board options of the
// settings dialog and the buttons of its serial tab. The settings dialog and the
// main window call these; no widget is touched here. UI thread only.
#pragma once

#include <string>
#include <vector>

#include "race/Race.h"

namespace zk {

// Caption of the message boxes of this module.
inline constexpr const char* kSerialCaption = "Zirkato";
// "Port COM3 konnte nicht geöffnet werden (gebraucht für: Tankanzeigen):
// /dev/ttyS2: Permission denied": with the options that use the line
// (`wofuer`) and the reason (`grund`), each left out when empty.
std::string ComFehlerText(int com, const std::string& grund = {}, const std::string& wofuer = {});
// The options that are on and use the serial line, for a person: "Anzeigetafeln,
// Tankanzeigen"; empty when none does.
std::string ComBrauchtFuer(const Settings& cfg);
// Status line when the device goes away while open.
std::string ComGetrenntText(int com);

// Sends SerialText if the port is open; with the old board a leading "B" goes
// out as "P". A full output buffer drops the message (counted in
// SerialVerworfen); a device that has gone closes the port with one status line.
void SerialSenden(RaceContext& sys);

// Opens COM [RS232] "COM" unless open; on failure the message box. If the port
// is still closed afterwards, the options that need it are switched off: fuel
// gauges, power module, board #1 and with it the boards above. True when open.
bool ComOeffnen(RaceContext& sys);
// Closes the port (never fails).
void ComSchliessen(RaceContext& sys);

// Scans COM1..COM16 into ComStatus: 1 held by another program, 2 free, 0 not
// there; the one this program holds stays 3.
void ComSuchen(RaceContext& sys);
// The port list "Schnittstellenliste aktualisieren": scan, then one entry per
// known port; `auswahl` is the index of the port this program holds, or -1.
struct ComListe {
    std::vector<std::string> eintraege;  // "COM1 (Frei)", "COM2 (Bereits Belegt)", "COM3 (AZT - TNT - TAZ)"
    std::vector<int> ports;              // the COM number of each entry
    int auswahl = -1;
};
ComListe ActComs(RaceContext& sys);

// Start-up, after the settings are read: ComOffen := False; when an option uses
// the serial line, open the port once (options that need it go off for this run
// when it fails), then the board start sequence if board #1 is on. Without such
// an option the port stays closed until an option or a port is chosen.
void ComProgrammStart(RaceContext& sys);
// Program end: if the port is open, the sequence "B2", "B1" + time, "B5", then
// close. Options switched off only by the failed start-up opening are stored as
// they were.
void ComProgrammEnde(RaceContext& sys);
// "B2", "B1" + time of day, "B5" (each + CR).
void AztStartsequenz(RaceContext& sys);

// --- settings dialog, serial tab ---

// txtComport: 1..20, anything else 1.
int16_t ComPortAusText(const std::string& text);
// A port chosen in the list (or typed): the open port is closed and the chosen
// one opened, also the same one again after its adapter was plugged back in.
void ComPortWaehlen(RaceContext& sys, int com);
// chkAZT_aktiv(index), index 0..3 for boards #1..#4. Board #1 on opens the port
// and sends the start sequence; off clears the boards above and, unless another
// option still needs it, closes the port and clears the display options. A board
// needs the one below it; with the old board none can be chosen.
void AztAktivSetzen(RaceContext& sys, int index, int16_t value);
// Whether the board checkboxes can be used (not with the old board).
bool AztTafelnWaehlbar(const Settings& cfg);
// The display options; laps, time and position exclude each other, the clock
// is independent.
enum class AztAnzeige { Laps, Time, Position, Uhr };
void AztAnzeigeSetzen(RaceContext& sys, AztAnzeige which, int16_t value);
// chkAZT_Alt: the old board; on clears boards #1..#4 and opens the port.
void AlteAztSetzen(RaceContext& sys, int16_t value);
// chkTnkAnz: fuel gauges; on opens the port, off again if that fails.
void TankAnzeigeSetzen(RaceContext& sys, int16_t value);
// chkRs232Netzteil: power module; same as the fuel gauges.
void LeistungsmodulSetzen(RaceContext& sys, int16_t value);

// Buttons; each sends only while the port is open.
void FwVersionZeigen(RaceContext& sys);      // btnVersion "FW Version zeigen": "B4"
void MaximalerStrom(RaceContext& sys);       // Command4 "Maximaler Strom": "BD88888".."BK88888"
void SpurzuordnungZeigen(RaceContext& sys);  // btnTestAZT: "BDSPUR1".."BKSPUR8"
void BannerZeigen(RaceContext& sys);         // banner: "BDZIRK:", "BEATO::", "BFFOR::", "BGEUER:"
// btnTazEin / btnTazAus / btnBlink, with the fuel gauges on.
void TankAnzeigenAlleEin(RaceContext& sys);
void TankAnzeigenAlleAus(RaceContext& sys);
void TankAnzeigenBlinken(RaceContext& sys);

// From the 100 ms cycle after the display output: the leader's lap count when
// the leader has just completed a lap, and the first four positions when any
// lane has.
void PositionsanzeigeSenden(RaceContext& sys);

}  // namespace zk
