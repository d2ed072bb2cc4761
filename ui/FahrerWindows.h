// The driver windows: frmFahrer keeps the pool of known drivers and the list of
// drivers of the next club race; frmSelectDriver names the lanes of ordinary
// races. Both show the core's lists and call its functions.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <vector>

#include "race/Fahrer.h"
#include "ui/ProgramWindow.h"
#include "ui/UiContext.h"

namespace zk {

class FahrerWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit FahrerWindow(UiContext& ctx);
    const FahrerListen& Listen() const { return l_; }
    // "fertig" is open while no race is being started or driven.
    void Update();

private:
    // Shows the lists, their selections and counts.
    void Zeigen();
    void Aktivieren();
    void Deaktivieren();

    UiContext& ctx_;
    FahrerListen l_;
    QListWidget* lstDriverListe;
    QListWidget* lstActiveDriver;
    QLineEdit* AddDriverWindow;
    QLabel* lblDriverLst2;
    QLabel* lblActiveDrv2;
    QLabel* lblMeldung;
    QPushButton *btnAddDriver, *btnTakeChanges, *btnRemoveDriver, *btnAddToDriverList, *btnRemoveFromList,
        *cmdFahrerFertig;
};

class SelectDriverWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit SelectDriverWindow(UiContext& ctx);

private:
    UiContext& ctx_;
    std::vector<QComboBox*> cmbDriverT;  // lanes 1..8 at 0..7
    QPushButton* btnSchliessen;
    QPushButton* btnTeamNamen;  // "TEAM 1" … "TEAM 8"; object name "Command1"
};

}  // namespace zk
