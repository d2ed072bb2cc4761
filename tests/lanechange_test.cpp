// The time race with automatic lane change, driven through the real tick and
// 100 ms cycle: segment division, team rotation, per-team laps, the series end,
// and the refusal without an active lane.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
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
    // segment's end, and keeps it in `segmentMs`.
    int32_t DriveSegment(const std::array<int, 9>& laps) {
        StartRace(rig.sys);
        for (int k = 0; k < 100 && !s.RennenLaeuft; ++k) rig.RunFor(100);
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
        segmentMs.push_back(TimeDiff(rig.now, green));
        return segmentMs.back();
    }
    std::vector<int32_t> segmentMs;
};

// The series the lane-change tests share: 10 minutes on lanes 1..3, three
// segments, Start between them, and a start after the series' end. Lanes 1..3
// drive 3/2/1 laps in segment 1, 1/3/2 in segment 2 and 1/1/2 in segment 3.
// `at` is called at each named moment.
void DriveSeries(LaneChangeRig& r, const std::function<void(const std::string&)>& at) {
    ASSERT_TRUE(ChooseRaceMode(r.rig.sys, 2));
    at("geplant");
    r.DriveSegment({0, 3, 2, 1});
    at("abschnitt 1");
    r.spw.SegmentEnde();
    at("zweites ende");
    r.spw.Weiter();
    at("weiter");
    r.spw.Weiter();
    at("nochmal weiter");
    r.DriveSegment({0, 1, 3, 2});
    at("abschnitt 2");
    r.spw.Weiter();
    at("weiter 3");
    r.DriveSegment({0, 1, 1, 2});
    at("serie");
    r.spw.Weiter();
    at("geschlossen");
    StartRace(r.rig.sys);
    at("neue serie");
}

// 10 minutes on 3 lanes: 4, 3 and 3 minutes; the first segment is ready.
TEST(LaneChange, TenMinutesOnThreeLanesAreDividedFourThreeThree) {
    LaneChangeRig r({1, 2, 3}, 10);
    DriveSeries(r, [&](const std::string& m) {
        if (m != "geplant") return;
        EXPECT_EQ(r.s.rennen.RennmodusText, "Zeitrennen mit Automatischem Spurwechsel");
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
    });
}

// Each segment runs its own minutes (the countdown steps on wall-clock
// seconds), not those of the first.
TEST(LaneChange, EachSegmentRunsItsOwnMinutes) {
    LaneChangeRig r({1, 2, 3}, 10);
    DriveSeries(r, [&](const std::string& m) {
        if (m == "weiter") { EXPECT_EQ(r.Countdown(), 3 * 60); }
    });
    ASSERT_EQ(r.segmentMs.size(), 3u);
    const int32_t minutes[] = {4, 3, 3};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_GE(r.segmentMs[k], minutes[k] * 60000) << k;
        EXPECT_LT(r.segmentMs[k], minutes[k] * 60000 + 3000) << k;
    }
}

// A segment is no race of its own: no result, no winner of its lanes, and a
// second end of the same run adds nothing.
TEST(LaneChange, ASegmentsEndIsNoRaceOfItsOwn) {
    LaneChangeRig r({1, 2, 3}, 10);
    DriveSeries(r, [&](const std::string& m) {
        if (m == "abschnitt 1") {
            ASSERT_TRUE(r.spw.Wartet());
            EXPECT_FALSE(r.spw.SerieKomplett());
            EXPECT_EQ(r.rig.sys.view.ergebnisNummer, 0);
            EXPECT_EQ(BannerBerechnen(r.rig.sys).zeile, "Rennen 1 von 3 beendet");
        }
        if (m == "zweites ende") {
            EXPECT_EQ(r.spw.TeamNr(1).Runden, 3);
            EXPECT_EQ(r.spw.TeamNr(2).Runden, 2);
        }
    });
}

// Each Start moves every team one lane on, team 2 onto the lowest lane, and
// a team's laps add up over the lanes it drove.
TEST(LaneChange, TeamsMoveOneLaneOnAndAddTheirLaps) {
    LaneChangeRig r({1, 2, 3}, 10);
    DriveSeries(r, [&](const std::string& m) {
        if (m == "abschnitt 1") {
            EXPECT_EQ(r.spw.TeamNr(1).Runden, 3);
            EXPECT_EQ(r.spw.TeamNr(2).Runden, 2);
            EXPECT_EQ(r.spw.TeamNr(3).Runden, 1);
        }
        if (m == "weiter") {
            EXPECT_FALSE(r.spw.Wartet());
            EXPECT_EQ(r.spw.WechselNr(), 2);
            EXPECT_EQ(r.spw.Untertitel(), "   Rennen 2 von 3");
            EXPECT_EQ(r.spw.SpurName(1), "Fahrer 2");
            EXPECT_EQ(r.spw.SpurName(2), "Fahrer 3");
            EXPECT_EQ(r.spw.SpurName(3), "Fahrer 1");
        }
        if (m == "nochmal weiter") { EXPECT_EQ(r.spw.WechselNr(), 2) << "a Start with nothing to continue changes nothing"; }
        if (m == "abschnitt 2") {
            EXPECT_EQ(r.spw.TeamNr(1).Runden, 3 + 2);  // team 1 drove lane 3
            EXPECT_EQ(r.spw.TeamNr(2).Runden, 2 + 1);
            EXPECT_EQ(r.spw.TeamNr(3).Runden, 1 + 3);
        }
        if (m == "weiter 3") {
            EXPECT_EQ(r.spw.SpurName(1), "Fahrer 3");
            EXPECT_EQ(r.spw.SpurName(2), "Fahrer 1");
            EXPECT_EQ(r.spw.SpurName(3), "Fahrer 2");
        }
        if (m == "serie") {
            EXPECT_EQ(r.spw.TeamNr(1).Runden, 6);
            EXPECT_EQ(r.spw.TeamNr(2).Runden, 5);
            EXPECT_EQ(r.spw.TeamNr(3).Runden, 5);
            EXPECT_TRUE(r.spw.SerieKomplett());
            EXPECT_TRUE(r.spw.WechselLetzter());
        }
    });
}

// Until the next segment starts, results, banner and race director name the
// teams of the segment driven, though the lanes already carry the next ones.
TEST(LaneChange, TheDrivenSegmentKeepsItsTeamsUntilTheNextStarts) {
    LaneChangeRig r({1, 2, 3}, 10);
    DriveSeries(r, [&](const std::string& m) {
        if (m != "weiter") return;
        EXPECT_EQ(FahrerName(r.rig.sys.st, 1), "Fahrer 2");
        EXPECT_EQ(FahrerName(r.rig.sys.st, 3), "Fahrer 1");
        EXPECT_EQ(RennFahrer(r.rig.sys, 1), "Fahrer 1");
        EXPECT_EQ(RennUeberschrift(r.rig.sys), "Zeitrennen mit Automatischem Spurwechsel   Rennen 1 von 3");
    });
}

// The series has one result: the teams by their laps over all segments (teams
// 2 and 3 are level on laps; the shorter total time comes first). Closing the
// window after the last segment keeps it on the windows.
TEST(LaneChange, TheSeriesHasOneResultOfTheTeams) {
    LaneChangeRig r({1, 2, 3}, 10);
    DriveSeries(r, [&](const std::string& m) {
        if (m == "serie") {
            EXPECT_NE(r.rig.sys.record.laps.Total(3), 0);
            EXPECT_NE(r.rig.sys.record.laps.Laps(3), 0);
            const RennErgebnis& e = r.rig.sys.view.ergebnis;
            EXPECT_EQ(r.rig.sys.view.ergebnisNummer, 1);
            EXPECT_EQ(e.titel, "Zeitrennen mit Automatischem Spurwechsel über 10 Minuten, 3 Rennen");
            ASSERT_EQ(e.zeilen.size(), 3u);
            EXPECT_EQ(e.zeilen[0].fahrer, "Fahrer 1");
            EXPECT_EQ(e.zeilen[0].runden, 6);
            EXPECT_EQ(e.zeilen[0].spur, 1) << "the lane the team started on";
            EXPECT_EQ(e.zeilen[1].runden, 5);
            EXPECT_LE(e.zeilen[1].gesamtzeit, e.zeilen[2].gesamtzeit);
            EXPECT_EQ(e.SiegerSpur(), 1);
            EXPECT_EQ(BannerBerechnen(r.rig.sys).text, "ZIEL");
            EXPECT_EQ(BannerBerechnen(r.rig.sys).zeile, "Sieger: Fahrer 1 \u2013 6 Runden");
        }
        if (m == "geschlossen") {
            EXPECT_TRUE(r.spw.SerieKomplett());
            EXPECT_NE(r.rig.sys.record.laps.Laps(3), 0);
            EXPECT_EQ(r.rig.sys.view.ergebnisNummer, 1);
            EXPECT_EQ(BannerBerechnen(r.rig.sys).zeile, "Sieger: Fahrer 1 \u2013 6 Runden");
        }
    });
}

// The next start after the series' end drives the series again from its first
// segment, with nothing left of the last one.
TEST(LaneChange, AStartAfterTheSeriesBeginsItAgain) {
    LaneChangeRig r({1, 2, 3}, 10);
    DriveSeries(r, [&](const std::string& m) {
        if (m != "neue serie") return;
        EXPECT_TRUE(r.s.StartPhase);
        EXPECT_FALSE(r.spw.SerieKomplett());
        EXPECT_EQ(r.spw.WechselNr(), 1);
        EXPECT_EQ(r.spw.TeamNr(1).Runden, 0);
        EXPECT_EQ(r.spw.SpurName(1), "Fahrer 1");
        for (int l = 1; l <= kLanes; ++l) EXPECT_EQ(r.rig.sys.record.laps.Laps(l), 0) << l;
        EXPECT_EQ(r.Countdown(), 4 * 60);
    });
    EXPECT_TRUE(r.ui.messages.empty());
}

TEST(LaneChange, StartOfTheWindowStartsTheNextSegment) {
    LaneChangeRig r({1, 2}, 8);
    ASSERT_TRUE(ChooseRaceMode(r.rig.sys, 2));
    r.DriveSegment({0, 2, 1});
    ASSERT_TRUE(r.spw.Wartet());
    // Start: the window closes and segment 2 starts at once with the teams one lane on.
    r.spw.Starten();
    EXPECT_FALSE(r.spw.Wartet());
    EXPECT_EQ(r.spw.WechselNr(), 2);
    EXPECT_TRUE(r.s.StartPhase);
    EXPECT_EQ(RennFahrer(r.rig.sys, 1), "Fahrer 2");
    EXPECT_EQ(RennUeberschrift(r.rig.sys), "Zeitrennen mit Automatischem Spurwechsel   Rennen 2 von 2");
    // The last segment ends the series with its one result.
    for (int k = 0; k < 100 && !r.s.RennenLaeuft; ++k) r.rig.RunFor(100);
    for (int k = 0; k < 600 && !r.spw.Wartet(); ++k) r.rig.RunFor(1000);
    EXPECT_TRUE(r.spw.SerieKomplett());
    EXPECT_EQ(r.rig.sys.view.ergebnisNummer, 1);
    // A start from a lap window after the series' end begins a new one.
    StartRace(r.rig.sys);
    EXPECT_EQ(r.spw.WechselNr(), 1);
    EXPECT_EQ(RennUeberschrift(r.rig.sys), "Zeitrennen mit Automatischem Spurwechsel   Rennen 1 von 2");
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
                             "627700 series-end winner=1 laps=6\n", "630000 window close frmSpwDisplay\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    // Closing the window after the last segment keeps the series' end.
    EXPECT_EQ(r.out.find("630000 segment"), std::string::npos);
    const test::SimRun bad = test::RunSim("at 100 lanechange later\nend 200\n", "lanechange-bad.scn");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("expected next or start"), std::string::npos) << bad.out;
}

TEST(LaneChange, SeriesExampleStartsEachSegmentFromTheWindowAndFilesOneResult) {
    char tmpl[] = "/tmp/zk_spwseries_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const test::SimRun r =
        test::RunSimOn(std::string(ZK_SOURCE_DIR) + "/examples/lanechange-series.scn", "--data-dir '" + dir + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* line : {"131000 segment 2 of 4\n", "131000 phase startlight\n", "391000 segment 4 of 4\n",
                             "517400 segment-end 4 of 4\n", "517400 team 3 laps=32 lane=4\n",
                             "517400 series-end winner=3 laps=32\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    // One result for the whole series, none per segment.
    size_t results = 0;
    for (size_t i = r.out.find(" result \""); i != std::string::npos; i = r.out.find(" result \"", i + 1)) ++results;
    EXPECT_EQ(results, 2u);
    const size_t csv = r.out.find("_ZeitrennenSpurwechsel.csv\"");
    ASSERT_NE(csv, std::string::npos) << r.out;
    const size_t von = r.out.rfind('"', csv) + 1;
    std::ifstream in(dir + "/" + r.out.substr(von, r.out.find('"', csv) - von), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Rennen;Zeitrennen mit Automatischem Spurwechsel über 8 Minuten, 4 Rennen\r\n"),
              std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("\r\n1;3;Fahrer 3;32;"), std::string::npos) << text.str();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zk
