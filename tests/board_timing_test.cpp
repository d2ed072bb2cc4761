// The sensor board as the race's sensor source: crossings take the board's
// stamps (not the tick that saw them) through the same lane rules as the port,
// reaction times count from the board's latch of green, a restart or a lost
// line invents nothing, and race control's outputs reach the board.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TestRig.h"
#include "devices/BoardSource.h"
#include "race/Lpt.h"

using namespace zk;
using namespace zk::test;

namespace {

std::vector<uint8_t> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

// A race on a manual clock whose sensors are a board: input n is active low on
// bit n-1 of the board's word. Host microseconds are the program clock's
// (nullpoint 0); the board's time is 4 us a tick from the hello at `helloMs`.
struct BoardRig : Rig {
    BoardSource src;
    uint8_t seq = 0;
    int32_t helloMs = 0;
    uint16_t levels = 0x3FF;  // the board's pins as they are (all sensors free)
    std::vector<BoardEvent> events;

    explicit BoardRig(int16_t minLength = 3) : Rig(0) {
        for (int n = 1; n <= 10; ++n) {
            sys.cfg.Masken.MS[n] = static_cast<int16_t>(1 << (n - 1));
            sys.cfg.Masken.CS[n] = 0;
        }
        for (int l = 1; l <= 8; ++l) sys.cfg.AktiveSpuren.Spur[l] = 1;
        sys.cfg.LiZeit.MinLength = minLength;
        sys.cfg.LiZeit.Minimum = 500;
        sys.SetBoard(&src, 0);
        Init();
    }
    void Send(uint8_t type, const std::vector<uint8_t>& body) {
        src.Feed(board::Frame(type, seq++, body), int64_t{now} * 1000, events);
    }
    void Hello() {
        helloMs = now;
        seq = 0;
        std::vector<uint8_t> b{'Z', 'K', 'B', board::kProtocolVersion, 1, 0, 1, 0, 0, 0, 1, 4000 & 0xFF, 4000 >> 8, 10};
        for (uint8_t x : Le32(0)) b.push_back(x);
        Send(board::kHello, b);
    }
    // Board ticks of program time `ms` (+ `us`).
    uint32_t Ticks(int32_t ms, int us = 0) const { return static_cast<uint32_t>(((ms - helloMs) * 1000 + us) / 4); }
    void Heartbeat() {
        auto b = Le32(Ticks(now));
        b.insert(b.end(), {static_cast<uint8_t>(levels), static_cast<uint8_t>(levels >> 8), 0, 0, 0});
        Send(board::kHeartbeat, b);
    }
    // Input n went low (a car on the sensor, `on`) or back high at `ms`.`us`.
    void Edge(int n, bool on, int32_t ms, int us = 0) {
        Level(n, on);
        std::vector<uint8_t> b{static_cast<uint8_t>(n), static_cast<uint8_t>(on ? 0 : 1)};
        for (uint8_t x : Le32(Ticks(ms, us))) b.push_back(x);
        Send(board::kEdge, b);
    }
    void Level(int n, bool on) {
        const auto bit = static_cast<uint16_t>(1u << (n - 1));
        levels = static_cast<uint16_t>(on ? (levels & ~bit) : (levels | bit));
    }
    // The edge's message is lost on the line: the pin changes, the program
    // sees a gap in the sequence numbers.
    void LostEdge(int n, bool on) {
        Level(n, on);
        ++seq;
    }
    void Applied(uint8_t power, uint8_t lamps, int32_t ms) {
        std::vector<uint8_t> b{0, power, lamps};
        for (uint8_t x : Le32(Ticks(ms))) b.push_back(x);
        Send(board::kApplied, b);
    }
    // The board says hello at 100 ms, race control asks for green at 1000;
    // with `lapsOnly` every lane's next crossing is a lap, not a start crossing.
    void GreenAt1000(bool lapsOnly) {
        RunTo(100);
        Hello();
        RunBeating(1000);
        Green();
        if (lapsOnly)
            for (int l = 1; l <= 8; ++l) sys.st.ErsteDurchfahrt[l] = false;
    }
    // Runs to `ms`, with a heartbeat every 100 ms of it.
    void RunBeating(int32_t ms) {
        while (TimeDiff(ms, now) > 0) {
            Step();
            if ((now - helloMs) % 100 == 0) Heartbeat();
        }
    }
    std::vector<int32_t> LapTimes(int lane) const {
        std::vector<int32_t> t;
        for (const LapEntry& e : sys.record.laps.All())
            if (e.Lane() == lane && e.Origin() == LapOrigin::Sensor) t.push_back(e.lapMs);
        return t;
    }
};

}  // namespace

TEST(BoardTiming, CrossingsTakeTheBoardsStampsNotTheTickThatSawThem) {
    BoardRig r;
    r.GreenAt1000(true);
    // Lane 1 at 1234.3 ms for 8 ms, seen only 40 ms later (the reader was late).
    r.RunBeating(1280);
    r.Edge(1, true, 1234, 300);
    r.Edge(1, false, 1242, 300);
    r.Step();
    EXPECT_EQ(r.sys.st.Durchfahrt[1], 1234);
    EXPECT_TRUE(r.sys.st.RundeOffen[1]);
    // A 1.5 ms glitch is no car; a car at 4734.8 ms is, with chatter inside
    // its pulse. Both come in one burst after a 250 ms stall, in which the
    // port would have seen nothing of the car's short pulse.
    r.RunBeating(5000);
    r.Edge(1, true, 4700);
    r.Edge(1, false, 4701, 500);
    r.Edge(1, true, 4734, 800);
    r.Edge(1, false, 4740);
    r.Edge(1, true, 4742);
    r.Edge(1, false, 4748);
    r.RunBeating(5200);
    ASSERT_EQ(r.LapTimes(1).size(), 2u);
    EXPECT_EQ(r.LapTimes(1)[1], 4735 - 1234) << "the lap is the stamps' difference";
    // Inside the lockout (500 ms from the pulse's end) nothing counts.
    r.Edge(2, true, 5100);
    r.Edge(1, true, 5200);
    r.Edge(1, false, 5210);
    r.RunBeating(5400);
    EXPECT_EQ(r.LapTimes(1).size(), 2u);
    // Lane 2 still active: it registers once a later edge shows it lasted.
    EXPECT_TRUE(r.sys.st.ImPuls[2]);
    EXPECT_EQ(r.sys.st.Durchfahrt[2], 5100);
}

// Every stamp rounded to its millisecond would make these laps 5000, 5001,
// 5000, 5001 ms and the total 20002; each lap is 5000.4 ms, so every lap is
// 5000 and the total 20001.6 rounds to 20002 on its own instead of adding up
// the laps' roundings. (A reaction time keeps the stamps' microseconds too:
// ReactionTimesCountFromTheBoardsGreen.)
TEST(BoardTiming, LapsAndTotalsKeepTheStampsMicroseconds) {
    BoardRig r;
    r.GreenAt1000(true);
    int32_t us = 1000 * 1000;
    for (int lap = 1; lap <= 4; ++lap) {
        us += 5000400;
        r.RunBeating(us / 1000 - 5);
        r.Edge(1, true, us / 1000, us % 1000);
        r.Edge(1, false, us / 1000 + 10, us % 1000);
        r.RunBeating(us / 1000 + 300);
    }
    EXPECT_EQ(r.LapTimes(1), (std::vector<int32_t>{5000, 5000, 5000, 5000}));
    EXPECT_EQ(r.sys.record.laps.Total(1), 20002);
    EXPECT_EQ(r.sys.record.laps.All().back().totalMs, 20002);
}

TEST(BoardTiming, AStandingCarRegistersAndAPauseRegistersNothing) {
    BoardRig r;
    r.GreenAt1000(true);
    r.Edge(3, true, 1000, 200);
    r.RunBeating(1200);
    EXPECT_EQ(r.sys.st.Erfasst[3], 0) << "no later edge yet: still waiting";
    r.RunBeating(1400);
    EXPECT_EQ(r.sys.st.Erfasst[3], 1) << "a car standing on the sensor registers after the wait";
    EXPECT_EQ(r.sys.st.Durchfahrt[3], 1000);
    r.sys.st.Pause = true;
    r.Edge(4, true, 1500);
    r.Edge(4, false, 1520);
    r.RunBeating(1700);
    EXPECT_EQ(r.sys.st.Erfasst[4], 0);
}

TEST(BoardTiming, ReactionTimesCountFromTheBoardsGreen) {
    BoardRig r;
    r.GreenAt1000(false);  // race control asks for green at 1000 ...
    r.RunBeating(1005);
    r.Applied(0xFF, 0x20, 1003);  // ... the board shows it at 1003
    // A car over the line between the request and the latch started early.
    r.Edge(6, true, 1001);
    r.Edge(6, false, 1011);
    r.RunBeating(1100);
    EXPECT_EQ(r.rec.falseStarts, std::vector<int>{6});
    EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[5], 1003);
    r.Edge(5, true, 1250);
    r.Edge(4, true, 1250, 600);  // 1250.6 - 1003.0 ms: rounded once, to 248
    r.Edge(5, false, 1260);
    r.Edge(4, false, 1260, 600);
    r.RunBeating(1300);
    ASSERT_GE(r.rec.reactions.size(), 2u);
    EXPECT_EQ(std::vector(r.rec.reactions.end() - 2, r.rec.reactions.end()),
              (std::vector<std::pair<int, int32_t>>{{4, 248}, {5, 247}}));
}

TEST(BoardTiming, ARestartOrALostLineInventsNothingAndTimingGoesOn) {
    BoardRig r;
    r.GreenAt1000(true);
    r.Edge(1, true, 1010);
    r.Edge(1, false, 1020);
    r.Edge(2, true, 1030);  // lane 2's car is on the sensor when the board restarts
    r.RunBeating(1035);
    const uint32_t linien = r.sys.st.BoardZeitlinien;
    r.Hello();  // reset: a new time line, levels unknown until the heartbeat
    ASSERT_FALSE(r.events.empty());
    EXPECT_EQ(r.events.front().art, BoardEvent::Art::Restart);
    r.RunBeating(1500);
    r.Edge(2, false, 1500);
    r.RunBeating(1600);
    EXPECT_EQ(r.sys.st.BoardZeitlinien, linien + 1);
    EXPECT_EQ(r.sys.st.Erfasst[2], 0) << "a pulse cut by the restart is no crossing";
    EXPECT_FALSE(r.sys.st.ImPuls[2]);
    // The new time line times again.
    r.Edge(2, true, 2000);
    r.Edge(2, false, 2010);
    r.RunBeating(2100);
    EXPECT_EQ(r.sys.st.Erfasst[2], 1);
    EXPECT_EQ(r.sys.st.Durchfahrt[2], 2000);
    // Unplugged: the lap of lane 1 before it stays, nothing comes after it.
    r.src.LineLost(int64_t{r.now} * 1000);
    r.RunFor(500);
    EXPECT_EQ(r.sys.st.Erfasst[1], 1);
    EXPECT_EQ(r.sys.st.BoardBekannt, 0);
}

TEST(BoardTiming, ALostEdgeIsMendedFromTwoHeartbeatsWithoutACrossing) {
    BoardRig r;
    r.GreenAt1000(true);
    r.Edge(7, true, 1010);
    r.Edge(7, false, 1020);
    r.Edge(7, true, 2000);
    r.RunBeating(2050);
    r.LostEdge(7, false);  // its release is lost on the line
    r.RunBeating(2300);
    // How long the pulse was is unknown: it times nothing.
    EXPECT_EQ(r.sys.st.Erfasst[7], 1);
    EXPECT_FALSE(r.sys.st.ImPuls[7]);
    EXPECT_GE(r.sys.st.BoardKorrigiert, 1u);
    EXPECT_EQ((r.sys.st.BoardEingang >> 6) & 1, 1) << "the heartbeats' level is taken";
    r.RunBeating(3000);
    r.Edge(7, true, 3000);
    r.Edge(7, false, 3010);
    r.RunBeating(3100);
    EXPECT_EQ(r.sys.st.Erfasst[7], 2) << "the lane times again";
}

TEST(BoardTiming, RaceControlsOutputsReachTheBoard) {
    struct Aufnahme : SensorBoard {
        std::vector<std::pair<int, int>> gesendet;
        void Ausgaenge(uint8_t p, uint8_t l) override { gesendet.emplace_back(p, l); }
    } board;
    Rig r;
    StandardWiring(r.sys.cfg);
    r.sys.SetBoard(&board, 0);
    r.Init();
    r.sys.st.LptDaten = static_cast<uint16_t>(0x0A50);  // lanes 1, 3, 6, 8 powered
    r.sys.view.ampel.lampeAn[0] = r.sys.view.ampel.lampeAn[4] = true;
    r.RunTo(100);
    ASSERT_FALSE(board.gesendet.empty());
    EXPECT_EQ(board.gesendet.back(), (std::pair<int, int>{0xA5, 0x05}));
    r.sys.view.ampel.lampeAn[10] = true;
    r.RunTo(200);
    EXPECT_EQ(board.gesendet.back().second, 0x25);
    EXPECT_NE(SensorboardDiagnose(r.sys).find("Sensorboard"), std::string::npos);
}
