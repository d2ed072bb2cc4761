// The two windows of the time race with automatic lane change:
// frmSpwDisplay opens at the end of every segment and shows the segment just
// driven and every team's laps; its buttons Start and Close start the next
// segment (the core's SpurwechselRennen::Weiter). frmAnzeigeZrEinteilung shows
// how the race time is divided into segments.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <array>

#include "race/RaceState.h"
#include "ui/ProgramWindow.h"

namespace zk {

struct UiContext;
class SpurwechselRennen;

class SpwDisplayWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit SpwDisplayWindow(UiContext& ctx);
    // Segment number and the teams' laps and names.
    void Anzeigen();

protected:
    void showEvent(QShowEvent* e) override;
    void Closing(QCloseEvent* e) override;

private:
    void Weiter();
    void Starten();
    const SpurwechselRennen* Serie() const;

    UiContext& ctx_;
    QLabel* lblRvonR = nullptr;
    QLabel* lblSieger = nullptr;  // the series' winner after its last segment
    std::array<QLabel*, kLanes> lblTeam{};
    std::array<QLabel*, kLanes> lblRundenT{};
    std::array<QLabel*, kLanes> lblNummer_{};
    QPushButton* Start = nullptr;
    QPushButton* Close = nullptr;
};

class ZrEinteilungWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit ZrEinteilungWindow(UiContext& ctx);
    void Anzeigen();

protected:
    void showEvent(QShowEvent* e) override;

private:
    UiContext& ctx_;
    std::array<QLabel*, kLanes> lblRennen_{};
    std::array<QLabel*, kLanes> lblMinuten{};
    QLabel* lblGesamtzeit = nullptr;
    QLabel* lblAnzahl = nullptr;
    QLabel* lblKeine_ = nullptr;
    QPushButton* btnSchliessen = nullptr;
};

}  // namespace zk
