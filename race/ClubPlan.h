// The heat plan of a club race and the ranking of its drivers: plain functions
// of the driver count, the active lanes and the scores.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tick/TickState.h"

namespace zk {

constexpr int kMaxHeats = 101;

struct ClubPlan {
    int D = 0;  // drivers
    int L = 0;  // active lanes = slots per heat
    int H = 0;  // heats = max(D, L)
    // [slot 1..8][heat column 0..101]: driver number (0 = empty slot) and the lane
    // the slot drives on (0 = none).
    std::array<std::array<int16_t, kMaxHeats + 1>, kLanes + 1> fahrer{};
    std::array<std::array<int16_t, kMaxHeats + 1>, kLanes + 1> spur{};
};

// Builds the plan for `drivers` (1..101) on the lanes with aktiv[l] != 0 (at
// least one). Every driver drives every slot; slot 1 is the lowest active lane.
ClubPlan MakeClubPlan(int drivers, const LaneArray<int16_t>& aktiv);

// Driver numbers (1-based) in descending score order; drivers with score 0 get
// no rank, equal scores keep the driver order. `score[0]` is unused.
std::vector<int> ClubRanking(const std::vector<double>& score);

// A time in the lap-time form: seconds, a point and three digits ("75.123").
std::string ClubZeitText(int64_t ms);

}  // namespace zk
