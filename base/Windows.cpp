#include "base/Windows.h"

#include <array>

namespace zk {

namespace {

constexpr std::array<std::string_view, kFensterAnzahl> kNamen = {
    "frmZeit4Spur",      "frmKVZeit2Spur", "frmKVZeit3Spur",  "frmKVZeit4SpurNeu", "frmKVZeit5Spur",
    "frmKVZeit6Spur",    "frmKVZeit8Spur", "frmKVZeit48SpurNeu", "frmStartampel",  "frmZusatzampel",
    "frmSaveDisplay",    "frmParPortSim",  "frmParPortDebug", "frmRundeneingabe",  "frmZeiteingabe",
    "frmRennleitung",    "frmKVPower",     "frmErgebnis",     "frmSoundfiles",     "frmSoundOpenFile",
    "frmZSA",            "frmSpwDisplay",  "frmAnzeigeZrEinteilung",
    "frmFahrer",         "frmSelectDriver", "frmClubResult",
};

}  // namespace

std::string_view FensterName(Fenster f) { return kNamen.at(static_cast<size_t>(f)); }

std::optional<Fenster> FensterAusName(std::string_view name) {
    for (size_t i = 0; i < kNamen.size(); ++i)
        if (kNamen[i] == name) return static_cast<Fenster>(i);
    return std::nullopt;
}

}  // namespace zk
