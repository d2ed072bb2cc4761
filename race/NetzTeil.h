// Lane voltages through the controllable power supply, the bus devices and the
// bus and supply options of the settings dialog.
//
// Every voltage reaches the supply through NetzteilSetzen: it shows the value in
// the race director's and the lane-voltage window's labels and queues
// 0x90 + 2 * lane, 0x40, value (three bytes) for the lane's PCF8591 converter.
// The window frmKVPower and the settings dialog call the functions below; they
// persist a changed lane voltage themselves (settings file key by key).
#pragma once

#include <cstdint>
#include <string>

#include "race/Components.h"

namespace zk {

class RaceContext;

// The supply on the two-wire bus.
class BusNetzteil final : public PowerSupply {
public:
    explicit BusNetzteil(RaceContext& sys) : sys_(sys) {}
    void NetzteilSetzen(int laneIndex0to7, uint8_t value) override;

private:
    RaceContext& sys_;
};

// Write address of lane k's converter (k = 1..8) and its control byte.
constexpr uint8_t KonverterAdresse(int lane) { return static_cast<uint8_t>(0x90 + 2 * (lane - 1)); }
constexpr uint8_t kKonverterSteuerbyte = 0x40;  // analog output on

// Volts with one decimal and the German decimal comma, at least two digits
// before it ("12,0", "09,5").
std::string VoltText(double volts);

// Recomputes SpurWert of lane 1..8 from its set voltage and sends it.
void CalcVoltDigits(RaceContext& sys, int lane);
// Shows the set voltage of lane 1..8 in the window and takes it into the
// settings; the caller writes the lane's key to the settings file.
void UpDateVoltDisp(RaceContext& sys, int lane);

// The buttons of frmKVPower. A button whose condition fails does nothing; the
// result tells whether the lane's voltage changed (the key must be written).
enum class VoltKnopf { Volt9, Volt12, Volt15, Volt18, Plus1, Plus10, Minus1, Minus10 };
bool VoltKnopfDruecken(RaceContext& sys, int lane, VoltKnopf k);
// "Alle Spuren": the lane button for lanes 1..8 in order, each with its own
// condition. Bit n of the result: lane n changed.
uint16_t AlleSpurenDruecken(RaceContext& sys, VoltKnopf k);
// chkTankOff of a lane.
void TankOffSetzen(RaceContext& sys, int lane, int16_t value);
// Loading the window: every lane is recomputed, sent and shown; unloading.
void KVPowerLaden(RaceContext& sys);
void KVPowerEntladen(RaceContext& sys);

// --- the settings dialog, frame "Netzteil" ---
// Gain 3.2: lanes above 15 V come down to 15 V (bit n of the result: lane n's
// key must be written); every lane is recomputed and sent.
uint16_t Verstaerkung32(RaceContext& sys);
void Verstaerkung51(RaceContext& sys);
// The text boxes; each returns what its box shows afterwards.
std::string MaxVoltsEingabe(RaceContext& sys, const std::string& text);
std::string KorrekturEingabe(RaceContext& sys, const std::string& text);
std::string HubEingabe(RaceContext& sys, const std::string& text);
std::string VolleVoltEingabe(RaceContext& sys, const std::string& text);
std::string SCVoltEingabe(RaceContext& sys, const std::string& text);
std::string TrockenEingabe(RaceContext& sys, const std::string& text);

// --- the settings dialog, bus group ---
// Address of output board i (0..2) for chip type t (0 none, 1 PCF8574, 2 PCF8574A).
uint8_t PcfAdresse(int board, int typ);
// List index the chip-type box of a board shows for a stored address.
int PcfTyp(uint8_t adresse);
// cmbOut1(i): stores and returns the new address of board i.
uint8_t AusgangTypWaehlen(RaceContext& sys, int board, int typ);

// What the bus group of the dialog shows after a change.
struct I2CDialog {
    bool netzteilEnabled = false, startampelEnabled = false, positionEnabled = false, tankEnabled = false;
    bool tanknetzteilEnabled = false;
    bool netzteil = false, startampel = false, position = false, tank = false, tanknetzteil = false;
    bool pinI2COutput = false;
};
// chkI2C: switches the bus on or off (off also switches every device on it off).
I2CDialog I2CAktivSetzen(RaceContext& sys, int16_t value);
// chkI2cNetzteil: on enables mnuBahnspannung, switches the serial supply off and
// sends all eight lane voltages; off disables the menu entry.
void I2CNetzteilSetzen(RaceContext& sys, int16_t value);
// The serial supply option ("RS232"): on switches the bus supply off.
void SeriellesNetzteilSetzen(RaceContext& sys, int16_t value);
void I2CStartampelSetzen(RaceContext& sys, int16_t value);
void I2CPositionsanzeigeSetzen(RaceContext& sys, int16_t value);
void I2CTankanzeigeSetzen(RaceContext& sys, int16_t value);

}  // namespace zk
