// Texts for the serial display boards that every evaluated lap produces.
// Colons stand for blanks on the seven-segment boards; every text ends with CR.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

// Lap count in five characters: "::::9", ":::10", "::999", ":1000" (+ CR).
std::string LapCountText(int32_t runden);
// Lap time "SS.mmm" (+ CR): 65004 ms -> "65.004".
std::string LapTimeText(int32_t zeitSek, int32_t zeitMs);
// Fuel level "FL:NN" (+ CR).
std::string FuelText(double tankStand);
// Fuel LED gauge of a lane: "C" & Chr(64 + 4 x lane) & level & CR.
std::string FuelGaugeText(int lane, double tankStand);
// Whole number with at least `digits` digits, rounded half away from zero.
std::string FormatZeros(double v, int digits);

}  // namespace zk
