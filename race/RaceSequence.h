// Race commands: every window's race buttons and keys call these and nothing else.
// Lane arguments: 1..8, 0 = all lanes.
//
// The windows render what these commands leave in sys.st (race flags, lane
// records, countdown, SpurStrom for the power lamps of the race director,
// SpurFertig/StatusLampe for the standard window) and sys.view (button sets,
// start-light lamps, captions, window flags).
#pragma once

#include "race/RaceRecord.h"
#include "tick/TickState.h"

namespace zk {

class RaceContext;
struct RaceState;

// The race phase: changed here and nowhere else. Sets the phase flags the tick
// reads (StartPhase, RennenLaeuft, Pause) from the phase and whether the start
// light runs.
enum class Ampel { Keep, On, Off };
void SetPhase(RaceContext& sys, RacePhase phase, Ampel light = Ampel::Keep);
// Asks the tick to start or stop the after-run (or to follow a changed Nachzeit).
void AskAfterRun(RaceContext& sys, NachlaufWunsch w);
// True once the after-run race control asked for has run out.
bool AfterRunOver(const RaceContext& sys);
// Asks the tick to reset every lane's acquisition at its next tick.
void AskLaneReset(RaceContext& sys);

// Start is ignored unless the track is idle (RaceRecord::CanStart).
void StartRace(RaceContext& sys);
// Stop by hand (button, T key, closing the last lap window, program end): a
// race not yet decided ends as aborted (RaceRecord::lastEnd).
void StopRace(RaceContext& sys);
// The race's own end (after-run over, heat over): it ends as finished.
void EndRace(RaceContext& sys);
void ResetRace(RaceContext& sys);
void PauseRace(RaceContext& sys);
void ResumeRace(RaceContext& sys);
void ToggleSafetyCar(RaceContext& sys);
void PowerOn(RaceContext& sys, int lane);
void PowerOff(RaceContext& sys, int lane);
// Keyboard and push-button poll; key 0 = no key pressed (the 100 ms poll).
void PollRaceKeys(RaceContext& sys, char key);

// PowerBtn(Index) of a lap window: toggles lane Index + 1.
void PowerBtn(RaceContext& sys, int index);
// PowerAll of the standard window: power on for all lanes.
void PowerAll(RaceContext& sys);
// btnSafetyCar: toggles the safety car while the race runs.
void SafetyCarButton(RaceContext& sys);
// Key press in frmZeit4Spur or frmRennleitung: the poll, then "S" starts a race
// when none runs and "T" stops a running one. The other lap windows call
// PollRaceKeys alone.
void StandardWindowKey(RaceContext& sys, char key);
// bntZmClose of a lap window: closing the last open lap window stops the race.
// The window unloads itself afterwards.
void LapWindowCloseButton(RaceContext& sys);

// Button sets of every lap window and of the race director (sys.view.buttons).
void SetButtonsRunning(RaceContext& sys);
void SetButtonsPaused(RaceContext& sys);
void SetButtonsStopped(RaceContext& sys);

// The race end is reached: the after-run starts (power off is the caller's).
void StartAfterRun(RaceContext& sys);
// The race-end check of the 100 ms cycle (only while the race runs).
void CheckRaceEnd(RaceContext& sys);
// One second off the race countdown (hours, minutes, seconds), never below zero hours.
void RestzeitSekundeAb(RaceState& s);
// Main-loop start-up step (second cycle): lane voltages and fuel gauges.
void AnlaufSenden(RaceContext& sys);
// Race control's share of program start-up: fuel constants, mode set-up, track
// power on, idle lamps, safety car off (which sets the normal voltages).
void InitRaceControl(RaceContext& sys);

}  // namespace zk
