#include "system/Stepper.h"

#include "race/InterneZeit.h"
#include "tick/FastTimer.h"

namespace zk {

void StepMillisecond(RaceSystem& sys, ManualMsClock& clock, SimLptIo& port, int32_t clockMs, uint8_t inputWord,
                     bool cycleDue, const MsStepHooks& hooks) {
    clock.Set(clockMs);
    port.SetInputWord(inputWord);
    TickContext tick = sys.Tick();
    FastTimerTick(tick);
    if (hooks.afterTick) hooks.afterTick();
    if (!cycleDue) return;
    if (hooks.cycle) {
        hooks.cycle();
    } else {
        MainLoopCycle(sys);
    }
    if (hooks.afterCycle) hooks.afterCycle();
}

}  // namespace zk
