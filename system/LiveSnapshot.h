// What the spectators' web pages show, as one JSON text: the banner, the
// standings, the time or laps remaining, the recent lap times of every lane for
// the chart and, during a club race, its heat plan, next heat and ranking.
//
// Built on the UI thread from the race record, the race state and the settings
// through the same functions the lap windows and the result window use
// (ErgebnisBerechnen, BannerBerechnen, ClubErgebnisBerechnen), so a page never
// tells a different story than the windows. Pure: no clock, no files, no I/O.
#pragma once

#include <string>

namespace zk {

class RaceContext;
class ClubRennen;

// Lap times per lane the snapshot carries for the chart (the newest ones).
inline constexpr int kLiveChartLaps = 120;

// The snapshot as compact JSON (UTF-8). `club` may be null (no club races).
std::string LiveSnapshotJson(const RaceContext& sys, const ClubRennen* club);

}  // namespace zk
