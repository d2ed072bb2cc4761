// The message queue of the two-wire bus on the parallel port's control lines.
// Race control queues messages on the UI thread; the tick gives the bus engine
// one step per millisecond. The engine itself is a component the system owns;
// until it is built the do-nothing queue below stands in for it.
#pragma once

#include <cstdint>

namespace zk {

struct TickState;
class LptIo;

class BusQueue {
public:
    virtual ~BusQueue() = default;
    // UI thread: queues one message. address, data bytes, bytes on the bus
    // including the address (2 for the output boards, 3 for the converters).
    virtual void I2CSend(uint8_t addr, uint8_t data1, uint8_t data2, int count) = 0;
    // Tick thread: one bus phase. Must not allocate, lock or wait; it may change
    // only bits 1 and 3 of LptSteuer and write the control register at most once.
    virtual void I2CTakt(TickState& s, LptIo& port) = 0;
};

class NullBusQueue final : public BusQueue {
public:
    void I2CSend(uint8_t, uint8_t, uint8_t, int) override {}
    void I2CTakt(TickState&, LptIo&) override {}
};

}  // namespace zk
