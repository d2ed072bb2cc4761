// The port simulator ("Simulation ohne Bahn"): automatic cars on lanes 1..6 that
// cross their sensor once per set lap time, the wiring the simulation uses, and
// inputs forced by hand. The windows only call these; everything runs on the UI
// thread and reaches the tick through the words it reads (forced inputs, idle
// word, masks).
#pragma once

#include <array>
#include <cstdint>

namespace zk {

class RaceContext;
struct RaceState;
struct TickState;

struct PortSimulation {
    static constexpr int kSimLanes = 6;
    std::array<int32_t, kSimLanes + 1> AutoPeriode{};  // 1..6, lap time in ms
    std::array<int32_t, kSimLanes + 1> AutoZaehler{};  // ms driven since the last crossing
    std::array<int16_t, kSimLanes + 1> AutoAktiv{};    // on the sensor this cycle (True / 0)
    uint8_t AutoAus = 0;                               // "Automatische Simulation ausschalten"
};

// Opening the simulation window: every car at the start of a lap, lap times of
// MinZeit + 100 ms x lane, the input word at its idle level.
void AutoSimulationLaden(RaceContext& sys);
// Whether the automatic car of `lane` drives: only from the green light on,
// not while the race is paused, and only while its lane has track power. So the
// cars neither jump the start nor keep lapping after the power is cut.
bool AutoFahrzeugFaehrt(const RaceState& s, int lane);
// Every 100 ms: a car on its sensor leaves it, a driving car whose lap time is
// up crosses (its input is held active for one cycle).
void AutoSimulationSchritt(RaceContext& sys);
// Clearing the simulation window: cars back to the start of a lap, inputs idle.
void AutoSimulationLeeren(RaceContext& sys);
// A lap time typed into the simulation window (ms; the leading number of the text).
void AutoPeriodeSetzen(RaceContext& sys, int lane, double ms);

// Holds input n (1..10) active or releases it (the port test window's buttons).
void EingangErzwingen(TickState& s, int n, bool active);
// A new idle input word for the simulation; the tick restarts its word from it.
void SimRuhewortSetzen(TickState& s, uint16_t word);

// "Automatisch zählen": lane n on bit n-1 of the input word, active low, pulses
// of one sample, a lockout of 2.5 s; the idle word all ones.
void SimVerdrahtungSetzen(RaceContext& sys, bool on);
// Every second while the port test window is open: a sweep over the lane
// inputs ("Sim 1 MS") runs while a race runs after the start light, unless the
// simulation window's automatic cars drive the lanes.
void SimSweepTakt(RaceContext& sys, bool automatischZaehlen);

}  // namespace zk
