// The race-length input windows of the main menu: frmRundeneingabe (laps of a lap
// race) and frmZeiteingabe (minutes of a time race).
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "ui/UiContext.h"

namespace zk {

class RaceLengthInput : public QWidget {
    Q_OBJECT
public:
    // `laps` true: frmRundeneingabe, else frmZeiteingabe.
    RaceLengthInput(UiContext& ctx, bool laps);
    void CloseForShutdown();

signals:
    void Unloaded(QWidget* w);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    UiContext& ctx_;
    const bool laps_;
    bool shutdown_ = false;
    QLineEdit* txt_ = nullptr;
    QPushButton* btnSchliessen = nullptr;
};

}  // namespace zk
