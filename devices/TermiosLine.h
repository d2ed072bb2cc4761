// The real serial line: a POSIX terminal device at 9600 baud, 8 data bits, no
// parity, 1 stop bit, raw, no flow control, no echo, written without blocking.
//
// COM numbers stay those of the settings file (1..20) and map to devices:
//   COM1..COM4   /dev/ttyS0..ttyS3     (serial ports on the board)
//   COM5..COM12  /dev/ttyUSB0..ttyUSB7 (USB serial adapters)
//   COM13..COM20 /dev/ttyACM0..ttyACM7 (USB modem-class adapters)
// The environment variable ZIRKATO_COM<n> (ZIRKATO_COM1=/dev/pts/7) names the
// device of COM n instead: for an adapter that moves, and for tests.
//
// A port is in use when another program holds it: an exclusive flock on the
// device, TIOCEXCL, or a live UUCP lock file (/run/lock/LCK..ttyS0). While open,
// this line holds the device the same way.
#pragma once

#include <string>

#include "devices/SerialLine.h"

namespace zk {

// The device of COM n; "" outside 1..20.
std::string ComGeraet(int com);

// What COM n is now (kComUnbestimmt: no such device or no hardware behind it).
int ComPruefen(int com);

// Opens a serial device read-write and non-blocking, for the probe or for use,
// and holds it as described above. On failure returns -1, sets `befund` to
// kComBelegt (someone else has it) or kComUnbestimmt (not there) and `fehler`
// to a German text naming the device.
int SerielleSchnittstelleOeffnen(const std::string& geraet, int& befund, std::string& fehler);

class TermiosSerialLine final : public SerialLine {
public:
    TermiosSerialLine() = default;
    TermiosSerialLine(const TermiosSerialLine&) = delete;
    TermiosSerialLine& operator=(const TermiosSerialLine&) = delete;
    ~TermiosSerialLine() override { Schliessen(); }

    bool Oeffnen(int com) override;
    void Schliessen() override;
    Ergebnis Senden(const std::string& text) override;
    int Pruefen(int com) override { return ComPruefen(com); }
    std::string Grund() const override { return fehler_; }

    bool Offen() const { return fd_ >= 0; }
    // Why the last open failed ("/dev/ttyUSB0: No such file or directory").
    const std::string& Fehler() const { return fehler_; }

private:
    // Writes what the driver takes of rest_; false when the device is gone.
    bool RestSchreiben();

    int fd_ = -1;
    std::string rest_;  // the tail of a message the driver has not taken yet
    std::string fehler_;
};

}  // namespace zk
