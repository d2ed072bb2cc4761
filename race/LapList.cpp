#include "race/LapList.h"

namespace zk {

const LapEntry& LapList::Add(int lane, LapOrigin origin, int32_t when, int64_t lapUs, int delta) {
    const int32_t lapMs = UsZuMs(lapUs);
    LapEntry e;
    e.crossing = when;
    e.lapMs = lapMs;
    e.delta = static_cast<int8_t>(delta);
    e.laneOrigin = static_cast<uint8_t>((lane & 0x0F) | (static_cast<uint8_t>(origin) << 4));
    if (Valid(lane)) {
        count_[lane] += delta;
        totalUs_[lane] += lapUs;
        total_[lane] = UsZuMs(totalUs_[lane]);
        e.laps = static_cast<int16_t>(count_[lane]);
        e.totalMs = total_[lane];
    }
    all_.push_back(e);
    return all_.back();
}

const LapEntry& LapList::AddLapUs(int lane, int32_t crossing, int64_t lapUs, bool afterRun) {
    if (Valid(lane)) last_[lane] = UsZuMs(lapUs);
    return Add(lane, afterRun ? LapOrigin::AfterRun : LapOrigin::Sensor, crossing, lapUs, +1);
}

const LapEntry& LapList::AddCorrection(int lane, int32_t when, int delta, LapOrigin origin) {
    return Add(lane, origin, when, 0, delta);
}

std::vector<LapEntry> LapList::LapsOf(int lane) const {
    std::vector<LapEntry> out;
    for (const LapEntry& e : all_)
        if (e.Lane() == lane && e.IsLap()) out.push_back(e);
    return out;
}

void LapList::Clear() {
    all_.clear();
    for (int l = 0; l <= kLanes; ++l) {
        count_[l] = total_[l] = last_[l] = 0;
        totalUs_[l] = 0;
    }
}

}  // namespace zk
