// The board reader on a pseudo-terminal: it asks for the hello, hands edges to
// the tick side with their host time, sends outputs (again after a restart of
// the board), and reports the unplugged board.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

#include "devices/BoardReader.h"

using namespace zk;

namespace {

std::vector<uint8_t> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

std::string Hello(uint8_t seq, uint32_t ticks) {
    std::vector<uint8_t> b{'Z', 'K', 'B', 1, 1, 0, 7, 0, 0, 0, 1, 4000 & 0xFF, 4000 >> 8, 10};
    for (uint8_t x : Le32(ticks)) b.push_back(x);
    return board::Frame(board::kHello, seq, b);
}

// Waits up to two seconds for `cond`.
template <class F>
bool Eventually(F cond) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
        if (cond()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return cond();
}

// Frames (decoded, CRC checked) read from the board's end of the line.
struct BoardEnd {
    int fd;
    std::string pending;
    std::vector<std::vector<uint8_t>> Frames() {
        char buf[256];
        for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) pending.append(buf, static_cast<size_t>(n));
        std::vector<std::vector<uint8_t>> out;
        size_t z;
        while ((z = pending.find('\0')) != std::string::npos) {
            std::vector<uint8_t> raw;
            if (z > 0 && board::CobsDecode(reinterpret_cast<const uint8_t*>(pending.data()), z, raw) && raw.size() >= 4 &&
                board::Crc16(raw.data(), raw.size() - 2) == (raw[raw.size() - 2] << 8 | raw[raw.size() - 1]))
                out.push_back(std::vector<uint8_t>(raw.begin(), raw.end() - 2));
            pending.erase(0, z + 1);
        }
        return out;
    }
};

TEST(ThreadedBoardReader, HelloEdgesOutputsAndUnplug) {
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fcntl(master, F_SETFL, O_NONBLOCK);
    int64_t now = 1'000'000'000;  // the host clock the reader sees, microseconds
    std::atomic<int64_t> clock{now};
    BoardReader reader(name, [&] { return clock.load(); });
    reader.Ausgaenge(0x0F, 0x20);
    reader.Start();
    close(slave);
    BoardEnd boardEnd{master, {}};

    // The reader asks for the hello.
    std::vector<std::vector<uint8_t>> frames;
    ASSERT_TRUE(Eventually([&] {
        for (auto& f : boardEnd.Frames()) frames.push_back(f);
        return !frames.empty();
    }));
    EXPECT_EQ(frames[0][0], board::kHelloRequest);

    auto send = [&](const std::string& bytes) { ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); };
    send(Hello(0, 0));
    ASSERT_TRUE(Eventually([&] { return reader.Lesen().verbunden; }));
    EXPECT_NE(reader.Lesen().text.find("verbunden"), std::string::npos) << reader.Lesen().text;
    // The outputs chosen before follow the hello.
    ASSERT_TRUE(Eventually([&] {
        for (auto& f : boardEnd.Frames()) frames.push_back(f);
        return frames.back()[0] == board::kOutputs;
    }));
    EXPECT_EQ(frames.back()[2], 0x0F);
    EXPECT_EQ(frames.back()[3], 0x20);

    // An edge 2.5 ms after the hello: the tick side gets it with that host time.
    std::vector<uint8_t> edge{4, 0};
    for (uint8_t x : Le32(625)) edge.push_back(x);
    clock = now + 2600;
    send(board::Frame(board::kEdge, 1, edge));
    BoardReader::Kante k;
    ASSERT_TRUE(Eventually([&] { return reader.NaechsteKante(k); }));
    EXPECT_EQ(k.input, 4);
    EXPECT_EQ(k.level, 0);
    // The hello arrived at `now` or a little later (the clock did not move), so
    // board time 0 is `now` on the host.
    EXPECT_EQ(k.hostUs, now + 2500);
    EXPECT_FALSE(reader.NaechsteKante(k));

    // The board restarts: the outputs go out again.
    frames.clear();
    send(Hello(0, 0));
    ASSERT_TRUE(Eventually([&] {
        for (auto& f : boardEnd.Frames()) frames.push_back(f);
        return !frames.empty() && frames.back()[0] == board::kOutputs;
    }));
    EXPECT_EQ(reader.Lesen().stats.restarts, 1u);

    // Unplugged.
    close(master);
    ASSERT_TRUE(Eventually([&] { return !reader.Lesen().verbunden; }));
    EXPECT_NE(reader.Lesen().text.find("getrennt"), std::string::npos) << reader.Lesen().text;
    reader.Stop();
}

TEST(ThreadedBoardReader, ADeviceThatIsNoBoardIsNamed) {
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fcntl(master, F_SETFL, O_NONBLOCK);
    std::atomic<int64_t> clock{0};
    BoardReader reader(name, [&] { return clock.load(); });
    reader.Start();
    close(slave);
    BoardEnd boardEnd{master, {}};
    ASSERT_TRUE(Eventually([&] { return !boardEnd.Frames().empty(); }));  // the line is open: a hello request
    // Noise as at a wrong baud rate, for more than a second of host time.
    const std::string noise(300, '\x5a');
    ASSERT_EQ(write(master, noise.data(), noise.size()), 300);
    ASSERT_TRUE(Eventually([&] { return reader.Lesen().stats.bytes >= 300; }));
    clock = 2'000'000;
    ASSERT_TRUE(Eventually([&] { return reader.Lesen().text.find("kein Sensorboard") != std::string::npos; }))
        << reader.Lesen().text;
    EXPECT_FALSE(reader.Lesen().verbunden);
    reader.Stop();
    close(master);
}

}  // namespace
