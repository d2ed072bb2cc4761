// The message queue of the two-wire bus on the parallel port's control lines.
// Race control queues messages on the UI thread; the tick gives the bus engine
// one step per millisecond. The engine (I2CBus) is a component the system owns;
// the do-nothing queue below stands in for it until the program puts it in place.
#pragma once

#include <cstdint>

namespace zk {

struct TickState;
class LptIo;

// What the Diagnose view shows of the bus.
struct BusStatistik {
    int32_t voll = 0;       // messages refused because the queue was full
    int32_t ungueltig = 0;  // messages refused because of a byte count outside 2..7
    int32_t gesendet = 0;   // messages the engine has taken from the queue
    int wartend = 0;        // messages waiting in the queue
    bool aktiv = false;     // a message is on the bus now
};

class BusQueue {
public:
    virtual ~BusQueue() = default;
    // UI thread: queues one message. address, data bytes, bytes on the bus
    // including the address (2 for the output boards, 3 for the converters).
    virtual void I2CSend(uint8_t addr, uint8_t data1, uint8_t data2, int count) = 0;
    // Tick thread: one bus phase. Must not allocate, lock or wait; it may change
    // only bits 1 and 3 of LptSteuer and write the control register at most once.
    virtual void I2CTakt(TickState& s, LptIo& port) = 0;
    // UI thread, only while the tick does not step the engine: drops every
    // pending message, puts the engine to idle and, while the bus is in use,
    // writes the control register with its current image.
    virtual void I2CReset(TickState&, LptIo&) {}
    virtual BusStatistik Statistik() const { return {}; }
};

class NullBusQueue final : public BusQueue {
public:
    void I2CSend(uint8_t, uint8_t, uint8_t, int) override {}
    void I2CTakt(TickState&, LptIo&) override {}
};

}  // namespace zk
