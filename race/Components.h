// The parts of the system that race control and the 100 ms cycle drive, each
// behind a small interface of its own, and the two ways out of the core that are
// not outputs: observation (replay trace, tests) and the refresh of the windows.
//
// The system owns one of each; the do-nothing ones here stand in until a part
// is built, and tests put recorders in their place. Everything here runs on the
// UI thread.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

class SpurwechselRennen;

// Lane voltages through the power supply on the two-wire bus.
class PowerSupply {
public:
    virtual ~PowerSupply() = default;
    // Sets lane `laneIndex0to7`'s converter to `value` (0..255).
    virtual void NetzteilSetzen(int /*laneIndex0to7*/, uint8_t /*value*/) {}
};

// Spoken lap times: one step of the announcer per 100 ms cycle while laps wait.
class Announcer {
public:
    virtual ~Announcer() = default;
    virtual void AnsageTakt() {}
};

// Lap recording and the live spreadsheet.
class LapRecorder {
public:
    virtual ~LapRecorder() = default;
    virtual void Append(int /*lane*/, int32_t /*runden*/, double /*zeit*/) {}
    virtual void LiveStep() {}
};

// The race director's desk: its race-flow list (reaction times, the club's
// lines) and its running list of laps and lap corrections.
class DirectorList {
public:
    virtual ~DirectorList() = default;
    // A line of the race-flow list.
    virtual void Line(const std::string& /*line*/) {}
    // The race-flow list is emptied (a club race lists its heat plan afresh).
    virtual void ClearFlow() {}
    // A line of the running list.
    virtual void CountsLine(const std::string& /*line*/) {}
    // A race has ended (stopped or decided): the running list is saved.
    virtual void RaceEnded() {}
};

// Club races (modes 3..5) and the time race with lane change.
class Club {
public:
    virtual ~Club() = default;
    virtual void Setup() {}              // mode set-up of modes 3..5
    virtual bool StartErlaubt() { return true; }  // race start in modes 3..5: is there a heat to drive?
    virtual void HeatStart() {}          // race start in modes 3..5: the heat's lanes
    virtual void HeatCheck() {}          // race-end check of modes 3..5
    virtual void ResetIfComplete() {}    // race reset: schedule complete -> reset
    virtual void AutoStartRefresh() {}   // pause countdown between heats, once a second
    virtual void LaneChangeSetup() {}    // time race with lane change: set up the series
    virtual void LaneChangeRunEnd() {}   // one run of the series has ended
    virtual bool LaneChangeSeriesComplete() { return false; }
    // Race start of the time race with lane change, before anything else: the
    // segment to drive is prepared (the next one, or the series anew).
    virtual void LaneChangeBeforeStart() {}
    // What a started heat adds to the race's heading (its number, a repeat).
    virtual std::string HeatTitle() { return {}; }
    // The lane-change series, for its windows and the replay (none: nullptr).
    virtual SpurwechselRennen* Spurwechsel() { return nullptr; }
    // The same for readers that may not change it (the windows).
    const SpurwechselRennen* Spurwechsel() const { return const_cast<Club*>(this)->Spurwechsel(); }
};

// Observation points of the evaluation and of race control (trace, tests). They
// change nothing.
class RaceObserver {
public:
    virtual ~RaceObserver() = default;
    virtual void OnReaction(int /*lane*/, int32_t /*ms*/) {}
    virtual void OnLap(int /*lane*/) {}
    virtual void OnLightStep(int /*step*/) {}
    virtual void OnFalseStart(int /*lane*/) {}
    virtual void OnPower(int /*lane*/, bool /*on*/) {}
    virtual void OnResult(const std::string& /*path*/) {}  // a result file was written
    virtual void OnClip(int /*clip*/) {}  // the announcer starts clip 0..45
};

// Refresh of the open windows from the race state.
class WindowRefresh {
public:
    virtual ~WindowRefresh() = default;
    virtual void DisplayOutput() {}          // every 100 ms cycle: all open windows
    virtual void ClearLapWindows() {}
    virtual void FuelUpdate(int /*laneIndex0to7*/) {}
    virtual void RefreshStandardWindow() {}
    virtual void SettingsLiveView() {}       // the settings dialog's live sensor view
};

}  // namespace zk
