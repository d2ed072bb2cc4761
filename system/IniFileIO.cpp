#include "system/IniFileIO.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "race/Fahrer.h"
#include "race/Lpt.h"
#include "race/PowerValues.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileParse.h"
#include "settings/Settings.h"
#include "system/RaceSystem.h"

namespace zk {

namespace {

constexpr size_t kTextBuffer = 32;  // characters read for reals and driver names (incl. terminator)

// "Sound01" .. "Sound50".
std::string SoundFileKey(int n) {
    return std::string("Sound") + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10);
}

std::string FahrerKey(int i) { return "F " + std::to_string(i); }

bool IsRegistryKey(const KeyDef& d, const char* section, const char* key) {
    return d.section == section && d.key == key;
}

void ReadKey(const ProfileDocument& doc, Settings& c, const KeyDef& d) {
    // Reals are read as text into the 32-character buffer; integers with the
    // profile integer parse, where a missing or empty value gives 1.
    const bool real = d.type == KeyType::Real || d.type == KeyType::RealInt;
    const size_t buffer = real ? kTextBuffer : std::numeric_limits<size_t>::max();
    SetKeyFromText(c, d, doc.GetString(d.section, d.key, "", buffer),
                   d.missingIsFirstRun ? static_cast<int32_t>(d.firstRun) : 1);
    if (!d.atLeast) return;
    if (d.type == KeyType::Int16) {
        int16_t& v = *d.int16At(c, d.index);
        v = std::max<int16_t>(v, static_cast<int16_t>(*d.atLeast));
    } else if (d.realAt) {
        double& v = *d.realAt(c, d.index);
        v = std::max(v, *d.atLeast);
    }
}

std::string FileText(const Settings& cs, const KeyDef& d) {
    auto& c = const_cast<Settings&>(cs);  // accessors only read here
    switch (d.type) {
        case KeyType::Int16:
            return IniIntText(*d.int16At(c, d.index));
        case KeyType::Byte:
            return IniIntText(*d.byteAt(c, d.index));
        case KeyType::Real:
        case KeyType::RealInt:
            return IniRealText(*d.realAt(c, d.index));
        case KeyType::Centi:
            return IniIntText(RoundToInt16(*d.realAt(c, d.index) * 100.0));
    }
    return {};
}

void PutStep(ProfileDocument& doc, const Settings& c, WriteStep step) {
    for (const KeyDef* d : KeysOfWriteStep(step)) doc.Set(d->section, d->key, FileText(c, *d));
}

const KeyDef* LaneVoltageKey(int lane) {
    for (const KeyDef* d : KeysOfWriteStep(WriteStep::LaneVoltages))
        if (d->type == KeyType::Real && d->index == lane) return d;
    return nullptr;
}

void ReportSaveFailure(RaceSystem& sys, const ProfileFile& file) {
    sys.ui().ShowMessage(std::string(kIniSaveFailedText) + "\n" + file.Path() + ": " + file.Error(),
                         kIniSaveFailedCaption, MessageIcon::Critical);
}

void SetControlBits(RaceSystem& sys, uint8_t clear, uint8_t set) {
    if (clear != 0) sys.st.LptSteuer.ClearBits(clear);
    if (set != 0) sys.st.LptSteuer.SetBits(set);
    LptSteuerAusgeben(sys);
}

// Derived values and flags that follow the settings just read or defaulted.
void FollowSettings(RaceSystem& sys) {
    DerivePowerValues(sys);
    sys.st.fenster.BahnspannungMenuEin = sys.cfg.KVPowerSetup.I2C_Netzteil == 1;
    ApplySaveWindowSettingsRule(sys);
}

bool WriteIniFileImpl(RaceSystem& sys, ProfileFile& file, const std::function<void(int)>& progress, bool report) {
    RaceState& st = sys.st;
    if (st.fenster.SimMaskenAktiv != 0) {
        // The port simulator has replaced the sensor wiring; a save now could
        // keep its wiring as the track's. Nothing is written, and the user is
        // told why (at program end the simulator is closed before the save).
        if (report) sys.ui().ShowMessage(kIniSaveDuringSimulationText, kIniSaveFailedCaption, MessageIcon::Warning);
        return false;
    }
    sys.ui().OpenWindow(Fenster::SaveDisplay);
    auto show = [&](int percent) {
        st.fenster.SpeicherFortschritt = static_cast<int16_t>(percent);
        if (progress) progress(percent);
    };
    show(0);
    bool ok = file.Load();
    if (ok) {
        WriteSettingsDocument(sys, file.Doc(), st.fenster.SaveWindowSettings != 0,
                              [&] { show(std::min(st.fenster.SpeicherFortschritt + 1, 99)); });
        show(100);
        ok = file.Save();
    }
    sys.ui().CloseWindow(Fenster::SaveDisplay);
    if (!ok && report) ReportSaveFailure(sys, file);
    return ok;
}

bool WriteOpenWindowsImpl(RaceSystem& sys, ProfileFile& file, bool report) {
    if (file.Load()) {
        const auto flag = [](int16_t v) { return IniIntText(v != 0 ? kTrue : kFalse); };
        const auto& f = sys.st.fenster.FensterOffen;
        ProfileDocument& doc = file.Doc();
        doc.Set("OpenWindows", "KV3LaneOpen", flag(f[kWinKV3]));
        doc.Set("OpenWindows", "KV4LaneOpen", flag(f[kWinKV5]));
        doc.Set("OpenWindows", "KV6LaneOpen", flag(f[kWinKV6]));
        doc.Set("OpenWindows", "KV4NeuLaneOpen", flag(f[kWinKV4Neu]));
        doc.Set("OpenWindows", "KV2LaneOpen", flag(f[kWinKV2]));
        doc.Set("OpenWindows", "KV48NeuLaneOpen", flag(f[kWinKV48Neu]));
        doc.Set("OpenWindows", "KV8LaneOpen", flag(f[kWinKV8]));
        doc.Set("OpenWindows", "Std4Open", flag(f[kWinStd4]));
        doc.Set("OpenWindows", "RennOpen", flag(f[kWinRennleitung]));
        doc.Set("OpenWindows", "PPSimOpen", flag(sys.st.fenster.FensterOffen2[kWinParPortSim]));
        if (file.Save()) return true;
    }
    if (report) ReportSaveFailure(sys, file);
    return false;
}

bool WriteSoundFilesImpl(RaceSystem& sys, ProfileFile& file, bool report) {
    if (file.Load()) {
        for (int n = 1; n <= 50; ++n) file.Doc().Set("SoundFiles", SoundFileKey(n), sys.cfg.SoundFiles[n]);
        if (file.Save()) return true;
    }
    if (report) ReportSaveFailure(sys, file);
    return false;
}

bool WriteWindowPositionsImpl(RaceSystem& sys, ProfileFile& file, bool report) {
    if (file.Load()) {
        PutStep(file.Doc(), sys.cfg, WriteStep::WindowPositions);
        if (file.Save()) return true;
    }
    if (report) ReportSaveFailure(sys, file);
    return false;
}

}  // namespace

std::string IniIntText(int32_t v) { return v < 0 ? std::to_string(v) : " " + std::to_string(v); }

std::string IniRealText(double v) {
    const std::string t = FormatReal(v);
    return t[0] == '-' ? t : " " + t;
}

void UpgradeIniRev106(Settings& s) {
    s.AZT.Aktiv[4] = 0;
    s.TAZ.LED = 0;
    s.Lpt.Chaos = 0;
    s.Lpt.Gelbphase = 0;
    s.Lpt.Pin1Rot = 0;
    s.Lpt.Pin16Gruen = 0;
    s.Lpt.Pin16Rot = 0;
    s.Lpt.PinI2CInput = 0;
    s.Lpt.Pin1Input = 1;
    s.Lpt.Pin16Input = 1;
    s.Lpt.PinI2COutput = 1;
    s.Tastatur.GlobalOn = 1;
    for (int n : {7, 8}) {
        s.Farben.S[n] = {255, 255, 255};
        s.Farben.FS[n] = {0, 0, 0};
    }
    s.Farben.TS[7] = {255, 160, 140};
    s.Farben.TS[8] = {235, 160, 0};
    auto& w = s.WindowPositions;
    for (int no : {kWinKV3, kWinKV5, kWinKV6, kWinKV4Neu, kWinKV2, kWinKV48Neu}) {
        w.Height[no] = 9000;
        w.Width[no] = 12075;
    }
    w.Height[kWinKV8] = 11145;
    w.Width[kWinKV8] = 14730;
}

void UpgradeIniRev107(Settings& s) {
    s.AZT.AlteAZT = 1;
    s.Tankoption.BoxTank = 0;
}

ReadIniResult ReadIniFile(RaceSystem& sys, ProfileFile& file, const ReadIniOptions& opt) {
    ReadIniResult r;
    r.readable = file.Load();
    if (!r.readable)
        sys.ui().ShowMessage(std::string(kIniUnreadableText) + "\n" + file.Path() + ": " + file.Error(),
                             kIniUnreadableCaption, MessageIcon::Critical);
    const ProfileDocument& doc = file.Doc();
    Settings& c = sys.cfg;

    const int32_t valid = doc.GetInt("Valid", "ValIniFile", 1);
    if (valid == 1) {
        // No settings file (or not one of ours): first-run values. The derived
        // values follow them too, so the converter values and the fuel table are
        // right before any window or option recomputes them, and a first save
        // includes the window positions that the first-run Speichern = 1 asks for.
        SetIniDefaults(c);
        sys.st.spannung.VoltFaktor = 16;
        FollowSettings(sys);
        sys.ApplySettings();
        return r;
    }
    r.valid = true;
    c.Valid.ValIniFile = ClampInt16(valid);

    if (opt.writeTest) {
        file.Doc().Set("Valid", "ValIniFile", IniIntText(kIniValidMarker));
        if (!file.Save()) {
            r.writable = false;
            sys.ui().ShowMessage(kIniReadOnlyText, kIniReadOnlyCaption, MessageIcon::Critical);
        }
    }

    // Every key of the table in its order, with the table's lower limits
    // (lockout at least 500 ms, lane voltages at least 4 V).
    for (const KeyDef& d : SettingsKeys())
        if (!d.readApart) ReadKey(doc, c, d);
    FollowSettings(sys);

    // Drivers: slots 1..Fahrer; a key that is missing leaves its slot empty.
    c.AnzahlFahrer.Fahrer = ClampInt16(doc.GetInt("AnzahlFahrer", "Fahrer", 1));
    c.Fahrer.clear();
    for (int i = 1; i <= c.AnzahlFahrer.Fahrer; ++i)
        c.Fahrer.push_back(doc.GetString("Fahrer", FahrerKey(i), "", kTextBuffer));
    if (c.Fahrer.empty()) c.Fahrer.emplace_back();
    if (c.Fahrer[0].empty()) c.Fahrer[0] = "TAVO";

    // The sensor source and the board's device (see Settings::Lpt).
    c.Lpt.Sensoren = doc.GetInt("Lpt", "Sensoren", 0) == 1 ? int16_t{1} : int16_t{0};
    c.Lpt.Sensorboard = doc.GetString("Lpt", "Sensorboard", kSensorboardStandard, 256);

    // The sound-file window's slots, so that it shows what was chosen last.
    for (int n = 1; n <= 50; ++n) c.SoundFiles[n] = doc.GetString("SoundFiles", SoundFileKey(n), "", kTextBuffer);

    // Lines configured as inputs float high. The port base follows the file first,
    // so the writes reach the configured port.
    sys.ApplySettings();
    if (c.Lpt.Pin1Input == 1) SetControlBits(sys, 0x01, 0);
    if (c.Lpt.PinI2CInput == 1) SetControlBits(sys, 0x0A, 0);
    if (c.Lpt.Pin16Input == 1) SetControlBits(sys, 0, 0x04);

    c.Version.REV = ClampInt16(doc.GetInt("Version", "REV", 1));
    if (c.Version.REV < 106) UpgradeIniRev106(c);
    if (c.Version.REV < 107) UpgradeIniRev107(c);
    sys.ApplySettings();
    return r;
}

void ReadOpenWindows(RaceSystem& sys, ProfileFile& file) {
    if (sys.cfg.AnsichtFenster.OpenTimeWindows != 1) return;
    file.Load();
    static const std::pair<const char*, Fenster> kWindows[] = {
        {"KV3LaneOpen", Fenster::KVZeit3Spur},         {"KV2LaneOpen", Fenster::KVZeit2Spur},
        {"KV4LaneOpen", Fenster::KVZeit5Spur},         {"KV6LaneOpen", Fenster::KVZeit6Spur},
        {"KV8LaneOpen", Fenster::KVZeit8Spur},         {"KV4NeuLaneOpen", Fenster::KVZeit4SpurNeu},
        {"KV48NeuLaneOpen", Fenster::KVZeit48SpurNeu}, {"Std4Open", Fenster::Zeit4Spur},
    };
    for (const auto& [key, window] : kWindows)
        if (file.Doc().GetInt("OpenWindows", key, 1) == -1) sys.ui().OpenWindow(window);
}

void WriteSettingsDocument(RaceSystem& sys, ProfileDocument& doc, bool withWindowPositions,
                           const std::function<void()>& sectionDone) {
    Settings& c = sys.cfg;
    RaceState& st = sys.st;
    c.Version.REV = kIniRevision;
    c.Valid.ValIniFile = kIniValidMarker;
    for (int i = 0; i < static_cast<int>(WriteStep::Count); ++i) {
        const auto step = static_cast<WriteStep>(i);
        if (step == WriteStep::WindowPositions && !withWindowPositions) continue;
        // The boards cannot show lap count and lap time at once: such a
        // combination switches the board display off.
        if (step == WriteStep::AZT && c.AZT.Laps == 1 && c.AZT.Time == 1) {
            c.AZT.Aktiv[1] = 0;
            c.AZT.Uhr = 0;
            c.AZT.Laps = 0;
            c.AZT.Time = 0;
            c.AZT.Position = 0;
        }
        PutStep(doc, c, step);
        if (sectionDone) sectionDone();
    }
    // The sensor board's device: only once a board was chosen or named, so a
    // file of a program with the port keeps its lines.
    if (c.Lpt.Sensoren != 0 || c.Lpt.Sensorboard != kSensorboardStandard || doc.Value("Lpt", "Sensoren")) {
        doc.Set("Lpt", "Sensoren", IniIntText(c.Lpt.Sensoren));
        doc.Set("Lpt", "Sensorboard", c.Lpt.Sensorboard);
    }

    // Drivers: the pool up to its first empty slot, then the active-driver list,
    // so that every known driver is kept, also when all of them are active and
    // the pool is empty. Empty active names are left out: read back, an empty
    // slot would end the pool and hide every name after it. Without any name
    // nothing is written.
    int n = 0;
    for (const auto& name : c.Fahrer) {
        if (name.empty()) break;
        doc.Set("Fahrer", FahrerKey(++n), name);
    }
    const int d = std::clamp<int>(st.fahrer.AnzahlClubFahrer, 0, kMaxClubFahrer);
    for (int k = 1; k <= d; ++k)
        if (!st.fahrer.ClubFahrer[k].empty()) doc.Set("Fahrer", FahrerKey(++n), st.fahrer.ClubFahrer[k]);
    if (n > 0) {
        c.AnzahlFahrer.Fahrer = ClampInt16(n);
        doc.Set("AnzahlFahrer", "Fahrer", IniIntText(n));
    }
}

bool WriteIniFile(RaceSystem& sys, ProfileFile& file, const std::function<void(int)>& progress) {
    return WriteIniFileImpl(sys, file, progress, true);
}

bool WriteSoundFiles(RaceSystem& sys, ProfileFile& file) { return WriteSoundFilesImpl(sys, file, true); }

bool WriteOpenWindows(RaceSystem& sys, ProfileFile& file) { return WriteOpenWindowsImpl(sys, file, true); }

bool WriteWindowPositions(RaceSystem& sys, ProfileFile& file) { return WriteWindowPositionsImpl(sys, file, true); }

bool WriteLaneVoltage(RaceSystem& sys, ProfileFile& file, int lane) {
    if (lane < 1 || lane > kLanes) return false;
    sys.cfg.KVPowerSetup.SpurSpannung[lane] = sys.st.spannung.SpurVolt[lane];
    const KeyDef* d = LaneVoltageKey(lane);
    if (d && file.WriteString(d->section, d->key, FileText(sys.cfg, *d))) return true;
    ReportSaveFailure(sys, file);
    return false;
}

bool SaveAtProgramEnd(RaceSystem& sys, ProfileFile& file, const std::function<void()>& closeWindows) {
    std::string firstError;
    auto note = [&](bool ok) {
        if (!ok && firstError.empty()) firstError = file.Error().empty() ? "unbekannter Fehler" : file.Error();
    };
    note(WriteOpenWindowsImpl(sys, file, false));
    if (closeWindows) closeWindows();
    if (sys.cfg.Save.All == 1) {
        note(WriteIniFileImpl(sys, file, {}, false));
    } else if (sys.cfg.AnsichtFenster.Speichern == 1) {
        note(WriteWindowPositionsImpl(sys, file, false));
    }
    if (firstError.empty()) return true;
    sys.ui().ShowMessage(std::string(kIniSaveFailedText) + "\n" + file.Path() + ": " + firstError,
                         kIniSaveFailedCaption, MessageIcon::Critical);
    return false;
}

std::vector<std::string> SettingsDumpLines(const Settings& s) {
    std::vector<std::string> out;
    for (const KeyDef& d : SettingsKeys()) {
        if (IsRegistryKey(d, "Version", "REV")) {
            out.push_back("[AnzahlFahrer] Fahrer=" + std::to_string(s.AnzahlFahrer.Fahrer));
            for (size_t i = 0; i < s.Fahrer.size(); ++i)
                out.push_back("[Fahrer] " + FahrerKey(static_cast<int>(i + 1)) + "=" + s.Fahrer[i]);
        }
        out.push_back("[" + d.section + "] " + d.key + "=" + KeyValueText(s, d));
    }
    return out;
}

bool IsIniKey(const std::string& section, const std::string& key) {
    if (FindSettingsKey(section, key)) return true;
    if (ProfileNameEquals(section, "AnzahlFahrer")) return ProfileNameEquals(key, "Fahrer");
    if (!ProfileNameEquals(section, "Fahrer")) return false;
    const std::string_view k = TrimBlanks(key);
    if (k.size() < 3 || (k[0] != 'F' && k[0] != 'f') || k[1] != ' ') return false;
    return std::all_of(k.begin() + 2, k.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

}  // namespace zk
