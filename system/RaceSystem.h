// One race system: the shared race state, the settings, and the devices the core
// talks to (millisecond clock, time of day, parallel port, extension points, UI).
//
// Nothing here is global: a test creates as many independent systems as it likes,
// each with its own manual clock and simulated port.
#pragma once

#include "devices/LptIo.h"
#include "race/RaceUiState.h"
#include "settings/Settings.h"
#include "base/Clock.h"
#include "race/Hooks.h"
#include "race/RaceState.h"
#include "base/UiPort.h"

namespace zk {

class RaceSystem {
public:
    RaceSystem(MsClock& clock, LptIo& port, WallClock& wall);
    RaceSystem(const RaceSystem&) = delete;
    RaceSystem& operator=(const RaceSystem&) = delete;

    RaceState st;
    Settings cfg;
    RaceUiState view;  // what the windows show of race control

    MsClock& clock() { return *clock_; }
    LptIo& port() { return *port_; }
    WallClock& wall() { return *wall_; }
    RaceHooks& hooks() { return *hooks_; }
    UiPort& ui() { return *ui_; }

    // Replaces the extension points / UI (nullptr restores the do-nothing default).
    // Must be set before the tick thread starts.
    void SetHooks(RaceHooks* h) { hooks_ = h ? h : &noHooks_; }
    void SetUi(UiPort* u) { ui_ = u ? u : &noUi_; }

    // Copies the sensor configuration and the other values the timing core reads
    // from the settings into the race state (masks, limits, active lanes, port).
    void ApplySettings();

    // Program initialisation: race state to its start-up values, port base
    // address, lane records, then race control (fuel, mode, power, idle lamps).
    void InitProgram();

private:
    MsClock* clock_;
    LptIo* port_;
    WallClock* wall_;
    RaceHooks noHooks_;
    UiPort noUi_;
    RaceHooks* hooks_ = &noHooks_;
    UiPort* ui_ = &noUi_;
};

// Base address for [Lpt] "Port" 1, 2, 3; 0 for any other value.
int16_t LptBasisForPort(int port);

}  // namespace zk
