#include "race/PowerValues.h"

#include <cmath>

#include "settings/ProfileParse.h"
#include "race/Race.h"

namespace zk {

uint8_t ConverterValue(double volts, int16_t korrekturMv, int32_t voltFaktor) {
    return RoundToByte((korrekturMv / 1000.0 + volts) * voltFaktor);
}

void RebuildTankAbzug(RaceState& st, int volleVolt) {
    st.TankAbzug.fill(0);
    if (volleVolt >= 100) return;  // no level lies above it
    const double step = st.HubWert / (100 - volleVolt);
    for (int l = 100; l >= 0; --l)
        if (l > volleVolt) st.TankAbzug[l] = RoundToInt16((l - volleVolt) * step);
}

void DerivePowerValues(RaceContext& sys) {
    const auto& p = sys.cfg.KVPowerSetup;
    RaceState& st = sys.st;
    if (p.Gain1 != 0) {
        st.VoltFaktor = 16;
    } else if (p.Gain2 != 0) {
        st.VoltFaktor = 10;
    }
    for (int n = 1; n <= kLanes; ++n) {
        st.SpurVolt[n] = p.SpurSpannung[n];
        st.SpurWert[n] = ConverterValue(p.SpurSpannung[n], p.Korrektur, st.VoltFaktor);
    }
    st.HubWert = st.VoltFaktor * p.VoltHub;
    st.SCWert = RoundToByte(p.SCVolt * st.VoltFaktor);
    st.TrockenWert = RoundToByte(static_cast<double>(sys.cfg.Tankoption.TrockenSpannung) * st.VoltFaktor);
    RebuildTankAbzug(st, RoundToInt16(p.VolleVolt));
}

}  // namespace zk
