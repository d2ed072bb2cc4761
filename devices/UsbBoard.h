// The USB sensor board's messages, decoded from the bytes of its serial line
// (docs/board-protocol.md): frames (COBS, CRC-16), sequence gaps, the hello and
// its version check, the board time unwrapped and mapped onto the host's time
// (BoardClock), restarts of the board and impossible times.
//
// No race knowledge: the decoder hands out edges with their host time and
// counts what went wrong; whoever reads the line decides what an edge means.
// One thread (the one that reads the line).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devices/BoardClock.h"

namespace zk {

namespace board {

constexpr uint8_t kProtocolVersion = 1;
constexpr int kBaud = 500000;
constexpr size_t kMaxFrame = 64;  // encoded, delimiters included

enum Typ : uint8_t {
    kHello = 0x01,
    kHeartbeat = 0x02,
    kEdge = 0x03,
    kApplied = 0x04,
    kOutputs = 0x81,
    kHelloRequest = 0x82,
};

// CRC-16/CCITT-FALSE (poly 0x1021, init 0xFFFF, not reflected).
uint16_t Crc16(const uint8_t* data, size_t n);
// COBS-encodes `raw` and appends the 0x00 delimiter.
std::string CobsEncode(const uint8_t* raw, size_t n);
// Decodes one frame without its delimiter; false when it is not valid COBS.
bool CobsDecode(const uint8_t* enc, size_t n, std::vector<uint8_t>& raw);
// A whole frame: type, seq, body, CRC, encoded, with a delimiter before and after.
std::string Frame(uint8_t type, uint8_t seq, const std::vector<uint8_t>& body);

}  // namespace board

struct BoardHello {
    uint8_t protocol = 0, fwMajor = 0, fwMinor = 0;
    uint32_t boardId = 0;
    uint8_t resetCause = 0;  // MCUSR: 1 power-on, 2 external, 4 brown-out, 8 watchdog
    uint16_t tickNs = 0;
    uint8_t inputs = 0;
};

struct BoardEvent {
    enum class Art {
        Hello,      // the board is there (first hello, or after a request)
        Restart,    // the board has restarted: stamps before this are another time line
        Refused,    // a hello this program cannot work with; `text` says why
        Edge,       // an input changed: input, level, boardTicks, hostUs
        Heartbeat,  // levels, boardTicks, hostUs
        Applied,    // outputs latched: cmdSeq, power, lamps, boardTicks, hostUs
    };
    Art art = Art::Edge;
    int input = 0;  // 1..8 lanes, 9 yellow, 10 chaos
    int level = 0;  // raw pin level
    uint16_t levels = 0;
    uint8_t cmdSeq = 0, power = 0, lamps = 0;
    int64_t boardTicks = 0;  // unwrapped board time
    double hostUs = 0;       // the same moment on the host's clock
    std::string text;
};

struct BoardStats {
    uint64_t bytes = 0;
    uint64_t frames = 0;          // valid frames
    uint64_t badFrames = 0;       // discarded: bad COBS, CRC, length, unknown type
    uint64_t lostFrames = 0;      // sequence gaps
    uint64_t lostEdges = 0;       // edges the board could not keep (its ring was full)
    uint64_t impossibleTimes = 0; // messages dropped for a time that cannot be
    uint64_t restarts = 0;        // board restarts seen
    uint64_t refused = 0;         // hellos refused
    int ringHighWater = 0;        // fullest the board's edge ring has been
};

class UsbBoard {
public:
    // Takes bytes read from the line at host time `hostUs` (a steady clock in
    // microseconds) and appends what they complete to `out`.
    void Feed(const uint8_t* data, size_t n, int64_t hostUs, std::vector<BoardEvent>& out);
    void Feed(const std::string& bytes, int64_t hostUs, std::vector<BoardEvent>& out) {
        Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), hostUs, out);
    }

    // Bytes to write to the line.
    std::string OutputsFrame(uint8_t power, uint8_t lamps);
    std::string HelloRequestFrame();
    // The sequence number the last OUTPUTS frame carried (APPLIED answers it).
    uint8_t LastCommandSeq() const { return static_cast<uint8_t>(txSeq_ - 1); }

    // A hello has been accepted and the board has not been refused since.
    bool Connected() const { return connected_; }
    const BoardHello& Hello() const { return hello_; }
    // Why the last hello was refused ("" when none was).
    const std::string& Error() const { return error_; }
    // Bytes have come, but not one valid frame: a wrong baud rate or no board.
    bool NothingValid() const { return stats_.bytes >= 256 && stats_.frames == 0; }
    const BoardStats& Stats() const { return stats_; }
    const BoardClock& Clock() const { return clock_; }
    // Forgets the line's state (after the device was closed and opened again);
    // the clock rate is kept for when the same board says hello again.
    void Restart();

private:
    void Frame(const std::vector<uint8_t>& raw, int64_t hostUs, std::vector<BoardEvent>& out);
    void OnHello(const uint8_t* body, size_t len, int64_t hostUs, std::vector<BoardEvent>& out);
    // Unwraps a 32-bit board time; false (and counted) when it is impossible:
    // behind `last` (the last time of its kind), far behind the newest time, or
    // further ahead than the host time that has passed allows.
    bool Unwrap(uint32_t t, int64_t hostUs, int64_t& last, int64_t& ticks);
    void NewTimeLine(uint32_t t, int64_t hostUs);

    std::vector<uint8_t> buf_;
    bool overlong_ = false;
    std::vector<uint8_t> raw_;

    bool connected_ = false;
    bool seqKnown_ = false;
    uint8_t rxSeq_ = 0;
    uint8_t txSeq_ = 0;
    BoardHello hello_;
    bool helloKnown_ = false;  // hello_ holds a board's hello (kept across Restart)
    std::string error_;
    BoardStats stats_;
    BoardClock clock_;

    // The current time line: last accepted time of any message, and of the
    // heartbeats and edges each (both streams are monotone on the board).
    int64_t lastTicks_ = 0, lastHeartbeat_ = 0, lastEdge_ = 0;
    int64_t lastHostUs_ = 0;
    uint16_t lostEdgesSeen_ = 0;
    bool lostKnown_ = false;
    int impossibleRun_ = 0;  // impossible heartbeats in a row
};

}  // namespace zk
