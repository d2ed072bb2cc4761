// Lap timing of a club heat (race mode 3): a lane stops being timed once it has
// driven the heat's target laps, and is switched off and taken out of the heat.
#pragma once

namespace zk {

class RaceContext;

// Computes RestRunden, Rundenzeit and Gesamtzeit for a club-heat lap of `lane`.
// With more laps than the target nothing is computed (the previous lap time stays).
void ClubLapTime(RaceContext& sys, int lane);

}  // namespace zk
