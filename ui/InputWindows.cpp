#include "ui/InputWindows.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "system/RaceSystem.h"
#include "ui/RaceActions.h"

namespace zk {

RaceLengthInput::RaceLengthInput(UiContext& ctx, bool laps) : QWidget(nullptr, Qt::Window), ctx_(ctx), laps_(laps) {
    setObjectName(laps ? "frmRundeneingabe" : "frmZeiteingabe");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(laps ? QStringLiteral("Rundeneingabe") : QStringLiteral("Zeiteingabe"));
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(laps ? QStringLiteral("Anzahl Runden:") : QStringLiteral("Renndauer in Minuten:"), this));
    txt_ = new QLineEdit(this);
    txt_->setObjectName(laps ? "txtRundeneingabe" : "txtZeiteingabe");
    txt_->setText(QString::fromStdString(laps ? ctx_.race.LapInputText() : ctx_.race.TimeInputText()));
    v->addWidget(txt_);
    btnSchliessen = new QPushButton(QString::fromUtf8("Schließen"), this);
    btnSchliessen->setObjectName("btnSchliessen");
    v->addWidget(btnSchliessen);
    connect(txt_, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (laps_) {
            ctx_.race.LapInputChanged(t.toStdString());
        } else {
            ctx_.race.TimeInputChanged(t.toStdString());
        }
        ctx_.updateLapTimeSettings();
    });
    connect(btnSchliessen, &QPushButton::clicked, this, &QWidget::close);
    connect(txt_, &QLineEdit::returnPressed, this, &QWidget::close);
    resize(280, 120);
}

void RaceLengthInput::CloseForShutdown() {
    shutdown_ = true;
    close();
}

void RaceLengthInput::closeEvent(QCloseEvent* e) {
    if (!laps_ && !shutdown_) {
        ctx_.race.TimeInputClosed();
        ctx_.updateLapTimeSettings();
    }
    e->accept();
    emit Unloaded(this);
}

}  // namespace zk
