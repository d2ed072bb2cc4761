#include "ui/ZsaWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "race/TeachIn.h"
#include "system/RaceSystem.h"
#include "ui/UiContext.h"
#include "ui/UpdateForms.h"
// After the window headers: it declares a function named like the lap-window class.
#include "race/RaceModes.h"

namespace zk {

namespace {

QString Name(const char* base, int index) { return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(index); }

QLabel* Text(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    return l;
}

}  // namespace

ZsaWindow::ZsaWindow(UiContext& ctx) : QWidget(nullptr, Qt::Window), ctx_(ctx) {
    setObjectName("frmZSA");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Einstellungen"));
    ZsaOeffnen(ctx_.sys);

    auto* v = new QVBoxLayout(this);
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName("SSTab1");
    SSTab1->addTab(BuildNochNichtDa("fraAllgemein"), QStringLiteral("Allgemein"));
    SSTab1->addTab(BuildNochNichtDa("fraParallelport"), QStringLiteral("Parallelport"));
    SSTab1->addTab(BuildLichtschranken(), QStringLiteral("Lichtschranken"));
    v->addWidget(SSTab1);

    auto* buttons = new QHBoxLayout;
    auto* btnSave = new QPushButton(QStringLiteral("speichern"), this);
    btnSave->setObjectName("btnSave");
    auto* btnClose = new QPushButton(QString::fromUtf8("Schließen"), this);
    btnClose->setObjectName("btnClose");
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnClose);
    v->addLayout(buttons);
    connect(btnSave, &QPushButton::clicked, this, [this] { ctx_.writeIniFile(); });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);

    connect(SSTab1, &QTabWidget::currentChanged, this, [this](int reiter) {
        ZsaReiterGewaehlt(ctx_.sys, reiter);
        // Captions and lamps at once rather than at the next cycle.
        ctx_.forms.SettingsLiveView();
    });
    // Whoever opens the settings usually comes to teach the track in.
    SSTab1->setCurrentIndex(kZsaReiterLichtschranken);
    ZsaReiterGewaehlt(ctx_.sys, kZsaReiterLichtschranken);
    ZsaTimerFunktionen(ctx_.sys);
    Anzeigen();
}

QWidget* ZsaWindow::BuildNochNichtDa(const char* name) {
    auto* page = new QWidget(this);
    page->setObjectName(name);
    auto* v = new QVBoxLayout(page);
    v->addWidget(Text(page, "lblNochNichtDa",
                      "Diese Einstellungen werden noch eingebaut. Bis dahin gelten die Werte aus der Datei "
                      "Zirkato.ini."));
    v->addStretch();
    return page;
}

QWidget* ZsaWindow::BuildLichtschranken() {
    auto* page = new QWidget(this);
    page->setObjectName("fraLichtschranken");
    auto* v = new QVBoxLayout(page);
    v->addWidget(Text(page, "lblTeachAnleitung",
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
            TeachInKlick(ctx_.sys, k + 1);
            ctx_.forms.SettingsLiveView();
        });
    }
    g->setColumnStretch(4, 1);
    v->addLayout(g);
    auto* reset = new QPushButton(QString::fromUtf8("Alle Werte löschen"), page);
    reset->setObjectName("TeachIn_Reset");
    connect(reset, &QPushButton::clicked, this, [this] {
        TeachInReset(ctx_.sys);
        ctx_.forms.SettingsLiveView();
    });
    auto* h = new QHBoxLayout;
    h->addWidget(reset);
    h->addStretch();
    v->addLayout(h);
    v->addWidget(Text(page, "lblTeachLoeschen",
                      "Falls manche Spuren nicht zählen, oder die Lichtschranken sich gegenseitig beeinflussen, "
                      "können hier alle gelernten Werte gelöscht werden. Nach dem Löschen müssen alle Spuren neu "
                      "gelernt werden."));
    v->addWidget(Text(page, "lblTeachAchtung",
                      "Achtung: Das Lernen der Funktionen \"Chaos\" und \"Gelbphase\" macht nur Sinn, wenn diese im "
                      "Reiter \"Allgemein\" die entsprechende Funktion auch angewählt ist!"));
    v->addStretch();
    return page;
}

void ZsaWindow::Anzeigen() {
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

void ZsaWindow::closeEvent(QCloseEvent* e) {
    ZsaSchliessen(ctx_.sys);
    // The race-length presets may have changed: new menu captions.
    UpdateLapTimeSettings(ctx_.sys);
    ctx_.updateLapTimeSettings();
    e->accept();
    emit Unloaded(this);
}

}  // namespace zk
