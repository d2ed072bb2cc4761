#include "race/ClubLap.h"

#include "race/RaceSequence.h"

#include "race/Race.h"

namespace zk {

void ClubLapTime(RaceContext& sys, int lane) {
    RaceState& s = sys.st;
    const int32_t z = s.ZielRunden;
    const auto lapTime = [&] {
        const int32_t runden = s.Runden[lane];
        s.RestRunden[lane] = z - runden;
        s.Rundenzeit[lane] = TimeDiff(s.Durchfahrt[lane], s.LetzteDurchfahrt[lane]);
        s.Gesamtzeit[lane] += s.Rundenzeit[lane];
    };
    if (s.SpurAktiv[lane] != 0 && s.Runden[lane] < z) lapTime();
    if (s.SpurAktiv[lane] != 0 && s.Runden[lane] == z) {
        lapTime();
        // Heat finished for this lane.
        PowerOff(sys, lane);
        s.SpurAktiv[lane] = 0;
    }
}

}  // namespace zk
