// The race commands as the windows call them. Every race button, key and menu
// item of the windows goes through here to race control; the windows themselves
// hold no race logic.
#pragma once

#include <string>

namespace zk {

class RaceSystem;

class RaceActions {
public:
    explicit RaceActions(RaceSystem& sys) : sys_(sys) {}

    void Start();
    void Stop();
    void Pause();
    void Resume();
    // btnSafetyCar: only while the race runs.
    void SafetyCarButton();
    // PowerBtn of lane 1..8: toggles the lane's track power.
    void TogglePower(int lane);
    // PowerAll: all lanes on.
    void PowerAllOn();
    // A key typed in a lap window (0 from the 100 ms poll).
    void Keys(char key);
    // A key typed in the standard window: also "S" start and "T" stop.
    void StandardKeys(char key);
    // Abort button of the start-light windows.
    void AbortStartLight();
    // A lap window is being closed by the user while it is the last one open.
    void LastWindowClosing();

    bool LanePowered(int lane) const;
    // Running or in the start light.
    bool RaceActive() const;
    // Enable states of btnPause and btnWeiter from the race's button set.
    bool PauseEnabled() const;
    bool WeiterEnabled() const;

    // Race modes and race length (menu "&Zeitmessung"). ChooseMode returns false
    // for a mode that race control does not offer here (the club modes).
    bool ChooseMode(int mode);
    void LapPreset(int i);
    void TimePreset(int i);
    // Input windows: text shown on load, every change, closing.
    std::string LapInputText() const;
    std::string TimeInputText() const;
    void LapInputChanged(const std::string& text);
    void TimeInputChanged(const std::string& text);
    void TimeInputClosed();
    // The time-race countdown as the lap windows show it (empty in other modes).
    std::string CountdownText() const;
    // Menu captions of the presets and race lengths.
    void RefreshCaptions();
    // Shows the lap windows marked open, or the default window when none is.
    void ShowWindows();

    // Lap-window bookkeeping: open-window flags and the count of open lap windows.
    void WindowLoaded(int windowNo);
    void WindowUnloaded(int windowNo);
    int OpenLapWindows() const;

private:
    RaceSystem& sys_;
};

}  // namespace zk
