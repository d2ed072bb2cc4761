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

}  // namespace zk
