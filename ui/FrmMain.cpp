#include "ui/FrmMain.h"

#include "race/Zeitansage.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "base/Version.h"
#include "tick/FastTimerThread.h"
#include "devices/PpdevLptIo.h"
#include "race/FahrerAuswahl.h"
#include "race/InterneZeit.h"
#include "race/Lpt.h"
#include "race/RS232.h"
#include "race/RaceResult.h"
#include "system/RaceSystem.h"
#include "ui/ResultWindow.h"
#include "ui/SaveDisplayWindow.h"
#include "system/ProgramEnd.h"

namespace zk {

ThreadTickControl::ThreadTickControl(RaceSystem& sys)
    : sys_(sys), thread_(std::make_unique<FastTimerThread>(sys.Tick())) {}
ThreadTickControl::~ThreadTickControl() = default;
void ThreadTickControl::Start() {
    // The tick takes the system's parts as they are now (the sensor board is
    // chosen after the settings are read).
    thread_ = std::make_unique<FastTimerThread>(sys_.Tick());
    thread_->SetSpinUs(sys_.cfg.Timer.Wecken == 2 ? kTickSpinUs : 0);
    thread_->StartFastTimer();
}
void ThreadTickControl::Stop() { thread_->StopFastTimer(); }

void SettingsStore::SaveAtProgramEnd(RaceSystem& sys, const std::function<void()>& closeWindows) {
    WriteOpenWindows(sys);
    closeWindows();
    if (sys.cfg.Save.All == 1) {
        WriteIniFile(sys);
    } else if (sys.cfg.AnsichtFenster.Speichern == 1) {
        WriteWindowPositions(sys);
    }
}

namespace {
const char* const kStatusNoPort = "Kein Parallelport gefunden – Simulation unter Diagnose";
}  // namespace

frmMain::frmMain(RaceSystem& sys, TickControl& tick, SettingsStore& store, MainOptions opt)
    : QMainWindow(nullptr),
      sys_(sys),
      tick_(tick),
      store_(store),
      opt_(opt),
      race_(sys),
      commands_(sys),
      registry_(sys),
      ctx_{sys, commands_, race_, registry_},
      keys_(std::make_unique<GlobalKeys>()),
      uiPort_(registry_, keys_.get()),
      refresh_(registry_) {
    setObjectName("frmMain");
    setWindowTitle(QStringLiteral("Zirkato"));
    ctx_.showDebugFrame = [this](bool show) { ShowDebugFrame(show); };
    ctx_.updateLapTimeSettings = [this] { ApplyMenuCaptions(); };
    ctx_.openOrSay = [this](Fenster window) { OpenOrSay(window); };
    ctx_.ansage = opt_.ansage;
    ctx_.writeSoundFiles = [this] { store_.WriteSoundFiles(sys_); };
    ctx_.writeLaneVoltage = [this](int lane) { store_.WriteLaneVoltage(sys_, lane); };
    ctx_.writeIniFile = [this] { store_.WriteIniFile(sys_); };
    // The save runs on this thread: the progress window is painted at each step.
    store_.saveProgress = [this](int) {
        if (auto* w = qobject_cast<SaveDisplayWindow*>(registry_.Find(Fenster::SaveDisplay))) {
            w->UpdateAnzeige();
            w->repaint();
        }
    };
    registry_.SetContext(&ctx_);
    uiPort_.SetQuiet(opt_.quietMessages);
    // Messages of start-up wait for the main window and then come in front of it.
    uiPort_.SetOwner(this);
    uiPort_.HoldMessages();
    // Messages of the race system that matter (no audio, a port gone) stay in
    // a label of their own until the next one replaces it: a passing status
    // tip of a menu hides it only while the menu is open.
    uiPort_.SetStatusSink([this](const std::string& t) {
        if (!lblMeldung) return;
        lblMeldung->setText(QString::fromStdString(t));
        lblMeldung->setToolTip(QString::fromStdString(t));
    });
    sys_.SetUi(&uiPort_);
    sys_.SetWindows(&refresh_);
    // The race director's lists and the lap file of this system.
    sys_.SetDirector(&sys_.Desk());
    sys_.SetRecorder(&sys_.Laps());
    sys_.SetClub(&sys_.ClubRace());
    ctx_.club = &sys_.ClubRace();
    // The spectators' server; off until [Web] "Aktiv" says otherwise.
    web_ = std::make_unique<LiveWebSteuerung>(sys_);

    BuildMenus();
    BuildCentral();
    tmr_100.setObjectName("tmr_100");
    tmr_100.setTimerType(Qt::PreciseTimer);
    tmr_100.setInterval(100);
    connect(&tmr_100, &QTimer::timeout, this, &frmMain::Cycle);
    connect(&registry_, &WindowRegistry::WindowsChanged, this, &frmMain::UpdateStatus);
    resize(640, 420);
    FormLoad();
}

frmMain::~frmMain() {
    Shutdown();
    store_.saveProgress = nullptr;
    sys_.SetWindows(nullptr);
    sys_.SetDirector(nullptr);
    sys_.SetRecorder(nullptr);
    sys_.SetClub(nullptr);
    sys_.SetUi(nullptr);
}

void frmMain::FormLoad() {
    ProbeSerialPorts();
    DebugFrame->hide();
    store_.ReadIniFile(sys_);
    // No settings yet: no sensor is taught in, so no lane counts until it is.
    lblErsterStart->setVisible(store_.FirstRun());
    if (opt_.openPort) {
        // The port's own messages go through as they are; the one that says it
        // could not be opened gets the choices a user needs at that moment.
        struct PortUi final : UiPort {
            UiPort& inner;
            std::string failure;
            explicit PortUi(UiPort& i) : inner(i) {}
            void ShowMessage(const std::string& t, const std::string& c, MessageIcon i) override {
                if (c == kPpdevCaption && i == MessageIcon::Warning && failure.empty()) {
                    failure = t;
                } else {
                    inner.ShowMessage(t, c, i);
                }
            }
        } portUi(uiPort_);
        opt_.openPort(sys_, opt_.quietMessages ? static_cast<UiPort&>(uiPort_) : portUi);
        if (!portUi.failure.empty()) ShowNoPortMessage(portUi.failure);
    }
    InitProgram();
    // The USB sensor board, when the settings choose it, before the tick starts.
    if (opt_.openPort) sys_.OpenSensorBoard();
    for (Fenster window : store_.ReadOpenWindows(sys_)) registry_.Open(window);
    UpdateLapTimeSettings();
    InitDisplayBoard();
    if (sys_.cfg.FrmRennleitung.RL == 1) registry_.Open(Fenster::Rennleitung);
    // The 1 ms tick is the last thing started.
    tick_.Start();
    if (opt_.runTimers) tmr_100.start();
    UpdateStatus();
}

void frmMain::InitProgram() {
    InitI2CBus();
    // Without [Audio] Zeitansage the output opens on first use; the clip-end
    // poll runs in any case (the sound-file windows audition through it).
    if (sys_.cfg.Audio.Zeitansage != 1 && opt_.ansage && opt_.runTimers) {
        tmrClipEnde_.setInterval(10);
        connect(&tmrClipEnde_, &QTimer::timeout, this, [this] {
            if (!shutDown_) opt_.ansage->ClipPoll();
        });
        tmrClipEnde_.start();
    }
    // The serial line, the sound output, the race state, port address, lane
    // records and race control's start values (mode set-up, track power on,
    // idle lamps, normal lane voltages), in the program's order.
    sys_.StartUp([this] { InitSound(); });
    registry_.RebuildStandardWindow();
    lblRennmodus->setText(QString::fromStdString(sys_.st.rennen.RennmodusText));
}

void frmMain::InitSound() {
    if (!opt_.ansage) return;
    opt_.ansage->SoundInit();
    tmrClipEnde_.setInterval(10);
    connect(&tmrClipEnde_, &QTimer::timeout, this, [this] {
        if (!shutDown_) opt_.ansage->ClipPoll();
    });
    if (opt_.runTimers) tmrClipEnde_.start();
}

void frmMain::ReleaseSound() { tmrClipEnde_.stop(); }

void frmMain::Cycle() {
    if (shutDown_ || inCycle_) return;
    inCycle_ = true;
    // A cycle that started a whole period or more late (the user-interface
    // thread was busy) is counted as an overrun of the evaluation; the 1 ms
    // tick runs on its own thread and is not held up by it.
    const int32_t now = sys_.clock().NowMs();
    if (lastCycleMs_ && opt_.runTimers) {
        const int32_t gap = TimeDiff(now, *lastCycleMs_);
        if (gap >= 200) sys_.st.zyklus.AuswertungUeberlauf += gap / 100 - 1;
    }
    lastCycleMs_ = now;
    // Timing under the simulation starts: its tick statistics start with it.
    const bool sim = sys_.st.SimulationActive;
    if (sim && !simulationSeen_) AskStatReset(sys_.st);
    simulationSeen_ = sim;
    MainLoopCycle(sys_);
    // A change of the sensor source that waited for the race's end.
    sys_.SensorQuelleNachziehen();
    // The live pages: settings changed in the dialog take effect here; the
    // snapshot goes to the server thread only when the race changed.
    if (web_->Abgleichen() && lblWeb) {
        lblWeb->setText(web_->StatusText());
        lblWeb->setVisible(!lblWeb->text().isEmpty());
    }
    sys_.PublishLive();
    // Race control may have moved the start light or the button sets after the
    // display output of this cycle; show that now rather than 100 ms later.
    registry_.RefreshRaceViews();
    // The race the windows show: after a club race's last heat its heading
    // says the club race is over.
    if (const QString modus = QString::fromStdString(RennUeberschrift(sys_)).simplified(); lblRennmodus->text() != modus)
        lblRennmodus->setText(modus);
    if (mnuBeenden->isEnabled() != sys_.view.beendenEnabled) {
        mnuBeenden->setEnabled(sys_.view.beendenEnabled);
        mnuBeenden->setToolTip(sys_.view.beendenEnabled
                                   ? QString()
                                   : QString::fromUtf8("Während eines Rennens nicht möglich: zuerst „Stop“."));
    }
    mnuRundenAufzeichnen->setChecked(sys_.st.zyklus.ExcelAufzeichnung != 0);
    if (DebugFrame->isVisible()) UpdateDebugFrame();
    if (sys_.st.BoardQuelle && !sys_.st.SimulationActive) {
        // The board's one status line follows it: connected, gone, back, reset.
        const QString t = QString::fromStdString(sys_.board().Lesen().text);
        if (lblStatus->text() != t) lblStatus->setText(t);
    }
    mnuBahnspannung->setEnabled(sys_.st.fenster.BahnspannungMenuEin != 0);
    UpdateClubMenus();
    inCycle_ = false;
}

void frmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // Once the main window is mapped, so that the messages stack above it.
    QTimer::singleShot(0, this, [this] { uiPort_.ShowHeld(); });
}

void frmMain::closeEvent(QCloseEvent* e) {
    // A race under way (Beenden is greyed then): the close box would end it and
    // write its result, so ask first. A signal or the logout has shut down already.
    if (!shutDown_ && !endRaceConfirmed_ && !sys_.view.beendenEnabled) {
        e->ignore();
        AskEndRace();
        return;
    }
    if (endRaceBox_) endRaceBox_->close();
    Shutdown();
    e->accept();
    emit Closed();
}

void frmMain::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (noPortBox_) noPortBox_->close();
    tmr_100.stop();
    ProgramEnd(
        sys_, [this] { CloseSpreadsheet(); },
        [this] { store_.SaveAtProgramEnd(sys_, [this] { registry_.CloseAllForShutdown(); }); });
    // The 1 ms tick is the last thing stopped; Stop waits for a running tick.
    tick_.Stop();
    web_->Stoppen();
    ReleaseSound();
}

// The serial line (display boards, fuel gauges, power module): the port scan
// before the settings are read, the opening after, the closing sequence at the end.
void frmMain::ProbeSerialPorts() { ComSuchen(sys_); }
void frmMain::CloseSerialPort() { ComProgrammEnde(sys_); }

void frmMain::BuildMenus() {
    QMenu* zm = menuBar()->addMenu(QStringLiteral("&Zeitmessung"));
    zm->setObjectName("mnuZeitmessung");
    auto add = [this](QMenu* m, const char* name, const QString& text) {
        QAction* a = m->addAction(text);
        a->setObjectName(name);
        return a;
    };
    mnuTraining = add(zm, "mnuTraining", "&Training");
    mnuZeitrennen = add(zm, "mnuZeitrennen", "&Zeitrennen");
    mnuRundenrennen = add(zm, "mnuRundenrennen", "&Rundenrennen");
    mnuClubrennen = add(zm, "mnuClubrennen", "&Clubrennen");
    mnuClubRundenRennen = add(zm, "mnuClubRundenRennen", "ClubRundenRennen");
    mnuClubZeitRennen = add(zm, "mnuClubZeitRennen", "ClubZeitRennen");
    connect(mnuTraining, &QAction::triggered, this, [this] { ChooseMode(0); });
    connect(mnuRundenrennen, &QAction::triggered, this, [this] { ChooseMode(1); });
    connect(mnuZeitrennen, &QAction::triggered, this, [this] { ChooseMode(2); });
    connect(mnuClubrennen, &QAction::triggered, this, [this] { ChooseMode(3); });
    connect(mnuClubRundenRennen, &QAction::triggered, this, [this] { ChooseMode(4); });
    connect(mnuClubZeitRennen, &QAction::triggered, this, [this] { ChooseMode(5); });
    zm->addSeparator();

    mnuEingabeRunden = zm->addMenu(QStringLiteral("Runden"));
    mnuEingabeRunden->setObjectName("mnuEingabeRunden");
    const char* lapNames[6] = {"", "mnuZehnR", "mnuZwanzig", "mnuDreisig", "mnuVierzig", "mnuFuenfzig"};
    for (int k = 1; k <= 5; ++k) {
        mnuRundenPreset[k] = add(mnuEingabeRunden, lapNames[k], QString());
        connect(mnuRundenPreset[k], &QAction::triggered, this, [this, k] {
            race_.LapPreset(k);
            ApplyMenuCaptions();
        });
    }
    QAction* lapInput = add(mnuEingabeRunden, "mnuRundenEingabe", "Eingabe");
    connect(lapInput, &QAction::triggered, this, [this] { registry_.Open(Fenster::Rundeneingabe); });

    mnuZeitvorgabe = zm->addMenu(QStringLiteral("Zeitvorgabe"));
    mnuZeitvorgabe->setObjectName("mnuZeitvorgabe");
    const char* timeNames[6] = {"", "mnuZehnM", "mnuZwanzigM", "mnuDreisigM", "mnuVierzigM", "mnuFuenfzigM"};
    for (int k = 1; k <= 5; ++k) {
        mnuZeitPreset[k] = add(mnuZeitvorgabe, timeNames[k], QString());
        connect(mnuZeitPreset[k], &QAction::triggered, this, [this, k] {
            race_.TimePreset(k);
            ApplyMenuCaptions();
        });
    }
    QAction* timeInput = add(mnuZeitvorgabe, "mnuZeitEingabe", "Eingabe");
    connect(timeInput, &QAction::triggered, this, [this] { registry_.Open(Fenster::Zeiteingabe); });
    zm->addSeparator();
    QAction* defFahrer = add(zm, "mnuDefFahrer", "&Fahrer festlegen");
    connect(defFahrer, &QAction::triggered, this, [this] { OpenOrSay(Fenster::SelectDriver); });
    QAction* fahrer = add(zm, "mnuFahrer", QString::fromUtf8("Fahrer für Clubrennen &wählen …"));
    connect(fahrer, &QAction::triggered, this, [this] { registry_.Open(Fenster::Fahrer); });
    mnuBahnspannung = add(zm, "mnuBahnspannung", QString::fromUtf8("&Bahnspannung einstellen"));
    connect(mnuBahnspannung, &QAction::triggered, this, [this] { registry_.Open(Fenster::KVPower); });
    zm->addSeparator();
    mnuRundenAufzeichnen = add(zm, "mnuRundenAufzeichnen", "Runden aufzeichnen");
    mnuRundenAufzeichnen->setCheckable(true);
    connect(mnuRundenAufzeichnen, &QAction::triggered, this, &frmMain::ToggleLapRecording);
    mnuWrtExcel = add(zm, "WrtExcel", "Excel-Datei erzeugen");
    connect(mnuWrtExcel, &QAction::triggered, this, &frmMain::ExportLaps);
    zm->addSeparator();
    QAction* ergebnis = add(zm, "mnuErgebnis", "&Ergebnis anzeigen");
    connect(ergebnis, &QAction::triggered, this, [this] { registry_.Open(Fenster::Ergebnis); });
    QAction* ergebnisOrdner = add(zm, "mnuErgebnisOrdner", QString::fromUtf8("Ergebnis&ordner öffnen"));
    connect(ergebnisOrdner, &QAction::triggered, this, [this] {
        statusBar()->showMessage(ResultFolderText(sys_, OpenResultFolder(sys_)), 20000);
    });
    if (sys_.datenVerzeichnis.empty()) {
        ergebnisOrdner->setEnabled(false);
        ergebnisOrdner->setToolTip(QString::fromUtf8("Kein Datenverzeichnis gewählt"));
    }
    zm->setToolTipsVisible(true);
    zm->addSeparator();
    QAction* sound = add(zm, "mnuSound", QStringLiteral("&Sounddateien"));
    connect(sound, &QAction::triggered, this, [this] { registry_.Open(Fenster::Soundfiles); });
    QAction* einstellungen = add(zm, "mnuEinstellungen", QString::fromUtf8("Einstellungen …"));
    connect(einstellungen, &QAction::triggered, this, [this] { registry_.Open(Fenster::ZSA); });
    zm->addSeparator();
    mnuBeenden = add(zm, "mnuBeenden", "&Beenden");
    connect(mnuBeenden, &QAction::triggered, this, &QWidget::close);

    QMenu* an = menuBar()->addMenu(QStringLiteral("&Ansicht"));
    an->setObjectName("mnuAnsicht");
    struct Item {
        const char* name;
        const char* text;
        Fenster window;
    };
    static const Item items[] = {
        {"mnuStd4Spur", "Standard 4 Spuren", Fenster::Zeit4Spur},
        {"mnuZweiSpuren", "Anzeige 2 Spuren", Fenster::KVZeit2Spur},
        {"mnuDreiSpuren", "Anzeige 3 Spuren", Fenster::KVZeit3Spur},
        {"mnuVierSpurGroß", "Anzeige 4 Spuren groß", Fenster::KVZeit4SpurNeu},
        {"mnuFunfSpuren", "Anzeige 5 Spuren", Fenster::KVZeit5Spur},
        {"mnuSechsSpuren", "Anzeige 6 Spuren", Fenster::KVZeit6Spur},
        {"mnuAchtSpuren", "Anzeige 8 Spuren", Fenster::KVZeit8Spur},
        {"mnuAchtDoppel", "Anzeige 8 Spuren (2 x 4)", Fenster::KVZeit4SpurNeu},
        {"mnuRennleitung", "Rennleitung", Fenster::Rennleitung},
    };
    for (const Item& it : items) {
        QAction* a = an->addAction(QString::fromUtf8(it.text));
        a->setObjectName(QString::fromUtf8(it.name));
        const Fenster window = it.window;
        const bool doppel = std::string(it.name) == "mnuAchtDoppel";
        connect(a, &QAction::triggered, this, [this, window, doppel] {
            OpenOrSay(window);
            if (doppel) registry_.Open(Fenster::KVZeit48SpurNeu);
        });
    }

    an->addSeparator();
    QAction* live = add(an, "mnuLiveWeb", QString::fromUtf8("Live-Seiten für Zuschauer (Adresse, QR-Code)"));
    connect(live, &QAction::triggered, this, [this] {
        if (!webFenster_) {
            webFenster_ = new LiveWebFenster(*web_, this);
            webFenster_->setAttribute(Qt::WA_DeleteOnClose);
        }
        webFenster_->show();
        webFenster_->raise();
    });

    QMenu* dg = menuBar()->addMenu(QStringLiteral("&Diagnose"));
    dg->setObjectName("mnuDiagnose");
    QAction* sim = add(dg, "mnuSimulationOhneBahn", QString::fromUtf8("Simulation ohne Bahn starten"));
    connect(sim, &QAction::triggered, this, &frmMain::StartSimulationWithoutTrack);
    dg->addSeparator();
    QAction* parSim = add(dg, "mnuParPortSim", QStringLiteral("Parallelport testen"));
    connect(parSim, &QAction::triggered, this, [this] { registry_.Open(Fenster::ParPortSim); });
    QAction* parDebug = add(dg, "mnuParPortDebug", QStringLiteral("Parallelport Simulieren"));
    connect(parDebug, &QAction::triggered, this, [this] { registry_.Open(Fenster::ParPortDebug); });
    QAction* debug = add(dg, "mnuDebugInfo", QStringLiteral("Debug-Info"));
    connect(debug, &QAction::triggered, this, [this] { ShowDebugFrame(!DebugFrame->isVisible()); });

    QMenu* hilfe = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    hilfe->setObjectName("mnuHilfe");
    QAction* ueber = add(hilfe, "mnuUeber", QString::fromUtf8("Über Zirkato"));
    connect(ueber, &QAction::triggered, this, &frmMain::ShowAbout);
    zm->setToolTipsVisible(true);
    UpdateClubMenus();
}

QString AboutText() {
    return QString::fromUtf8(
               "<h3>Zirkato %1</h3>"
               "<p>Rennleitung und Rundenzeitmessung für Slotcar-Bahnen mit bis zu acht Spuren.</p>"
               "<p>Race management and lap timing for slot-car tracks with up to eight lanes.</p>")
        .arg(QString::fromUtf8(ProgramVersion()));
}

// Not modal: the race and the 100 ms cycle go on while the box is open.
void frmMain::ShowAbout() {
    auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8("Über Zirkato"), AboutText(),
                                QMessageBox::Ok, this);
    box->setObjectName("msgUeber");
    box->setTextFormat(Qt::RichText);
    box->setIconPixmap(windowIcon().pixmap(64, 64));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void frmMain::BuildCentral() {
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    lblRennmodus = new QLabel(central);
    lblRennmodus->setObjectName("lblRennmodus");
    QFont f = lblRennmodus->font();
    f.setPointSize(16);
    f.setBold(true);
    lblRennmodus->setFont(f);
    v->addWidget(lblRennmodus);
    auto* help = new QLabel(QString::fromUtf8("Rennart und Länge: Menü „Zeitmessung“.  Zeitfenster: Menü „Ansicht“.\n"
                                              "Ohne Bahn: Menü „Diagnose“ → „Simulation ohne Bahn starten“."),
                            central);
    help->setObjectName("lblHilfe");
    help->setWordWrap(true);
    v->addWidget(help);
    lblErsterStart = new QLabel(QString::fromUtf8("Erster Start: Noch keine Lichtschranke ist eingelernt, darum zählt "
                                                  "keine Spur. Einlernen: Menü „Zeitmessung“ → „Einstellungen …“ → "
                                                  "Reiter „Lichtschranken“, dort die Taste der Spur drücken und ein "
                                                  "Auto über ihre Lichtschranke fahren lassen."),
                                central);
    lblErsterStart->setObjectName("lblErsterStart");
    lblErsterStart->setWordWrap(true);
    lblErsterStart->hide();
    v->addWidget(lblErsterStart);

    DebugFrame = new QGroupBox(QStringLiteral("Debug-Info"), central);
    DebugFrame->setObjectName("DebugFrame");
    auto* g = new QGridLayout(DebugFrame);
    auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), DebugFrame);
        l->setObjectName(name);
        return l;
    };
    auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), DebugFrame);
        b->setObjectName(name);
        return b;
    };
    lblPortwrites = label("lblPortwrites", "PortWrites");
    lblI2C = label("lblI2C", "I2C");
    lblSerial = label("lblSerial", "Seriell");
    MaxTick = label("MaxTick", "MaxTick");
    lblAbweichung = label("lblAbweichung", "Abweichung");
    lblAktuell = label("lblAktuell", "Aktuell");
    lblMainAktuell = label("lblMainAktuell", "Main aktuell");
    lblMainAbweichung = label("lblMainAbweichung", "Main Abweichung");
    lblSpaet = label("lblSpaet", "Verspätet");
    lblUeberlauf = label("lblUeberlauf", "Überlauf");
    WrtExcel = button("WrtExcel", "Excel-Datei erzeugen");
    btnReset = button("btnReset", "Reset");
    TimOff = button("TimOff", "100ms Aus");
    btnDiagFront = button("btnDiagFront", "Portsimulator");
    btnDiagoff = button("btnDiagoff", "Portsimulator schließen");
    int r = 0;
    // Only what is measured: the port-write and main-loop fields have no values.
    lblBoard = label("lblBoard", "Sensorboard");
    lblBoard->setWordWrap(true);
    for (QLabel* l : {MaxTick, lblAbweichung, lblAktuell, lblSpaet, lblUeberlauf, lblI2C, lblBoard}) g->addWidget(l, r++, 0, 1, 3);
    for (QLabel* l : {lblMainAktuell, lblMainAbweichung, lblPortwrites}) l->hide();
    g->addWidget(btnReset, r, 0);
    g->addWidget(TimOff, r, 1);
    g->addWidget(WrtExcel, r++, 2);
    g->addWidget(btnDiagFront, r, 0);
    g->addWidget(btnDiagoff, r, 1);
    v->addWidget(DebugFrame);
    v->addStretch(1);
    connect(btnReset, &QPushButton::clicked, this, [this] {
        AskStatReset(sys_.st);
        // Load test of the user-interface thread while the 1 ms tick keeps
        // counting; kept short so the main loop is not held up during a race.
        int32_t last = 0;
        for (int k = 0; k < 10000000; ++k) last = sys_.st.TickZaehler;
        lblAktuell->setText(QStringLiteral("Aktuell: %1").arg(last));
    });
    // TimOff has no action.
    connect(WrtExcel, &QPushButton::clicked, this, &frmMain::ExportLaps);
    TimOff->setEnabled(false);
    TimOff->setToolTip(QString::fromUtf8("Der 100-ms-Takt lässt sich nicht abschalten: ohne ihn stünde die Zeitmessung."));
    connect(btnDiagFront, &QPushButton::clicked, this, [this] { registry_.Open(Fenster::ParPortSim); });
    connect(btnDiagoff, &QPushButton::clicked, this, [this] { registry_.Close(Fenster::ParPortSim); });
    setCentralWidget(central);

    // The port state on the right, the last message of the race system on the
    // left: neither paints over the other.
    lblMeldung = new QLabel(this);
    lblMeldung->setObjectName("lblMeldung");
    lblMeldung->setMinimumWidth(0);
    statusBar()->addWidget(lblMeldung, 1);
    lblWeb = new QLabel(this);
    lblWeb->setObjectName("lblWeb");
    lblWeb->setToolTip(QString::fromUtf8("Adresse der Live-Seiten; QR-Code im Menü „Ansicht“"));
    lblWeb->setVisible(false);
    statusBar()->addPermanentWidget(lblWeb);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName("lblStatus");
    statusBar()->addPermanentWidget(lblStatus);
}

void frmMain::ShowDebugFrame(bool show) {
    if (shutDown_) return;
    DebugFrame->setVisible(show);
    if (show) UpdateDebugFrame();
}

void frmMain::UpdateDebugFrame() {
    const RaceState& s = sys_.st;
    // The tick statistics are measured while the port simulation runs.
    const bool gemessen = s.SimulationActive && s.TickZaehler > 0;
    MaxTick->setVisible(gemessen);
    lblAbweichung->setVisible(gemessen);
    MaxTick->setText(QStringLiteral("Größter Tickabstand: %1 ms").arg(s.TickMaxAbstand.load()));
    lblAbweichung->setText(QStringLiteral("Tick-Abweichung: %1 ms").arg(static_cast<double>(s.TickAbweichung), 0, 'f', 0));
    lblAktuell->setText(QStringLiteral("Tickzähler: %1").arg(s.TickZaehler.load()));
    lblSpaet->setText(QStringLiteral("Verspätete Ticks: %1, ausgelassen: %2, größte Verspätung: %3 µs")
                          .arg(s.TickVerspaetet.load())
                          .arg(s.TickVerpasst.load())
                          .arg(s.TickSpaetMaxUs.load()));
    lblUeberlauf->setText(
        QStringLiteral("Tick-Überlauf: %1, Auswertungs-Überlauf: %2").arg(s.TickUeberlauf.load()).arg(s.zyklus.AuswertungUeberlauf));
    const BusStatistik b = sys_.bus().Statistik();
    lblI2C->setText(QString::fromUtf8("I2C-Meldungen gesendet: %1, wartend: %2, verworfen (Warteschlange voll): %3, "
                                      "ungültig: %4")
                        .arg(b.gesendet)
                        .arg(b.wartend)
                        .arg(b.voll)
                        .arg(b.ungueltig));
    lblSerial->setText(QString::fromUtf8("Serielle Meldungen verworfen (Ausgabepuffer voll): %1").arg(s.seriell.SerialVerworfen));
    lblBoard->setVisible(s.BoardQuelle);
    if (s.BoardQuelle) lblBoard->setText(QString::fromStdString(SensorboardDiagnose(sys_)));
}

void frmMain::UpdateStatus() {
    if (shutDown_) return;
    QString text;
    if (sys_.st.SimulationActive) {
        text = QStringLiteral("Portsimulation aktiv");
    } else if (sys_.st.BoardQuelle) {
        // One line for the board: connected, gone, refused, searched for.
        text = QString::fromStdString(sys_.board().Lesen().text);
    } else if (!sys_.port().Available()) {
        text = QString::fromUtf8(kStatusNoPort);
    } else {
        text = QStringLiteral("Parallelport: %1").arg(QString::fromStdString(sys_.port().Description()));
    }
    lblStatus->setText(text);
    mnuBahnspannung->setEnabled(sys_.st.fenster.BahnspannungMenuEin != 0);
    UpdateClubMenus();
}

void frmMain::UpdateClubMenus() {
    const bool frei = ClubFahrerBestaetigt(sys_);
    for (QAction* club : {mnuClubrennen, mnuClubRundenRennen, mnuClubZeitRennen}) {
        if (club->isEnabled() == frei) continue;
        club->setEnabled(frei);
        club->setToolTip(frei ? QString() : QString::fromUtf8("Zuerst die Fahrer wählen: „Fahrer für Clubrennen wählen …“, "
                                                              "mindestens zwei, dann „fertig“."));
    }
}

void frmMain::OpenOrSay(Fenster window) {
    if (!registry_.Open(window)) statusBar()->showMessage(QString::fromUtf8("Dieses Fenster ist noch nicht verfügbar."), 4000);
}

void frmMain::ToggleLapRecording(bool on) {
    if (on) {
        sys_.Laps().Start();
    } else {
        sys_.Laps().Stop();
    }
    mnuRundenAufzeichnen->setChecked(sys_.st.zyklus.ExcelAufzeichnung != 0);
}

void frmMain::ExportLaps() {
    const QDateTime now = QDateTime::currentDateTime();
    sys_.Laps().Export(now.toString(QStringLiteral("yyyyMMdd_HHmmss")).toStdString());
    mnuRundenAufzeichnen->setChecked(sys_.st.zyklus.ExcelAufzeichnung != 0);
}

void frmMain::ChooseMode(int mode) {
    // Club races need their drivers; until the club module chooses them the
    // driver window is where they are defined.
    if (!race_.ChooseMode(mode)) OpenOrSay(Fenster::Fahrer);
    // A club race set up: its heat schedule shows at once.
    else if (mode >= 3 && IstClubrennen(sys_.st.rennen.Rennmodus)) registry_.Open(Fenster::ClubResult);
    lblRennmodus->setText(QString::fromStdString(sys_.st.rennen.RennmodusText));
    ApplyMenuCaptions();
}

void frmMain::UpdateLapTimeSettings() {
    race_.RefreshCaptions();
    ApplyMenuCaptions();
}

void frmMain::ApplyMenuCaptions() {
    const RaceUiState& v = sys_.view;
    for (int k = 1; k <= 5; ++k) {
        mnuRundenPreset[k]->setText(QString::fromStdString(v.rundenPresetCaption[k]));
        mnuZeitPreset[k]->setText(QString::fromStdString(v.zeitPresetCaption[k]));
    }
    mnuEingabeRunden->setTitle(QString::fromStdString(v.eingabeRundenCaption));
    mnuZeitvorgabe->setTitle(QString::fromStdString(v.zeitvorgabeCaption));
}

void frmMain::ShowNoPortMessage(const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromUtf8(kPpdevCaption), QString::fromStdString(text),
                                QMessageBox::Ok, this);
    box->setObjectName("msgKeinPort");
    noPortBox_ = box;
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);  // the 100 ms main loop keeps running
    QPushButton* sim = box->addButton(QString::fromUtf8("Simulation starten"), QMessageBox::ActionRole);
    sim->setObjectName("btnSimulationStarten");
    // Without an escape button a message box refuses to close, and then the
    // application cannot quit (on SIGTERM or at logout) while the box is open.
    box->setEscapeButton(QMessageBox::Ok);
    auto* nie = new QCheckBox(QString::fromUtf8("Nicht mehr anzeigen (ohne Parallelport arbeiten)"), box);
    nie->setObjectName("chkNichtMehrAnzeigen");
    box->setCheckBox(nie);
    connect(box, &QMessageBox::finished, this, [this, box, sim, nie] {
        // Working without a port is a setting like any other: saved at the end,
        // changed back by choosing a port.
        if (nie->isChecked()) LptPortWaehlen(sys_, 0);
        if (box->clickedButton() == sim) StartSimulationWithoutTrack();
    });
    uiPort_.ShowBox(box);
}

void frmMain::AskEndRace() {
    if (endRaceBox_) {
        endRaceBox_->raise();
        endRaceBox_->activateWindow();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Zirkato"),
                                QString::fromUtf8("Ein Rennen läuft. Wird das Programm jetzt beendet, endet das Rennen "
                                                  "und sein Ergebnis wird geschrieben.\n\nRennen beenden und Programm "
                                                  "schließen?"),
                                QMessageBox::NoButton, this);
    box->setObjectName("msgRennenLaeuft");
    QPushButton* beenden = box->addButton(QString::fromUtf8("Rennen beenden und schließen"), QMessageBox::AcceptRole);
    beenden->setObjectName("btnRennenBeenden");
    QPushButton* weiter = box->addButton(QStringLiteral("Weiterfahren"), QMessageBox::RejectRole);
    weiter->setObjectName("btnWeiterfahren");
    box->setDefaultButton(weiter);
    box->setEscapeButton(weiter);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);  // the race goes on while the question is open
    endRaceBox_ = box;
    connect(box, &QMessageBox::finished, this, [this, box, beenden] {
        if (box->clickedButton() != beenden) return;
        endRaceConfirmed_ = true;
        close();
    });
    box->show();
    box->raise();
    box->activateWindow();
}

void frmMain::StartSimulationWithoutTrack() {
    registry_.Open(Fenster::ParPortSim);
    if (QWidget* sim = registry_.Find(Fenster::ParPortSim))
        if (auto* c = sim->findChild<QCheckBox*>("Check1")) c->setChecked(true);
    registry_.Open(Fenster::ParPortDebug);
    race_.ShowWindows();
    UpdateStatus();
}

}  // namespace zk
