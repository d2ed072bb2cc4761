// Calls from the timing core into the parts of the system that are built on top
// of it: display output, announcements, the race-end check, the start light,
// fuel, power, lane voltages, the serial line and the race-director list.
//
// Each call is a named extension point; the default does nothing, so that the
// timing core runs on its own. The application, the modules that fill a point
// and the tests (with a recorder) override what they provide.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

class RaceHooks {
public:
    virtual ~RaceHooks() = default;

    // --- 100 ms cycle, in the order ProcessRaceTick calls them ---
    virtual void DisplayOutput() {}
    virtual void AnnouncementStep() {}
    virtual void LiveSpreadsheet() {}
    virtual void CheckRaceEnd() {}
    virtual void ClubAutoStartRefresh() {}
    virtual void SettingsLiveView() {}
    virtual void StartAblauf() {}
    // Main-loop start-up step (second cycle): set voltages and fuel gauges.
    virtual void AnlaufSenden() {}
    // Keyboard and push-button poll; key 0 = no key pressed.
    virtual void PollRaceKeys(char /*key*/) {}
    // Fuel, pit and lap-window refresh at the end of the lap evaluation.
    virtual void FuelAndWindowRefresh() {}

    // --- outputs of one evaluated lap ---
    virtual void PowerOff(int /*lane*/) {}
    virtual void NetzteilSetzen(int /*laneIndex0to7*/, uint8_t /*value*/) {}
    virtual void SerialSenden(const std::string& /*text*/) {}
    virtual void RaceDirectorLine(const std::string& /*line*/) {}
    virtual void LapRecordAppend(int /*lane*/, int32_t /*runden*/, double /*zeit*/) {}

    // --- observation of the evaluation (trace, tests) ---
    virtual void OnReaction(int /*lane*/, int32_t /*ms*/) {}
    virtual void OnLap(int /*lane*/) {}

    // --- 1 ms tick ---
    // One step of the I2C bus engine; runs on the tick thread, must not block.
    virtual void I2CTakt() {}
};

}  // namespace zk
