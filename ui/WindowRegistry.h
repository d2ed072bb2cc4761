// The registry of the program's windows and the procedures that address all open
// lap windows at once (display output, clearing, rebuilding, locking).
//
// Windows are created when first opened and destroyed when closed, each from its
// row of the window table (base/Windows.h, ui/WindowTable.h). As a window opens
// and closes the registry sets and clears its open flag, places it from the
// settings' position tables and stores its position back, as the table says;
// it also keeps the request flag `FensterLeeren`.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <string>

#include "base/Windows.h"
#include "ui/ProgramWindow.h"

namespace zk {

class RaceSystem;
class LapWindow;
class DirectorWindow;
struct UiContext;

class WindowRegistry : public QObject {
    Q_OBJECT
public:
    explicit WindowRegistry(RaceSystem& sys);
    ~WindowRegistry() override;
    void SetContext(UiContext* ctx) { ctx_ = ctx; }

    // Number of open lap windows (kept by race control as windows load and unload;
    // the flags themselves are the race state's FensterOffen).
    int OffeneZeitfenster() const;
    // 1 = clear all windows at the next display output.
    int16_t FensterLeeren = 0;

    // Shows the window (creating it on first use) and brings it to the front.
    // Returns nullptr for a window that cannot be opened now.
    ProgramWindow* Open(Fenster f);
    void Close(Fenster f);
    ProgramWindow* Find(Fenster f) const;
    bool IsOpen(Fenster f) const { return Find(f) != nullptr; }
    // The same by window name ("frmZeit4Spur"); nothing for a name no window carries.
    QWidget* Open(const std::string& name);
    void Close(const std::string& name);
    QWidget* Find(const std::string& name) const;
    bool IsOpen(const std::string& name) const { return Find(name) != nullptr; }
    LapWindow* Lap(Fenster f) const;

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
    DirectorWindow* Director() const;
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
    ProgramWindow* Create(Fenster f);
    void OnUnloaded(ProgramWindow* w);
    // Sets or clears the window's open flag (a lap window's through race control,
    // which also counts the open lap windows).
    void MarkOpen(const FensterDaten& d, bool open);
    // Every open lap window, in the order of the window numbers.
    template <class Fn>
    void ForEachLapWindow(Fn fn) const;

    RaceSystem& sys_;
    UiContext* ctx_ = nullptr;
    std::array<QPointer<ProgramWindow>, kFensterAnzahl> windows_{};
    bool shuttingDown_ = false;
    int shownResult_ = 0;  // the race result last shown (RaceUiState::ergebnisNummer)
};

}  // namespace zk
