// The race director's desk (frmRennleitung) as far as it is race logic: the
// lines of its running list, the lap corrections, the best-lap reset and the
// lane voltage steps. The window renders and calls these; the running list
// itself lives behind the DirectorList component.
#pragma once

#include <string>

namespace zk {

class RaceContext;
struct RaceState;

// The running list line of the lap just evaluated on `lane`:
// "Spur 1 R.0003 - 5.123  Zeit 00000017,470 Sprit 97.50".
std::string DirectorLapLine(const RaceState& s, int lane);

// 100 ms cycle, after the display output: one running-list line per lane with a
// lap evaluated in this cycle. Only while the desk is loaded.
void DirectorLapLines(RaceContext& sys);

// Plus(i) / Minus1(i): one lap more or less for `lane` (delta +1 or -1), with
// its running-list line and, while laps are recorded, a correction record
// (lane, new count, time 0). A lane at 0 laps keeps 0: the list says so and
// nothing is recorded. Returns the lap count afterwards.
int32_t LapCorrection(RaceContext& sys, int lane, int delta);

// Reset(i): the lane's best lap is forgotten (the next lap is a new best).
void ResetBestLap(RaceContext& sys, int lane);

// VPlus(i) / VMinus(i): the lane's set voltage 0.1 V up (only while it stays
// within [KVPowerSetup] "MaxVoltage") or down (only while it is above 0.1 V);
// the new converter value goes to the power supply. Returns false when the
// voltage was at its limit and nothing changed.
bool LaneVoltageStep(RaceContext& sys, int lane, bool up);

// What the desk shows: the race-mode text, and the fuel load of `lane` as its
// voltage reduction in volts.
std::string DirectorModeText(const RaceContext& sys);
double DirectorFuelVolts(const RaceState& s, int lane);

}  // namespace zk
