// The numbers the whole program agrees on, named once.
#pragma once

#include <array>
#include <cstdint>

namespace zk {

// Lanes 1..8.
constexpr int kLanes = 8;

// An array indexed by lane 1..8; element 0 carries no lane.
template <class T>
using LaneArray = std::array<T, kLanes + 1>;

// The 1 ms tick and the 100 ms cycle (lap evaluation, windows, race end,
// start-light steps).
constexpr int kTickMs = 1;
constexpr int kCycleMs = 100;

// The lockout after a crossing never falls below this, whatever the settings
// say. The tick stamps a crossing into Durchfahrt and the cycle reads it up to
// kCycleMs later: the lockout must outlast the cycle, or a second crossing could
// overwrite a stamp before it is evaluated.
constexpr int kLockoutFloorMs = 500;
static_assert(kLockoutFloorMs > kCycleMs, "a crossing must be evaluated before the lane can cross again");

// The two control-register bits of the two-wire bus (pins 14 and 17). The bus
// engine on the tick owns them; race control asks it to release them.
constexpr uint8_t kBusScl = 0x02;  // control bit 1, pin 14
constexpr uint8_t kBusSda = 0x08;  // control bit 3, pin 17
constexpr uint8_t kBusLineBits = kBusScl | kBusSda;

// Serial display boards: messages start with "B" and an address letter. The
// four-board type has three addresses per lane: lap count 'A' + 3 * lane, lap
// time one above, fuel two above; the old single board one letter per lane from
// 'C' + lane.
constexpr char kBoardPrefix = 'B';
constexpr char BoardLapCountAddr(int lane) { return static_cast<char>('A' + 3 * lane); }
constexpr char BoardLapTimeAddr(int lane) { return static_cast<char>('B' + 3 * lane); }
constexpr char BoardFuelAddr(int lane) { return static_cast<char>('C' + 3 * lane); }
constexpr char OldBoardAddr(int lane) { return static_cast<char>('C' + lane); }

// Colours as the windows take them (0x00BBGGRR).
constexpr int32_t kRgbGruen = 0x00C000;     // RGB(0, 192, 0)
constexpr int32_t kRgbGelb = 0x00FFFF;      // RGB(255, 255, 0)
constexpr int32_t kRgbRot = 0x0000FF;       // RGB(255, 0, 0)
constexpr int32_t kRgbHellgrau = 0xE0E0E0;  // RGB(224, 224, 224)

}  // namespace zk
