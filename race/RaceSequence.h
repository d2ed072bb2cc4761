// Race commands: every window's race buttons and keys call these and nothing else.
// Lane arguments: 1..8, 0 = all lanes.
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

}  // namespace zk
