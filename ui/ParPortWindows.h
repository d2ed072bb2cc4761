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
#include <QWidget>
#include <array>
#include <vector>

#include "ui/UiContext.h"

namespace zk {

class ParPortSimWindow : public QWidget {
    Q_OBJECT
public:
    explicit ParPortSimWindow(UiContext& ctx);
    // Live state display (port, input word, register images, bus).
    void Update();
    void CloseForShutdown() { close(); }
    QTimer* ParSim() { return &ParSim_; }

signals:
    void Unloaded(QWidget* w);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void OnCheck1(bool on);
    void OnParSim();
    void RestoreLearnedValues();

    UiContext& ctx_;
    std::vector<QPushButton*> SpurTrue;
    QPushButton *ConfPin1, *ConfPin14, *ConfPin16, *ConfPin17;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* chkTagHeuer = nullptr;
    QPushButton* Sim1ms = nullptr;
    QPushButton* btnStartRace = nullptr;
    QPushButton* btnStopRace = nullptr;
    QLabel* lblZustand = nullptr;
    QTimer ParSim_;
};

class ParPortDebugWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSimLanes = 6;
    explicit ParPortDebugWindow(UiContext& ctx);
    // Automatic crossings: called by the display output every 100 ms.
    void Update();
    void ClearWindow();
    void CloseForShutdown() { close(); }

    std::array<int32_t, kSimLanes + 1> AutoPeriode{};  // 1..6, ms
    std::array<int32_t, kSimLanes + 1> AutoZaehler{};
    std::array<int16_t, kSimLanes + 1> AutoAktiv{};
    uint8_t AutoAus = 0;

signals:
    void Unloaded(QWidget* w);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // Forces input n (1..6) active or inactive in the input word.
    void ForceInput(int n, bool active);
    void Tanken(int i);

    UiContext& ctx_;
    std::vector<QPushButton*> SpurTrue;
    std::vector<QLineEdit*> AutoZeit;
    std::vector<QLineEdit*> TankWert;
    std::vector<QPushButton*> TankenBtn;
    QCheckBox* AutoAusBox = nullptr;
};

// Numeric value of a text as the windows read typed numbers: leading blanks, an
// optional sign, digits and a decimal separator ("," or "."); anything after the
// number is ignored and a text without a number gives 0.
double LeadingNumber(const QString& text);

}  // namespace zk
