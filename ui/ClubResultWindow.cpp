#include "ui/ClubResultWindow.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "race/ClubAnzeige.h"
#include "race/ClubRennen.h"
#include "system/RaceSystem.h"
#include "ui/LapWindow.h"
#include "ui/WindowGeometry.h"

namespace zk {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Farbe(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

}  // namespace

ClubResultWindow::ClubResultWindow(UiContext& ctx, ClubRennen& club) : ProgramWindow(Fenster::ClubResult), ctx_(ctx), club_(club) {
    // It shows after every heat; the keys of the lap windows stay with them.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QString::fromUtf8("Clubrennen – Ergebnisse"));

    lblTitel = new QLabel(this);
    lblTitel->setObjectName("lblTitel");
    QFont tf = lblTitel->font();
    tf.setBold(true);
    tf.setPointSizeF(tf.pointSizeF() * 1.2);
    lblTitel->setFont(tf);
    lblClubRaceOfRace = new QLabel(this);
    lblClubRaceOfRace->setObjectName("lblClubRaceOfRace");
    QFont rf = lblClubRaceOfRace->font();
    rf.setBold(true);
    rf.setPointSizeF(rf.pointSizeF() * 1.5);
    lblClubRaceOfRace->setFont(rf);

    trvClubRaceShedule = new QTreeWidget(this);
    trvClubRaceShedule->setObjectName("trvClubRaceShedule");
    trvClubRaceShedule->setHeaderLabel(QString::fromUtf8("Rennablauf"));
    trvClubRaceShedule->setSelectionMode(QAbstractItemView::SingleSelection);
    lstClubResult = new QListWidget(this);
    lstClubResult->setObjectName("lstClubResult");
    lstClubResult->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    lblNextRace = new QLabel(this);
    lblNextRace->setObjectName("lblNextRace");
    lblNextRace->setFont(rf);
    auto* spuren = new QGridLayout;
    spuren->setHorizontalSpacing(4);
    for (int i = 0; i < kLanes; ++i) {
        auto* c = new QLineEdit(QString::number(i + 1), this);
        c->setObjectName(ArrayName("txtTrackColor", i));
        c->setReadOnly(true);
        c->setFocusPolicy(Qt::NoFocus);
        c->setAlignment(Qt::AlignCenter);
        c->setFixedWidth(36);
        auto* d = new QLineEdit(this);
        d->setObjectName(ArrayName("txtTrackDriver", i));
        d->setReadOnly(true);
        d->setFocusPolicy(Qt::NoFocus);
        Farbe(d, QPalette::Text, Qt::black);
        txtTrackColor.push_back(c);
        txtTrackDriver.push_back(d);
        spuren->addWidget(c, i % 4, (i / 4) * 2);
        spuren->addWidget(d, i % 4, (i / 4) * 2 + 1);
    }
    lblCountdown = new QLabel(this);
    lblCountdown->setObjectName("lblCountdown");
    txtCountdown = new QLineEdit(this);
    txtCountdown->setObjectName("txtCountdown");
    txtCountdown->setReadOnly(true);
    txtCountdown->setFocusPolicy(Qt::NoFocus);
    txtCountdown->setAlignment(Qt::AlignCenter);
    QFont cf = txtCountdown->font();
    cf.setBold(true);
    cf.setPointSizeF(cf.pointSizeF() * 2);
    txtCountdown->setFont(cf);
    txtCountdown->setFixedWidth(120);

    btnWeiter = new QPushButton(QStringLiteral("Weiter"), this);
    btnWeiter->setObjectName("btnWeiter");
    btnRepeat = new QPushButton(QStringLiteral("Wiederholen"), this);
    btnRepeat->setObjectName("btnRepeat");
    btnRepeat->setAutoFillBackground(true);
    btnAbortRace = new QPushButton(QString::fromUtf8("Schließen"), this);
    btnAbortRace->setObjectName("btnAbortRace");
    btnAbortRace->setToolTip(QString::fromUtf8("Blendet das Fenster aus; das Clubrennen geht weiter."));

    auto* kopf = new QHBoxLayout;
    kopf->addWidget(lblTitel, 1);
    kopf->addWidget(lblClubRaceOfRace);
    auto* mitte = new QHBoxLayout;
    mitte->addWidget(trvClubRaceShedule, 2);
    mitte->addWidget(lstClubResult, 5);
    auto* pause = new QVBoxLayout;
    pause->addWidget(lblCountdown);
    pause->addWidget(txtCountdown);
    pause->addStretch(1);
    auto* naechstes = new QHBoxLayout;
    naechstes->addLayout(spuren, 1);
    naechstes->addSpacing(12);
    naechstes->addLayout(pause);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addWidget(btnWeiter);
    knoepfe->addWidget(btnRepeat);
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnAbortRace);
    auto* v = new QVBoxLayout(this);
    v->addLayout(kopf);
    v->addLayout(mitte, 1);
    v->addWidget(lblNextRace);
    v->addLayout(naechstes);
    v->addLayout(knoepfe);

    connect(btnWeiter, &QPushButton::clicked, this, [this] {
        club_.Weiter();
        hide();
        Update();
    });
    connect(btnRepeat, &QPushButton::clicked, this, [this] {
        club_.Wiederholen();
        Update();
    });
    connect(btnAbortRace, &QPushButton::clicked, this, &QWidget::hide);

    resize(860, 600);
    Update();
}

void ClubResultWindow::Update() {
    const ClubErgebnisAnsicht a = ClubErgebnisBerechnen(ctx_.sys, club_);
    const RaceSystem& sys = ctx_.sys;

    // The schedule: rebuilt only when the plan changed.
    std::vector<std::string> tree;
    for (const auto& k : a.baum) {
        tree.push_back(k.text);
        for (const auto& c : k.kinder) tree.push_back(c.text);
    }
    if (tree != shownTree_) {
        shownTree_ = tree;
        shownNext_ = 0;
        trvClubRaceShedule->clear();
        for (const auto& k : a.baum) {
            auto* top = new QTreeWidgetItem(trvClubRaceShedule, QStringList{Q(k.text)});
            top->setData(0, Qt::UserRole, Q(k.schluessel));
            for (const auto& c : k.kinder) {
                auto* item = new QTreeWidgetItem(top, QStringList{Q(c.text)});
                item->setData(0, Qt::UserRole, Q(c.schluessel));
            }
        }
    }
    // The next heat's node is open and selected, the one before closed.
    if (a.naechstes != shownNext_) {
        if (QTreeWidgetItem* alt = trvClubRaceShedule->topLevelItem(shownNext_ - 1)) {
            alt->setExpanded(false);
            alt->setSelected(false);
        }
        shownNext_ = a.naechstes;
        if (QTreeWidgetItem* neu = trvClubRaceShedule->topLevelItem(a.naechstes - 1)) {
            neu->setExpanded(true);
            trvClubRaceShedule->setCurrentItem(neu);
            trvClubRaceShedule->scrollToItem(neu);
        }
    }
    lblNextRace->setText(Q(a.naechstesText));

    if (a.liste != shownList_) {
        shownList_ = a.liste;
        lstClubResult->clear();
        for (const auto& z : a.liste) lstClubResult->addItem(Q(z));
        if (lstClubResult->count() > 0) {
            lstClubResult->setCurrentRow(lstClubResult->count() - 1);
            lstClubResult->scrollToBottom();
        }
    }
    lblClubRaceOfRace->setText(Q(a.rennenVon));
    lblTitel->setText(Q(a.titel));

    for (int i = 0; i < kLanes; ++i) {
        const int lane = i + 1;
        const QColor track = FromRgb(sys.cfg.Farben.TS[lane]);
        Farbe(txtTrackColor[i], QPalette::Base, track);
        Farbe(txtTrackColor[i], QPalette::Text, ReadableOn(FromRgb(sys.cfg.Farben.FS[lane]), track));
        const QString name = Q(a.spurName[lane]);
        if (txtTrackDriver[i]->text() != name) txtTrackDriver[i]->setText(name);
        txtTrackColor[i]->setVisible(a.spurSichtbar[lane]);
        txtTrackDriver[i]->setVisible(a.spurSichtbar[lane]);
    }

    lblCountdown->setText(Q(a.countdownTitel));
    txtCountdown->setText(Q(a.countdown));

    btnRepeat->setText(Q(a.repeatCaption));
    btnRepeat->setEnabled(a.wiederholenMoeglich);
    const QColor grau(0xE0, 0xE0, 0xE0);
    Farbe(btnRepeat, QPalette::Button, a.repeatStufe == 1 ? QColor(255, 200, 0) : a.repeatStufe == 2 ? QColor(230, 90, 60) : grau);

    // A heat starts (by hand or after the pause): the lap windows come first.
    if (a.heatLaeuft && !heatRunning_) hide();
    heatRunning_ = a.heatLaeuft;
}

}  // namespace zk
