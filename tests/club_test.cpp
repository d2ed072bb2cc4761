// Club races: the heat plans, the drivers' lists and lane names, heats driven
// through the real tick, start light and 100 ms cycle with their scores,
// ranking, repeat and auto-start, the race log byte for byte, and the example
// club race replayed by zirkato-sim.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "race/ClubAnzeige.h"
#include "race/ClubRennen.h"
#include "race/Fahrer.h"
#include "race/FahrerAuswahl.h"
#include "race/RaceModes.h"
#include "race/RaceResult.h"
#include "race/RaceSequence.h"
#include "system/ClubLogFile.h"
#include "tests/SimRun.h"
#include "tests/TestRig.h"
#include "tests/settings_test_util.h"

namespace {

using namespace zk;
namespace fs = std::filesystem;

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

std::string Lesen(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

size_t Zaehlen(const std::string& text, const std::string& was) {
    size_t n = 0;
    for (size_t i = text.find(was); i != std::string::npos; i = text.find(was, i + 1)) ++n;
    return n;
}

TEST(ClubPlanTest, EveryCaseOfDriversAndLanes) {
    auto p = MakeClubPlan(4, Lanes({1, 2, 3, 4}));
    ASSERT_EQ(p.H, 4);
    EXPECT_EQ(Heat(p, 1), "1@1 2@2 3@3 4@4");
    EXPECT_EQ(Heat(p, 2), "2@1 3@2 4@3 1@4");
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
    ASSERT_EQ(p.H, 4);
    EXPECT_EQ(Heat(p, 1), "1@1 2@2 3@3 0@4");
    EXPECT_EQ(Heat(p, 2), "2@1 3@2 0@3 1@4");
    EXPECT_EQ(Heat(p, 3), "3@1 0@2 1@3 2@4");
    EXPECT_EQ(Heat(p, 4), "0@1 1@2 2@3 3@4");

    // Slot 1 on the lowest active lane, slot 2 on the next.
    p = MakeClubPlan(2, Lanes({1, 4}));
    ASSERT_EQ(p.H, 2);
    EXPECT_EQ(Heat(p, 1), "1@1 2@4");
    EXPECT_EQ(Heat(p, 2), "2@1 1@4");

    // 12 drivers on 4 lanes: 12 heats, every driver drives 4 of them, never
    // twice in one, and every slot once.
    p = MakeClubPlan(12, Lanes({1, 2, 3, 4}));
    ASSERT_EQ(p.H, 12);
    std::vector<std::array<int, 5>> slots(13, std::array<int, 5>{});
    for (int h = 1; h <= 12; ++h) {
        std::vector<int> in(13, 0);
        for (int s = 1; s <= 4; ++s) {
            const int d = p.fahrer[s][h];
            ASSERT_GE(d, 1);
            EXPECT_EQ(++in[d], 1) << "heat " << h;
            ++slots[d][s];
        }
    }
    for (int d = 1; d <= 12; ++d)
        for (int s = 1; s <= 4; ++s) EXPECT_EQ(slots[d][s], 1) << d << " slot " << s;
}

TEST(ClubPlanTest, RankingKeepsTiesInDriverOrderAndSkipsZero) {
    EXPECT_EQ(ClubRanking({0, 5, 9, 0, 9, 1}), (std::vector<int>{2, 4, 1, 5}));
}

struct Meldungen : UiPort {
    std::vector<std::string> texte;
    void ShowMessage(const std::string& t, const std::string&, MessageIcon) override { texte.push_back(t); }
};

TEST(DriverListTest, TwoConfirmedDriversOpenTheClubRaces) {
    test::Rig rig;
    rig.sys.cfg.Fahrer = {};
    FahrerListen l = FahrerListenLaden(rig.sys);
    EXPECT_EQ(l.pool, std::vector<std::string>{"TAVO"});
    FahrerHinzufuegen(l, "Anna");
    ASSERT_TRUE(FahrerAktivieren(l, nullptr));  // Anna, selected when added
    FahrerBestaetigen(rig.sys, l);
    EXPECT_FALSE(ClubFahrerBestaetigt(rig.sys)) << "one active driver leaves club races locked";
    EXPECT_FALSE(ChooseRaceMode(rig.sys, 3));
    EXPECT_EQ(rig.sys.st.rennen.Rennmodus, Rennart::Training);
    ASSERT_TRUE(FahrerAktivieren(l, nullptr));  // TAVO
    FahrerBestaetigen(rig.sys, l);
    EXPECT_TRUE(ClubFahrerBestaetigt(rig.sys));
    EXPECT_EQ(rig.sys.st.fahrer.AnzahlClubFahrer, 2);
    EXPECT_EQ(rig.sys.st.fahrer.ClubFahrer[1], "Anna");
    EXPECT_EQ(rig.sys.st.fahrer.ClubFahrer[2], "TAVO");
    EXPECT_TRUE(l.pool.empty());
}

TEST(DriverListTest, TheActiveListHoldsAtMost101Drivers) {
    test::Rig rig;
    rig.sys.cfg.Fahrer = {};
    FahrerListen l = FahrerListenLaden(rig.sys);
    for (int i = 0; i < 110; ++i) FahrerHinzufuegen(l, "F" + std::to_string(i));
    std::string meldung;
    int n = 0;
    l.poolAuswahl = 0;
    while (FahrerAktivieren(l, &meldung)) ++n;
    EXPECT_EQ(n, kMaxClubFahrer);
    EXPECT_EQ(meldung, kFahrerListeVoll);
    EXPECT_EQ(l.pool.size(), static_cast<size_t>(111 - kMaxClubFahrer)) << "TAVO and the 110 added, less those that went over";
    FahrerBestaetigen(rig.sys, l);
    EXPECT_EQ(rig.sys.st.fahrer.AnzahlClubFahrer, kMaxClubFahrer);
}

// The club set-up checks the drivers itself: with the confirmation given but
// no driver left it refuses, with a message.
TEST(DriverListTest, AClubSetUpWithoutDriversIsRefusedWithAMessage) {
    test::Rig rig;
    Meldungen ui;
    rig.sys.SetUi(&ui);
    rig.sys.SetClub(&rig.sys.ClubRace());
    FahrerListen l;
    l.aktiv = {"Anna", "Bert"};
    FahrerBestaetigen(rig.sys, l);
    ASSERT_TRUE(ClubFahrerBestaetigt(rig.sys));
    rig.sys.st.fahrer.AnzahlClubFahrer = 0;
    EXPECT_FALSE(ChooseRaceMode(rig.sys, 4));
    EXPECT_EQ(rig.sys.st.rennen.Rennmodus, Rennart::Training);
    EXPECT_EQ(ui.texte, std::vector<std::string>{kClubKeineFahrer});
}

// A club race on the rig with the system's own club component: the lanes
// given, `laps` laps per heat, start light interval 100 ms.
struct ClubRig {
    test::Rig rig;
    ClubRennen& club = rig.sys.ClubRace();
    std::vector<std::string> trace;
    Meldungen ui;
    std::array<int32_t, 9> next{};  // next crossing per lane (0 = none)
    std::array<int, 9> lapMs{};

    ClubRig(std::vector<std::string> fahrer, int laps, std::initializer_list<int> lanes = {1, 2, 3, 4}) {
        rig.StandardWiring();
        for (int l = 1; l <= kLanes; ++l) rig.sys.cfg.AktiveSpuren.Spur[l] = 0;
        for (int l : lanes) rig.sys.cfg.AktiveSpuren.Spur[l] = 1;
        rig.sys.cfg.Startampel.Interval = 100;
        rig.sys.cfg.NachZeit.Nachzeit = 300;
        rig.sys.cfg.LiZeit.Minimum = 500;
        rig.Init();
        rig.sys.SetClub(&club);
        rig.sys.SetUi(&ui);
        club.SetTraceHook([this](const std::string& t) { trace.push_back(t); });
        FahrerListen fl;
        fl.aktiv = std::move(fahrer);
        FahrerBestaetigen(rig.sys, fl);
        LapInputChanged(rig.sys, std::to_string(laps));
    }
    // Drives the prepared heat: starts it through the start light unless it is
    // on its way, lane l crossing every ms[l] ms from 50 ms after green (0: the
    // car stands). Returns true once the heat is over, false after `maxMs`.
    bool Drive(std::array<int, 9> ms, int maxMs = 60000) {
        RaceState& s = rig.sys.st;
        if (!s.RennenLaeuft) {
            if (!s.StartPhase) StartRace(rig.sys);
            for (int i = 0; i < 5000 && !s.RennenLaeuft; ++i) rig.Step();
            next.fill(0);
        }
        for (int l = 1; l <= 8; ++l) {
            if (ms[l] > 0 && (next[l] == 0 || TimeDiff(next[l], rig.now) <= 0)) next[l] = rig.now + 50;
            if (ms[l] == 0) next[l] = 0;
        }
        lapMs = ms;
        for (int i = 0; i < maxMs; ++i) {
            rig.Step();
            for (int l = 1; l <= 8; ++l) {
                if (next[l] != 0 && rig.now == next[l]) {
                    rig.Hold(l, 20);
                    next[l] += lapMs[l];
                }
            }
            if (!s.RennenLaeuft) return true;
        }
        return false;
    }
    bool Traced(const std::string& line) const { return std::find(trace.begin(), trace.end(), line) != trace.end(); }
    bool Listed(const std::string& line) const {
        const auto& l = club.Liste();
        return std::find(l.begin(), l.end(), line) != l.end();
    }
};

// Moments of a driven race, handed to the tests' checks by name.
using At = std::function<void(const std::string&)>;

// The club race of five drivers over two laps that the tests of scoring,
// repeat and end share: heat 1 with all four lanes at one pace, its repeat
// asked for and dropped, then confirmed (and a third press), the repeated heat
// first with lane 4 standing and then slower, heats 2..5, and after the end a
// repeat, a start and an ordinary lap race.
void DriveClubRace(ClubRig& c, const At& at) {
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 3));
    at("geplant");
    ASSERT_TRUE(c.Drive({0, 1000, 1000, 1000, 1000}));
    at("rennen 1");
    c.rig.RunFor(5000);
    at("pause");
    c.club.Wiederholen();
    at("wiederholen?");
    c.club.Weiter();
    at("weiter");
    c.club.Wiederholen();
    c.club.Wiederholen();
    at("wiederholt");
    c.club.Wiederholen();
    at("dritter druck");
    c.club.Weiter();
    c.Drive({0, 1000, 1000, 1000, 0}, 8000);
    at("spur 4 steht");
    ASSERT_TRUE(c.Drive({0, 1000, 1000, 1000, 1500}));
    at("wiederholung");
    for (int h = 2; h <= 5; ++h) ASSERT_TRUE(c.Drive({0, 900, 1000, 1100, 1200})) << h;
    at("ende");
    c.club.Wiederholen();
    at("wiederholen nach ende");
    StartRace(c.rig.sys);
    at("start nach ende");
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 1));
    at("rundenrennen");
}

TEST(ClubRaceTest, SettingUpEmptiesTheWindowsAndShowsHeatOne) {
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    const int cleared = c.rig.rec.clearWindows;
    DriveClubRace(c, [&](const std::string& m) {
        if (m != "geplant") return;
        EXPECT_EQ(c.rig.sys.st.rennen.RennmodusText, "Clubrennen über 2 Runden");
        // The windows leave the last race behind: emptied before the plan is shown.
        EXPECT_EQ(c.rig.rec.clearWindows, cleared + 1);
        EXPECT_EQ(c.club.AnzahlRennen(), 5);
        EXPECT_EQ(c.trace.front(), "heat 1 of 5");
        EXPECT_TRUE(c.Traced("heatlane heat=1 lane=2 driver=\"Cleo\""));
        EXPECT_EQ(FahrerName(c.rig.sys.st, 3), "Emil");
        EXPECT_EQ(c.rig.rec.directorLines.at(0), " --- Rennen 1 von 5 ---");
        EXPECT_EQ(c.rig.rec.directorLines.at(2), "Spur 2 -> Cleo");
    });
}

// All four at the same pace: the slot addition orders the equal totals by
// slot: Anna (slot 1), Cleo, Emil, Bert (slot 4); Dirk sat out.
TEST(ClubRaceTest, EqualTotalsAreRankedByTheSlotAddition) {
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    DriveClubRace(c, [&](const std::string& m) {
        if (m != "rennen 1") return;
        const int64_t t = c.club.Gesamtzeit(1) - 1;
        EXPECT_GT(t, 2000);
        EXPECT_EQ(c.club.Gesamtzeit(3), t + 2);
        EXPECT_EQ(c.club.Gesamtzeit(5), t + 3);
        EXPECT_EQ(c.club.Gesamtzeit(2), t + 4);
        EXPECT_EQ(c.club.Gesamtzeit(4), 0);
        EXPECT_TRUE(c.Traced("heatend heat=1"));
        EXPECT_TRUE(c.Traced("rank pos=1 driver=\"Anna\" score=" + std::to_string(t + 1)));
        EXPECT_TRUE(c.Traced("rank pos=4 driver=\"Bert\" score=" + std::to_string(t + 4)));
        EXPECT_FALSE(c.Traced("rank pos=5 driver=\"Dirk\" score=0")) << "a driver with no time gets no rank";
        EXPECT_EQ(c.club.Liste().front(), " --- Rennen 1 --- ");
        EXPECT_TRUE(c.Listed("Anna auf Spur 1 gesamtzeit " + ClubZeitText(t + 1) + " Tank: 100.00"));
        EXPECT_TRUE(c.Listed("4 ->   Bert - " + ClubZeitText(t + 4) + "   (1 von 5 Rennen)"));
    });
}

// After a heat its result shows and the next heat stands prepared; without
// the auto-start the pause countdown is set but does not run.
TEST(ClubRaceTest, AfterAHeatTheNextStandsPreparedAndThePauseWaits) {
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    DriveClubRace(c, [&](const std::string& m) {
        if (m == "rennen 1") {
            EXPECT_EQ(c.club.Turn(), 2);
            EXPECT_EQ(c.club.RennenVonText(), "Rennen 1 von 5");
            EXPECT_EQ(c.club.NaechstesRennenText(), "Nächstes Rennen 2");
            EXPECT_EQ(c.rig.sys.st.rennen.RennmodusText, "Clubrennen über 2 Runden    ***** Rennen 2 von 5 *****");
            EXPECT_TRUE(c.club.ErgebnisSichtbar());
            EXPECT_EQ(FahrerName(c.rig.sys.st, 1), "Bert");
            EXPECT_EQ(c.club.Countdown(), "02:00");
        }
        if (m == "pause") {
            EXPECT_EQ(c.club.Countdown(), "02:00");
            EXPECT_FALSE(c.rig.sys.st.StartPhase);
        }
    });
}

// "Wiederholen" once asks; "Weiter" then drops the question and nothing is
// repeated.
TEST(ClubRaceTest, RepeatAsksFirstAndWeiterDropsTheQuestion) {
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    DriveClubRace(c, [&](const std::string& m) {
        if (m == "wiederholen?") {
            EXPECT_EQ(c.club.RepeatCaption(), "bestätigen");
            EXPECT_TRUE(c.Listed(" !!! Rennen 1 Wiederholen, bestätigen !!!"));
            EXPECT_EQ(c.club.Turn(), 2);
        }
        if (m == "weiter") {
            EXPECT_EQ(c.club.RepeatCaption(), "Wiederholen");
            EXPECT_EQ(c.club.Turn(), 2);
            EXPECT_EQ(FahrerName(c.rig.sys.st, 1), "Bert");
        }
    });
}

// Pressed twice, heat 1 is driven again: its times go, the slot addition
// stays, and the heat stays open while a lane is short of its laps.
TEST(ClubRaceTest, AConfirmedRepeatDrivesTheHeatAgain) {
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    DriveClubRace(c, [&](const std::string& m) {
        if (m == "wiederholt") {
            EXPECT_EQ(c.club.RepeatCaption(), "na dann");
            EXPECT_TRUE(c.Listed(" !!! Rennen 1 wird Wiederholt !!!"));
            EXPECT_EQ(c.club.Turn(), 1);
            EXPECT_EQ(c.club.NaechstesRennenText(), "Nächstes Rennen 1");
            EXPECT_EQ(c.club.Gesamtzeit(1), 1);
            EXPECT_EQ(c.club.Gesamtzeit(2), 4);
            EXPECT_EQ(FahrerName(c.rig.sys.st, 1), "Anna");
            EXPECT_EQ(c.rig.sys.st.rennen.RennmodusText, "Clubrennen über 2 Runden    ***** Rennen 1 von 5 *****");
        }
        if (m == "dritter druck") { EXPECT_EQ(c.club.Turn(), 1) << "a third press does nothing"; }
        if (m == "spur 4 steht") {
            EXPECT_TRUE(c.rig.sys.st.RennenLaeuft) << "lane 4 short of its laps keeps the heat open";
            EXPECT_EQ(c.club.Turn(), 1);
        }
        if (m == "wiederholung") {
            // Lane 4 (Bert) was slower this time.
            EXPECT_EQ(c.club.Turn(), 2);
            EXPECT_GT(c.club.Gesamtzeit(2), c.club.Gesamtzeit(1) + 3000);
        }
    });
}

// After the last heat the club race is over: its totals are cleared, heat 1
// stands prepared, a repeat does nothing, and a start finds the drivers and
// their confirmation gone, back in the pool.
TEST(ClubRaceTest, AfterTheLastHeatTheClubRaceIsOver) {
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    DriveClubRace(c, [&](const std::string& m) {
        if (m == "ende") {
            EXPECT_TRUE(c.Traced("heatend heat=5"));
            EXPECT_TRUE(c.Listed(" *** Clubrennen Ende *** "));
            EXPECT_TRUE(c.club.Ende());
            EXPECT_EQ(c.club.Turn(), 1);
            EXPECT_EQ(c.club.Gesamtzeit(1), 0) << "the totals are cleared after the last heat";
            EXPECT_EQ(c.trace.back(), "heatlane heat=1 lane=4 driver=\"Bert\"") << "heat 1 stands prepared again";
        }
        if (m == "wiederholen nach ende") { EXPECT_EQ(c.club.WiederholenStufe(), 0); }
        if (m == "start nach ende") {
            EXPECT_FALSE(c.rig.sys.st.StartPhase);
            EXPECT_FALSE(ClubFahrerBestaetigt(c.rig.sys));
            EXPECT_EQ(c.rig.sys.st.fahrer.AnzahlClubFahrer, 0);
            EXPECT_EQ(SpurNamenAuswahl(c.rig.sys),
                      (std::vector<std::string>{"Anna", "Bert", "Cleo", "Dirk", "Emil", "TEAM 1", "TEAM 2", "TEAM 3",
                                                "TEAM 4", "TEAM 5", "TEAM 6", "TEAM 7", "TEAM 8"}));
            ASSERT_FALSE(c.ui.texte.empty());
            EXPECT_EQ(c.ui.texte.back(), kClubBeendet);
        }
    });
}

// Back to an ordinary race: the lanes of the settings, not of the last heat.
TEST(ClubRaceTest, AnOrdinaryRaceAfterwardsDrivesTheLanesOfTheSettings) {
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    DriveClubRace(c, [&](const std::string& m) {
        if (m == "rundenrennen") {
            for (int l = 1; l <= 4; ++l) EXPECT_TRUE(c.rig.sys.st.SpurAktiv[l]) << l;
        }
    });
}

// Five heats with lane 1 the fastest in each, heat 1 repeated, the result
// files in `dir`; the tests of what the windows and files name share it.
void DriveHeatsWithARepeat(ClubRig& c, const std::string& dir, const At& at) {
    c.rig.sys.datenVerzeichnis = dir;
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 3));
    ASSERT_TRUE(c.Drive({0, 900, 1000, 1100, 1200}));
    at("rennen 1");
    c.club.Wiederholen();
    c.club.Wiederholen();
    c.club.Weiter();
    StartRace(c.rig.sys);
    at("wiederholung startet");
    ASSERT_TRUE(c.Drive({0, 900, 1000, 1100, 1200}));
    at("wiederholung");
    StartRace(c.rig.sys);
    at("rennen 2 startet");
    for (int h = 2; h <= 5; ++h) {
        at("vor rennen " + std::to_string(h));
        ASSERT_TRUE(c.Drive({0, 900, 1000, 1100, 1200})) << h;
        at("rennen " + std::to_string(h));
    }
}

// After a heat the next heat's drivers are on the lanes; the laps, banner and
// result still belong to the heat driven until the next one starts.
TEST(ClubRaceTest, AFinishedHeatKeepsItsDriversUntilTheNextStarts) {
    test::TempDir dir("zk-club");
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    RaceContext& sys = c.rig.sys;
    DriveHeatsWithARepeat(c, dir.path(), [&](const std::string& m) {
        if (m == "rennen 1") {
            EXPECT_EQ(FahrerName(sys.st, 1), "Bert");
            EXPECT_EQ(RennFahrer(sys, 1), "Anna");
            EXPECT_EQ(RennFahrer(sys, 3), "Emil");
        }
        if (m == "wiederholung startet") { EXPECT_EQ(RennFahrer(sys, 1), "Anna"); }
        if (m == "rennen 2 startet") { EXPECT_EQ(RennFahrer(sys, 1), "Bert"); }
    });
}

// The banner and the result name each heat's winner with the driver of that
// heat, not of the one prepared next.
TEST(ClubRaceTest, BannerAndResultNameTheWinnerOfTheHeatDriven) {
    test::TempDir dir("zk-club");
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    RaceContext& sys = c.rig.sys;
    std::string sieger;
    DriveHeatsWithARepeat(c, dir.path(), [&](const std::string& m) {
        if (m == "rennen 1") {
            EXPECT_EQ(BannerBerechnen(sys).zeile, "Sieger: Spur 1 \u2013 Anna");
            ASSERT_FALSE(sys.view.ergebnis.zeilen.empty());
            EXPECT_EQ(sys.view.ergebnis.zeilen[0].fahrer, "Anna");
        }
        if (m.rfind("vor rennen ", 0) == 0) sieger = FahrerName(sys.st, 1);
        if (m.rfind("rennen ", 0) == 0 && m != "rennen 1" && m != "rennen 2 startet") {
            EXPECT_EQ(BannerBerechnen(sys).zeile, "Sieger: Spur 1 \u2013 " + sieger) << m;
            ASSERT_FALSE(sys.view.ergebnis.zeilen.empty());
            EXPECT_EQ(sys.view.ergebnis.zeilen[0].fahrer, sieger) << m;
        }
    });
    EXPECT_EQ(sieger, "Emil") << "heat 5 was driven";
}

// Headings and result titles name the heat, its repeat, and at the end that
// the club race is over.
TEST(ClubRaceTest, HeadingsNameTheHeatItsRepeatAndTheEnd) {
    test::TempDir dir("zk-club");
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    RaceContext& sys = c.rig.sys;
    DriveHeatsWithARepeat(c, dir.path(), [&](const std::string& m) {
        if (m == "rennen 1") {
            EXPECT_EQ(sys.view.ergebnis.titel, "Clubrennen über 2 Runden    ***** Rennen 1 von 5 *****");
            EXPECT_EQ(RennUeberschrift(sys), "Clubrennen über 2 Runden    ***** Rennen 1 von 5 *****");
            EXPECT_EQ(ClubErgebnisBerechnen(sys, c.club).rennenVon, "Rennen 1 von 5");
        }
        if (m == "wiederholung startet") {
            EXPECT_EQ(RennUeberschrift(sys), "Clubrennen über 2 Runden    ***** Rennen 1 von 5 *****  (Wiederholung)");
        }
        if (m == "wiederholung") {
            EXPECT_EQ(sys.view.ergebnis.titel, "Clubrennen über 2 Runden    ***** Rennen 1 von 5 *****  (Wiederholung)");
        }
        if (m == "rennen 2 startet") {
            EXPECT_EQ(RennUeberschrift(sys), "Clubrennen über 2 Runden    ***** Rennen 2 von 5 *****");
        }
        if (m == "rennen 5") {
            ASSERT_TRUE(c.club.Ende());
            EXPECT_EQ(RennUeberschrift(sys),
                      "Clubrennen über 2 Runden    ***** Rennen 5 von 5 *****  \u2013  Clubrennen beendet");
            const ClubErgebnisAnsicht a = ClubErgebnisBerechnen(sys, c.club);
            EXPECT_EQ(a.rennenVon, "Rennen 5 von 5 \u2013 Clubrennen beendet");
            EXPECT_EQ(a.naechstesText, "Clubrennen beendet");
        }
    });
}

// The standings are filed after each heat (the repeated one twice) and as the
// final standings at the end, each as a table and a page.
TEST(ClubRaceTest, StandingsAreFiledAfterEachHeatAndAtTheEnd) {
    test::TempDir dir("zk-club");
    ClubRig c({"Anna", "Bert", "Cleo", "Dirk", "Emil"}, 2);
    DriveHeatsWithARepeat(c, dir.path(), [&](const std::string& m) {
        if (m == "rennen 2") { EXPECT_EQ(c.club.Gefahren(4), 1) << "Dirk sat out heat 1"; }
    });
    const fs::path ergebnisse = fs::path(dir.path()) / kErgebnisOrdner;
    std::vector<std::string> stand;
    for (const auto& e : fs::directory_iterator(ergebnisse)) {
        const std::string n = e.path().filename().string();
        if (n.find("_Clubwertung_") != std::string::npos && e.path().extension() == ".csv") stand.push_back(n);
    }
    std::sort(stand.begin(), stand.end());
    ASSERT_EQ(stand.size(), 6u);
    size_t wiederholt = 0, ende = 0;
    std::string endstand;
    for (const std::string& n : stand) {
        const std::string text = Lesen(ergebnisse / n);
        if (text.find("Zwischenstand nach Rennen 1 von 5 (Wiederholung)") != std::string::npos) ++wiederholt;
        if (n.find("_Clubwertung_Endstand") != std::string::npos) {
            ++ende;
            endstand = text;
        }
    }
    EXPECT_EQ(wiederholt, 1u);
    ASSERT_EQ(ende, 1u);
    EXPECT_NE(endstand.find("Wertung;Clubrennen – Endstand nach Rennen 5 von 5\r\n"), std::string::npos) << endstand;
    EXPECT_NE(endstand.find("Platz;Fahrer;Gesamtzeit;Gesamtzeit (ms);Rennen gefahren;Rennen\r\n"), std::string::npos);
    // Every driver drove four of the five heats.
    EXPECT_EQ(Zaehlen(endstand, ";4;5\r\n"), 5u) << endstand;
    EXPECT_TRUE(fs::exists(ergebnisse / (stand.back().substr(0, stand.back().size() - 4) + ".html")));
}

TEST(ClubRaceTest, Mode4LapsFollowTheDriverAndTheRepeatTakesThemBack) {
    // 3 drivers on 4 lanes: heat 2 has slots 4, 1, 2 filled and lane 3 empty;
    // each lane's laps go to the driver of its slot.
    ClubRig c({"Anna", "Bert", "Cleo"}, 3);
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 4));
    EXPECT_EQ(c.rig.sys.st.rennen.RennmodusText, "ClubRundenRennen über 3 Runden");
    ASSERT_TRUE(c.Drive({0, 1000, 1400, 2100, 700}));
    // Lane 1 reaches 3 laps first; the after-run of 300 ms follows.
    EXPECT_EQ(c.club.Runden(1), 3);
    EXPECT_EQ(c.club.Runden(2), 2);
    EXPECT_EQ(c.club.Runden(3), 1);
    EXPECT_EQ(c.club.Platzierung(), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(c.Listed("Anna auf Spur 1 --> 3 Runden  gesamt 3"));
    EXPECT_TRUE(c.Listed("3 - Cleo mit 1 Runden   (1 von 4 Rennen)"));
    // Repeat: the laps go again.
    c.club.Wiederholen();
    c.club.Wiederholen();
    EXPECT_EQ(c.club.Turn(), 1);
    EXPECT_EQ(c.club.Runden(1) + c.club.Runden(2) + c.club.Runden(3), 0);
    c.club.Weiter();
    ASSERT_TRUE(c.Drive({0, 1000, 1000, 1000, 0}));
    EXPECT_EQ(c.club.Runden(1), 3);
    // Heat 2: Bert on lane 1, Cleo on lane 2, lane 3 empty, Anna on lane 4.
    EXPECT_EQ(FahrerName(c.rig.sys.st, 4), "Anna");
    EXPECT_FALSE(c.rig.sys.st.SpurAktiv[3]);
    ASSERT_TRUE(c.Drive({0, 2100, 1400, 0, 1000}));
    EXPECT_EQ(c.club.Runden(1), 6) << "lane 4's laps are Anna's";
    EXPECT_EQ(c.club.Runden(2), 3 + 1);
    EXPECT_EQ(c.club.Runden(3), 3 + 2);
    EXPECT_TRUE(c.Traced("rank pos=1 driver=\"Anna\" score=6"));
}

TEST(ClubRaceTest, Mode5HeatRunsOutItsMinutesAndWritesNoLog) {
    const test::TempDir tmp("zk-club");
    const fs::path dir = tmp.path();
    ClubRig c({"Anna", "Bert", "Cleo"}, 3);
    c.rig.sys.cfg.Save.Race = 1;
    c.rig.sys.ClubLog().SetDataDir(dir.string());
    TimeInputChanged(c.rig.sys, "1");
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 5));
    EXPECT_EQ(c.rig.sys.st.rennen.RennmodusText, "Club Zeitrennen über  1 Minute");
    EXPECT_EQ(c.club.PlanZeile(2, 3), "nicht belegt");
    EXPECT_EQ(c.club.PlanZeile(2, 4), "Spur 4 Anna");
    // A second every nine cycles: one minute is over after 54 s.
    const int32_t t0 = c.rig.now;
    ASSERT_TRUE(c.Drive({0, 1000, 2000, 3000, 0}, 70000));
    EXPECT_NEAR(TimeDiff(c.rig.now, t0), 55000, 1500);
    EXPECT_NEAR(c.club.Runden(1), 54, 2);
    EXPECT_NEAR(c.club.Runden(2), 27, 2);
    EXPECT_TRUE(c.Listed("1 - Anna mit " + std::to_string(c.club.Runden(1)) + " Runden   (1 von 4 Rennen)"));
    EXPECT_EQ(c.rig.sys.st.rennen.RestMinuten, 1) << "heat 2 has its minute again";
    EXPECT_FALSE(fs::exists(dir / "Logfile.txt"));
}

TEST(ClubRaceTest, AutoStartCountsDownAndStartsTheNextHeat) {
    ClubRig c({"Anna", "Bert"}, 2, {1, 2});
    c.rig.sys.cfg.AutoStart.Enabled = 1;
    c.rig.sys.cfg.AutoStart.Time = 1;
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 3));
    ASSERT_TRUE(c.Drive({0, 1000, 1100}));
    // The first second goes in the cycle that ends the heat.
    EXPECT_EQ(c.club.Countdown(), "00:59");
    c.rig.RunFor(30000);
    EXPECT_EQ(c.club.Countdown(), "00:29");
    c.rig.RunFor(28000);
    EXPECT_EQ(c.club.Countdown(), "00:01");
    EXPECT_FALSE(c.rig.sys.st.StartPhase);
    c.rig.RunFor(1000);
    EXPECT_TRUE(c.rig.sys.st.StartPhase) << "the next heat is started by itself";
    EXPECT_FALSE(c.club.ErgebnisSichtbar());
    EXPECT_EQ(FahrerName(c.rig.sys.st, 1), "Bert");
    ASSERT_TRUE(c.Drive({0, 1000, 1100}));
    // The last heat disarms the auto-start.
    EXPECT_TRUE(c.club.Ende());
    EXPECT_FALSE(c.rig.sys.st.rennen.AutoStartScharf);
    c.rig.RunFor(70000);
    EXPECT_FALSE(c.rig.sys.st.StartPhase);
}

std::string Heute() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char b[16];
    std::strftime(b, sizeof b, "%d.%m.%Y", &tm);
    return b;
}

TEST(ClubLogTest, LogfileBytesAndTheKeptLog) {
    const test::TempDir tmp("zk-club");
    const fs::path dir = tmp.path();
    // The log of an earlier race, last written 2024-03-01 19:30:12.
    { std::ofstream(dir / "Logfile.txt") << "alt"; }
    std::tm tm{};
    tm.tm_year = 124, tm.tm_mon = 2, tm.tm_mday = 1, tm.tm_hour = 19, tm.tm_min = 30, tm.tm_sec = 12, tm.tm_isdst = -1;
    const utimbuf zeit{std::mktime(&tm), std::mktime(&tm)};
    ASSERT_EQ(::utime((dir / "Logfile.txt").c_str(), &zeit), 0);

    // Jörg and Anna on lanes 1 and 4, one lap per heat; heat 1 is repeated.
    ClubRig c({"J\xC3\xB6rg", "Anna"}, 1, {1, 4});
    c.rig.sys.cfg.Letzte.Zeit = 7;
    c.rig.sys.cfg.Save.Race = 1;
    c.rig.sys.ClubLog().SetDataDir(dir.string());
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 3));
    ASSERT_TRUE(c.Drive({0, 3000, 0, 0, 4000}));
    c.club.Wiederholen();
    c.club.Wiederholen();
    c.club.Weiter();
    ASSERT_TRUE(c.Drive({0, 2000, 0, 0, 4000}));
    ASSERT_TRUE(c.Drive({0, 5000, 0, 0, 2500}));
    EXPECT_TRUE(c.club.Ende());
    EXPECT_TRUE(c.ui.texte.empty());

    EXPECT_EQ(Lesen(dir / "Logfile_2024-03-01_19-30-12.txt"), "alt");
    // Every line ends CR CR LF; a line followed by an empty one CR LF CR LF.
    // Lap 1 is timed from green: the start crossing 50 ms after it (stamped at
    // its first active millisecond, one later) plus one lap; each total carries
    // the slot addition (1 ms on lane 1, 2 ms on lane 4), also the one of the
    // repeated run: Jörg 3051 + 1, after the repeat 1 + 2051 + 1, then + 2551 + 2.
    const std::string want =
        "Datum : " + Heute() + "\r\r\n"
        "Rennmodus : Clubrennen\r\r\n"
        "Runden : 1\r\r\n"
        "ClubRunden : 1\r\r\n"
        "Zeit : 7\r\n\r\n"
        "--- Fahrer ---\r\r\n"
        "J\xF6rg\r\r\n"
        "Anna\r\r\n"
        "--- Ende Fahrer\r\n\r\n"
        "--- Rennablauf ---\r\r\n"
        "--- Anzahl Rennen 2\r\r\n"
        "--- Rennen 1\r\r\n"
        "Spur 1 J\xF6rg\r\r\n"
        "Spur 2 Anna\r\r\n"
        "Spur 3 \r\r\n"
        "Spur 4 \r\r\n"
        "--- Rennen 2\r\r\n"
        "Spur 1 Anna\r\r\n"
        "Spur 2 J\xF6rg\r\r\n"
        "Spur 3 \r\r\n"
        "Spur 4 \r\r\n"
        "--- Ende Rennablauf ---\r\n\r\n"
        "++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++\r\r\n"
        "--- Turn : 1 fertig um : 00:00:04\r\r\n"
        "J\xF6rg auf Spur 1 gesamtzeit 3.052\r\r\n"
        "Anna auf Spur 4 gesamtzeit 4.053\r\r\n"
        " --- Platzierung\r\r\n"
        "1 -> J\xF6rg - 3.052\r\r\n"
        "2 -> Anna - 4.053\r\r\n"
        "--- Ende Turn : 1\r\n\r\n"
        "++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++\r\r\n"
        "--- Wiederholung Turn : 1 fertig um : 00:00:09\r\r\n"
        "J\xF6rg auf Spur 1 gesamtzeit 2.053\r\r\n"
        "Anna auf Spur 4 gesamtzeit 4.055\r\r\n"
        " --- Platzierung\r\r\n"
        "1 -> J\xF6rg - 2.053\r\r\n"
        "2 -> Anna - 4.055\r\r\n"
        "--- Ende Turn : 1\r\n\r\n"
        "++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++\r\r\n"
        "--- Turn : 2 fertig um : 00:00:15\r\r\n"
        "Anna auf Spur 1 gesamtzeit 9.107\r\r\n"
        "J\xF6rg auf Spur 4 gesamtzeit 4.606\r\r\n"
        " --- Platzierung\r\r\n"
        "1 -> J\xF6rg - 4.606\r\r\n"
        "2 -> Anna - 9.107\r\r\n"
        "--- Ende Turn : 2\r\n\r\n"
        "!!!!!!!!!!!!!!!!!!!!!! HABE FERTIG !!!!!!!!!!!!!!!!!!!!\r\n\r\n";
    EXPECT_EQ(Lesen(dir / "Logfile.txt"), want);
}

TEST(ClubLogTest, AFailedWriteIsReportedOnceAndTheRaceGoesOn) {
    // A data directory that is a file: nothing under it can be written.
    const test::TempDir tmp("zk-club");
    const fs::path file = fs::path(tmp.path()) / "Daten";
    { std::ofstream(file) << "x"; }
    ClubRig c({"Anna", "Bert"}, 1, {1, 2});
    c.rig.sys.cfg.Save.Race = 1;
    c.rig.sys.ClubLog().SetDataDir(file.string());
    ASSERT_TRUE(ChooseRaceMode(c.rig.sys, 3));
    ASSERT_TRUE(c.Drive({0, 1000, 1100}));
    ASSERT_TRUE(c.Drive({0, 1000, 1100}));
    EXPECT_TRUE(c.club.Ende());
    EXPECT_EQ(c.ui.texte, std::vector<std::string>{ClubLogFehlerText(file.string() + "/Logfile.txt")});
}

TEST(ClubSimTest, ExampleClubRaceOfFiveDriversOnFourLanes) {
    const test::TempDir tmp("zk-club");
    const fs::path dir = tmp.path();
    const auto r = test::RunSimOn(std::string(ZK_SOURCE_DIR) + "/examples/club.scn", "--data-dir '" + dir.string() + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    for (int h = 1; h <= 5; ++h) {
        const std::string n = std::to_string(h);
        EXPECT_NE(r.out.find(" heat " + n + " of 5\n"), std::string::npos) << h;
        EXPECT_EQ(Zaehlen(r.out, " heatlane heat=" + n + " lane="), h == 1 ? 8u : 4u) << h;  // heat 1 twice: at the end again
        EXPECT_EQ(Zaehlen(r.out, " heatend heat=" + n + "\n"), 1u) << h;
    }
    EXPECT_NE(r.out.find(" heatlane heat=1 lane=3 driver=\"J\xC3\xB6rg\"\n"), std::string::npos);
    // The ranking after each heat: four drivers after heat 1 (Dirk sat out), then all five.
    EXPECT_EQ(Zaehlen(r.out, " rank pos=1 "), 5u);
    EXPECT_EQ(Zaehlen(r.out, " rank pos=5 "), 4u);
    const size_t ende5 = r.out.find(" heatend heat=5\n");
    ASSERT_NE(ende5, std::string::npos);
    EXPECT_LT(ende5, r.out.find(" rank pos=5 ", ende5));

    const std::string log = Lesen(dir / "Logfile.txt");
    EXPECT_EQ(log.rfind("Datum : ", 0), 0u);
    EXPECT_NE(log.find("--- Fahrer ---\r\r\nAnna\r\r\nBert\r\r\nCleo\r\r\nDirk\r\r\nJ\xF6rg\r\r\n--- Ende Fahrer\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(Zaehlen(log, "--- Turn : "), 5u);
    EXPECT_EQ(Zaehlen(log, "HABE FERTIG"), 1u);
    const std::string schluss = "--- Ende Turn : 5\r\n\r\n!!!!!!!!!!!!!!!!!!!!!! HABE FERTIG !!!!!!!!!!!!!!!!!!!!\r\n\r\n";
    EXPECT_EQ(log.substr(log.size() - schluss.size()), schluss);

    // Each heat's result names its heat; the standings follow each heat, the
    // last as the final standings with Jörg ahead, all beside the heat results.
    EXPECT_EQ(Zaehlen(r.out, "_Clubwertung_nach_Rennen_"), 8u) << "heats 1..4, table and page";
    ASSERT_EQ(Zaehlen(r.out, "_Clubwertung_Endstand.csv\"\n"), 1u);
    EXPECT_EQ(Zaehlen(r.out, "_Clubwertung_Endstand.html\"\n"), 1u);
    const size_t csv = r.out.find("_Clubwertung_Endstand.csv");
    const size_t von = r.out.rfind('"', csv) + 1;
    const std::string endstand = Lesen(dir / r.out.substr(von, r.out.find('"', csv) - von));
    EXPECT_NE(endstand.find("Endstand nach Rennen 5 von 5"), std::string::npos) << endstand;
    EXPECT_NE(endstand.find("1;J\xC3\xB6rg;"), std::string::npos) << endstand;
    EXPECT_EQ(Zaehlen(endstand, ";4;5\r\n"), 5u) << endstand;
    bool heatTitel = false;
    for (const auto& e : fs::directory_iterator(dir / kErgebnisOrdner))
        if (e.path().extension() == ".csv" && Lesen(e.path()).find("***** Rennen 3 von 5 *****") != std::string::npos)
            heatTitel = true;
    EXPECT_TRUE(heatTitel);
}

}  // namespace
