// What every window of the program is given: a read-only view of the race
// system it shows, the commands through which it changes anything in it, the
// race commands its buttons call, the registry of open windows, and the few
// main-window services a window may use.
#pragma once

#include <functional>

#include "base/Windows.h"

namespace zk {

class RaceSystem;
class RaceCommands;
class RaceActions;
class WindowRegistry;
class Zeitansage;
class ClubRennen;

struct UiContext {
    // Windows read the race system here; the compiler refuses a write.
    const RaceSystem& sys;
    // Every change a window makes to the race system, settings included.
    RaceCommands& cmd;
    RaceActions& race;
    WindowRegistry& registry;
    // Shows or hides the main window's diagnostics frame.
    std::function<void(bool)> showDebugFrame = [](bool) {};
    // Refreshes the race-length captions of the main window's menu.
    std::function<void()> updateLapTimeSettings = [] {};
    // Opens a window or, when it cannot be opened now, says so in the main
    // window's status line.
    std::function<void(Fenster)> openOrSay = [](Fenster) {};
    // Writes lane 1..8's set voltage to the settings file at once.
    std::function<void(int)> writeLaneVoltage = [](int) {};
    // The spoken lap times (sound-file windows audition through it); may be null.
    Zeitansage* ansage = nullptr;
    // Writes [SoundFiles] to the settings file.
    std::function<void()> writeSoundFiles = [] {};
    // Writes all settings to the settings file (the settings dialog's "speichern").
    std::function<void()> writeIniFile = [] {};
    // The club race of this program (heats, scores, the result window's buttons).
    ClubRennen* club = nullptr;
};

}  // namespace zk
