#include "ui/StartLightWindow.h"

#include <QGridLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

#include "system/RaceSystem.h"
#include "ui/LapWindow.h"
#include "ui/RaceActions.h"

namespace zk {

Lamp::Lamp(const QColor& colour, QWidget* parent) : QWidget(parent), colour_(colour) {
    setMinimumSize(10, 10);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void Lamp::SetLit(bool lit) {
    if (lit == lit_) return;
    lit_ = lit;
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = std::max(4, std::min(width(), height()) - 4);
    const QRect r((width() - d) / 2, (height() - d) / 2, d, d);
    p.setPen(QPen(QColor(30, 30, 30), 2));
    p.setBrush(QColor(25, 25, 25));
    p.drawEllipse(r);
    p.setBrush(lit_ ? QBrush(colour_) : QBrush(colour_, Qt::DiagCrossPattern));
    p.drawEllipse(r);
}

StartLightWindow::StartLightWindow(UiContext& ctx, Fenster id) : ProgramWindow(id), ctx_(ctx) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(id == Fenster::Zusatzampel ? QStringLiteral("Zusatzampel") : QStringLiteral("Startampel"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(15, 15, 15));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* top = new QVBoxLayout(this);
    auto* lamps = new QGridLayout;
    lamps->setSpacing(6);
    ltAmpel1.resize(kLamps, nullptr);
    const QColor red(255, 0, 0), green(0, 192, 0);
    for (int i = 0; i < kLamps; ++i) {
        ltAmpel1[i] = new Lamp(i >= kFirstGreen && i < kFirstFalse ? green : red, this);
        ltAmpel1[i]->setObjectName(ArrayName("ltAmpel1", i));
    }
    // Five columns: the red pair of each step above its green lamp.
    for (int step = 0; step < 5; ++step) {
        lamps->addWidget(ltAmpel1[2 * step], 0, step);
        lamps->addWidget(ltAmpel1[2 * step + 1], 1, step);
        lamps->addWidget(ltAmpel1[kFirstGreen + step], 2, step);
    }
    for (int r = 0; r < 3; ++r) lamps->setRowStretch(r, 1);
    top->addLayout(lamps, 9);

    auto* fs = new QGridLayout;
    SpurNr.resize(8, nullptr);
    for (int lane = 1; lane <= 8; ++lane) {
        Lamp* l = ltAmpel1[lane + 14];
        SpurNr[lane - 1] = new QLabel(QString::number(lane), this);
        SpurNr[lane - 1]->setObjectName(ArrayName("SpurNr", lane - 1));
        SpurNr[lane - 1]->setAlignment(Qt::AlignCenter);
        QFont f = SpurNr[lane - 1]->font();
        f.setPointSize(14);
        f.setBold(true);
        SpurNr[lane - 1]->setFont(f);
        fs->addWidget(l, 0, lane - 1);
        fs->addWidget(SpurNr[lane - 1], 1, lane - 1);
        fs->setColumnStretch(lane - 1, 1);
    }
    fs->setRowStretch(0, 3);
    fs->setRowStretch(1, 1);
    top->addLayout(fs, 2);

    btnAmpelAbbruch = new QPushButton(QStringLiteral("A b b r u c h"), this);
    btnAmpelAbbruch->setObjectName("btnAmpelAbbruch");
    QFont bf = btnAmpelAbbruch->font();
    bf.setPointSize(14);
    btnAmpelAbbruch->setFont(bf);
    top->addWidget(btnAmpelAbbruch, 1);
    connect(btnAmpelAbbruch, &QPushButton::clicked, this, [this] { ctx_.race.AbortStartLight(); });

    ResetLamps();
    resize(id == Fenster::Zusatzampel ? QSize(560, 460) : QSize(760, 620));
}

void StartLightWindow::SetLamp(int index, bool lit) {
    if (index >= 0 && index < kLamps) ltAmpel1[index]->SetLit(lit);
}

bool StartLightWindow::LampLit(int index) const { return index >= 0 && index < kLamps && ltAmpel1[index]->Lit(); }

void StartLightWindow::ShowFalseStart(int lane, bool visible) {
    if (lane < 1 || lane > 8) return;
    ltAmpel1[lane + 14]->SetLit(visible);
    ltAmpel1[lane + 14]->setVisible(visible);
    SpurNr[lane - 1]->setVisible(visible);
}

bool StartLightWindow::FalseStartShown(int lane) const {
    return lane >= 1 && lane <= 8 && !ltAmpel1[lane + 14]->isHidden();
}

void StartLightWindow::ResetLamps() {
    for (int i = 0; i < kFirstFalse; ++i) ltAmpel1[i]->SetLit(false);
    for (int lane = 1; lane <= 8; ++lane) ShowFalseStart(lane, false);
}

void StartLightWindow::Show(const StartampelAnzeige& a) {
    for (int i = 0; i < kLamps; ++i) {
        ltAmpel1[i]->SetLit(a.lampeAn[i]);
        ltAmpel1[i]->setVisible(a.lampeSichtbar[i]);
    }
    for (int lane = 1; lane <= 8; ++lane) SpurNr[lane - 1]->setVisible(a.spurNrSichtbar[lane - 1]);
}

void StartLightWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const double ratio = std::clamp(std::min(width() / 760.0, height() / 620.0), 0.5, 6.0);
    for (QLabel* l : SpurNr) {
        QFont f = l->font();
        f.setPointSizeF(14 * ratio);
        l->setFont(f);
    }
    QFont bf = btnAmpelAbbruch->font();
    bf.setPointSizeF(14 * ratio);
    btnAmpelAbbruch->setFont(bf);
}

}  // namespace zk
