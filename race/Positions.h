// Race positions.
#pragma once

namespace zk {

struct RaceState;

// Places lane `lane` after it has completed a lap. Runs before the lane record's
// lap count is updated, so the record still holds the count before this lap.
void UpdatePositions(RaceState& s, int lane);

}  // namespace zk
