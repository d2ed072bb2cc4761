#include "settings/Settings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "settings/ProfileParse.h"

namespace zk {

void SetIniDefaults(Settings& s) {
    s = Settings{};
    s.FrmRennleitung.RL = 0;
    s.AktiveSpuren.Spur = {0, 1, 0, 0, 1, 0, 0, 0, 0};
    for (int n = 1; n <= 8; ++n) {
        s.Masken.CS[n] = 0;
        s.Masken.MS[n] = 0;
    }
    s.Bahnstrom.InvertPowerRelais = 0;
    s.Bahnstrom.LptStrom = 0;
    s.Audio.Zeitansage = 0;
    s.Audio.AutoOff = 1;
    s.LiZeit.Minimum = 5000;
    s.LiZeit.MinLength = 10;
    s.NachZeit.Nachzeit = 200;
    s.ZrMitWechsel.Wechsel = 0;
    s.Startampel.Interval = 800;
    s.Tastatur.GlobalOn = 1;
    s.KavelinExtension.AudioNumDigits = 2;
    s.KVPowerSetup.Korrektur = 0;
    s.KVPowerSetup.Gain1 = 1;
    s.KVPowerSetup.Gain2 = 0;
    for (int n = 1; n <= 8; ++n) s.KVPowerSetup.SpurSpannung[n] = 12.0;
    s.KVPowerSetup.I2C_Netzteil = 0;
    s.KVPowerSetup.MaxVoltage = 16.0;
    s.KVPowerSetup.VoltHub = 1.0;
    s.KVPowerSetup.VolleVolt = 40.0;
    auto& t = s.Tankoption;
    t.Rundenverbrauch = 7;
    t.Tankinhalt = 100;
    t.Tankgeschwindigkeit = 6;
    t.Normrunde = 5000;
    t.Stillstand = 800;
    t.Tankoption = 0;
    t.StromAusBeiTankLeer = 0;
    t.StrafeBeiLeeremTank = 0;
    t.MitTnt = 0;
    t.MitTrocken = 0;
    t.TrockenSpannung = 0;
    t.BoxTank = 0;
    for (int n = 1; n <= 6; ++n) s.Farben.S[n] = {255, 255, 255};
    for (int n = 1; n <= 8; ++n) s.Farben.FS[n] = {0, 0, 0};
    s.Farben.TS[1] = {0, 0, 255};
    s.Farben.TS[2] = {255, 0, 0};
    s.Farben.TS[3] = {255, 255, 0};
    s.Farben.TS[4] = {0, 255, 0};
    s.Farben.TS[5] = s.Farben.TS[7] = {255, 160, 140};
    s.Farben.TS[6] = s.Farben.TS[8] = {235, 160, 0};
    auto& l = s.Lpt;
    l.Port = 1;
    l.Ampel = 0;
    l.Gelbphase = 0;
    l.Chaos = 0;
    l.Pin1Input = 1;
    l.Pin1Rot = 0;
    l.Pin16Input = 1;
    l.Pin16Gruen = 0;
    l.Pin16Rot = 0;
    l.PinI2COutput = 1;
    l.PinI2CInput = 0;
    s.Save.Race = 0;
    s.Save.All = 1;
    s.AutoStart.Enabled = 0;
    s.AutoStart.Time = 2;
    s.LapTime.L = {0, 5, 10, 15, 20, 25};
    s.LapTime.T = {0, 2, 4, 6, 8, 10};
    s.Letzte.Runden = 10;
    s.Letzte.Zeit = 5;
    for (int i = 1; i <= 4; ++i) s.AZT.Aktiv[i] = 0;
    s.AZT.Laps = s.AZT.Time = s.AZT.Position = s.AZT.Uhr = 0;
    s.TAZ.LED = 0;
    s.Fehlstart.Strafzeit = 20;
    s.TNT_MC.Aktiv = 0;
    s.RS232.COM = 1;
    s.AnsichtFenster.OpenTimeWindows = 1;
    s.AnsichtFenster.Ansicht = 5;
    s.AnsichtFenster.Speichern = 1;
    s.AnsichtFenster.Zusatzampel = 0;
    s.Fahrer = {"Niemand"};
}

namespace {

std::vector<KeyDef> BuildKeys() {
    std::vector<KeyDef> k;
    auto i16 = [&k](const char* sec, std::string key, int16_t* (*at)(Settings&, int), int idx = 0) {
        k.push_back(KeyDef{sec, std::move(key), KeyType::Int16, at, nullptr, nullptr, idx});
    };
    auto byte = [&k](const char* sec, std::string key, uint8_t* (*at)(Settings&, int), int idx = 0) {
        k.push_back(KeyDef{sec, std::move(key), KeyType::Byte, nullptr, at, nullptr, idx});
    };
    auto real = [&k](const char* sec, std::string key, double* (*at)(Settings&, int), int idx = 0) {
        k.push_back(KeyDef{sec, std::move(key), KeyType::Real, nullptr, nullptr, at, idx});
    };
#define I16(member) [](Settings& s, int) -> int16_t* { return &s.member; }
#define I16IX(member) [](Settings& s, int i) -> int16_t* { return &s.member[i]; }
    const auto n = [](int i) { return std::to_string(i); };

    i16("Valid", "ValIniFile", I16(Valid.ValIniFile));
    i16("FrmRennleitung", "RL", I16(FrmRennleitung.RL));
    for (int i = 1; i <= 8; ++i) i16("Aktive Spuren", "Spur " + n(i), I16IX(AktiveSpuren.Spur), i);
    k.push_back(KeyDef{"Bahn", "Länge", KeyType::Centi, nullptr, nullptr,
                       [](Settings& s, int) { return &s.Bahn.Laenge; }, 0});
    for (int i = 1; i <= 10; ++i) {
        i16("Masken", "CS" + n(i), I16IX(Masken.CS), i);
        i16("Masken", "MS" + n(i), I16IX(Masken.MS), i);
    }
    i16("Bahnstrom", "InvertPowerRelais", I16(Bahnstrom.InvertPowerRelais));
    i16("Bahnstrom", "LptStrom", I16(Bahnstrom.LptStrom));
    i16("Audio", "Zeitansage", I16(Audio.Zeitansage));
    i16("Audio", "AutoOff", I16(Audio.AutoOff));
    i16("LiZeit", "Minimum", I16(LiZeit.Minimum));
    i16("LiZeit", "MinLength", I16(LiZeit.MinLength));
    i16("NachZeit", "Nachzeit", I16(NachZeit.Nachzeit));
    i16("ZrMitWechsel", "Wechsel", I16(ZrMitWechsel.Wechsel));
    i16("Startampel", "Interval", I16(Startampel.Interval));
    i16("Tastatur", "GlobalOn", I16(Tastatur.GlobalOn));
    i16("I2COutput", "Aktiv", I16(I2COutput.Aktiv));
    i16("I2COutput", "Positionsanzeige", I16(I2COutput.Positionsanzeige));
    i16("I2COutput", "Tankanzeige", I16(I2COutput.Tankanzeige));
    i16("I2COutput", "Startampel", I16(I2COutput.Startampel));
    for (int i = 0; i < 8; ++i)
        byte("I2COutput", "ADR" + n(i), [](Settings& s, int j) { return &s.I2COutput.ADR[j]; }, i);
    byte("Kavelin Extension", "AudioNumDigits", [](Settings& s, int) { return &s.KavelinExtension.AudioNumDigits; });
    i16("Kavelin Extension", "TimeDebug", I16(KavelinExtension.TimeDebug));
    i16("Kavelin Extension", "TagDebug", I16(KavelinExtension.TagDebug));

    struct WinKeys {
        const char *top, *left, *height, *width;
        int no;
    };
    const WinKeys wins[] = {
        {"KV3LaneTop", "KV3LaneLeft", "KV3LaneHeight", "KV3LaneWidth", kWinKV3},
        {"KV4LaneTop", "KV4LaneLeft", "KV4LaneHeight", "KV4LaneWidth", kWinKV5},
        {"KV6LaneTop", "KV6LaneLeft", "KV6LaneHeight", "KV6LaneWidth", kWinKV6},
        {"KV4NeuLaneTop", "KV4NeuLaneLeft", "KV4NeuLaneHeight", "KV4NeuLaneWidth", kWinKV4Neu},
        {"KV2LaneTop", "KV2LaneLeft", "KV2LaneHeight", "KV2LaneWidth", kWinKV2},
        {"KV48NeuLaneTop", "KV48NeuLaneLeft", "KV48LaneHeight", "KV48LaneWidth", kWinKV48Neu},
        {"KV8LaneTop", "KV8LaneLeft", "KV8LaneHeight", "KV8LaneWidth", kWinKV8},
        {"ParDebugTop", "ParDebugLeft", nullptr, nullptr, kWinParDebug},
        {"Std4Top", "Std4Left", nullptr, nullptr, kWinStd4},
        {"RennTop", "RennLeft", nullptr, nullptr, kWinRennleitung},
    };
    for (const auto& w : wins) {
        i16("WindowPositions", w.top, I16IX(WindowPositions.Top), w.no);
        i16("WindowPositions", w.left, I16IX(WindowPositions.Left), w.no);
        if (w.height) {
            i16("WindowPositions", w.height, I16IX(WindowPositions.Height), w.no);
            i16("WindowPositions", w.width, I16IX(WindowPositions.Width), w.no);
        }
    }
    i16("WindowPositions", "AmpelTop", I16(WindowPositions.AmpelTop));
    i16("WindowPositions", "AmpelLeft", I16(WindowPositions.AmpelLeft));
    const std::pair<const char*, int> small[] = {
        {"SPWDisp", kWinSpwDisplay}, {"ClubDisp", kWinClubResult}, {"PPSim", kWinParPortSim}};
    for (const auto& [name, no] : small) {
        i16("WindowPositions", std::string(name) + "Top", I16IX(WindowPositions.SmallTop), no);
        i16("WindowPositions", std::string(name) + "Left", I16IX(WindowPositions.SmallLeft), no);
    }

    i16("KVPowerSetup", "Korrektur", I16(KVPowerSetup.Korrektur));
    i16("KVPowerSetup", "Gain1", I16(KVPowerSetup.Gain1));
    i16("KVPowerSetup", "Gain2", I16(KVPowerSetup.Gain2));
    for (int i = 1; i <= 8; ++i)
        real("KVPowerSetup", "Spur " + n(i) + " Spannung",
             [](Settings& s, int j) { return &s.KVPowerSetup.SpurSpannung[j]; }, i);
    i16("KVPowerSetup", "I2C_Netzteil", I16(KVPowerSetup.I2C_Netzteil));
    real("KVPowerSetup", "MaxVoltage", [](Settings& s, int) { return &s.KVPowerSetup.MaxVoltage; });
    real("KVPowerSetup", "VoltHub", [](Settings& s, int) { return &s.KVPowerSetup.VoltHub; });
    k.push_back(KeyDef{"KVPowerSetup", "VolleVolt", KeyType::RealInt, nullptr, nullptr,
                       [](Settings& s, int) { return &s.KVPowerSetup.VolleVolt; }, 0});
    real("KVPowerSetup", "SC Volt", [](Settings& s, int) { return &s.KVPowerSetup.SCVolt; });

    i16("Tankoption", "Rundenverbrauch", I16(Tankoption.Rundenverbrauch));
    i16("Tankoption", "Tankinhalt", I16(Tankoption.Tankinhalt));
    i16("Tankoption", "Tankgeschwindigkeit", I16(Tankoption.Tankgeschwindigkeit));
    i16("Tankoption", "Normrunde", I16(Tankoption.Normrunde));
    i16("Tankoption", "Stillstand", I16(Tankoption.Stillstand));
    i16("Tankoption", "Tankoption", I16(Tankoption.Tankoption));
    i16("Tankoption", "StromAusBeiTankLeer", I16(Tankoption.StromAusBeiTankLeer));
    i16("Tankoption", "StrafeBeiLeeremTank", I16(Tankoption.StrafeBeiLeeremTank));
    i16("Tankoption", "MitTnt", I16(Tankoption.MitTnt));
    i16("Tankoption", "MitTrocken", I16(Tankoption.MitTrocken));
    i16("Tankoption", "TrockenSpannung", I16(Tankoption.TrockenSpannung));
    i16("Tankoption", "BoxTank", I16(Tankoption.BoxTank));

    for (int i = 1; i <= 8; ++i) {
        i16("Farben", "S" + n(i) + "Rot", [](Settings& s, int j) { return &s.Farben.S[j].rot; }, i);
        i16("Farben", "S" + n(i) + "Grün", [](Settings& s, int j) { return &s.Farben.S[j].gruen; }, i);
        i16("Farben", "S" + n(i) + "Blau", [](Settings& s, int j) { return &s.Farben.S[j].blau; }, i);
    }
    for (int i = 1; i <= 8; ++i) {
        i16("Farben", "FS" + n(i) + "Rot", [](Settings& s, int j) { return &s.Farben.FS[j].rot; }, i);
        i16("Farben", "FS" + n(i) + "Grün", [](Settings& s, int j) { return &s.Farben.FS[j].gruen; }, i);
        i16("Farben", "FS" + n(i) + "Blau", [](Settings& s, int j) { return &s.Farben.FS[j].blau; }, i);
    }
    for (int i = 1; i <= 8; ++i) {
        i16("Farben", "TS" + n(i) + "Rot", [](Settings& s, int j) { return &s.Farben.TS[j].rot; }, i);
        i16("Farben", "TS" + n(i) + "Grün", [](Settings& s, int j) { return &s.Farben.TS[j].gruen; }, i);
        i16("Farben", "TS" + n(i) + "Blau", [](Settings& s, int j) { return &s.Farben.TS[j].blau; }, i);
    }

    i16("Lpt", "Port", I16(Lpt.Port));
    i16("Lpt", "Ampel", I16(Lpt.Ampel));
    i16("Lpt", "Gelbphase", I16(Lpt.Gelbphase));
    i16("Lpt", "Chaos", I16(Lpt.Chaos));
    i16("Lpt", "Pin1Input", I16(Lpt.Pin1Input));
    i16("Lpt", "Pin1Rot", I16(Lpt.Pin1Rot));
    i16("Lpt", "Pin16Input", I16(Lpt.Pin16Input));
    i16("Lpt", "Pin16Grün", I16(Lpt.Pin16Gruen));
    i16("Lpt", "Pin16Rot", I16(Lpt.Pin16Rot));
    i16("Lpt", "PinI2COutput", I16(Lpt.PinI2COutput));
    i16("Lpt", "PinI2CInput", I16(Lpt.PinI2CInput));
    i16("Save", "Race", I16(Save.Race));
    i16("Save", "All", I16(Save.All));
    i16("AutoStart", "Enabled", I16(AutoStart.Enabled));
    i16("AutoStart", "Time", I16(AutoStart.Time));
    for (int i = 1; i <= 5; ++i) i16("LapTime", "L" + n(i), I16IX(LapTime.L), i);
    for (int i = 1; i <= 5; ++i) i16("LapTime", "T" + n(i), I16IX(LapTime.T), i);
    i16("Letzte", "Runden", I16(Letzte.Runden));
    i16("Letzte", "Zeit", I16(Letzte.Zeit));
    for (int i = 1; i <= 4; ++i) i16("AZT", n(i) + "Aktiv", I16IX(AZT.Aktiv), i);
    i16("AZT", "Laps", I16(AZT.Laps));
    i16("AZT", "Time", I16(AZT.Time));
    i16("AZT", "Position", I16(AZT.Position));
    i16("AZT", "Uhr", I16(AZT.Uhr));
    i16("AZT", "AlteAZT", I16(AZT.AlteAZT));
    i16("TAZ", "LED", I16(TAZ.LED));
    i16("Fehlstart", "Strafzeit", I16(Fehlstart.Strafzeit));
    i16("TNT_MC", "Aktiv", I16(TNT_MC.Aktiv));
    i16("RS232", "COM", I16(RS232.COM));
    i16("AnsichtFenster", "OpenTimeWindows", I16(AnsichtFenster.OpenTimeWindows));
    i16("AnsichtFenster", "Ansicht", I16(AnsichtFenster.Ansicht));
    i16("AnsichtFenster", "Speichern", I16(AnsichtFenster.Speichern));
    i16("AnsichtFenster", "Zusatzampel", I16(AnsichtFenster.Zusatzampel));
    i16("Version", "REV", I16(Version.REV));
#undef I16
#undef I16IX
    return k;
}

}  // namespace

const std::vector<KeyDef>& SettingsKeys() {
    static const std::vector<KeyDef> keys = BuildKeys();  // immutable table, built once
    return keys;
}

const KeyDef* FindSettingsKey(const std::string& section, const std::string& key) {
    for (const auto& d : SettingsKeys())
        if (ProfileNameEquals(d.section, section) && ProfileNameEquals(d.key, key)) return &d;
    return nullptr;
}

std::string KeyValueText(const Settings& cs, const KeyDef& def) {
    auto& s = const_cast<Settings&>(cs);  // accessors only read here
    switch (def.type) {
        case KeyType::Int16:
            return std::to_string(*def.int16At(s, def.index));
        case KeyType::Byte:
            return std::to_string(*def.byteAt(s, def.index));
        case KeyType::Real:
        case KeyType::RealInt:
            return FormatReal(*def.realAt(s, def.index));
        case KeyType::Centi:
            return std::to_string(RoundToInt16(*def.realAt(s, def.index) * 100.0));
    }
    return {};
}

void SetKeyFromText(Settings& s, const KeyDef& def, std::string_view text, int32_t intDefault) {
    switch (def.type) {
        case KeyType::Int16:
            *def.int16At(s, def.index) = ClampInt16(ParseProfileInt(text, intDefault));
            break;
        case KeyType::Byte:
            *def.byteAt(s, def.index) = static_cast<uint8_t>(std::clamp<int32_t>(ParseProfileInt(text, intDefault), 0, 255));
            break;
        case KeyType::Real:
            *def.realAt(s, def.index) = ParseLeadingReal(text);
            break;
        case KeyType::RealInt:
            *def.realAt(s, def.index) = RoundToInt16(ParseLeadingReal(text));
            break;
        case KeyType::Centi:
            *def.realAt(s, def.index) = ClampInt16(ParseProfileInt(text, intDefault)) / 100.0;
            break;
    }
}

}  // namespace zk
