#include "tick/I2CBus.h"

#include "devices/LptIo.h"
#include "tick/FastTimer.h"
#include "tick/TickState.h"

namespace zk {

namespace {
constexpr uint8_t kScl = kBusScl;
constexpr uint8_t kSda = kBusSda;
}  // namespace

void I2CBus::I2CSend(uint8_t addr, uint8_t data1, uint8_t data2, int count) {
    if (count < 2 || count > 7) {
        ++ungueltig_;
        return;
    }
    const uint8_t w = qSchreib_.load(std::memory_order_relaxed);
    const uint8_t next = Next(w);
    // One slot stays free: a write index equal to the read index means empty.
    if (next == qLesen_.load(std::memory_order_acquire)) {
        ++voll_;
        return;
    }
    queue_[w] = {static_cast<uint8_t>(count), addr, data1, data2, 0, 0, 0, 0};
    qSchreib_.store(next, std::memory_order_release);
}

void I2CBus::I2CReset(TickState& s, LptIo& port) {
    bit_ = 0;
    byte_ = 0;
    schritt_ = 0;
    // A reset in the middle of a message must not leave the next start
    // condition half done.
    phase_ = 0;
    bytesDa_ = 0;
    // The lines go out as they are; with the bus not in use they are not the
    // engine's and nothing is written.
    if (s.I2CAktiv) LptSteuerAusgeben(s, port);
    ausgabe_ = 0;
    qSchreib_.store(0, std::memory_order_release);
    qLesen_.store(0, std::memory_order_release);
    ringSchreib_ = ringLesen_ = 0;
    meldungDa_ = 0;
}

void I2CBus::I2CTakt(TickState& s, LptIo& port) {
    // 1. Loading: the next message moves into the byte ring once the bus is idle.
    const uint8_t r = qLesen_.load(std::memory_order_relaxed);
    if (qSchreib_.load(std::memory_order_acquire) != r) {
        meldungDa_ = 1;
        if (bytesDa_ == 0 && schritt_ == 0) {
            const auto& slot = queue_[r];
            const uint8_t n = slot[0];
            for (int i = 1; i <= n; ++i) {
                ring_[ringSchreib_] = slot[i];
                ringSchreib_ = ringSchreib_ == kRing - 1 ? 0 : static_cast<uint8_t>(ringSchreib_ + 1);
            }
            anzahl_ = n;
            qLesen_.store(Next(r), std::memory_order_release);
            ++gesendet_;
        }
    } else {
        meldungDa_ = 0;
    }
    // 2., 3.
    bytesDa_ = ringSchreib_ != ringLesen_ ? 1 : 0;
    if (bit_ == 0 && bytesDa_ == 1 && schritt_ == 0) schritt_ = 1;
    // 4..6 in this order: a step that moves on hands over on the next tick.
    if (schritt_ == anzahl_ + 2) EndSchritt(s);
    if (schritt_ > 1 && schritt_ < anzahl_ + 2) ByteSchritt(s);
    if (schritt_ == 1) StartSchritt(s);
    // 7. At most one control write per tick, after every change of the tick.
    if (ausgabe_ == 1) {
        LptSteuerAusgeben(s, port);
        ausgabe_ = 0;
    }
    // 8.
    if (schritt_ > 0 && phase_ < 2) {
        ++phase_;
    } else {
        phase_ = 0;
    }
}

void I2CBus::StartSchritt(TickState& s) {
    if (phase_ == 0) {
        s.LptSteuer.SetBits(kSda);  // SDA falls while SCL is high
    } else if (phase_ == 1) {
        schritt_ = 2;
        phase_ = -1;
    }
    ausgabe_ = 1;
}

void I2CBus::ByteSchritt(TickState& s) {
    if (phase_ == 0) {
        s.LptSteuer.SetBits(kScl);
        if (bit_ > 8) {  // the acknowledge clock is done: next byte
            bit_ = 0;
            phase_ = -1;
            schritt_ = static_cast<uint8_t>(schritt_ + 1);
        }
    } else if (phase_ == 1) {
        if (bit_ == 0 && bytesDa_ == 1) {
            byte_ = ring_[ringLesen_];
            ringLesen_ = ringLesen_ == kRing - 1 ? 0 : static_cast<uint8_t>(ringLesen_ + 1);
        }
        if (bit_ < 8) {
            // Most significant bit first; the port inverts: set bit = line low.
            if ((byte_ & (1 << (7 - bit_))) == 0) {
                s.LptSteuer.SetBits(kSda);
            } else {
                s.LptSteuer.ClearBits(kSda);
            }
        }
        // From bit 8 on: the acknowledge clock; SDA keeps its level, nothing is read.
        ++bit_;
    } else if (phase_ == 2) {
        s.LptSteuer.ClearBits(kScl);  // SCL high: the device samples SDA
    }
    ausgabe_ = 1;
}

void I2CBus::EndSchritt(TickState& s) {
    if (phase_ == 0) {
        s.LptSteuer.ClearBits(kScl | kSda);
    } else if (phase_ == 1) {
        s.LptSteuer.ClearBits(kSda);
    } else if (phase_ == 2) {
        s.LptSteuer.ClearBits(kScl | kSda);
        schritt_ = 0;
        phase_ = 0;
    }
    ausgabe_ = 1;
}

BusStatistik I2CBus::Statistik() const {
    BusStatistik b;
    b.voll = voll_;
    b.ungueltig = ungueltig_;
    b.gesendet = gesendet_;
    const int w = qSchreib_.load(std::memory_order_acquire);
    const int r = qLesen_.load(std::memory_order_acquire);
    b.wartend = (w - r + kSlots) % kSlots;
    b.aktiv = schritt_ != 0;
    return b;
}

}  // namespace zk
