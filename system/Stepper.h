// One millisecond of the program on a manual clock and a simulated port, as
// the replay (zirkato-sim) and the tests step a race: the clock moves on, the
// port shows the input word, the 1 ms tick runs, and when the cycle is due the
// 100 ms cycle runs. What the caller watches goes in between through the hooks.
#pragma once

#include <cstdint>
#include <functional>

#include "base/Clock.h"
#include "devices/SimLptIo.h"
#include "system/RaceSystem.h"

namespace zk {

struct MsStepHooks {
    std::function<void()> afterTick;   // after the tick, before the cycle
    std::function<void()> cycle;       // the 100 ms cycle; MainLoopCycle when empty
    std::function<void()> afterCycle;  // after the cycle, when one ran
};

// Runs the millisecond at clock reading `clockMs` with the port showing
// `inputWord`; the cycle runs when `cycleDue`.
void StepMillisecond(RaceSystem& sys, ManualMsClock& clock, SimLptIo& port, int32_t clockMs, uint8_t inputWord,
                     bool cycleDue, const MsStepHooks& hooks = {});

}  // namespace zk
