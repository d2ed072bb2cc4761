#include "race/AnsageQueue.h"

#include "race/RaceState.h"

namespace zk {

bool AnsageEinreihen(RaceState& s, int32_t lapMs) {
    if (s.ansage.AnsageAnzahl >= kAnsageMax) return false;
    ++s.ansage.AnsageAnzahl;
    s.ansage.AnsageZeiten[s.ansage.AnsageAnzahl] = lapMs * 10;
    return true;
}

}  // namespace zk
