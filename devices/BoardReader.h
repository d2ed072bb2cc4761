// The USB sensor board as a source of stamped edges: a thread of its own reads
// the board's line (BoardLine), decodes it (UsbBoard) and hands every edge, with
// its moment on the host's monotonic clock, to the tick through a lock-free
// queue. It opens the line, asks for the hello, sends output commands, notices
// an unplugged board and opens the line again when it is back.
//
// Threads: the reader's own; the tick takes edges (NaechsteKante, no lock, no
// allocation); the UI thread sets outputs and reads the status (one mutex).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "devices/UsbBoard.h"

namespace zk {

class BoardReader {
public:
    struct Kante {
        uint8_t input = 0;   // 1..8 lanes, 9 yellow, 10 chaos
        uint8_t level = 0;   // raw pin level
        int64_t hostUs = 0;  // the edge on the host's monotonic clock, microseconds
    };
    struct Zustand {
        bool verbunden = false;  // a board has said hello on an open line
        std::string text;        // German status line: connected, gone, refused, ...
        BoardStats stats;
        double drift = 0;         // the board clock's deviation (BoardClock::Drift)
        uint64_t verworfen = 0;   // edges the tick did not take in time (queue full)
        uint16_t levels = 0;      // input levels of the last heartbeat (bit n-1 = input n)
    };

    // `geraet`: the device ("/dev/ttyUSB0"). `nowUs`: the host clock in
    // microseconds (default: CLOCK_MONOTONIC).
    explicit BoardReader(std::string geraet, std::function<int64_t()> nowUs = {});
    ~BoardReader() { Stop(); }
    BoardReader(const BoardReader&) = delete;
    BoardReader& operator=(const BoardReader&) = delete;

    void Start();
    void Stop();

    // Tick thread: the oldest edge not taken yet; false when there is none.
    bool NaechsteKante(Kante& k);
    // UI thread: the outputs the board should show (sent when they change and
    // after every new hello).
    void Ausgaenge(uint8_t power, uint8_t lamps);
    Zustand Lesen() const;

    static constexpr size_t kQueue = 1024;  // edges; 8 busy lanes make some 10 per second

private:
    void Run();
    void Status(const std::string& text, bool verbunden);

    const std::string geraet_;
    std::function<int64_t()> nowUs_;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    // Single producer (reader), single consumer (tick).
    std::array<Kante, kQueue> queue_{};
    std::atomic<uint32_t> head_{0}, tail_{0};

    mutable std::mutex mu_;
    std::condition_variable cv_;
    Zustand zustand_;
    uint8_t power_ = 0, lamps_ = 0;
    bool ausgaengeNeu_ = false;
    bool ausgaengeGesetzt_ = false;  // the UI has chosen outputs (until then the board's stay off)
};

}  // namespace zk
