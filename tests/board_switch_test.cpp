// Switching the sensor source between the port and the board while the program
// runs: on an idle track at the next tick, during a race at its end; a board
// whose reader was stopped leaves nothing behind that a later start would hand
// the tick.
#include <gtest/gtest.h>

#include "PtyBoards.h"
#include "TestRig.h"
#include "race/RaceSequence.h"
#include "tick/FastTimerThread.h"

using namespace zk;
using namespace zk::test;

namespace {

struct SwitchRig : Rig {
    PtyBoards boards;
    PtyBoards::Geraet& board;

    explicit SwitchRig(MsClock* realClock = nullptr)
        : Rig(0, realClock), board(boards.Add("ttyACM0", PtyBoards::Art::Board)) {
        StandardWiring();
        for (int l = 1; l <= 8; ++l) sys.cfg.AktiveSpuren.Spur[l] = 1;
        boards.Start();
        Init();
        BoardSuche s;
        s.muster = {boards.Muster()};
        s.antwortMs = 300;
        s.pauseMs = 50;
        EXPECT_FALSE(sys.OpenSensorBoard(s));  // the port times
    }
    void Quelle(int sensoren) {
        sys.cfg.Lpt.Sensoren = static_cast<int16_t>(sensoren);
        meldung = sys.SensorQuelleAnwenden();
    }
    std::string meldung;
};

TEST(BoardSwitch, OnAnIdleTrackAtTheNextTickAndNothingStaleAfterwards) {
    SwitchRig r;
    r.Step();
    EXPECT_FALSE(r.sys.st.BoardQuelle);

    // To the board: the tick changes its source at its next tick and takes the
    // board's messages from then on.
    r.Quelle(1);
    EXPECT_NE(r.meldung.find("jetzt am USB-Sensorboard"), std::string::npos) << r.meldung;
    EXPECT_FALSE(r.sys.st.BoardQuelle);
    r.Step();
    EXPECT_TRUE(r.sys.st.BoardQuelle);
    ASSERT_TRUE(WaitFor([&] {
        r.Step();
        return r.sys.st.BoardBekannt != 0;
    }));
    ASSERT_TRUE(WaitFor([&] {
        r.Step();
        return (r.sys.st.BoardEingang & 0x3FF) == 0x3F7;  // the hello's heartbeat and edge: input 4 low
    }));

    // Edges the tick has not taken yet when the board stops being the source.
    const uint64_t frames = r.sys.board().Lesen().stats.frames;
    r.boards.Senden(r.board, BoardEdgeFrame(3, 1, 0, 900) + BoardEdgeFrame(4, 4, 1, 950));
    ASSERT_TRUE(WaitFor([&] { return r.sys.board().Lesen().stats.frames >= frames + 2; }));
    r.Quelle(0);
    EXPECT_NE(r.meldung.find("jetzt am Parallelport"), std::string::npos) << r.meldung;
    r.Step();
    EXPECT_FALSE(r.sys.st.BoardQuelle);

    // Back to the board, which says nothing for now: the edges queued before
    // the stop are not handed out; the tick knows no levels until the board's next.
    r.board.stumm = true;
    const uint32_t zeitlinien = r.sys.st.BoardZeitlinien;
    r.Quelle(1);
    r.Step();
    EXPECT_TRUE(r.sys.st.BoardQuelle);
    EXPECT_EQ(r.sys.st.BoardBekannt, 0);
    EXPECT_EQ(r.sys.st.BoardEingang & 0x9, 0x1) << "a stale edge was replayed";
    EXPECT_GT(r.sys.st.BoardZeitlinien, zeitlinien);
    r.board.stumm = false;
    ASSERT_TRUE(WaitFor([&] {
        r.Step();
        return r.sys.st.BoardBekannt != 0;
    }));

    // Another device named: the reader moves to it, the source stays the board.
    r.sys.cfg.Lpt.Sensorboard = "/nicht/da";
    r.Quelle(1);
    EXPECT_FALSE(r.meldung.empty());
    ASSERT_TRUE(WaitFor([&] { return r.sys.board().Lesen().text.find("/nicht/da") != std::string::npos; }));
    r.Step();
    EXPECT_TRUE(r.sys.st.BoardQuelle);
    // Choosing what is already in use changes nothing.
    r.Quelle(1);
    EXPECT_TRUE(r.meldung.empty());
}

TEST(BoardSwitch, DuringARaceItWaitsForTheRaceEnd) {
    SwitchRig r;
    r.RunFor(100);
    StartRace(r.sys);
    r.RunFor(100);
    r.Quelle(1);
    EXPECT_NE(r.meldung.find("nach dem Rennen"), std::string::npos) << r.meldung;
    EXPECT_TRUE(r.sys.SensorQuelleWartet());
    EXPECT_FALSE(r.sys.SensorQuelleNachziehen());
    r.RunFor(200);
    EXPECT_FALSE(r.sys.st.BoardQuelle);
    EXPECT_EQ(r.board.anfragen, 0);  // no reader runs yet

    StopRace(r.sys);
    r.RunFor(100);
    EXPECT_TRUE(r.sys.SensorQuelleNachziehen());
    EXPECT_FALSE(r.sys.SensorQuelleWartet());
    r.Step();
    EXPECT_TRUE(r.sys.st.BoardQuelle);

    // Chosen and taken back during a race: nothing waits.
    StartRace(r.sys);
    r.RunFor(100);
    r.Quelle(0);
    EXPECT_TRUE(r.sys.SensorQuelleWartet());
    r.Quelle(1);
    EXPECT_FALSE(r.sys.SensorQuelleWartet());
    StopRace(r.sys);
    r.RunFor(100);
    EXPECT_FALSE(r.sys.SensorQuelleNachziehen());
    EXPECT_TRUE(r.sys.st.BoardQuelle);
}

// The real-time tick takes messages while the UI thread switches the source
// back and forth and the reader starts and stops (run under the thread sanitizer).
TEST(ThreadedBoardSwitch, HandOverWhileTheTickRuns) {
    MonotonicMsClock clock;
    SwitchRig r(&clock);
    FastTimerThread timer(r.sys.Tick());
    timer.StartFastTimer();
    for (int i = 0; i < 6; ++i) {
        r.Quelle(1);
        ASSERT_TRUE(WaitFor([&] { return r.sys.st.BoardQuelle && r.sys.st.BoardBekannt != 0; }));
        r.boards.Senden(r.board, BoardEdgeFrame(3, 1, 0, 900) + BoardHeartbeatFrame(4, 1000, 0x3F7));
        r.Quelle(0);
        ASSERT_TRUE(WaitFor([&] { return !r.sys.st.BoardQuelle; }));
    }
    timer.StopFastTimer();
    EXPECT_EQ(r.sys.st.BoardQuelleErledigt, r.sys.st.BoardQuelleAnfrage);
}

}  // namespace
