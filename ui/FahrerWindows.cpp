#include "ui/FahrerWindows.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "race/FahrerAuswahl.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"
#include "ui/WindowGeometry.h"

namespace zk {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QPushButton* Knopf(const char* name, const char* text, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

FahrerWindow::FahrerWindow(UiContext& ctx) : ProgramWindow(Fenster::Fahrer), ctx_(ctx) {
    setWindowTitle(QString::fromUtf8("Fahrer für Clubrennen"));

    auto* pool = new QGroupBox(QString::fromUtf8("Bekannte Fahrer"), this);
    lstDriverListe = new QListWidget(pool);
    lstDriverListe->setObjectName("lstDriverListe");
    lblDriverLst2 = new QLabel(pool);
    lblDriverLst2->setObjectName("lblDriverLst2");
    AddDriverWindow = new QLineEdit(pool);
    AddDriverWindow->setObjectName("AddDriverWindow");
    AddDriverWindow->setMaxLength(20);  // what a driver slot of the settings file holds
    AddDriverWindow->setPlaceholderText(QString::fromUtf8("Name"));
    btnAddDriver = Knopf("btnAddDriver", "Neu", pool);
    btnTakeChanges = Knopf("btnTakeChanges", "Ändern", pool);
    btnRemoveDriver = Knopf("btnRemoveDriver", "Löschen", pool);
    auto* pv = new QVBoxLayout(pool);
    pv->addWidget(lstDriverListe, 1);
    pv->addWidget(lblDriverLst2);
    pv->addWidget(AddDriverWindow);
    auto* pb = new QHBoxLayout;
    for (QPushButton* b : {btnAddDriver, btnTakeChanges, btnRemoveDriver}) pb->addWidget(b);
    pv->addLayout(pb);

    btnAddToDriverList = Knopf("btnAddToDriverList", "Dabei  →", this);
    btnRemoveFromList = Knopf("btnRemoveFromList", "←  Zurück", this);
    auto* mitte = new QVBoxLayout;
    mitte->addStretch(1);
    mitte->addWidget(btnAddToDriverList);
    mitte->addWidget(btnRemoveFromList);
    mitte->addStretch(1);

    auto* aktiv = new QGroupBox(QString::fromUtf8("Fahrer im Clubrennen"), this);
    lstActiveDriver = new QListWidget(aktiv);
    lstActiveDriver->setObjectName("lstActiveDriver");
    lblActiveDrv2 = new QLabel(aktiv);
    lblActiveDrv2->setObjectName("lblActiveDrv2");
    auto* av = new QVBoxLayout(aktiv);
    av->addWidget(lstActiveDriver, 1);
    av->addWidget(lblActiveDrv2);

    lblMeldung = new QLabel(this);
    lblMeldung->setObjectName("lblMeldung");
    lblMeldung->setWordWrap(true);
    QPalette mp = lblMeldung->palette();
    mp.setColor(QPalette::WindowText, QColor(180, 0, 0));
    lblMeldung->setPalette(mp);
    auto* hinweis = new QLabel(QString::fromUtf8("Ein Clubrennen braucht mindestens zwei Fahrer. „fertig“ übernimmt "
                                                 "beide Listen."),
                               this);
    hinweis->setObjectName("lblHinweis");
    hinweis->setWordWrap(true);
    cmdFahrerFertig = Knopf("cmdFahrerFertig", "fertig", this);
    cmdFahrerFertig->setDefault(false);

    auto* listen = new QHBoxLayout;
    listen->addWidget(pool, 1);
    listen->addLayout(mitte);
    listen->addWidget(aktiv, 1);
    auto* unten = new QHBoxLayout;
    unten->addWidget(hinweis, 1);
    unten->addWidget(cmdFahrerFertig);
    auto* v = new QVBoxLayout(this);
    v->addLayout(listen, 1);
    v->addWidget(lblMeldung);
    v->addLayout(unten);

    connect(btnAddDriver, &QPushButton::clicked, this, [this] {
        FahrerHinzufuegen(l_, AddDriverWindow->text().trimmed().toStdString());
        Zeigen();
    });
    connect(AddDriverWindow, &QLineEdit::returnPressed, btnAddDriver, &QPushButton::click);
    connect(btnTakeChanges, &QPushButton::clicked, this, [this] {
        FahrerAendern(l_, AddDriverWindow->text().trimmed().toStdString());
        Zeigen();
    });
    connect(btnRemoveDriver, &QPushButton::clicked, this, [this] {
        FahrerLoeschen(l_);
        Zeigen();
    });
    connect(lstDriverListe, &QListWidget::currentRowChanged, this, [this](int row) { l_.poolAuswahl = row; });
    connect(lstDriverListe, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) {
        AddDriverWindow->setText(it->text());
    });
    connect(lstActiveDriver, &QListWidget::currentRowChanged, this, [this](int row) { l_.aktivAuswahl = row; });
    connect(btnAddToDriverList, &QPushButton::clicked, this, &FahrerWindow::Aktivieren);
    connect(lstDriverListe, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
        l_.poolAuswahl = lstDriverListe->row(it);
        Aktivieren();
    });
    connect(btnRemoveFromList, &QPushButton::clicked, this, &FahrerWindow::Deaktivieren);
    connect(lstActiveDriver, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
        l_.aktivAuswahl = lstActiveDriver->row(it);
        Deaktivieren();
    });
    connect(cmdFahrerFertig, &QPushButton::clicked, this, [this] {
        if (!FahrerBestaetigenErlaubt(ctx_.sys.st)) return;
        ctx_.cmd.FahrerBestaetigen(l_);
        close();
    });

    l_ = FahrerListenLaden(ctx_.sys);
    Zeigen();
    Update();
    resize(640, 440);
}

void FahrerWindow::Aktivieren() {
    std::string meldung;
    FahrerAktivieren(l_, &meldung);
    lblMeldung->setText(Q(meldung));
    Zeigen();
}

void FahrerWindow::Deaktivieren() {
    FahrerDeaktivieren(l_);
    lblMeldung->clear();
    Zeigen();
}

void FahrerWindow::Zeigen() {
    const FahrerListen l = l_;  // filling the lists moves their selections
    auto fuellen = [](QListWidget* w, const std::vector<std::string>& namen, int auswahl) {
        QSignalBlocker block(w);
        w->clear();
        for (const auto& n : namen) w->addItem(Q(n));
        w->setCurrentRow(auswahl);
    };
    fuellen(lstDriverListe, l.pool, l.poolAuswahl);
    fuellen(lstActiveDriver, l.aktiv, l.aktivAuswahl);
    if (l.poolAuswahl >= 0) lstDriverListe->scrollToItem(lstDriverListe->item(l.poolAuswahl));
    lblDriverLst2->setText(QString::fromUtf8("Bekannt: %1").arg(l.pool.size()));
    lblActiveDrv2->setText(QString::fromUtf8("Im Clubrennen: %1").arg(l.aktiv.size()));
}

void FahrerWindow::Update() {
    const bool frei = FahrerBestaetigenErlaubt(ctx_.sys.st);
    if (cmdFahrerFertig->isEnabled() == frei) return;
    cmdFahrerFertig->setEnabled(frei);
    cmdFahrerFertig->setToolTip(frei ? QString() : QString::fromUtf8("Erst nach dem laufenden Rennen."));
}

SelectDriverWindow::SelectDriverWindow(UiContext& ctx) : ProgramWindow(Fenster::SelectDriver), ctx_(ctx) {
    setWindowTitle(QString::fromUtf8("Fahrer festlegen"));
    const RaceSystem& sys = ctx_.sys;
    const SpurNamenListe jetzt = SpurNamen(sys.st);
    QStringList auswahl;
    for (const auto& n : SpurNamenAuswahl(sys)) auswahl << Q(n);

    auto* g = new QGridLayout;
    for (int lane = 1; lane <= kLanes; ++lane) {
        auto* nr = new QLabel(QStringLiteral(" Spur %1 ").arg(lane), this);
        nr->setObjectName(QStringLiteral("lblSpur_%1").arg(lane - 1));
        const QColor bg = FromRgb(sys.cfg.Farben.TS[lane]);
        QPalette p = nr->palette();
        p.setColor(QPalette::Window, bg);
        p.setColor(QPalette::WindowText, ReadableOn(FromRgb(sys.cfg.Farben.FS[lane]), bg));
        nr->setPalette(p);
        nr->setAutoFillBackground(true);
        auto* c = new QComboBox(this);
        c->setObjectName(QStringLiteral("cmbDriverT%1").arg(lane));
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(auswahl);
        c->setCurrentText(Q(jetzt[lane]));
        c->setMinimumContentsLength(18);
        cmbDriverT.push_back(c);
        g->addWidget(nr, lane - 1, 0);
        g->addWidget(c, lane - 1, 1);
    }
    btnSchliessen = new QPushButton(QString::fromUtf8("Übernehmen"), this);
    btnSchliessen->setObjectName("btnSchliessen");
    btnTeamNamen = new QPushButton(QString::fromUtf8("TEAM 1 … TEAM 8"), this);
    btnTeamNamen->setObjectName("Command1");
    auto* h = new QHBoxLayout;
    h->addWidget(btnTeamNamen);
    h->addStretch(1);
    h->addWidget(btnSchliessen);
    auto* v = new QVBoxLayout(this);
    v->addLayout(g);
    v->addLayout(h);

    connect(btnSchliessen, &QPushButton::clicked, this, [this] {
        SpurNamenListe namen;
        for (int lane = 1; lane <= kLanes; ++lane) namen[lane] = cmbDriverT[lane - 1]->currentText().toStdString();
        ctx_.cmd.SpurNamenSetzen(namen);
        close();
    });
    connect(btnTeamNamen, &QPushButton::clicked, this, [this] {
        ctx_.cmd.TeamNamenSetzen();
        close();
    });
}

}  // namespace zk
