#include "ui/WindowTable.h"

#include <iterator>

#include "system/RaceSystem.h"
#include "ui/ClubResultWindow.h"
#include "ui/DirectorWindow.h"
#include "ui/FahrerWindows.h"
#include "ui/InputWindows.h"
#include "ui/KVPowerWindow.h"
#include "ui/KVZeitWindow.h"
#include "ui/ParPortWindows.h"
#include "ui/ResultWindow.h"
#include "ui/SaveDisplayWindow.h"
#include "ui/SoundWindows.h"
#include "ui/SpwWindows.h"
#include "ui/StartLightWindow.h"
#include "ui/UiContext.h"
#include "ui/Zeit4SpurWindow.h"
#include "ui/ZsaWindow.h"

namespace zk {

namespace {

template <class W>
ProgramWindow* Make(UiContext& c) {
    return new W(c);
}

// A lap window for `lanes` lanes in `blocks` blocks side by side.
template <Fenster F, int lanes, int blocks>
ProgramWindow* MakeKVZeit(UiContext& c) {
    return new KVZeitWindow(c, F, lanes, blocks);
}

template <Fenster F>
ProgramWindow* MakeStartLight(UiContext& c) {
    return new StartLightWindow(c, F);
}

using P = Placement;
using F = Fenster;

constexpr WindowRow kRows[] = {
    {F::Zeit4Spur, Make<Zeit4SpurWindow>, P::PositionAndSize, true},
    {F::KVZeit2Spur, MakeKVZeit<F::KVZeit2Spur, 2, 1>, P::PositionAndSize, true},
    {F::KVZeit3Spur, MakeKVZeit<F::KVZeit3Spur, 3, 1>, P::PositionAndSize, true},
    {F::KVZeit4SpurNeu, MakeKVZeit<F::KVZeit4SpurNeu, 4, 1>, P::PositionAndSize, true},
    {F::KVZeit5Spur, MakeKVZeit<F::KVZeit5Spur, 5, 1>, P::PositionAndSize, true},
    {F::KVZeit6Spur, MakeKVZeit<F::KVZeit6Spur, 6, 1>, P::PositionAndSize, true},
    {F::KVZeit8Spur, MakeKVZeit<F::KVZeit8Spur, 8, 1>, P::PositionAndSize, true},
    {F::KVZeit48SpurNeu, MakeKVZeit<F::KVZeit48SpurNeu, 8, 2>, P::PositionAndSize, true},
    {F::Startampel, MakeStartLight<F::Startampel>, P::None, false},
    {F::Zusatzampel, MakeStartLight<F::Zusatzampel>, P::Position, false},
    {F::SaveDisplay, [](UiContext& c) -> ProgramWindow* { return new SaveDisplayWindow(c.sys.st); }, P::None, false},
    {F::ParPortSim, Make<ParPortSimWindow>, P::Position, true},
    {F::ParPortDebug, Make<ParPortDebugWindow>, P::PositionIfTopShown, true},
    {F::Rundeneingabe, [](UiContext& c) -> ProgramWindow* { return new RaceLengthInput(c, true); }, P::None, true},
    {F::Zeiteingabe, [](UiContext& c) -> ProgramWindow* { return new RaceLengthInput(c, false); }, P::None, true},
    {F::Rennleitung, Make<DirectorWindow>, P::PositionAndSize, true},
    {F::KVPower, Make<KVPowerWindow>, P::None, true},
    {F::Ergebnis, [](UiContext& c) -> ProgramWindow* { return new ResultWindow(c.sys); }, P::None, false},
    {F::Soundfiles, Make<SoundFilesWindow>, P::None, true},
    {F::SoundOpenFile, Make<SoundOpenFileWindow>, P::None, true},
    {F::ZSA, Make<ZsaWindow>, P::None, true},
    {F::SpwDisplay, Make<SpwDisplayWindow>, P::Position, true},
    {F::AnzeigeZrEinteilung, Make<ZrEinteilungWindow>, P::None, true},
    {F::Fahrer, Make<FahrerWindow>, P::None, true},
    {F::SelectDriver, Make<SelectDriverWindow>, P::None, true},
    // The club result shows the club race of this program, when there is one.
    {F::ClubResult,
     [](UiContext& c) -> ProgramWindow* { return c.club ? new ClubResultWindow(c, *c.club) : nullptr; }, P::Position,
     false},
};
constexpr bool RowsInOrder() {
    for (size_t i = 0; i < std::size(kRows); ++i)
        if (static_cast<size_t>(kRows[i].id) != i) return false;
    return std::size(kRows) == kFensterAnzahl;
}
static_assert(RowsInOrder(), "one row per window, in the order of the identifiers");

}  // namespace

const WindowRow& WindowRowOf(Fenster f) {
    return kRows[static_cast<size_t>(f)];
}

}  // namespace zk
