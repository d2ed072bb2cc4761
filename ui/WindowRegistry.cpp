#include "ui/WindowRegistry.h"

#include <QApplication>

#include "race/TeachIn.h"
#include "system/RaceSystem.h"
#include "ui/ClubResultWindow.h"
#include "ui/DirectorWindow.h"
#include "ui/FahrerWindows.h"
#include "ui/ParPortWindows.h"
#include "ui/RaceActions.h"
#include "ui/ResultWindow.h"
#include "ui/StartLightWindow.h"
#include "ui/UiContext.h"
#include "ui/WindowGeometry.h"
#include "ui/WindowTable.h"
#include "ui/Zeit4SpurWindow.h"
#include "ui/ZsaWindow.h"

namespace zk {

namespace {

size_t Index(Fenster f) { return static_cast<size_t>(f); }

// The stored position (and size) of a window, as its table row says.
struct Slot {
    int16_t* top = nullptr;
    int16_t* left = nullptr;
    int16_t* height = nullptr;  // null: position only
    int16_t* width = nullptr;
};

Slot SlotOf(Settings& cfg, const FensterDaten& d) {
    auto& wp = cfg.WindowPositions;
    switch (d.ablage) {
        case FensterAblage::Gross:
            return {&wp.Top[d.nr], &wp.Left[d.nr], &wp.Height[d.nr], &wp.Width[d.nr]};
        case FensterAblage::Klein:
            return {&wp.SmallTop[d.nr], &wp.SmallLeft[d.nr]};
        case FensterAblage::Ampel:
            return {&wp.AmpelTop, &wp.AmpelLeft};
        case FensterAblage::Keine:
            break;
    }
    return {};
}

void Place(QWidget* w, Placement p, const Slot& s) {
    if (p == Placement::None || !s.top) return;
    if (p == Placement::PositionAndSize && s.height) {
        RestoreGeometry(w, *s.top, *s.left, *s.height, *s.width, w->size());
    } else {
        RestorePosition(w, *s.top, *s.left);
    }
}

void StorePlace(const QWidget* w, Placement p, const Slot& s) {
    if (p == Placement::None || !s.top) return;
    if (p == Placement::PositionAndSize && s.height) {
        StoreGeometry(w, *s.top, *s.left, *s.height, *s.width);
    } else if (p != Placement::PositionIfTopShown || w->pos().y() >= 0) {
        StorePosition(w, *s.top, *s.left);
    }
}

}  // namespace

WindowRegistry::WindowRegistry(RaceSystem& sys) : sys_(sys) {}

int WindowRegistry::OffeneZeitfenster() const { return sys_.view.OffeneZeitfenster; }

WindowRegistry::~WindowRegistry() {
    // Windows still open belong to nobody else; destroy them with the registry.
    // A window destroyed here does not close, and the main window, which is
    // going away too, is not told.
    blockSignals(true);
    const auto open = windows_;
    windows_ = {};
    for (const auto& w : open) delete w.data();
}

ProgramWindow* WindowRegistry::Find(Fenster f) const { return windows_[Index(f)].data(); }

QWidget* WindowRegistry::Find(const std::string& name) const {
    const std::optional<Fenster> f = FensterAusName(name);
    return f ? Find(*f) : nullptr;
}

LapWindow* WindowRegistry::Lap(Fenster f) const { return qobject_cast<LapWindow*>(Find(f)); }

template <class Fn>
void WindowRegistry::ForEachLapWindow(Fn fn) const {
    for (int no = 0; no < kWinCount; ++no)
        if (const std::optional<Fenster> f = FensterMitNr(no))
            if (LapWindow* l = Lap(*f)) fn(l);
}

ProgramWindow* WindowRegistry::Open(Fenster f) {
    if (shuttingDown_ || !ctx_) return nullptr;
    ProgramWindow* w = Find(f);
    if (!w) w = Create(f);
    if (!w) return nullptr;
    w->show();
    w->raise();
    if (WindowRowOf(f).activate) w->activateWindow();
    emit WindowsChanged();
    return w;
}

QWidget* WindowRegistry::Open(const std::string& name) {
    const std::optional<Fenster> f = FensterAusName(name);
    return f ? Open(*f) : nullptr;
}

void WindowRegistry::Close(Fenster f) {
    if (ProgramWindow* w = Find(f)) w->close();
}

void WindowRegistry::Close(const std::string& name) {
    if (const std::optional<Fenster> f = FensterAusName(name)) Close(*f);
}

void WindowRegistry::MarkOpen(const FensterDaten& d, bool open) {
    if (d.zeitfenster) {
        if (open) {
            ctx_->race.WindowLoaded(d.nr);
        } else {
            ctx_->race.WindowUnloaded(d.nr);
        }
    } else if (d.ablage == FensterAblage::Gross) {
        sys_.st.fenster.FensterOffen[d.nr] = open ? kTrue : int16_t{0};
    } else if (d.ablage == FensterAblage::Klein) {
        sys_.st.fenster.FensterOffen2[d.nr] = open ? kTrue : int16_t{0};
    }
}

ProgramWindow* WindowRegistry::Create(Fenster f) {
    const WindowRow& row = WindowRowOf(f);
    const FensterDaten& d = FensterInfo(f);
    ProgramWindow* w = row.create(*ctx_);
    if (!w) return nullptr;
    windows_[Index(f)] = w;
    MarkOpen(d, true);
    Place(w, row.placement, SlotOf(sys_.cfg, d));
    // A window's opening size never exceeds the screen, title bar and panel included.
    FitOnScreen(w);
    connect(w, &ProgramWindow::Unloaded, this, &WindowRegistry::OnUnloaded);
    if (qobject_cast<StartLightWindow*>(w)) RefreshRaceViews();
    return w;
}

void WindowRegistry::OnUnloaded(ProgramWindow* w) {
    const FensterDaten& d = FensterInfo(w->Id());
    StorePlace(w, WindowRowOf(d.id).placement, SlotOf(sys_.cfg, d));
    if (ctx_) MarkOpen(d, false);
    if (windows_[Index(d.id)] == w) windows_[Index(d.id)] = nullptr;
    emit WindowsChanged();
}

void WindowRegistry::DisplayOutput() {
    if (FensterLeeren == 1) {
        ClearAllWindows();
        FensterLeeren = 0;
    }
    for (Fenster f : {Fenster::KVZeit5Spur, Fenster::KVZeit3Spur, Fenster::KVZeit4SpurNeu, Fenster::KVZeit6Spur,
                      Fenster::KVZeit2Spur, Fenster::KVZeit48SpurNeu, Fenster::KVZeit8Spur})
        if (LapWindow* l = Lap(f)) l->Update();
    if (auto* d = qobject_cast<ParPortDebugWindow*>(Find(Fenster::ParPortDebug))) d->Update();
    if (LapWindow* l = Lap(Fenster::Zeit4Spur)) l->Update();
    if (DirectorWindow* d = Director()) d->Update();
    // The position display's lap messages follow here once that part exists.
    if (auto* p = qobject_cast<ParPortSimWindow*>(Find(Fenster::ParPortSim))) p->Update();
    if (auto* c = qobject_cast<ClubResultWindow*>(Find(Fenster::ClubResult))) c->Update();
    if (auto* f = qobject_cast<FahrerWindow*>(Find(Fenster::Fahrer))) f->Update();
}

void WindowRegistry::ClearAllWindows() {
    for (Fenster f : {Fenster::KVZeit3Spur, Fenster::KVZeit5Spur, Fenster::KVZeit6Spur, Fenster::KVZeit4SpurNeu,
                      Fenster::KVZeit2Spur, Fenster::KVZeit48SpurNeu, Fenster::KVZeit8Spur})
        if (LapWindow* l = Lap(f)) l->ClearWindow();
    if (auto* d = qobject_cast<ParPortDebugWindow*>(Find(Fenster::ParPortDebug))) d->ClearWindow();
    if (auto* s = qobject_cast<Zeit4SpurWindow*>(Lap(Fenster::Zeit4Spur))) {
        s->ClearWindow();
        s->BlankStatusLights();
    }
    if (DirectorWindow* d = Director()) d->ClearWindow();
}

DirectorWindow* WindowRegistry::Director() const { return qobject_cast<DirectorWindow*>(Find(Fenster::Rennleitung)); }

void WindowRegistry::ShowBestLapReset(int lane) {
    ForEachLapWindow([lane](LapWindow* l) { l->ShowBestLapReset(lane); });
}

void WindowRegistry::RebuildStandardWindow() {
    if (auto* s = qobject_cast<Zeit4SpurWindow*>(Lap(Fenster::Zeit4Spur))) s->RebuildWindow();
}

void WindowRegistry::RefreshStandardWindow() {
    if (auto* s = qobject_cast<Zeit4SpurWindow*>(Lap(Fenster::Zeit4Spur))) s->RefreshWindow();
}

void WindowRegistry::DisableWindows() {
    ForEachLapWindow([](LapWindow* l) { l->setEnabled(false); });
    if (DirectorWindow* d = Director()) d->setEnabled(false);
}

void WindowRegistry::EnableWindows() {
    ForEachLapWindow([](LapWindow* l) { l->setEnabled(true); });
    if (DirectorWindow* d = Director()) d->setEnabled(true);
}

void WindowRegistry::FuelUpdateAll(int i) {
    ForEachLapWindow([i](LapWindow* l) { l->FuelUpdate(i); });
    if (DirectorWindow* d = Director()) d->FuelUpdate(i);
}

void WindowRegistry::RefreshRaceViews() {
    const RaceUiState& v = sys_.view;
    ForEachLapWindow([&](LapWindow* l) {
        l->SetRaceButtons(sys_.record.CanStart(), v.PauseEnabled(), v.WeiterEnabled());
        if (ctx_) l->ShowLanePower(ctx_->race);
    });
    if (auto* s = qobject_cast<Zeit4SpurWindow*>(Lap(Fenster::Zeit4Spur)))
        s->SetSafetyCarColour(FromBgr(v.safetyCarFarbe));
    if (DirectorWindow* d = Director()) d->RefreshRaceViews();
    for (Fenster f : {Fenster::Startampel, Fenster::Zusatzampel})
        if (auto* a = qobject_cast<StartLightWindow*>(Find(f))) a->Show(v.ampel);
    // A race has ended: its result shows (and stays until the next one).
    if (v.ergebnisNummer != shownResult_ && !shuttingDown_) {
        shownResult_ = v.ergebnisNummer;
        if (IstClubrennen(sys_.st.rennen.Rennmodus) && Open(Fenster::ClubResult)) {
            // A heat of a club race: its result and the ranking show in the club window.
            if (auto* c = qobject_cast<ClubResultWindow*>(Find(Fenster::ClubResult))) c->Update();
        } else {
            Open(Fenster::Ergebnis);
            if (auto* r = qobject_cast<ResultWindow*>(Find(Fenster::Ergebnis))) r->Fill();
        }
    }
}

void WindowRegistry::CloseAllForShutdown() {
    shuttingDown_ = true;
    // Copy first: closing a window removes it from the registry.
    const auto open = windows_;
    for (const auto& w : open)
        if (w) w->CloseForShutdown();
}

void WindowRegistry::SettingsLiveView() {
    auto* z = qobject_cast<ZsaWindow*>(Find(Fenster::ZSA));
    if (!z) return;
    ZsaTimerFunktionen(sys_);
    z->Anzeigen();
}

}  // namespace zk
