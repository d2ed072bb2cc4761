// How the user interface builds and places each window of the window table
// (base/Windows.h), one row per window identifier. The registry (WindowRegistry)
// opens, places, flags and forgets every window from these two tables alone.
#pragma once

#include <cstdint>

#include "base/Windows.h"

namespace zk {

class ProgramWindow;
struct UiContext;

// What the registry does with a window's stored position (the slot of its
// FensterAblage) as the window opens and closes.
enum class Placement : uint8_t {
    None,
    Position,
    // Position, stored only while the window's top edge is not above the screen.
    PositionIfTopShown,
    PositionAndSize,
};

struct WindowRow {
    Fenster id;
    // Builds the window; nullptr when it cannot exist in this program.
    ProgramWindow* (*create)(UiContext& ctx);
    Placement placement;
    // Takes the keyboard when opened. The start lights, the save progress and
    // the results leave it with the lap windows.
    bool activate;
};

const WindowRow& WindowRowOf(Fenster f);

}  // namespace zk
