// The lap list: laps and corrections are entries of their own, the counts and
// totals follow them, and a 24-hour race fits in a few megabytes.
#include <gtest/gtest.h>

#include "race/LapList.h"

using namespace zk;

TEST(LapList, CorrectionsAreEntriesAndNeverEraseALap) {
    LapList l;
    l.AddLap(2, 5000, 5000, false);
    l.AddLap(2, 10100, 5100, false);
    l.AddCorrection(2, 10500, -1, LapOrigin::DirectorMinus);
    l.AddCorrection(2, 11000, -2, LapOrigin::Penalty);
    l.AddLap(2, 15000, 4900, true);
    EXPECT_EQ(l.Laps(2), 0);           // 3 laps - 1 - 2
    EXPECT_EQ(l.Total(2), 15000);      // the laps driven, corrections add no time
    EXPECT_EQ(l.LastLapMs(2), 4900);
    ASSERT_EQ(l.LapsOf(2).size(), 3u);  // every driven lap stays
    EXPECT_EQ(l.LapsOf(2)[2].Origin(), LapOrigin::AfterRun);
    const auto& all = l.All();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[2].Origin(), LapOrigin::DirectorMinus);
    EXPECT_EQ(all[2].crossing, 10500);  // when the correction was made
    EXPECT_EQ(all[2].laps, 1);
    EXPECT_EQ(all[3].delta, -2);
    EXPECT_EQ(all[4].Lane(), 2);
    // Lanes keep apart; a lane outside 1..8 counts nothing.
    EXPECT_EQ(l.Laps(1), 0);
    l.AddLap(9, 1, 1, false);
    EXPECT_EQ(l.Laps(9), 0);
    l.Clear();
    EXPECT_EQ(l.Size(), 0u);
    EXPECT_EQ(l.Laps(2), 0);
    EXPECT_EQ(l.Total(2), 0);
}

TEST(LapList, ATwentyFourHourRaceOnEightLanesFitsInAFewMegabytes) {
    LapList l;
    // 24 h of 5 s laps on every lane: 17,280 laps a lane, 138,240 in all.
    for (int32_t t = 5000; t <= 24 * 3600 * 1000; t += 5000)
        for (int lane = 1; lane <= 8; ++lane) l.AddLap(lane, t, 5000, false);
    EXPECT_EQ(l.Laps(8), 17280);
    EXPECT_EQ(l.Total(8), 24 * 3600 * 1000);
    EXPECT_EQ(l.Size() * sizeof(LapEntry), 138240u * 16);  // 2.2 MB of entries
    EXPECT_LE(l.Bytes(), 4u * 1024 * 1024);                // 4 MiB at most with the growth reserve
}
