// The 1 ms tick: takes the time, reads the port's input lines, follows every
// lane's sensor pulse, registers crossings, locks lanes out after a crossing,
// catches false starts, counts the after-run down and gives the I2C bus a step.
//
// These are plain functions: the real-time thread (FastTimerThread) and the tests
// call them the same way. Nothing here allocates, locks or waits.
#pragma once

#include <cstdint>

namespace zk {

class RaceSystem;
struct RaceState;

void FastTimerTick(RaceSystem& sys);
void ReadLptInputs(RaceSystem& sys);
void SampleLanes(RaceSystem& sys);
void SimulateInputs(RaceSystem& sys);

// Input n (lanes 1..8, extra inputs 9 and 10) is active when
// (Eingang AND Maske(n)) = Vergleich(n), compared as 16-bit values.
bool InputActive(const RaceState& s, int n, uint16_t eingang);

// The input word a simulated port shows when the inputs whose bit n is set in
// `activeInputs` (n = 1..10) are active and every other input is idle: the
// reverse of InputActive, for simulations and tests.
uint8_t ComposeInputWord(const RaceState& s, uint16_t activeInputs);

}  // namespace zk
