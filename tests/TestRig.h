// A race system on a manual clock and a simulated port, stepped millisecond by
// millisecond exactly as the scenario replay does, with a recorder for every
// extension point the core calls.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "devices/SimLptIo.h"
#include "base/Clock.h"
#include "tick/FastTimer.h"
#include "race/InterneZeit.h"
#include "system/RaceSystem.h"

namespace zk::test {

struct Recorder : RaceHooks {
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
    int startAblauf = 0, i2c = 0, displayOutput = 0, clearWindows = 0;

    void DisplayOutput() override { ++displayOutput; calls.push_back("DisplayOutput"); }
    void AnnouncementStep() override { calls.push_back("AnnouncementStep"); }
    void LiveSpreadsheet() override { calls.push_back("LiveSpreadsheet"); }
    void ClubAutoStartRefresh() override { calls.push_back("ClubAutoStartRefresh"); }
    void SettingsLiveView() override { calls.push_back("SettingsLiveView"); }
    void NetzteilSetzen(int idx, uint8_t v) override { voltages.emplace_back(idx, v); }
    void I2CSend(uint8_t a, uint8_t d1, uint8_t d2, int n) override { i2cSends.push_back({a, d1, d2, n}); }
    void SerialSenden(const std::string& t) override { serial.push_back(t); }
    void RaceDirectorLine(const std::string& l) override { directorLines.push_back(l); }
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
    void OnLptWrite(int off, uint8_t v) override { lptWrites.emplace_back(off, v); }
    void I2CTakt() override { ++i2c; }
};

class Rig {
public:
    explicit Rig(int32_t startMs = 0) : clock(startMs), port(&clock), wall(clock), sys(clock, port, wall) {
        sys.SetHooks(&rec);
        now = startMs;
    }

    // Sets the standard test wiring: lane n active-high on one status bit
    // (lane 1 = bit 3 ... lane 5 = bit 7), lanes 6..8 on control bits 0..2.
    void StandardWiring() {
        static const int bits[9] = {0, 8, 16, 32, 64, 128, 1, 2, 4};
        for (int n = 1; n <= 8; ++n) {
            sys.cfg.Masken.MS[n] = static_cast<int16_t>(bits[n]);
            sys.cfg.Masken.CS[n] = static_cast<int16_t>(bits[n]);
        }
        sys.cfg.Masken.MS[9] = sys.cfg.Masken.MS[10] = 0;
        sys.cfg.Masken.CS[9] = sys.cfg.Masken.CS[10] = 1;  // never active
    }

    void Init() {
        sys.InitProgram();
        port.SetBase(static_cast<uint16_t>(sys.st.LptBasis));
    }

    // Holds lane/input n active for `ticks` ticks starting with the next tick.
    void Hold(int n, int ticks) { held[n] = ticks; }

    // One millisecond: inputs, tick, cycle at multiples of 100.
    void Step() {
        now = TimeAdd(now, 1);
        clock.Set(now);
        port.SetInputWord(Word());
        FastTimerTick(sys);
        for (auto& [n, left] : held)
            if (left > 0) --left;
        if (now % 100 == 0) MainLoopCycle(sys);
    }
    void RunTo(int32_t t) {
        while (TimeDiff(t, now) > 0) Step();
    }
    void RunFor(int32_t ms) { RunTo(TimeAdd(now, ms)); }

    // Green light as the start light gives it.
    void Green() {
        sys.st.RennenLaeuft = kTrue;
        for (int l = 0; l <= kLanes; ++l) sys.st.LetzteDurchfahrt[l] = sys.st.AktZeit;
    }

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
};

}  // namespace zk::test
