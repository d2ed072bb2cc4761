// The registry of the program's windows and the procedures that address all open
// lap windows at once (display output, clearing, rebuilding, locking).
//
// Windows are created when first opened and destroyed when closed. The registry
// keeps the open-window flags `FensterOffen` (by window number), the count of open
// lap windows `OffeneZeitfenster` and the request flag `FensterLeeren`, and moves
// window positions between the windows and the settings' position tables.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "settings/Settings.h"

namespace zk {

class RaceSystem;
class LapWindow;
class Zeit4SpurWindow;
class StartLightWindow;
class ParPortSimWindow;
class ParPortDebugWindow;
class RennleitungWindow;
struct UiContext;

// The lap windows by name, in the order of the "&Ansicht" menu.
const std::vector<std::string>& LapWindowNames();
// [AnsichtFenster] "Ansicht" 1..8 -> window name ("" for any other value).
std::string DefaultWindowName(int ansicht);

class UpdateForms : public QObject {
    Q_OBJECT
public:
    explicit UpdateForms(RaceSystem& sys);
    ~UpdateForms() override;
    void SetContext(UiContext* ctx) { ctx_ = ctx; }

    // Number of open lap windows (kept by race control as windows load and unload;
    // the flags themselves are the race state's FensterOffen).
    int OffeneZeitfenster() const;
    // 1 = clear all windows at the next display output.
    int16_t FensterLeeren = 0;

    // Shows the window (creating it on first use) and brings it to the front.
    // Returns nullptr for a window this program does not have.
    QWidget* Open(const std::string& name);
    void Close(const std::string& name);
    QWidget* Find(const std::string& name) const;
    bool IsOpen(const std::string& name) const { return Find(name) != nullptr; }
    LapWindow* Lap(int windowNo) const;

    void DisplayOutput();
    void ClearAllWindows();
    void RebuildStandardWindow();
    // Mode-dependent fields of the standard window, keeping its contents.
    void RefreshStandardWindow();
    void DisableWindows();
    void EnableWindows();
    // Fuel label and bar of element i in every open lap window.
    void FuelUpdateAll(int i);
    // Reset of the race director: lane's best lap shows "0.000" in every lap window.
    void ShowBestLapReset(int lane);
    RennleitungWindow* Director() const;
    // Lamps of the start-light windows and the race buttons from the race state.
    void RefreshRaceViews();
    // Program end: closes every window, storing positions, without race actions.
    void CloseAllForShutdown();
    // The settings dialog's 100 ms pass and its live sensor view, while it is open.
    void SettingsLiveView();
    bool ShuttingDown() const { return shuttingDown_; }

signals:
    // A window was opened or closed (the main window updates its menus).
    void WindowsChanged();

private:
    QWidget* Create(const std::string& name);
    void OnLapUnloaded(LapWindow* w);
    void Forget(const std::string& name);

    RaceSystem& sys_;
    UiContext* ctx_ = nullptr;
    std::map<std::string, QPointer<QWidget>> windows_;
    bool shuttingDown_ = false;
    int shownResult_ = 0;  // the race result last shown (RaceUiState::ergebnisNummer)
};

}  // namespace zk
