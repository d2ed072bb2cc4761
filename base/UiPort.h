// The narrow interface through which the core reaches the user interface: open
// or close a window, show a message box with a fixed German text, add a line to
// a list, ask for the state of a key. The Qt application implements it; tests
// implement it with a recorder. UI thread only.
#pragma once

#include <string>

#include "base/Windows.h"

namespace zk {

enum class MessageIcon { Information, Warning, Critical };

class UiPort {
public:
    virtual ~UiPort() = default;
    virtual void ShowMessage(const std::string& /*text*/, const std::string& /*caption*/, MessageIcon /*icon*/) {}
    // One line in the main window's status line; never waits for the user.
    virtual void ShowStatus(const std::string& /*text*/) {}
    virtual void OpenWindow(Fenster /*window*/) {}
    virtual void CloseWindow(Fenster /*window*/) {}
    virtual void AddListLine(const std::string& /*list*/, const std::string& /*line*/) {}
    // System-wide key state for the keyboard poll ([Tastatur] "GlobalOn"):
    // 0x8001 or 1 = pressed since the last query, 0x8000 = merely held, 0 = up.
    // vk: 0x20 space, 0x57 W, 0x43 C.
    virtual int AsyncKeyState(int /*vk*/) { return 0; }
};

}  // namespace zk
