// The result of the last race (frmErgebnis): position, lane, driver, laps, total
// time, best lap, false starts and penalties, the winner, and where the result
// files went. It opens by itself when a race has ended (training excepted) and
// from the menu; it shows what race control kept in the race view.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "ui/ProgramWindow.h"

namespace zk {

class RaceSystem;

// The folder the result files go to ("" without a data directory).
QString ResultFolder(const RaceSystem& sys);
// Opens the result folder in the desktop's file manager (creating it first).
// Returns false when it cannot be shown.
bool OpenResultFolder(const RaceSystem& sys);
// Where the result folder is, for a person; `opened`: whether it was shown.
QString ResultFolderText(const RaceSystem& sys, bool opened);

class ResultWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit ResultWindow(const RaceSystem& sys);
    // Shows the result kept in the race view.
    void Fill();

private:
    const RaceSystem& sys_;
    QLabel* lblTitel_;
    QLabel* lblSieger_;
    QTableWidget* lstErgebnis_;
    QLabel* lblDateien_;
    QPushButton* btnOrdner_;
};

}  // namespace zk
