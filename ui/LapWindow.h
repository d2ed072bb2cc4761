// Common part of every lap-time window: the per-lane control arrays, the race
// buttons, key handling, closing rules and proportional font scaling.
//
// Control arrays are Qt object names with the element index appended:
// `Spur_LapTime_2` is element 2 (lane 3) of `Spur_LapTime`.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/ProgramWindow.h"
#include "ui/RaceBanner.h"
#include "ui/UiContext.h"
#include "ui/WindowGeometry.h"

namespace zk {

QString ArrayName(const char* base, int index);
// A number as the windows show it: decimal comma, no thousands separator ("100,00").
QString GermanDecimal(double v, int decimals);
// A time text of the core ("5.350", "1:02.345") as a person reads it here, with
// the decimal comma: "5,350", "1:02,345". Lap times show as seconds, totals as
// minutes and seconds, in every window alike.
QString ZeitText(const std::string& t);

// The fuel bar of a lane: filled to `Fraction` of its width in the lane's fuel colour.
class FuelBar : public QWidget {
    Q_OBJECT
public:
    explicit FuelBar(QWidget* parent = nullptr);
    void Set(double fraction, const QColor& colour);
    double Fraction() const { return fraction_; }
    QColor Colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double fraction_ = 1.0;
    QColor colour_{0, 192, 0};
};

class LapWindow : public ProgramWindow {
    Q_OBJECT
public:
    LapWindow(UiContext& ctx, Fenster id, int lanes);

    int Lanes() const { return lanes_; }

    // Refreshes the window from the lane records (every 100 ms cycle).
    virtual void Update() = 0;
    // Fuel label and bar of lane `laneIndex` + 1, when the window shows that lane.
    virtual void FuelUpdate(int laneIndex);
    // Empties the lap fields, shows the driver names and the race title.
    virtual void ClearWindow();

    // Enables the pause and resume buttons as the race's button set says.
    // Start only on an idle track; Pause and Weiter by the race's button set.
    void SetRaceButtons(bool startEnabled, bool pauseEnabled, bool weiterEnabled);
    // Colours each lane's power button: green with track power, red without.
    void ShowLanePower(const RaceActions& race);
    // The race director reset lane `lane`'s best lap: its best-lap label shows "0.000".
    void ShowBestLapReset(int lane);
    // The lane element i of the control arrays shows (1..8).
    int LaneOf(int i) const { return i >= 0 && i < static_cast<int>(laneOf_.size()) ? laneOf_[i] : i + 1; }
    // The element that shows lane `lane`; -1 when the window does not show it.
    int ElementOf(int lane) const;
protected:
    void keyPressEvent(QKeyEvent* e) override;
    void Closing(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

    // Key typed in the window; the standard window adds start and stop.
    virtual void KeyTyped(char key);

    QLabel* MakeLabel(const QString& name, const QString& text, double pt, QWidget* parent);
    QPushButton* MakeButton(const QString& name, const QString& text, double pt, QWidget* parent);
    // The window's outer layout with its head row: the race title (lblTitel)
    // on the left, the time-race countdown (lblGesZeit) on the right; below it
    // the race-state banner.
    QVBoxLayout* MakeLayoutWithHead(double titlePt, double timePt);
    // The row of race buttons at the bottom of the window.
    QWidget* MakeRaceButtons(bool withPowerAll);
    // Shows the race-state banner, the time-race countdown and, for every lane
    // with a lap evaluated in this cycle, its lap time, lap count and (when it
    // was a best lap) best lap.
    void ShowCountdownAndLaps();
    // Colours of [Farben] for lane `lane` applied to a lane strip and its labels.
    void ApplyLaneColours(QWidget* strip, QLabel* laneNumber, int lane, const std::vector<QLabel*>& texts);
    QString DriverName(int lane) const;
    // The heading of the race the laps belong to, in the head row and the title.
    void ShowHeading();
    // Shrinks the head row's title until it fits its room.
    void FitHeading();
    // What the window shows, for its title: "Anzeige 3 Spuren (Spur 1–3)",
    // "Anzeige 2 Spuren (Spur 1, 4)".
    QString ViewCaption() const;
    // A window with fewer columns than the track has lanes shows the lanes that
    // take part when they fit (a fresh install races lanes 1 and 4, and the
    // 2-lane window shows those two), filled up with the lowest other lanes;
    // with more lanes taking part than columns, the first of them. Windows with
    // eight columns and the standard window (which hides the lanes not taking
    // part) show lanes in order. True when the choice changed.
    bool ChooseLanes();
    // The window shows other lanes than before: lane numbers and colours anew.
    virtual void LanesChanged() {}

    UiContext& ctx_;
    const int lanes_;
    FontScaler scaler_;

    std::vector<QLabel*> Spur_Laps, Spur_LapTime, Spur_Fastest, Spur_Rank, Spur_Name, Spur_Driver, Spur_FuelVal;
    std::vector<FuelBar*> Spur_FuelBar;
    std::vector<QPushButton*> PowerBtn, ResetBtn;
    QLabel* lblTitel_ = nullptr;
    QString heading_;  // the race title the window shows in its head row
    double headingPt_ = 0;  // the head row's scaled point size
    QLabel* lblGesZeit = nullptr;
    QPushButton* btnStartRace = nullptr;
    QPushButton* btnStopRace = nullptr;
    QPushButton* btnPause = nullptr;
    QPushButton* btnWeiter = nullptr;
    QPushButton* btnSafetyCar = nullptr;
    QPushButton* btnFahrer = nullptr;
    QPushButton* btnClose = nullptr;  // object name "bntZmClose"
    QPushButton* PowerAll = nullptr;
    RaceBanner* banner_ = nullptr;  // race-state banner below the head row

private:
    std::vector<int> laneOf_;       // per element: the lane it shows
    std::vector<int> shownPower_;  // per PowerBtn: -1 unknown, 0 off, 1 on
};

}  // namespace zk
