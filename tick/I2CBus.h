// The two-wire bus engine: a write-only bus master that clocks messages out on
// two lines of the parallel port's control register, one bus phase per tick.
//
// Lines: LptSteuer bit 1 is SCL (pin 14), bit 3 is SDA (pin 17). The port
// inverts both pins, so a set bit pulls the line low and a clear bit releases
// it high; the idle bus has both bits clear. Acknowledge clocks are given but
// never read.
//
// Threads: I2CSend runs on the UI thread, I2CTakt on the tick. The message
// queue is a single-producer single-consumer ring: only I2CSend writes the
// write index and the slot under it, only I2CTakt writes the read index; a slot
// is complete before the write index moves (release), and the tick reads it
// only after it has seen the index (acquire). The byte ring and the step
// variables belong to the tick alone. I2CReset touches everything and is called
// only while the tick does not step the engine (program initialisation, before
// the timer runs, or with the bus switched off).
//
// A full queue refuses the newest message and counts it; a byte count outside
// 2..7 is refused and counted as well. The write index therefore never catches
// up with the read index, which would make 101 pending messages look like none.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "base/Shared.h"
#include "tick/BusQueue.h"

namespace zk {

class I2CBus final : public BusQueue {
public:
    static constexpr int kSlots = 101;  // indices 0..100; after 100 comes 0
    static constexpr int kRing = 101;

    void I2CSend(uint8_t addr, uint8_t data1, uint8_t data2, int count) override;
    void I2CReset(TickState& s, LptIo& port) override;
    void I2CTakt(TickState& s, LptIo& port) override;
    BusStatistik Statistik() const override;

private:
    static uint8_t Next(uint8_t i) { return static_cast<uint8_t>(i == kSlots - 1 ? 0 : i + 1); }
    void StartSchritt(TickState& s);
    void ByteSchritt(TickState& s);
    void EndSchritt(TickState& s);

    // --- the queue (slot: count, address, data 1, data 2, four zero bytes) ---
    std::array<std::array<uint8_t, 8>, kSlots> queue_{};
    std::atomic<uint8_t> qSchreib_{0};  // writer: I2CSend
    std::atomic<uint8_t> qLesen_{0};    // writer: I2CTakt
    Shared<int32_t> voll_{0};           // writer: I2CSend; refused, queue full
    Shared<int32_t> ungueltig_{0};      // writer: I2CSend; refused, count outside 2..7
    Shared<int32_t> gesendet_{0};       // writer: I2CTakt; messages taken from the queue

    // --- the engine (tick thread) ---
    std::array<uint8_t, kRing> ring_{};
    uint8_t ringSchreib_ = 0;
    uint8_t ringLesen_ = 0;
    uint8_t bytesDa_ = 0;
    Shared<uint8_t> meldungDa_{0};      // writer: I2CTakt; informational
    Shared<uint8_t> schritt_{0};        // writer: I2CTakt; 0 idle, 1 start, 2..n+1 bytes, n+2 end
    uint8_t anzahl_ = 0;
    uint8_t bit_ = 0;
    int16_t byte_ = 0;
    int16_t phase_ = 0;
    uint8_t ausgabe_ = 0;
};

}  // namespace zk
