// Fuel through the real tick and cycle: constants, consumption over laps, the
// empty tank with lap or power penalties, refuelling on the lap or pit sensor,
// colours, and voltages that never leave 0 .. the lane's set value.
#include <gtest/gtest.h>

#include "TestRig.h"
#include "race/Fuel.h"
#include "race/RaceSequence.h"

using namespace zk;
using namespace zk::test;

namespace {

struct FuelRig : Rig {
    FuelRig() {
        StandardWiring();
        sys.cfg.LiZeit.Minimum = 500;
        sys.cfg.LiZeit.MinLength = 1;
        sys.cfg.AktiveSpuren.Spur = {0, 1, 1, 0, 0, 0, 0, 0, 0};
        sys.cfg.Startampel.Interval = 100;
        auto& t = sys.cfg.Tankoption;
        t.Tankoption = 1;
        t.Rundenverbrauch = 7;
        t.Tankinhalt = 100;
        t.Normrunde = 5000;
        t.Stillstand = 800;
        t.Tankgeschwindigkeit = 20;  // 2 litres per 100 ms
    }
    void Race(int16_t mode = 1) {
        Init();
        sys.st.rennen.Rennmodus = static_cast<Rennart>(mode);
        sys.st.rennen.RennRunden = 100;
        RunTo(1000);
        StartRace(sys);
        RunTo(1700);  // green
        Hold(1, 5);   // start crossing
        RunTo(2000);
    }
    // One lap of lane 1, `ms` after the previous crossing.
    void Lap(int32_t ms) {
        RunFor(ms - 1);
        Hold(1, 5);
        RunFor(1);
    }
    // A crossing of lane 1 at `t` (with the sampler's MinLength 1 it registers in
    // that tick; at a multiple of 100 the same cycle evaluates it).
    void CrossAt(int32_t t) {
        RunTo(t - 1);
        Hold(1, 5);
        RunTo(t);
    }
};

}  // namespace

TEST(Fuel, ConstantsRoundHalfToEven) {
    FuelRig r;
    r.Init();
    for (const auto& [speed, step] : {std::pair{6, 1}, std::pair{4, 0}, std::pair{15, 2}, std::pair{25, 2}}) {
        r.sys.cfg.Tankoption.Tankgeschwindigkeit = static_cast<int16_t>(speed);
        PrepareFuel(r.sys);
        EXPECT_EQ(r.sys.st.tank.TankSchritt, step) << speed;
    }
    EXPECT_EQ(r.sys.st.tank.TankAktiv, 0);  // training uses no fuel
    EXPECT_EQ(r.sys.st.tank.NormrundeSek, 5);
    r.sys.st.rennen.Rennmodus = Rennart::Zeitrennen;
    PrepareFuel(r.sys);
    EXPECT_EQ(r.sys.st.tank.TankAktiv, 1);
}

TEST(Fuel, TenStandardLapsEmptyTheTankExactlyTheEleventhCutsThePower) {
    FuelRig r;
    r.sys.cfg.Tankoption.StromAusBeiTankLeer = 1;
    r.sys.cfg.Tankoption.StrafeBeiLeeremTank = 30;
    r.sys.cfg.Fehlstart.Strafzeit = 0;
    r.Race();
    r.CrossAt(7000);
    const double first = r.sys.st.tank.TankStand[1];
    for (int32_t t = 12000; t <= 57000; t += 5000) r.CrossAt(t);  // ten standard laps
    EXPECT_NEAR(first - r.sys.st.tank.TankStand[1], 70.0, 1e-9);
    r.sys.st.tank.TankStand[1] = 7.0;  // one more standard lap leaves exactly 0: not empty yet
    r.CrossAt(62000);
    EXPECT_EQ(r.sys.st.tank.TankStand[1], 0.0);
    EXPECT_TRUE(r.sys.st.spuren.SpurStromEin[1]);
    r.RunTo(62100);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].Farbe, kRgbRot);
    EXPECT_EQ(FuelFarbe(35.0), kRgbGruen);  // the limits are litres
    EXPECT_EQ(FuelFarbe(34.9), kRgbGelb);
    EXPECT_EQ(FuelFarbe(19.9), kRgbRot);
    r.CrossAt(65500);  // empty: power off, 30 tenths counted from this cycle on
    EXPECT_FALSE(r.sys.st.rennen.SpurStrom[1]);
    r.RunTo(68499);
    EXPECT_FALSE(r.sys.st.rennen.SpurStrom[1]);
    r.RunTo(68500);
    EXPECT_TRUE(r.sys.st.rennen.SpurStrom[1]);
}

TEST(Fuel, StandingOnAnInactiveLaneDrainsOnlyWhereFuelIsUsed) {
    for (const int16_t mode : {0, 1}) {
        FuelRig r;
        r.Race(mode);
        r.Hold(3, 2000);  // lane 3 takes no part
        r.RunFor(2000);
        EXPECT_EQ(r.sys.st.tank.TankStand[3] < 100.0, mode == 1) << mode;
    }
}

TEST(Fuel, EmptyTankWithDryRunningKeepsPowerAndSendsTheDryValue) {
    FuelRig r;
    auto& t = r.sys.cfg.Tankoption;
    t.StromAusBeiTankLeer = 1;
    t.StrafeBeiLeeremTank = 30;
    t.MitTrocken = 1;
    t.MitTnt = 1;
    r.Race();
    r.sys.st.spannung.SpurWert[1] = 192;
    r.sys.st.spannung.TrockenWert = 96;
    r.Lap(5000);
    r.sys.st.tank.TankStand[1] = 1.0;
    r.Lap(5000);  // empties the tank
    r.RunFor(100);
    EXPECT_TRUE(r.sys.st.rennen.SpurStrom[1]);
    EXPECT_FALSE(r.sys.st.spuren.SpurStromEin[1]);
    r.rec.voltages.clear();
    r.sys.st.spuren.SpurDaten[1].Strafe = 100;  // keep the penalty running
    r.Lap(5000);
    r.RunFor(100);
    ASSERT_FALSE(r.rec.voltages.empty());
    EXPECT_EQ(r.rec.voltages.front(), std::make_pair(0, 96));
}

TEST(Fuel, StandingOnTheSensorRefuelsUpToTheTankSize) {
    FuelRig r;
    r.sys.cfg.Tankoption.MitTnt = 1;
    r.Race();
    r.sys.st.spannung.SpurWert[1] = 196;
    for (int i = 0; i <= 100; ++i) r.sys.st.spannung.TankAbzug[static_cast<size_t>(i)] = static_cast<int16_t>(i * 16 / 100);
    r.sys.st.tank.TankStand[1] = 50.0;
    r.Lap(5000);
    const double after = r.sys.st.tank.TankStand[1];
    r.rec.voltages.clear();
    r.Hold(1, 6000);  // stops on the sensor for 6 s
    r.RunFor(700);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].Tankt, 0);  // not yet longer than "Stillstand"
    r.RunFor(1000);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].Tankt, kTrue);
    EXPECT_GT(r.sys.st.tank.TankStand[1], after + 10);
    EXPECT_FALSE(r.rec.fuelUpdates.empty());
    r.RunFor(4000);
    EXPECT_EQ(r.sys.st.tank.TankStand[1], 100.0);  // never above the tank size
    r.RunFor(1000);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].Tankt, 0);  // drove off
    // Refuelling start (full-tank value) and drive-off (value of the fill level).
    EXPECT_EQ(r.rec.voltages, (std::vector<std::pair<int, int>>{{0, 180}, {0, 180}}));
}

TEST(Fuel, PitBoxRefuelsLanesOneToFourOnInputsFiveToEight) {
    FuelRig r;
    r.sys.cfg.Tankoption.BoxTank = 1;
    r.sys.cfg.AktiveSpuren.Spur = {0, 1, 1, 0, 0, 0, 1, 0, 0};
    r.Race();
    r.sys.st.tank.TankStand[2] = 50.0;
    r.sys.st.tank.TankStand[6] = 50.0;
    r.Hold(2, 2000);  // lane 2's own sensor: no refuelling
    r.RunFor(2000);
    EXPECT_EQ(r.sys.st.tank.TankStand[2], 50.0);
    r.Hold(6, 2000);  // pit sensor of lane 2
    r.RunFor(2000);
    EXPECT_GT(r.sys.st.tank.TankStand[2], 50.0);
    EXPECT_EQ(r.sys.st.tank.TankStand[6], 50.0);  // lane 6 never refuels
}

TEST(Fuel, VoltagesStayBetweenZeroAndTheSetValue) {
    FuelRig r;
    r.sys.cfg.Tankoption.MitTnt = 1;
    r.Init();
    r.sys.st.tank.TankAktiv = 1;
    r.sys.st.spannung.SpurWert[1] = 40;
    r.sys.st.spannung.HubWert = 200;  // swing larger than the set value
    for (int i = 0; i <= 100; ++i) r.sys.st.spannung.TankAbzug[static_cast<size_t>(i)] = static_cast<int16_t>(2 * i);
    r.sys.st.tank.TankStand[1] = 100.0;
    EXPECT_EQ(FuelStartWert(r.sys, 1), 0);
    r.sys.st.tank.TankStand[1] = 10.0;
    EXPECT_EQ(FuelStartWert(r.sys, 1), 20);  // 40 - 0.1 x 200
    EXPECT_EQ(FuelTabellenWert(r.sys, 1, 250.0), 0);  // index held at 100
    EXPECT_EQ(FuelTabellenWert(r.sys, 1, 5.4), 30);
    EXPECT_EQ(FuelTabellenWert(r.sys, 1, -3.0), 40);
    r.sys.st.spannung.TrockenWert = 90;
    EXPECT_EQ(FuelTrockenWert(r.sys, 1), 40);  // never above the set value
}

TEST(Fuel, StartSendsTheStartValueWithThePowerSupply) {
    FuelRig r;
    r.sys.cfg.Tankoption.MitTnt = 1;
    r.sys.cfg.KVPowerSetup.I2C_Netzteil = 1;
    r.Init();
    r.sys.st.rennen.Rennmodus = Rennart::Rundenrennen;
    for (int l = 1; l <= 8; ++l) r.sys.st.spannung.SpurVolt[l] = 12.0;
    r.sys.st.spannung.HubWert = 16;
    r.rec.voltages.clear();
    StartRace(r.sys);
    ASSERT_EQ(r.rec.voltages.size(), 8u);
    EXPECT_EQ(r.rec.voltages[0], std::make_pair(0, 192 - 16));  // full tank: the whole swing
    EXPECT_EQ(r.rec.voltages[7].first, 7);
    r.rec.voltages.clear();
    StopRace(r.sys);
    EXPECT_EQ(r.rec.voltages[0], std::make_pair(0, 192));  // back to the set voltage
}
