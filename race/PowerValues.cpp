#include "race/PowerValues.h"

#include <cmath>

#include "settings/ProfileParse.h"
#include "race/Race.h"

namespace zk {

uint8_t ConverterValue(double volts, int16_t korrekturMv, int32_t voltFaktor) {
    return RoundToByte((korrekturMv / 1000.0 + volts) * voltFaktor);
}

void RebuildTankAbzug(RaceState& st, int volleVolt) {
    st.spannung.TankAbzug.fill(0);
    if (volleVolt >= 100) return;  // no level lies above it
    const double step = st.spannung.HubWert / (100 - volleVolt);
    for (int l = 100; l >= 0; --l)
        if (l > volleVolt) st.spannung.TankAbzug[l] = RoundToInt16((l - volleVolt) * step);
}

void DerivePowerValues(RaceContext& sys) {
    const auto& p = sys.cfg.KVPowerSetup;
    RaceState& st = sys.st;
    if (p.Gain1 != 0) {
        st.spannung.VoltFaktor = 16;
    } else if (p.Gain2 != 0) {
        st.spannung.VoltFaktor = 10;
    }
    for (int n = 1; n <= kLanes; ++n) {
        st.spannung.SpurVolt[n] = p.SpurSpannung[n];
        st.spannung.SpurWert[n] = ConverterValue(p.SpurSpannung[n], p.Korrektur, st.spannung.VoltFaktor);
    }
    st.spannung.HubWert = st.spannung.VoltFaktor * p.VoltHub;
    st.spannung.SCWert = RoundToByte(p.SCVolt * st.spannung.VoltFaktor);
    st.spannung.TrockenWert = RoundToByte(static_cast<double>(sys.cfg.Tankoption.TrockenSpannung) * st.spannung.VoltFaktor);
    RebuildTankAbzug(st, RoundToInt16(p.VolleVolt));
}

}  // namespace zk
