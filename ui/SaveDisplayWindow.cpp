#include "ui/SaveDisplayWindow.h"

#include <QVBoxLayout>

#include "race/RaceState.h"

namespace zk {

SaveDisplayWindow::SaveDisplayWindow(const RaceState& st)
    : ProgramWindow(Fenster::SaveDisplay, Qt::WindowStaysOnTopHint), st_(st) {
    setWindowTitle(QStringLiteral("Einstellungen werden gespeichert"));
    auto* v = new QVBoxLayout(this);
    lblProzent = new QLabel(this);
    lblProzent->setObjectName("Label1");
    lblProzent->setAlignment(Qt::AlignCenter);
    Bar = new QProgressBar(this);
    Bar->setObjectName("Bar");
    Bar->setRange(0, 100);
    Bar->setTextVisible(false);
    v->addWidget(lblProzent);
    v->addWidget(Bar);
    setMinimumWidth(320);
    UpdateAnzeige();
}

void SaveDisplayWindow::UpdateAnzeige() {
    const int p = st_.fenster.SpeicherFortschritt;
    lblProzent->setText(QStringLiteral("%1%").arg(p));
    Bar->setValue(p);
}

}  // namespace zk
