// The start-light windows frmStartampel and frmZusatzampel: ten red lamps in five
// pairs, five green lamps and one false-start lamp per lane with its lane number.
// A lit lamp is filled solid, a dark one shows a diagonal cross in its colour.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <vector>

#include "race/RaceUiState.h"
#include "ui/ProgramWindow.h"
#include "ui/UiContext.h"

namespace zk {

class Lamp : public QWidget {
    Q_OBJECT
public:
    Lamp(const QColor& colour, QWidget* parent);
    void SetLit(bool lit);
    bool Lit() const { return lit_; }
    QColor Colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor colour_;
    bool lit_ = false;
};

class StartLightWindow : public ProgramWindow {
    Q_OBJECT
public:
    static constexpr int kLamps = 23;       // ltAmpel1 0..22
    static constexpr int kFirstGreen = 10;  // 10..14
    static constexpr int kFirstFalse = 15;  // lane + 14

    // `id` is Fenster::Startampel or Fenster::Zusatzampel.
    StartLightWindow(UiContext& ctx, Fenster id);

    void SetLamp(int index, bool lit);
    bool LampLit(int index) const;
    // The false-start lamp and lane number of `lane` (1..8).
    void ShowFalseStart(int lane, bool visible);
    bool FalseStartShown(int lane) const;
    // All lamps dark, false-start lamps hidden.
    void ResetLamps();
    // Lamps and lane numbers as race control has set them.
    void Show(const StartampelAnzeige& a);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    UiContext& ctx_;
    std::vector<Lamp*> ltAmpel1;
    std::vector<QLabel*> SpurNr;
    QPushButton* btnAmpelAbbruch = nullptr;
};

}  // namespace zk
