// Every window the core opens or closes, by one identifier, with the name the
// window carries (its object name in the application).
#pragma once

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

// "frmZeit4Spur", "frmStartampel", ...
std::string_view FensterName(Fenster f);
// The window with that name; nothing for a name no window carries.
std::optional<Fenster> FensterAusName(std::string_view name);

}  // namespace zk
