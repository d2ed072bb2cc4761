// Values the power supply works with, derived from the [KVPowerSetup] and
// [Tankoption] settings: converter steps per volt, each lane's converter value,
// the fuel swing, the safety-car and dry-running values and the table of
// reductions by fill level. They live only in memory and follow the settings
// whenever these are read or changed.
#pragma once

#include <cstdint>

namespace zk {

class RaceContext;
struct RaceState;

// Converter value of a lane voltage: (korrektur / 1000 + volts) x faktor, rounded
// halves to even and limited to 0..255.
uint8_t ConverterValue(double volts, int16_t korrekturMv, int32_t voltFaktor);

// Rebuilds TankAbzug[0..100] from HubWert and the full-voltage fill level: 0 up
// to `volleVolt` percent, then rising linearly to HubWert at 100 percent.
void RebuildTankAbzug(RaceState& st, int volleVolt);

// Everything above from sys.cfg into sys.st: VoltFaktor (16 with Gain1, else 10
// with Gain2, else unchanged), SpurVolt and SpurWert of lanes 1..8, HubWert,
// SCWert, TrockenWert and TankAbzug. Byte values outside 0..255 are limited to
// that range.
void DerivePowerValues(RaceContext& sys);

}  // namespace zk
