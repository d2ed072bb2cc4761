#include "devices/SimLptIo.h"

#include "base/Clock.h"

namespace zk {

uint8_t SimLptIo::Inp32(uint16_t addr) {
    reads_.fetch_add(1, std::memory_order_relaxed);
    const int off = addr - base_.load(std::memory_order_relaxed);
    const uint8_t in = inputs_.load(std::memory_order_relaxed);
    switch (off) {
        case 0:
            return data_.load(std::memory_order_relaxed);
        case 1:
            return static_cast<uint8_t>(in & 0xF8);
        case 2:
            return static_cast<uint8_t>((control_.load(std::memory_order_relaxed) & 0xF8) | (in & 0x07));
        default:
            return 0xFF;
    }
}

void SimLptIo::Out32(uint16_t addr, uint8_t value) {
    const int off = addr - base_.load(std::memory_order_relaxed);
    if (off == 0) data_.store(value, std::memory_order_relaxed);
    if (off == 2) control_.store(value, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(mu_);
        writes_.push_back(Write{clock_ ? clock_->NowMs() : 0, addr, value});
    }
    if (observer_ != nullptr) observer_->OnLptWrite(off, value);
}

std::vector<SimLptIo::Write> SimLptIo::Writes() const {
    std::lock_guard<std::mutex> lock(mu_);
    return writes_;
}

void SimLptIo::ClearWrites() {
    std::lock_guard<std::mutex> lock(mu_);
    writes_.clear();
}

}  // namespace zk
