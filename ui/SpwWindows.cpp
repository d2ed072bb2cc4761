#include "ui/SpwWindows.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QShowEvent>
#include <QVBoxLayout>

#include "race/Spurwechsel.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"
#include "ui/UiContext.h"
#include "ui/WindowRegistry.h"
#include "ui/WindowGeometry.h"

namespace zk {

namespace {

QLabel* Label(const QString& name, const QString& text, QWidget* parent, double scale = 1.0, bool bold = false) {
    auto* l = new QLabel(text, parent);
    if (!name.isEmpty()) l->setObjectName(name);
    QFont f = l->font();
    if (scale != 1.0) f.setPointSizeF(f.pointSizeF() * scale);
    f.setBold(bold);
    l->setFont(f);
    return l;
}

QString Indexed(const char* base, int i) { return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(i); }

}  // namespace

// ---------------------------------------------------------------- frmSpwDisplay

SpwDisplayWindow::SpwDisplayWindow(UiContext& ctx)
    : ProgramWindow(Fenster::SpwDisplay, Qt::WindowStaysOnTopHint), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Spurwechsel"));

    auto* v = new QVBoxLayout(this);
    auto* kopf = new QHBoxLayout;
    kopf->addWidget(Label(QString(), QStringLiteral("Rennen"), this, 1.6, true));
    lblRvonR = Label("lblRvonR", QString(), this, 1.6, true);
    kopf->addWidget(lblRvonR);
    kopf->addStretch(1);
    v->addLayout(kopf);

    auto* linie = new QFrame(this);
    linie->setFrameShape(QFrame::HLine);
    v->addWidget(linie);

    auto* g = new QGridLayout;
    g->setHorizontalSpacing(18);
    g->addWidget(Label(QString(), QStringLiteral("Team"), this, 1.0, true), 0, 0);
    g->addWidget(Label(QString(), QStringLiteral("Name"), this, 1.0, true), 0, 1);
    auto* kopfRunden = Label(QString(), QStringLiteral("Runden"), this, 1.0, true);
    kopfRunden->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    g->addWidget(kopfRunden, 0, 2);
    for (int i = 0; i < kLanes; ++i) {
        lblNummer_[i] = Label(QString(), QString::number(i + 1), this, 1.3);
        lblTeam[i] = Label(Indexed("lblTeam", i), QString(), this, 1.3);
        lblTeam[i]->setMinimumWidth(200);
        lblRundenT[i] = Label(Indexed("lblRundenT", i), QString(), this, 1.3, true);
        lblRundenT[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        g->addWidget(lblNummer_[i], i + 1, 0);
        g->addWidget(lblTeam[i], i + 1, 1);
        g->addWidget(lblRundenT[i], i + 1, 2);
    }
    g->setColumnStretch(1, 1);
    v->addLayout(g);
    // After the last segment: the series' winner.
    lblSieger = Label("lblSieger", QString(), this, 1.3, true);
    v->addWidget(lblSieger);
    v->addStretch(1);

    auto* knoepfe = new QHBoxLayout;
    Start = new QPushButton(QStringLiteral("Start"), this);
    Start->setObjectName("Start");
    Start->setDefault(true);
    Close = new QPushButton(QString::fromUtf8("Schließen"), this);
    Close->setObjectName("Close");
    knoepfe->addStretch(1);
    knoepfe->addWidget(Start);
    knoepfe->addWidget(Close);
    v->addLayout(knoepfe);
    connect(Start, &QPushButton::clicked, this, &SpwDisplayWindow::Starten);
    connect(Close, &QPushButton::clicked, this, &SpwDisplayWindow::Weiter);

    Anzeigen();
    adjustSize();
    // The lap windows and the race director take no input until the next
    // segment is chosen here.
    ctx_.registry.DisableWindows();
}

const SpurwechselRennen* SpwDisplayWindow::Serie() const { return ctx_.sys.club().Spurwechsel(); }

void SpwDisplayWindow::Anzeigen() {
    const SpurwechselRennen* w = Serie();
    const int a = w ? w->WechselAnzahl() : 0;
    lblRvonR->setText(w ? QString::fromStdString(w->RennenVon()) : QString());
    for (int i = 0; i < kLanes; ++i) {
        const bool da = i < a;
        lblNummer_[i]->setVisible(da);
        lblTeam[i]->setVisible(da);
        lblRundenT[i]->setVisible(da);
        if (!da) continue;
        const Team& t = w->TeamNr(i + 1);
        lblTeam[i]->setText(QString::fromStdString(t.Name));
        lblRundenT[i]->setText(QString::number(t.Runden));
    }
    const bool ende = w && (w->SerieKomplett() || w->SerieBeendet());
    std::string sieger;
    if (ende) {
        const RennErgebnis& e = w->SerienErgebnis();
        sieger = e.SiegerSpur() != 0 ? "Sieger: " + e.zeilen[0].fahrer + " mit " + std::to_string(e.zeilen[0].runden) +
                                           " Runden"
                                     : "Serie beendet – kein Sieger";
    }
    lblSieger->setText(QString::fromStdString(sieger));
    lblSieger->setVisible(ende);
    // After the last segment Start begins a new series.
    Start->setText(ende ? QStringLiteral("Neue Serie") : QStringLiteral("Start"));
}

void SpwDisplayWindow::showEvent(QShowEvent* e) {
    Anzeigen();
    QWidget::showEvent(e);
}

void SpwDisplayWindow::Weiter() {
    // The core starts the next segment (or ends the series) and closes this window.
    if (Serie()) {
        ctx_.cmd.SpwWeiter();
    } else {
        close();
    }
}

void SpwDisplayWindow::Starten() {
    // The core closes this window and starts the next segment (after the last
    // one: the series again).
    if (Serie()) {
        ctx_.cmd.SpwStarten();
    } else {
        close();
    }
}

void SpwDisplayWindow::Closing(QCloseEvent* e) {
    // The close box counts as Close: a series left waiting could not go on.
    // (Going on closes this window again; that close is this one.)
    const SpurwechselRennen* w = Serie();
    if (e->spontaneous() && w && w->Wartet()) ctx_.cmd.SpwWeiter();
    ctx_.registry.EnableWindows();
}

// ---------------------------------------------------------------- frmAnzeigeZrEinteilung

ZrEinteilungWindow::ZrEinteilungWindow(UiContext& ctx) : ProgramWindow(Fenster::AnzeigeZrEinteilung), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Zeiteinteilung"));

    auto* v = new QVBoxLayout(this);
    v->addWidget(Label(QString(), QStringLiteral("Zeitrennen mit Spurwechsel"), this, 1.3, true));
    lblKeine_ = Label("lblKeine", QStringLiteral("Es ist kein Zeitrennen mit Spurwechsel eingestellt."), this);
    v->addWidget(lblKeine_);
    auto* g = new QGridLayout;
    g->setHorizontalSpacing(18);
    for (int i = 0; i < kLanes; ++i) {
        lblRennen_[i] = Label(QString(), QStringLiteral("Rennen %1:").arg(i + 1), this, 1.15);
        lblMinuten[i] = Label(Indexed("lblMinuten", i), QString(), this, 1.15);
        lblMinuten[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        g->addWidget(lblRennen_[i], i, 0);
        g->addWidget(lblMinuten[i], i, 1);
    }
    auto* linie = new QFrame(this);
    linie->setFrameShape(QFrame::HLine);
    g->addWidget(linie, kLanes, 0, 1, 2);
    g->addWidget(Label(QString(), QStringLiteral("Gesamtzeit:"), this, 1.15, true), kLanes + 1, 0);
    lblGesamtzeit = Label("lblGesamtzeit", QString(), this, 1.15, true);
    lblGesamtzeit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    g->addWidget(lblGesamtzeit, kLanes + 1, 1);
    g->addWidget(Label(QString(), QStringLiteral("Anzahl Rennen:"), this, 1.15, true), kLanes + 2, 0);
    lblAnzahl = Label("lblAnzahl", QString(), this, 1.15, true);
    lblAnzahl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    g->addWidget(lblAnzahl, kLanes + 2, 1);
    v->addLayout(g);
    v->addStretch(1);

    auto* unten = new QHBoxLayout;
    btnSchliessen = new QPushButton(QString::fromUtf8("Schließen"), this);
    btnSchliessen->setObjectName("btnSchliessen");
    unten->addStretch(1);
    unten->addWidget(btnSchliessen);
    v->addLayout(unten);
    connect(btnSchliessen, &QPushButton::clicked, this, &QWidget::close);

    Anzeigen();
    setMinimumWidth(300);
    adjustSize();
}

void ZrEinteilungWindow::Anzeigen() {
    const SpurwechselRennen* w = ctx_.sys.club().Spurwechsel();
    const bool serie = w && w->Aktiv();
    const int a = serie ? w->WechselAnzahl() : 0;
    lblKeine_->setVisible(!serie);
    for (int i = 0; i < kLanes; ++i) {
        const bool da = i < a;
        lblRennen_[i]->setVisible(da);
        lblMinuten[i]->setVisible(da);
        lblMinuten[i]->setText(da ? QStringLiteral("%1 Minuten").arg(w->AbschnittMinuten(i + 1)) : QString());
    }
    lblGesamtzeit->setText(serie ? QStringLiteral("%1 Minuten").arg(w->GesamtMinuten()) : QString());
    lblAnzahl->setText(serie ? QString::number(a) : QString());
}

void ZrEinteilungWindow::showEvent(QShowEvent* e) {
    Anzeigen();
    QWidget::showEvent(e);
}

}  // namespace zk
