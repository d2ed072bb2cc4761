// The options of the settings dialog frmZSA, without widgets. Every control is
// known by its object name (arrays with "_" and the index: "txtLaps_0",
// "chkAZT_aktiv_2", "cmbOut1_1", "Ansicht_4"); the dialog hands each change to
// the functions below and afterwards shows every control as they report it, so
// exclusive options, chains and clamps are decided here alone.
//
// Text boxes take effect when the input is finished. Text that is not a number
// is refused: the last valid value stays and the box shows it again. A number
// outside the field's range is clamped and the box shows what was kept. Nothing
// here writes the settings file; the few options that must reach the file at
// once say so in their result (ZsaFolge), and the dialog lets the settings
// layer write it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/Settings.h"

namespace zk {

class RaceContext;

// What the dialog has to do after a change besides showing the new values.
struct ZsaFolge {
    bool allesSpeichern = false;     // write all settings now ("Einstellungen beim Beenden Speichern" ticked)
    uint16_t spannungSchreiben = 0;  // bit n: write lane n's voltage key now (gain 3.2 lowered it)
};

// --- text boxes ---
const std::vector<std::string>& ZsaTextfelder();
// What the box shows for the current setting.
std::string ZsaTextWert(const RaceContext& sys, std::string_view feld);
// A finished input; returns what the box shows afterwards.
std::string ZsaTextEingabe(RaceContext& sys, std::string_view feld, const std::string& text);

// --- check boxes (values 0/1) ---
const std::vector<std::string>& ZsaCheckboxen();
int16_t ZsaCheckWert(const RaceContext& sys, std::string_view box);
// Whether the box can be used right now (e.g. the bus devices only with the bus).
bool ZsaCheckFrei(const RaceContext& sys, std::string_view box);
ZsaFolge ZsaCheckSetzen(RaceContext& sys, std::string_view box, int16_t value);

// --- option buttons: pin roles, amplifier gain, digits spoken, start window,
// window-settings mode. Choosing one deselects the others of its group. ---
const std::vector<std::string>& ZsaOptionKnoepfe();
bool ZsaOptionGewaehlt(const RaceContext& sys, std::string_view option);
ZsaFolge ZsaOptionWaehlen(RaceContext& sys, std::string_view option);

// --- lists: "cmbPPort" (0 "ohne LPT", 1..3 "LPT1".."LPT3") and "cmbOut1_0".."cmbOut1_2"
// (0 "nicht vorhanden", 1 "PCF8574", 2 "PCF8574A") ---
int ZsaListeWert(const RaceContext& sys, std::string_view liste);
void ZsaListeWaehlen(RaceContext& sys, std::string_view liste, int index);

// --- lane colours: button btnTrackColor(k), k 0..7 text colour of lane k + 1,
// 8..15 background, 16..23 track colour; components 0..255 ---
Rgb ZsaFarbe(const Settings& cfg, int knopf);
void ZsaFarbeSetzen(RaceContext& sys, int knopf, Rgb farbe);

// SaveWindowSettings from [AnsichtFenster] Speichern and [Save] All: 1 -> 1;
// 2 -> 1 when All = 1, else unchanged; anything else -> 0. Applied after reading
// the settings and whenever the dialog's Speichern option changes.
void ApplySaveWindowSettingsRule(RaceContext& sys);
// "Einstellungen beim Beenden Speichern" unticked: with Speichern = 2 the window
// settings are no longer saved.
void OnSaveAllCleared(RaceContext& sys);

}  // namespace zk
