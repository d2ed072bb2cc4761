// The words the 1 ms tick shares with the UI thread.
//
// The tick thread may touch nothing but these words, the port and the bus queue
// (TickContext below): the tick functions take a TickContext, so the compiler,
// not a comment, keeps the tick away from the UI thread's race state.
//
// Every word has one writer, named beside it. Plain words are relaxed; the
// hand-over flags (RundeOffen, Fehlstart, NachlaufStatus, GelbTaste, ChaosTaste,
// StartPhase, RennenLaeuft, Pause) publish with release and are read with acquire,
// so whatever the writer stored before the flag is visible once the flag is seen.
// Exception to the one-writer rule: `Runden` is incremented by the tick and
// corrected by race control on the UI thread (fuel penalty), always by atomic
// read-modify-write, so neither thread loses the other's change.
//
// Lanes are numbered 1..8; arrays marked "0..8" have nine elements of which
// element 0 carries no lane.
//
// Flags: a state flag is set when it is not 0 and is always tested that way
// (`!= 0` / `== 0`); race control sets it to kTrue (-1), a few counters of the
// tick to 1. Options copied from the settings file keep the file's meaning: on
// is exactly 1, because a file may hold other values.
#pragma once

#include <array>
#include <cstdint>

#include "base/Shared.h"

namespace zk {

constexpr int kLanes = 8;

template <class T>
using LaneArray = std::array<T, kLanes + 1>;  // 0..8

// After-run state: 1 is set by a pause and by the race-end check; the tick sets 2
// when the after-run time has run out; race control sets 0.
enum class Nachlauf : int16_t { Aus = 0, Laeuft = 1, Vorbei = 2 };

struct TickState {
    // --- clock and timer statistics (writer: tick, unless stated) ---
    Shared<int32_t> AktZeit{0};
    Shared<int32_t> Startzeit{0};       // writer: UI (program start)
    Shared<int32_t> TimerHandle{0};     // writer: UI (timer start/stop)
    Shared<int16_t> TimerLaeuft{0};     // writer: UI (timer start/stop)
    Shared<int16_t> TickBelegt{0};
    Shared<int32_t> TickUeberlauf{0};
    Shared<int32_t> TickLetzte{0};
    Shared<int32_t> TickMaxAbstand{0};
    Shared<int32_t> TickZaehler{0};     // seeded by the UI before the timer starts
    Shared<uint8_t> TickStatReset{0};   // set by the UI, cleared by the tick (hand-shake)
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
    Shared<int16_t> GelbphaseEin{0};
    Shared<int16_t> ChaosEin{0};
    Shared<int16_t> MinLength{0};
    Shared<int16_t> MinZeit{0};
    Shared<int16_t> Nachzeit{0};
    LaneArray<Shared<int16_t>> SpurAktiv{};
    Shared<int16_t> SimulationActive{0};
    Shared<int16_t> I2CAktiv{0};

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
    SyncFlag<int16_t> GelbTaste{0};
    Shared<int16_t> GelbAusgeloest{0};  // also cleared by the UI after a key press
    SyncFlag<int16_t> ChaosTaste{0};
    Shared<int16_t> ChaosGemerkt{0};    // cleared by the UI when it has acted on it

    // --- race phase (writer: UI; the tick only reads them, except NachlaufStatus
    // 1 -> 2 and the countdown of NachlaufRest) ---
    SyncFlag<int16_t> StartPhase{0};
    SyncFlag<int16_t> RennenLaeuft{0};
    SyncFlag<int16_t> Pause{0};
    SyncFlag<Nachlauf> NachlaufStatus{Nachlauf::Aus};
    Shared<int16_t> NachlaufRest{0};

    // --- per-lane acquisition (writer: tick; reset by race control while the
    // sampler is gated off) ---
    LaneArray<Shared<int32_t>> SperreBis{};
    LaneArray<Shared<int16_t>> ImPuls{};
    LaneArray<Shared<int32_t>> Durchfahrt{};
    LaneArray<Shared<int32_t>> PulsLaenge{};
    LaneArray<Shared<int16_t>> PulsGemeldet{};
    LaneArray<Shared<int32_t>> AktivAbtastungen{};
    LaneArray<Shared<int32_t>> InaktivAbtastungen{};
    // A registered crossing waiting for the 100 ms evaluation. The tick sets it
    // (after Durchfahrt and the lap count), the evaluation clears it. The lockout
    // after a crossing (MinZeit, never below 500 ms) is longer than the 100 ms
    // evaluation cycle, so the tick cannot overwrite Durchfahrt before the
    // evaluation has read it.
    LaneArray<SyncFlag<int16_t>> RundeOffen{};
    LaneArray<SyncFlag<int16_t>> Fehlstart{};
    LaneArray<Shared<int32_t>> Runden{};
    LaneArray<Shared<int16_t>> ErsteDurchfahrt{};  // writer: UI (race start, evaluation)

    // --- port register images ---
    // Only the low byte of LptDaten reaches the data register; bits 8 and 9 (power
    // of lanes 5 and 6) reach the relay board on the two-wire bus, bits 10 and 11
    // (lanes 7 and 8) nothing. Writer: UI. LptSteuer bits 1 and 3 belong to the
    // bus engine on the tick, every other bit to the UI; both change their bits
    // only by atomic bit operations.
    Shared<uint16_t> LptDaten{0};
    Shared<uint8_t> LptSteuer{0};

    // --- port simulator sweep ("Sim 1 MS"; writer: tick, started by the UI) ---
    Shared<int16_t> SimSpur{0};       // set to 1 by the UI to start a sweep
    Shared<int16_t> SimTakt{0};
    Shared<uint8_t> SimRueckwaerts{0};
    Shared<uint8_t> SimWechseln{0};   // writer: UI
    Shared<int16_t> SimNachlauf{0};
    Shared<uint16_t> SimEingang{0};    // the simulated word before forced inputs
    Shared<uint32_t> SimRuheGesehen{0};
};

}  // namespace zk
