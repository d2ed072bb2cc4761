// The record of the race: its lap list and its phase. Race control owns it and
// changes it (the lap evaluation appends laps, corrections and penalties; the
// race commands and the start light change the phase through SetPhase);
// windows, banner, result and its files, the race director, the lap file, the
// announcer and the trace read it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "race/LapList.h"

namespace zk {

// Where the race stands. Idle also after a race has ended; the banner tells a
// finished race from a fresh one by its result.
enum class RacePhase : uint8_t {
    Idle,        // no race runs
    StartLight,  // the start light runs towards green; a crossing is a false start
    Racing,      // after green: crossings are laps
    AfterRun,    // the race end is reached; crossings count until the after-run is over
    Paused,      // paused; crossings count until the pause's after-run is over
    Restart,     // the start light of the restart after a pause
};

// How the last race that got to its green light ended.
enum class RaceEnd : uint8_t {
    None,      // none has ended since the last start (or it never got to green)
    Finished,  // decided: lap count reached, time run out, heat over; a training stopped
    Aborted,   // stopped by hand, by closing or by the program's end before it was decided
};

// Trace name of a phase ("idle", "startlight", "racing", "afterrun", "paused", "restart").
const char* PhaseName(RacePhase p);

struct RaceRecord {
    LapList laps;
    RacePhase phase = RacePhase::Idle;
    // The start light's steps run (before green and for its last steps after it).
    bool startLight = false;
    // Race control has asked for the after-run of the race end or of a pause.
    bool afterRunAsked = false;
    // Set by race control when a race ends; cleared by the next start and reset.
    RaceEnd lastEnd = RaceEnd::None;
    // Who drove the race the lap list holds, and its heading: taken when it
    // starts, so that its laps, winner and result keep their names after a club
    // heat or a lane-change segment has put the next drivers on the lanes.
    // `named` is false while the list holds no started race (fresh mode): then
    // the lanes' current names apply.
    bool named = false;
    std::array<std::string, LapList::kLanes + 1> drivers{};  // lanes 1..8
    std::string heading;

    bool Running() const { return phase != RacePhase::Idle && phase != RacePhase::StartLight; }
    bool Paused() const { return phase == RacePhase::Paused || phase == RacePhase::Restart; }
    // Start is possible only on an idle track: a second Start while the start
    // light runs would reset the lanes the light is watching for false starts.
    bool CanStart() const { return phase == RacePhase::Idle; }
};

}  // namespace zk
