// A race system on a manual clock and a simulated port, stepped millisecond by
// millisecond exactly as the scenario replay does, with a recorder for every
// extension point the core calls.
#pragma once

#include <array>
#include <chrono>
#include <thread>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devices/SimLptIo.h"
#include "base/Clock.h"
#include "tick/FastTimer.h"
#include "race/InterneZeit.h"
#include "race/RS232.h"
#include "race/StartLight.h"
#include "system/RaceSystem.h"
#include "system/Stepper.h"

namespace zk::test {

// Waits until `done()` holds, polling every millisecond, for at most `limit`.
// Returns whether it held: a test asserts it, so a hang becomes a failure.
template <class F>
bool WaitFor(F done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Stands in for every part of the system at once and records what the core asks
// of each.
struct Recorder : RaceObserver,
                  WindowRefresh,
                  SerialLine,
                  BusQueue,
                  PowerSupply,
                  Announcer,
                  LapRecorder,
                  DirectorList,
                  Club,
                  UiPort,
                  LptWriteObserver {
    std::vector<std::string> calls;  // the 100 ms cycle's extension points, in order, by name
    std::vector<std::pair<int, int32_t>> reactions;
    std::vector<int> laps;
    std::vector<std::string> serial;
    std::vector<std::string> directorLines;
    std::vector<std::pair<int, int>> voltages;
    std::vector<int> powerOff, powerOn;   // every PowerOff / PowerOn, by lane (0 = all)
    std::vector<int> lightSteps;          // start-light steps as they run
    std::vector<int> falseStarts;         // lanes punished for a false start
    std::vector<std::vector<int>> i2cSends;  // {addr, data1, data2, count}
    std::vector<std::pair<int, int>> lptWrites;  // {offset, value}
    std::vector<int> fuelUpdates;         // FuelUpdate(lane index)
    std::map<int, int> keyState;          // AsyncKeyState by virtual key; read once, then 0
    std::vector<int> clips;               // clips the announcer started
    std::vector<std::string> statusLines; // status-bar lines
    int startAblauf = 0, i2c = 0, displayOutput = 0, clearWindows = 0;

    void DisplayOutput() override { ++displayOutput; calls.push_back("DisplayOutput"); }
    void AnsageTakt() override { calls.push_back("AnnouncementStep"); }
    void LiveStep() override { calls.push_back("LiveSpreadsheet"); }
    void AutoStartRefresh() override { calls.push_back("ClubAutoStartRefresh"); }
    void SettingsLiveView() override { calls.push_back("SettingsLiveView"); }
    void NetzteilSetzen(int idx, uint8_t v) override { voltages.emplace_back(idx, v); }
    void I2CSend(uint8_t a, uint8_t d1, uint8_t d2, int n) override { i2cSends.push_back({a, d1, d2, n}); }
    Ergebnis Senden(const std::string& t) override {
        serial.push_back(t);
        return Ergebnis::Gesendet;
    }
    void Line(const std::string& l) override { directorLines.push_back(l); }
    void ClearLapWindows() override { ++clearWindows; }
    void FuelUpdate(int i) override { fuelUpdates.push_back(i); }
    int AsyncKeyState(int vk) override {
        const int v = keyState[vk];
        keyState[vk] = 0;
        return v;
    }
    void OnReaction(int lane, int32_t ms) override { reactions.emplace_back(lane, ms); }
    void OnLap(int lane) override { laps.push_back(lane); }
    void OnLightStep(int step) override { ++startAblauf; lightSteps.push_back(step); }
    void OnFalseStart(int lane) override { falseStarts.push_back(lane); }
    void OnPower(int lane, bool on) override { (on ? powerOn : powerOff).push_back(lane); }
    void OnClip(int clip) override { clips.push_back(clip); }
    void ShowStatus(const std::string& t) override { statusLines.push_back(t); }
    void OnLptWrite(int off, uint8_t v) override { lptWrites.emplace_back(off, v); }
    void I2CTakt(TickState&, LptIo&) override { ++i2c; }

    // Puts this recorder in place of every part of `sys`.
    void Attach(RaceSystem& sys, SimLptIo& port) {
        sys.SetObserver(this);
        sys.SetWindows(this);
        sys.SetSerial(this);
        sys.SetBus(this);
        sys.SetSupply(this);
        sys.SetAnnouncer(this);
        sys.SetRecorder(this);
        sys.SetDirector(this);
        sys.SetClub(this);
        sys.SetUi(this);
        port.SetWriteObserver(this);
    }
};

// The standard test wiring: lane n active-high on its own input bit (lanes 1..5
// on status bits 3..7, lanes 6..8 on control bits 0..2); inputs 9 and 10 never
// active.
constexpr std::array<uint8_t, 9> kLaneBit = {0, 8, 16, 32, 64, 128, 1, 2, 4};

inline void StandardWiring(Settings& cfg) {
    for (int n = 1; n <= 8; ++n) {
        cfg.Masken.MS[n] = kLaneBit[n];
        cfg.Masken.CS[n] = kLaneBit[n];
    }
    cfg.Masken.MS[9] = cfg.Masken.MS[10] = 0;
    cfg.Masken.CS[9] = cfg.Masken.CS[10] = 1;
}

// Eight busy lanes on port 1 with the standard wiring, the bus step off (the
// threaded test and the benchmarks).
inline void EightLanes(Settings& cfg, int minZeit = 500, int minLength = 3) {
    StandardWiring(cfg);
    for (int n = 1; n <= 8; ++n) cfg.AktiveSpuren.Spur[n] = 1;
    cfg.Lpt.Port = 1;
    cfg.LiZeit.Minimum = static_cast<int16_t>(minZeit);
    cfg.LiZeit.MinLength = static_cast<int16_t>(minLength);
    cfg.I2COutput.Aktiv = 0;
}

// One race system on a simulated port. By default on a manual clock that Step()
// advances; with `realClock` the system reads that clock instead (the real-time
// thread's tests and benchmarks), and Step() is not used.
class Rig {
public:
    explicit Rig(int32_t startMs = 0, MsClock* realClock = nullptr)
        : clock(startMs),
          port(realClock ? realClock : &clock),
          wall(realClock ? *realClock : clock),
          sys(realClock ? *realClock : clock, port, wall) {
        rec.Attach(sys, port);
        now = startMs;
    }

    void StandardWiring() { test::StandardWiring(sys.cfg); }

    // Program start-up as the program and the replay do it; the recorder's
    // serial line opens also without an option that uses it.
    void Init() { sys.StartUp({}, true); }

    // Holds lane/input n active for `ticks` ticks starting with the next tick.
    void Hold(int n, int ticks) { held[n] = ticks; }

    // One millisecond: inputs, tick, cycle at multiples of 100, as the replay.
    void Step() {
        now = TimeAdd(now, 1);
        MsStepHooks hooks;
        hooks.afterTick = [this] {
            for (auto& [n, left] : held)
                if (left > 0) --left;
            if (afterTick) afterTick();
        };
        hooks.cycle = cycle;
        StepMillisecond(sys, clock, port, now, Word(), now % kCycleMs == 0, hooks);
    }
    void RunTo(int32_t t) {
        while (TimeDiff(t, now) > 0) Step();
    }
    void RunFor(int32_t ms) { RunTo(TimeAdd(now, ms)); }

    // Gives `lane` exactly `n` laps in the lap list (a correction entry), as if
    // the race had driven them.
    void SetLaps(int lane, int n) {
        LapList& l = sys.record.laps;
        if (n != l.Laps(lane)) l.AddCorrection(lane, now, n - l.Laps(lane), LapOrigin::DirectorPlus);
    }
    int32_t Laps(int lane) const { return sys.record.laps.Laps(lane); }

    // Green light as the start light gives it.
    void Green() { GreenWithoutLight(sys); }

    uint8_t Word() const {
        uint16_t active = 0;
        for (const auto& [n, left] : held)
            if (left > 0) active = static_cast<uint16_t>(active | (1u << n));
        return ComposeInputWord(sys.st, active);
    }

    ManualMsClock clock;
    SimLptIo port;
    DerivedWallClock wall;
    RaceSystem sys;
    Recorder rec;
    int32_t now;
    std::map<int, int> held;
    std::function<void()> cycle;  // replaces MainLoopCycle when set (the main window's cycle)
    std::function<void()> afterTick;  // runs after each tick, before the cycle (polls between cycles)
};

}  // namespace zk::test
