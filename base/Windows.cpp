#include "base/Windows.h"

namespace zk {

namespace {

// The table is indexed by the identifier, and every slot belongs to one window.
constexpr bool TabelleStimmt() {
    for (size_t i = 0; i < kFensterTabelle.size(); ++i) {
        const FensterDaten& d = kFensterTabelle[i];
        if (static_cast<size_t>(d.id) != i || d.name.empty()) return false;
        const bool gross = d.ablage == FensterAblage::Gross, klein = d.ablage == FensterAblage::Klein;
        if (gross && (d.nr < 0 || d.nr >= kWinCount || d.nr == kWinUnused5)) return false;
        if (klein && (d.nr < 0 || d.nr >= kSmallWinCount)) return false;
        if (!gross && !klein && d.nr != -1) return false;
        if (d.zeitfenster && !gross) return false;
        for (size_t k = 0; k < i; ++k)
            if (kFensterTabelle[k].name == d.name ||
                ((gross || klein) && kFensterTabelle[k].ablage == d.ablage && kFensterTabelle[k].nr == d.nr))
                return false;
    }
    return true;
}
static_assert(TabelleStimmt(), "kFensterTabelle: one row per window in enum order, each name and slot once");

}  // namespace

std::optional<Fenster> FensterAusName(std::string_view name) {
    for (const FensterDaten& d : kFensterTabelle)
        if (d.name == name) return d.id;
    return std::nullopt;
}

std::optional<Fenster> FensterMitNr(int windowNo) {
    for (const FensterDaten& d : kFensterTabelle)
        if (d.ablage == FensterAblage::Gross && d.nr == windowNo) return d.id;
    return std::nullopt;
}

}  // namespace zk
