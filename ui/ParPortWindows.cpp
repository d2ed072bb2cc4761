#include "ui/ParPortWindows.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>

#include "race/Lpt.h"
#include "race/PortSim.h"
#include "settings/ProfileParse.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"
#include "ui/LapWindow.h"
#include "ui/RaceActions.h"
#include "ui/WindowRegistry.h"
#include "ui/WindowGeometry.h"

namespace zk {

namespace {

QString Bits(unsigned v, int n) { return QStringLiteral("%1").arg(v, n, 2, QLatin1Char('0')); }

// Data-register bits 0..7 and what they drive.
const char* const kDatenBits[8] = {"Pin 2 - Ampel Rot 1", "Pin 3 - Ampel Rot 2",  "Pin 4 - Ampel Rot 3",
                                   "Pin 5 - Ampel Rot 4", "Pin 6 - Bahnstrom 1", "Pin 7 - Bahnstrom 2",
                                   "Pin 8 - Bahnstrom 3", "Pin 9 - Bahnstrom 4"};

}  // namespace

// ---------------------------------------------------------------- frmParPortSim

ParPortSimWindow::ParPortSimWindow(UiContext& ctx) : ProgramWindow(Fenster::ParPortSim), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Parallelport testen"));

    // Two columns, so the window fits a 768-pixel-high screen.
    auto* top = new QGridLayout(this);
    auto* pins = new QGroupBox(QStringLiteral("Anschlussbelegung"), this);
    auto* pv = new QVBoxLayout(pins);
    for (const char* t : {"Pin 1 : Eingang Gelbphase oder Spur 5 oder Ausgang Ampel LED Rot 0",
                          "Pin 2 - 5 : Ausgang Ampel LED Rot 1 - 4", "Pin 6 - 9 : Ausgang Bahnstrom 1 - 4",
                          "Pin 10 - 13 : Eingang Spur 1 - 4",
                          "Pin 14 : Eingang Spur 7 oder Ausgang I2C Clock (SCL)", "Pin 15 : Eingang Spur 6",
                          "Pin 16 : Eingang Chaos / Gelb oder Ausgang Ampel Rot 0 / Ampel Grün",
                          "Pin 17 : Eingang Spur 8 oder Ausgang I2C Data (SDA)"})
        pv->addWidget(new QLabel(QString::fromUtf8(t), pins));
    // Broken by hand: a word-wrapped label inside the group gets cut off.
    auto* hint = new QLabel(QString::fromUtf8("Die Zustände geben die Werte am Port wieder.\nDie Zuordnung der der "
                                              "Eingänge sind nur Vorschläge,\nsie können unter Einstellungen gelernt "
                                              "werden."),
                            pins);
    pv->addWidget(hint);
    top->addWidget(pins, 0, 0, 2, 1);

    auto* outs = new QGroupBox(QString::fromUtf8("Ausgänge (Datenregister)"), this);
    auto* og = new QGridLayout(outs);
    for (int i = 0; i < 8; ++i) {
        auto* b = new QPushButton(QString::fromUtf8(kDatenBits[i]), outs);
        b->setObjectName(ArrayName("SpurTrue", i));
        b->setCheckable(true);
        og->addWidget(b, i % 4, i / 4);
        connect(b, &QPushButton::clicked, this, [this, i] {
            ctx_.cmd.DatenBitUmschalten(i);
            Update();
        });
        SpurTrue.push_back(b);
    }
    top->addWidget(outs, 0, 1);

    auto* conf = new QGroupBox(QStringLiteral("Steuerregister"), this);
    auto* cg = new QGridLayout(conf);
    const char* confText[4] = {"Pin1 - Ausgang Ampel Rot 0", "Pin 14 - Ausgang I2C Clock",
                               "Pin 16 - Ausgang Rot 0 oder Grün", "Pin 17 - Ausgang I2C Data"};
    const char* confName[4] = {"ConfPin1", "ConfPin14", "ConfPin16", "ConfPin17"};
    QPushButton** confBtn[4] = {&ConfPin1, &ConfPin14, &ConfPin16, &ConfPin17};
    for (int bit = 0; bit < 4; ++bit) {
        auto* b = new QPushButton(QString::fromUtf8(confText[bit]), conf);
        b->setObjectName(confName[bit]);
        b->setCheckable(true);
        *confBtn[bit] = b;
        cg->addWidget(b, bit / 2, bit % 2);
        connect(b, &QPushButton::clicked, this, [this, bit] {
            ctx_.cmd.SteuerBitUmschalten(bit);
            Update();
        });
    }
    top->addWidget(conf, 1, 1);

    auto* sim = new QGroupBox(QStringLiteral("Simulation"), this);
    auto* sg = new QGridLayout(sim);
    chkAutoZaehlen = new QCheckBox(QString::fromUtf8("Automatisch zählen"), sim);
    chkAutoZaehlen->setObjectName("Check1");
    chkAufAb = new QCheckBox(QString::fromUtf8("Auf ab zählen"), sim);
    chkAufAb->setObjectName("Check2");
    Sim1ms = new QPushButton(QStringLiteral("Sim 1 MS"), sim);
    Sim1ms->setObjectName("Sim1ms");
    btnStartRace = new QPushButton(QStringLiteral("S t a r t"), sim);
    btnStartRace->setObjectName("btnStartRace");
    btnStopRace = new QPushButton(QStringLiteral("S t o p"), sim);
    btnStopRace->setObjectName("btnStopRace");
    sg->addWidget(chkAutoZaehlen, 0, 0);
    sg->addWidget(chkAufAb, 0, 1);
    sg->addWidget(Sim1ms, 0, 2);
    sg->addWidget(btnStartRace, 1, 0);
    sg->addWidget(btnStopRace, 1, 1);
    top->addWidget(sim, 2, 1);
    connect(chkAutoZaehlen, &QCheckBox::toggled, this, &ParPortSimWindow::OnAutoZaehlen);
    connect(chkAufAb, &QCheckBox::toggled, this,
            [this](bool on) { ctx_.cmd.SimWechselnSetzen(on); });
    connect(Sim1ms, &QPushButton::clicked, this, [this] { ctx_.cmd.AskSimSweep(true); });
    connect(btnStartRace, &QPushButton::clicked, this, [this] { ctx_.race.Start(); });
    connect(btnStopRace, &QPushButton::clicked, this, [this] { ctx_.race.Stop(); });

    auto* dbg = new QGroupBox(QString::fromUtf8("Debugging   -   Excel-Dateien erzeugt Zirkato selbst"), this);
    auto* dv = new QVBoxLayout(dbg);
    chkTagHeuer = new QCheckBox(QStringLiteral("Tag Heuer als Referenz"), dbg);
    chkTagHeuer->setObjectName("chkTagHeuer");
    // The serial timing-device console is not part of this program; the box has no effect.
    dv->addWidget(chkTagHeuer);
    top->addWidget(dbg, 2, 0);

    lblZustand = new QLabel(this);
    lblZustand->setObjectName("lblZustand");
    lblZustand->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    lblZustand->setFont(mono);
    top->addWidget(lblZustand, 3, 0, 1, 2);

    ParSim_.setInterval(1000);  // one sweep (8 x 101 ms) fits into an interval
    connect(&ParSim_, &QTimer::timeout, this, &ParPortSimWindow::OnParSim);
    ParSim_.start();

    // Form_Load
    adjustSize();
    ctx_.cmd.SimulationStarten();
    ctx_.showDebugFrame(true);
    Update();
}

void ParPortSimWindow::OnAutoZaehlen(bool on) { ctx_.cmd.SimVerdrahtungSetzen(on); }

void ParPortSimWindow::OnParSim() { ctx_.cmd.SimSweepTakt(chkAutoZaehlen->isChecked()); }

void ParPortSimWindow::Update() {
    const RaceSystem& sys = ctx_.sys;
    const RaceState& s = sys.st;
    const unsigned daten = s.LptDaten, steuer = s.LptSteuer, eingang = s.Eingang;
    btnStartRace->setEnabled(sys.record.CanStart());
    for (int i = 0; i < 8; ++i) SpurTrue[i]->setChecked((daten >> i) & 1u);
    QPushButton* conf[4] = {ConfPin1, ConfPin14, ConfPin16, ConfPin17};
    for (int bit = 0; bit < 4; ++bit) conf[bit]->setChecked((steuer >> bit) & 1u);
    QString text;
    text += QStringLiteral("Port:           %1, Basis %2\n")
                .arg(QString::fromStdString(sys.port().Description()))
                .arg(s.LptBasis.load());
    text += QStringLiteral("Eingang:        %1  (Ruhe %2)\n").arg(Bits(eingang & 0xFF, 8), Bits(s.EingangRuhe & 0xFF, 8));
    text += QStringLiteral("Datenregister:  %1\n").arg(Bits(daten & 0xFF, 8));
    text += QStringLiteral("Steuerregister: %1\n").arg(Bits(steuer & 0xFF, 8));
    text += QStringLiteral("I2C-Bus:        %1\n").arg(s.I2CAktiv ? QStringLiteral("aktiv") : QStringLiteral("aus"));
    text += QStringLiteral("Simulation:     %1, Sweep Spur %2").arg(s.SimulationActive ? "ein" : "aus").arg(s.SimSpur.load());
    if (s.BoardQuelle) {
        // The board's pins as its edges and heartbeats report them, input 1 first.
        QString pegel;
        const unsigned b = s.BoardEingang;
        for (int n = 1; n <= 10; ++n) pegel += ((b >> (n - 1)) & 1u) != 0 ? QLatin1Char('1') : QLatin1Char('0');
        text += QStringLiteral("\nSensorboard:    Eingänge 1–10 %1%2\n%3")
                    .arg(pegel, s.BoardBekannt != 0 ? QString() : QStringLiteral(" (unbekannt)"),
                         QString::fromStdString(sys.board().Lesen().text));
    }
    lblZustand->setText(text);
}

void ParPortSimWindow::Closing(QCloseEvent*) {
    ParSim_.stop();
    ctx_.cmd.SimulationBeenden();
    ctx_.showDebugFrame(false);
}

// -------------------------------------------------------------- frmParPortDebug

namespace {
// Press-and-hold button: active while the mouse button is down.
class HoldButton : public QPushButton {
public:
    using QPushButton::QPushButton;
    std::function<void(bool)> onHold;

protected:
    void mousePressEvent(QMouseEvent* e) override {
        QPushButton::mousePressEvent(e);
        if (onHold) onHold(true);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QPushButton::mouseReleaseEvent(e);
        if (onHold) onHold(false);
    }
};
}  // namespace

ParPortDebugWindow::ParPortDebugWindow(UiContext& ctx) : ProgramWindow(Fenster::ParPortDebug), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Parallelport Simulieren"));
    const RaceSystem& sys = ctx_.sys;

    auto* top = new QVBoxLayout(this);
    auto* hint = new QLabel(QString::fromUtf8("Für manuelle Simmulation oder Tanksimulation den entsprechenden Button "
                                              "drücken."),
                            this);
    hint->setWordWrap(true);
    top->addWidget(hint);

    auto* g = new QGridLayout;
    g->addWidget(new QLabel(QStringLiteral("Spur"), this), 0, 0);
    auto* periodHead = new QLabel(QString::fromUtf8("Rundenzeit für automatische Simulation in Millisekunden"), this);
    periodHead->setWordWrap(true);
    g->addWidget(periodHead, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Tanken"), this), 0, 2, 1, 2);
    for (int i = 0; i < kSimLanes; ++i) {
        const int n = i + 1;
        auto* b = new HoldButton(QStringLiteral("Spur %1").arg(n), this);
        b->setObjectName(ArrayName("SpurTrue", i));
        b->onHold = [this, n](bool down) { ctx_.cmd.EingangErzwingen(n, down); };
        SpurTrue.push_back(b);
        auto* t = new QLineEdit(this);
        t->setObjectName(ArrayName("AutoZeit", i));
        AutoZeit.push_back(t);
        auto* w = new QLineEdit(this);
        w->setObjectName(ArrayName("TankWert", i));
        TankWert.push_back(w);
        auto* f = new QPushButton(QStringLiteral("Spur %1").arg(n), this);
        f->setObjectName(ArrayName("Tanken", i));
        f->setToolTip(QString::fromUtf8("Tank auf eingestellten Wert füllen"));
        TankenBtn.push_back(f);
        g->addWidget(b, n, 0);
        g->addWidget(t, n, 1);
        g->addWidget(w, n, 2);
        g->addWidget(f, n, 3);
        connect(f, &QPushButton::clicked, this, [this, i] { Tanken(i); });
    }
    top->addLayout(g);
    AutoAusBox = new QCheckBox(QStringLiteral("Automatische Simulation ausschalten"), this);
    AutoAusBox->setObjectName("AutoAus");
    top->addWidget(AutoAusBox);
    connect(AutoAusBox, &QCheckBox::toggled, this, [this](bool on) { ctx_.cmd.AutoAusSetzen(on); });

    // Form_Load
    ctx_.cmd.AutoSimulationLaden();
    for (int n = 1; n <= kSimLanes; ++n) {
        AutoZeit[n - 1]->setText(QString::number(sys.portSim.AutoPeriode[n]));
        TankWert[n - 1]->setText(QString::number(sys.cfg.Tankoption.Tankinhalt) + ",00");
    }
    for (int i = 0; i < kSimLanes; ++i) {
        connect(AutoZeit[i], &QLineEdit::textChanged, this, [this, i](const QString& t) {
            ctx_.cmd.AutoPeriodeSetzen(i + 1, ParseLeadingReal(t.toStdString()));
        });
    }
    adjustSize();
}

void ParPortDebugWindow::Update() { ctx_.cmd.AutoSimulationSchritt(); }

void ParPortDebugWindow::ClearWindow() { ctx_.cmd.AutoSimulationLeeren(); }

void ParPortDebugWindow::Tanken(int i) {
    ctx_.cmd.TankStandSetzen(i + 1, ParseLeadingReal(TankWert[i]->text().toStdString()));
}

}  // namespace zk
