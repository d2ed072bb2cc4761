// Race commands: every window's race buttons and keys call these and nothing else.
// Lane arguments: 1..8, 0 = all lanes.
//
// The windows render what these commands leave in sys.st (race flags, lane
// records, countdown, SpurStrom for the power lamps of the race director,
// SpurFertig/StatusLampe for the standard window) and sys.view (button sets,
// start-light lamps, captions, window flags).
#pragma once

namespace zk {

class RaceSystem;

void StartRace(RaceSystem& sys);
void StopRace(RaceSystem& sys);
void EndRace(RaceSystem& sys);
void ResetRace(RaceSystem& sys);
void PauseRace(RaceSystem& sys);
void ResumeRace(RaceSystem& sys);
void ToggleSafetyCar(RaceSystem& sys);
void PowerOn(RaceSystem& sys, int lane);
void PowerOff(RaceSystem& sys, int lane);
// Keyboard and push-button poll; key 0 = no key pressed (the 100 ms poll).
void PollRaceKeys(RaceSystem& sys, char key);

// PowerBtn(Index) of a lap window: toggles lane Index + 1.
void PowerBtn(RaceSystem& sys, int index);
// PowerAll of the standard window: power on for all lanes.
void PowerAll(RaceSystem& sys);
// btnSafetyCar: toggles the safety car while the race runs.
void SafetyCarButton(RaceSystem& sys);
// Key press in frmZeit4Spur or frmRennleitung: the poll, then "S" starts a race
// when none runs and "T" stops a running one. The other lap windows call
// PollRaceKeys alone.
void StandardWindowKey(RaceSystem& sys, char key);
// bntZmClose of a lap window: closing the last open lap window stops the race.
// The window unloads itself afterwards.
void LapWindowCloseButton(RaceSystem& sys);

// Button sets of every lap window and of the race director (sys.view.buttons).
void SetButtonsRunning(RaceSystem& sys);
void SetButtonsPaused(RaceSystem& sys);
void SetButtonsStopped(RaceSystem& sys);

// The race-end check of the 100 ms cycle (only while the race runs).
void CheckRaceEnd(RaceSystem& sys);
// Main-loop start-up step (second cycle): lane voltages and fuel gauges.
void AnlaufSenden(RaceSystem& sys);
// Race control's share of program start-up: fuel constants, mode set-up, track
// power on, idle lamps, safety car off (which sets the normal voltages).
void InitRaceControl(RaceSystem& sys);

}  // namespace zk
