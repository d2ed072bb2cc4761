// The 1 ms tick: takes the time, reads the port's input lines, follows every
// lane's sensor pulse, registers crossings, locks lanes out after a crossing,
// catches false starts, counts the after-run down and gives the bus a step.
//
// These are plain functions: the real-time thread (FastTimerThread) and the tests
// call them the same way. They run on the tick thread and take only a
// TickContext: the shared words, the clock, the port and the bus queue. Nothing
// here allocates, locks or waits.
#pragma once

#include <cstdint>

#include "tick/TickState.h"

namespace zk {

class BusQueue;
class LptIo;
class MsClock;
class SensorBoard;

// What the tick may touch.
struct TickContext {
    TickState& s;
    MsClock& clock;
    LptIo& port;
    BusQueue& bus;
    SensorBoard& board;
};

// Tick thread.
void FastTimerTick(TickContext& t);
// Tick thread: carries out what the UI thread asked for since the last tick
// (race reset, after-run, bus lines, simulator sweep); the first step of a tick.
void CarryOutRequests(TickContext& t);
// Tick thread: reads the input word (port, or simulation) and the extra inputs.
void ReadLptInputs(TickContext& t);
// Tick thread, with the board as the sensor source: takes the board's messages,
// follows its input levels and runs the lane rules on every edge at the edge's
// own time (tick/BoardInputs.cpp).
void ReadBoardInputs(TickContext& t);
// Tick thread: takes the board's messages and does nothing with them (the
// port simulation times the race).
void DropBoardMessages(TickContext& t);
// Program milliseconds of a host stamp (round to nearest). Any thread.
int32_t BoardMs(const TickState& s, int64_t hostUs);
// The part of `hostUs` below BoardMs's millisecond, microseconds (-500..499).
int16_t BoardUsRest(const TickState& s, int64_t hostUs);
// Tick thread: the yellow-phase (input 9) and chaos (input 10) buttons, pressed
// or not, into their flags (each only when enabled in the settings).
void ReadPushButtons(TickState& s, bool gelb, bool chaos);
// Tick thread: pulse detection, lockout, false starts, after-run countdown.
void SampleLanes(TickContext& t);
// Tick thread: the port simulator's sweep over the lane inputs.
void SimulateInputs(TickContext& t);

// Input n (lanes 1..8, extra inputs 9 and 10) is active when
// (Eingang AND Maske(n)) = Vergleich(n), compared as 16-bit values. Any thread.
bool InputActive(const TickState& s, int n, uint16_t eingang);

// The input word a simulated port shows when the inputs whose bit n is set in
// `activeInputs` (n = 1..10) are active and every other input is idle: the
// reverse of InputActive, for simulations and tests. Any thread.
uint8_t ComposeInputWord(const TickState& s, uint16_t activeInputs);

// `word` with the inputs whose bit n is set in `inputs` (n = 1..10) made active,
// every other bit left as it is. Any thread.
uint16_t ForceInputs(const TickState& s, uint16_t word, uint16_t inputs);

// --- requests of the UI thread, carried out by the tick at its next tick ---
// Every request ends with this: the tick looks at the requests only when the
// sum has moved.
inline void RequestPosted(TickState& s) { s.AnfrageSumme = s.AnfrageSumme + 1; }
// Release the bus lines (pins 14 and 17 no longer drive the bus).
inline void AskBusRelease(TickState& s) {
    s.BusFreiAnfrage = s.BusFreiAnfrage + 1;
    RequestPosted(s);
}
// Start (or restart) the simulator's sweep over the lane inputs, or stop it.
inline void AskSimSweep(TickState& s, bool on) {
    const uint32_t seq = (s.SimSweepAnfrage >> 1) + 1;
    s.SimSweepAnfrage = (seq << 1) | (on ? 1u : 0u);
    RequestPosted(s);
}
// From the next tick on the board (`board`) or the port is the sensor source.
inline void AskBoardQuelle(TickState& s, bool board) {
    const uint32_t seq = (s.BoardQuelleAnfrage >> 1) + 1;
    s.BoardQuelleAnfrage = (seq << 1) | (board ? 1u : 0u);
    RequestPosted(s);
}
// The tick statistics (largest gap) start afresh.
inline void AskStatReset(TickState& s) {
    s.StatResetAnfrage = s.StatResetAnfrage + 1;
    RequestPosted(s);
}

// --- register access (either thread; each call is one port access) ---
// True when register access may be made.
bool LptZugriff(const TickState& s, const LptIo& port);
// Writes the data-register image LptDaten (its low byte) to LptBasis.
void LptDatenAusgeben(TickState& s, LptIo& port);
// Writes the control-register image LptSteuer to LptBasis + 2.
void LptSteuerAusgeben(TickState& s, LptIo& port);

}  // namespace zk
