// What race control, the lap evaluation and the 100 ms cycle work on: the race
// state, the settings, what the windows show, and the parts of the system they
// drive. The system object (RaceSystem) is built on it and decides which part
// stands behind each interface.
//
// Everything reached through a RaceContext belongs to the UI thread, except
// Tick(), which hands the 1 ms tick the few things it may touch.
#pragma once

#include <cassert>
#include <thread>

#include "base/Clock.h"
#include "base/UiPort.h"
#include "devices/LptIo.h"
#include "devices/SensorBoard.h"
#include "devices/SerialLine.h"
#include "race/Components.h"
#include "race/PortSim.h"
#include "race/RaceRecord.h"
#include "race/RaceState.h"
#include "race/RaceUiState.h"
#include "settings/Settings.h"
#include "tick/BusQueue.h"
#include "tick/FastTimer.h"

namespace zk {

class RaceContext {
public:
    RaceContext(const RaceContext&) = delete;
    RaceContext& operator=(const RaceContext&) = delete;

    RaceState st;
    // The lap list and the race phase: race control writes them, everything else reads.
    RaceRecord record;
    Settings cfg;
    RaceUiState view;  // what the windows show of race control
    PortSimulation portSim;  // the automatic cars of "Simulation ohne Bahn"
    // The data directory; race results go to its "Ergebnisse" folder ("" = they
    // are kept for the windows only).
    std::string datenVerzeichnis;

    MsClock& clock() { return *clock_; }
    LptIo& port() { return *port_; }
    const LptIo& port() const { return *port_; }
    WallClock& wall() { return *wall_; }
    UiPort& ui() { return *ui_; }

    // The outputs the race drives.
    SerialLine& serial() { return *serial_; }
    BusQueue& bus() { return *bus_; }
    PowerSupply& supply() { return *supply_; }
    Announcer& announcer() { return *announcer_; }
    LapRecorder& recorder() { return *recorder_; }
    DirectorList& director() { return *director_; }
    Club& club() { return *club_; }
    const Club& club() const { return *club_; }
    // Observation and window refresh.
    RaceObserver& observer() { return *observer_; }
    WindowRefresh& windows() { return *windows_; }
    // The USB sensor board (a stand-in without messages unless one is open).
    SensorBoard& board() { return *board_; }
    const SensorBoard& board() const { return *board_; }

    // What the 1 ms tick may touch: the shared words, the clock, the port, the
    // bus queue and the sensor board's messages.
    TickContext Tick() { return TickContext{st, *clock_, *port_, *bus_, *board_}; }

    // Race commands and the 100 ms cycle run on the thread that created the
    // system (the UI thread). Debug builds check it at every race command;
    // BindUiThread moves the system to the calling thread (a test that builds a
    // system on one thread and drives it from another).
    bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }
    void BindUiThread() { uiThread_ = std::this_thread::get_id(); }

protected:
    RaceContext(MsClock& clock, LptIo& port, WallClock& wall)
        : clock_(&clock), port_(&port), wall_(&wall), uiThread_(std::this_thread::get_id()) {}
    ~RaceContext() = default;

    MsClock* clock_;
    LptIo* port_;
    WallClock* wall_;
    UiPort* ui_ = nullptr;
    SerialLine* serial_ = nullptr;
    BusQueue* bus_ = nullptr;
    PowerSupply* supply_ = nullptr;
    Announcer* announcer_ = nullptr;
    LapRecorder* recorder_ = nullptr;
    DirectorList* director_ = nullptr;
    Club* club_ = nullptr;
    RaceObserver* observer_ = nullptr;
    WindowRefresh* windows_ = nullptr;
    SensorBoard* board_ = nullptr;
    std::thread::id uiThread_;
};

// Debug builds: a race command or a cycle run on another thread than the
// system's UI thread stops the program here.
#ifdef NDEBUG
#define ZK_ASSERT_UI_THREAD(sys) ((void)0)
#else
#define ZK_ASSERT_UI_THREAD(sys) assert((sys).OnUiThread() && "race command off the UI thread")
#endif

// Sends one message on the serial line if the port is open (race/RS232.cpp);
// SerialText keeps the last one.
void SerialAusgeben(RaceContext& sys, std::string text);

// Writes the data-register image / control-register image to the port.
void LptDatenAusgeben(RaceContext& sys);
void LptSteuerAusgeben(RaceContext& sys);

}  // namespace zk
