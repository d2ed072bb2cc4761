// Fuel simulation: constants for the race, the refuelling, penalty and display
// step that runs every 100 ms while the race runs, and the lane voltages that
// follow the fuel load. (The per-lap consumption is part of the lap evaluation.)
//
// Every voltage value is kept within 0 .. the lane's set value and every fill
// level used as a table index within 0 .. 100, so that an overfull tank or a
// reduction larger than the set voltage can never wrap to a high voltage.
#pragma once

#include <cstdint>

namespace zk {

class RaceContext;

// TankSchritt, TankAktiv and NormrundeSek from the settings and the race mode.
void PrepareFuel(RaceContext& sys);

// Refuelling, penalties (false start, empty tank), fuel colours and window refresh.
void FuelStep(RaceContext& sys);

// Start value: set value less the fill fraction of the full fuel swing.
uint8_t FuelStartWert(const RaceContext& sys, int lane);
// Table value: set value less the table reduction at the given fill level.
uint8_t FuelTabellenWert(const RaceContext& sys, int lane, double fuellstand);
// Dry-running value with an empty tank.
uint8_t FuelTrockenWert(const RaceContext& sys, int lane);

// Fuel-bar colour of a fill level in litres: green from 35, yellow from 20, red.
int32_t FuelFarbe(double tankStand);

// Fuel gauge of the "I2C Tankanzeige" option (travels over the serial line; not
// in training).
void TankanzeigeSenden(RaceContext& sys, int lane);

}  // namespace zk
