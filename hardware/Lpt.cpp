#include "hardware/Lpt.h"

#include "timing/RaceSystem.h"

namespace zk {

bool LptZugriff(RaceSystem& sys) { return sys.st.LptPort != 0 && sys.st.LptBasis != 0 && sys.port().Available(); }

void LptDatenAusgeben(RaceSystem& sys) {
    if (!LptZugriff(sys)) return;
    sys.port().Out32(static_cast<uint16_t>(sys.st.LptBasis), sys.st.LptDaten);
}

void LptSteuerAusgeben(RaceSystem& sys) {
    if (!LptZugriff(sys)) return;
    sys.port().Out32(static_cast<uint16_t>(sys.st.LptBasis + 2), sys.st.LptSteuer);
}

}  // namespace zk
