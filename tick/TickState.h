// The words the 1 ms tick shares with the UI thread.
//
// The tick thread may touch nothing but these words, the port and the bus queue
// (TickContext below): the tick functions take a TickContext, so the compiler,
// not a comment, keeps the tick away from the UI thread's race state.
//
// Every word has exactly one writer, named beside it. The UI thread never writes
// a word the tick writes: when it needs such a word changed (a race reset, the
// after-run, the bus lines, the simulator sweep, a statistics reset) it posts a
// request (the "requests" block below: a counter it increments, with the
// request's value beside it), and the tick carries the request out at its next
// tick. Plain words are relaxed; the hand-over flags (RundeOffen, GelbTaste,
// ChaosTaste, StartPhase, RennenLaeuft, Pause, NachlaufStatus and the requests)
// publish with release and are read with acquire, so whatever the writer stored
// before the flag is visible once the flag is seen.
//
// RundeOffen is the one hand-over in both directions: the tick sets it after
// Durchfahrt, the 100 ms evaluation clears it when it has taken the crossing.
// The lockout after a crossing (at least kLockoutFloorMs) is longer than the
// cycle (kCycleMs), so the tick never stamps a lane again before that.
//
// Lanes are numbered 1..8; arrays marked "0..8" have nine elements of which
// element 0 carries no lane.
//
// Flags are bool (Shared<bool>, SyncFlag<bool>); they take and compare bool
// only, so an int (kTrue, 1, a settings value) cannot be stored in one or
// compared with one. Options copied from the settings file are converted at
// the copy with the file's meaning: on is exactly 1 (a file may hold other
// values), except a lane's "Spur n" under "Aktive Spuren", which is on when it
// is not 0, as everywhere else the program reads it. Counters and times stay
// integers.
#pragma once

#include <array>
#include <cstdint>

#include "base/Constants.h"
#include "base/Shared.h"

namespace zk {

// After-run state (writer: tick). Race control asks for the after-run to start
// (a pause, the race end) or to stop (resume, race end, reset) through the
// after-run requests; the tick sets Vorbei when the after-run time has run out.
enum class Nachlauf : int16_t { Aus = 0, Laeuft = 1, Vorbei = 2 };

// What race control asks of the after-run.
enum class NachlaufWunsch {
    Start,   // the after-run runs from the time left (NachlaufRest)
    Stop,    // no after-run; its time left is Nachzeit again
    Reload,  // Nachzeit changed: the time left follows while no after-run runs
};

struct TickState {
    // --- clock and timer statistics (writer: tick, unless stated) ---
    Shared<int32_t> AktZeit{0};
    Shared<int32_t> Startzeit{0};       // writer: UI (program start)
    Shared<int32_t> TimerHandle{0};     // writer: UI (timer start/stop)
    Shared<bool> TimerLaeuft{false};    // writer: UI (timer start/stop)
    Shared<bool> TickBelegt{false};
    Shared<int32_t> TickUeberlauf{0};
    Shared<int32_t> TickLetzte{0};
    Shared<int32_t> TickMaxAbstand{0};
    Shared<int32_t> TickZaehler{0};
    SharedDouble TickAbweichung{0.0};
    // Real-time thread statistics (the platform timer's own view of its ticks).
    Shared<int32_t> TickVerspaetet{0};  // ticks that started more than 0.5 ms late
    Shared<int32_t> TickVerpasst{0};    // whole periods skipped because a tick was too late
    Shared<int32_t> TickSpaetMaxUs{0};  // largest start delay seen, microseconds

    // --- sensor configuration (writer: UI, from the settings) ---
    Shared<int16_t> LptPort{0};  // [Lpt] "Port": 0 = no port, 1..3
    Shared<int16_t> LptBasis{0};
    std::array<Shared<int16_t>, 11> Maske{};      // 1-based 1..10
    std::array<Shared<int16_t>, 11> Vergleich{};  // 1-based 1..10
    Shared<bool> GelbphaseEin{false};
    Shared<bool> ChaosEin{false};
    Shared<int16_t> MinLength{0};
    Shared<int16_t> MinZeit{0};
    Shared<int16_t> Nachzeit{0};
    LaneArray<Shared<bool>> SpurAktiv{};
    Shared<bool> SimulationActive{false};
    Shared<bool> I2CAktiv{false};

    // --- the input word (writer: tick) ---
    // Bits 7..3 from the status register, 2..0 from the control register; with
    // the port simulator (or without a port) the tick composes it itself from
    // EingangRuhe, its own simulated crossings and the forced inputs.
    Shared<uint16_t> Eingang{0};
    // Inputs held active by the port test window: bit n = input n (1..10). Writer:
    // UI, by atomic bit operations; the tick lays them over whatever it read.
    Shared<uint16_t> EingangErzwungen{0};
    // Idle input word of the simulation (writer: UI). Each change is announced by
    // incrementing EingangRuheNeu (writer: UI); the tick then restarts its
    // simulated word from it.
    Shared<uint16_t> EingangRuhe{0};
    Shared<uint32_t> EingangRuheNeu{0};

    // --- extra inputs (writer: tick) ---
    SyncFlag<bool> GelbTaste{false};
    Shared<uint32_t> GelbDruck{0};         // counts the presses of the yellow-phase button
    SyncFlag<bool> ChaosTaste{false};
    Shared<uint32_t> ChaosLosgelassen{0};  // counts the releases of the chaos button

    // --- race phase flags (writer: UI, set from the race phase by race control;
    // the tick only reads them) ---
    SyncFlag<bool> StartPhase{false};  // the start light runs (before green, and its last steps after)
    SyncFlag<bool> RennenLaeuft{false};
    SyncFlag<bool> Pause{false};
    // The after-run (writer: tick, on request).
    SyncFlag<Nachlauf> NachlaufStatus{Nachlauf::Aus};
    Shared<int16_t> NachlaufRest{0};

    // --- requests of the UI thread (writer: UI). Each counter is incremented
    // (with release) after its value; the tick compares it with the last one it
    // carried out (its own word below) and carries the request out at the start
    // of its next tick, before it samples. ---
    // Race reset: every lane's acquisition starts afresh (no lockout, no pulse,
    // nothing pending, no false start, no crossing counted).
    SyncFlag<uint32_t> ResetAnfrage{0};
    // The after-run's time left is set to Nachzeit: (sequence << 1) | 1 only
    // while no after-run runs, | 0 always. Carried out before NachlaufSoll.
    SyncFlag<uint32_t> NachlaufLaden{0};
    // The after-run runs or not: (sequence << 1) | 1 runs, | 0 stops it.
    SyncFlag<uint32_t> NachlaufSoll{0};
    // Release the bus lines (pins 14 and 17 became inputs): the bus engine's two
    // control bits are cleared and written.
    SyncFlag<uint32_t> BusFreiAnfrage{0};
    // The simulator sweep: (sequence << 1) | 1 starts it, | 0 stops it.
    SyncFlag<uint32_t> SimSweepAnfrage{0};
    // The tick statistics (largest gap, tick counter) start afresh.
    SyncFlag<uint32_t> StatResetAnfrage{0};
    // False starts race control has punished, per lane: a lane's false start is
    // pending while the tick's FehlstartZahl differs from it.
    LaneArray<Shared<uint32_t>> FehlstartQuittung{};

    // Counts every request above, incremented after it: a tick without a new
    // request compares this one word and goes on.
    SyncFlag<uint32_t> AnfrageSumme{0};

    // --- requests carried out (writer: tick) ---
    Shared<uint32_t> AnfrageSummeGesehen{0};
    SyncFlag<uint32_t> ResetErledigt{0};
    SyncFlag<uint32_t> NachlaufLadenErledigt{0};
    SyncFlag<uint32_t> NachlaufSollErledigt{0};
    Shared<uint32_t> BusFreiErledigt{0};
    Shared<uint32_t> SimSweepErledigt{0};
    Shared<uint32_t> StatResetErledigt{0};

    // --- per-lane acquisition (writer: tick) ---
    LaneArray<Shared<int32_t>> SperreBis{};
    LaneArray<Shared<bool>> ImPuls{};
    LaneArray<Shared<int32_t>> Durchfahrt{};
    // The crossing's part below the millisecond, microseconds (-500..499): the
    // crossing happened at Durchfahrt * 1000 + DurchfahrtUs. The board stamps
    // its edges to a few microseconds; the port's samples fall on whole
    // milliseconds (0). Written before Durchfahrt, handed over with it.
    LaneArray<Shared<int16_t>> DurchfahrtUs{};
    LaneArray<Shared<int32_t>> PulsLaenge{};
    LaneArray<Shared<bool>> PulsGemeldet{};
    LaneArray<Shared<int32_t>> AktivAbtastungen{};
    LaneArray<Shared<int32_t>> InaktivAbtastungen{};
    // A registered crossing waiting for the 100 ms evaluation. The tick sets it
    // (after Durchfahrt), the evaluation clears it (the hand-over).
    LaneArray<SyncFlag<bool>> RundeOffen{};
    // False starts caught during the start light, counted; race control
    // acknowledges each in FehlstartQuittung when it has punished it.
    LaneArray<SyncFlag<uint32_t>> FehlstartZahl{};
    // Crossings registered since the race reset, the start crossing not
    // counted. The tick's own count: the lap count of the race is the lap
    // list's, which also holds corrections.
    LaneArray<Shared<int32_t>> Erfasst{};
    LaneArray<Shared<bool>> ErsteDurchfahrt{};  // writer: UI (race start, evaluation)

    // --- port register images ---
    // Only the low byte of LptDaten reaches the data register; bits 8 and 9 (power
    // of lanes 5 and 6) reach the relay board on the two-wire bus, bits 10 and 11
    // (lanes 7 and 8) nothing. Writer: UI. LptSteuer bits kBusLineBits belong to
    // the bus engine on the tick, every other bit to the UI; both change their
    // bits only by atomic bit operations.
    Shared<uint16_t> LptDaten{0};
    Shared<uint8_t> LptSteuer{0};

    // --- the USB sensor board as the sensor source ---
    // Whether the board's edges time the race instead of the port. Writer: the
    // tick, carrying out BoardQuelleAnfrage; before the tick starts the UI sets
    // it directly (RaceSystem::SetBoard, OpenSensorBoard).
    Shared<bool> BoardQuelle{false};
    // The host microsecond (CLOCK_MONOTONIC) at which the program clock read 0,
    // so that a stamp converts to program milliseconds. Writer: UI, before the
    // tick starts.
    Shared<int64_t> BoardNullpunktUs{0};
    // Request of the UI thread (see the requests block): the sensor source
    // from the next tick on, (sequence << 1) | 1 the board, | 0 the port. The
    // system posts it only while the track is idle (RaceSystem::
    // SensorQuelleAnwenden); the reader of a board that stops being the source
    // is stopped before, so the tick never waits.
    SyncFlag<uint32_t> BoardQuelleAnfrage{0};
    Shared<uint32_t> BoardQuelleErledigt{0};  // writer: tick
    // Writer: tick. The inputs' raw levels as the board's edges left them (bit
    // n-1 = input n), whether they are known (after a heartbeat or an edge of the
    // current time line), and inputs whose heartbeat level disagreed once.
    Shared<uint16_t> BoardEingang{0};
    Shared<uint16_t> BoardBekannt{0};
    Shared<uint16_t> BoardAbweichung{0};
    // Per lane: the stamp of the pulse's first edge, and of the edge that made
    // it inactive (0: none pending), host microseconds.
    LaneArray<Shared<int64_t>> BoardPulsUs{};
    LaneArray<Shared<int64_t>> BoardEndeUs{};
    Shared<int64_t> BoardLetzteUs{0};  // newest edge stamp of the time line
    // The board latched green (lamps bit 5 went on): its stamp in program
    // milliseconds, published by the counter.
    Shared<int32_t> BoardGruenMs{0};
    Shared<int16_t> BoardGruenUs{0};  // its part below the millisecond (-500..499 us)
    SyncFlag<uint32_t> BoardGruenZahl{0};
    Shared<uint8_t> BoardLampen{0};       // lamps of the last latch
    Shared<uint32_t> BoardAbgelehnt{0};   // edges refused: stamp far from the tick's clock
    Shared<uint32_t> BoardZeitlinien{0};  // new time lines (hello, restart, line lost)
    Shared<uint32_t> BoardKorrigiert{0};  // levels taken from heartbeats (an edge went missing)

    // --- port simulator sweep ("Sim 1 MS"; writer: tick, started and stopped by
    // SimSweepAnfrage) ---
    Shared<int16_t> SimSpur{0};
    Shared<int16_t> SimTakt{0};
    Shared<uint8_t> SimRueckwaerts{0};
    Shared<uint8_t> SimWechseln{0};   // writer: UI
    Shared<int16_t> SimNachlauf{0};
    Shared<uint16_t> SimEingang{0};    // the simulated word before forced inputs
    Shared<uint32_t> SimRuheGesehen{0};
};

}  // namespace zk
