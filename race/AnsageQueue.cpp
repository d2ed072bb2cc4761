#include "race/AnsageQueue.h"

#include "race/RaceState.h"

namespace zk {

bool AnsageEinreihen(RaceState& s, int32_t lapMs) {
    if (s.AnsageAnzahl >= kAnsageMax) return false;
    ++s.AnsageAnzahl;
    s.AnsageZeiten[s.AnsageAnzahl] = lapMs * 10;
    return true;
}

}  // namespace zk
