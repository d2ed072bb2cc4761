// The sensor board as the race core sees it: messages for the 1 ms tick (edges
// with their host time, the board's input levels, the moment outputs were
// latched, a new time line), the outputs race control wants, and a status for
// the windows. BoardSource decodes a board's bytes into such messages;
// BoardReader reads a real board's line on a thread of its own. The stand-in
// (this class itself) has no board: no messages, outputs go nowhere.
#pragma once

#include <cstdint>
#include <string>

#include "devices/UsbBoard.h"

namespace zk {

struct BoardMeldung {
    enum Art : uint8_t {
        Kante = 0,       // input changed: input, level, hostUs (the edge's stamp)
        Pegel = 1,       // heartbeat: every input's level (levels) at hostUs
        Angewendet = 2,  // outputs latched: power, lamps at hostUs
        NeueZeit = 3,    // the board (re)started or the line went away: levels unknown
    };
    uint8_t art = Kante;
    uint8_t input = 0;  // 1..8 lanes, 9 yellow button, 10 chaos switch
    uint8_t level = 0;  // raw pin level
    uint8_t power = 0, lamps = 0;
    uint16_t levels = 0;  // bit n-1 = input n high
    int64_t hostUs = 0;   // host's monotonic clock, microseconds
};

struct BoardZustand {
    bool verbunden = false;  // a board has said hello on an open line
    std::string text;        // German status line: connected, gone, refused, ...
    BoardStats stats;
    double drift = 0;        // the board clock's deviation (BoardClock::Drift)
    uint64_t verworfen = 0;  // messages the tick did not take in time (its queue was full)
    uint16_t levels = 0;     // input levels of the last heartbeat (bit n-1 = input n)
};

class SensorBoard {
public:
    virtual ~SensorBoard() = default;
    // Tick thread: the oldest message not taken yet; false when there is none.
    // Never locks, waits or allocates.
    virtual bool NaechsteMeldung(BoardMeldung&) { return false; }
    // UI thread: the outputs the board should show (lane power: bit n-1 = lane
    // n's relay; lamps: bits 0..4 red, bit 5 green).
    virtual void Ausgaenge(uint8_t /*power*/, uint8_t /*lamps*/) {}
    // UI thread.
    virtual BoardZustand Lesen() const { return {}; }
};

}  // namespace zk
