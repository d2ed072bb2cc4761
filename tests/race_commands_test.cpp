// The commands through which the windows change the race system: the few that
// do more than forward a call (clamps, defaults, the simulator's way back to the
// learned sensor values), and that the windows' read-only view is const.
#include <gtest/gtest.h>

#include <type_traits>

#include "race/PortSim.h"
#include "system/RaceCommands.h"
#include "tests/TestRig.h"

namespace {

using zk::test::Rig;

TEST(RaceCommands, TankFillStaysWithinTheTankAndTheSimulatedLanes) {
    Rig r;
    r.sys.cfg.Tankoption.Tankinhalt = 100;
    zk::RaceCommands cmd(r.sys);
    cmd.TankStandSetzen(2, 150.0);
    EXPECT_DOUBLE_EQ(r.sys.st.tank.TankStand[2], 100.0);
    cmd.TankStandSetzen(2, -3.0);
    EXPECT_DOUBLE_EQ(r.sys.st.tank.TankStand[2], 0.0);
    cmd.TankStandSetzen(2, 37.5);
    EXPECT_DOUBLE_EQ(r.sys.st.tank.TankStand[2], 37.5);
    // Lanes outside 1..8 change nothing (and write nothing beside the array).
    const auto before = r.sys.st.tank.TankStand;
    cmd.TankStandSetzen(0, 50.0);
    cmd.TankStandSetzen(zk::kLanes + 1, 50.0);
    EXPECT_EQ(r.sys.st.tank.TankStand, before);
}

TEST(RaceCommands, SettingsFromTheDialogAndTheSoundWindow) {
    Rig r;
    zk::RaceCommands cmd(r.sys);
    cmd.SensorboardSetzen("/dev/ttyACM3");
    EXPECT_EQ(r.sys.cfg.Lpt.Sensorboard, "/dev/ttyACM3");
    cmd.SensorboardSetzen("");
    EXPECT_EQ(r.sys.cfg.Lpt.Sensorboard, zk::kSensorboardStandard);
    cmd.SensorenAmBoard(true);
    EXPECT_EQ(r.sys.cfg.Lpt.Sensoren, 1);
    cmd.SensorenAmBoard(false);
    EXPECT_EQ(r.sys.cfg.Lpt.Sensoren, 0);

    cmd.WebAktivSetzen(true);
    cmd.WebNurLokalSetzen(true);
    cmd.WebPortSetzen(8123);
    EXPECT_EQ(r.sys.cfg.Web.Aktiv, 1);
    EXPECT_EQ(r.sys.cfg.Web.NurLokal, 1);
    EXPECT_EQ(r.sys.cfg.Web.Port, 8123);

    cmd.SoundDateiSetzen(7, "tor.wav");
    EXPECT_EQ(r.sys.cfg.SoundFiles[7], "tor.wav");
    // A slot the settings file has no key for is ignored, not written past the end.
    const auto before = r.sys.cfg.SoundFiles;
    cmd.SoundDateiSetzen(-1, "x.wav");
    cmd.SoundDateiSetzen(static_cast<int>(before.size()), "x.wav");
    EXPECT_EQ(r.sys.cfg.SoundFiles, before);
}

TEST(RaceCommands, LeavingThePortSimulatorRestoresTheLearnedSensors) {
    Rig r;
    r.sys.cfg.Masken.MS[3] = 0x40;
    r.sys.cfg.Masken.CS[3] = 0x40;
    r.sys.ApplySettings();
    zk::RaceCommands cmd(r.sys);
    cmd.SimulationStarten();
    cmd.SimVerdrahtungSetzen(true);
    EXPECT_TRUE(r.sys.st.SimulationActive);
    EXPECT_TRUE(r.sys.st.fenster.SimMaskenAktiv);
    EXPECT_EQ(r.sys.st.Maske[3], 1 << 2);

    cmd.SimulationBeenden();
    EXPECT_FALSE(r.sys.st.SimulationActive);
    EXPECT_FALSE(r.sys.st.fenster.SimMaskenAktiv);
    EXPECT_EQ(r.sys.st.Maske[3], 0x40);
    EXPECT_EQ(r.sys.st.Vergleich[3], 0x40);
}

}  // namespace
