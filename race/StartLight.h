// The start-light sequence: after a start or a resume, the 100 ms cycle calls
// StartAblauf once per interval; it powers the track, lights five red pairs one
// after the other, then green (the race runs), and closes the windows. Cars that
// crossed during the red phase are punished at the next step.
#pragma once

namespace zk {

class RaceContext;

// One step of the sequence (step number sys.st.rennen.AmpelSchritt, 0..8).
void StartAblauf(RaceContext& sys);
// Punishes every lane whose Fehlstart is set: false-start lamp and lane number
// shown, penalty time set, lane power off until the penalty has run out.
void FehlstartsBestrafen(RaceContext& sys);
// btnAmpelAbbruch of either start-light window.
void AmpelAbbruch(RaceContext& sys);
// Green at once, without the start light (tests and the replay's "green"): the
// race runs and every lane's first lap is timed from now.
void GreenWithoutLight(RaceContext& sys);

// With the sensor board: the outputs race control has set (lane power from the
// port image, the start light's lamps) go to the board; the board's latch of a
// fresh green becomes the reference of the lanes still to cross the start.
// Both once per cycle.
void BoardAusgaenge(RaceContext& sys);
void BoardGruenUebernehmen(RaceContext& sys);
// Shows frmStartampel (loading it when it is not open) and, when requested,
// frmZusatzampel.
void StartampelZeigen(RaceContext& sys, bool zusatzampel);
// Closes both start-light windows.
void StartampelSchliessen(RaceContext& sys);
// All lamps dark (race reset); false-start lamps stay as they are.
void StartampelLampenAus(RaceContext& sys);

// Start-light code of the start-light board for a step: red lamps as bits 0..4,
// green as bit 5.
int StartampelCode(int step);

}  // namespace zk
