// frmSaveDisplay: the progress of a running save of the settings, as the label
// "N%" and a bar. The save opens and closes it.
#pragma once

#include <QLabel>
#include <QProgressBar>

#include "ui/ProgramWindow.h"

namespace zk {

struct RaceState;

class SaveDisplayWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit SaveDisplayWindow(const RaceState& st);
    // Shows the progress counter of the running save.
    void UpdateAnzeige();

private:
    const RaceState& st_;
    QLabel* lblProzent = nullptr;  // object name "Label1"
    QProgressBar* Bar = nullptr;
};

}  // namespace zk
