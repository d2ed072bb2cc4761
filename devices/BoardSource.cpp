#include "devices/BoardSource.h"

namespace zk {

void BoardSource::Put(const BoardMeldung& m) {
    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= kQueue) {
        ++verworfen_;
        return;
    }
    queue_[head % kQueue] = m;
    head_.store(head + 1, std::memory_order_release);
}

bool BoardSource::NaechsteMeldung(BoardMeldung& m) {
    uint32_t tail = tail_.load(std::memory_order_relaxed);
    // The cut only moves forward and never passes head: skip to it when behind.
    const uint32_t cut = cut_.load(std::memory_order_acquire);
    if (static_cast<int32_t>(cut - tail) > 0) {
        tail = cut;
        tail_.store(tail, std::memory_order_release);
    }
    if (tail == head_.load(std::memory_order_acquire)) return false;
    m = queue_[tail % kQueue];
    tail_.store(tail + 1, std::memory_order_release);
    return true;
}

void BoardSource::LineLost(int64_t hostUs) {
    board_.Restart();
    BoardMeldung m;
    m.art = BoardMeldung::NeueZeit;
    m.hostUs = hostUs;
    Put(m);
}

void BoardSource::Feed(const uint8_t* data, size_t n, int64_t hostUs, std::vector<BoardEvent>& events) {
    events.clear();
    board_.Feed(data, n, hostUs, events);
    for (const BoardEvent& e : events) {
        BoardMeldung m;
        m.hostUs = static_cast<int64_t>(e.hostUs + 0.5);
        switch (e.art) {
            case BoardEvent::Art::Edge:
                m.art = BoardMeldung::Kante;
                m.input = static_cast<uint8_t>(e.input);
                m.level = static_cast<uint8_t>(e.level);
                break;
            case BoardEvent::Art::Heartbeat:
                m.art = BoardMeldung::Pegel;
                m.levels = e.levels;
                break;
            case BoardEvent::Art::Applied:
                m.art = BoardMeldung::Angewendet;
                m.power = e.power;
                m.lamps = e.lamps;
                break;
            case BoardEvent::Art::Hello:
            case BoardEvent::Art::Restart:
                // A new time line: what the tick knows of the levels is void.
                m.art = BoardMeldung::NeueZeit;
                m.hostUs = hostUs;
                break;
            case BoardEvent::Art::Refused: continue;
        }
        Put(m);
    }
}

}  // namespace zk
