// In-memory parallel port: tests and the replay tool set the input lines and read
// back every register write with the time it was made.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "devices/LptIo.h"

namespace zk {

class MsClock;

// Sees every register write of a simulated port as it is made (replay trace).
class LptWriteObserver {
public:
    virtual ~LptWriteObserver() = default;
    // offset 0 data register, 2 control register.
    virtual void OnLptWrite(int offset, uint8_t value) = 0;
};

class SimLptIo final : public LptIo {
public:
    struct Write {
        int32_t timeMs;
        uint16_t addr;
        uint8_t value;
    };

    explicit SimLptIo(MsClock* clock = nullptr) : clock_(clock) {}

    uint8_t Inp32(uint16_t addr) override;
    void Out32(uint16_t addr, uint8_t value) override;
    bool Available() const override { return true; }
    std::string Description() const override { return "Simulation"; }

    // The base address the race code uses (offsets are taken relative to it).
    void SetBase(uint16_t base) override { base_.store(base, std::memory_order_relaxed); }
    // Input word as the sampler composes it: bits 7..3 come from the status
    // register, bits 2..0 from the control register.
    void SetInputWord(uint8_t word) { inputs_.store(word, std::memory_order_relaxed); }
    uint8_t InputWord() const { return inputs_.load(std::memory_order_relaxed); }

    std::vector<Write> Writes() const;
    void ClearWrites();
    uint8_t DataRegister() const { return data_.load(std::memory_order_relaxed); }
    uint8_t ControlRegister() const { return control_.load(std::memory_order_relaxed); }
    int64_t ReadCount() const { return reads_.load(std::memory_order_relaxed); }
    // Set before the tick starts; nullptr for none.
    void SetWriteObserver(LptWriteObserver* o) { observer_ = o; }

private:
    MsClock* clock_;
    LptWriteObserver* observer_ = nullptr;
    std::atomic<uint16_t> base_{888};
    std::atomic<uint8_t> inputs_{0};
    std::atomic<uint8_t> data_{0};
    std::atomic<uint8_t> control_{0};
    std::atomic<int64_t> reads_{0};
    mutable std::mutex mu_;  // guards the write log (test device only)
    std::vector<Write> writes_;
};

}  // namespace zk
