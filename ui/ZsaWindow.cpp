#include "ui/ZsaWindow.h"

#include "race/Zeitansage.h"
#include "ui/LiveWeb.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "race/NetzTeil.h"
#include "race/RS232.h"
#include "race/TeachIn.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"
#include "ui/UiContext.h"
#include "ui/WindowRegistry.h"
// After the window headers: it declares a function named like the lap-window class.
#include "race/RaceModes.h"

namespace zk {

namespace {

QString Name(const char* base, int index) { return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(index); }
QString U(const char* text) { return QString::fromUtf8(text); }

QLabel* Label(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(U(text), parent);
    if (name) l->setObjectName(name);
    l->setWordWrap(true);
    return l;
}


// A tab page that scrolls when the screen is too small for it.
QWidget* Scroll(QWidget* page) {
    auto* s = new QScrollArea;
    s->setWidget(page);
    s->setWidgetResizable(true);
    s->setFrameShape(QFrame::NoFrame);
    return s;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* title) {
    auto* g = new QGroupBox(U(title), parent);
    g->setObjectName(name);
    return g;
}

}  // namespace

ZsaWindow::ZsaWindow(UiContext& ctx) : ProgramWindow(Fenster::ZSA), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Einstellungen"));
    ctx_.cmd.ZsaOeffnen();

    auto* v = new QVBoxLayout(this);
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName("SSTab1");
    SSTab1->addTab(Scroll(BuildAllgemein()), QStringLiteral("Allgemein"));
    SSTab1->addTab(Scroll(BuildParallelport()), QStringLiteral("Parallelport"));
    SSTab1->addTab(Scroll(BuildLichtschranken()), QStringLiteral("Lichtschranken"));
    SSTab1->addTab(Scroll(BuildTanken()), QStringLiteral("Tanken"));
    SSTab1->addTab(Scroll(BuildBusNetzteil()), QStringLiteral("I2C-Bus / Netzteil"));
    SSTab1->addTab(Scroll(BuildSeriell()), QStringLiteral("Anzeige (seriell)"));
    SSTab1->addTab(Scroll(BuildSound()), QStringLiteral("Sound"));
    SSTab1->addTab(Scroll(BuildFenster()), QStringLiteral("Fenster und Farben"));
    SSTab1->addTab(Scroll(LiveWebSeite(ctx_.sys, ctx_.cmd, this)), QStringLiteral("Live-Seiten"));
    v->addWidget(SSTab1);

    auto* buttons = new QHBoxLayout;
    auto* btnSave = new QPushButton(QStringLiteral("speichern"), this);
    btnSave->setObjectName("btnSave");
    auto* btnClose = new QPushButton(U("Schließen"), this);
    btnClose->setObjectName("btnClose");
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnClose);
    v->addLayout(buttons);
    connect(btnSave, &QPushButton::clicked, this, [this] {
        OffeneEingaben();
        ctx_.writeIniFile();
    });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);

    connect(SSTab1, &QTabWidget::currentChanged, this, [this](int reiter) {
        ctx_.cmd.ZsaReiterGewaehlt(reiter);
        // Captions and lamps at once rather than at the next cycle.
        ctx_.registry.SettingsLiveView();
    });
    // Whoever opens the settings usually comes to teach the track in.
    SSTab1->setCurrentIndex(kZsaReiterLichtschranken);
    ctx_.cmd.ZsaReiterGewaehlt(kZsaReiterLichtschranken);
    ctx_.cmd.ZsaTimerFunktionen();
    Anzeigen();
    Aktualisieren();
    resize(980, 690);
}

// ------------------------------------------------------------------ controls

QCheckBox* ZsaWindow::Check(QWidget* parent, const char* name, const char* caption, const char* tip) {
    auto* c = new QCheckBox(U(caption), parent);
    c->setObjectName(name);
    if (tip) c->setToolTip(U(tip));
    checks_.insert(QString::fromLatin1(name), c);
    const std::string key = name;
    connect(c, &QCheckBox::clicked, this, [this, key](bool on) {
        Folge(ctx_.cmd.ZsaCheckSetzen(key, on ? 1 : 0));
    });
    return c;
}

QLineEdit* ZsaWindow::Text(QWidget* parent, const char* name, int width) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFixedWidth(width);
    e->setAlignment(Qt::AlignRight);
    texts_.insert(QString::fromLatin1(name), e);
    const std::string key = name;
    connect(e, &QLineEdit::editingFinished, this, [this, e, key] {
        if (!e->isModified()) return;
        e->setText(QString::fromStdString(ctx_.cmd.ZsaTextEingabe(key, e->text().toStdString())));
        e->setModified(false);
        Aktualisieren();
    });
    return e;
}

QLineEdit* ZsaWindow::TextRow(QGridLayout* g, QWidget* parent, const char* name, const char* caption,
                              const char* tip, int width) {
    const int row = g->rowCount();
    auto* l = Label(parent, nullptr, caption);
    QLineEdit* e = Text(parent, name, width);
    l->setBuddy(e);
    if (tip) {
        l->setToolTip(U(tip));
        e->setToolTip(U(tip));
    }
    g->addWidget(l, row, 0);
    g->addWidget(e, row, 1, Qt::AlignLeft);
    return e;
}

QRadioButton* ZsaWindow::Option(QWidget* parent, QButtonGroup* group, const char* name, const char* caption) {
    auto* r = new QRadioButton(U(caption), parent);
    r->setObjectName(name);
    group->addButton(r);
    options_.insert(QString::fromLatin1(name), r);
    const std::string key = name;
    connect(r, &QRadioButton::clicked, this, [this, key] { Folge(ctx_.cmd.ZsaOptionWaehlen(key)); });
    return r;
}

QComboBox* ZsaWindow::Liste(QWidget* parent, const char* name, const QStringList& items) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    lists_.insert(QString::fromLatin1(name), c);
    const std::string key = name;
    connect(c, &QComboBox::activated, this, [this, key](int index) {
        ctx_.cmd.ZsaListeWaehlen(key, index);
        Aktualisieren();
    });
    return c;
}

void ZsaWindow::Folge(const ZsaFolge& f) {
    for (int lane = 1; lane <= 8; ++lane)
        if (f.spannungSchreiben & (1u << lane)) ctx_.writeLaneVoltage(lane);
    if (f.allesSpeichern) {
        OffeneEingaben();
        ctx_.writeIniFile();
    }
    Aktualisieren();
    // The lane captions of the sensor tab follow the pit-lane option.
    ctx_.registry.SettingsLiveView();
}

void ZsaWindow::OffeneEingaben() {
    for (QLineEdit* e : std::as_const(texts_))
        if (e->isModified()) emit e->editingFinished();
}

void ZsaWindow::Aktualisieren() {
    const RaceSystem& sys = ctx_.sys;
    for (auto it = checks_.cbegin(); it != checks_.cend(); ++it) {
        const std::string key = it.key().toStdString();
        it.value()->setChecked(ZsaCheckWert(sys, key) == 1);
        it.value()->setEnabled(ZsaCheckFrei(sys, key));
    }
    for (auto it = texts_.cbegin(); it != texts_.cend(); ++it)
        if (!it.value()->isModified()) it.value()->setText(QString::fromStdString(ZsaTextWert(sys, it.key().toStdString())));
    // A group whose flags are all 0 (a hand-edited file) shows no choice.
    for (QButtonGroup* g : std::as_const(groups_)) g->setExclusive(false);
    for (auto it = options_.cbegin(); it != options_.cend(); ++it)
        it.value()->setChecked(ZsaOptionGewaehlt(sys, it.key().toStdString()));
    for (QButtonGroup* g : std::as_const(groups_)) g->setExclusive(true);
    for (auto it = lists_.cbegin(); it != lists_.cend(); ++it)
        it.value()->setCurrentIndex(ZsaListeWert(sys, it.key().toStdString()));
    for (int i = 0; i < 3; ++i) lblAdr0[i]->setText(QString::number(sys.cfg.I2COutput.ADR[i]));
    FarbeAnzeigen();
    SperrzeitAnzeigen();
}

void ZsaWindow::SperrzeitAnzeigen() {
    lblSperrzeit->setText(U("Sperrzeit: %1 ms. So lange nach einer gezählten Durchfahrt zählt die Spur nicht noch "
                            "einmal; eine Runde, die kürzer ist, geht verloren. Einstellen im Reiter „Allgemein“, "
                            "„Sperrzeit nach einer Durchfahrt“.")
                              .arg(ctx_.sys.cfg.LiZeit.Minimum));
}

// ------------------------------------------------------------------ tabs

QWidget* ZsaWindow::BuildAllgemein() {
    auto* page = new QWidget(this);
    page->setObjectName("fraAllgemein");
    auto* cols = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    cols->addLayout(left, 1);
    cols->addLayout(right, 1);

    auto* spuren = Group(page, "fraAktiveSpuren", "Aktive Spuren");
    auto* sg = new QGridLayout(spuren);
    for (int n = 1; n <= 8; ++n) {
        const QByteArray name = QStringLiteral("chkBoxSpur%1Active").arg(n).toLatin1();
        const QByteArray cap = QStringLiteral("Spur %1").arg(n).toUtf8();
        sg->addWidget(Check(spuren, name.constData(), cap.constData()), (n - 1) / 4, (n - 1) % 4);
    }
    left->addWidget(spuren);

    auto* zeit = Group(page, "fraZeitmessung", "Zeitmessung");
    auto* zg = new QGridLayout(zeit);
    TextRow(zg, zeit, "txtMinZeit", "Sperrzeit nach einer Durchfahrt in [ms] (mindestens 500)",
            "So lange nach einem Signal zählt die Spur nicht noch einmal; zugleich die kürzeste mögliche Runde.");
    TextRow(zg, zeit, "txtMinSignalLength", "Mindestdauer des Signals in [ms]",
            "So lange muss die Lichtschranke unterbrochen sein, damit eine Durchfahrt zählt (mindestens 1).");
    TextRow(zg, zeit, "txtNachlaufZeitmessung", "Nachlaufzeit der Zeitmessung in [ms] (höchstens 32000)",
            "Nach Pause oder Rennende zählen Durchfahrten noch so lange.");
    TextRow(zg, zeit, "txtTmrInt", "Intervall der Startampel in [ms]", "Zeit zwischen zwei Schritten der Startampel (mindestens 100).");
    TextRow(zg, zeit, "txtFehlstart", "Strafzeit bei Fehlstart [1/10 sec]");
    TextRow(zg, zeit, "txtBahnlaenge", "Bahnlänge in Metern",
            "Wird gespeichert; bisher zeigt kein Fenster etwas damit an.");
    zg->setColumnStretch(0, 1);
    left->addWidget(zeit);

    auto* tasten = Group(page, "fraTasten", "Tasten am Parallelport");
    auto* tv = new QVBoxLayout(tasten);
    tv->addWidget(Check(tasten, "chkLPTYellow", "Gelbphase über Parallelport",
                        "Eingang 9; nur mit gewähltem Parallelport. Im Reiter \"Lichtschranken\" einlernen."));
    tv->addWidget(Check(tasten, "chkLPTChaos", "Chaosschalter über Parallelport",
                        "Eingang 10; nur mit gewähltem Parallelport. Im Reiter \"Lichtschranken\" einlernen."));
    left->addWidget(tasten);
    left->addStretch();

    auto* vorgabe = Group(page, "fraVorgaben", "Vorgaben im Menü \"Zeitmessung\"");
    auto* vg = new QGridLayout(vorgabe);
    vg->addWidget(Label(vorgabe, nullptr, "Vorgabe Runden"), 0, 0);
    vg->addWidget(Label(vorgabe, nullptr, "Vorgabe Zeiten (Minuten)"), 1, 0);
    for (int i = 0; i < 5; ++i) {
        vg->addWidget(Text(vorgabe, Name("txtLaps", i).toLatin1().constData(), 48), 0, i + 1);
        vg->addWidget(Text(vorgabe, Name("txtTime", i).toLatin1().constData(), 48), 1, i + 1);
    }
    vg->addWidget(Label(vorgabe, nullptr, "Die Menüeinträge folgen beim Schließen der Einstellungen."), 2, 0, 1, 6);
    right->addWidget(vorgabe);

    auto* rennen = Group(page, "fraRennen", "Rennen");
    auto* rv = new QVBoxLayout(rennen);
    rv->addWidget(Check(rennen, "chkRennleitung", "Rennleitung aktivieren",
                        "Das Fenster der Rennleitung öffnet beim Programmstart und erhält die Reaktionszeiten."));
    rv->addWidget(Check(rennen, "GlobalTast", "Globale Tastaturabfrage",
                        "Leertaste, W und C wirken auch, wenn ein anderes Programm den Fokus hat."));
    rv->addWidget(Check(rennen, "chkZrMitSpurwechsel", "Zeitrennen mit Spurwechsel",
                        "Das Zeitrennen wird in Abschnitte geteilt; nach jedem Abschnitt wechseln die Teams "
                        "eine Spur weiter."));
    rv->addWidget(Check(rennen, "chkSaveRennabschnitte", "Rennabschnitte Speichern",
                        "Clubrennen schreiben Kopf und jedes Rennen in das Rennprotokoll Logfile.txt."));
    rv->addWidget(Check(rennen, "chkAutostart", "Autostart nach Pause aktivieren",
                        "Im Clubrennen startet das nächste Rennen nach der Pause von selbst."));
    auto* pg = new QGridLayout;
    TextRow(pg, rennen, "txtPauseZwischen", "Pause bis zum nächsten Rennen, nur im Clubrenn Modus !!! (Minuten, höchstens 30)",
            "Wartezeit zwischen zwei Rennen eines Clubrennens, bevor der Autostart das nächste startet.", 48);
    pg->setColumnStretch(0, 1);
    rv->addLayout(pg);
    right->addWidget(rennen);

    auto* sichern = Group(page, "fraSpeichern", "Speichern");
    auto* sv = new QVBoxLayout(sichern);
    sv->addWidget(Check(sichern, "chkSaveAll", "Einstellungen beim Beenden Speichern",
                        "Das Ankreuzen speichert alle Einstellungen sofort; danach bei jedem Programmende."));
    right->addWidget(sichern);
    right->addStretch();
    return page;
}

QWidget* ZsaWindow::BuildParallelport() {
    auto* page = new QWidget(this);
    page->setObjectName("fraParallelport");
    auto* cols = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    cols->addLayout(left, 1);
    cols->addLayout(right, 1);

    auto* port = Group(page, "fraPort", "Parallelport");
    auto* pv = new QVBoxLayout(port);
    auto* ph = new QHBoxLayout;
    ph->addWidget(Label(port, nullptr, "Anschluss"));
    ph->addWidget(Liste(port, "cmbPPort", {QStringLiteral("ohne LPT"), QStringLiteral("LPT1"), QStringLiteral("LPT2"),
                                           QStringLiteral("LPT3")}));
    ph->addStretch();
    pv->addLayout(ph);
    pv->addWidget(Check(port, "chkLptAmpel", "Startampel über Parallelport", "Rote Lampen 1 - 4 an Pin 2 - 5."));
    pv->addWidget(Check(port, "chkLptBahnstrom", "Bahnstrom über Parallelport", "Relais der Spuren 1 - 4 an Pin 6 - 9."));
    pv->addWidget(Check(port, "chkPowerInv", "Bahnstromrelais invertieren",
                        "Bahnstrom Relaise sind als Schliesser geschaltet: ein gesetztes Bit schaltet den Strom ein."));
    pv->addWidget(Label(port, "lblPortOhne", "Ohne Parallelport (\"ohne LPT\") bleiben Ampel, Bahnstrom, Gelbphase und "
                                             "Chaosschalter am Port aus."));
    left->addWidget(port);

    auto* fest = Group(page, "fraPinsFest", "Feste Pins");
    auto* fv = new QVBoxLayout(fest);
    for (const char* t : {"Pin 2 - 5 : Ausgang Ampel LED Rot 1 - 4", "Pin 6 - 9 : Ausgang Bahnstrom 1 - 4",
                          "Pin 10 - 13 : Eingang Spur 1 - 4", "Pin 15 : Eingang Spur 6"})
        fv->addWidget(Label(fest, nullptr, t));
    left->addWidget(fest);
    left->addStretch();

    auto pinGroup = [&](const char* name, const char* title) {
        auto* g = Group(page, name, title);
        auto* bg = new QButtonGroup(g);
        groups_.append(bg);
        right->addWidget(g);
        return std::pair{g, bg};
    };
    {
        auto [g, bg] = pinGroup("fraPin1", "Pin 1");
        auto* l = new QVBoxLayout(g);
        l->addWidget(Option(g, bg, "optPin1_Rot", "Ausgang Startampel Rot LED 0"));
        l->addWidget(Option(g, bg, "optPin1_Input", "Eingang für Zeitmessung (bei 6 Spuren) oder Gelb-Phase"));
    }
    {
        auto [g, bg] = pinGroup("fraPin16", "Pin 16");
        auto* l = new QVBoxLayout(g);
        l->addWidget(Option(g, bg, "optPin16_Input", "Eingang Zeitmessung 8 Spuren oder Chaos / Gelb"));
        l->addWidget(Option(g, bg, "optPin16_rot", "Ausgang Startampel Rot LED 0"));
        l->addWidget(Option(g, bg, "optPin16_Green", "Ausgang Startampel Grün"));
    }
    {
        auto [g, bg] = pinGroup("fraPin14", "Pin 14 und 17");
        auto* l = new QVBoxLayout(g);
        l->addWidget(Option(g, bg, "optPinI2C_Input", "Eingang für Zeitmessung (bei 8 Spuren)"));
        l->addWidget(Option(g, bg, "optPinI2C_Output", "Ausgang für I2C Bus über Parallelport"));
        l->addWidget(Label(g, nullptr, "Als Eingang ist der I2C Bus aus; \"I2C Bus aktiv\" wählt wieder den Ausgang."));
    }
    right->addStretch();
    return page;
}

QWidget* ZsaWindow::BuildLichtschranken() {
    auto* page = new QWidget(this);
    page->setObjectName("fraLichtschranken");
    auto* v = new QVBoxLayout(page);
    v->addWidget(Label(page, "lblTeachAnleitung",
                       "Eine Taste drücken, dann ein Auto über die Lichtschranke dieser Spur fahren lassen. "
                       "Die Anzeige daneben ist grün, solange der Eingang aktiv ist."));
    auto* g = new QGridLayout;
    for (int k = 0; k < 10; ++k) {
        auto* b = new QPushButton(page);
        b->setObjectName(Name("btnZsaTrack", k));
        b->setMinimumWidth(150);
        auto* s = new QFrame(page);
        s->setObjectName(Name("shpTeach", k));
        s->setFixedSize(22, 22);
        s->setFrameShape(QFrame::Box);
        s->setAutoFillBackground(true);
        btnZsaTrack[k] = b;
        shpTeach[k] = s;
        const int row = k % 5, col = (k / 5) * 2;
        g->addWidget(b, row, col);
        g->addWidget(s, row, col + 1);
        connect(b, &QPushButton::clicked, this, [this, k] {
            ctx_.cmd.TeachInKlick(k + 1);
            ctx_.registry.SettingsLiveView();
        });
    }
    g->setColumnStretch(4, 1);
    v->addLayout(g);
    // Where the sensors are wired: the parallel port or the USB sensor board
    // (looked for by its hello, or at the device named here). Takes effect at
    // once on an idle track, during a race at its end.
    auto* quelle = Group(page, "fraSensoren", "Sensoren angeschlossen an");
    auto* qg = new QGridLayout(quelle);
    auto* cmbSensoren = new QComboBox(quelle);
    cmbSensoren->setObjectName("cmbSensoren");
    cmbSensoren->addItems({QStringLiteral("Parallelport"), QStringLiteral("USB-Sensorboard")});
    cmbSensoren->setCurrentIndex(ctx_.sys.cfg.Lpt.Sensoren == 1 ? 1 : 0);
    auto* txtBoard = new QLineEdit(QString::fromStdString(ctx_.sys.cfg.Lpt.Sensorboard), quelle);
    txtBoard->setObjectName("txtSensorboard");
    txtBoard->setToolTip(U("„auto“: das Board wird an den USB-Seriell-Geräten gesucht"));
    qg->addWidget(cmbSensoren, 0, 0);
    qg->addWidget(new QLabel(U("Gerät des Sensorboards (auto: selbst suchen):"), quelle), 0, 1);
    qg->addWidget(txtBoard, 0, 2);
    auto* hinweis = Label(quelle, "lblSensorenHinweis",
                          "Gilt sofort, während eines Rennens ab dessen Ende. Nach dem Wechsel die "
                          "Lichtschranken neu einlernen.");
    qg->addWidget(hinweis, 1, 0, 1, 3);
    qg->setColumnStretch(2, 1);
    auto anwenden = [this, hinweis] {
        const std::string zeile = ctx_.cmd.SensorQuelleAnwenden();
        if (!zeile.empty()) hinweis->setText(QString::fromStdString(zeile));
    };
    connect(cmbSensoren, &QComboBox::activated, this, [this, anwenden](int i) {
        ctx_.cmd.SensorenAmBoard(i == 1);
        anwenden();
    });
    connect(txtBoard, &QLineEdit::editingFinished, this, [this, txtBoard, anwenden] {
        ctx_.cmd.SensorboardSetzen(txtBoard->text().trimmed().toStdString());
        txtBoard->setText(QString::fromStdString(ctx_.sys.cfg.Lpt.Sensorboard));
        anwenden();
    });
    v->addWidget(quelle);
    lblSperrzeit = Label(page, "lblSperrzeit", "");
    v->addWidget(lblSperrzeit);
    auto* reset = new QPushButton(U("Alle Werte löschen"), page);
    reset->setObjectName("TeachIn_Reset");
    // Every taught sensor goes at once: ask first.
    connect(reset, &QPushButton::clicked, this, [this] {
        auto* box = new QMessageBox(QMessageBox::Warning, U("Alle Werte löschen"),
                                    U("Alle gelernten Lichtschranken-Werte löschen? Danach zählt keine Spur, bis "
                                      "jede neu eingelernt ist."),
                                    QMessageBox::NoButton, this);
        box->setObjectName("msgTeachInLoeschen");
        QPushButton* ja = box->addButton(U("Alle löschen"), QMessageBox::DestructiveRole);
        ja->setObjectName("btnAlleLoeschen");
        QPushButton* nein = box->addButton(QMessageBox::Cancel);
        box->setDefaultButton(nein);
        box->setEscapeButton(nein);
        box->setAttribute(Qt::WA_DeleteOnClose);
        connect(box, &QMessageBox::finished, this, [this, box, ja] {
            if (box->clickedButton() != ja) return;
            ctx_.cmd.TeachInReset();
            ctx_.registry.SettingsLiveView();
        });
        box->open();
    });
    auto* h = new QHBoxLayout;
    h->addWidget(reset);
    h->addStretch();
    v->addLayout(h);
    v->addWidget(Label(page, "lblTeachLoeschen",
                       "Falls manche Spuren nicht zählen, oder die Lichtschranken sich gegenseitig beeinflussen, "
                       "können hier alle gelernten Werte gelöscht werden. Nach dem Löschen müssen alle Spuren neu "
                       "gelernt werden."));
    v->addWidget(Label(page, "lblTeachAchtung",
                       "Achtung: Das Lernen der Funktionen \"Chaos\" und \"Gelbphase\" macht nur Sinn, wenn diese im "
                       "Reiter \"Allgemein\" die entsprechende Funktion auch angewählt ist!"));
    v->addStretch();
    return page;
}

QWidget* ZsaWindow::BuildTanken() {
    auto* page = new QWidget(this);
    page->setObjectName("fraTanken");
    auto* cols = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    cols->addLayout(left, 1);
    cols->addLayout(right, 1);

    auto* tank = Group(page, "fraTankfunktion", "Tankfunktion");
    auto* tv = new QVBoxLayout(tank);
    tv->addWidget(Check(tank, "chkMitTankfunktion", "Tankfunktion aktivieren", "Im Training wird kein Kraftstoff verbraucht."));
    auto* tg = new QGridLayout;
    TextRow(tg, tank, "Verbrauch", "Verbrauch in l/Runde", "Verbrauch einer Runde in der Normrundenzeit; 0 wird 7.");
    TextRow(tg, tank, "TankVolumen", "Tankinhalt in Liter");
    TextRow(tg, tank, "TankSpd", "Tankgeschwindigkeit l/sek");
    TextRow(tg, tank, "txtNormrunde", "Normrundenzeit in ms", "Schnellere Runden verbrauchen mehr; unter 11 wird 6000.");
    TextRow(tg, tank, "txtStillstand", "Stillstand vor Tankbeginn in ms", "Mindestens 500.");
    tg->setColumnStretch(0, 1);
    tv->addLayout(tg);
    tv->addWidget(Check(tank, "chkBoxTanken", "Tanken in der Boxengasse (nur Spur 1 - 4)",
                        "Spur 1 - 4 tanken an den Eingängen 5 - 8 statt an ihrer Lichtschranke."));
    left->addWidget(tank);
    left->addStretch();

    auto* leer = Group(page, "fraTankLeer", "Leerer Tank");
    auto* lv = new QVBoxLayout(leer);
    lv->addWidget(Check(leer, "CurrentOff", "Bahnstrom aus bei leerem Tank",
                        "Aus: jede Runde mit leerem Tank kostet zwei Runden."));
    auto* lg = new QGridLayout;
    TextRow(lg, leer, "txtStrafzeit", "Strafzeit bei leerem Tank in 1/10 Sekunden");
    lg->setColumnStretch(0, 1);
    lv->addLayout(lg);
    lv->addWidget(Check(leer, "chkEmptyVolt", "Trockenfahren verwenden",
                        "Mit leerem Tank bleibt der Strom an und das Auto kriecht mit der Trockenspannung weiter "
                        "(Reiter \"I2C-Bus / Netzteil\")."));
    right->addWidget(leer);

    auto* tnt = Group(page, "fraTankNetzteil", "Spannung nach Tankfüllung");
    auto* nv = new QVBoxLayout(tnt);
    nv->addWidget(Check(tnt, "chkUseTanknetzteil", "Tanknetzteil verwenden",
                        "Die Bahnspannung folgt der Tankfüllung. Nur mit I2C Bus, I2C Netzteil und Tankfunktion."));
    right->addWidget(tnt);
    right->addStretch();
    return page;
}

QWidget* ZsaWindow::BuildBusNetzteil() {
    auto* page = new QWidget(this);
    page->setObjectName("fraBusNetzteil");
    auto* cols = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    cols->addLayout(left, 1);
    cols->addLayout(right, 1);

    auto* bus = Group(page, "fraI2C", "I2C Bus");
    auto* bv = new QVBoxLayout(bus);
    bv->addWidget(Check(bus, "chkI2C", "I2C Bus aktiv", "Pin 14 und 17 werden zum I2C Bus."));
    bv->addWidget(Check(bus, "chkI2cStartampel", "I2C Startampel"));
    bv->addWidget(Check(bus, "chkI2cPositionsanzeige", "I2C Positionsanzeige", "Die Meldungen gehen über die serielle Leitung."));
    bv->addWidget(Check(bus, "chkI2cTankanzeige", "I2C Tankanzeige", "Die Meldungen gehen über die serielle Leitung."));
    left->addWidget(bus);

    auto* out = Group(page, "fraAusgaenge", "Ausgänge mit PCF8574");
    auto* og = new QGridLayout(out);
    const char* labels[3] = {"Bahnstrom Relais : Adr 0", "Start Ampel : Adr 1", ": Adr 2"};
    for (int i = 0; i < 3; ++i) {
        og->addWidget(Label(out, nullptr, labels[i]), i, 0);
        og->addWidget(Liste(out, Name("cmbOut1", i).toLatin1().constData(),
                            {QStringLiteral("nicht vorhanden"), QStringLiteral("PCF8574"), QStringLiteral("PCF8574A")}),
                      i, 1);
        lblAdr0[i] = Label(out, Name("lblAdr0", i).toLatin1().constData(), "0");
        lblAdr0[i]->setMinimumWidth(40);
        og->addWidget(lblAdr0[i], i, 2);
    }
    og->setColumnStretch(0, 1);
    left->addWidget(out);
    left->addStretch();

    auto* nt = Group(page, "fraNetzteil", "Netzteil");
    auto* nv = new QVBoxLayout(nt);
    auto* art = new QHBoxLayout;
    art->addWidget(Check(nt, "chkI2cNetzteil", "I2C", "Regelbares Netzteil am I2C Bus; schaltet das RS232 Netzteil ab."));
    art->addWidget(Check(nt, "chkRs232Netzteil", "RS232",
                         "Leistungsmodul an der seriellen Leitung; schaltet das I2C Netzteil ab."));
    art->addStretch();
    nv->addLayout(art);
    auto* gain = new QButtonGroup(nt);
    groups_.append(gain);
    auto* gh = new QHBoxLayout;
    gh->addWidget(Option(nt, gain, "optVerst32", "Verstärkung 3,2"));
    gh->addWidget(Option(nt, gain, "optVerst51", "Verstärkung 5,1"));
    gh->addStretch();
    nv->addLayout(gh);
    auto* ng = new QGridLayout;
    TextRow(ng, nt, "txtMaxVolts", "Maximale Spannung in Volt", "Maximale Spannung die das Netzteil ausgeben darf.");
    TextRow(ng, nt, "txtTntKorrektur", "Korrektur in milli Volt", "Höchstens 800.");
    TextRow(ng, nt, "txtTntHub", "Spannungs Hub in Volt", "Tankfüllung entspricht 'X' Volt");
    TextRow(ng, nt, "txtFullVolt", "volle Spannung bei X%", "0 bis 95.");
    TextRow(ng, nt, "txtTNTGelb", "Spannung für Safety Car Phase", "Bahnspannung bei Gelbphasen.");
    TextRow(ng, nt, "txtTNTTrocken", "Trockenspannung in Volt", "Unter 1 wird 6, über der maximalen Spannung diese.");
    ng->setColumnStretch(0, 1);
    nv->addLayout(ng);
    nv->addWidget(Label(nt, nullptr, "Die Spannung jeder Spur: Menü \"Bahnspannung einstellen\" (nur mit I2C Netzteil)."));
    right->addWidget(nt);
    right->addStretch();
    return page;
}

QWidget* ZsaWindow::BuildSeriell() {
    auto* page = new QWidget(this);
    page->setObjectName("fraSeriell");
    auto* cols = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    cols->addLayout(left, 1);
    cols->addLayout(right, 1);

    auto* port = Group(page, "fraComPort", "AZT - TNT - TAZ");
    auto* pv = new QVBoxLayout(port);
    auto* pg = new QGridLayout;
    TextRow(pg, port, "txtComport", "Schnittstelle COM (1 - 20)", "Eine andere Eingabe wird 1.", 48);
    pg->setColumnStretch(0, 1);
    pv->addLayout(pg);
    AZT_ComSelect = new QComboBox(port);
    AZT_ComSelect->setObjectName("AZT_ComSelect");
    pv->addWidget(AZT_ComSelect);
    connect(AZT_ComSelect, &QComboBox::activated, this, [this](int i) {
        if (i < 0 || i >= static_cast<int>(comPorts_.size())) return;
        ctx_.cmd.ComPortWaehlen(comPorts_[static_cast<size_t>(i)]);
        ComListeFuellen();
        Aktualisieren();
    });
    auto* act = new QPushButton(U("Schnittstellenliste aktualisieren"), port);
    act->setObjectName("ActComs");
    connect(act, &QPushButton::clicked, this, [this] { ComListeFuellen(); });
    pv->addWidget(act);
    left->addWidget(port);
    ComListeFuellen();

    auto* tafeln = Group(page, "fraAnzeigetafeln", "Anzeigetafeln");
    auto* tv = new QVBoxLayout(tafeln);
    for (int i = 0; i < 4; ++i) {
        const QByteArray cap = QStringLiteral("Anzeigetafel #%1").arg(i + 1).toUtf8();
        tv->addWidget(Check(tafeln, Name("chkAZT_aktiv", i).toLatin1().constData(), cap.constData(),
                            i == 0 ? "Öffnet die Schnittstelle und sendet die Startmeldung." : "Braucht die Tafel davor."));
    }
    tv->addWidget(Check(tafeln, "chkAZT_Alt", "Alte Anzeigetafel", "Schließt die Tafeln #1 - #4 aus."));
    left->addWidget(tafeln);
    left->addStretch();

    auto* anzeige = Group(page, "fraAztAnzeige", "Anzeige der Tafeln");
    auto* av = new QVBoxLayout(anzeige);
    av->addWidget(Check(anzeige, "chkAZT_Lapcount", "Rundenzaehler"));
    av->addWidget(Check(anzeige, "chkAZT_Rundenzeit", "Rundenzeit"));
    av->addWidget(Check(anzeige, "chkAZT_Platzierung", "Aktuelle Platzierung", "Wird gespeichert; die Tafeln zeigen sie nicht."));
    av->addWidget(Check(anzeige, "chkAZT_ShowWatch", "Uhrzeit zeigen", "Wird gespeichert; die Tafeln zeigen sie nicht."));
    auto* ab = new QHBoxLayout;
    auto button = [&](QWidget* parent, QBoxLayout* l, const char* name, const char* caption, void (RaceCommands::*f)(),
                      const char* tip = nullptr) {
        auto* b = new QPushButton(U(caption), parent);
        b->setObjectName(name);
        if (tip) b->setToolTip(U(tip));
        connect(b, &QPushButton::clicked, this, [this, f] { (ctx_.cmd.*f)(); });
        l->addWidget(b);
    };
    button(anzeige, ab, "btnVersion", "FW Version zeigen", &RaceCommands::FwVersionZeigen);
    button(anzeige, ab, "Command4", "Maximaler Strom", &RaceCommands::MaximalerStrom);
    av->addLayout(ab);
    auto* ab2 = new QHBoxLayout;
    button(anzeige, ab2, "btnTestAZT", "Spurzuordnung auf Anzeigetafel", &RaceCommands::SpurzuordnungZeigen);
    button(anzeige, ab2, "btnBanner", "Schriftzug zeigen", &RaceCommands::BannerZeigen);
    av->addLayout(ab2);
    right->addWidget(anzeige);

    auto* taz = Group(page, "fraTankAnzeige", "Tank Anzeige");
    auto* zv = new QVBoxLayout(taz);
    zv->addWidget(Check(taz, "chkTnkAnz", "Tank Anzeige", "LED Tankanzeigen an der seriellen Leitung."));
    auto* zb = new QHBoxLayout;
    button(taz, zb, "btnTazEin", "alle EIN", &RaceCommands::TankAnzeigenAlleEin);
    button(taz, zb, "btnTazAus", "alle AUS", &RaceCommands::TankAnzeigenAlleAus);
    button(taz, zb, "btnBlink", "Blinken", &RaceCommands::TankAnzeigenBlinken, "alle Tank Anzeigen Blinken");
    zv->addLayout(zb);
    right->addWidget(taz);
    right->addStretch();
    return page;
}

void ZsaWindow::ComListeFuellen() {
    const ComListe l = ctx_.cmd.ActComs();
    comPorts_ = l.ports;
    AZT_ComSelect->clear();
    for (const std::string& e : l.eintraege) AZT_ComSelect->addItem(QString::fromStdString(e));
    AZT_ComSelect->setCurrentIndex(l.auswahl);
}

QWidget* ZsaWindow::BuildSound() {
    auto* page = new QWidget(this);
    page->setObjectName("fraSound");
    auto* v = new QVBoxLayout(page);
    auto* ansage = Group(page, "fraZeitansage", "Zeitansage");
    auto* av = new QVBoxLayout(ansage);
    QCheckBox* zeitansage = Check(ansage, "chkZeitansage", "Zeitansage einschalten", "Jede gezählte Runde wird angesagt.");
    av->addWidget(zeitansage);
    auto* keinTon = Label(ansage, "lblKeinTon", "Kein Tonausgabegerät gefunden: die Zeitansage bleibt stumm.");
    keinTon->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    keinTon->hide();
    av->addWidget(keinTon);
    // Switched on: try the sound output now, so a missing device is seen here
    // and not at the first lap of a race.
    connect(zeitansage, &QCheckBox::toggled, this, [this, keinTon](bool on) {
        keinTon->setVisible(on && ctx_.ansage && !ctx_.ansage->SoundInit());
    });
    av->addWidget(Check(ansage, "chkAnsageAutoOff", "im Rennbetrieb automatisch ausschalten",
                        "Angesagt wird dann nur im Training."));
    v->addWidget(ansage);

    auto* stellen = Group(page, "fraStellen", "Nachkommastellen der Ansage");
    auto* sv = new QVBoxLayout(stellen);
    auto* bg = new QButtonGroup(stellen);
    groups_.append(bg);
    sv->addWidget(Option(stellen, bg, "Option1", "Eine Stelle (Standard)"));
    sv->addWidget(Option(stellen, bg, "Option2", "Zwei Stellen"));
    sv->addWidget(Option(stellen, bg, "Option3", "Drei Stellen"));
    v->addWidget(stellen);

    auto* h = new QHBoxLayout;
    auto* files = new QPushButton(U("Sounddateien …"), page);
    files->setObjectName("btnSoundfiles");
    connect(files, &QPushButton::clicked, this, [this] { ctx_.openOrSay(Fenster::Soundfiles); });
    h->addWidget(files);
    h->addStretch();
    v->addLayout(h);
    v->addStretch();
    return page;
}

QWidget* ZsaWindow::BuildFenster() {
    auto* page = new QWidget(this);
    page->setObjectName("fraFenster");
    auto* cols = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    cols->addLayout(left, 1);
    cols->addLayout(right, 1);

    auto* start = Group(page, "fraStartfenster", "Fenster beim Start");
    auto* sv = new QVBoxLayout(start);
    sv->addWidget(Check(start, "OpenWins", "Beim Beenden offene Fenster wieder öffnen"));
    sv->addWidget(Check(start, "SecondLight", "Zusatzampel anzeigen"));
    sv->addWidget(Label(start, nullptr, "Sonst beim Start öffnen:"));
    auto* ansicht = new QButtonGroup(start);
    groups_.append(ansicht);
    const char* fenster[8] = {"2 Spuren",  "3 Spuren", "4 Spuren (Standard)", "5 Spuren",
                              "4 Spuren (neu)", "6 Spuren", "8 Spuren", "8 Spuren (2 × 4)"};
    auto* ag = new QGridLayout;
    for (int i = 0; i < 8; ++i)
        ag->addWidget(Option(start, ansicht, Name("Ansicht", i).toLatin1().constData(), fenster[i]), i % 4, i / 4);
    sv->addLayout(ag);
    left->addWidget(start);

    auto* pos = Group(page, "fraFensterSpeichern", "Fensterpositionen");
    auto* pv = new QVBoxLayout(pos);
    auto* speichern = new QButtonGroup(pos);
    groups_.append(speichern);
    pv->addWidget(Option(pos, speichern, "Speichern_0", "Fenstereinstellungen immer speichern"));
    pv->addWidget(Option(pos, speichern, "Speichern_1", "Fenstereinstellungen mit allen Einstellungen speichern"));
    pv->addWidget(Option(pos, speichern, "Speichern_2", "Fenstereinstellungen nicht automatisch speichern"));
    left->addWidget(pos);
    left->addStretch();

    auto* farben = Group(page, "fraFarben", "Farben der Spuren");
    auto* fv = new QVBoxLayout(farben);
    auto* fg = new QGridLayout;
    const char* spalten[3] = {"Schrift", "Hintergrund", "Bahnfarbe"};
    for (int s = 0; s < 3; ++s) fg->addWidget(Label(farben, nullptr, spalten[s]), 0, s + 1, Qt::AlignHCenter);
    for (int lane = 1; lane <= 8; ++lane) {
        fg->addWidget(new QLabel(QStringLiteral("Spur %1").arg(lane), farben), lane, 0);
        for (int s = 0; s < 3; ++s) {
            const int k = s * 8 + lane - 1;
            auto* b = new QPushButton(farben);
            b->setObjectName(Name("btnTrackColor", k));
            b->setFixedSize(64, 22);
            b->setCheckable(true);
            b->setAutoFillBackground(true);
            btnTrackColor[k] = b;
            connect(b, &QPushButton::clicked, this, [this, k] { FarbeWaehlen(k); });
            fg->addWidget(b, lane, s + 1, Qt::AlignHCenter);
        }
    }
    fv->addLayout(fg);
    lblFarbeGewaehlt = Label(farben, "lblFarbeGewaehlt", "");
    fv->addWidget(lblFarbeGewaehlt);
    auto* sg = new QGridLayout;
    const char* names[3] = {"vscRot", "vscGruen", "vscBlau"};
    const char* caps[3] = {"Rot", "Grün", "Blau"};
    for (int c = 0; c < 3; ++c) {
        sg->addWidget(Label(farben, nullptr, caps[c]), c, 0);
        vsc[c] = new QScrollBar(Qt::Horizontal, farben);
        vsc[c]->setObjectName(names[c]);
        vsc[c]->setRange(0, 255);
        vsc[c]->setPageStep(16);
        sg->addWidget(vsc[c], c, 1);
        vscWert[c] = new QLabel(farben);
        vscWert[c]->setMinimumWidth(30);
        sg->addWidget(vscWert[c], c, 2);
        connect(vsc[c], &QScrollBar::valueChanged, this, [this] {
            ctx_.cmd.ZsaFarbeSetzen(farbKnopf_,
                           Rgb{static_cast<int16_t>(vsc[0]->value()), static_cast<int16_t>(vsc[1]->value()),
                               static_cast<int16_t>(vsc[2]->value())});
            FarbeAnzeigen();
        });
    }
    sg->setColumnStretch(1, 1);
    fv->addLayout(sg);
    fv->addWidget(Label(farben, nullptr, "Die Farben gelten für Zeitfenster, die danach geöffnet werden."));
    right->addWidget(farben);
    right->addStretch();
    return page;
}

void ZsaWindow::FarbeWaehlen(int knopf) {
    farbKnopf_ = knopf;
    FarbeAnzeigen();
}

void ZsaWindow::FarbeAnzeigen() {
    if (!vsc[0]) return;
    const Settings& cfg = ctx_.sys.cfg;
    for (int k = 0; k < 24; ++k) {
        const Rgb c = ZsaFarbe(cfg, k);
        btnTrackColor[k]->setStyleSheet(QStringLiteral("background-color: rgb(%1,%2,%3); border: %4 solid #202020;")
                                            .arg(c.rot)
                                            .arg(c.gruen)
                                            .arg(c.blau)
                                            .arg(k == farbKnopf_ ? QStringLiteral("3px") : QStringLiteral("1px")));
        btnTrackColor[k]->setChecked(k == farbKnopf_);
    }
    const Rgb c = ZsaFarbe(cfg, farbKnopf_);
    const int v[3] = {c.rot, c.gruen, c.blau};
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker block(vsc[i]);
        vsc[i]->setValue(v[i]);
        vscWert[i]->setText(QString::number(v[i]));
    }
    const char* art[3] = {"Schrift", "Hintergrund", "Bahnfarbe"};
    lblFarbeGewaehlt->setText(QStringLiteral("Gewählt: Spur %1, %2").arg(farbKnopf_ % 8 + 1).arg(U(art[farbKnopf_ / 8])));
}

void ZsaWindow::Anzeigen() {
    SperrzeitAnzeigen();
    const RaceUiState& view = ctx_.sys.view;
    for (int k = 0; k < 10; ++k) {
        btnZsaTrack[k]->setText(QString::fromStdString(view.teachCaption[k + 1]));
        // Colour values as the core gives them: 0x00BBGGRR.
        const int32_t c = view.teachFarbe[k + 1];
        QPalette p = shpTeach[k]->palette();
        p.setColor(QPalette::Window, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        shpTeach[k]->setPalette(p);
    }
}

void ZsaWindow::Closing(QCloseEvent*) {
    OffeneEingaben();
    ctx_.cmd.ZsaSchliessen();
    // The race-length presets may have changed: new menu captions.
    ctx_.cmd.UpdateLapTimeSettings();
    ctx_.updateLapTimeSettings();
}

}  // namespace zk
