// Teach-in of the ten inputs (lap sensors 1..8, yellow-phase button 9, chaos
// switch 10): the settings dialog arms one input, the user triggers the sensor,
// and the 100 ms pass learns the input's mask and compare value from the bit
// that changed. The dialog's buttons and indicators show view.teachCaption and
// view.teachFarbe.
#pragma once

namespace zk {

class RaceContext;

// Button btnZsaTrack(n - 1): arms input n (disarming any other), or disarms it.
void TeachInKlick(RaceContext& sys, int n);
// The 100 ms pass while the dialog shows its sensor tab: learns every armed input
// whose input word differs from the idle word, then refreshes captions and
// indicator colours.
void TeachInPass(RaceContext& sys);
// "Alle Werte löschen": every input inactive until learned again.
void TeachInReset(RaceContext& sys);
// Closing the dialog disarms the lane inputs 1..8.
void TeachInDialogGeschlossen(RaceContext& sys);

// Tab index of the sensor tab "Lichtschranken" of the settings dialog frmZSA.
inline constexpr int kZsaReiterLichtschranken = 2;

// The settings dialog frmZSA opens: its live view runs from now on, and the
// values the dialog cannot work with are replaced (no fuel per lap -> 7, empty
// tank -> 100, no refuelling speed -> 7, a reference lap below 11 ms -> 6000,
// a standstill below 500 ms -> 500, a start-light interval below 100 ms -> 100).
void ZsaOeffnen(RaceContext& sys);
// The dialog shows tab `reiter` (0-based).
void ZsaReiterGewaehlt(RaceContext& sys, int reiter);
// The dialog's 100 ms pass (from the main cycle while it is open): the
// teach-in runs only while the sensor tab is shown.
void ZsaTimerFunktionen(RaceContext& sys);
// The dialog closes: lane inputs disarmed, live view off.
void ZsaSchliessen(RaceContext& sys);

}  // namespace zk
