#include "ui/SaveDisplayWindow.h"

#include <QVBoxLayout>

#include "race/RaceState.h"

namespace zk {

SaveDisplayWindow::SaveDisplayWindow(const RaceState& st) : ProgramWindow(Fenster::SaveDisplay, Qt::WindowStaysOnTopHint), st_(st) {
    setWindowTitle(QStringLiteral("Einstellungen werden gespeichert"));
    auto* v = new QVBoxLayout(this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setAlignment(Qt::AlignCenter);
    Bar = new QProgressBar(this);
    Bar->setObjectName("Bar");
    Bar->setRange(0, 100);
    Bar->setTextVisible(false);
    v->addWidget(Label1);
    v->addWidget(Bar);
    setMinimumWidth(320);
    UpdateAnzeige();
}

void SaveDisplayWindow::UpdateAnzeige() {
    const int p = st_.SpeicherFortschritt;
    Label1->setText(QStringLiteral("%1%").arg(p));
    Bar->setValue(p);
}

}  // namespace zk
