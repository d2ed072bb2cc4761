// The time race with automatic lane change, driven through the real tick and
// 100 ms cycle: segment division, team rotation, per-team laps, the series end,
// and the refusal without an active lane.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "race/ClubRennen.h"
#include "race/RaceModes.h"
#include "race/RaceResult.h"
#include "race/RaceSequence.h"
#include "race/Spurwechsel.h"
#include "tests/SimRun.h"
#include "tests/TestRig.h"

namespace zk {
namespace {

struct MessageLog : test::Recorder {
    std::vector<std::string> messages;
    void ShowMessage(const std::string& t, const std::string&, MessageIcon) override { messages.push_back(t); }
};

// A time race with lane change on the given lanes.
struct LaneChangeRig {
    test::Rig rig;
    MessageLog ui;
    ClubRennen club{rig.sys};
    SpurwechselRennen& spw = *club.Spurwechsel();
    RaceState& s = rig.sys.st;

    LaneChangeRig(std::vector<int> lanes, int minutes) {
        rig.StandardWiring();
        for (int l = 1; l <= kLanes; ++l) rig.sys.cfg.AktiveSpuren.Spur[l] = 0;
        for (int l : lanes) rig.sys.cfg.AktiveSpuren.Spur[l] = 1;
        rig.sys.cfg.ZrMitWechsel.Wechsel = 1;
        rig.Init();
        rig.sys.SetClub(&club);
        rig.sys.SetUi(&ui);
        s.rennen.RennZeit = static_cast<int16_t>(minutes);
    }

    int Countdown() const { return s.rennen.RestStunden * 3600 + s.rennen.RestMinuten * 60 + s.rennen.RestSekunden; }

    // Drives one segment: start light, then lane l completes laps[l] laps of
    // 12 s each, then the countdown runs out. Returns the ms from green to the
    // segment's end.
    int32_t DriveSegment(const std::array<int, 9>& laps) {
        StartRace(rig.sys);
        while (s.RennenLaeuft == 0) rig.RunFor(100);
        const int32_t green = rig.now;
        int most = 0;
        for (int n : laps) most = std::max(most, n);
        // The first crossing is the start crossing; each later one a lap.
        for (int k = 0; k <= most; ++k) {
            rig.RunFor(k == 0 ? 1000 : 12000);
            for (int l = 1; l <= kLanes; ++l)
                if (k <= laps[l] && laps[l] > 0) rig.Hold(l, 20);
        }
        while (!spw.Wartet() && TimeDiff(rig.now, green) < 20 * 60000) rig.RunFor(100);
        return TimeDiff(rig.now, green);
    }
};

TEST(LaneChange, TenMinutesOnThreeLanesRotateTeamsAndAddTheirLaps) {
    LaneChangeRig r({1, 2, 3}, 10);
    ASSERT_TRUE(ChooseRaceMode(r.rig.sys, 2));
    EXPECT_EQ(r.s.rennen.RennmodusText, "Zeitrennen mit Automatischem Spurwechsel");

    // 10 minutes on 3 lanes: 4, 3 and 3 minutes; the first segment is ready.
    ASSERT_EQ(r.spw.WechselAnzahl(), 3);
    EXPECT_EQ(r.spw.AbschnittMinuten(1), 4);
    EXPECT_EQ(r.spw.AbschnittMinuten(2), 3);
    EXPECT_EQ(r.spw.AbschnittMinuten(3), 3);
    EXPECT_EQ(r.spw.GesamtMinuten(), 10);
    EXPECT_EQ(r.s.rennen.RennZeit, 10);  // the race time the user chose stays
    EXPECT_EQ(r.Countdown(), 4 * 60);
    EXPECT_EQ(r.spw.Untertitel(), "   Rennen 1 von 3");
    EXPECT_EQ(r.spw.SpurName(1), "Fahrer 1");
    EXPECT_EQ(r.spw.SpurName(3), "Fahrer 3");

    // Segment 1 runs its 4 minutes (the countdown steps on wall-clock seconds).
    const int32_t d1 = r.DriveSegment({0, 3, 2, 1});
    EXPECT_GE(d1, 240000);
    EXPECT_LT(d1, 243000);
    ASSERT_TRUE(r.spw.Wartet());
    EXPECT_FALSE(r.spw.SerieKomplett());
    EXPECT_EQ(r.spw.TeamNr(1).Runden, 3);
    EXPECT_EQ(r.spw.TeamNr(2).Runden, 2);
    EXPECT_EQ(r.spw.TeamNr(3).Runden, 1);
    // A second end of the same run adds nothing.
    r.spw.SegmentEnde();
    EXPECT_EQ(r.spw.TeamNr(1).Runden, 3);

    // Start: segment 2 begins with team 2 on the lowest lane.
    r.spw.Weiter();
    EXPECT_FALSE(r.spw.Wartet());
    EXPECT_EQ(r.spw.WechselNr(), 2);
    EXPECT_EQ(r.spw.Untertitel(), "   Rennen 2 von 3");
    EXPECT_EQ(r.spw.SpurName(1), "Fahrer 2");
    EXPECT_EQ(r.spw.SpurName(2), "Fahrer 3");
    EXPECT_EQ(r.spw.SpurName(3), "Fahrer 1");
    // Results, banner and race director name the team too.
    EXPECT_EQ(FahrerName(r.rig.sys.st, 1), "Fahrer 2");
    EXPECT_EQ(FahrerName(r.rig.sys.st, 3), "Fahrer 1");
    EXPECT_EQ(r.Countdown(), 3 * 60);
    // A Start with nothing to continue changes nothing.
    r.spw.Weiter();
    EXPECT_EQ(r.spw.WechselNr(), 2);

    // Segment 2 runs 3 minutes, not the 4 of the first one.
    const int32_t d2 = r.DriveSegment({0, 1, 3, 2});
    EXPECT_GE(d2, 180000);
    EXPECT_LT(d2, 183000);
    EXPECT_EQ(r.spw.TeamNr(1).Runden, 3 + 2);  // team 1 drove lane 3
    EXPECT_EQ(r.spw.TeamNr(2).Runden, 2 + 1);
    EXPECT_EQ(r.spw.TeamNr(3).Runden, 1 + 3);

    r.spw.Weiter();
    EXPECT_EQ(r.spw.SpurName(1), "Fahrer 3");
    EXPECT_EQ(r.spw.SpurName(2), "Fahrer 1");
    EXPECT_EQ(r.spw.SpurName(3), "Fahrer 2");
    r.DriveSegment({0, 1, 1, 2});
    EXPECT_EQ(r.spw.TeamNr(1).Runden, 6);
    EXPECT_EQ(r.spw.TeamNr(2).Runden, 5);
    EXPECT_EQ(r.spw.TeamNr(3).Runden, 5);
    EXPECT_TRUE(r.spw.SerieKomplett());
    EXPECT_TRUE(r.spw.WechselLetzter());
    EXPECT_NE(r.rig.sys.record.laps.Total(3), 0);
    EXPECT_NE(r.rig.sys.record.laps.Laps(3), 0);

    // Close after the last segment: the race data go, and the series is ready
    // again from its first segment.
    r.spw.Weiter();
    for (int l = 1; l <= kLanes; ++l) {
        EXPECT_EQ(r.rig.sys.record.laps.Laps(l), 0) << l;
        EXPECT_EQ(r.rig.sys.record.laps.Total(l), 0) << l;
    }
    EXPECT_FALSE(r.spw.SerieKomplett());
    EXPECT_EQ(r.spw.WechselNr(), 1);
    EXPECT_EQ(r.spw.TeamNr(1).Runden, 0);
    EXPECT_EQ(r.spw.SpurName(1), "Fahrer 1");
    EXPECT_EQ(r.Countdown(), 4 * 60);
    EXPECT_TRUE(r.ui.messages.empty());
}

TEST(LaneChange, DivisionFollowsTheActiveLanesAndNoLaneIsRefused) {
    // Lanes 2, 4 and 5 over 8 minutes: 4, 2, 2; team k is named after the k-th
    // active lane, and only those lanes carry a team.
    LaneChangeRig r({2, 4, 5}, 8);
    ASSERT_TRUE(ChooseRaceMode(r.rig.sys, 2));
    EXPECT_EQ(r.spw.WechselAnzahl(), 3);
    EXPECT_EQ(r.spw.AbschnittMinuten(1), 4);
    EXPECT_EQ(r.spw.AbschnittMinuten(2), 2);
    EXPECT_EQ(r.spw.TeamNr(2).Name, "Fahrer 4");
    EXPECT_EQ(r.spw.SpurName(1), "");
    EXPECT_EQ(r.spw.SpurName(5), "Fahrer 5");
    EXPECT_EQ(r.spw.TeamAufSpur(4), 2);
    // Another mode: the lanes show their own names again.
    ChooseRaceMode(r.rig.sys, 0);
    EXPECT_EQ(r.spw.SpurName(5), "");
    EXPECT_EQ(FahrerName(r.rig.sys.st, 5), "Fahrer 5");

    // No active lane: the race time cannot be divided. The menu refuses the
    // mode, and the set-up itself refuses without a series.
    LaneChangeRig none({}, 10);
    ASSERT_TRUE(ChooseRaceMode(none.rig.sys, 2));
    EXPECT_EQ(none.s.rennen.Rennmodus, Rennart::Training);
    ASSERT_EQ(none.ui.messages.size(), 1u);
    EXPECT_FALSE(none.spw.Init());
    ASSERT_EQ(none.ui.messages.size(), 2u);
    EXPECT_EQ(none.ui.messages[1], kWechselOhneSpur);
    EXPECT_EQ(none.spw.WechselAnzahl(), 0);
    none.spw.SegmentEnde();
    none.spw.Weiter();
    EXPECT_FALSE(none.spw.Wartet());
    EXPECT_FALSE(none.spw.SerieKomplett());
}

TEST(LaneChange, ReplayTracesSegmentsTeamsAndTheWindow) {
    const test::SimRun r = test::RunSimOn(std::string(ZK_SOURCE_DIR) + "/examples/lanechange.scn");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* line : {"100 segment 1 of 3\n", "248000 segment-end 1 of 3\n", "248000 window open frmSpwDisplay\n",
                             "250000 segment 2 of 3\n", "250000 team 2 laps=2 lane=1\n",
                             "250000 window close frmSpwDisplay\n", "440000 segment 3 of 3\n",
                             "627700 segment-end 3 of 3\n", "627700 team 1 laps=6 lane=2\n",
                             "627700 team 2 laps=5 lane=3\n", "627700 team 3 laps=5 lane=1\n",
                             "630000 segment 1 of 3\n", "630000 team 1 laps=0 lane=1\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    const test::SimRun bad = test::RunSim("at 100 lanechange later\nend 200\n", "lanechange-bad.scn");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("expected next"), std::string::npos) << bad.out;
}

}  // namespace
}  // namespace zk
