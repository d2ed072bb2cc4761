// The serial line to the display boards, fuel gauges and power module. Race
// control hands it whole messages; nothing is ever read. UI thread only. The
// do-nothing line below stands in until the program puts the real one in place;
// it opens every port and takes every message.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

// What a port probe found (the values of ComStatus; 3, "opened by this program",
// is race control's own).
enum ComBefund : int16_t { kComUnbestimmt = 0, kComBelegt = 1, kComFrei = 2, kComEigen = 3 };

class SerialLine {
public:
    enum class Ergebnis {
        Gesendet,   // the driver has the message (or the part it has taken so far)
        Verworfen,  // output buffer full: the message was dropped whole
        Getrennt,   // the device is gone (unplugged, hung up) or the line is not open
    };
    virtual ~SerialLine() = default;
    // Opens COM n at 9600 baud, 8N1; false when the port is missing or in use.
    virtual bool Oeffnen(int /*com*/) { return true; }
    // Lets what is still queued go out for a moment, then closes. Never fails.
    virtual void Schliessen() {}
    virtual Ergebnis Senden(const std::string& text) = 0;
    // What COM n is now: kComUnbestimmt (not there), kComBelegt or kComFrei.
    virtual int Pruefen(int /*com*/) { return kComUnbestimmt; }
    // Why the last Oeffnen failed, as the system said it ("/dev/ttyS0: No such
    // file or directory"); "" when unknown.
    virtual std::string Grund() const { return {}; }
};

class NullSerialLine final : public SerialLine {
public:
    Ergebnis Senden(const std::string&) override { return Ergebnis::Gesendet; }
};

}  // namespace zk
