// Queue of lap times waiting to be spoken (filled by the lap evaluation, emptied
// by the announcement step). Holds at most 20 entries; further laps are dropped.
#pragma once

#include <cstdint>

namespace zk {

struct RaceState;

constexpr int kAnsageMax = 20;

// Queues a lap time (milliseconds). Returns false when the queue is full.
bool AnsageEinreihen(RaceState& s, int32_t lapMs);

}  // namespace zk
