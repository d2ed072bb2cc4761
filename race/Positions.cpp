#include "race/Positions.h"

#include <array>

#include "race/RaceState.h"

namespace zk {

void UpdatePositions(RaceState& s, int L) {
    // Work arrays; element 0 stands for "no lane / no position".
    std::array<int, kLanes + 2> platzVonSpur{}, spurAufPlatz{};
    std::array<int32_t, kLanes + 2> platzRunden{}, platzZeit{};
    for (int i = 1; i <= kLanes; ++i) {
        const SpurSatz& r = s.spuren.SpurDaten[i];
        platzVonSpur[i] = r.Platz;
        spurAufPlatz[i] = r.SpurAufPlatz;
        platzRunden[i] = r.Runden;
        platzZeit[i] = r.Gesamtzeit;
    }
    const auto laneAt = [&](int p) {
        const int lane = spurAufPlatz[p];
        return lane >= 1 && lane <= kLanes ? lane : 0;
    };
    const int32_t n = platzRunden[L] + 1;
    const int32_t t = s.spuren.SpurDaten[L].Gesamtzeit;

    // Behind every lane that already has n or more laps.
    int p = 1;
    while (p < kLanes && platzRunden[laneAt(p)] >= n) ++p;
    // Ahead of lanes with exactly n laps and a longer total time.
    while (p >= 2 && platzRunden[laneAt(p - 1)] == n && t < platzZeit[laneAt(p - 1)]) --p;

    const int old = platzVonSpur[L];
    if (p != old && old >= 1) {
        for (int q = 1; q <= old && q <= kLanes; ++q) {
            const int x = laneAt(q);
            if (x != 0 && platzVonSpur[x] >= p) ++platzVonSpur[x];
        }
    } else if (old == 0) {
        // A lane placed for the first time ahead of others (a shorter total on
        // the same lap count, e.g. after a later start) pushes them down, so no
        // two lanes ever share a position.
        for (int x = 1; x <= kLanes; ++x)
            if (x != L && platzVonSpur[x] >= p) ++platzVonSpur[x];
    }
    platzVonSpur[L] = p;

    for (int i = 1; i <= kLanes; ++i) {
        const int pos = platzVonSpur[i];
        if (pos >= 0 && pos <= kLanes) spurAufPlatz[pos] = i;
    }
    for (int i = 1; i <= kLanes; ++i) {
        SpurSatz& r = s.spuren.SpurDaten[i];
        r.Platz = static_cast<uint8_t>(platzVonSpur[i] <= kLanes ? platzVonSpur[i] : kLanes);
        r.SpurAufPlatz = static_cast<uint8_t>(spurAufPlatz[i]);
        r.Runden = platzRunden[i];
        r.Gesamtzeit = platzZeit[i];
    }
}

}  // namespace zk
