// The sensor board's messages replayed by zirkato-sim: what the decoder makes
// of a hello, heartbeats, edges, noise, a restart and a board of another
// protocol, as trace lines on the program's millisecond clock.
#include <gtest/gtest.h>

#include <string>

#include "tests/SimRun.h"

namespace {

using zk::test::RunSim;
using zk::test::SimRun;

TEST(SimBoard, EdgesRestartsAndRefusalsAreTraced) {
    // Bytes that are no hex: the scenario is refused before it runs.
    const SimRun bad = RunSim("at 100 board 00 zz\nend 200\n", "board.scn");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.out.find("hex"), std::string::npos) << bad.out;

    const SimRun ok = RunSim(
        "at 100 board-hello 0\n"
        "at 200 board-heartbeat 25000\n"
        "at 300 board-heartbeat 50000\n"
        "at 350 board-edge 3 0 61250\n"          // 245 ms after the hello
        "at 360 board 00 13 37 0a 0d 00\n"       // noise between frames
        "at 400 board-heartbeat 75000\n"
        "at 420 board-edge 2 1 60000\n"          // behind the edge before it
        "at 500 board-hello 0\n"                 // the board restarted
        "at 520 board-edge 1 0 5000\n"
        "at 600 board-hello 0 2\n"               // another protocol
        "at 650 board-stats\n"
        "end 700\n",
        "board.scn");
    ASSERT_EQ(ok.status, 0) << ok.out;
    const char* lines[] = {
        "100 board hello protocol=1 firmware=1.0 id=0x00000001 reset=0x01\n",
        "350 board edge input=3 level=0 at=345.000\n",
        "500 board restart \"Das Sensorboard wurde neu gestartet.\"\n",
        "520 board edge input=1 level=0 at=520.000\n",
        "600 board refused \"Das Sensorboard spricht Protokoll 2",
        "650 board-stats frames=9 bad=1 lost-frames=0 lost-edges=0 impossible=1 restarts=1 refused=1\n",
    };
    size_t pos = 0;
    for (const char* l : lines) {
        const size_t at = ok.out.find(l, pos);
        ASSERT_NE(at, std::string::npos) << l << "\n" << ok.out;
        pos = at;
    }
    EXPECT_EQ(ok.out.find("input=2"), std::string::npos) << "an impossible edge was passed on";
}

}  // namespace

namespace {

TEST(SimBoard, ARaceTimedByTheBoardTakesItsStampsAndItsGreen) {
    const SimRun r = zk::test::RunSimOn(std::string(ZK_SOURCE_DIR) + "/examples/board-race.scn");
    ASSERT_EQ(r.status, 0) << r.out;
    // Reactions from the latch at 6802, laps from stamp to stamp (rounded to
    // whole milliseconds), whenever the program read the edges.
    const char* lines[] = {
        "50 board-sensors\n",
        "7100 reaction lane=2 ms=199\n",
        "7200 reaction lane=1 ms=348\n",
        "12300 lap lane=1 laps=1 time=5.348 total=5348",
        "12400 lap lane=2 laps=1 time=5.458 total=5458",
        "17200 lap lane=1 laps=2 time=4.850 total=10198",
        "22200 lap lane=1 laps=3 time=5.001 total=15199",
    };
    size_t pos = 0;
    for (const char* l : lines) {
        const size_t at = r.out.find(l, pos);
        ASSERT_NE(at, std::string::npos) << l << "\n" << r.out;
        pos = at;
    }
    // The same scenario twice: the same trace.
    EXPECT_EQ(zk::test::RunSimOn(std::string(ZK_SOURCE_DIR) + "/examples/board-race.scn").out, r.out);
}

}  // namespace

namespace {

// Switching the sensor source: during a race the switch waits for the race's
// end and is made in the first cycle after it; on an idle track at once.
TEST(SimBoard, TheSensorSourceSwitchesOnAnIdleTrackOrAfterTheRace) {
    const SimRun r = RunSim(
        "at 50 board-sensors\n"
        "at 100 board-hello 0\n"
        "at 1000 green\n"
        "at 1500 board-source port\n"
        "at 2000 stop\n"
        "at 9000 board-source board\n"
        "at 9500 board-source board\n"  // already the board: nothing to do
        "end 10000\n",
        "switch.scn");
    ASSERT_EQ(r.status, 0) << r.out;
    const size_t warten = r.out.find("1500 board-source port \"Die Sensoren werden nach dem Rennen auf den Parallelport umgestellt.\"\n");
    ASSERT_NE(warten, std::string::npos) << r.out;
    const size_t umgestellt = r.out.find(" board-source switched port\n", warten);
    ASSERT_NE(umgestellt, std::string::npos) << r.out;
    const size_t ende = r.out.find("phase idle", warten);
    ASSERT_NE(ende, std::string::npos) << r.out;
    EXPECT_LT(ende, umgestellt) << "switched before the race was over";
    EXPECT_NE(r.out.find("9000 board-source board \"Die Sensoren sind jetzt am USB-Sensorboard."), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("9500 board-source board \"\"\n"), std::string::npos) << r.out;
}

}  // namespace
