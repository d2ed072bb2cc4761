#include "tick/FastTimer.h"

#include "devices/LptIo.h"
#include "base/Clock.h"
#include "tick/BusQueue.h"

namespace zk {

bool InputActive(const TickState& s, int n, uint16_t eingang) {
    const auto mask = static_cast<uint16_t>(s.Maske[n].load());
    const auto cmp = static_cast<uint16_t>(s.Vergleich[n].load());
    return static_cast<uint16_t>(eingang & mask) == cmp;
}

uint8_t ComposeInputWord(const TickState& s, uint16_t activeInputs) {
    uint8_t w = 0;
    for (const bool active : {false, true}) {  // idle levels first, active ones win
        for (int n = 1; n <= 10; ++n) {
            if (((activeInputs >> n) & 1) != static_cast<int>(active)) continue;
            const auto m = static_cast<uint8_t>(s.Maske[n].load());
            const auto c = static_cast<uint8_t>(s.Vergleich[n].load());
            w = static_cast<uint8_t>((w & ~m) | ((active ? c : ~c) & m));
        }
    }
    return w;
}

uint16_t ForceInputs(const TickState& s, uint16_t word, uint16_t inputs) {
    if (inputs == 0) return word;  // the usual case: nothing held by hand
    for (int n = 1; n <= 10; ++n) {
        if (((inputs >> n) & 1) == 0) continue;
        const auto m = static_cast<uint16_t>(s.Maske[n].load());
        const auto c = static_cast<uint16_t>(s.Vergleich[n].load());
        word = static_cast<uint16_t>((word & ~m) | (c & m));
    }
    return word;
}

bool LptZugriff(const TickState& s, const LptIo& port) {
    return s.LptPort != 0 && s.LptBasis != 0 && port.Available();
}

void LptDatenAusgeben(TickState& s, LptIo& port) {
    if (!LptZugriff(s, port)) return;
    port.Out32(static_cast<uint16_t>(s.LptBasis), static_cast<uint8_t>(s.LptDaten.load() & 0xFF));
}

void LptSteuerAusgeben(TickState& s, LptIo& port) {
    if (!LptZugriff(s, port)) return;
    port.Out32(static_cast<uint16_t>(s.LptBasis + 2), s.LptSteuer.load());
}

// A lane's acquisition starts afresh: no pulse, nothing measured, and "no
// lockout", one millisecond in the past, so that the wrap-safe comparison sees
// an open lane whatever the clock reads.
static void PulsVergessen(TickState& s, int l, int32_t now) {
    s.SperreBis[l] = TimeAdd(now, -1);
    s.ImPuls[l] = false;
    s.PulsLaenge[l] = 0;
    s.PulsGemeldet[l] = false;
    s.AktivAbtastungen[l] = 0;
    s.InaktivAbtastungen[l] = 0;
    s.BoardEndeUs[l] = 0;
}

void CarryOutRequests(TickContext& t) {
    TickState& s = t.s;
    const uint32_t summe = s.AnfrageSumme;
    if (summe == s.AnfrageSummeGesehen) return;
    s.AnfrageSummeGesehen = summe;
    const int32_t now = s.AktZeit;
    const uint32_t reset = s.ResetAnfrage;
    if (reset != s.ResetErledigt) {
        for (int l = 0; l <= kLanes; ++l) {
            PulsVergessen(s, l, now);
            s.RundeOffen[l] = false;
            s.FehlstartZahl[l] = s.FehlstartQuittung[l].load();
            s.Erfasst[l] = 0;
        }
        s.ResetErledigt = reset;
    }
    const uint32_t laden = s.NachlaufLaden;
    if (laden != s.NachlaufLadenErledigt) {
        const bool nurOhneNachlauf = (laden & 1u) != 0;
        if (!nurOhneNachlauf || s.NachlaufStatus == Nachlauf::Aus) s.NachlaufRest = s.Nachzeit.load();
        s.NachlaufLadenErledigt = laden;
    }
    const uint32_t soll = s.NachlaufSoll;
    if (soll != s.NachlaufSollErledigt) {
        s.NachlaufStatus = (soll & 1u) != 0 ? Nachlauf::Laeuft : Nachlauf::Aus;
        s.NachlaufSollErledigt = soll;
    }
    const uint32_t busFrei = s.BusFreiAnfrage;
    if (busFrei != s.BusFreiErledigt) {
        s.LptSteuer.ClearBits(kBusLineBits);
        LptSteuerAusgeben(s, t.port);
        s.BusFreiErledigt = busFrei;
    }
    const uint32_t quelle = s.BoardQuelleAnfrage;
    if (quelle != s.BoardQuelleErledigt) {
        // The track is idle (the system asks only then): a pulse the old
        // source left open ends without a crossing, and the new source starts
        // with no lane locked out.
        const bool neu = (quelle & 1u) != 0;
        if (neu != s.BoardQuelle) {
            for (int l = 1; l <= kLanes; ++l) PulsVergessen(s, l, now);
            s.BoardQuelle = neu;
        }
        s.BoardQuelleErledigt = quelle;
    }
    const uint32_t sweep = s.SimSweepAnfrage;
    if (sweep != s.SimSweepErledigt) {
        s.SimSpur = static_cast<int16_t>(sweep & 1u);
        s.SimSweepErledigt = sweep;
    }
}

void FastTimerTick(TickContext& t) {
    TickState& s = t.s;
    if (s.TickBelegt) ++s.TickUeberlauf;
    s.TickBelegt = true;
    s.AktZeit = t.clock.NowMs();
    CarryOutRequests(t);
    ReadLptInputs(t);
    SampleLanes(t);
    if (s.I2CAktiv) t.bus.I2CTakt(s, t.port);
    s.TickBelegt = false;
}

void ReadLptInputs(TickContext& t) {
    TickState& s = t.s;
    const int32_t now = s.AktZeit;
    // The simulated word restarts from the idle word whenever the UI sets a new one.
    const uint32_t ruheNeu = s.EingangRuheNeu;
    if (ruheNeu != s.SimRuheGesehen) {
        s.SimRuheGesehen = ruheNeu;
        s.SimEingang = s.EingangRuhe.load();
    }
    if (s.SimulationActive) {
        // A reset starts the measurement afresh: the time before it (before the
        // simulation started, say) is no gap between two ticks.
        const uint32_t statReset = s.StatResetAnfrage;
        if (statReset != s.StatResetErledigt) {
            s.StatResetErledigt = statReset;
            s.TickMaxAbstand = 0;
            s.TickLetzte = now;
        }
        const int32_t gap = TimeDiff(now, s.TickLetzte);
        if (gap > s.TickMaxAbstand) s.TickMaxAbstand = gap;
        s.TickLetzte = now;
        ++s.TickZaehler;
        s.TickAbweichung = static_cast<double>(TimeDiff(now, s.TickZaehler));
        if (s.TickMaxAbstand < 0) s.TickMaxAbstand = 0;
        if (s.BoardQuelle) DropBoardMessages(t);
        SimulateInputs(t);
        s.Eingang = ForceInputs(s, s.SimEingang, s.EingangErzwungen);
        // The simulated word carries the lanes only (with "Automatisch zählen"
        // on bits the buttons may share); the buttons are pressed only when the
        // test window holds them.
        const uint16_t erzwungen = s.EingangErzwungen;
        ReadPushButtons(s, (erzwungen >> 9) & 1, (erzwungen >> 10) & 1);
        return;
    }

    if (s.BoardQuelle) {
        ReadBoardInputs(t);
        return;
    }
    if (LptZugriff(s, t.port)) {
        const auto base = static_cast<uint16_t>(s.LptBasis);
        const uint8_t status = t.port.Inp32(static_cast<uint16_t>(base + 1));
        const uint8_t control = t.port.Inp32(static_cast<uint16_t>(base + 2));
        s.SimEingang = static_cast<uint16_t>((status & 0xF8) | (control & 0x07));
    }
    const uint16_t in = ForceInputs(s, s.SimEingang, s.EingangErzwungen);
    s.Eingang = in;
    ReadPushButtons(s, InputActive(s, 9, in), InputActive(s, 10, in));
}

void ReadPushButtons(TickState& s, bool gelb, bool chaos) {
    // Input 9: yellow-phase button. Each press is counted, so race control
    // triggers the safety car once per press however long it is held.
    if (gelb && s.GelbphaseEin) {
        if (!s.GelbTaste) ++s.GelbDruck;
        s.GelbTaste = true;
    } else {
        s.GelbTaste = false;
    }
    // Input 10: chaos button. Each release is counted, so race control sees a
    // release even when press and release fall between two of its cycles.
    if (chaos && s.ChaosEin) {
        s.ChaosTaste = true;
    } else {
        if (s.ChaosTaste) ++s.ChaosLosgelassen;
        s.ChaosTaste = false;
    }
}

void SampleLanes(TickContext& t) {
    TickState& s = t.s;
    const int32_t now = s.AktZeit;
    const bool rennenLaeuft = s.RennenLaeuft;
    const bool startPhase = s.StartPhase;

    if ((rennenLaeuft || startPhase) && !s.Pause) {
        const uint16_t in = s.Eingang;
        const int16_t minLength = s.MinLength;
        // The board's edges ran the lane rules already (ReadBoardInputs).
        const bool board = s.BoardQuelle && !s.SimulationActive;
        for (int lane = 1; lane <= kLanes; ++lane) {
            const int32_t sperre = board ? 0 : s.SperreBis[lane].load();
            const int32_t bisSperreEnde = TimeDiff(sperre, now);
            if (!board && bisSperreEnde < 0 && bisSperreEnde < -(int32_t{1} << 30)) {
                // A lane idle for a very long time: keep the lockout end in the
                // past so the wrapping clock can never make it look locked.
                s.SperreBis[lane] = TimeAdd(now, -1);
            }
            if (!board && bisSperreEnde < 0) {
                const bool active = InputActive(s, lane, in);
                if (active) {
                    if (!s.ImPuls[lane]) {
                        // A new pulse: its first active sample is the crossing time.
                        s.DurchfahrtUs[lane] = 0;
                        s.Durchfahrt[lane] = now;
                        s.PulsLaenge[lane] = 0;
                        s.PulsGemeldet[lane] = false;
                    }
                    s.ImPuls[lane] = true;
                    ++s.AktivAbtastungen[lane];
                    const int32_t len = ++s.PulsLaenge[lane];
                    if (len >= minLength && !s.PulsGemeldet[lane]) {
                        s.PulsGemeldet[lane] = true;
                        if (!s.ErsteDurchfahrt[lane]) ++s.Erfasst[lane];
                        s.RundeOffen[lane] = true;
                    }
                } else if (s.ImPuls[lane]) {
                    if (s.PulsGemeldet[lane]) {
                        if (++s.InaktivAbtastungen[lane] > 5) {
                            s.SperreBis[lane] = TimeAdd(now, s.MinZeit);
                            s.AktivAbtastungen[lane] = 0;
                            s.ImPuls[lane] = false;
                            s.InaktivAbtastungen[lane] = 0;
                        }
                    } else {
                        // Too short to be a car: discard, no crossing, no lockout.
                        s.AktivAbtastungen[lane] = 0;
                        s.ImPuls[lane] = false;
                    }
                }
            }
            // False start: also for lanes in lockout.
            if (s.SpurAktiv[lane] && startPhase && !rennenLaeuft && s.RundeOffen[lane] &&
                s.FehlstartZahl[lane] == s.FehlstartQuittung[lane]) {
                s.FehlstartZahl[lane] = s.FehlstartZahl[lane] + 1;
            }
        }
    }

    if (s.NachlaufStatus == Nachlauf::Laeuft) {
        if (s.NachlaufRest > 0) {
            --s.NachlaufRest;
        } else {
            s.NachlaufStatus = Nachlauf::Vorbei;
        }
    }
}

void SimulateInputs(TickContext& t) {
    TickState& s = t.s;
    if (s.SimSpur > 0) {
        if (s.SimTakt > 100) {
            const int n = s.SimRueckwaerts == 0 ? s.SimSpur.load() : 9 - s.SimSpur.load();
            const auto mask = static_cast<uint16_t>(s.Maske[n].load());
            uint16_t in = s.SimEingang;
            if (s.Vergleich[n] != 0) {
                in = static_cast<uint16_t>(in | mask);
            } else {
                in = static_cast<uint16_t>(in & ~mask);
            }
            s.SimEingang = in;
            LptDatenAusgeben(s, t.port);
            if (++s.SimSpur == 9) {
                s.SimSpur = 0;
                s.SimNachlauf = 10;
                if (s.SimWechseln != 0) s.SimRueckwaerts = s.SimRueckwaerts == 0 ? 1 : 0;
            }
            s.SimTakt = 0;
        } else {
            ++s.SimTakt;
        }
    }
    if (s.SimNachlauf > 0) {
        if (--s.SimNachlauf == 1) s.SimEingang = s.EingangRuhe.load();
    }
}

}  // namespace zk
