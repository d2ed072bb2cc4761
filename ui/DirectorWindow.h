// The race director's window frmRennleitung ("Rennleitung"): all eight lanes at
// a glance (laps, position, last and best lap, total, driver, sensor and power
// lamps), the race buttons, per-lane lap corrections, best-lap reset, power and
// lane voltage, the running list `Counts` and the race-flow list `lstRennablauf`.
// Its close button only hides it; the close box unloads it.
//
// The lists and every correction live in the core (system/DirectorDesk,
// race/Director.h); this window shows them and calls them.
#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cstdint>
#include <vector>

#include "ui/ProgramWindow.h"
#include "ui/UiContext.h"

namespace zk {

class StatusLamp;

class DirectorWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit DirectorWindow(UiContext& ctx);

    // Every 100 ms cycle while the window is loaded (also while hidden).
    void Update();
    // The fuel-load voltage of element i (lane i + 1).
    void FuelUpdate(int i);
    // Per-lane fields to their start values; the running list is saved and emptied.
    void ClearWindow();
    // Power lamps and the pause/resume buttons from the race state.
    void RefreshRaceViews();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void Closing(QCloseEvent* e) override;

private:
    QLabel* Label(const QString& name, const QString& text, QWidget* parent);
    QPushButton* Button(const QString& name, const QString& text, QWidget* parent);
    void SyncList(QListWidget* list, const std::vector<std::string>& lines, uint32_t generation, uint32_t& shownGen,
                  size_t& shown);
    QString Countdown() const;

    UiContext& ctx_;
    QLabel *RennModeTxt, *RennMode, *ZeitAnzeige, *SpwAnzeige, *Pausenzeit, *NumOfWins, *lblGesTime;
    QLabel* lblNachlaufRest;  // the after-run time left; object name "Label6"
    std::vector<QLabel*> Spur, Driver, Runden, Rang, LastLap, Fastest, GesTime, Spannung, Tank;
    std::vector<QWidget*> Spur_Color, Netz_Color;
    std::vector<StatusLamp*> Spur_LS, Spur_Strom;
    std::vector<QPushButton*> Plus, Minus1, Reset, PowerBtn, VPlus, VMinus;
    QGroupBox* Netzteil = nullptr;
    QPushButton *btnStartRace, *btnStopRace, *btnPause, *btnWeiter, *btnSafetyCar, *btnFahrer, *btnZmsInfo;
    QPushButton* Totalstop;
    QPushButton* btnClose;  // hides the window; object name "bntZmClose"
    QListWidget *Counts, *lstRennablauf;
    uint32_t countsGen_ = 0, flowGen_ = 0;
    size_t countsShown_ = 0, flowShown_ = 0;
};

}  // namespace zk
