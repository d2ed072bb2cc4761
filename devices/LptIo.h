// Byte access to the parallel port's three registers, by I/O address.
//
// The race code addresses the port as the original hardware does: data register
// at LptBasis, status at LptBasis+1, control at LptBasis+2. Implementations:
// SimLptIo (memory, for tests and simulation), PpdevLptIo (Linux ppdev) and
// NullLptIo ("ohne LPT": no register access at all).
#pragma once

#include <cstdint>
#include <string>

namespace zk {

class LptIo {
public:
    virtual ~LptIo() = default;
    // Reads one register; `addr` is LptBasis + 0, 1 or 2. Called by the tick
    // thread (input lines) and the UI thread.
    virtual uint8_t Inp32(uint16_t addr) = 0;
    // Writes one register; `addr` is LptBasis + 0 or 2. Called by the UI thread,
    // and by the tick thread for the simulator and the bus engine.
    virtual void Out32(uint16_t addr, uint8_t value) = 0;
    // False when no register access may be made (no port, or it could not be opened).
    virtual bool Available() const = 0;
    // Short German description for status displays ("/dev/parport0", "Simulation", ...).
    virtual std::string Description() const = 0;
    // The base address the program addresses the port by (LptBasis). A real
    // port knows its registers by its device; a simulated one answers only at
    // this address.
    virtual void SetBase(uint16_t) {}
};

// Base address for [Lpt] "Port" 1, 2, 3; 0 for any other value.
constexpr int16_t LptBasisForPort(int port) {
    switch (port) {
        case 1:
            return 888;  // 0x378
        case 2:
            return 632;  // 0x278
        case 3:
            return 956;  // 0x3BC
        default:
            return 0;
    }
}

class NullLptIo final : public LptIo {
public:
    uint8_t Inp32(uint16_t) override { return 0; }
    void Out32(uint16_t, uint8_t) override {}
    bool Available() const override { return false; }
    std::string Description() const override { return "kein Parallelport"; }
};

}  // namespace zk
