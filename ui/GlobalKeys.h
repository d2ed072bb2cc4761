// System-wide key state for the keyboard poll ([Tastatur] "GlobalOn"): on an X11
// session the keymap is read with XQueryKeymap; a key counts as pressed when it
// went down since the previous query of that key, so holding it counts once.
// Without an X11 display (Wayland, offscreen) every key reads as up.
#pragma once

#include <array>

namespace zk {

// True when a window can be shown: a non-desktop Qt platform was chosen
// (offscreen, vnc, ...), or a Wayland or X11 display is reachable.
bool DisplayReachable();

class GlobalKeys {
public:
    GlobalKeys();
    ~GlobalKeys();
    GlobalKeys(const GlobalKeys&) = delete;
    GlobalKeys& operator=(const GlobalKeys&) = delete;

    bool Available() const { return display_ != nullptr; }
    // Key state as the poll reads it: 0x8001 pressed since the last query, 0x8000
    // held, 0 up. vk: 0x20 space, 0x57 W, 0x43 C; other keys read as up.
    // `ownWindowActive`: the program's own window has the focus, so its key
    // events already deliver the key; the state is tracked but reads as up.
    int State(int vk, bool ownWindowActive);

private:
    void* display_ = nullptr;  // Display*
    std::array<int, 3> keycode_{};
    std::array<bool, 3> down_{};
};

}  // namespace zk
