// The serial line to the display boards, fuel gauges and power module. Race
// control hands it whole messages; nothing is ever read. UI thread only. Until
// the real line is built, the do-nothing line below stands in for it.
#pragma once

#include <string>

namespace zk {

class SerialLine {
public:
    virtual ~SerialLine() = default;
    virtual void Senden(const std::string& text) = 0;
};

class NullSerialLine final : public SerialLine {
public:
    void Senden(const std::string&) override {}
};

}  // namespace zk
