// The USB sensor board as a source of stamped edges: a thread of its own reads
// the board's line (BoardLine), decodes it (BoardSource: UsbBoard and a
// lock-free queue) and hands every edge, with its moment on the host's
// monotonic clock, and the other messages the tick needs to the tick. It opens the line, asks for the hello, sends output commands, notices
// an unplugged board and opens the line again when it is back.
//
// Threads: the reader's own; the tick takes messages (NaechsteMeldung, no lock,
// no allocation); the UI thread sets outputs and reads the status (one mutex).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "devices/BoardSource.h"
#include "devices/SensorBoard.h"

namespace zk {

class BoardReader final : public SensorBoard {
public:
    struct Kante {
        uint8_t input = 0;   // 1..8 lanes, 9 yellow, 10 chaos
        uint8_t level = 0;   // raw pin level
        int64_t hostUs = 0;  // the edge on the host's monotonic clock, microseconds
    };
    using Zustand = BoardZustand;

    // `geraet`: the device ("/dev/ttyUSB0"). `nowUs`: the host clock in
    // microseconds (default: CLOCK_MONOTONIC).
    explicit BoardReader(std::string geraet, std::function<int64_t()> nowUs = {});
    ~BoardReader() override { Stop(); }
    BoardReader(const BoardReader&) = delete;
    BoardReader& operator=(const BoardReader&) = delete;

    void Start();
    void Stop();

    // Tick thread: the oldest message not taken yet; false when there is none.
    bool NaechsteMeldung(BoardMeldung& m) override { return source_.NaechsteMeldung(m); }
    // The next edge, skipping the other messages (for callers that want edges only).
    bool NaechsteKante(Kante& k);
    // UI thread: the outputs the board should show (sent when they change and
    // after every new hello).
    void Ausgaenge(uint8_t power, uint8_t lamps) override;
    Zustand Lesen() const override;

private:
    void Run();
    void Status(const std::string& text, bool verbunden);

    const std::string geraet_;
    std::function<int64_t()> nowUs_;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    // Single producer (reader), single consumer (tick).
    BoardSource source_;

    mutable std::mutex mu_;
    std::condition_variable cv_;
    Zustand zustand_;
    uint8_t power_ = 0, lamps_ = 0;
    bool ausgaengeNeu_ = false;
    bool ausgaengeGesetzt_ = false;  // the UI has chosen outputs (until then the board's stay off)
};

}  // namespace zk
