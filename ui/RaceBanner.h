// The race-state banner: the race phase in large letters on its colour, with one
// line below it (winner, laps remaining, running penalties). Every lap window
// carries one; any other race window can take one the same way: create it, add
// its two labels to the window's font scaling, and call Show with the banner of
// the race state every cycle.
#pragma once

#include <QColor>
#include <QLabel>
#include <QWidget>

#include "race/RaceResult.h"

namespace zk {

class RaceBanner : public QWidget {
    Q_OBJECT
public:
    explicit RaceBanner(QWidget* parent = nullptr);

    // Shows the banner; nothing is redrawn when it did not change.
    void Show(const Banner& b);

    QLabel* TextLabel() const { return text_; }    // lblRennstatus
    QLabel* ZeileLabel() const { return zeile_; }  // lblRennstatusZeile
    QString Text() const { return text_->text(); }
    QString Zeile() const { return zeile_->text(); }
    QColor Hintergrund() const { return bg_; }

private:
    QLabel* text_;
    QLabel* zeile_;
    QColor bg_;
};

}  // namespace zk
