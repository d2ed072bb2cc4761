#include "ui/DirectorWindow.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "race/InterneZeit.h"
#include "race/RaceResult.h"
#include "race/Director.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"
#include "tick/FastTimer.h"
#include "ui/LapWindow.h"
#include "ui/RaceActions.h"
#include "ui/WindowRegistry.h"
#include "ui/Zeit4SpurWindow.h"

namespace zk {

namespace {
const QColor kGruen(0, 192, 0);
const QColor kRot(255, 0, 0);

QString Two(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }
}  // namespace

QLabel* DirectorWindow::Label(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QPushButton* DirectorWindow::Button(const QString& name, const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    // Keys typed at the desk are race keys; no button takes the keyboard.
    b->setFocusPolicy(Qt::NoFocus);
    // As narrow as the caption (the style's minimum is wider): eight lane
    // columns of buttons fit a 1024-pixel screen.
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text()) + 16);
    return b;
}

DirectorWindow::DirectorWindow(UiContext& ctx) : ProgramWindow(Fenster::Rennleitung), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Rennleitung"));
    setFocusPolicy(Qt::StrongFocus);
    const Settings& cfg = ctx_.sys.cfg;
    auto* top = new QVBoxLayout(this);

    // Race information.
    auto* info = new QGridLayout;
    auto pair = [&](int row, int col, const char* capName, const char* cap, QLabel*& value, const char* valName) {
        info->addWidget(Label(capName, QString::fromUtf8(cap), this), row, col);
        value = Label(valName, QString(), this);
        QFont f = value->font();
        f.setBold(true);
        value->setFont(f);
        info->addWidget(value, row, col + 1);
    };
    pair(0, 0, "RennModeTxt", "Aktueller Rennmodus :", RennMode, "RennMode");
    RennModeTxt = findChild<QLabel*>("RennModeTxt");
    pair(1, 0, "Label1", "Restzeit :", ZeitAnzeige, "ZeitAnzeige");
    pair(2, 0, "Label2", "Spurwechsel :", SpwAnzeige, "SpwAnzeige");
    pair(0, 2, "Label3", "Pausenzeit :", Pausenzeit, "Pausenzeit");
    pair(1, 2, "Label4", "Offene Fenster :", NumOfWins, "NumOfWins");
    pair(2, 2, "Label5", "Eingestellte Nachlaufzeit :", lblNachlaufRest, "Label6");
    pair(0, 4, "Label17", "Gesamtzeit :", lblGesTime, "lblGesTime");
    info->setColumnStretch(1, 2);
    info->setColumnStretch(3, 1);
    info->setColumnStretch(5, 1);
    top->addLayout(info);

    // The lanes, one column each.
    auto* lanes = new QGridLayout;
    lanes->setHorizontalSpacing(4);
    lanes->setVerticalSpacing(2);
    const char* rows[] = {"Spur", "Fahrer", "Runden", "Platz", "Letzte", "Beste", "Gesamt", "Sensor", "Strom"};
    for (int r = 0; r < 9; ++r) lanes->addWidget(new QLabel(QString::fromUtf8(rows[r]), this), r, 0);
    for (auto* v : {&Spur, &Driver, &Runden, &Rang, &LastLap, &Fastest, &GesTime}) v->resize(kLanes, nullptr);
    Spur_Color.resize(kLanes, nullptr);
    Spur_LS.resize(kLanes, nullptr);
    Spur_Strom.resize(kLanes, nullptr);
    for (int i = 0; i < kLanes; ++i) {
        const int lane = i + 1;
        // Lane number inside a frame in the lane's track colour.
        auto* border = new QWidget(this);
        border->setObjectName(ArrayName("Spur_Color", i));
        border->setAutoFillBackground(true);
        QPalette bp = border->palette();
        bp.setColor(QPalette::Window, FromRgb(cfg.Farben.S[lane]));
        border->setPalette(bp);
        auto* bl = new QHBoxLayout(border);
        bl->setContentsMargins(3, 3, 3, 3);
        Spur[i] = Label(ArrayName("Spur", i), QString::number(lane), border);
        Spur[i]->setAlignment(Qt::AlignCenter);
        // Dark text on a light field inside the coloured frame, whatever the lane colour.
        Spur[i]->setStyleSheet(QStringLiteral("background: white; color: black;"));
        QFont nf = Spur[i]->font();
        nf.setBold(true);
        Spur[i]->setFont(nf);
        bl->addWidget(Spur[i]);
        Spur_Color[i] = border;
        lanes->addWidget(border, 0, lane);
        int r = 1;
        for (auto [vec, name] : {std::pair{&Driver, "Driver"}, {&Runden, "Runden"}, {&Rang, "Rang"},
                                 {&LastLap, "LastLap"}, {&Fastest, "Fastest"}, {&GesTime, "GesTime"}}) {
            (*vec)[i] = Label(ArrayName(name, i), QString(), this);
            (*vec)[i]->setAlignment(Qt::AlignCenter);
            lanes->addWidget((*vec)[i], r++, lane);
        }
        QFont big = Runden[i]->font();
        big.setPointSizeF(big.pointSizeF() * 1.4);
        big.setBold(true);
        Runden[i]->setFont(big);
        Spur_LS[i] = new StatusLamp(this);
        Spur_LS[i]->setObjectName(ArrayName("Spur_LS", i));
        Spur_LS[i]->setMinimumSize(16, 16);
        lanes->addWidget(Spur_LS[i], r++, lane);
        Spur_Strom[i] = new StatusLamp(this);
        Spur_Strom[i]->setObjectName(ArrayName("Spur_Strom", i));
        Spur_Strom[i]->setMinimumSize(16, 16);
        lanes->addWidget(Spur_Strom[i], r++, lane);
        lanes->setColumnStretch(lane, 1);
    }
    top->addLayout(lanes);

    // Interventions during the race.
    auto* manip = new QGroupBox(QString::fromUtf8("Manipulation während dem Rennen"), this);
    manip->setObjectName("Manipulation");
    auto* mg = new QGridLayout(manip);
    mg->setHorizontalSpacing(4);
    mg->setVerticalSpacing(2);
    for (auto* v : {&Plus, &Minus1, &Reset, &PowerBtn}) v->resize(kLanes, nullptr);
    mg->addWidget(new QLabel(QStringLiteral("Runden"), manip), 0, 0);
    mg->addWidget(new QLabel(QStringLiteral("Beste Runde"), manip), 1, 0);
    mg->addWidget(new QLabel(QStringLiteral("Strom"), manip), 2, 0);
    for (int i = 0; i < kLanes; ++i) {
        const int lane = i + 1;
        auto* pm = new QHBoxLayout;
        pm->setSpacing(2);
        Plus[i] = Button(ArrayName("Plus", i), QStringLiteral("+1"), manip);
        Minus1[i] = Button(ArrayName("Minus1", i), QStringLiteral("-1"), manip);
        pm->addWidget(Plus[i]);
        pm->addWidget(Minus1[i]);
        mg->addLayout(pm, 0, lane);
        Reset[i] = Button(ArrayName("Reset", i), QStringLiteral("Reset"), manip);
        mg->addWidget(Reset[i], 1, lane);
        PowerBtn[i] = Button(ArrayName("PowerBtn", i), QStringLiteral("Strom"), manip);
        mg->addWidget(PowerBtn[i], 2, lane);
        mg->setColumnStretch(lane, 1);
        connect(Plus[i], &QPushButton::clicked, this, [this, lane, i] {
            Runden[i]->setText(QString::number(ctx_.cmd.LapCorrection(lane, +1)));
            Update();
        });
        connect(Minus1[i], &QPushButton::clicked, this, [this, lane, i] {
            Runden[i]->setText(QString::number(ctx_.cmd.LapCorrection(lane, -1)));
            Update();
        });
        connect(Reset[i], &QPushButton::clicked, this, [this, lane, i] {
            ctx_.cmd.ResetBestLap(lane);
            Fastest[i]->setText(QStringLiteral("0,000"));
            ctx_.registry.ShowBestLapReset(lane);
        });
        connect(PowerBtn[i], &QPushButton::clicked, this, [this, lane] {
            ctx_.race.TogglePower(lane);
            RefreshRaceViews();
        });
    }
    top->addWidget(manip);

    // Lane voltages of the controllable power supply.
    Netzteil = new QGroupBox(QStringLiteral("Netzteil"), this);
    Netzteil->setObjectName("Netzteil");
    auto* ng = new QGridLayout(Netzteil);
    ng->setHorizontalSpacing(4);
    ng->setVerticalSpacing(2);
    for (auto* v : {&Spannung, &Tank}) v->resize(kLanes, nullptr);
    for (auto* v : {&VPlus, &VMinus}) v->resize(kLanes, nullptr);
    Netz_Color.resize(kLanes, nullptr);
    ng->addWidget(new QLabel(QStringLiteral("Spannung"), Netzteil), 0, 0);
    ng->addWidget(new QLabel(QStringLiteral("Tank V."), Netzteil), 1, 0);
    ng->addWidget(new QLabel(QStringLiteral("Volt"), Netzteil), 2, 0);
    for (int i = 0; i < kLanes; ++i) {
        const int lane = i + 1;
        auto* sc = new QWidget(Netzteil);
        sc->setObjectName(ArrayName("Netz_Color", i));
        sc->setAutoFillBackground(true);
        QPalette p = sc->palette();
        p.setColor(QPalette::Window, FromRgb(cfg.Farben.S[lane]));
        sc->setPalette(p);
        auto* sl = new QHBoxLayout(sc);
        sl->setContentsMargins(2, 1, 2, 1);
        Spannung[i] = Label(ArrayName("Spannung", i), QString(), sc);
        Spannung[i]->setAlignment(Qt::AlignCenter);
        Spannung[i]->setStyleSheet(QStringLiteral("background: white; color: black;"));
        sl->addWidget(Spannung[i]);
        Netz_Color[i] = sc;
        ng->addWidget(sc, 0, lane);
        Tank[i] = Label(ArrayName("Tank", i), QString(), Netzteil);
        Tank[i]->setAlignment(Qt::AlignCenter);
        ng->addWidget(Tank[i], 1, lane);
        auto* vm = new QHBoxLayout;
        vm->setSpacing(2);
        VPlus[i] = Button(ArrayName("VPlus", i), QStringLiteral("+"), Netzteil);
        VMinus[i] = Button(ArrayName("VMinus", i), QStringLiteral("-"), Netzteil);
        vm->addWidget(VPlus[i]);
        vm->addWidget(VMinus[i]);
        ng->addLayout(vm, 2, lane);
        ng->setColumnStretch(lane, 1);
        connect(VPlus[i], &QPushButton::clicked, this, [this, lane, i] {
            if (ctx_.cmd.LaneVoltageStep(lane, true)) Spannung[i]->setText(GermanDecimal(ctx_.sys.st.spannung.SpurVolt[lane], 1));
        });
        connect(VMinus[i], &QPushButton::clicked, this, [this, lane, i] {
            if (ctx_.cmd.LaneVoltageStep(lane, false)) Spannung[i]->setText(GermanDecimal(ctx_.sys.st.spannung.SpurVolt[lane], 1));
        });
    }
    Netzteil->setVisible(cfg.KVPowerSetup.I2C_Netzteil == 1);
    top->addWidget(Netzteil);

    // Buttons and the two lists.
    auto* bottom = new QHBoxLayout;
    auto* buttons = new QVBoxLayout;
    auto* rennen = new QGroupBox(QStringLiteral("Rennen"), this);
    rennen->setObjectName("Rennen");
    auto* rg = new QGridLayout(rennen);
    btnStartRace = Button("btnStartRace", "Start", rennen);
    btnStopRace = Button("btnStopRace", "Stop", rennen);
    btnPause = Button("btnPause", "Pause", rennen);
    btnWeiter = Button("btnWeiter", "Weiter", rennen);
    btnSafetyCar = Button("btnSafetyCar", "Safety Car", rennen);
    btnFahrer = Button("btnFahrer", "Fahrer", rennen);
    btnZmsInfo = Button("btnZmsInfo", "Info", rennen);
    rg->addWidget(btnStartRace, 0, 0);
    rg->addWidget(btnStopRace, 0, 1);
    rg->addWidget(btnPause, 0, 2);
    rg->addWidget(btnWeiter, 1, 0);
    rg->addWidget(btnSafetyCar, 1, 1);
    rg->addWidget(btnFahrer, 1, 2);
    rg->addWidget(btnZmsInfo, 2, 0);
    buttons->addWidget(rennen);
    // Window and program buttons below the race buttons, without frames of
    // their own: the desk with the supply frame fits a 768-pixel-high screen.
    btnClose = Button("bntZmClose", QString::fromUtf8("Fenster schließen"), this);
    Totalstop = Button("Totalstop", "Programm beenden", this);
    buttons->addWidget(btnClose);
    buttons->addWidget(Totalstop);
    buttons->addStretch(1);
    bottom->addLayout(buttons);
    Counts = new QListWidget(this);
    Counts->setObjectName("Counts");
    Counts->setFocusPolicy(Qt::NoFocus);
    Counts->setMinimumWidth(300);
    lstRennablauf = new QListWidget(this);
    lstRennablauf->setObjectName("lstRennablauf");
    lstRennablauf->setFocusPolicy(Qt::NoFocus);
    bottom->addWidget(Counts, 3);
    bottom->addWidget(lstRennablauf, 2);
    top->addLayout(bottom, 1);

    connect(btnStartRace, &QPushButton::clicked, this, [this] { ctx_.race.Start(); });
    connect(btnStopRace, &QPushButton::clicked, this, [this] { ctx_.race.Stop(); });
    connect(btnPause, &QPushButton::clicked, this, [this] { ctx_.race.Pause(); });
    connect(btnWeiter, &QPushButton::clicked, this, [this] { ctx_.race.Resume(); });
    connect(btnSafetyCar, &QPushButton::clicked, this, [this] { ctx_.race.SafetyCarButton(); });
    connect(btnFahrer, &QPushButton::clicked, this, [this] { ctx_.openOrSay(Fenster::SelectDriver); });
    connect(btnZmsInfo, &QPushButton::clicked, this, [this] { ctx_.openOrSay(Fenster::AnzeigeZrEinteilung); });
    connect(Totalstop, &QPushButton::clicked, this, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("frmMain")) w->close();
    });
    // Schließen only hides the window: it stays loaded and its running list
    // keeps its entries.
    connect(btnClose, &QPushButton::clicked, this, &QWidget::hide);

    resize(1000, 660);
    ClearWindow();
    RefreshRaceViews();
    Update();
}

QString DirectorWindow::Countdown() const {
    const RaceState& s = ctx_.sys.st;
    return Two(s.rennen.RestStunden) + ":" + Two(s.rennen.RestMinuten) + ":" + Two(s.rennen.RestSekunden);
}

void DirectorWindow::SyncList(QListWidget* list, const std::vector<std::string>& lines, uint32_t generation,
                                 uint32_t& shownGen, size_t& shown) {
    if (generation != shownGen || shown > lines.size()) {
        list->clear();
        shown = 0;
        shownGen = generation;
    }
    if (shown == lines.size()) return;
    for (; shown < lines.size(); ++shown) list->addItem(QString::fromStdString(lines[shown]));
    list->setCurrentRow(list->count() - 1);
    list->scrollToBottom();
}

void DirectorWindow::Update() {
    const RaceState& s = ctx_.sys.st;
    RennMode->setText(QString::fromStdString(DirectorModeText(ctx_.sys)));
    if (s.rennen.Rennmodus == Rennart::Zeitrennen) ZeitAnzeige->setText(Countdown());
    const SpurwechselRennen* spw = ctx_.sys.club().Spurwechsel();
    SpwAnzeige->setText(spw && spw->Aktiv() ? QString::fromStdString("Rennen " + spw->RennenVon()) : QString());
    NumOfWins->setText(QString::number(ctx_.race.OpenLapWindows()));
    lblNachlaufRest->setText(ZeitText(LesbareZeit(s.NachlaufRest)));
    Pausenzeit->setText(ZeitText(LesbareZeit(TimeDiff(s.rennen.PauseLetzte, s.rennen.PauseBeginn))));
    if (!ctx_.sys.record.Running()) {
        // Before a race the sensors can be tried out; during it the lamps keep
        // their last colour.
        const uint16_t in = s.Eingang;
        for (int i = 0; i < kLanes; ++i) Spur_LS[i]->SetColour(InputActive(s, i + 1, in) ? kGruen : kRot);
        Netzteil->setVisible(ctx_.sys.cfg.KVPowerSetup.I2C_Netzteil == 1);
    }
    const DirectorDesk& desk = ctx_.sys.Desk();
    SyncList(Counts, desk.Counts(), desk.CountsGeneration(), countsGen_, countsShown_);
    SyncList(lstRennablauf, desk.Flow(), desk.FlowGeneration(), flowGen_, flowShown_);
    lblGesTime->setText(Countdown());
    for (int i = 0; i < kLanes; ++i) {
        const int lane = i + 1;
        const SpurSatz& r = s.spuren.SpurDaten[lane];
        if (r.NeueRunde != 0) {
            const QString t = ZeitText(r.SekText + r.MsText);
            LastLap[i]->setText(t);
            if (r.NeueBestzeit != 0) Fastest[i]->setText(t);
            GesTime[i]->setText(ZeitText(LesbareZeit(ctx_.sys.record.laps.Total(lane))));
            FuelUpdate(i);
        }
        Rang[i]->setText(QString::number(r.Platz));
        Runden[i]->setText(QString::number(ctx_.sys.record.laps.Laps(lane)));
        const QString name = QString::fromStdString(RennFahrer(ctx_.sys, lane));
        if (Driver[i]->text() != name) Driver[i]->setText(name);
    }
}

void DirectorWindow::FuelUpdate(int i) {
    if (i < 0 || i >= kLanes) return;
    Tank[i]->setText(GermanDecimal(DirectorFuelVolts(ctx_.sys.st, i + 1), 2));
    Spannung[i]->setText(GermanDecimal(ctx_.sys.st.spannung.SpurVolt[i + 1], 1));
}

void DirectorWindow::ClearWindow() {
    for (int i = 0; i < kLanes; ++i) {
        LastLap[i]->setText(QStringLiteral("0,000"));
        Fastest[i]->setText(QStringLiteral("0,000"));
        Runden[i]->setText(QStringLiteral("0"));
        Driver[i]->setText(QString::fromStdString(RennFahrer(ctx_.sys, i + 1)));
        GesTime[i]->setText(ZeitText(LesbareZeit(0)));
        FuelUpdate(i);
    }
    ctx_.cmd.DeskClear();
    Update();
}

void DirectorWindow::RefreshRaceViews() {
    const RaceUiState& v = ctx_.sys.view;
    btnStartRace->setEnabled(ctx_.sys.record.CanStart());
    btnPause->setEnabled(v.PauseEnabled());
    btnWeiter->setEnabled(v.WeiterEnabled());
    for (int i = 0; i < kLanes; ++i) Spur_Strom[i]->SetColour(ctx_.race.LanePowered(i + 1) ? kGruen : kRot);
}

void DirectorWindow::keyPressEvent(QKeyEvent* e) {
    const QString t = e->text();
    if (t.size() == 1 && t.at(0).unicode() < 128 && t.at(0).unicode() >= 32) {
        ctx_.race.StandardKeys(static_cast<char>(t.at(0).unicode()));
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void DirectorWindow::Closing(QCloseEvent*) {
    // Unloading saves the running list ("_Test.txt").
    ctx_.cmd.DeskUnloaded();
}

}  // namespace zk
