// The core's two doors into the user interface, implemented with Qt:
// QtUiPort (open and close windows, message boxes, list lines, key state) and
// QtWindowRefresh (the display output and the other refreshes of the windows).
#pragma once

#include <functional>

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "race/Components.h"
#include "base/UiPort.h"

namespace zk {

class WindowRegistry;
class GlobalKeys;

class QtUiPort : public UiPort {
public:
    QtUiPort(WindowRegistry& registry, GlobalKeys* keys) : registry_(registry), keys_(keys) {}
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    // Kept in Messages() and handed to the main window's status line.
    void ShowStatus(const std::string& text) override;
    void SetStatusSink(std::function<void(const std::string&)> sink) { statusSink_ = std::move(sink); }
    // A window the application cannot create is reported on stderr and in Messages().
    void OpenWindow(Fenster window) override;
    void CloseWindow(Fenster window) override;
    void AddListLine(const std::string& list, const std::string& line) override;
    int AsyncKeyState(int vk) override;

    // Messages shown so far (newest last), for the status line and tests.
    const std::vector<std::string>& Messages() const { return messages_; }
    // Message boxes are shown without waiting (the main loop keeps running).
    void SetQuiet(bool quiet) { quiet_ = quiet; }

private:
    WindowRegistry& registry_;
    GlobalKeys* keys_;
    std::vector<std::string> messages_;
    bool quiet_ = false;
    std::function<void(const std::string&)> statusSink_;
};

class QtWindowRefresh : public WindowRefresh {
public:
    explicit QtWindowRefresh(WindowRegistry& registry) : registry_(registry) {}
    void DisplayOutput() override;
    void ClearLapWindows() override;
    void FuelUpdate(int laneIndex0to7) override;
    void RefreshStandardWindow() override;
    void SettingsLiveView() override;

private:
    WindowRegistry& registry_;
};

}  // namespace zk
