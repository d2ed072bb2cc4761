#include "race/PortSim.h"

#include <algorithm>

#include "race/Race.h"

namespace zk {

void EingangErzwingen(TickState& s, int n, bool active) {
    if (n < 1 || n > 10) return;
    const auto bit = static_cast<uint16_t>(1u << n);
    if (active) {
        s.EingangErzwungen.SetBits(bit);
    } else {
        s.EingangErzwungen.ClearBits(bit);
    }
}

void SimRuhewortSetzen(TickState& s, uint16_t word) {
    s.EingangRuhe = word;
    ++s.EingangRuheNeu;
}

void AutoSimulationLaden(RaceContext& sys) {
    PortSimulation& p = sys.portSim;
    SimRuhewortSetzen(sys.st, sys.st.EingangRuhe);
    for (int n = 1; n <= PortSimulation::kSimLanes; ++n) {
        p.AutoPeriode[n] = sys.st.MinZeit + 100 * n;
        p.AutoAktiv[n] = 0;
        p.AutoZaehler[n] = 0;
    }
    p.AutoAus = 0;
}

bool AutoFahrzeugFaehrt(const RaceState& s, int lane) {
    // Green light given, no pause, and the lane's relay on.
    return s.RennenLaeuft && !s.Pause && s.rennen.SpurStrom[lane] != 0;
}

void AutoSimulationSchritt(RaceContext& sys) {
    PortSimulation& p = sys.portSim;
    if (p.AutoAus != 0) return;
    for (int n = 1; n <= PortSimulation::kSimLanes; ++n) {
        if (p.AutoAktiv[n] != 0) {
            p.AutoAktiv[n] = 0;
            p.AutoZaehler[n] = 0;
            EingangErzwingen(sys.st, n, false);
        }
        // A car without track power stands where it is.
        if (!AutoFahrzeugFaehrt(sys.st, n)) continue;
        p.AutoZaehler[n] += 100;
        if (p.AutoZaehler[n] >= p.AutoPeriode[n]) {
            p.AutoAktiv[n] = kTrue;
            EingangErzwingen(sys.st, n, true);
        }
    }
}

void AutoSimulationLeeren(RaceContext& sys) {
    PortSimulation& p = sys.portSim;
    for (int n = 1; n <= PortSimulation::kSimLanes; ++n) {
        EingangErzwingen(sys.st, n, false);
        p.AutoAktiv[n] = 0;
        p.AutoZaehler[n] = 0;
    }
    SimRuhewortSetzen(sys.st, sys.st.EingangRuhe);
}

void AutoPeriodeSetzen(RaceContext& sys, int lane, double ms) {
    if (lane < 1 || lane > PortSimulation::kSimLanes) return;
    sys.portSim.AutoPeriode[lane] = static_cast<int32_t>(std::clamp(ms, 0.0, 2147483647.0));
}

void SimVerdrahtungSetzen(RaceContext& sys, bool on) {
    RaceState& s = sys.st;
    s.fenster.SimMaskenAktiv = on;
    // Whatever the box value: lane n on bit n-1 of the input word, active low.
    for (int n = 1; n <= 8; ++n) {
        s.Vergleich[n] = 0;
        s.Maske[n] = static_cast<int16_t>(1 << (n - 1));
    }
    s.MinLength = 1;
    s.MinZeit = 2500;
    SimRuhewortSetzen(s, 255);
}

void SimSweepTakt(RaceContext& sys, bool automatischZaehlen) {
    // The simulation window's cars drive the lanes at their set lap times; a
    // sweep over the same inputs would add crossings of its own.
    const bool autos = sys.st.fenster.FensterOffen[kWinParDebug] != 0 && sys.portSim.AutoAus == 0;
    const bool an = automatischZaehlen && !autos && sys.record.Running() && !sys.record.startLight;
    AskSimSweep(sys.st, an);
}

}  // namespace zk
