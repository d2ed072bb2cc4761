// Lane names of ordinary races and what the club result window is given to
// show, through a club race driven on the rig.
#include <gtest/gtest.h>

#include "race/ClubAnzeige.h"
#include "race/ClubRennen.h"
#include "race/FahrerAuswahl.h"
#include "race/RaceModes.h"
#include "race/RaceResult.h"
#include "race/RaceSequence.h"
#include "tests/SimRun.h"
#include "tests/TestRig.h"

namespace {

using namespace zk;

TEST(FahrerAuswahlTest, LaneNamesAndTeams) {
    test::Rig rig;
    rig.StandardWiring();
    rig.Init();
    RaceContext& sys = rig.sys;
    sys.cfg.Fahrer = {"Anna", "Bert", "", "Geist"};
    const auto wahl = SpurNamenAuswahl(sys);
    ASSERT_EQ(wahl.size(), 10u);  // the pool ends at its first empty slot
    EXPECT_EQ(wahl[1], "Bert");
    EXPECT_EQ(wahl[2], "TEAM 1");
    EXPECT_EQ(wahl[9], "TEAM 8");

    SpurNamenListe n = SpurNamen(sys.st);
    EXPECT_EQ(n[3], "Fahrer 3");
    n[1] = "  Anna ";
    n[2] = "";
    n[3] = "Bert";
    SpurNamenSetzen(sys, n);
    EXPECT_TRUE(sys.st.fahrer.SpurNamenGesetzt);
    EXPECT_EQ(FahrerName(sys.st, 1), "Anna");
    EXPECT_EQ(FahrerName(sys.st, 2), "Fahrer 2");  // an empty box gives the default back
    EXPECT_EQ(FahrerName(sys.st, 3), "Bert");
    EXPECT_EQ(FahrerName(sys.st, 8), "Fahrer 8");
    TeamNamenSetzen(sys);
    for (int l = 1; l <= kLanes; ++l) EXPECT_EQ(FahrerName(sys.st, l), "TEAM " + std::to_string(l));
}

TEST(FahrerAuswahlTest, ReplayNamesTheLanes) {
    const test::SimRun r = test::RunSim("at 100 lane-names Anna \"Bert Brause\" -\nat 200 lane-names - Cleo\n"
                                        "at 300 teams\nend 400\n",
                                        "lane-names.scn");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("100 lanenames \"Anna\" \"Bert Brause\" \"Fahrer 3\" \"Fahrer 4\""), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("200 lanenames \"Fahrer 1\" \"Cleo\" \"Fahrer 3\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("300 lanenames \"TEAM 1\" \"TEAM 2\" \"TEAM 3\" \"TEAM 4\" \"TEAM 5\" \"TEAM 6\" "
                         "\"TEAM 7\" \"TEAM 8\"\n"),
              std::string::npos)
        << r.out;
}

// Drives the prepared heat: every lane crosses every 800 ms until the heat ends.
void DriveHeat(test::Rig& rig, const ClubRennen& club) {
    const int turn = club.Turn();
    StartRace(rig.sys);
    rig.RunFor(100);
    rig.Green();
    for (int i = 0; i < 3000 && club.Turn() == turn; ++i) {
        rig.RunFor(10);
        if (i % 80 == 40)
            for (int l = 1; l <= kLanes; ++l) rig.Hold(l, 20);
    }
}

TEST(ClubAnzeigeTest, TreeNextHeatResultAndRepeatThroughAClubRace) {
    test::Rig rig;
    rig.StandardWiring();
    for (int l = 1; l <= kLanes; ++l) rig.sys.cfg.AktiveSpuren.Spur[l] = l == 1 || l == 2 || l == 4 ? 1 : 0;
    rig.sys.cfg.LiZeit.Minimum = 500;
    rig.sys.cfg.AutoStart.Enabled = 0;  // the pause is set but does not run
    rig.sys.cfg.AutoStart.Time = 2;
    rig.Init();
    ClubRennen club{rig.sys};
    rig.sys.SetClub(&club);
    FahrerListen fl;
    fl.aktiv = {"Anna", "Bert"};
    FahrerBestaetigen(rig.sys, fl);
    LapInputChanged(rig.sys, "1");
    ASSERT_TRUE(ChooseRaceMode(rig.sys, 3));

    // Two drivers on three lanes: three heats, one empty slot in each.
    ClubErgebnisAnsicht a = ClubErgebnisBerechnen(rig.sys, club);
    ASSERT_EQ(a.baum.size(), 3u);
    EXPECT_EQ(a.baum[0].schluessel, "A 1");
    EXPECT_EQ(a.baum[2].text, "Rennen 3");
    ASSERT_EQ(a.baum[0].kinder.size(), 3u);
    EXPECT_EQ(a.baum[0].kinder[0].text, "Spur 1 Anna");
    EXPECT_EQ(a.baum[0].kinder[1].text, "Spur 2 Bert");
    EXPECT_EQ(a.baum[0].kinder[2].text, "nicht belegt");
    EXPECT_EQ(a.baum[1].kinder[0].schluessel, "I 4");
    EXPECT_EQ(a.naechstes, 1);
    EXPECT_EQ(a.naechstesText, "Nächstes Rennen 1");
    EXPECT_EQ(a.rennenVon, "");
    EXPECT_TRUE(a.spurSichtbar[1] && a.spurSichtbar[2]);
    EXPECT_FALSE(a.spurSichtbar[3] || a.spurSichtbar[4]);
    EXPECT_EQ(a.spurName[2], "Bert");
    EXPECT_FALSE(a.wiederholenMoeglich);  // nothing driven yet

    DriveHeat(rig, club);
    a = ClubErgebnisBerechnen(rig.sys, club);
    EXPECT_FALSE(a.heatLaeuft);
    EXPECT_EQ(a.rennenVon, "Rennen 1 von 3");
    EXPECT_EQ(a.naechstesText, "Nächstes Rennen 2");
    EXPECT_EQ(a.countdown, "02:00");
    EXPECT_EQ(a.countdownTitel, "Pause (ohne Autostart)");
    // Heat 2 puts Anna on lane 2 and Bert on lane 4.
    EXPECT_EQ(a.spurName[2], "Anna");
    EXPECT_EQ(a.spurName[4], "Bert");
    EXPECT_TRUE(a.spurSichtbar[4]);
    EXPECT_FALSE(a.spurSichtbar[1]);
    ASSERT_FALSE(a.liste.empty());
    EXPECT_EQ(a.liste.front(), " --- Rennen 1 --- ");
    EXPECT_TRUE(a.wiederholenMoeglich);

    // Repeat, confirmed: heat 1 is next again, the list still shows heat 1.
    club.Wiederholen();
    a = ClubErgebnisBerechnen(rig.sys, club);
    EXPECT_EQ(a.repeatStufe, 1);
    EXPECT_EQ(a.repeatCaption, "bestätigen");
    club.Wiederholen();
    a = ClubErgebnisBerechnen(rig.sys, club);
    EXPECT_EQ(a.repeatCaption, "na dann");
    EXPECT_FALSE(a.wiederholenMoeglich);
    EXPECT_EQ(a.naechstes, 1);
    EXPECT_EQ(a.rennenVon, "Rennen 1 von 3");
    club.Weiter();

    // The rest of the race; after the last heat the plan starts again at heat 1
    // and a repeat is no longer possible.
    for (int h = 1; h <= 3; ++h) DriveHeat(rig, club);
    a = ClubErgebnisBerechnen(rig.sys, club);
    EXPECT_EQ(a.rennenVon, "Rennen 3 von 3");
    EXPECT_EQ(a.naechstes, 1);
    EXPECT_FALSE(a.wiederholenMoeglich);
    EXPECT_NE(std::find(a.liste.begin(), a.liste.end(), " *** Clubrennen Ende *** "), a.liste.end());
}

}  // namespace
