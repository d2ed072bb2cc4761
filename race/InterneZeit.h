// The 100 ms lap evaluation: turns registered crossings into reaction times and
// laps, and drives the rest of the 100 ms cycle.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

class RaceContext;
struct RaceState;

// One 100 ms cycle of race processing (called by the main loop only).
void ProcessRaceTick(RaceContext& sys);
void EvaluateLaps(RaceContext& sys);

// A race or pause time as "m:s:mmm" (83042 ms -> "1:23:042").
std::string FormatRaceTime(double ms);

// The main loop's 100 ms step: ProcessRaceTick, the start-up counter, the
// keyboard and input poll with no key pressed.
void MainLoopCycle(RaceContext& sys);

}  // namespace zk
