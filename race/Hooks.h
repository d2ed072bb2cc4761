// Calls from the timing core and race control into the parts of the system that
// are built on top of them or beside them: display output, announcements, lap
// windows, lane voltages, the two-wire bus, the serial line, club races and the
// race-director list; plus observation points for the replay trace and tests.
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
    virtual void ClubAutoStartRefresh() {}
    virtual void SettingsLiveView() {}

    // --- outputs of race control and of one evaluated lap ---
    virtual void NetzteilSetzen(int /*laneIndex0to7*/, uint8_t /*value*/) {}
    // Queues one message for the two-wire bus: address, data bytes, bytes on the
    // bus including the address (2 for the output boards, 3 for the converters).
    virtual void I2CSend(uint8_t /*addr*/, uint8_t /*data1*/, uint8_t /*data2*/, int /*count*/) {}
    virtual void SerialSenden(const std::string& /*text*/) {}
    virtual void RaceDirectorLine(const std::string& /*line*/) {}
    virtual void LapRecordAppend(int /*lane*/, int32_t /*runden*/, double /*zeit*/) {}

    // --- lap windows (all open windows at once) ---
    virtual void ClearLapWindows() {}
    virtual void FuelUpdate(int /*laneIndex0to7*/) {}
    virtual void RefreshStandardWindow() {}

    // --- system-wide key state for the keyboard poll ([Tastatur] "GlobalOn"):
    // 0x8001 or 1 = pressed since the last query, 0x8000 = merely held, 0 = up.
    // vk: 0x20 space, 0x57 W, 0x43 C.
    virtual int AsyncKeyState(int /*vk*/) { return 0; }

    // --- club races and the lane-change time race (built with the club modes) ---
    virtual void ClubSetup() {}             // mode set-up of modes 3..5
    virtual void ClubHeatStart() {}         // race start in mode 3
    virtual void ClubHeatCheck() {}         // race-end check of modes 3..5
    virtual void ClubResetIfComplete() {}   // race reset: schedule complete -> reset
    virtual void LaneChangeSetup() {}       // time race with lane change: set up the series
    virtual void LaneChangeRunEnd() {}      // one run of the series has ended
    virtual bool LaneChangeSeriesComplete() { return false; }

    // --- observation of the evaluation and of race control (trace, tests) ---
    virtual void OnReaction(int /*lane*/, int32_t /*ms*/) {}
    virtual void OnLap(int /*lane*/) {}
    virtual void OnLightStep(int /*step*/) {}
    virtual void OnFalseStart(int /*lane*/) {}
    virtual void OnPower(int /*lane*/, bool /*on*/) {}
    // A register write the port layer made: offset 0 data, 2 control.
    virtual void OnLptWrite(int /*offset*/, uint8_t /*value*/) {}

    // --- 1 ms tick ---
    // One step of the I2C bus engine; runs on the tick thread, must not block.
    virtual void I2CTakt() {}
};

}  // namespace zk
