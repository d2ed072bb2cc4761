#include "race/ClubPlan.h"

#include <algorithm>

namespace zk {

ClubPlan MakeClubPlan(int drivers, const LaneArray<int16_t>& aktiv) {
    ClubPlan p;
    p.D = std::clamp(drivers, 0, kMaxHeats);
    for (int l = 1; l <= kLanes; ++l) p.L += aktiv[l] != 0 ? 1 : 0;
    p.H = std::min(std::max(p.D, p.L), kMaxHeats);
    const int D = p.D, L = p.L;
    if (D == 0 || L == 0) {
        p.H = 0;
        return p;
    }
    const auto wrap = [D](int n) { return n > D ? n - D : n; };
    int zeiger = 1;  // slot pointer of D < L, carried from heat to heat
    for (int h = 1; h <= p.H; ++h) {
        if (D == L) {
            for (int s = 1; s <= L; ++s) p.fahrer[s][h] = static_cast<int16_t>(wrap(h + s - 1));
        } else if (D > L) {
            int n = h;
            p.fahrer[1][h] = static_cast<int16_t>(n);
            for (int s = 2; s <= L; ++s) {
                if (n + 2 == h) ++n;
                n = wrap(n + 2);
                if (n == h) n = wrap(n + 1);
                p.fahrer[s][h] = static_cast<int16_t>(n);
            }
        } else {
            for (int d = 1; d <= D; ++d) {
                p.fahrer[zeiger][h] = static_cast<int16_t>(d);
                if (++zeiger > L) zeiger = 1;
            }
            if (D == 2 && --zeiger < 1) zeiger = L;
        }
        for (int s = 1; s <= L; ++s) p.spur[s][h] = static_cast<int16_t>(s);
    }
    // Slot s drives on the s-th active lane.
    int s = 1;
    for (int l = 1; l <= kLanes && s <= L; ++l) {
        if (aktiv[l] == 0) continue;
        for (int h = 1; h <= p.H; ++h) p.spur[s][h] = static_cast<int16_t>(l);
        ++s;
    }
    return p;
}

std::vector<int> ClubRanking(const std::vector<double>& score) {
    std::vector<double> work(score);
    std::vector<int> rang;
    double max = 0;
    bool erster = true;
    for (;;) {
        int best = 0;
        for (size_t d = 1; d < work.size(); ++d) {
            if (work[d] <= 0 || (!erster && work[d] > max)) continue;
            if (best == 0 || work[d] > work[best]) best = static_cast<int>(d);
        }
        if (best == 0) break;
        rang.push_back(best);
        max = work[best];
        work[best] = 0;
        erster = false;
    }
    return rang;
}

std::string ClubZeitText(int64_t ms) {
    const int64_t a = ms < 0 ? -ms : ms;
    std::string m = std::to_string(a % 1000);
    m.insert(0, 3 - m.size(), '0');
    return (ms < 0 ? "-" : "") + std::to_string(a / 1000) + "." + m;
}

}  // namespace zk
