// The race commands as the windows call them. Every race button, key and menu
// item of the windows goes through here to the race control of the core; the
// windows themselves hold no race logic.
#pragma once

#include <cstdint>
#include <string>

namespace zk {

class RaceSystem;

class RaceActions {
public:
    explicit RaceActions(RaceSystem& sys) : sys_(sys) {}
    virtual ~RaceActions() = default;

    void Start();
    void Stop();
    void Pause();
    void Resume();
    // btnSafetyCar: only while the race runs.
    void SafetyCarButton();
    // PowerBtn: toggles the lane's track power.
    void TogglePower(int lane);
    // PowerAll: all lanes on.
    void PowerAllOn();
    // A typed key (or 0 from the 100 ms poll) for the keyboard poll.
    void Keys(char key);
    // Abort button of the start-light windows.
    void AbortStartLight();
    // Program start: track power on, safety car off (normal lane voltages).
    void InitPowerAndVoltages();

    bool LanePowered(int lane) const;
    bool RaceRunning() const;
    // Running or in the start light.
    bool RaceActive() const;
    // Enable states of btnPause and btnWeiter from the race's button set.
    bool PauseEnabled() const;
    bool WeiterEnabled() const;

    // Race modes and race length (menu "&Zeitmessung").
    void ChooseMode(int mode);
    void SetLaps(int16_t laps);
    void SetMinutes(int16_t minutes);
    // Input windows: text as typed; invalid text changes nothing.
    void LapInputChanged(const std::string& text);
    void TimeInputChanged(const std::string& text);
    void TimeInputClosed();
    // Captions of the race-length submenus: "Runden : 10", "Zeitvorgabe : 5".
    std::string LapsCaption() const;
    std::string MinutesCaption() const;

private:
    RaceSystem& sys_;
};

}  // namespace zk
