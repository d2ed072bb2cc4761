// Race modes and race set-up: the mode choices of the main window's menu
// "&Zeitmessung", the lap and time presets, the two input windows, the menu
// captions, and the lap-window bookkeeping the mode choice needs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/Windows.h"

namespace zk {

class RaceContext;

// Menu choice of a race mode: 0 "&Training", 1 "&Rundenrennen", 2 "&Zeitrennen",
// 3 "&Clubrennen", 4 "ClubRundenRennen", 5 "ClubZeitRennen". Sets the mode and
// its title, prepares it and shows the lap windows. Returns false, with the mode
// unchanged, for a club mode whose drivers are not confirmed (the caller shows
// the driver window instead) and for unknown modes.
bool ChooseRaceMode(RaceContext& sys, int mode);

// Prepares the chosen mode (fuel constants, window flags, countdown).
void SetupRaceMode(RaceContext& sys);
// Shows every lap window marked open; with none open the default window of
// [AnsichtFenster] "Ansicht".
void ShowRaceWindows(RaceContext& sys);

// Presets L1..L5 / T1..T5 (i = 1..5): store the preset and update the submenu
// caption. Mode and title stay as they are.
void ChooseLapPreset(RaceContext& sys, int i);
void ChooseTimePreset(RaceContext& sys, int i);

// Text-to-number conversion of the input windows: a 16-bit integer, rounded
// half to even ("12.5" -> 12, "13,5" -> 14); nothing for text that is empty,
// not a number or outside -32768..32767.
std::optional<int16_t> EingabeZahl(const std::string& text);

// frmRundeneingabe: text shown on load, and every change of the text. Lap
// counts below 1 are refused like text that is no number: the last value stays.
std::string LapInputText(const RaceContext& sys);
void LapInputChanged(RaceContext& sys, const std::string& text);
// frmZeiteingabe: the same for minutes (negative ones refused); 0 minutes
// become 6, as closing the window has always made them. Every accepted value
// shows in the menu caption and, in an idle time race, in the countdown.
std::string TimeInputText(const RaceContext& sys);
void TimeInputChanged(RaceContext& sys, const std::string& text);
void TimeInputClose(RaceContext& sys);

// The time-race countdown of the lap windows ("01:30:00"); empty in modes
// without one.
std::string CountdownText(const RaceContext& sys);

// Preset and submenu captions (at start-up and when the settings dialog closes).
void UpdateLapTimeSettings(RaceContext& sys);

// Lap-window bookkeeping (Form_Load / Form_Unload of every lap window).
// `windowNo` is the window number of settings/Settings.h (WindowNo).
void LapWindowLoaded(RaceContext& sys, int windowNo);
void LapWindowUnloaded(RaceContext& sys, int windowNo);
// The lap window with that window number (nothing for numbers without one).
std::optional<Fenster> LapWindow(int windowNo);

// "Rundenrennen über  10 Runden": a number formatted with a leading blank when
// it is not negative.
std::string ZahlMitVorzeichenstelle(int v);

}  // namespace zk
