// The USB sensor board as a source of stamped edges: a thread of its own reads
// the board's line (BoardLine), decodes it (BoardSource: UsbBoard and a
// lock-free queue) and hands every edge, with its moment on the host's
// monotonic clock, and the other messages the tick needs to the tick. It opens
// the line, asks for the hello, sends output commands, notices an unplugged
// board and opens the line again when it is back.
//
// Without a named device ("" or "auto") it looks for the board: it tries the
// serial devices a USB board shows up as (BoardSuche), each at the board's
// baud rate, and takes the first that answers with a hello this program
// speaks. Devices that answer nothing, garbage or another protocol are closed
// again and named in the status; nothing they send reaches the tick, and they
// get no command but the hello request. While no board is found, and after the
// board was unplugged, it looks again on every candidate.
//
// Threads: the reader's own; the tick takes messages (NaechsteMeldung, no lock,
// no allocation); the UI thread sets outputs and reads the status (one mutex).
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devices/BoardLine.h"
#include "devices/BoardSource.h"
#include "devices/SensorBoard.h"

namespace zk {

// Where and how the reader looks for a board whose device is not named.
struct BoardSuche {
    // Candidates in this order; a device reached under several names is tried once.
    std::vector<std::string> muster{"/dev/serial/by-id/*", "/dev/ttyACM*", "/dev/ttyUSB*"};
    // How long a candidate may take to say hello (a board on an Uno/Nano
    // restarts when its line is opened and runs its boot loader first).
    int antwortMs = 2500;
    // Pause between two rounds that found nothing.
    int pauseMs = 2000;
    // A device that answered as no board is not opened again for this long
    // (opening the line restarts many USB boards, so a round must not restart
    // every other device once a round); one that spoke another protocol or
    // version not until it goes away (it may come back with new firmware).
    int stummPauseMs = 30000;   // said nothing
    int fremdPauseMs = 60000;   // said something, but no hello
};

// True when `geraet` asks for the board to be looked for ("" or "auto").
bool SensorboardSuchen(const std::string& geraet);

// The candidate devices for `muster`, in its order, each device once (by the
// path its links lead to), as those real paths.
std::vector<std::string> BoardKandidaten(const std::vector<std::string>& muster);

class BoardReader final : public SensorBoard {
public:
    struct Kante {
        uint8_t input = 0;   // 1..8 lanes, 9 yellow, 10 chaos
        uint8_t level = 0;   // raw pin level
        int64_t hostUs = 0;  // the edge on the host's monotonic clock, microseconds
    };
    using Zustand = BoardZustand;

    // `geraet`: the device ("/dev/ttyUSB0"), or "" / "auto" to look for the
    // board as `suche` says. `nowUs`: the host clock in microseconds (default:
    // CLOCK_MONOTONIC).
    explicit BoardReader(std::string geraet, std::function<int64_t()> nowUs = {}, BoardSuche suche = {});
    ~BoardReader() override { Stop(); }
    BoardReader(const BoardReader&) = delete;
    BoardReader& operator=(const BoardReader&) = delete;

    // UI thread. Start queues a new time line first; Stop returns once the
    // thread has ended, closes the line and voids every message the tick has
    // not taken yet. Both may be called again.
    void Start();
    void Stop();
    // UI thread, while stopped: the device for the next Start.
    void Geraet(std::string geraet) { geraet_ = std::move(geraet); }
    const std::string& Geraet() const { return geraet_; }
    bool Laeuft() const { return thread_.joinable(); }

    // Tick thread: the oldest message not taken yet; false when there is none.
    bool NaechsteMeldung(BoardMeldung& m) override { return source_.NaechsteMeldung(m); }
    // The next edge, skipping the other messages (for callers that want edges only).
    bool NaechsteKante(Kante& k);
    // UI thread: the outputs the board should show (sent when they change and
    // after every new hello).
    void Ausgaenge(uint8_t power, uint8_t lamps) override;
    Zustand Lesen() const override;

private:
    void Run();
    void Status(const std::string& text, bool verbunden);
    // One round over the candidates: true with `line` open at the board and
    // the bytes that carried its hello (and what followed) in `start`.
    bool Suchen(BoardLine& line, std::string& gefunden, std::string& start, int64_t& startUs);
    // Devices the search found to be no board: why, and from when they are
    // asked again (INT64_MAX: once they have gone). The reader's thread only.
    struct KeinBoard {
        std::string grund;
        int64_t wiederUs = 0;
    };
    std::map<std::string, KeinBoard> keinBoard_;
    // The status after decoded events of `geraet`.
    void Verarbeiten(const std::vector<BoardEvent>& events, const std::string& geraet, bool& getrennt);

    std::string geraet_;
    BoardSuche suche_;
    std::function<int64_t()> nowUs_;
    std::thread thread_;
    std::atomic<bool> stop_{false};

    // Single producer (reader), single consumer (tick).
    BoardSource source_;

    mutable std::mutex mu_;
    std::condition_variable cv_;
    Zustand zustand_;
    uint8_t power_ = 0, lamps_ = 0;
    bool ausgaengeNeu_ = false;
    bool ausgaengeGesetzt_ = false;  // the UI has chosen outputs (until then the board's stay off)
};

}  // namespace zk
