// The parallel port's register images and pin roles.
//
// LptDaten (data register): bits 0..3 red lamps 1..4 (pins 2..5), bits 4..9 the
// track power of lanes 1..6 (pins 6..9 for lanes 1..4; lanes 5 and 6 only on the
// relay board of the two-wire bus). With [Bahnstrom] "InvertPowerRelais" 0 a set
// relay bit means power OFF, with 1 power ON.
// LptSteuer (control register): bit 0 pin 1 (inverted: lamp on = bit clear),
// bit 1 pin 14 (SCL), bit 2 pin 16 (not inverted: lamp on = bit set), bit 3 pin 17
// (SDA). Pins 1 and 16 are lamps or inputs by the [Lpt] pin options.
//
// All register access is suppressed while no port is selected ([Lpt] "Port" 0)
// or the device could not be opened.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

class RaceContext;


// Port choice of the settings dialog (list index of cmbPPort: 0 none, 1..3).
// Choosing no port also switches the lamp and power outputs off.
void LptPortWaehlen(RaceContext& sys, int index);

// The four port check boxes store their value only while a port is selected;
// the result is what the box shows afterwards (forced to 0 without a port).
enum class LptCheck { Ampel, Bahnstrom, Chaos, Gelbphase };
int16_t LptCheckSetzen(RaceContext& sys, LptCheck box, int16_t value);

// Pin option buttons of the settings dialog. Choosing an input role writes the
// control register so that the line floats high.
enum class PinOption { Pin1Input, Pin1Rot, Pin16Input, Pin16Gruen, Pin16Rot, PinI2COutput, PinI2CInput };
void PinOptionWaehlen(RaceContext& sys, PinOption opt);

// Start-up idle levels of the lamp pins (all dark; the data image is left to the
// power procedure that follows).
void LptLampenRuhe(RaceContext& sys);

// Lamp pins, each only when the pin is configured for that lamp, each change
// followed by a control write.
void Pin16Gruen(RaceContext& sys, bool on);
void Pin16Rot(RaceContext& sys, bool on);
void Pin1Rot(RaceContext& sys, bool on);

// Sets the relay bit(s) of a lane (0 = lanes 1..6) in LptDaten by the relay
// polarity. Lanes 7 and 8 change bits that reach no output. No register write.
void LptStromBits(RaceContext& sys, int lane, bool on);

// Relay byte for the relay board: the six power bits moved down (bit 0 = lane 1).
uint8_t RelaisByte(uint16_t lptDaten);

// The sensor board's counters for the diagnostics: messages lost and garbled,
// resynchronisations, edges refused, impossible times, restarts, the clock's
// drift and the input levels (bit n-1 = input n, "1" high).
std::string SensorboardDiagnose(const RaceContext& sys);

}  // namespace zk
