#include "devices/UsbBoard.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace zk {

namespace board {

uint16_t Crc16(const uint8_t* data, size_t n) {
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < n; ++i) {
        crc ^= static_cast<uint16_t>(data[i] << 8);
        for (int k = 0; k < 8; ++k)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

std::string CobsEncode(const uint8_t* raw, size_t n) {
    std::string out(1, '\0');
    size_t codeAt = 0;
    uint8_t code = 1;
    for (size_t i = 0; i < n; ++i) {
        if (raw[i] != 0) {
            out.push_back(static_cast<char>(raw[i]));
            ++code;
        }
        if (raw[i] == 0 || code == 0xFF) {
            out[codeAt] = static_cast<char>(code);
            codeAt = out.size();
            out.push_back('\0');
            code = 1;
        }
    }
    out[codeAt] = static_cast<char>(code);
    out.push_back('\0');
    return out;
}

bool CobsDecode(const uint8_t* enc, size_t n, std::vector<uint8_t>& raw) {
    raw.clear();
    size_t i = 0;
    while (i < n) {
        const uint8_t code = enc[i++];
        if (code == 0 || i + code - 1 > n) return false;
        for (int k = 1; k < code; ++k) {
            if (enc[i] == 0) return false;
            raw.push_back(enc[i++]);
        }
        if (code < 0xFF && i < n) raw.push_back(0);
    }
    return true;
}

std::string Frame(uint8_t type, uint8_t seq, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> raw{type, seq};
    raw.insert(raw.end(), body.begin(), body.end());
    const uint16_t crc = Crc16(raw.data(), raw.size());
    raw.push_back(static_cast<uint8_t>(crc >> 8));
    raw.push_back(static_cast<uint8_t>(crc));
    // A leading delimiter too: after garbage on the line the frame that follows
    // is whole, not the tail of a bad frame.
    return std::string(1, '\0') + CobsEncode(raw.data(), raw.size());
}

}  // namespace board

namespace {

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();
// Impossible heartbeats in a row after which the board's time line is taken anew
// rather than dropping its messages for ever.
constexpr int kImpossibleRestart = 10;

}  // namespace

void UsbBoard::Restart() {
    buf_.clear();
    overlong_ = false;
    connected_ = false;
    seqKnown_ = false;
    lostKnown_ = false;
}

std::string UsbBoard::OutputsFrame(uint8_t power, uint8_t lamps) {
    return board::Frame(board::kOutputs, txSeq_++, {power, lamps});
}

std::string UsbBoard::HelloRequestFrame() { return board::Frame(board::kHelloRequest, txSeq_++, {}); }

void UsbBoard::Feed(const uint8_t* data, size_t n, int64_t hostUs, std::vector<BoardEvent>& out) {
    stats_.bytes += n;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = data[i];
        if (b != 0) {
            if (buf_.size() < board::kMaxFrame)
                buf_.push_back(b);
            else
                overlong_ = true;
            continue;
        }
        // A delimiter: whatever was collected is one frame, or garbage.
        if (buf_.empty() && !overlong_) continue;
        const bool ok = !overlong_ && board::CobsDecode(buf_.data(), buf_.size(), raw_) && raw_.size() >= 4 &&
                        board::Crc16(raw_.data(), raw_.size() - 2) ==
                            static_cast<uint16_t>(raw_[raw_.size() - 2] << 8 | raw_[raw_.size() - 1]);
        buf_.clear();
        overlong_ = false;
        if (!ok) {
            ++stats_.badFrames;
            continue;
        }
        raw_.erase(raw_.end() - 2, raw_.end());  // the CRC
        Frame(raw_, hostUs, out);
    }
}

void UsbBoard::NewTimeLine(uint32_t t, int64_t hostUs) {
    clock_.NewLine();
    lastTicks_ = t;
    lastHeartbeat_ = kNoTime;
    lastEdge_ = kNoTime;
    lastHostUs_ = hostUs;
    lostKnown_ = false;
    impossibleRun_ = 0;
}

bool UsbBoard::Unwrap(uint32_t t, int64_t hostUs, int64_t& last, int64_t& ticks) {
    const int32_t d = static_cast<int32_t>(t - static_cast<uint32_t>(lastTicks_));
    ticks = lastTicks_ + d;
    const double tickUs = clock_.Rate();
    const double hostElapsed = std::max<double>(0.0, static_cast<double>(hostUs - lastHostUs_));
    const double ahead = (hostElapsed * (1.0 + BoardClock::kMaxDrift) + 1e6) / tickUs;
    const double behind = 10e6 / tickUs;  // the board's ring never holds an edge that long
    if (static_cast<double>(d) > ahead || (last != kNoTime && ticks < last) || static_cast<double>(-d) > behind) {
        ++stats_.impossibleTimes;
        return false;
    }
    last = ticks;
    if (ticks >= lastTicks_) {
        lastTicks_ = ticks;
        lastHostUs_ = hostUs;
    }
    return true;
}

void UsbBoard::OnHello(const uint8_t* body, size_t len, int64_t hostUs, std::vector<BoardEvent>& out) {
    BoardEvent ev;
    auto refuse = [&](const std::string& why) {
        ++stats_.refused;
        connected_ = false;
        error_ = why;
        ev.art = BoardEvent::Art::Refused;
        ev.text = why;
        out.push_back(ev);
    };
    if (len < 6 || body[0] != 'Z' || body[1] != 'K' || body[2] != 'B')
        return refuse("Das Gerät ist kein Zirkato-Sensorboard (unbekannte Begrüßung).");
    if (body[3] != board::kProtocolVersion) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "Das Sensorboard spricht Protokoll %d (Firmware %d.%d), dieses Programm Protokoll %d: "
                      "bitte die passende Firmware aufspielen (make flash).",
                      body[3], body[4], body[5], board::kProtocolVersion);
        return refuse(text);
    }
    if (len < 18) return refuse("Die Begrüßung des Sensorboards ist zu kurz.");
    BoardHello h;
    h.protocol = body[3];
    h.fwMajor = body[4];
    h.fwMinor = body[5];
    h.boardId = Le32(body + 6);
    h.resetCause = body[10];
    h.tickNs = Le16(body + 11);
    h.inputs = body[13];
    if (h.tickNs == 0 || h.tickNs > 4000) return refuse("Das Sensorboard meldet eine zu grobe Zeitauflösung.");
    const uint32_t t = Le32(body + 14);

    const bool wasConnected = connected_;
    // The same time line goes on when the hello answers a request; a time that
    // fell back (or a first hello) starts a new one. The same board (by id and
    // tick) keeps the clock rate found so far.
    const int32_t d = static_cast<int32_t>(t - static_cast<uint32_t>(lastTicks_));
    const bool sameBoard = helloKnown_ && h.boardId == hello_.boardId && h.tickNs == hello_.tickNs;
    const bool sameLine = wasConnected && sameBoard && d >= 0;
    hello_ = h;
    helloKnown_ = true;
    connected_ = true;
    error_.clear();
    if (!sameLine) {
        if (!sameBoard) clock_.SetNominal(h.tickNs / 1000.0);
        NewTimeLine(t, hostUs);
    } else {
        lastTicks_ += d;
        lastHostUs_ = hostUs;
    }
    clock_.Add(lastTicks_, hostUs);
    if (wasConnected && !sameLine) {
        ++stats_.restarts;
        ev.art = BoardEvent::Art::Restart;
        ev.text = "Das Sensorboard wurde neu gestartet.";
    } else {
        ev.art = BoardEvent::Art::Hello;
    }
    ev.boardTicks = lastTicks_;
    ev.hostUs = clock_.HostUs(lastTicks_);
    out.push_back(ev);
}

void UsbBoard::Frame(const std::vector<uint8_t>& raw, int64_t hostUs, std::vector<BoardEvent>& out) {
    const uint8_t type = raw[0], seq = raw[1];
    const uint8_t* body = raw.data() + 2;
    const size_t len = raw.size() - 2;
    const size_t need = type == board::kHello       ? 6
                        : type == board::kHeartbeat ? 9
                        : type == board::kEdge      ? 6
                        : type == board::kApplied   ? 7
                                                    : 0;
    if (need == 0 || len < need) {
        ++stats_.badFrames;
        return;
    }
    ++stats_.frames;
    if (seqKnown_ && type != board::kHello) stats_.lostFrames += static_cast<uint8_t>(seq - rxSeq_ - 1);
    rxSeq_ = seq;
    seqKnown_ = true;

    if (type == board::kHello) return OnHello(body, len, hostUs, out);
    if (!connected_) return;  // nothing counts before an accepted hello

    BoardEvent ev;
    if (type == board::kHeartbeat) {
        const uint32_t t = Le32(body);
        const int32_t d = static_cast<int32_t>(t - static_cast<uint32_t>(lastTicks_));
        if (d < 0) {
            // Every earlier message was sent before this heartbeat was built, so
            // a time behind them means the board restarted and its hello was lost.
            ++stats_.restarts;
            NewTimeLine(t, hostUs);
            BoardEvent r;
            r.art = BoardEvent::Art::Restart;
            r.text = "Das Sensorboard wurde neu gestartet.";
            r.boardTicks = lastTicks_;
            out.push_back(r);
        }
        int64_t ticks = 0;
        if (!Unwrap(t, hostUs, lastHeartbeat_, ticks)) {
            if (++impossibleRun_ >= kImpossibleRestart) {
                ++stats_.restarts;
                NewTimeLine(t, hostUs);
                lastHeartbeat_ = t;
                ticks = t;
                BoardEvent r;
                r.art = BoardEvent::Art::Restart;
                r.text = "Die Zeit des Sensorboards ist gesprungen: neue Zeitbasis.";
                r.boardTicks = ticks;
                out.push_back(r);
            } else {
                return;
            }
        }
        impossibleRun_ = 0;
        clock_.Add(ticks, hostUs);
        const uint16_t lost = Le16(body + 6);
        stats_.lostEdges += lostKnown_ ? static_cast<uint16_t>(lost - lostEdgesSeen_) : lost;
        lostEdgesSeen_ = lost;
        lostKnown_ = true;
        stats_.ringHighWater = std::max<int>(stats_.ringHighWater, body[8]);
        ev.art = BoardEvent::Art::Heartbeat;
        ev.levels = Le16(body + 4);
        ev.boardTicks = ticks;
    } else if (type == board::kEdge) {
        int64_t ticks = 0;
        if (body[0] < 1 || body[0] > 10 || body[1] > 1) {
            ++stats_.badFrames;
            return;
        }
        if (!Unwrap(Le32(body + 2), hostUs, lastEdge_, ticks)) return;
        ev.art = BoardEvent::Art::Edge;
        ev.input = body[0];
        ev.level = body[1];
        ev.boardTicks = ticks;
    } else if (type == board::kApplied) {
        int64_t ticks = 0;
        int64_t any = kNoTime;
        if (!Unwrap(Le32(body + 3), hostUs, any, ticks)) return;
        ev.art = BoardEvent::Art::Applied;
        ev.cmdSeq = body[0];
        ev.power = body[1];
        ev.lamps = body[2];
        ev.boardTicks = ticks;
    }
    ev.hostUs = clock_.HostUs(ev.boardTicks);
    out.push_back(ev);
}

}  // namespace zk
