// The port test and simulation windows.
//
// frmParPortSim ("Parallelport testen") switches the 1 ms sampler to the port
// simulator, toggles every output line by hand, replaces the learned masks by a
// simple wiring ("Automatisch zählen") and sweeps over the lanes. frmParPortDebug
// ("Parallelport Simulieren") forces lane inputs by mouse, produces automatic
// crossings per lane at a settable lap time and fills a lane's tank. Both only
// change the shared race state and the register images.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <vector>

#include "race/PortSim.h"
#include "ui/ProgramWindow.h"
#include "ui/UiContext.h"

namespace zk {

class ParPortSimWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit ParPortSimWindow(UiContext& ctx);
    // Live state display (port, input word, register images, bus).
    void Update();
    QTimer* ParSim() { return &ParSim_; }

protected:
    void Closing(QCloseEvent* e) override;

private:
    void OnAutoZaehlen(bool on);
    void OnParSim();

    UiContext& ctx_;
    std::vector<QPushButton*> SpurTrue;
    QPushButton *ConfPin1, *ConfPin14, *ConfPin16, *ConfPin17;
    QCheckBox* chkAutoZaehlen = nullptr;  // "Automatisch zählen"; object name "Check1"
    QCheckBox* chkAufAb = nullptr;        // "Auf ab zählen"; object name "Check2"
    QCheckBox* chkTagHeuer = nullptr;
    QPushButton* Sim1ms = nullptr;
    QPushButton* btnStartRace = nullptr;
    QPushButton* btnStopRace = nullptr;
    QLabel* lblZustand = nullptr;
    QTimer ParSim_;
};

class ParPortDebugWindow : public ProgramWindow {
    Q_OBJECT
public:
    static constexpr int kSimLanes = PortSimulation::kSimLanes;
    explicit ParPortDebugWindow(UiContext& ctx);
    // Automatic crossings: called by the display output every 100 ms.
    void Update();
    void ClearWindow();

private:
    void Tanken(int i);

    UiContext& ctx_;
    std::vector<QPushButton*> SpurTrue;
    std::vector<QLineEdit*> AutoZeit;
    std::vector<QLineEdit*> TankWert;
    std::vector<QPushButton*> TankenBtn;
    QCheckBox* AutoAusBox = nullptr;
};

}  // namespace zk
