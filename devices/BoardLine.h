// The serial line to the USB sensor board: a terminal device at 500000 baud,
// 8N1, raw (no XON/XOFF, no CR/LF translation: every byte value is data), no
// flow control, read and written without blocking. Opened and held like the
// line to the display boards (TermiosLine.h). One thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zk {

class BoardLine {
public:
    BoardLine() = default;
    BoardLine(const BoardLine&) = delete;
    BoardLine& operator=(const BoardLine&) = delete;
    ~BoardLine() { Schliessen(); }

    // Opens `geraet` ("/dev/ttyUSB0"); false with Fehler() set when it cannot.
    // What was still queued from before is discarded.
    bool Oeffnen(const std::string& geraet);
    void Schliessen();
    bool Offen() const { return fd_ >= 0; }

    // Waits up to `ms` for bytes; false when nothing came (or the line is gone).
    bool Warten(int ms);
    // Takes what has arrived, at most `n` bytes: the count, 0 when nothing is
    // there, -1 when the device is gone (unplugged, hung up); it is then closed.
    long Lesen(uint8_t* buf, size_t n);
    // Writes a whole command; false when the driver did not take all of it
    // (a command is a few bytes: the board's line is never that full) or the
    // device is gone.
    bool Schreiben(const std::string& bytes);

    const std::string& Fehler() const { return fehler_; }

private:
    int fd_ = -1;
    std::string fehler_;
};

}  // namespace zk
