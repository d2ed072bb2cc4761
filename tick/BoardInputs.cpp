// The board as the sensor source. The port is sampled once a millisecond and a
// pulse is judged by its samples; the board sends every edge with its own
// stamp, so the same rules are applied edge by edge at the edge's time:
//
//  - a lane's pulse starts with an edge that makes it active while it is not
//    locked out; its start stamp is the crossing time (Durchfahrt);
//  - it registers once it has been active MinLength milliseconds (less half a
//    millisecond: the port counts samples, which fall on whole milliseconds);
//    a shorter pulse is dropped without a lockout;
//  - a registered pulse ends when its lane stays inactive for more than 5 ms
//    (the port's 6 inactive samples); the lockout MinZeit runs from there;
//  - masks (teach-in) decide which level is active, on the word of the board's
//    levels (bit n-1 = input n);
//  - nothing is registered while the race neither runs nor shows its start
//    light, nor while paused; false starts and the after-run stay with
//    SampleLanes, which runs after this.
//
// A pulse still active registers when an edge stamped at least MinLength after
// its start arrives (edges come in the order they happened), or after
// kBoardWartenMs when none comes (a car standing on the sensor): the crossing
// time is the stamp either way, only the hand-over is later.
//
// A new time line (the board restarted, the line was lost) ends every pulse
// without a crossing and forgets the levels until the next heartbeat: nothing
// is invented. A level that two heartbeats in a row report against what the
// edges left (an edge was lost) is taken from the heartbeat, without a crossing.
#include <cstdint>

#include "devices/SensorBoard.h"
#include "tick/FastTimer.h"

namespace zk {

namespace {

constexpr int32_t kBoardWartenMs = 300;    // longest wait for the edge that ends a pulse
constexpr int64_t kBoardZukunftMs = 2000;  // stamps further ahead of the tick are refused

bool LaneRuns(const TickState& s) {
    return (s.RennenLaeuft || s.StartPhase) && !s.Pause;
}

void Melden(TickState& s, int lane) {
    s.PulsGemeldet[lane] = true;
    if (!s.ErsteDurchfahrt[lane]) ++s.Erfasst[lane];
    s.RundeOffen[lane] = true;
}

// The registered pulse ended at the inactive edge `endeUs`: lockout from 6 ms later.
void PulsEnde(TickState& s, int lane, int64_t endeUs) {
    s.SperreBis[lane] = TimeAdd(TimeAdd(BoardMs(s, endeUs), 6), s.MinZeit);
    s.AktivAbtastungen[lane] = 0;
    s.InaktivAbtastungen[lane] = 0;
    s.ImPuls[lane] = false;
    s.BoardEndeUs[lane] = 0;
}

int64_t MinLengthUs(const TickState& s) { return int64_t{s.MinLength} * 1000 - 500; }

// One lane after its input changed to `active` at `us`.
void LaneEdge(TickState& s, int lane, bool active, int64_t us) {
    // A pending end that lies more than 5 ms back has ended the pulse.
    const int64_t ende = s.BoardEndeUs[lane];
    if (ende != 0 && us - ende > 5000) PulsEnde(s, lane, ende);
    if (active) {
        if (s.ImPuls[lane]) {
            s.BoardEndeUs[lane] = 0;  // chatter within 5 ms: the pulse goes on
            return;
        }
        const int32_t ms = BoardMs(s, us);
        if (TimeDiff(s.SperreBis[lane], ms) >= 0) return;  // locked out
        s.DurchfahrtUs[lane] = BoardUsRest(s, us);
        s.Durchfahrt[lane] = ms;
        s.BoardPulsUs[lane] = us;
        s.BoardEndeUs[lane] = 0;
        s.PulsLaenge[lane] = 0;
        s.PulsGemeldet[lane] = false;
        s.ImPuls[lane] = true;
        ++s.AktivAbtastungen[lane];
        return;
    }
    if (!s.ImPuls[lane]) return;
    if (!s.PulsGemeldet[lane]) {
        if (us - s.BoardPulsUs[lane] < MinLengthUs(s)) {
            // Too short to be a car: dropped, no crossing, no lockout.
            s.AktivAbtastungen[lane] = 0;
            s.ImPuls[lane] = false;
            return;
        }
        Melden(s, lane);
    }
    if (s.BoardEndeUs[lane] == 0) s.BoardEndeUs[lane] = us;
}

// Every lane whose activity differs between `alt` and `neu` (both input words).
void LanesChanged(TickState& s, uint16_t alt, uint16_t neu, int64_t us, bool zeitGueltig) {
    if (!LaneRuns(s)) return;
    for (int lane = 1; lane <= kLanes; ++lane) {
        const bool a = InputActive(s, lane, alt), n = InputActive(s, lane, neu);
        if (a == n) continue;
        if (zeitGueltig) {
            LaneEdge(s, lane, n, us);
        } else if (!n && s.ImPuls[lane]) {
            // A level taken from a heartbeat: no crossing from it; a pulse it
            // ends is over (with its lockout when it had registered).
            if (s.PulsGemeldet[lane]) {
                PulsEnde(s, lane, us);
            } else {
                s.ImPuls[lane] = false;
                s.AktivAbtastungen[lane] = 0;
            }
        } else if (n && !s.ImPuls[lane]) {
            // Active without its edge: held as a registered pulse that times
            // nothing, so its end only locks the lane out.
            s.ImPuls[lane] = true;
            s.PulsGemeldet[lane] = true;
            s.BoardEndeUs[lane] = 0;
        }
    }
}

void NeueZeitlinie(TickState& s) {
    ++s.BoardZeitlinien;
    s.BoardBekannt = 0;
    s.BoardAbweichung = 0;
    s.BoardLetzteUs = 0;
    for (int lane = 1; lane <= kLanes; ++lane) {
        if (!s.ImPuls[lane]) continue;
        if (s.PulsGemeldet[lane]) {
            // Registered before the board went: its lockout runs from its last
            // known edge, or from its start.
            const int64_t ende = s.BoardEndeUs[lane];
            PulsEnde(s, lane, ende != 0 ? ende : s.BoardPulsUs[lane].load());
        } else {
            s.ImPuls[lane] = false;
            s.AktivAbtastungen[lane] = 0;
            s.BoardEndeUs[lane] = 0;
        }
    }
}

}  // namespace

namespace {

// Program milliseconds of a host microsecond, rounded to the nearest (a half
// upwards), not yet wrapped to the clock's 32 bits.
int64_t BoardMs64(const TickState& s, int64_t hostUs) {
    const int64_t rel = hostUs - s.BoardNullpunktUs.load() + 500;
    return rel >= 0 ? rel / 1000 : -((-rel + 999) / 1000);
}

}  // namespace

int32_t BoardMs(const TickState& s, int64_t hostUs) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(BoardMs64(s, hostUs))));
}

int16_t BoardUsRest(const TickState& s, int64_t hostUs) {
    return static_cast<int16_t>(hostUs - s.BoardNullpunktUs.load() - BoardMs64(s, hostUs) * 1000);
}

void DropBoardMessages(TickContext& t) {
    TickState& s = t.s;
    BoardMeldung m;
    while (t.board.NaechsteMeldung(m)) {
        // The levels stay live for the port test window; nothing is timed.
        if (m.art == BoardMeldung::NeueZeit) {
            NeueZeitlinie(s);
        } else if (m.art == BoardMeldung::Pegel) {
            s.BoardEingang = m.levels;
            s.BoardBekannt = 1;
        } else if (m.art == BoardMeldung::Kante && m.input >= 1 && m.input <= 10) {
            const auto bit = static_cast<uint16_t>(1u << (m.input - 1));
            const uint16_t alt = s.BoardEingang;
            s.BoardEingang = static_cast<uint16_t>(m.level != 0 ? (alt | bit) : (alt & ~bit));
        }
    }
}

void ReadBoardInputs(TickContext& t) {
    TickState& s = t.s;
    const int32_t now = s.AktZeit;
    BoardMeldung m;
    while (t.board.NaechsteMeldung(m)) {
        switch (m.art) {
            case BoardMeldung::NeueZeit: NeueZeitlinie(s); break;
            case BoardMeldung::Pegel: {
                const uint16_t alt = s.BoardEingang;
                if (s.BoardBekannt == 0) {
                    s.BoardEingang = m.levels;
                    s.BoardBekannt = 1;
                    LanesChanged(s, alt, m.levels, m.hostUs, false);
                    break;
                }
                // Twice in a row against the edges: an edge went missing.
                const auto anders = static_cast<uint16_t>((alt ^ m.levels) & 0x3FF);
                const auto fix = static_cast<uint16_t>(anders & s.BoardAbweichung);
                s.BoardAbweichung = static_cast<uint16_t>(anders & ~fix);
                if (fix != 0) {
                    const auto neu = static_cast<uint16_t>((alt & ~fix) | (m.levels & fix));
                    s.BoardEingang = neu;
                    ++s.BoardKorrigiert;
                    LanesChanged(s, alt, neu, m.hostUs, false);
                }
                break;
            }
            case BoardMeldung::Angewendet: {
                const uint8_t alt = s.BoardLampen;
                s.BoardLampen = m.lamps;
                if ((m.lamps & 0x20) != 0 && (alt & 0x20) == 0) {
                    s.BoardGruenUs = BoardUsRest(s, m.hostUs);
                    s.BoardGruenMs = BoardMs(s, m.hostUs);
                    s.BoardGruenZahl = s.BoardGruenZahl + 1;
                }
                break;
            }
            case BoardMeldung::Kante: {
                if (m.input < 1 || m.input > 10) break;
                const auto bit = static_cast<uint16_t>(1u << (m.input - 1));
                const uint16_t alt = s.BoardEingang;
                const auto neu = static_cast<uint16_t>(m.level != 0 ? (alt | bit) : (alt & ~bit));
                s.BoardEingang = neu;
                s.BoardBekannt = 1;
                s.BoardAbweichung = static_cast<uint16_t>(s.BoardAbweichung & ~bit);
                // A stamp far ahead of the program's clock cannot be: the level
                // is kept, the edge times nothing.
                const bool gueltig = TimeDiff(BoardMs(s, m.hostUs), now) <= kBoardZukunftMs;
                if (!gueltig) ++s.BoardAbgelehnt;
                if (gueltig && m.hostUs > s.BoardLetzteUs) s.BoardLetzteUs = m.hostUs;
                if (m.input <= kLanes) {
                    LanesChanged(s, alt, neu, m.hostUs, gueltig);
                } else {
                    const uint16_t in = ForceInputs(s, neu, s.EingangErzwungen);
                    ReadPushButtons(s, InputActive(s, 9, in), InputActive(s, 10, in));
                }
                break;
            }
            default: break;
        }
    }

    const uint16_t in = ForceInputs(s, s.BoardEingang, s.EingangErzwungen);
    s.Eingang = in;
    ReadPushButtons(s, InputActive(s, 9, in), InputActive(s, 10, in));
    if (!LaneRuns(s)) return;

    // Pulses still active register once a later edge or enough waiting shows
    // they lasted MinLength; ends pending long enough end their pulse.
    const int64_t letzte = s.BoardLetzteUs;
    for (int lane = 1; lane <= kLanes; ++lane) {
        if (!s.ImPuls[lane]) continue;
        const int64_t start = s.BoardPulsUs[lane];
        const int64_t ende = s.BoardEndeUs[lane];
        if (!s.PulsGemeldet[lane]) {
            if (!InputActive(s, lane, s.BoardEingang)) {
                // Inactive without an edge of this time line (a pause in between): dropped.
                s.ImPuls[lane] = false;
                s.AktivAbtastungen[lane] = 0;
            } else if (letzte - start >= MinLengthUs(s) ||
                       TimeDiff(now, BoardMs(s, start)) > s.MinLength + kBoardWartenMs) {
                Melden(s, lane);
            }
        } else if (ende != 0) {
            if (TimeDiff(now, BoardMs(s, ende)) > kBoardWartenMs || letzte - ende > 5000) PulsEnde(s, lane, ende);
        } else if (!InputActive(s, lane, s.BoardEingang)) {
            // Went inactive while the lane was not watched (a pause): it ends now.
            s.BoardEndeUs[lane] = int64_t{now} * 1000 + s.BoardNullpunktUs;
        }
    }
}

}  // namespace zk
