// Reading and writing the settings file "Zirkato.ini": every section and key into
// and out of the settings object sys.cfg, the values derived from them in the
// race state, the open windows of the last run, the window positions, the
// drivers, and the corrections of files from older revisions.
//
// All operations take the race system and the settings file. The file is read
// afresh at the start of each operation (so keys that other code or another
// program wrote meanwhile are kept) and written once at its end.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "race/ZsaOptionen.h"

namespace zk {

class RaceSystem;
class ProfileFile;
class ProfileDocument;
struct Settings;

// Message of the write test at start-up.
inline constexpr const char* kIniReadOnlyText =
    "Achtung, das Zirkato.INI File ist schreibgeschützt. Einstellungen können nicht gespeichert werden";
inline constexpr const char* kIniReadOnlyCaption = "Achtung schreibschutz...";
// Message at start when the settings file exists but cannot be read; the text is
// followed by the file and the reason.
inline constexpr const char* kIniUnreadableText =
    "Achtung, das Zirkato.INI File kann nicht gelesen werden. Das Programm startet mit den "
    "Grundeinstellungen; die Datei bleibt unverändert, Einstellungen können nicht gespeichert werden.";
inline constexpr const char* kIniUnreadableCaption = "Achtung Lesefehler...";
// Message of any other failed save; the text is followed by the file and the reason.
inline constexpr const char* kIniSaveFailedText = "Die Einstellungen konnten nicht gespeichert werden.";
inline constexpr const char* kIniSaveFailedCaption = "Fehler beim Speichern";
inline constexpr const char* kIniSaveDuringSimulationText =
    "Die Einstellungen werden nicht gespeichert, solange die Simulation ohne Bahn l\xC3\xA4uft: "
    "sie hat die Lichtschranken-Einstellungen ersetzt.\nBitte die Simulation schlie\xC3\x9F" "en und dann speichern.";

// Revisions: what the writer stores in [Version] REV and [Valid] ValIniFile.
inline constexpr int kIniRevision = 107;
inline constexpr int kIniValidMarker = 10;

struct ReadIniOptions {
    // Write [Valid] ValIniFile = 10 back to a valid file and report a read-only
    // file. Off for tools that only inspect a file.
    bool writeTest = true;
};

struct ReadIniResult {
    bool valid = false;     // the file's values were read (else first-run values)
    bool readable = true;   // false: the file exists but could not be read
    bool writable = true;   // false: the write test failed (the message was shown)
};

// Reads every section except [OpenWindows] and [SoundFiles] into sys.cfg, or sets
// the first-run values when the file is missing or not valid; computes the
// derived values, applies the control-port bits of the input pins, corrects
// older revisions and finally lets the race state follow (sys.ApplySettings).
ReadIniResult ReadIniFile(RaceSystem& sys, ProfileFile& file, const ReadIniOptions& opt = {});

// Revision corrections (in memory).
void UpgradeIniRev106(Settings& s);
void UpgradeIniRev107(Settings& s);

// The SaveWindowSettings rule (ApplySaveWindowSettingsRule, OnSaveAllCleared)
// is with the settings dialog's options in race/ZsaOptionen.h.

// Opens (through UiPort::OpenWindow) every lap window that [OpenWindows] marks
// open (-1), when [AnsichtFenster] OpenTimeWindows is 1.
void ReadOpenWindows(RaceSystem& sys, ProfileFile& file);

// Writes all settings. While the port simulator has replaced the masks
// (SimMaskenAktiv = 1) nothing is written: it says so and returns false. Shows the progress window "frmSaveDisplay" and counts
// st.fenster.SpeicherFortschritt up to 100, calling `progress` at every step. A failed
// save is reported with a German message and returns false.
bool WriteIniFile(RaceSystem& sys, ProfileFile& file, const std::function<void(int)>& progress = {});
// The ten [OpenWindows] keys from the open-window flags.
bool WriteOpenWindows(RaceSystem& sys, ProfileFile& file);
// [SoundFiles] Sound01..Sound50 from the sound-file window's slots.
bool WriteSoundFiles(RaceSystem& sys, ProfileFile& file);
// The [WindowPositions] keys.
bool WriteWindowPositions(RaceSystem& sys, ProfileFile& file);
// The voltage key of one lane (1..8), as the lane-voltage window writes it.
bool WriteLaneVoltage(RaceSystem& sys, ProfileFile& file, int lane);

// Program end: WriteOpenWindows, then `closeWindows` (the windows store their
// positions as they close), then WriteIniFile when [Save] All = 1, else
// WriteWindowPositions when Speichern = 1. A failure is reported once.
bool SaveAtProgramEnd(RaceSystem& sys, ProfileFile& file, const std::function<void()>& closeWindows);

// The document part of WriteIniFile: writes every section into `doc` in the
// writer's order. `sectionDone` is called after each section.
void WriteSettingsDocument(RaceSystem& sys, ProfileDocument& doc, bool withWindowPositions,
                           const std::function<void()>& sectionDone = {});

// Every effective setting as "[Section] Key=value", in the reader's order, with
// the drivers ([AnzahlFahrer] Fahrer and [Fahrer] F 1 ...) before [Version] REV.
std::vector<std::string> SettingsDumpLines(const Settings& s);

// True for a key the settings reader knows (the key registry, [AnzahlFahrer]
// Fahrer and [Fahrer] "F n").
bool IsIniKey(const std::string& section, const std::string& key);

// A number as the writer stores it: one blank before a value that is not negative.
std::string IniIntText(int32_t v);
std::string IniRealText(double v);

}  // namespace zk
