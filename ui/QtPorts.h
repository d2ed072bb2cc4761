// The core's two doors into the user interface, implemented with Qt:
// QtUiPort (open and close windows, message boxes, list lines) and UiHooks (the
// display output and the other calls of the 100 ms cycle that reach the windows).
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "race/Hooks.h"
#include "base/UiPort.h"

namespace zk {

class UpdateForms;
class GlobalKeys;
class RaceSystem;

class QtUiPort : public UiPort {
public:
    explicit QtUiPort(UpdateForms& forms) : forms_(forms) {}
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void OpenWindow(const std::string& name) override;
    void CloseWindow(const std::string& name) override;
    void AddListLine(const std::string& list, const std::string& line) override;

    // Messages shown so far (newest last), for the status line and tests.
    const std::vector<std::string>& Messages() const { return messages_; }
    // Message boxes are shown without waiting (the main loop keeps running).
    void SetQuiet(bool quiet) { quiet_ = quiet; }

private:
    UpdateForms& forms_;
    std::vector<std::string> messages_;
    bool quiet_ = false;
};

class UiHooks : public RaceHooks {
public:
    UiHooks(RaceSystem& sys, UpdateForms& forms, GlobalKeys* keys) : sys_(sys), forms_(forms), keys_(keys) {}
    void DisplayOutput() override;
    void ClearLapWindows() override;
    void FuelUpdate(int laneIndex0to7) override;
    void RefreshStandardWindow() override;
    int AsyncKeyState(int vk) override;

private:
    RaceSystem& sys_;
    UpdateForms& forms_;
    GlobalKeys* keys_;
};

}  // namespace zk
