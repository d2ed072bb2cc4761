// The standard 4-lane window frmZeit4Spur: the lap fields of every lap window
// plus a lap list per lane, totals, standing and pass-through times, sensor
// status lamps, pause and after-run times, and the lane-change display fields.
#pragma once

#include <QListWidget>
#include <QLineEdit>

#include "ui/LapWindow.h"

namespace zk {

// A round status lamp (shape) filled with one colour.
class StatusLamp : public QWidget {
    Q_OBJECT
public:
    explicit StatusLamp(QWidget* parent = nullptr);
    void SetColour(const QColor& c);
    QColor Colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor colour_{Qt::lightGray};
};

class Zeit4SpurWindow : public LapWindow {
    Q_OBJECT
public:
    explicit Zeit4SpurWindow(UiContext& ctx);
    void Update() override;
    void ClearWindow() override;

    // Shows only the lanes that take part ([Aktive Spuren]).
    void ShowLanes();
    // Status lamps back to neutral grey.
    void BlankStatusLights();
    void ClearRundenzeitenListbox();
    // After changes of settings, lanes or mode: lanes, optional fields, contents.
    void RebuildWindow();
    // Lanes and optional fields as the race mode says, keeping the contents.
    void RefreshWindow();
    void SetSafetyCarColour(const QColor& c);

protected:
    void KeyTyped(char key) override;

private:
    void Refresh();

    std::vector<QWidget*> laneColumn_;
    std::vector<QListWidget*> lstZeitenT;
    std::vector<QLabel*> lblTotal, lblThroughTime, lblStandT;
    std::vector<StatusLamp*> shpStatus;
    QLabel* lblPausenzeit = nullptr;
    QLabel* lblDispNachlauf = nullptr;
    QLineEdit* txtNachlaufzeit = nullptr;
    QLabel* lblSpwAnzeige = nullptr;
    QPushButton* btnShowClubRace = nullptr;
    QPushButton* btnZmsInfo = nullptr;
};

}  // namespace zk
