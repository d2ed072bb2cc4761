// The race-length input windows of the main menu: frmRundeneingabe (laps of a lap
// race) and frmZeiteingabe (minutes of a time race).
#pragma once

#include <QLineEdit>
#include <QPushButton>

#include "ui/ProgramWindow.h"
#include "ui/UiContext.h"

namespace zk {

class RaceLengthInput : public ProgramWindow {
    Q_OBJECT
public:
    // `laps` true: frmRundeneingabe, else frmZeiteingabe.
    RaceLengthInput(UiContext& ctx, bool laps);

protected:
    void Closing(QCloseEvent* e) override;

private:
    UiContext& ctx_;
    const bool laps_;
    QLineEdit* txt_ = nullptr;
    QPushButton* btnSchliessen = nullptr;
};

}  // namespace zk
