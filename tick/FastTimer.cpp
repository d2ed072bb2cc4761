#include "tick/FastTimer.h"

#include "race/Lpt.h"
#include "system/RaceSystem.h"

namespace zk {

bool InputActive(const RaceState& s, int n, uint16_t eingang) {
    const auto mask = static_cast<uint16_t>(s.Maske[n].load());
    const auto cmp = static_cast<uint16_t>(s.Vergleich[n].load());
    return static_cast<uint16_t>(eingang & mask) == cmp;
}

uint8_t ComposeInputWord(const RaceState& s, uint16_t activeInputs) {
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

void FastTimerTick(RaceSystem& sys) {
    RaceState& s = sys.st;
    if (s.TickBelegt == 1) ++s.TickUeberlauf;
    s.TickBelegt = 1;
    s.AktZeit = sys.clock().NowMs();
    ReadLptInputs(sys);
    SampleLanes(sys);
    if (s.I2CAktiv == 1) sys.hooks().I2CTakt();
    s.TickBelegt = 0;
}

void ReadLptInputs(RaceSystem& sys) {
    RaceState& s = sys.st;
    const int32_t now = s.AktZeit;
    if (s.SimulationActive == 1) {
        const int32_t gap = TimeDiff(now, s.TickLetzte);
        if (gap > s.TickMaxAbstand) s.TickMaxAbstand = gap;
        s.TickLetzte = now;
        ++s.TickZaehler;
        s.TickAbweichung = static_cast<double>(TimeDiff(now, s.TickZaehler));
        if (s.TickStatReset == 1) {
            s.TickStatReset = 0;
            s.TickMaxAbstand = 0;
        }
        if (s.TickMaxAbstand < 0) s.TickMaxAbstand = 0;
        SimulateInputs(sys);
        return;
    }

    if (LptZugriff(sys)) {
        const auto base = static_cast<uint16_t>(s.LptBasis);
        const uint8_t status = sys.port().Inp32(static_cast<uint16_t>(base + 1));
        const uint8_t control = sys.port().Inp32(static_cast<uint16_t>(base + 2));
        s.Eingang = static_cast<uint16_t>((status & 0xF8) | (control & 0x07));
    }
    const uint16_t in = s.Eingang;

    // Input 9: yellow-phase button. GelbAusgeloest is cleared only once the button
    // is released, so one press triggers the safety car once.
    if (InputActive(s, 9, in) && s.GelbphaseEin == 1) {
        s.GelbTaste = kTrue;
    } else {
        s.GelbTaste = 0;
        s.GelbAusgeloest = 0;
    }
    // Input 10: chaos button. ChaosGemerkt stays set after release.
    if (InputActive(s, 10, in) && s.ChaosEin == 1) {
        s.ChaosTaste = kTrue;
        s.ChaosGemerkt = kTrue;
    } else {
        s.ChaosTaste = 0;
    }
}

void SampleLanes(RaceSystem& sys) {
    RaceState& s = sys.st;
    const int32_t now = s.AktZeit;
    const int16_t rennenLaeuft = s.RennenLaeuft;
    const int16_t startPhase = s.StartPhase;

    if ((rennenLaeuft == kTrue || startPhase == kTrue) && s.Pause == 0) {
        const uint16_t in = s.Eingang;
        const int16_t minLength = s.MinLength;
        for (int lane = 1; lane <= kLanes; ++lane) {
            const int32_t sperre = s.SperreBis[lane];
            const int32_t bisSperreEnde = TimeDiff(sperre, now);
            if (bisSperreEnde < 0 && bisSperreEnde < -(int32_t{1} << 30)) {
                // A lane idle for a very long time: keep the lockout end in the
                // past so the wrapping clock can never make it look locked.
                s.SperreBis[lane] = TimeAdd(now, -1);
            }
            if (bisSperreEnde < 0) {
                const bool active = InputActive(s, lane, in);
                if (active) {
                    if (s.ImPuls[lane] == 0) {
                        // A new pulse: its first active sample is the crossing time.
                        s.Durchfahrt[lane] = now;
                        s.PulsLaenge[lane] = 0;
                        s.PulsGemeldet[lane] = 0;
                    }
                    s.ImPuls[lane] = kTrue;
                    ++s.AktivAbtastungen[lane];
                    const int32_t len = ++s.PulsLaenge[lane];
                    if (len >= minLength && s.PulsGemeldet[lane] == 0) {
                        s.PulsGemeldet[lane] = kTrue;
                        // The lap count is in place before the flag is published,
                        // so the evaluation sees the count that belongs to it.
                        if (s.ErsteDurchfahrt[lane] == 0) ++s.Runden[lane];
                        s.RundeOffen[lane] = kTrue;
                    }
                } else if (s.ImPuls[lane] == kTrue) {
                    if (s.PulsGemeldet[lane] == kTrue) {
                        if (++s.InaktivAbtastungen[lane] > 5) {
                            s.SperreBis[lane] = TimeAdd(now, s.MinZeit);
                            s.AktivAbtastungen[lane] = 0;
                            s.ImPuls[lane] = 0;
                            s.InaktivAbtastungen[lane] = 0;
                        }
                    } else {
                        // Too short to be a car: discard, no crossing, no lockout.
                        s.AktivAbtastungen[lane] = 0;
                        s.ImPuls[lane] = 0;
                    }
                }
            }
            // False start: also for lanes in lockout.
            if (s.SpurAktiv[lane] != 0 && startPhase == kTrue && rennenLaeuft == 0 && s.Fehlstart[lane] == 0) {
                s.Fehlstart[lane] = s.RundeOffen[lane].load();
            }
        }
    }

    if (s.NachlaufStatus == 1) {
        if (s.NachlaufRest > 0) {
            --s.NachlaufRest;
        } else {
            s.NachlaufStatus = 2;
        }
    }
}

void SimulateInputs(RaceSystem& sys) {
    RaceState& s = sys.st;
    if (s.SimSpur > 0) {
        if (s.SimTakt > 100) {
            const int n = s.SimRueckwaerts == 0 ? s.SimSpur.load() : 9 - s.SimSpur.load();
            const auto mask = static_cast<uint16_t>(s.Maske[n].load());
            uint16_t in = s.Eingang;
            if (s.Vergleich[n] != 0) {
                in = static_cast<uint16_t>(in | mask);
            } else {
                in = static_cast<uint16_t>(in & ~mask);
            }
            s.Eingang = in;
            LptDatenAusgeben(sys);
            if (++s.SimSpur == 9) {
                s.SimSpur = 0;
                s.SimNachlauf = 10;
                if (s.SimWechseln == 1) s.SimRueckwaerts = s.SimRueckwaerts == 0 ? 1 : 0;
            }
            s.SimTakt = 0;
        } else {
            ++s.SimTakt;
        }
    }
    if (s.SimNachlauf > 0) {
        if (--s.SimNachlauf == 1) s.Eingang = s.EingangRuhe.load();
    }
}

}  // namespace zk
