#include "settings/Settings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "settings/ProfileParse.h"

namespace zk {

namespace {

using W = WriteStep;

// Fills the table of one section: each call appends a key and returns a handle
// for its first-run value, read limit and write rank.
class SectionRows {
public:
    class Row {
    public:
        explicit Row(KeyDef& d) : d_(d) {}
        Row& First(double v) {
            d_.firstRun = v;
            return *this;
        }
        Row& AtLeast(double v) {
            d_.atLeast = v;
            return *this;
        }
        Row& Rank(int r) {
            d_.writeRank = r;
            return *this;
        }
        Row& Step(WriteStep w) {
            d_.write = w;
            return *this;
        }
        Row& MissingIsFirstRun() {
            d_.missingIsFirstRun = true;
            return *this;
        }
        Row& ReadApart() {
            d_.readApart = true;
            return *this;
        }

    private:
        KeyDef& d_;
    };

    SectionRows(std::vector<KeyDef>& table, const char* section, WriteStep step)
        : table_(table), section_(section), step_(step) {}

    Row Int16(std::string key, int16_t* (*at)(Settings&, int), int idx = 0) {
        return Add(std::move(key), KeyType::Int16, at, nullptr, nullptr, idx);
    }
    Row Byte(std::string key, uint8_t* (*at)(Settings&, int), int idx = 0) {
        return Add(std::move(key), KeyType::Byte, nullptr, at, nullptr, idx);
    }
    Row Real(std::string key, double* (*at)(Settings&, int), int idx = 0, KeyType type = KeyType::Real) {
        return Add(std::move(key), type, nullptr, nullptr, at, idx);
    }

private:
    Row Add(std::string key, KeyType type, int16_t* (*i)(Settings&, int), uint8_t* (*b)(Settings&, int),
            double* (*r)(Settings&, int), int idx) {
        KeyDef& d = table_.emplace_back();
        d.section = section_;
        d.key = std::move(key);
        d.type = type;
        d.int16At = i;
        d.byteAt = b;
        d.realAt = r;
        d.index = idx;
        d.write = step_;
        return Row(d);
    }

    std::vector<KeyDef>& table_;
    const char* section_;
    WriteStep step_;
};

// The key table, in the reader's order. Keys without a first-run value start at 0.
std::vector<KeyDef> BuildKeys() {
    std::vector<KeyDef> k;
#define I16(member) [](Settings& s, int) -> int16_t* { return &s.member; }
#define I16IX(member) [](Settings& s, int i) -> int16_t* { return &s.member[i]; }
#define REAL(member) [](Settings& s, int) -> double* { return &s.member; }
    const auto n = [](int i) { return std::to_string(i); };

    SectionRows(k, "Valid", W::Valid).Int16("ValIniFile", I16(Valid.ValIniFile)).ReadApart();
    SectionRows(k, "FrmRennleitung", W::FrmRennleitung).Int16("RL", I16(FrmRennleitung.RL));
    {
        SectionRows sec(k, "Aktive Spuren", W::AktiveSpuren);
        for (int i = 1; i <= 8; ++i) sec.Int16("Spur " + n(i), I16IX(AktiveSpuren.Spur), i).First(i == 1 || i == 4);
    }
    SectionRows(k, "Bahn", W::Bahn).Real("Länge", REAL(Bahn.Laenge), 0, KeyType::Centi);
    {
        // A fresh install has taught in no sensor: mask 0 with compare value 1
        // never matches, so no input is active until it is taught in or set.
        SectionRows sec(k, "Masken", W::Masken);
        for (int i = 1; i <= 10; ++i) {
            sec.Int16("CS" + n(i), I16IX(Masken.CS), i).First(1);
            sec.Int16("MS" + n(i), I16IX(Masken.MS), i).First(0);
        }
    }
    {
        SectionRows sec(k, "Bahnstrom", W::Bahnstrom);
        sec.Int16("InvertPowerRelais", I16(Bahnstrom.InvertPowerRelais));
        sec.Int16("LptStrom", I16(Bahnstrom.LptStrom));
    }
    {
        SectionRows sec(k, "Audio", W::Audio);
        sec.Int16("Zeitansage", I16(Audio.Zeitansage));
        sec.Int16("AutoOff", I16(Audio.AutoOff)).First(1);
    }
    {
        SectionRows sec(k, "LiZeit", W::LiZeit);
        // The lockout is also the shortest lap that counts: the first-run value lies
        // below any real slot-car lap (2 s and more) and still far above the time a
        // car takes to cross the sensor.
        sec.Int16("Minimum", I16(LiZeit.Minimum)).First(1000).AtLeast(500);
        sec.Int16("MinLength", I16(LiZeit.MinLength)).First(10);
    }
    SectionRows(k, "NachZeit", W::NachZeit).Int16("Nachzeit", I16(NachZeit.Nachzeit)).First(200);
    SectionRows(k, "ZrMitWechsel", W::ZrMitWechsel).Int16("Wechsel", I16(ZrMitWechsel.Wechsel));
    SectionRows(k, "Startampel", W::Startampel).Int16("Interval", I16(Startampel.Interval)).First(800);
    SectionRows(k, "Tastatur", W::Tastatur).Int16("GlobalOn", I16(Tastatur.GlobalOn)).First(1);
    {
        // Written with the addresses first.
        SectionRows sec(k, "I2COutput", W::I2COutput);
        sec.Int16("Aktiv", I16(I2COutput.Aktiv)).Rank(1);
        sec.Int16("Positionsanzeige", I16(I2COutput.Positionsanzeige)).Rank(1);
        sec.Int16("Tankanzeige", I16(I2COutput.Tankanzeige)).Rank(1);
        sec.Int16("Startampel", I16(I2COutput.Startampel)).Rank(1);
        for (int i = 0; i < 8; ++i)
            sec.Byte("ADR" + n(i), [](Settings& s, int j) { return &s.I2COutput.ADR[j]; }, i).Rank(0);
    }
    {
        SectionRows sec(k, "Kavelin Extension", W::KavelinExtension);
        sec.Byte("AudioNumDigits", [](Settings& s, int) { return &s.KavelinExtension.AudioNumDigits; }).First(2);
        sec.Int16("TimeDebug", I16(KavelinExtension.TimeDebug));
        sec.Int16("TagDebug", I16(KavelinExtension.TagDebug));
    }
    {
        SectionRows sec(k, "WindowPositions", W::WindowPositions);
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
            sec.Int16(w.top, I16IX(WindowPositions.Top), w.no);
            sec.Int16(w.left, I16IX(WindowPositions.Left), w.no);
            if (w.height) {
                sec.Int16(w.height, I16IX(WindowPositions.Height), w.no);
                sec.Int16(w.width, I16IX(WindowPositions.Width), w.no);
            }
        }
        sec.Int16("AmpelTop", I16(WindowPositions.AmpelTop));
        sec.Int16("AmpelLeft", I16(WindowPositions.AmpelLeft));
        const std::pair<const char*, int> small[] = {
            {"SPWDisp", kWinSpwDisplay}, {"ClubDisp", kWinClubResult}, {"PPSim", kWinParPortSim}};
        for (const auto& [name, no] : small) {
            sec.Int16(std::string(name) + "Top", I16IX(WindowPositions.SmallTop), no);
            sec.Int16(std::string(name) + "Left", I16IX(WindowPositions.SmallLeft), no);
        }
    }
    {
        // Two write steps: first the supply keys (ranks below), much later the lane
        // voltages followed by Korrektur.
        SectionRows sec(k, "KVPowerSetup", W::PowerSupply);
        sec.Int16("Korrektur", I16(KVPowerSetup.Korrektur)).Step(W::LaneVoltages).Rank(1);
        sec.Int16("Gain1", I16(KVPowerSetup.Gain1)).First(1).Rank(3);
        sec.Int16("Gain2", I16(KVPowerSetup.Gain2)).Rank(4);
        for (int i = 1; i <= 8; ++i)
            sec.Real("Spur " + n(i) + " Spannung", [](Settings& s, int j) { return &s.KVPowerSetup.SpurSpannung[j]; }, i)
                .First(12)
                .AtLeast(4)
                .Step(W::LaneVoltages)
                .Rank(0);
        sec.Int16("I2C_Netzteil", I16(KVPowerSetup.I2C_Netzteil)).Rank(0);
        sec.Real("MaxVoltage", REAL(KVPowerSetup.MaxVoltage)).First(16).Rank(1);
        sec.Real("VoltHub", REAL(KVPowerSetup.VoltHub)).First(1).Rank(2);
        sec.Real("VolleVolt", REAL(KVPowerSetup.VolleVolt), 0, KeyType::RealInt).First(40).Rank(6);
        sec.Real("SC Volt", REAL(KVPowerSetup.SCVolt)).Rank(5);
    }
    {
        SectionRows sec(k, "Tankoption", W::Tankoption);
        sec.Int16("Rundenverbrauch", I16(Tankoption.Rundenverbrauch)).First(7);
        sec.Int16("Tankinhalt", I16(Tankoption.Tankinhalt)).First(100);
        sec.Int16("Tankgeschwindigkeit", I16(Tankoption.Tankgeschwindigkeit)).First(6);
        sec.Int16("Normrunde", I16(Tankoption.Normrunde)).First(5000);
        sec.Int16("Stillstand", I16(Tankoption.Stillstand)).First(800);
        sec.Int16("Tankoption", I16(Tankoption.Tankoption));
        sec.Int16("StromAusBeiTankLeer", I16(Tankoption.StromAusBeiTankLeer));
        sec.Int16("StrafeBeiLeeremTank", I16(Tankoption.StrafeBeiLeeremTank));
        sec.Int16("MitTnt", I16(Tankoption.MitTnt));
        sec.Int16("MitTrocken", I16(Tankoption.MitTrocken));
        sec.Int16("TrockenSpannung", I16(Tankoption.TrockenSpannung));
        sec.Int16("BoxTank", I16(Tankoption.BoxTank));
    }
    {
        // Background (S), text (FS) and track colour (TS) per lane. A fresh install
        // gives every lane a white background and a track colour of its own.
        SectionRows sec(k, "Farben", W::Farben);
        using RgbAt = int16_t* (*)(Settings&, int);
        const auto rgb = [&](const std::string& prefix, RgbAt rot, RgbAt gruen, RgbAt blau,
                             const std::array<Rgb, 9>& first) {
            for (int i = 1; i <= 8; ++i) {
                sec.Int16(prefix + n(i) + "Rot", rot, i).First(first[i].rot);
                sec.Int16(prefix + n(i) + "Grün", gruen, i).First(first[i].gruen);
                sec.Int16(prefix + n(i) + "Blau", blau, i).First(first[i].blau);
            }
        };
        const Rgb white{255, 255, 255}, black{0, 0, 0};
        rgb("S", [](Settings& s, int j) { return &s.Farben.S[j].rot; },
            [](Settings& s, int j) { return &s.Farben.S[j].gruen; },
            [](Settings& s, int j) { return &s.Farben.S[j].blau; },
            {black, white, white, white, white, white, white, white, white});
        rgb("FS", [](Settings& s, int j) { return &s.Farben.FS[j].rot; },
            [](Settings& s, int j) { return &s.Farben.FS[j].gruen; },
            [](Settings& s, int j) { return &s.Farben.FS[j].blau; }, {});
        const Rgb salmon{255, 160, 140}, orange{235, 160, 0}, violett{160, 32, 240}, tuerkis{0, 200, 200};
        rgb("TS", [](Settings& s, int j) { return &s.Farben.TS[j].rot; },
            [](Settings& s, int j) { return &s.Farben.TS[j].gruen; },
            [](Settings& s, int j) { return &s.Farben.TS[j].blau; },
            {black, Rgb{0, 0, 255}, Rgb{255, 0, 0}, Rgb{255, 255, 0}, Rgb{0, 255, 0}, salmon, orange, violett, tuerkis});
    }
    {
        // Written with Pin16Grün before Pin16Input.
        SectionRows sec(k, "Lpt", W::Lpt);
        sec.Int16("Port", I16(Lpt.Port)).First(1);
        sec.Int16("Ampel", I16(Lpt.Ampel));
        sec.Int16("Gelbphase", I16(Lpt.Gelbphase));
        sec.Int16("Chaos", I16(Lpt.Chaos));
        sec.Int16("Pin1Input", I16(Lpt.Pin1Input)).First(1);
        sec.Int16("Pin1Rot", I16(Lpt.Pin1Rot));
        sec.Int16("Pin16Input", I16(Lpt.Pin16Input)).First(1).Rank(2);
        sec.Int16("Pin16Grün", I16(Lpt.Pin16Gruen)).Rank(1);
        sec.Int16("Pin16Rot", I16(Lpt.Pin16Rot)).Rank(2);
        sec.Int16("PinI2COutput", I16(Lpt.PinI2COutput)).First(1).Rank(2);
        sec.Int16("PinI2CInput", I16(Lpt.PinI2CInput)).Rank(2);
    }
    {
        SectionRows sec(k, "Save", W::Save);
        sec.Int16("Race", I16(Save.Race));
        sec.Int16("All", I16(Save.All)).First(1);
    }
    {
        SectionRows sec(k, "AutoStart", W::AutoStart);
        sec.Int16("Enabled", I16(AutoStart.Enabled));
        sec.Int16("Time", I16(AutoStart.Time)).First(2);
    }
    {
        SectionRows sec(k, "LapTime", W::LapTime);
        for (int i = 1; i <= 5; ++i) sec.Int16("L" + n(i), I16IX(LapTime.L), i).First(5 * i);
        for (int i = 1; i <= 5; ++i) sec.Int16("T" + n(i), I16IX(LapTime.T), i).First(2 * i);
    }
    {
        SectionRows sec(k, "Letzte", W::Letzte);
        sec.Int16("Runden", I16(Letzte.Runden)).First(10);
        sec.Int16("Zeit", I16(Letzte.Zeit)).First(5);
    }
    {
        SectionRows sec(k, "AZT", W::AZT);
        for (int i = 1; i <= 4; ++i) sec.Int16(n(i) + "Aktiv", I16IX(AZT.Aktiv), i);
        sec.Int16("Laps", I16(AZT.Laps));
        sec.Int16("Time", I16(AZT.Time));
        sec.Int16("Position", I16(AZT.Position));
        sec.Int16("Uhr", I16(AZT.Uhr));
        sec.Int16("AlteAZT", I16(AZT.AlteAZT));
    }
    SectionRows(k, "TAZ", W::TAZ).Int16("LED", I16(TAZ.LED));
    SectionRows(k, "Timer", W::Timer).Int16("Wecken", I16(Timer.Wecken)).First(1);
    {
        SectionRows sec(k, "Web", W::Web);
        // Files written before the live pages existed lack [Web]: they stay off.
        sec.Int16("Aktiv", I16(Web.Aktiv)).MissingIsFirstRun();
        sec.Int16("Port", I16(Web.Port)).First(8080).MissingIsFirstRun();
        sec.Int16("NurLokal", I16(Web.NurLokal)).MissingIsFirstRun();
    }
    SectionRows(k, "Fehlstart", W::Fehlstart).Int16("Strafzeit", I16(Fehlstart.Strafzeit)).First(20);
    SectionRows(k, "TNT_MC", W::TNT_MC).Int16("Aktiv", I16(TNT_MC.Aktiv));
    SectionRows(k, "RS232", W::RS232).Int16("COM", I16(RS232.COM)).First(1);
    {
        SectionRows sec(k, "AnsichtFenster", W::AnsichtFenster);
        sec.Int16("OpenTimeWindows", I16(AnsichtFenster.OpenTimeWindows)).First(1).Rank(2);
        sec.Int16("Ansicht", I16(AnsichtFenster.Ansicht)).First(5).Rank(0);
        sec.Int16("Speichern", I16(AnsichtFenster.Speichern)).First(1).Rank(1);
        sec.Int16("Zusatzampel", I16(AnsichtFenster.Zusatzampel)).Rank(3);
    }
    // Read last, after the drivers: it decides the revision corrections.
    SectionRows(k, "Version", W::Version).Int16("REV", I16(Version.REV)).ReadApart();
#undef I16
#undef I16IX
#undef REAL
    return k;
}

}  // namespace

void SetIniDefaults(Settings& s) {
    s = Settings{};
    for (const KeyDef& d : SettingsKeys()) {
        switch (d.type) {
            case KeyType::Int16:
                *d.int16At(s, d.index) = static_cast<int16_t>(d.firstRun);
                break;
            case KeyType::Byte:
                *d.byteAt(s, d.index) = static_cast<uint8_t>(d.firstRun);
                break;
            case KeyType::Real:
            case KeyType::RealInt:
            case KeyType::Centi:
                *d.realAt(s, d.index) = d.firstRun;
                break;
        }
    }
    s.Fahrer = {"Niemand"};
}

const std::vector<KeyDef>& SettingsKeys() {
    static const std::vector<KeyDef> keys = BuildKeys();  // immutable table, built once
    return keys;
}

std::vector<const KeyDef*> KeysOfWriteStep(WriteStep step) {
    std::vector<const KeyDef*> out;
    for (const KeyDef& d : SettingsKeys())
        if (d.write == step) out.push_back(&d);
    std::stable_sort(out.begin(), out.end(), [](const KeyDef* a, const KeyDef* b) { return a->writeRank < b->writeRank; });
    return out;
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
