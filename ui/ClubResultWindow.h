// The club result window frmClubResult: the heat schedule as a tree, the
// result and ranking of the heat just driven, the drivers of the next heat in
// their lane colours, the pause countdown, and the buttons that go on to the
// next heat, repeat the last one or put the window away. It renders what the
// club race computes (ClubErgebnisBerechnen) in every 100 ms cycle.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "ui/ProgramWindow.h"
#include "ui/UiContext.h"

namespace zk {

class ClubRennen;

class ClubResultWindow : public ProgramWindow {
    Q_OBJECT
public:
    ClubResultWindow(UiContext& ctx, ClubRennen& club);
    // Shows the club race as it stands now.
    void Update();

private:
    UiContext& ctx_;
    ClubRennen& club_;
    QLabel* lblTitel;
    QLabel* lblClubRaceOfRace;
    QTreeWidget* trvClubRaceShedule;
    QListWidget* lstClubResult;
    QLabel* lblNextRace;
    std::vector<QLineEdit*> txtTrackColor, txtTrackDriver;  // lanes 1..8 at 0..7
    QLabel* lblCountdown;
    QLineEdit* txtCountdown;
    QPushButton *btnWeiter, *btnRepeat, *btnAbortRace;

    std::vector<std::string> shownTree_;  // texts of the tree as built
    std::vector<std::string> shownList_;
    int shownNext_ = 0;
    bool heatRunning_ = false;
};

}  // namespace zk
