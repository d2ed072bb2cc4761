#include "ui/UpdateForms.h"

#include <QApplication>

#include "system/RaceSystem.h"
#include "ui/ClubResultWindow.h"
#include "ui/FahrerWindows.h"
#include "ui/InputWindows.h"
#include "ui/SoundWindows.h"
#include "ui/KVZeitWindow.h"
#include "ui/ParPortWindows.h"
#include "ui/RaceActions.h"
#include "ui/KVPowerWindow.h"
#include "ui/RennleitungWindow.h"
#include "ui/ResultWindow.h"
#include "ui/SaveDisplayWindow.h"
#include "ui/SpwWindows.h"
#include "ui/StartLightWindow.h"
#include "ui/UiContext.h"
#include "ui/WindowGeometry.h"
#include "ui/ZsaWindow.h"
#include "race/TeachIn.h"
#include "ui/Zeit4SpurWindow.h"

namespace zk {

const std::vector<std::string>& LapWindowNames() {
    static const std::vector<std::string> names = {"frmZeit4Spur",   "frmKVZeit2Spur", "frmKVZeit3Spur",
                                                   "frmKVZeit4SpurNeu", "frmKVZeit5Spur", "frmKVZeit6Spur",
                                                   "frmKVZeit8Spur", "frmKVZeit48SpurNeu"};
    return names;
}

std::string DefaultWindowName(int ansicht) {
    static const char* const names[] = {"",
                                        "frmKVZeit2Spur",
                                        "frmKVZeit3Spur",
                                        "frmZeit4Spur",
                                        "frmKVZeit5Spur",
                                        "frmKVZeit4SpurNeu",
                                        "frmKVZeit6Spur",
                                        "frmKVZeit8Spur",
                                        "frmKVZeit48SpurNeu"};
    return ansicht >= 1 && ansicht <= 8 ? names[ansicht] : std::string();
}

UpdateForms::UpdateForms(RaceSystem& sys) : sys_(sys) {}

int UpdateForms::OffeneZeitfenster() const { return sys_.view.OffeneZeitfenster; }

UpdateForms::~UpdateForms() {
    // Windows still open belong to nobody else; destroy them with the registry.
    // A window that forgets itself as it is destroyed must not change the map
    // being walked, nor tell the main window, which is going away too.
    blockSignals(true);
    const auto open = std::move(windows_);
    windows_.clear();
    for (const auto& [name, w] : open) delete w.data();
}

QWidget* UpdateForms::Find(const std::string& name) const {
    auto it = windows_.find(name);
    return it != windows_.end() && it->second ? it->second.data() : nullptr;
}

LapWindow* UpdateForms::Lap(int windowNo) const {
    for (const auto& [name, w] : windows_) {
        auto* lap = qobject_cast<LapWindow*>(w.data());
        if (lap && lap->FlagIndex() == windowNo) return lap;
    }
    return nullptr;
}

QWidget* UpdateForms::Open(const std::string& name) {
    if (shuttingDown_ || !ctx_) return nullptr;
    QWidget* w = Find(name);
    if (!w) w = Create(name);
    if (!w) return nullptr;
    w->show();
    w->raise();
    // The start light, the save progress and the results must not take the
    // keyboard from the lap windows.
    if (!qobject_cast<StartLightWindow*>(w) && !qobject_cast<SaveDisplayWindow*>(w) && !qobject_cast<ResultWindow*>(w) &&
        !qobject_cast<ClubResultWindow*>(w))
        w->activateWindow();
    emit WindowsChanged();
    return w;
}

void UpdateForms::Close(const std::string& name) {
    if (QWidget* w = Find(name)) w->close();
}

void UpdateForms::Forget(const std::string& name) {
    windows_.erase(name);
    emit WindowsChanged();
}

QWidget* UpdateForms::Create(const std::string& name) {
    // Every window carries a name from the one window table.
    if (!FensterAusName(name)) return nullptr;
    UiContext& ctx = *ctx_;
    auto& wp = sys_.cfg.WindowPositions;
    QWidget* w = nullptr;
    LapWindow* lap = nullptr;
    if (const KVZeitConfig* c = FindKVZeitConfig(name)) {
        lap = new KVZeitWindow(ctx, *c);
    } else if (name == "frmZeit4Spur") {
        lap = new Zeit4SpurWindow(ctx);
    }
    if (lap) {
        const int no = lap->FlagIndex();
        ctx.race.WindowLoaded(no);
        RestoreGeometry(lap, wp.Top[no], wp.Left[no], wp.Height[no], wp.Width[no], lap->size());
        connect(lap, &LapWindow::Unloaded, this, &UpdateForms::OnLapUnloaded);
        w = lap;
    } else if (name == "frmStartampel" || name == "frmZusatzampel") {
        auto* sl = new StartLightWindow(ctx, QString::fromStdString(name));
        if (name == "frmZusatzampel") RestorePosition(sl, wp.AmpelTop, wp.AmpelLeft);
        connect(sl, &StartLightWindow::Unloaded, this, [this, name](StartLightWindow* x) {
            if (name == "frmZusatzampel") StorePosition(x, sys_.cfg.WindowPositions.AmpelTop, sys_.cfg.WindowPositions.AmpelLeft);
            Forget(name);
        });
        w = sl;
    } else if (name == "frmParPortSim") {
        auto* p = new ParPortSimWindow(ctx);
        connect(p, &ParPortSimWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmParPortDebug") {
        auto* p = new ParPortDebugWindow(ctx);
        sys_.st.FensterOffen[kWinParDebug] = kTrue;
        connect(p, &ParPortDebugWindow::Unloaded, this, [this, name](QWidget*) {
            sys_.st.FensterOffen[kWinParDebug] = 0;
            Forget(name);
        });
        w = p;
    } else if (name == "frmRennleitung") {
        auto* d = new RennleitungWindow(ctx);
        sys_.st.FensterOffen[kWinRennleitung] = kTrue;
        const int no = kWinRennleitung;
        RestoreGeometry(d, wp.Top[no], wp.Left[no], wp.Height[no], wp.Width[no], d->size());
        connect(d, &RennleitungWindow::Unloaded, this, [this, name](QWidget* x) {
            sys_.st.FensterOffen[kWinRennleitung] = 0;
            sys_.Desk().Unloaded();
            auto& p = sys_.cfg.WindowPositions;
            StoreGeometry(x, p.Top[kWinRennleitung], p.Left[kWinRennleitung], p.Height[kWinRennleitung],
                          p.Width[kWinRennleitung]);
            Forget(name);
        });
        w = d;
    } else if (name == "frmZSA") {
        auto* z = new ZsaWindow(ctx);
        connect(z, &ZsaWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = z;
    } else if (name == "frmSaveDisplay") {
        auto* p = new SaveDisplayWindow(sys_.st);
        connect(p, &SaveDisplayWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmKVPower") {
        auto* p = new KVPowerWindow(ctx);
        connect(p, &KVPowerWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmErgebnis") {
        auto* p = new ResultWindow(sys_);
        connect(p, &ResultWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmSpwDisplay") {
        auto* p = new SpwDisplayWindow(ctx);
        connect(p, &SpwDisplayWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmAnzeigeZrEinteilung") {
        auto* p = new ZrEinteilungWindow(ctx);
        connect(p, &ZrEinteilungWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmRundeneingabe" || name == "frmZeiteingabe") {
        auto* p = new RaceLengthInput(ctx, name == "frmRundeneingabe");
        connect(p, &RaceLengthInput::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmSoundfiles" || name == "frmSoundOpenFile") {
        QWidget* p = name == "frmSoundfiles" ? static_cast<QWidget*>(new SoundFilesWindow(ctx))
                                             : static_cast<QWidget*>(new SoundOpenFileWindow(ctx));
        connect(p, &QObject::destroyed, this, [this, name] { Forget(name); });
        w = p;
    } else if (name == "frmFahrer") {
        auto* p = new FahrerWindow(ctx);
        connect(p, &FahrerWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmSelectDriver") {
        auto* p = new SelectDriverWindow(ctx);
        connect(p, &SelectDriverWindow::Unloaded, this, [this, name](QWidget*) { Forget(name); });
        w = p;
    } else if (name == "frmClubResult" && ctx.club) {
        auto* p = new ClubResultWindow(ctx, *ctx.club);
        RestorePosition(p, wp.SmallTop[kWinClubResult], wp.SmallLeft[kWinClubResult]);
        sys_.st.FensterOffen2[kWinClubResult] = kTrue;
        connect(p, &ClubResultWindow::Unloaded, this, [this, name](QWidget* x) {
            StorePosition(x, sys_.cfg.WindowPositions.SmallTop[kWinClubResult],
                          sys_.cfg.WindowPositions.SmallLeft[kWinClubResult]);
            sys_.st.FensterOffen2[kWinClubResult] = 0;
            Forget(name);
        });
        w = p;
    }
    if (w) windows_[name] = w;
    if (qobject_cast<StartLightWindow*>(w)) RefreshRaceViews();
    return w;
}

void UpdateForms::OnLapUnloaded(LapWindow* w) {
    const int no = w->FlagIndex();
    if (ctx_) ctx_->race.WindowUnloaded(no);
    auto& wp = sys_.cfg.WindowPositions;
    StoreGeometry(w, wp.Top[no], wp.Left[no], wp.Height[no], wp.Width[no]);
    Forget(w->objectName().toStdString());
}

void UpdateForms::DisplayOutput() {
    if (FensterLeeren == 1) {
        ClearAllWindows();
        FensterLeeren = 0;
    }
    for (int no : {kWinKV5, kWinKV3, kWinKV4Neu, kWinKV6, kWinKV2, kWinKV48Neu, kWinKV8})
        if (LapWindow* l = Lap(no)) l->Update();
    if (auto* d = qobject_cast<ParPortDebugWindow*>(Find("frmParPortDebug"))) d->Update();
    if (LapWindow* l = Lap(kWinStd4)) l->Update();
    if (RennleitungWindow* d = Director()) d->Update();
    // The position display's lap messages follow here once that part exists.
    if (auto* p = qobject_cast<ParPortSimWindow*>(Find("frmParPortSim"))) p->Update();
    if (auto* c = qobject_cast<ClubResultWindow*>(Find("frmClubResult"))) c->Update();
    if (auto* f = qobject_cast<FahrerWindow*>(Find("frmFahrer"))) f->Update();
}

void UpdateForms::ClearAllWindows() {
    for (int no : {kWinKV3, kWinKV5, kWinKV6, kWinKV4Neu, kWinKV2, kWinKV48Neu, kWinKV8})
        if (LapWindow* l = Lap(no)) l->ClearWindow();
    if (auto* d = qobject_cast<ParPortDebugWindow*>(Find("frmParPortDebug"))) d->ClearWindow();
    if (auto* s = qobject_cast<Zeit4SpurWindow*>(Lap(kWinStd4))) {
        s->ClearWindow();
        s->BlankStatusLights();
    }
    if (RennleitungWindow* d = Director()) d->ClearWindow();
}

RennleitungWindow* UpdateForms::Director() const { return qobject_cast<RennleitungWindow*>(Find("frmRennleitung")); }

void UpdateForms::ShowBestLapReset(int lane) {
    for (int no = 0; no < kWinCount; ++no)
        if (LapWindow* l = Lap(no)) l->ShowBestLapReset(lane);
}

void UpdateForms::RebuildStandardWindow() {
    if (auto* s = qobject_cast<Zeit4SpurWindow*>(Lap(kWinStd4))) s->RebuildWindow();
}

void UpdateForms::RefreshStandardWindow() {
    if (auto* s = qobject_cast<Zeit4SpurWindow*>(Lap(kWinStd4))) s->RefreshWindow();
}

void UpdateForms::DisableWindows() {
    for (int no = 0; no < kWinCount; ++no)
        if (LapWindow* l = Lap(no)) l->setEnabled(false);
    if (RennleitungWindow* d = Director()) d->setEnabled(false);
}

void UpdateForms::EnableWindows() {
    for (int no = 0; no < kWinCount; ++no)
        if (LapWindow* l = Lap(no)) l->setEnabled(true);
    if (RennleitungWindow* d = Director()) d->setEnabled(true);
}

void UpdateForms::FuelUpdateAll(int i) {
    for (int no = 0; no < kWinCount; ++no)
        if (LapWindow* l = Lap(no)) l->FuelUpdate(i);
    if (RennleitungWindow* d = Director()) d->FuelUpdate(i);
}

void UpdateForms::RefreshRaceViews() {
    const RaceUiState& v = sys_.view;
    for (int no = 0; no < kWinCount; ++no)
        if (LapWindow* l = Lap(no)) {
            l->SetRaceButtons(sys_.record.CanStart(), v.PauseEnabled(), v.WeiterEnabled());
            if (ctx_) l->ShowLanePower(ctx_->race);
        }
    if (auto* s = qobject_cast<Zeit4SpurWindow*>(Lap(kWinStd4))) s->SetSafetyCarColour(FromBgr(v.safetyCarFarbe));
    if (RennleitungWindow* d = Director()) d->RefreshRaceViews();
    for (const char* name : {"frmStartampel", "frmZusatzampel"})
        if (auto* a = qobject_cast<StartLightWindow*>(Find(name))) a->Show(v.ampel);
    // A race has ended: its result shows (and stays until the next one).
    if (v.ergebnisNummer != shownResult_ && !shuttingDown_) {
        shownResult_ = v.ergebnisNummer;
        if (IstClubrennen(sys_.st.Rennmodus) && Open("frmClubResult")) {
            // A heat of a club race: its result and the ranking show in the club window.
            if (auto* c = qobject_cast<ClubResultWindow*>(Find("frmClubResult"))) c->Update();
        } else {
            Open("frmErgebnis");
            if (auto* r = qobject_cast<ResultWindow*>(Find("frmErgebnis"))) r->Fill();
        }
    }
}

void UpdateForms::CloseAllForShutdown() {
    shuttingDown_ = true;
    // Copy first: closing a window removes it from the registry.
    std::vector<QPointer<QWidget>> open;
    for (auto& [name, w] : windows_)
        if (w) open.push_back(w);
    for (auto& w : open) {
        if (!w) continue;
        if (auto* l = qobject_cast<LapWindow*>(w.data())) {
            l->CloseForShutdown();
        } else if (auto* r = qobject_cast<RaceLengthInput*>(w.data())) {
            r->CloseForShutdown();
        } else {
            w->close();
        }
    }
}

void UpdateForms::SettingsLiveView() {
    auto* z = qobject_cast<ZsaWindow*>(Find("frmZSA"));
    if (!z) return;
    ZsaTimerFunktionen(sys_);
    z->Anzeigen();
}

}  // namespace zk
