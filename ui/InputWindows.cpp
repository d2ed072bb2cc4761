#include "ui/InputWindows.h"

#include <QLabel>
#include <QVBoxLayout>

#include "system/RaceSystem.h"
#include "ui/RaceActions.h"

namespace zk {

RaceLengthInput::RaceLengthInput(UiContext& ctx, bool laps)
    : ProgramWindow(laps ? Fenster::Rundeneingabe : Fenster::Zeiteingabe), ctx_(ctx), laps_(laps) {
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

void RaceLengthInput::Closing(QCloseEvent*) {
    if (!laps_ && !ShuttingDown()) {
        ctx_.race.TimeInputClosed();
        ctx_.updateLapTimeSettings();
    }
}

}  // namespace zk
