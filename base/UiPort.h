// The narrow interface through which the core reaches the user interface: open
// or close a window, show a message box with a fixed German text, add a line to
// a list. The Qt application implements it; tests implement it with a recorder.
#pragma once

#include <string>

namespace zk {

enum class MessageIcon { Information, Warning, Critical };

class UiPort {
public:
    virtual ~UiPort() = default;
    virtual void ShowMessage(const std::string& /*text*/, const std::string& /*caption*/, MessageIcon /*icon*/) {}
    virtual void OpenWindow(const std::string& /*name*/) {}
    virtual void CloseWindow(const std::string& /*name*/) {}
    virtual void AddListLine(const std::string& /*list*/, const std::string& /*line*/) {}
};

}  // namespace zk
