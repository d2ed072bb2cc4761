// Every window of the program by one identifier, and the one table of what the
// core and the settings know about each: the name it carries (its object name in
// the application), where its open flag and its stored position live, and
// whether it is a lap window. The user interface adds how each window is built
// and placed (ui/WindowTable.cpp), keyed by the same identifier.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zk {

enum class Fenster {
    Zeit4Spur,
    KVZeit2Spur,
    KVZeit3Spur,
    KVZeit4SpurNeu,
    KVZeit5Spur,
    KVZeit6Spur,
    KVZeit8Spur,
    KVZeit48SpurNeu,
    Startampel,
    Zusatzampel,
    SaveDisplay,
    ParPortSim,
    ParPortDebug,
    Rundeneingabe,
    Zeiteingabe,
    Rennleitung,
    KVPower,
    Ergebnis,
    Soundfiles,
    SoundOpenFile,
    ZSA,
    SpwDisplay,
    AnzeigeZrEinteilung,
    Fahrer,
    SelectDriver,
    ClubResult,
};
constexpr int kFensterAnzahl = 26;

// Window numbers: the slots of the settings' position tables ([WindowPositions]
// Top/Left/Height/Width) and of the race state's open flags `FensterOffen`. The
// numbering is the settings file's, so slot 1 ("KV4Lane..." keys) belongs to the
// five-lane window and slot 5 is unused.
enum WindowNo : int {
    kWinKV3 = 0,
    kWinKV5 = 1,
    kWinKV6 = 2,
    kWinKV4Neu = 3,
    kWinKV2 = 4,
    kWinUnused5 = 5,
    kWinKV48Neu = 6,
    kWinKV8 = 7,
    kWinParDebug = 8,
    kWinStd4 = 9,
    kWinRennleitung = 10,
    kWinCount = 11
};
// Second table: small windows with a position only ([WindowPositions] SmallTop,
// SmallLeft) and the open flags `FensterOffen2`.
enum SmallWindowNo : int { kWinSpwDisplay = 0, kWinClubResult = 1, kWinParPortSim = 2, kSmallWinCount = 3 };

// Which of those tables a window uses.
enum class FensterAblage : uint8_t {
    Keine,  // no stored position, no open flag
    Gross,  // slot `nr` of WindowNo: position (and size) and FensterOffen[nr]
    Klein,  // slot `nr` of SmallWindowNo: position and FensterOffen2[nr]
    Ampel,  // [WindowPositions] AmpelTop/AmpelLeft, no open flag
};

struct FensterDaten {
    Fenster id;
    std::string_view name;  // "frmZeit4Spur", "frmStartampel", ...
    FensterAblage ablage = FensterAblage::Keine;
    int nr = -1;  // the slot in the tables of `ablage`
    // A lap window: counted in `OffeneZeitfenster`, and closing the last one
    // ends a race under way.
    bool zeitfenster = false;
};

inline constexpr std::array<FensterDaten, kFensterAnzahl> kFensterTabelle = {{
    {Fenster::Zeit4Spur, "frmZeit4Spur", FensterAblage::Gross, kWinStd4, true},
    {Fenster::KVZeit2Spur, "frmKVZeit2Spur", FensterAblage::Gross, kWinKV2, true},
    {Fenster::KVZeit3Spur, "frmKVZeit3Spur", FensterAblage::Gross, kWinKV3, true},
    {Fenster::KVZeit4SpurNeu, "frmKVZeit4SpurNeu", FensterAblage::Gross, kWinKV4Neu, true},
    {Fenster::KVZeit5Spur, "frmKVZeit5Spur", FensterAblage::Gross, kWinKV5, true},
    {Fenster::KVZeit6Spur, "frmKVZeit6Spur", FensterAblage::Gross, kWinKV6, true},
    {Fenster::KVZeit8Spur, "frmKVZeit8Spur", FensterAblage::Gross, kWinKV8, true},
    {Fenster::KVZeit48SpurNeu, "frmKVZeit48SpurNeu", FensterAblage::Gross, kWinKV48Neu, true},
    {Fenster::Startampel, "frmStartampel"},
    {Fenster::Zusatzampel, "frmZusatzampel", FensterAblage::Ampel},
    {Fenster::SaveDisplay, "frmSaveDisplay"},
    {Fenster::ParPortSim, "frmParPortSim", FensterAblage::Klein, kWinParPortSim},
    {Fenster::ParPortDebug, "frmParPortDebug", FensterAblage::Gross, kWinParDebug},
    {Fenster::Rundeneingabe, "frmRundeneingabe"},
    {Fenster::Zeiteingabe, "frmZeiteingabe"},
    {Fenster::Rennleitung, "frmRennleitung", FensterAblage::Gross, kWinRennleitung},
    {Fenster::KVPower, "frmKVPower"},
    {Fenster::Ergebnis, "frmErgebnis"},
    {Fenster::Soundfiles, "frmSoundfiles"},
    {Fenster::SoundOpenFile, "frmSoundOpenFile"},
    {Fenster::ZSA, "frmZSA"},
    {Fenster::SpwDisplay, "frmSpwDisplay", FensterAblage::Klein, kWinSpwDisplay},
    {Fenster::AnzeigeZrEinteilung, "frmAnzeigeZrEinteilung"},
    {Fenster::Fahrer, "frmFahrer"},
    {Fenster::SelectDriver, "frmSelectDriver"},
    {Fenster::ClubResult, "frmClubResult", FensterAblage::Klein, kWinClubResult},
}};

constexpr const FensterDaten& FensterInfo(Fenster f) { return kFensterTabelle[static_cast<size_t>(f)]; }
constexpr std::string_view FensterName(Fenster f) { return FensterInfo(f).name; }

// The window with that name; nothing for a name no window carries.
std::optional<Fenster> FensterAusName(std::string_view name);
// The window that owns slot `windowNo` of the large table; nothing for a free
// or out-of-range slot.
std::optional<Fenster> FensterMitNr(int windowNo);

}  // namespace zk
