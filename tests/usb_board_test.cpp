// The sensor board's decoder on synthetic byte streams: frames and garbage, lost
// messages, the hello check, board clocks running 0.5 % off with a host that
// reads late and stalls, the 32-bit wrap, restarts and impossible times.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "devices/UsbBoard.h"

using namespace zk;

namespace {

std::vector<uint8_t> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

// A board as the firmware behaves: its own tick (4 us nominal, `drift` off),
// a time that starts at `start` ticks, frames with running sequence numbers.
struct FakeBoard {
    double drift = 0;      // +0.005: the board's clock runs 0.5 % fast
    uint32_t start = 0;    // board time at true time 0
    uint8_t seq = 0;
    uint16_t lost = 0;

    uint32_t Ticks(double trueUs) const { return start + static_cast<uint32_t>(std::llround(trueUs * (1 + drift) / 4.0)); }
    std::string Frame(uint8_t type, std::vector<uint8_t> body) { return board::Frame(type, seq++, body); }
    std::string Hello(double trueUs, uint8_t protocol = 1, const char* magic = "ZKB") {
        std::vector<uint8_t> b{static_cast<uint8_t>(magic[0]), static_cast<uint8_t>(magic[1]),
                               static_cast<uint8_t>(magic[2]), protocol, 1, 0};
        for (uint8_t x : Le32(0x1234)) b.push_back(x);
        b.push_back(1);
        b.push_back(4000 & 0xFF);
        b.push_back(4000 >> 8);
        b.push_back(10);
        for (uint8_t x : Le32(Ticks(trueUs))) b.push_back(x);
        return Frame(board::kHello, b);
    }
    std::string Heartbeat(double trueUs) {
        auto b = Le32(Ticks(trueUs));
        b.insert(b.end(), {0xFF, 0x03, static_cast<uint8_t>(lost), static_cast<uint8_t>(lost >> 8), 3});
        return Frame(board::kHeartbeat, b);
    }
    std::string Edge(double trueUs, int input, int level) {
        std::vector<uint8_t> b{static_cast<uint8_t>(input), static_cast<uint8_t>(level)};
        for (uint8_t x : Le32(Ticks(trueUs))) b.push_back(x);
        return Frame(board::kEdge, b);
    }
};

struct Decoder {
    UsbBoard board;
    std::vector<BoardEvent> events;
    void Feed(const std::string& bytes, double hostUs) { board.Feed(bytes, static_cast<int64_t>(hostUs), events); }
    std::vector<BoardEvent> Take(BoardEvent::Art art) {
        std::vector<BoardEvent> r;
        for (const auto& e : events)
            if (e.art == art) r.push_back(e);
        return r;
    }
};

TEST(UsbBoardFraming, CrcAndCobsRoundTrip) {
    const char* check = "123456789";
    EXPECT_EQ(board::Crc16(reinterpret_cast<const uint8_t*>(check), 9), 0x29B1);
    std::mt19937 rng(7);
    for (size_t len : {0u, 1u, 5u, 253u, 254u, 255u, 600u}) {
        std::vector<uint8_t> raw(len);
        for (auto& b : raw) b = static_cast<uint8_t>(rng() % 3 == 0 ? 0 : rng());
        const std::string enc = board::CobsEncode(raw.data(), raw.size());
        ASSERT_EQ(enc.back(), '\0');
        EXPECT_EQ(enc.find('\0'), enc.size() - 1) << len;
        std::vector<uint8_t> back;
        ASSERT_TRUE(board::CobsDecode(reinterpret_cast<const uint8_t*>(enc.data()), enc.size() - 1, back));
        EXPECT_EQ(back, raw) << len;
    }
}

TEST(UsbBoardFraming, GarbageIsSkippedAndALostMessageCounted) {
    FakeBoard fb;
    Decoder d;
    d.Feed(fb.Hello(0), 1000);
    ASSERT_TRUE(d.board.Connected());
    d.Feed(fb.Edge(1000, 1, 0), 2000);
    d.Feed(std::string("\x13\x37\xFF\x00\x42garbage without end", 24), 2100);
    const std::string lost = fb.Edge(2000, 2, 0);  // never arrives
    (void)lost;
    d.Feed(fb.Edge(3000, 3, 0), 4000);
    // A frame cut in two by the read, and a frame with one bit flipped.
    const std::string e4 = fb.Edge(4000, 4, 1);
    d.Feed(e4.substr(0, 3), 5000);
    d.Feed(e4.substr(3), 5001);
    std::string broken = fb.Edge(5000, 5, 1);
    broken[3] ^= 0x10;
    d.Feed(broken, 6000);
    d.Feed(fb.Edge(6000, 6, 1), 7000);

    const auto edges = d.Take(BoardEvent::Art::Edge);
    ASSERT_EQ(edges.size(), 4u);
    EXPECT_EQ(edges[0].input, 1);
    EXPECT_EQ(edges[1].input, 3);
    EXPECT_EQ(edges[2].input, 4);
    EXPECT_EQ(edges[2].level, 1);
    EXPECT_EQ(edges[3].input, 6);
    EXPECT_EQ(d.board.Stats().lostFrames, 2u);  // the one never sent and the broken one
    EXPECT_GE(d.board.Stats().badFrames, 2u);
    // An overlong run without delimiter is one bad frame, and the line recovers.
    d.Feed(std::string(500, 'x'), 8000);
    d.Feed(fb.Edge(8000, 7, 0), 9000);
    EXPECT_EQ(d.Take(BoardEvent::Art::Edge).back().input, 7);
}

TEST(UsbBoardHello, AnotherProtocolOrDeviceIsRefusedWithAReason) {
    FakeBoard fb;
    Decoder d;
    d.Feed(fb.Edge(0, 1, 0), 0);  // before a hello nothing counts
    EXPECT_TRUE(d.Take(BoardEvent::Art::Edge).empty());
    d.Feed(fb.Hello(0, 2), 100);
    EXPECT_FALSE(d.board.Connected());
    EXPECT_NE(d.board.Error().find("Protokoll 2"), std::string::npos) << d.board.Error();
    d.Feed(fb.Hello(0, 1, "XYZ"), 200);
    EXPECT_NE(d.board.Error().find("kein Zirkato-Sensorboard"), std::string::npos);
    EXPECT_EQ(d.board.Stats().refused, 2u);
    d.Feed(fb.Hello(0), 300);
    EXPECT_TRUE(d.board.Connected());
    EXPECT_EQ(d.board.Hello().boardId, 0x1234u);

    // A device at the wrong baud rate: bytes, but never a frame.
    Decoder wrong;
    std::mt19937 rng(3);
    std::string noise;
    for (int i = 0; i < 400; ++i) noise.push_back(static_cast<char>(rng()));
    wrong.Feed(noise, 0);
    EXPECT_TRUE(wrong.board.NothingValid());
    EXPECT_FALSE(wrong.board.Connected());
}

// Laps of 5.3 s on one lane, heartbeats every 100 ms, USB delays of 0.1..3 ms,
// a host that stalls for 250 ms now and then: after a minute every lap time is
// within 0.5 ms of the lap driven, whichever way the board's clock is off.
class UsbBoardDrift : public ::testing::TestWithParam<double> {};

TEST_P(UsbBoardDrift, LapTimesAreRightAfterAMinute) {
    FakeBoard fb;
    fb.drift = GetParam();
    fb.start = 0xFFFFFFFFu - 2'500'000u;  // the 32-bit time wraps after 10 s
    Decoder d;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> delay(100, 3000);
    const double hostBase = 5e9;
    double stallUntil = 0;
    // Messages in the order the board sends them, each with its arrival.
    auto send = [&](double trueUs, const std::string& frame) {
        double arrive = trueUs + delay(rng);
        if (std::fmod(trueUs, 7e6) < 1e3) stallUntil = trueUs + 250e3;  // the host looks away
        if (arrive < stallUntil) arrive = stallUntil + delay(rng);
        d.Feed(frame, hostBase + arrive);
    };
    send(0, fb.Hello(0));
    const double lap = 5.3e6;
    double nextLap = 1e6, nextBeat = 100e3;
    std::vector<double> truth;
    for (double t = 0; t < 90e6; t += 50) {
        if (t >= nextBeat) {
            send(t, fb.Heartbeat(t));
            nextBeat += 100e3;
        }
        if (t >= nextLap) {
            send(t, fb.Edge(t, 2, 0));
            truth.push_back(t);
            nextLap += lap + (truth.size() % 3) * 137.0;
        }
    }
    const auto edges = d.Take(BoardEvent::Art::Edge);
    ASSERT_EQ(edges.size(), truth.size());
    EXPECT_TRUE(d.board.Clock().Fitted());
    EXPECT_NEAR(d.board.Clock().Drift(), -GetParam(), 1e-4);
    int checked = 0;
    for (size_t i = 1; i < edges.size(); ++i) {
        if (truth[i] < 60e6) continue;
        const double measured = edges[i].hostUs - edges[i - 1].hostUs;
        EXPECT_NEAR(measured, truth[i] - truth[i - 1], 500) << "lap " << i;
        ++checked;
    }
    EXPECT_GE(checked, 5);
    EXPECT_EQ(d.board.Stats().impossibleTimes, 0u);
    EXPECT_EQ(d.board.Stats().lostFrames, 0u);
}

INSTANTIATE_TEST_SUITE_P(Fast, UsbBoardDrift, ::testing::Values(0.005, -0.005, 0.0));

TEST(UsbBoardTime, ImpossibleTimesAreDroppedAndCounted) {
    FakeBoard fb;
    Decoder d;
    d.Feed(fb.Hello(0), 1000);
    d.Feed(fb.Heartbeat(100e3), 101e3);
    d.Feed(fb.Edge(150e3, 1, 0), 151e3);
    d.Feed(fb.Edge(140e3, 2, 0), 152e3);   // behind the edge before it
    d.Feed(fb.Edge(60e6, 3, 0), 153e3);    // a minute ahead after 150 ms
    d.Feed(fb.Edge(160e3, 4, 0), 161e3);
    const auto edges = d.Take(BoardEvent::Art::Edge);
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_EQ(edges[0].input, 1);
    EXPECT_EQ(edges[1].input, 4);
    EXPECT_EQ(d.board.Stats().impossibleTimes, 2u);
    // The board's own losses reach the counter.
    fb.lost = 3;
    d.Feed(fb.Heartbeat(200e3), 201e3);
    fb.lost = 5;
    d.Feed(fb.Heartbeat(300e3), 301e3);
    EXPECT_EQ(d.board.Stats().lostEdges, 5u);
}

TEST(UsbBoardTime, ARestartStartsANewTimeLine) {
    FakeBoard fb;
    fb.start = 1'000'000;
    Decoder d;
    d.Feed(fb.Hello(0), 0);
    for (int i = 1; i <= 30; ++i) d.Feed(fb.Heartbeat(i * 100e3), i * 100e3 + 500);
    d.Feed(fb.Edge(3.05e6, 1, 0), 3.06e6);
    // A hello asked for goes on in the same time line.
    d.Feed(fb.Hello(3.1e6), 3.1e6 + 500);
    EXPECT_EQ(d.board.Stats().restarts, 0u);

    // The board restarts: its time begins at 0 again, with a new hello.
    FakeBoard again;
    again.start = 0;
    const double t0 = 4e6;  // true time of the restart
    d.Feed(again.Hello(0), t0 + 500);
    EXPECT_EQ(d.board.Stats().restarts, 1u);
    ASSERT_EQ(d.Take(BoardEvent::Art::Restart).size(), 1u);
    d.Feed(again.Edge(50e3, 2, 0), t0 + 50e3 + 400);
    const auto edges = d.Take(BoardEvent::Art::Edge);
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_NEAR(edges[1].hostUs - edges[0].hostUs, t0 + 50e3 - 3.05e6, 1000);

    for (int i = 1; i <= 20; ++i) d.Feed(again.Heartbeat(i * 100e3), t0 + i * 100e3 + 500);
    // Restart with the hello lost on the line: the heartbeat's time fell back.
    FakeBoard third;
    d.Feed(third.Heartbeat(100e3), t0 + 3e6);
    EXPECT_EQ(d.board.Stats().restarts, 2u);
    d.Feed(third.Edge(150e3, 3, 1), t0 + 3.05e6);
    EXPECT_EQ(d.Take(BoardEvent::Art::Edge).size(), 3u);
    EXPECT_EQ(d.board.Stats().impossibleTimes, 0u);
}

}  // namespace
