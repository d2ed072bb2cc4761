#include "race/RaceRecord.h"

namespace zk {

const char* PhaseName(RacePhase p) {
    switch (p) {
        case RacePhase::Idle: return "idle";
        case RacePhase::StartLight: return "startlight";
        case RacePhase::Racing: return "racing";
        case RacePhase::AfterRun: return "afterrun";
        case RacePhase::Paused: return "paused";
        case RacePhase::Restart: return "restart";
    }
    return "idle";
}

}  // namespace zk
