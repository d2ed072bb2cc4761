// The race's lap list: every evaluated crossing and every correction of the
// current race, per lane, in the order they happened. It is the one source of a
// lane's lap count, lap times and total; windows, result, race director, lap
// file, announcer and club scoring read it (or values derived from it in one
// place) instead of keeping counts of their own.
//
// Entries are only ever appended: a correction (race director +1/-1, an
// empty-tank penalty) is an entry of its own, so every change of a lap count can
// be shown later with its time. The list is cleared when the next race starts.
//
// Size: an entry is 16 bytes. A 24-hour race on 8 lanes with 5 s laps is about
// 140,000 entries, 2.2 MB (4 MiB at most with the vector's growth reserve).
//
// UI thread only (the 100 ms cycle and race commands).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zk {

// Where an entry comes from.
enum class LapOrigin : uint8_t {
    Sensor,         // a crossing of the lane's sensor while the race runs
    AfterRun,       // a crossing counted during the after-run
    DirectorPlus,   // the race director added a lap
    DirectorMinus,  // the race director took a lap away
    Penalty,        // laps taken away for driving with an empty tank
};

// Microseconds to whole milliseconds, the nearest (a half away from zero).
inline int32_t UsZuMs(int64_t us) {
    return static_cast<int32_t>(us >= 0 ? (us + 500) / 1000 : -((-us + 500) / 1000));
}

// A lap, or a correction of a lane's lap count.
struct LapEntry {
    int32_t crossing = 0;  // clock ms of the crossing (of the correction: when it was made)
    int32_t lapMs = 0;     // lap time; 0 for corrections
    int32_t totalMs = 0;   // the lane's total race time after this entry
    int16_t laps = 0;      // the lane's lap count after this entry
    int8_t delta = 0;      // change of the lap count: +1 for a lap, -1/-2 for corrections
    uint8_t laneOrigin = 0;  // lane (low nibble) and origin (high nibble)

    int Lane() const { return laneOrigin & 0x0F; }
    LapOrigin Origin() const { return static_cast<LapOrigin>(laneOrigin >> 4); }
    bool IsLap() const { return Origin() == LapOrigin::Sensor || Origin() == LapOrigin::AfterRun; }
};
static_assert(sizeof(LapEntry) == 16, "a lap entry stays 16 bytes");

class LapList {
public:
    static constexpr int kLanes = 8;

    // A driven lap of `lane` (1..8): the crossing and its lap time; returns the
    // entry (its lap count and the lane's total after it).
    const LapEntry& AddLap(int lane, int32_t crossing, int32_t lapMs, bool afterRun) {
        return AddLapUs(lane, crossing, int64_t{lapMs} * 1000, afterRun);
    }
    // The same with the lap time in microseconds: the entry holds it rounded to
    // the whole millisecond, the lane's total is the exact sum rounded.
    const LapEntry& AddLapUs(int lane, int32_t crossing, int64_t lapUs, bool afterRun);
    // A correction of `lane`'s lap count by `delta` laps at clock time `when`.
    const LapEntry& AddCorrection(int lane, int32_t when, int delta, LapOrigin origin);

    // The lane's lap count: its laps plus every correction (0 for a lane outside 1..8).
    int32_t Laps(int lane) const { return Valid(lane) ? count_[lane] : 0; }
    // Its total race time (the sum of its lap times).
    int32_t Total(int lane) const { return Valid(lane) ? total_[lane] : 0; }
    // Every entry of all lanes in the order they were added.
    const std::vector<LapEntry>& All() const { return all_; }
    // Entries added since `seen` (a reader's position in All()); the reader keeps
    // All().size() as its next position.
    size_t Size() const { return all_.size(); }
    // The lane's laps only (no corrections), oldest first.
    std::vector<LapEntry> LapsOf(int lane) const;
    // The lane's last lap time (0 before its first lap).
    int32_t LastLapMs(int lane) const { return Valid(lane) ? last_[lane] : 0; }
    // Empties the list for a new race.
    void Clear();
    // Bytes the list holds (capacity included), for the benchmark.
    size_t Bytes() const { return all_.capacity() * sizeof(LapEntry); }

private:
    static bool Valid(int lane) { return lane >= 1 && lane <= kLanes; }
    const LapEntry& Add(int lane, LapOrigin origin, int32_t when, int64_t lapUs, int delta);
    std::vector<LapEntry> all_;
    int32_t count_[kLanes + 1] = {};
    int32_t total_[kLanes + 1] = {};
    int64_t totalUs_[kLanes + 1] = {};
    int32_t last_[kLanes + 1] = {};
};

}  // namespace zk
