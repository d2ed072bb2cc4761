// Output of the parallel port's register images. All access is suppressed while no
// port is selected ([Lpt] "Port" 0) or the device could not be opened.
#pragma once

namespace zk {

class RaceSystem;

// Writes the data-register image LptDaten to LptBasis.
void LptDatenAusgeben(RaceSystem& sys);
// Writes the control-register image LptSteuer to LptBasis + 2.
void LptSteuerAusgeben(RaceSystem& sys);
// True when register access may be made.
bool LptZugriff(RaceSystem& sys);

}  // namespace zk
