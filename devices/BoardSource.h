// A board's bytes turned into messages for the tick: the decoder (UsbBoard)
// and a single-producer, single-consumer queue without locks. The program's
// reader thread (BoardReader) feeds it from the line; the replay feeds it the
// recorded bytes on its own clock, so both time a race through the same path.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/SensorBoard.h"
#include "devices/UsbBoard.h"

namespace zk {

class BoardSource : public SensorBoard {
public:
    // Producer: decodes bytes that arrived at `hostUs`, queues what the tick
    // needs and returns every decoded event in `events` (cleared first).
    void Feed(const uint8_t* data, size_t n, int64_t hostUs, std::vector<BoardEvent>& events);
    void Feed(const std::string& bytes, int64_t hostUs, std::vector<BoardEvent>& events) {
        Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), hostUs, events);
    }
    // Producer: the line is gone (or was opened again): the levels the tick
    // knows are no longer the board's; the decoder forgets the line's state.
    void LineLost(int64_t hostUs);

    // Consumer (tick). Skips what Verwerfen left behind.
    bool NaechsteMeldung(BoardMeldung& m) override;
    // Whoever produces while no producer runs (the reader's thread has
    // stopped): every message queued so far is void; the consumer skips them
    // at its next look, so a board whose reader was stopped leaves nothing that
    // a later start would hand out. Never waits for the consumer.
    void Verwerfen() { cut_.store(head_.load(std::memory_order_relaxed), std::memory_order_release); }

    UsbBoard& Decoder() { return board_; }
    const UsbBoard& Decoder() const { return board_; }
    // Messages dropped because the tick had not taken the ones before (producer's count).
    uint64_t Verworfen() const { return verworfen_; }

    static constexpr size_t kQueue = 1024;  // 8 busy lanes and the heartbeats make some 30 a second

private:
    void Put(const BoardMeldung& m);

    UsbBoard board_;
    std::array<BoardMeldung, kQueue> queue_{};
    std::atomic<uint32_t> head_{0}, tail_{0};
    std::atomic<uint32_t> cut_{0};  // messages before this one are void (Verwerfen)
    uint64_t verworfen_ = 0;
};

}  // namespace zk
