// What the race windows show of race control, as plain data: the lamps of the
// two start-light windows, the race button sets, the mode menu captions, the
// window flags of the standard window and the teach-in indicators. Race control
// writes it; the windows only read it and call the race commands.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "race/RaceResult.h"

namespace zk {


// Lamps of frmStartampel and frmZusatzampel (both windows show the same).
// ltAmpel1 index 0..9: red lamps (pairs 0-1 ... 8-9), 10..14: green lamps,
// 15..22: false-start lamp of lane 1..8 (index = lane + 14). A lit lamp is drawn
// solid, a dark one with a diagonal cross; red lamps red, green lamps green.
struct StartampelAnzeige {
    static constexpr int kLampen = 23;
    std::array<bool, kLampen> lampeAn{};       // lit
    std::array<bool, kLampen> lampeSichtbar{};  // 15..22 appear only after a false start
    std::array<bool, 8> spurNrSichtbar{};       // SpurNr(lane - 1)
    StartampelAnzeige() {
        for (int i = 0; i < 15; ++i) lampeSichtbar[i] = true;
    }
};

// Lane-voltage labels, lanes 1..8 (element 0 unused).
struct NetzteilAnzeige {
    std::array<std::string, 9> spannung;     // frmKVPower SpurSpannung: the set voltage ("12,0 Volt")
    std::array<std::string, 9> wert;         // frmKVPower: the value last sent to the lane ("12,0 Volt")
    std::array<std::string, 9> rennleitung;  // race director: the value last sent ("12,0V")
};

// Race button sets of every lap window and of the race director.
enum class ButtonSatz { Stopped, Running, Paused };

struct RaceUiState {
    // --- start light ---
    StartampelAnzeige ampel;
    bool startampelOffen = false;
    bool zusatzampelOffen = false;
    std::string abbruchCaption = "A b b r u c h";

    // --- race buttons ---
    ButtonSatz buttons = ButtonSatz::Stopped;
    bool PauseEnabled() const { return buttons == ButtonSatz::Running; }   // btnPause
    bool WeiterEnabled() const { return buttons == ButtonSatz::Paused; }   // btnWeiter
    bool beendenEnabled = true;          // mnuBeenden of the main window
    int32_t safetyCarFarbe = kRgbHellgrau;  // btnSafetyCar of frmZeit4Spur

    // --- mode menu of the main window (UpdateLapTimeSettings) ---
    std::array<std::string, 6> rundenPresetCaption;  // 1..5: mnuZehnR .. mnuFuenfzig
    std::array<std::string, 6> zeitPresetCaption;    // 1..5: mnuZehnM .. mnuFuenfzigM
    std::string eingabeRundenCaption;                // mnuEingabeRunden
    std::string zeitvorgabeCaption;                  // mnuZeitvorgabe

    // --- window flags of the standard 4-lane window (True = -1) ---
    int16_t GesZeitSichtbar = 0;     // lblGesZeit
    int16_t ZmsInfoSichtbar = 0;     // btnZmsInfo
    int16_t SpwAnzeigeSichtbar = 0;  // lblSpwAnzeige

    // --- open lap windows (kept by the windows as they load and unload; the
    // open-window flags themselves are st.fenster.FensterOffen) ---
    int16_t OffeneZeitfenster = 0;

    // --- teach-in buttons and indicators of the settings dialog, inputs 1..10 ---
    std::array<std::string, 11> teachCaption;
    std::array<int32_t, 11> teachFarbe{};  // 49152 active, 255 inactive

    // --- lane voltages ---
    NetzteilAnzeige netzteil;
    // --- result of the last race that ended (not kept for a training) ---
    RennErgebnis ergebnis;
    std::string ergebnisZeit;                  // "YYYY-MM-DD hh:mm:ss" of its end
    std::vector<std::string> ergebnisDateien;  // files written (CSV, HTML)
    int ergebnisNummer = 0;                    // counts the results; the windows show a new one
};

}  // namespace zk
