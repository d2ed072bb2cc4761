// The parallel port's pin roles and the sensor teach-in.
#include <gtest/gtest.h>

#include "TestRig.h"
#include "race/Lpt.h"
#include "race/TeachIn.h"
#include "race/RaceSequence.h"

using namespace zk;
using namespace zk::test;

TEST(LptPort, SecondPortWritesAt632And634AndNoPortWritesNothing) {
    Rig r;
    r.sys.cfg.Lpt.Port = 2;
    r.sys.cfg.Bahnstrom.LptStrom = 1;
    r.Init();
    EXPECT_EQ(r.sys.st.LptBasis, 632);
    r.port.ClearWrites();
    PowerOff(r.sys, 1);
    PinOptionWaehlen(r.sys, PinOption::Pin16Input);
    const auto w = r.port.Writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].addr, 632);
    EXPECT_EQ(w[1].addr, 634);

    LptPortWaehlen(r.sys, 0);
    EXPECT_EQ(r.sys.cfg.Bahnstrom.LptStrom, 0);
    EXPECT_EQ(r.sys.cfg.Lpt.Ampel, 0);
    EXPECT_EQ(LptCheckSetzen(r.sys, LptCheck::Ampel, 1), 0);  // forced back without a port
    r.port.ClearWrites();
    const int64_t reads = r.port.ReadCount();
    StopRace(r.sys);
    r.RunFor(10);
    EXPECT_TRUE(r.port.Writes().empty());
    EXPECT_EQ(r.port.ReadCount(), reads);
}

TEST(TeachIn, LearnsTheChangedBitAndItsLevel) {
    Rig r;
    r.Init();
    auto& s = r.sys.st;
    s.Eingang = 0xF8;
    TeachInKlick(r.sys, 2);
    TeachInPass(r.sys);
    EXPECT_EQ(r.sys.view.teachCaption[2], "Teach In aktiv");
    s.Eingang = 0xB8;  // bit 6 fell when the car came
    TeachInPass(r.sys);
    EXPECT_EQ(s.Maske[2], 64);
    EXPECT_EQ(s.Vergleich[2], 0);
    EXPECT_EQ(r.sys.cfg.Masken.MS[2], 64);
    EXPECT_EQ(s.anlernen.TeachAktiv[2], 0);
    EXPECT_EQ(r.sys.view.teachCaption[2], "Spur 2");
    EXPECT_EQ(r.sys.view.teachFarbe[2], kRgbGruen);  // active right now

    TeachInKlick(r.sys, 2);  // idle 0xB8, the bit rises
    s.Eingang = 0xF8;
    TeachInPass(r.sys);
    EXPECT_EQ(s.Vergleich[2], 64);

    TeachInKlick(r.sys, 3);
    TeachInKlick(r.sys, 5);  // arming another input disarms the first
    EXPECT_EQ(s.anlernen.TeachAktiv[3], 0);
    TeachInKlick(r.sys, 5);  // clicking again disarms
    EXPECT_EQ(s.anlernen.TeachAktiv[5], 0);

    r.sys.cfg.Tankoption.BoxTank = 1;
    TeachInPass(r.sys);
    EXPECT_EQ(r.sys.view.teachCaption[6], "Tanken Spur 2");
    EXPECT_EQ(r.sys.view.teachCaption[9], "Gelbphase");
    EXPECT_EQ(r.sys.view.teachCaption[10], "Chaos");
}

TEST(TeachIn, AfterResetNoLaneCountsUntilLearnedAgain) {
    Rig r;
    r.StandardWiring();
    r.sys.cfg.LiZeit.Minimum = 500;
    r.sys.cfg.AktiveSpuren.Spur = {0, 1, 0, 0, 0, 0, 0, 0, 0};
    r.Init();
    TeachInReset(r.sys);
    r.RunTo(1000);
    r.Green();
    r.sys.st.ErsteDurchfahrt[1] = false;
    r.Hold(1, 20);
    r.RunTo(1500);
    EXPECT_EQ(r.Laps(1), 0);

    // Learn lane 1: idle word 0, the car sets bit 3.
    r.sys.st.Eingang = 0;
    TeachInKlick(r.sys, 1);
    r.sys.st.Eingang = 8;
    TeachInPass(r.sys);
    EXPECT_EQ(r.sys.st.Maske[1], 8);
    EXPECT_EQ(r.sys.st.Vergleich[1], 8);
    r.RunTo(3000);
    r.Hold(1, 20);
    r.RunTo(3500);
    EXPECT_EQ(r.Laps(1), 1);
}
