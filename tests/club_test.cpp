// Club races: the heat plans, the drivers' lists, heats driven through the real
// tick and 100 ms cycle with their scores and ranking, and the race log byte
// for byte.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "race/ClubRennen.h"
#include "race/Fahrer.h"
#include "race/RaceModes.h"
#include "race/RaceSequence.h"
#include "system/ClubLogFile.h"
#include "tests/TestRig.h"

namespace {

using namespace zk;

LaneArray<int16_t> Lanes(std::initializer_list<int> on) {
    LaneArray<int16_t> a{};
    for (int l : on) a[l] = 1;
    return a;
}

// Heat h as "driver@lane" per slot.
std::string Heat(const ClubPlan& p, int h) {
    std::string o;
    for (int s = 1; s <= p.L; ++s) {
        if (!o.empty()) o += ' ';
        o += std::to_string(p.fahrer[s][h]) + "@" + std::to_string(p.spur[s][h]);
    }
    return o;
}

TEST(ClubPlanTest, EveryCaseOfDriversAndLanes) {
    auto p = MakeClubPlan(4, Lanes({1, 2, 3, 4}));
    ASSERT_EQ(p.H, 4);
    EXPECT_EQ(Heat(p, 1), "1@1 2@2 3@3 4@4");
    EXPECT_EQ(Heat(p, 4), "4@1 1@2 2@3 3@4");

    p = MakeClubPlan(5, Lanes({1, 2, 3, 4}));
    ASSERT_EQ(p.H, 5);
    const char* want[] = {"", "1@1 3@2 5@3 2@4", "2@1 4@2 1@3 3@4", "3@1 5@2 2@3 4@4", "4@1 1@2 3@3 5@4",
                          "5@1 2@2 4@3 1@4"};
    for (int h = 1; h <= 5; ++h) EXPECT_EQ(Heat(p, h), want[h]) << h;
    // Every driver sits out exactly one heat.
    for (int d = 1; d <= 5; ++d) {
        int aus = 0;
        for (int h = 1; h <= 5; ++h) {
            bool drin = false;
            for (int s = 1; s <= 4; ++s) drin = drin || p.fahrer[s][h] == d;
            aus += drin ? 0 : 1;
        }
        EXPECT_EQ(aus, 1) << d;
    }

    p = MakeClubPlan(2, Lanes({1, 2, 3, 4}));
    ASSERT_EQ(p.H, 4);
    EXPECT_EQ(Heat(p, 1), "1@1 2@2 0@3 0@4");
    EXPECT_EQ(Heat(p, 2), "0@1 1@2 2@3 0@4");
    EXPECT_EQ(Heat(p, 3), "0@1 0@2 1@3 2@4");
    EXPECT_EQ(Heat(p, 4), "2@1 0@2 0@3 1@4");

    p = MakeClubPlan(3, Lanes({1, 2, 3, 4}));
    EXPECT_EQ(Heat(p, 2), "2@1 3@2 0@3 1@4");
    EXPECT_EQ(Heat(p, 4), "0@1 1@2 2@3 3@4");

    p = MakeClubPlan(2, Lanes({1, 4}));
    ASSERT_EQ(p.H, 2);
    EXPECT_EQ(Heat(p, 1), "1@1 2@4");
    EXPECT_EQ(Heat(p, 2), "2@1 1@4");

    // 12 drivers on 4 lanes: 12 heats, every driver drives 4 of them, never twice in one.
    p = MakeClubPlan(12, Lanes({1, 2, 3, 4}));
    ASSERT_EQ(p.H, 12);
    std::vector<int> zaehl(13, 0);
    for (int h = 1; h <= 12; ++h) {
        std::vector<int> in(13, 0);
        for (int s = 1; s <= 4; ++s) {
            const int d = p.fahrer[s][h];
            ASSERT_GE(d, 1);
            EXPECT_EQ(++in[d], 1) << "heat " << h;
            ++zaehl[d];
        }
    }
    for (int d = 1; d <= 12; ++d) EXPECT_EQ(zaehl[d], 4) << d;
}

TEST(ClubPlanTest, RankingKeepsTiesInDriverOrderAndSkipsZero) {
    EXPECT_EQ(ClubRanking({0, 5, 9, 0, 9, 1}), (std::vector<int>{2, 4, 1, 5}));
}

TEST(DriverListTest, PoolActiveListAndConfirmation) {
    test::Rig rig;
    rig.sys.cfg.Fahrer = {};
    FahrerListen l = FahrerListenLaden(rig.sys);
    EXPECT_EQ(l.pool, std::vector<std::string>{"TAVO"});
    FahrerHinzufuegen(l, "Anna");
    ASSERT_TRUE(FahrerAktivieren(l, nullptr));
    FahrerBestaetigen(rig.sys, l);
    EXPECT_EQ(rig.sys.st.FahrerBestaetigt, 0) << "one active driver leaves club races locked";
    l.poolAuswahl = 0;
    ASSERT_TRUE(FahrerAktivieren(l, nullptr));
    FahrerBestaetigen(rig.sys, l);
    EXPECT_EQ(rig.sys.st.FahrerBestaetigt, kTrue);
    EXPECT_EQ(rig.sys.st.AnzahlClubFahrer, 2);
    EXPECT_EQ(rig.sys.st.ClubFahrer[1], "Anna");
    EXPECT_TRUE(l.pool.empty());

    for (int i = 0; i < 110; ++i) FahrerHinzufuegen(l, "F" + std::to_string(i));
    std::string meldung;
    int n = 2;
    l.poolAuswahl = 0;
    while (FahrerAktivieren(l, &meldung)) ++n;
    EXPECT_EQ(n, kMaxClubFahrer);
    EXPECT_EQ(meldung, kFahrerListeVoll);
}

// A club race on the rig: lanes 1..4, `laps` laps, drivers from the list.
struct ClubRig {
    test::Rig rig;
    ClubRennen club{rig.sys};
    std::vector<std::string> trace;

    ClubRig(std::vector<std::string> fahrer, int laps) {
        rig.StandardWiring();
        for (int l = 1; l <= kLanes; ++l) rig.sys.cfg.AktiveSpuren.Spur[l] = l <= 4 ? 1 : 0;
        rig.Init();
        rig.sys.SetClub(&club);
        club.SetTraceHook([this](const std::string& t) { trace.push_back(t); });
        FahrerListen fl;
        fl.aktiv = std::move(fahrer);
        FahrerBestaetigen(rig.sys, fl);
        LapInputChanged(rig.sys, std::to_string(laps));
    }
    // Drives the prepared heat: lane l takes lapMs[l] per lap until the heat ends.
    void DriveHeat(const std::array<int, 5>& lapMs) {
        StartRace(rig.sys);
        rig.RunFor(100);
        rig.Green();
        const int32_t t0 = rig.now;
        for (int i = 0; i < 2000 && club.Turn() == turn0(); ++i) {
            rig.RunFor(10);
            for (int l = 1; l <= 4; ++l)
                if (TimeDiff(rig.now, t0) % lapMs[l] < 10 && TimeDiff(rig.now, t0) > 0) rig.Hold(l, 20);
        }
    }
    int turn0() { return startTurn; }
    int startTurn = 0;
};

TEST(ClubRaceTest, HeatsThroughTheCycleScoreRankAndRepeat) {
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 3));
    ASSERT_EQ(c.club.AnzahlRennen(), 5);
    EXPECT_EQ(c.trace.front(), "heat 1 of 5");
    EXPECT_EQ(c.club.SpurFahrer(2), "Cleo");
    // Heat 1: Anna (lane 1) and Bert (lane 4) drive the same pace: equal times,
    // the slot addition puts Anna (slot 1) ahead.
    c.startTurn = 1;
    c.DriveHeat({0, 1000, 1300, 1600, 1000});
    ASSERT_EQ(c.club.Turn(), 2);
    EXPECT_EQ(c.club.Gesamtzeit(1) + 3, c.club.Gesamtzeit(2));
    ASSERT_EQ(c.club.Platzierung().size(), 4u);
    EXPECT_EQ(c.club.Platzierung().back(), 1);  // smallest time last in score order
    EXPECT_NE(std::find(c.trace.begin(), c.trace.end(), "heatend heat=1"), c.trace.end());
    // Two presses repeat heat 1; its times go, the slot addition stays.
    const int64_t anna = c.club.Gesamtzeit(1);
    c.club.Wiederholen();
    EXPECT_EQ(c.club.RepeatCaption(), "bestätigen");
    c.club.Wiederholen();
    EXPECT_EQ(c.club.RepeatCaption(), "na dann");
    EXPECT_EQ(c.club.Turn(), 1);
    EXPECT_EQ(c.club.Gesamtzeit(1), 1);
    (void)anna;
    c.club.Weiter();
    c.startTurn = 1;
    c.DriveHeat({0, 1000, 1300, 1600, 1000});
    EXPECT_EQ(c.club.Turn(), 2);
}

TEST(ClubLogTest, HeaderAndHeatBytesAndTheKeptLog) {
    ClubRig c({"Anna", "Jörg"}, 2);
    const auto dir = std::filesystem::temp_directory_path() / ("zk_club_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ClubLogFile log(c.rig.sys.ui());
    log.SetDataDir(dir.string());
    c.club.SetProtokoll(&log);
    c.rig.sys.cfg.Save.Race = 1;
    { std::ofstream(dir / "Logfile.txt") << "alt"; }
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 3));
    c.startTurn = 1;
    c.DriveHeat({0, 1000, 1200, 0, 0});
    c.startTurn = 2;
    c.DriveHeat({0, 1000, 1200, 1, 1});

    std::ifstream in(dir / "Logfile.txt", std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string got = ss.str();
    // Written by hand from the log's tables; the times are what the rig drove.
    const std::string datum = got.substr(8, 10);
    std::string want = "Datum : " + datum + "\r\r\nRennmodus : Clubrennen\r\r\nRunden : 2\r\r\nClubRunden : 2\r\r\n"
                       "Zeit : " + std::to_string(c.rig.sys.cfg.Letzte.Zeit) + "\r\n\r\n"
                       "--- Fahrer ---\r\r\nAnna\r\r\nJ\xF6rg\r\r\n--- Ende Fahrer\r\n\r\n"
                       "--- Rennablauf ---\r\r\n--- Anzahl Rennen 4\r\r\n";
    EXPECT_EQ(got.substr(0, want.size()), want);
    EXPECT_NE(got.find("--- Rennen 2\r\r\nSpur 1 \r\r\nSpur 2 Anna\r\r\nSpur 3 J\xF6rg\r\r\nSpur 4 \r\r\n"), std::string::npos);
    EXPECT_NE(got.find("--- Ende Rennablauf ---\r\n\r\n" + std::string(68, '+') + "\r\r\n--- Turn : 1 fertig um : "),
              std::string::npos);
    EXPECT_NE(got.find("Anna auf Spur 1 gesamtzeit 2.001\r\r\n"), std::string::npos) << got;
    EXPECT_NE(got.find(" --- Platzierung\r\r\n1 -> Anna - 2.001\r\r\n2 -> J\xF6rg - 2.402\r\r\n--- Ende Turn : 1\r\n\r\n"),
              std::string::npos) << got;
    EXPECT_EQ(got.find("HABE FERTIG"), std::string::npos);
    // The old log is kept.
    int alt = 0;
    for (auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().rfind("Logfile_", 0) == 0) ++alt;
    EXPECT_EQ(alt, 1);
    std::filesystem::remove_all(dir);
}

}  // namespace
