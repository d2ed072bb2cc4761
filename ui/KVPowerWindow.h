// frmKVPower ("Bahnspannung für Tanknetzteil"): the set voltage of every lane,
// with preset and step buttons per lane and for all lanes at once. The buttons
// call the core; every changed lane voltage is written to the settings file at
// once.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QTimer>
#include <array>

#include "ui/ProgramWindow.h"
#include "ui/UiContext.h"

namespace zk {

class KVPowerWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit KVPowerWindow(UiContext& ctx);
    void UpdateAnzeige();

protected:
    void Closing(QCloseEvent* e) override;

private:
    void Knopf(int lane, int knopf);  // lane 0: "Alle Spuren"
    UiContext& ctx_;
    std::array<QLabel*, 9> SpurSpannung{};
    std::array<QLabel*, 9> lblWert{};
    std::array<QCheckBox*, 9> chkTankOff{};
    QTimer refresh_;
};

}  // namespace zk
