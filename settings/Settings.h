// Every key of the settings file "Zirkato.ini" as one in-memory object.
//
// Members are grouped by file section; each member carries the key's name (umlauts
// spelled out, blanks dropped). Integer keys are 16-bit as in the file, byte keys
// (I2C addresses, audio digits) are uint8_t, real keys double. Lane arrays are
// indexed by lane number 1..8 (element 0 unused) so code reads like the file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Windows.h"

namespace zk {

struct Rgb {
    int16_t rot = 0;
    int16_t gruen = 0;
    int16_t blau = 0;
};

// The sensor board's device when the settings file names none: "auto", the
// board is looked for by its hello on the USB serial devices (as for "").
inline constexpr const char* kSensorboardStandard = "auto";

struct Settings {
    struct {
        int16_t ValIniFile = 0;
    } Valid;
    struct {
        int16_t REV = 0;
    } Version;
    struct {
        int16_t RL = 0;
    } FrmRennleitung;
    struct {
        std::array<int16_t, 9> Spur{};  // "Spur 1" .. "Spur 8"
    } AktiveSpuren;
    struct {
        double Laenge = 0.0;  // metres; the file holds hundredths
    } Bahn;
    struct {
        std::array<int16_t, 11> CS{};  // 1..10
        std::array<int16_t, 11> MS{};  // 1..10
    } Masken;
    struct {
        int16_t InvertPowerRelais = 0;
        int16_t LptStrom = 0;
    } Bahnstrom;
    struct {
        int16_t Zeitansage = 0;
        int16_t AutoOff = 0;
    } Audio;
    struct {
        int16_t Minimum = 0;
        int16_t MinLength = 0;
    } LiZeit;
    struct {
        int16_t Nachzeit = 0;
    } NachZeit;
    struct {
        int16_t Wechsel = 0;
    } ZrMitWechsel;
    struct {
        int16_t Interval = 0;
    } Startampel;
    struct {
        int16_t GlobalOn = 0;
    } Tastatur;
    struct {
        int16_t Aktiv = 0;
        int16_t Positionsanzeige = 0;
        int16_t Tankanzeige = 0;
        int16_t Startampel = 0;
        std::array<uint8_t, 8> ADR{};  // ADR0..ADR7
    } I2COutput;
    struct {
        uint8_t AudioNumDigits = 0;
        int16_t TimeDebug = 0;
        int16_t TagDebug = 0;
    } KavelinExtension;
    struct {
        // top/left/height/width in twips, indexed by WindowNo (base/Windows.h)
        std::array<int16_t, kWinCount> Top{}, Left{}, Height{}, Width{};
        // position only, indexed by SmallWindowNo
        std::array<int16_t, kSmallWinCount> SmallTop{}, SmallLeft{};
        int16_t AmpelTop = 0, AmpelLeft = 0;
    } WindowPositions;
    struct {
        int16_t Korrektur = 0;
        int16_t Gain1 = 0;
        int16_t Gain2 = 0;
        std::array<double, 9> SpurSpannung{};  // "Spur 1 Spannung" .. 1..8
        int16_t I2C_Netzteil = 0;
        double MaxVoltage = 0.0;
        double VoltHub = 0.0;
        double VolleVolt = 0.0;  // rounded to an integer on read
        double SCVolt = 0.0;     // "SC Volt"
    } KVPowerSetup;
    struct {
        int16_t Rundenverbrauch = 0;
        int16_t Tankinhalt = 0;
        int16_t Tankgeschwindigkeit = 0;
        int16_t Normrunde = 0;
        int16_t Stillstand = 0;
        int16_t Tankoption = 0;
        int16_t StromAusBeiTankLeer = 0;
        int16_t StrafeBeiLeeremTank = 0;
        int16_t MitTnt = 0;
        int16_t MitTrocken = 0;
        int16_t TrockenSpannung = 0;
        int16_t BoxTank = 0;
    } Tankoption;
    struct {
        std::array<Rgb, 9> S{};   // background, lanes 1..8
        std::array<Rgb, 9> FS{};  // text
        std::array<Rgb, 9> TS{};  // track colour
    } Farben;
    struct {
        int16_t Port = 0;
        int16_t Ampel = 0;
        int16_t Gelbphase = 0;
        int16_t Chaos = 0;
        int16_t Pin1Input = 0;
        int16_t Pin1Rot = 0;
        int16_t Pin16Input = 0;
        int16_t Pin16Gruen = 0;
        int16_t Pin16Rot = 0;
        int16_t PinI2COutput = 0;
        int16_t PinI2CInput = 0;
        // The lane sensors and race buttons: 0 on the parallel port, 1 on the
        // USB sensor board at the device Sensorboard ("auto" or "": looked for).
        // Both read and written apart from the key table, and written only once
        // a board was chosen or named, so files of the port keep their lines.
        // Taken at program start and when the settings dialog changes them.
        int16_t Sensoren = 0;
        std::string Sensorboard = kSensorboardStandard;
    } Lpt;
    struct {
        int16_t Race = 0;
        int16_t All = 0;
    } Save;
    struct {
        int16_t Enabled = 0;
        int16_t Time = 0;
    } AutoStart;
    // The live pages for spectators: served while Aktiv is 1, on Port, on every
    // network of the computer or (NurLokal 1) on this computer alone.
    struct {
        int16_t Aktiv = 0;
        int16_t Port = 0;
        int16_t NurLokal = 0;
    } Web;
    struct {
        std::array<int16_t, 6> L{};  // L1..L5
        std::array<int16_t, 6> T{};  // T1..T5
    } LapTime;
    struct {
        int16_t Runden = 0;
        int16_t Zeit = 0;
    } Letzte;
    struct {
        std::array<int16_t, 5> Aktiv{};  // "1Aktiv".."4Aktiv", 1..4
        int16_t Laps = 0;
        int16_t Time = 0;
        int16_t Position = 0;
        int16_t Uhr = 0;
        int16_t AlteAZT = 0;
    } AZT;
    struct {
        int16_t LED = 0;
    } TAZ;
    struct {
        // Wake-up of the 1 ms thread: 1 sleeps to each deadline, 2 spins the
        // last part of each period. 1 is also what a file without the key gives.
        int16_t Wecken = 0;
    } Timer;
    struct {
        int16_t Strafzeit = 0;
    } Fehlstart;
    struct {
        int16_t Aktiv = 0;
    } TNT_MC;
    struct {
        int16_t COM = 0;
    } RS232;
    struct {
        int16_t OpenTimeWindows = 0;
        int16_t Ansicht = 0;
        int16_t Speichern = 0;
        int16_t Zusatzampel = 0;
    } AnsichtFenster;
    struct {
        int16_t Fahrer = 0;
    } AnzahlFahrer;
    // Driver slots, slot 1 first (index 0 = slot 1). Names of up to 20 characters.
    std::vector<std::string> Fahrer;
    // [SoundFiles] Sound01..Sound50: the file names of the sound-file window's
    // slots 1..50 (element 0 unused).
    std::array<std::string, 51> SoundFiles{};
};

// First-run values: what a missing or invalid settings file gives. They come
// from the key table below; the driver list starts with "Niemand".
void SetIniDefaults(Settings& s);

// Kind of a registered key and where its value lives in a Settings object.
//   Int16   integer key in a 16-bit variable
//   Byte    integer key in a byte variable (I2C addresses, audio digits)
//   Real    real key
//   RealInt real key that is rounded to an integer when read ("VolleVolt")
//   Centi   integer key in hundredths held as a real in units ("Länge": the file
//           holds centimetres, memory metres)
enum class KeyType { Int16, Byte, Real, RealInt, Centi };

// The steps of a full save, in the order the writer takes them. Each step is one
// tick of the save progress. Most steps are one section; [KVPowerSetup] is
// written in two steps (the supply keys, later the lane voltages and Korrektur).
enum class WriteStep : uint8_t {
    Version,
    Valid,
    FrmRennleitung,
    AktiveSpuren,
    Bahn,
    Masken,
    Tankoption,
    Bahnstrom,
    LiZeit,
    NachZeit,
    ZrMitWechsel,
    Startampel,
    Tastatur,
    I2COutput,
    Audio,
    KavelinExtension,
    WindowPositions,  // only when the window settings are saved
    Farben,
    Lpt,
    Save,
    AutoStart,
    PowerSupply,      // [KVPowerSetup] supply keys
    TNT_MC,
    RS232,
    Fehlstart,
    AnsichtFenster,
    LaneVoltages,     // [KVPowerSetup] lane voltages and Korrektur
    LapTime,
    Letzte,
    AZT,
    TAZ,
    Timer,
    Web,
    Count
};

// One key of the settings file: where it lives, its first-run value, the limit
// the reader applies and its place in the writer's order. The table of all keys
// is in the reader's order (which is also the order of "zirkato-ini dump").
struct KeyDef {
    std::string section;  // as spelled in the file, e.g. "Aktive Spuren"
    std::string key;      // as spelled in the file, e.g. "Spur 1", "S1Grün"
    KeyType type;
    int16_t* (*int16At)(Settings&, int);
    uint8_t* (*byteAt)(Settings&, int);
    double* (*realAt)(Settings&, int);
    int index;  // argument for the accessor (lane, slot, window number)

    double firstRun = 0.0;           // value of a fresh install, in memory units
    std::optional<double> atLeast;   // the reader raises smaller values to this
    WriteStep write = WriteStep::Count;
    int writeRank = 0;               // order within the write step; equal ranks keep table order
    bool readApart = false;          // read by the reader's own code, not in the table pass
    // A missing or empty value reads as the first-run value instead of 1: keys
    // that files of earlier versions lack, where 1 would switch something on.
    bool missingIsFirstRun = false;
};

// Every key that the settings reader fills (all sections but [OpenWindows],
// [SoundFiles], [Fahrer] and [AnzahlFahrer]), in the order the reader reads them.
const std::vector<KeyDef>& SettingsKeys();

// The keys of one write step, in the order the writer writes them.
std::vector<const KeyDef*> KeysOfWriteStep(WriteStep step);

// Case-insensitive lookup of one key; nullptr when unknown.
const KeyDef* FindSettingsKey(const std::string& section, const std::string& key);

// Value of a registered key as text in the file's units (integers plain, reals
// with minimal decimals, "Länge" in hundredths).
std::string KeyValueText(const Settings& s, const KeyDef& def);
// Sets a registered key from text in the file's units with the settings file's
// parse rules (leading-number parse; integers clamped to their storage range;
// an empty integer gives `intDefault`, as a missing one does in the file).
void SetKeyFromText(Settings& s, const KeyDef& def, std::string_view text, int32_t intDefault = 0);

}  // namespace zk
