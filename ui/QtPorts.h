// The core's two doors into the user interface, implemented with Qt:
// QtUiPort (open and close windows, message boxes, list lines, key state) and
// QtWindowRefresh (the display output and the other refreshes of the windows).
#pragma once

#include <functional>

#include <QPointer>
#include <QString>
#include <QWidget>
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
    // Message boxes belong to `owner` (the main window): the window manager keeps
    // them in front of it. Until ShowHeld() they are held back, so the messages
    // of start-up appear after, and over, the main window.
    void SetOwner(QWidget* owner) { owner_ = owner; }
    void HoldMessages() { holding_ = true; }
    void ShowHeld();
    // Shows `box` now, or with the held messages while they are held.
    void ShowBox(QWidget* box);

private:
    WindowRegistry& registry_;
    GlobalKeys* keys_;
    std::vector<std::string> messages_;
    bool quiet_ = false;
    bool holding_ = false;
    QPointer<QWidget> owner_;
    std::vector<QPointer<QWidget>> held_;
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
